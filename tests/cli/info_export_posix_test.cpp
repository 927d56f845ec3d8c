// zet-cli info, export and stats, run as a user would run them.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "recording/export.h"
#include "recording/zet_file.h"

namespace zet {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;
};

// Runs zet-cli with a fixed time zone, after `shell` (limits, say); stderr
// is folded into out when asked.
Result RunCli(const std::string& args, bool withStderr = false, const std::string& shell = "") {
  std::string cmd = shell + std::string("TZ=Europe/Moscow LC_ALL=ru_RU.UTF-8 ") + ZET_CLI_PATH + " " + args +
                    (withStderr ? " 2>&1" : " 2>/dev/null");
  Result r;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return r;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

class CliFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zet-cli-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string Q(const std::string& s) { return "'" + s + "'"; }

  Recording TwoChannel() const {
    Recording rec;
    rec.header.nDevice = 21;
    rec.header.bDateKnown = 1;
    rec.header.nYear = 2024;
    rec.header.nMonth = 3;
    rec.header.nDay = 5;
    rec.header.nHour = 10;
    rec.header.nMinute = 20;
    rec.header.dPeriod = 1.0;
    rec.header.dRange = 10;
    rec.header.dMaxRange = 10;
    rec.header.nChannels = 2;
    rec.shuntResistance = 0.00075;
    rec.channel1 = std::vector<float>{1.5f, -0.25f, 2.0f};
    rec.channel2 = std::vector<float>{0.5f, 0.75f, -1.0f};
    rec.supply = std::vector<float>{5.5f};
    rec.comment = "Участок \"А\"\nвторая строка";
    return rec;
  }

  fs::path dir_;
};

TEST_F(CliFiles, StatsRowsPerFileGoOnPastADamagedOne) {
  ASSERT_EQ(WriteZetFile(Path("a.zet"), TwoChannel()), "");
  std::ofstream(Path("bad.zet")) << "not a recording";
  // Negative levels are values, not options.
  Result r = RunCli("stats --csv --reference -0.5 --below -0.1 " + Q(Path("bad.zet")) + " " + Q(Path("a.zet")));
  EXPECT_EQ(r.code, 3);
  EXPECT_EQ(r.out,
            "file,recorder,start,end,period_s,samples,ch1_min,ch1_mean,ch1_max,ch1_share_positive,ch1_zone,"
            "ch2_min,ch2_mean,ch2_max,ch2_share_positive,ch2_zone,slope,r,azimuth_deg\n" +
                Path("a.zet") +
                ",21,2024-03-05T10:20:00,2024-03-05T10:20:02,1,3,-0.25,1.08333,2,0.666667,anodic,"
                "-1,0.0833333,0.75,0.666667,,-0.61194,-0.763857,-4.39871\n");
  // One sample in amperes (2 V over 0.00075 Ohm): no negative mean, no correlation.
  Result json = RunCli("stats --json --span 2:2 --above=1 --current " + Q(Path("a.zet")));
  EXPECT_EQ(json.code, 0);
  for (const char* field : {"\"samples\":1,", "\"min\":2666.66", "\"unit\":\"A\"", "\"mean_negative\":null",
                           "\"r\":null", "\"limits\":[{\"kind\":\"above\",\"level\":1,\"share\":1,\"excursions\":1,"})
    EXPECT_NE(json.out.find(field), std::string::npos) << field << "\n" << json.out;
  Result outside = RunCli("stats --span 1:3 " + Q(Path("a.zet")), true);
  EXPECT_EQ(outside.code, 2);
  EXPECT_NE(outside.out.find("0..2"), std::string::npos);
}

TEST_F(CliFiles, InfoJsonHasEveryKeyAndEscapesTheComment) {
  ASSERT_EQ(WriteZetFile(Path("a.zet"), TwoChannel()), "");
  Result r = RunCli("info --json " + Q(Path("a.zet")));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "{\"device\":21,\"date_known\":true,\"year\":2024,\"month\":3,\"day\":5,\"hour\":10,"
            "\"minute\":20,\"period\":1,\"fixed_range\":false,\"range\":10,\"max_range\":10,"
            "\"channels\":2,\"shunt_resistance\":0.00075,\"channel1\":3,\"channel2\":3,\"supply\":1,"
            "\"comment\":\"Участок \\\"А\\\"\\nвторая строка\"}\n");
  Result text = RunCli("info " + Q(Path("a.zet")));
  EXPECT_EQ(text.code, 0);
  EXPECT_NE(text.out.find("05.03.2024 10:20"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("вторая строка"), std::string::npos);
}

TEST_F(CliFiles, ExportMatchesTheDesktopExport) {
  ASSERT_EQ(WriteZetFile(Path("a.zet"), TwoChannel()), "");
  Result r = RunCli("export " + Q(Path("a.zet")) + " " + Q(Path("a.xls")));
  ASSERT_EQ(r.code, 0);
  std::ifstream in(Path("a.xls"), std::ios::binary);
  std::string got{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(got,
            "05.03.2024 10:20:00\t1.500000\t0.500000\n"
            "05.03.2024 10:20:01\t-0.250000\t0.750000\n"
            "05.03.2024 10:20:02\t2.000000\t-1.000000\n");
}

// A file put together byte by byte, as another program writing this layout
// would: an older version number, junk in the unused header fields, a
// one-channel recording without a start date, a Windows-1251 comment.
TEST_F(CliFiles, FilesWrittenElsewhereToTheLayoutAreRead) {
  std::string b("LOG\0", 4);
  auto i32 = [&](std::int32_t v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  auto f64 = [&](double v) { b.append(reinterpret_cast<const char*>(&v), 8); };
  auto f32 = [&](float v) { b.append(reinterpret_cast<const char*>(&v), 4); };
  i32(1);                                      // version
  b += "\x2C\x01\xAB\xCD";                      // recorder 300, then two unused bytes
  for (int v : {0, 2023, 12, 31, 23, 59, -7}) i32(v);  // date unknown ... unused field
  f64(0.5);
  i32(1);
  i32(0x5A5A5A5A);                             // unused
  f64(static_cast<double>(0.1f));
  f64(1.0);
  i32(1);
  i32(-1);                                     // unused
  f64(0);                                      // shunt not set
  i32(2);
  f32(0.0124f);
  f32(-1.022f);
  i32(0);                                      // no channel 2
  i32(0);                                      // no supply
  const std::string comment = "\xD2\xF0\xE0\xF1\xF1\xE0 1\r\n\xCA\xCF-4";  // "Трасса 1", "КП-4"
  i32(static_cast<std::int32_t>(comment.size()));
  b += comment;
  std::ofstream(Path("other.zet"), std::ios::binary) << b;

  Result r = RunCli("info --json " + Q(Path("other.zet")));
  ASSERT_EQ(r.code, 0);
  EXPECT_EQ(r.out,
            "{\"device\":300,\"date_known\":false,\"year\":2023,\"month\":12,\"day\":31,\"hour\":23,"
            "\"minute\":59,\"period\":0.5,\"fixed_range\":true,\"range\":0.10000000149011612,"
            "\"max_range\":1,\"channels\":1,\"shunt_resistance\":0,\"channel1\":2,\"channel2\":0,"
            "\"supply\":0,\"comment\":\"Трасса 1\\nКП-4\"}\n");
  ASSERT_EQ(RunCli("export " + Q(Path("other.zet")) + " " + Q(Path("other.xls"))).code, 0);
  std::ifstream in(Path("other.xls"), std::ios::binary);
  std::string got{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(got, "0:00:00:00   \t0.012400\n0:00:00:00   \t-1.022000\n");
}

TEST_F(CliFiles, DamagedMissingAndUnwritableFilesExitWithThree) {
  std::vector<std::uint8_t> bytes = EncodeZet(TwoChannel());
  bytes.resize(bytes.size() - 5);
  {
    std::ofstream out(Path("cut.zet"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::ofstream(Path("text.zet")) << "not a recording";
  Result cut = RunCli("info " + Q(Path("cut.zet")), true);
  EXPECT_EQ(cut.code, 3);
  EXPECT_NE(cut.out.find("повреждён"), std::string::npos) << cut.out;
  Result magic = RunCli("info --json " + Q(Path("text.zet")), true);
  EXPECT_EQ(magic.code, 3);
  EXPECT_NE(magic.out.find("Неправильный формат файла"), std::string::npos);
  EXPECT_EQ(RunCli("info " + Q(Path("none.zet"))).code, 3);
  EXPECT_EQ(RunCli("export " + Q(Path("cut.zet")) + " " + Q(Path("x.xls"))).code, 3);
  EXPECT_FALSE(fs::exists(Path("x.xls")));

  ASSERT_EQ(WriteZetFile(Path("a.zet"), TwoChannel()), "");
  EXPECT_EQ(RunCli("export " + Q(Path("a.zet")) + " " + Q(Path("no/dir/x.xls"))).code, 3);
}

// Control characters in a comment are shown, never sent to the terminal.
TEST_F(CliFiles, InfoTextShowsControlCharactersVisibly) {
  const struct {
    const char* comment;
    const char* shown;
  } cases[] = {
      {"\x1b[31mred\x1b]0;title\x07", "^[[31mred^[]0;title^G"},
      {"cr\rover", "cr^Mover"},
      {"del\x7f", "del^?"},
      {"tab\tand\nline", "tab\tand\nline"},
      {"\xc2\x98" "2J", "M-^X2J"},  // Windows-1251 byte 0x98 reads as the C1 control U+0098
      {"Трасса №1", "Трасса №1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.comment);
    Recording rec = TwoChannel();
    rec.comment = c.comment;
    ASSERT_EQ(WriteZetFile(Path("c.zet"), rec), "");
    Result r = RunCli("info " + Q(Path("c.zet")));
    std::string expected = std::string("Comment:\n") + c.shown + "\n";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
  }
}

// "-" writes to standard output; a FIFO is written in place and never waited
// on when reading; a read-only file is never replaced; an interrupted export
// leaves nothing behind.
TEST_F(CliFiles, ExportTargetsAndReadersNeverLoseOrHang) {
  ASSERT_EQ(WriteZetFile(Path("a.zet"), TwoChannel()), "");
  ASSERT_EQ(RunCli("export " + Q(Path("a.zet")) + " " + Q(Path("a.xls"))).code, 0);
  Result dash = RunCli("export " + Q(Path("a.zet")) + " -");
  EXPECT_EQ(dash.code, 0);
  std::ifstream in(Path("a.xls"), std::ios::binary);
  EXPECT_EQ(dash.out, std::string(std::istreambuf_iterator<char>(in), {}));

  ASSERT_EQ(::mkfifo(Path("fifo.zet").c_str(), 0644), 0);
  Result fifo = RunCli("info " + Q(Path("fifo.zet")) + " </dev/null", true);  // would hang before
  EXPECT_EQ(fifo.code, 3);

  fs::permissions(dir_, fs::perms::all);
  std::ofstream(Path("locked.xls")) << "keep";
  fs::permissions(Path("locked.xls"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const char* asUser = ::geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  std::string cmd = std::string(asUser) + ZET_CLI_PATH + " export " + Q(Path("a.zet")) + " " +
                    Q(Path("locked.xls")) + " 2>/dev/null";
  int status = std::system(cmd.c_str());
  EXPECT_EQ(WEXITSTATUS(status), 3);
  std::ifstream locked(Path("locked.xls"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(locked), {}), "keep");

  // A long export killed half-way leaves nothing beside its target, and one
  // that meets a file-size limit fails as a write error.
  Recording big = TwoChannel();
  big.channel1 = std::vector<float>(4'000'000, 1.25f);
  big.channel2 = std::vector<float>(4'000'000, -0.5f);
  ASSERT_EQ(WriteZetFile(Path("big.zet"), big), "");
  std::ofstream(Path("big.xls")) << "old";
  const auto before = std::distance(fs::directory_iterator(dir_), fs::directory_iterator());
  const pid_t pid = fork();
  if (pid == 0) {
    ::execl(ZET_CLI_PATH, "zet-cli", "export", Path("big.zet").c_str(), Path("big.xls").c_str(), nullptr);
    _exit(127);
  }
  // Killed once its temporary (named or not) is open.
  auto writing = [&] {
    std::error_code ec;
    for (auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
      const std::string target = fs::read_symlink(fd.path(), ec).string();
      if (target.rfind(dir_.string() + "/", 0) == 0 &&
          (target.find(".tmp-") != std::string::npos || target.find("(deleted)") != std::string::npos))
        return true;
    }
    return false;
  };
  for (int i = 0; i < 5000 && !writing(); ++i) ::usleep(1000);
  ::kill(pid, SIGKILL);
  int st = 0;
  ASSERT_EQ(::waitpid(pid, &st, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(st)) << "the export ended before it could be killed";
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), before);
  std::ifstream old(Path("big.xls"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "old");

  Result limited = RunCli("export " + Q(Path("big.zet")) + " " + Q(Path("big.xls")), true, "ulimit -f 100; ");
  EXPECT_EQ(limited.code, 3) << limited.out;
  EXPECT_NE(limited.out.find("big.xls"), std::string::npos) << limited.out;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), before);
  std::ifstream kept(Path("big.xls"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");
}

TEST_F(CliFiles, UsageErrorsAndHelp) {
  EXPECT_EQ(RunCli("info").code, 2);
  EXPECT_EQ(RunCli("info a.zet b.zet").code, 2);
  EXPECT_EQ(RunCli("info --colour a.zet").code, 2);
  EXPECT_EQ(RunCli("export a.zet").code, 2);
  Result help = RunCli("export --help");
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("Usage: zet-cli export FILE.zet OUT.xls"), std::string::npos);
  EXPECT_NE(RunCli("info --help").out.find("--json"), std::string::npos);
}

}  // namespace
}  // namespace zet
