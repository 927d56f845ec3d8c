// What happens to the user's files around a save or an export: who may be
// replaced and how, what is written in place, what an interruption leaves,
// and readers that never hang on or swallow what they are given.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <thread>
#include <vector>

#include "recording/export.h"
#include "recording/zet_file.h"
#include "support/temp_dir.h"

namespace zet {
namespace {

namespace fs = std::filesystem;
using testing::RunAsUser;
using testing::TempDir;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void Put(const std::string& path, const std::string& bytes, mode_t mode = 0644) {
  std::ofstream(path, std::ios::binary) << bytes;
  ::chmod(path.c_str(), mode);
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

Recording Small() {
  Recording rec;
  rec.header.nDevice = 7;
  rec.header.dPeriod = 1;
  rec.header.dRange = rec.header.dMaxRange = 10;
  rec.header.nChannels = 1;
  rec.channel1 = std::vector<float>{1.5f, -0.25f};
  rec.comment = "точка 4";
  return rec;
}

bool NoTemporaries(const fs::path& dir) {
  for (auto& e : fs::directory_iterator(dir))
    if (e.path().filename().string().find(".tmp-") != std::string::npos) return false;
  return true;
}

// Every kind of target a save can meet, and what must become of it.
TEST(FileSafety, WhatASaveMayReplaceAndHow) {
  const std::string fresh(reinterpret_cast<const char*>(EncodeZet(Small()).data()), EncodeZet(Small()).size());
  struct Case {
    const char* name;
    std::function<std::string(TempDir&)> setUp;  // returns the path to save to
    bool asUser;                                  // run the save as an ordinary user
    bool saved;
    std::function<void(TempDir&)> check;
  };
  const std::vector<Case> cases = {
      {"read-only file is left alone",
       [](TempDir& d) {
         ::chmod(d.path().c_str(), 0777);  // the folder would let a temporary in
         Put(d / "out.zet", "old", 0444);
         ::chown((d / "out.zet").c_str(), testing::kNobody, testing::kNobody);
         return d / "out.zet";
       },
       true, false,
       [](TempDir& d) {
         EXPECT_EQ(Slurp(d / "out.zet"), "old");
         EXPECT_EQ(ModeOf(d / "out.zet") & 07777, 0444u);
       }},
      {"replaced file keeps its mode",
       [](TempDir& d) {
         Put(d / "out.zet", "old", 0640);
         return d / "out.zet";
       },
       false, true, [](TempDir& d) { EXPECT_EQ(ModeOf(d / "out.zet") & 07777, 0640u); }},
      {"new file follows the umask",
       [](TempDir& d) {
         ::umask(027);
         return d / "new.zet";
       },
       false, true,
       [](TempDir& d) {
         ::umask(022);
         EXPECT_EQ(ModeOf(d / "new.zet") & 07777, 0640u);
       }},
      {"link stays a link to the replaced file",
       [](TempDir& d) {
         fs::create_directory(d / "real");
         Put(d / "real/target.zet", "old");
         fs::create_symlink("real/target.zet", d / "link.zet");
         return d / "link.zet";
       },
       false, true,
       [&](TempDir& d) {
         EXPECT_TRUE(S_ISLNK(ModeOf(d / "link.zet")));
         EXPECT_EQ(Slurp(d / "real/target.zet"), fresh);
         EXPECT_TRUE(NoTemporaries(d.path() / "real"));
       }},
      {"dangling link creates what it points to",
       [](TempDir& d) {
         fs::create_symlink("later.zet", d / "link.zet");
         return d / "link.zet";
       },
       false, true,
       [&](TempDir& d) {
         EXPECT_TRUE(S_ISLNK(ModeOf(d / "link.zet")));
         EXPECT_EQ(Slurp(d / "later.zet"), fresh);
       }},
      {"device node is written in place",
       [](TempDir& d) {
         // A private node of the null device: writes vanish, the node stays.
         if (::mknod((d / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) return std::string();
         return d / "null";
       },
       false, true, [](TempDir& d) { EXPECT_TRUE(S_ISCHR(ModeOf(d / "null"))); }},
      {"FIFO without a reader is refused at once",
       [](TempDir& d) {
         ::mkfifo((d / "pipe").c_str(), 0644);
         return d / "pipe";
       },
       false, false, [](TempDir& d) { EXPECT_TRUE(S_ISFIFO(ModeOf(d / "pipe"))); }},
      {"folder is refused",
       [](TempDir& d) {
         fs::create_directory(d / "dir.zet");
         return d / "dir.zet";
       },
       false, false, [](TempDir& d) { EXPECT_TRUE(fs::is_empty(d / "dir.zet")); }},
      {"writable file in a closed folder is written in place",
       [](TempDir& d) {
         fs::create_directory(d / "closed");
         Put(d / "closed/out.zet", "old", 0666);
         ::chmod((d / "closed").c_str(), 0555);
         return d / "closed/out.zet";
       },
       true, true, [&](TempDir& d) { EXPECT_EQ(Slurp(d / "closed/out.zet"), fresh); }},
  };
  // Unnamed temporaries, and named ones as on a file system without them.
  for (bool unnamed : {true, false})
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (unnamed ? "" : ", named temporary"));
    UseUnnamedTemporaries(unnamed);
    TempDir dir("zet-safety");
    ::chmod(dir.path().c_str(), 0755);
    const std::string path = c.setUp(dir);
    if (path.empty()) continue;  // not possible here (no right to make device nodes)
    auto save = [&] { return WriteZetFile(path, Small()).empty() ? 0 : 1; };
    const int rc = c.asUser ? RunAsUser(save) : save();
    EXPECT_EQ(rc, c.saved ? 0 : 1);
    if (c.saved && S_ISREG(ModeOf(path))) {
      EXPECT_EQ(Slurp(path), fresh);
    }
    c.check(dir);
    EXPECT_TRUE(NoTemporaries(dir.path()));
  }
  UseUnnamedTemporaries(true);
}

// A FIFO with someone reading gets the export as a stream and stays a FIFO.
TEST(FileSafety, ExportStreamsIntoAFifoWithAReader) {
  TempDir dir("zet-safety");
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  LogDocument doc;
  doc.SetRecording(Small());
  auto reader = std::async(std::launch::async, [&] { return Slurp(fifo); });
  std::string error;
  for (int tries = 0; tries < 200; ++tries) {  // until the reader has opened its end
    error = ExportSpreadsheet(doc, fifo);
    if (error.empty()) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(error, "");
  EXPECT_EQ(reader.get(), ExportText(doc));
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
}

// An interrupted or killed program leaves no half-written temporary behind,
// and still ends the way the signal ends it.
TEST(FileSafety, InterruptedWriterRemovesItsTemporary) {
  struct Case {
    int sig;
    bool unnamed;
  };
  for (Case c : {Case{SIGINT, true}, Case{SIGTERM, false}, Case{SIGHUP, false}, Case{SIGPIPE, false},
                 Case{SIGKILL, true}}) {
    const int sig = c.sig;
    SCOPED_TRACE(sig);
    TempDir dir("zet-safety");
    Put(dir / "out.xls", "old");
    const pid_t pid = fork();
    if (pid == 0) {
      UseUnnamedTemporaries(c.unnamed);
      RemoveTemporariesOnSignals();
      ReplacingFile f(dir / "out.xls");
      if (!f.Open() || !f.Write("partial", 7)) _exit(2);
      ::raise(sig);
      _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);
    EXPECT_TRUE(NoTemporaries(dir.path()));
    EXPECT_EQ(Slurp(dir / "out.xls"), "old");
  }
}

// A file-size limit turns an export into a failed write: reported, the
// target as it was, nothing left beside it.
TEST(FileSafety, FileSizeLimitFailsTheWrite) {
  for (bool unnamed : {true, false}) {
    SCOPED_TRACE(unnamed);
    TempDir dir("zet-safety");
    Put(dir / "out.xls", "old");
    const pid_t pid = fork();
    if (pid == 0) {
      UseUnnamedTemporaries(unnamed);
      RemoveTemporariesOnSignals();
      const rlimit limit{4096, 4096};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      LogDocument doc;
      Recording rec = Small();
      rec.channel1 = std::vector<float>(2000, 1.5f);
      doc.SetRecording(rec);
      const std::string error = ExportSpreadsheet(doc, dir / "out.xls");
      _exit(error.find("out.xls") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(NoTemporaries(dir.path()));
    EXPECT_EQ(Slurp(dir / "out.xls"), "old");
  }
}

// The file size limit for this process, as a full disk would stop a write.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit lim = old_;
    lim.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &lim);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int);
};

// A write that fails half-way (here: the file size limit, as a full disk
// would) reports the file and leaves the previous version and no debris.
TEST(FileSafety, FailedSaveLeavesTheOldFileUntouched) {
  TempDir dir("zet-safety");
  const std::string path = dir / "rec.zet";
  ASSERT_EQ(WriteZetFile(path, Small()), "");
  const auto before = Slurp(path);
  Recording big = Small();
  big.channel1 = std::vector<float>(100000, 1.0f);
  std::string msg;
  {
    FileSizeLimit limit(4096);
    msg = WriteZetFile(path, big);
  }
  EXPECT_NE(msg.find("rec.zet"), std::string::npos) << msg;
  EXPECT_EQ(Slurp(path), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1);

  EXPECT_FALSE(WriteZetFile(dir / "no-such-dir/rec.zet", Small()).empty());
}

// Opening a FIFO must not wait for a writer.
TEST(FileSafety, ReadingAFifoDoesNotWait) {
  TempDir dir("zet-safety");
  const std::string fifo = dir / "rec.zet";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  auto read = std::async(std::launch::async, [&] { return ReadZetFile(fifo); });
  if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    const int fd = ::open(fifo.c_str(), O_WRONLY);  // let the stuck reader go
    ::close(fd);
    FAIL() << "the reader waited for a writer";
  }
  EXPECT_EQ(read.get().status, ZetStatus::IoError);
}

// Counts or sizes no recorder can produce are damage, found before the
// file's body is read or memory taken for it.
TEST(FileSafety, ImpossiblySizedFilesAreDamagedBeforeReading) {
  TempDir dir("zet-safety");
  std::vector<std::uint8_t> bytes = EncodeZet(Small());
  const std::size_t countAt = 4 + 4 + 72 + 8;
  auto setCount = [&](std::int32_t n) { std::memcpy(&bytes[countAt], &n, 4); };

  setCount(kMaxSamples + 1);
  EXPECT_EQ(DecodeZet(bytes.data(), bytes.size()).status, ZetStatus::Damaged);

  // A 3 GB sparse file: with an impossible count, and with good counts but
  // more bytes than any recording has.
  for (std::int32_t count : {kMaxSamples + 1, 2}) {
    setCount(count);
    const std::string path = dir / "huge.zet";
    {
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    ASSERT_EQ(::truncate(path.c_str(), 3LL << 30), 0);
    ZetReadResult r = ReadZetFile(path);
    EXPECT_EQ(r.status, ZetStatus::Damaged);
    EXPECT_NE(r.message.find("повреждён"), std::string::npos) << r.message;
  }
}

// A comment goes back to the file exactly as it came, whatever its bytes,
// until someone edits it.
TEST(FileSafety, UneditedCommentKeepsItsBytes) {
  TempDir dir("zet-safety");
  Recording rec = Small();
  std::vector<std::uint8_t> bytes = EncodeZet(rec);
  const std::string odd = "a\xA0" "b\rc\r\r\nd\x98\n";
  bytes.resize(bytes.size() - Utf8ToCp1251(rec.comment).size() - 4);
  const std::uint32_t len = static_cast<std::uint32_t>(odd.size());
  bytes.insert(bytes.end(), reinterpret_cast<const std::uint8_t*>(&len),
               reinterpret_cast<const std::uint8_t*>(&len) + 4);
  bytes.insert(bytes.end(), odd.begin(), odd.end());

  ZetReadResult r = DecodeZet(bytes.data(), bytes.size());
  ASSERT_EQ(r.status, ZetStatus::Ok);
  LogDocument doc;
  doc.SetRecording(r.recording);
  EXPECT_EQ(EncodeZet(doc.GetRecording()), bytes);
  ASSERT_EQ(WriteZetFile(dir / "copy.zet", doc.GetRecording()), "");
  EXPECT_EQ(ReadZetFile(dir / "copy.zet").recording.commentBytes, odd);

  // Once edited, the text is what is stored.
  doc.m_strComment = "новый";
  doc.m_strCommentBytes.reset();
  EXPECT_EQ(StoredComment(doc.GetRecording()), Utf8ToCp1251("новый"));
}

}  // namespace
}  // namespace zet
