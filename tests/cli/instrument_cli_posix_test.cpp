// zet-cli's instrument commands end to end: a simulated recorder served by
// `zet-cli simulate` on a real pseudo-terminal, the commands run against it.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "recording/zet_file.h"
#include "sim/recorder_sim.h"

namespace zet {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out, err;
};

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

pid_t Spawn(const std::vector<std::string>& args, int outFd, int errFd) {
  pid_t pid = fork();
  if (pid == 0) {
    dup2(outFd, 1);
    dup2(errFd, 2);
    std::vector<char*> argv;
    std::string exe = ZET_CLI_PATH;
    argv.push_back(exe.data());
    for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

class InstrumentCli : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zet-cli-testXXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    // Throw-away settings: the run counter and port name live here.
    setenv("HOME", dir_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
  }
  void TearDown() override {
    StopSimulator();
    fs::remove_all(dir_);
  }

  // A command still running after limitSeconds (when given) is killed: code -1.
  Result Cli(const std::vector<std::string>& args, int limitSeconds = 0) {
    fs::path out = dir_ / "out.txt", err = dir_ / "err.txt";
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = Spawn(args, o, e);
    close(o);
    close(e);
    int status = 0;
    for (int waited = 0; limitSeconds > 0 && waitpid(pid, &status, WNOHANG) == 0; waited += 50) {
      if (waited >= limitSeconds * 1000) kill(pid, SIGKILL);
      usleep(50000);
    }
    if (limitSeconds == 0) waitpid(pid, &status, 0);
    Result r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
  }

  // Starts `zet-cli simulate` and returns the device path it prints first.
  std::string StartSimulator(const std::vector<std::string>& options) {
    int p[2];
    if (pipe(p) != 0) return {};
    int err = open((dir_ / "sim-err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> args = {"simulate"};
    args.insert(args.end(), options.begin(), options.end());
    sim_ = Spawn(args, p[1], err);
    close(p[1]);
    close(err);
    std::string line;
    char c;
    pollfd pf{p[0], POLLIN, 0};
    while (poll(&pf, 1, 10000) > 0 && read(p[0], &c, 1) == 1 && c != '\n') line += c;
    close(p[0]);
    return line;
  }

  void StopSimulator() {
    if (sim_ > 0) {
      kill(sim_, SIGTERM);
      int status = 0;
      waitpid(sim_, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "simulate did not stop cleanly";
      sim_ = -1;
    }
  }

  fs::path dir_;
  pid_t sim_ = -1;
};

TEST_F(InstrumentCli, DownloadWritesEveryRunExactlyAndNeverOverwrites) {
  std::string port = StartSimulator({"--runs", "2", "--samples", "150", "--seed", "3", "--noise", "3",
                                     "--wrong-sums", "0.2", "--selftest-delay", "0"});
  ASSERT_EQ(port.rfind("/dev/pts/", 0), 0u) << port;
  fs::path out = dir_ / "runs";
  fs::create_directory(out);
  // A file of an earlier download under the first title must survive.
  std::ofstream(out / "Измерения1.zet") << "keep";

  Result r = Cli({"download", "--port", port, "--out-dir", out.string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Slurp(out / "Измерения1.zet"), "keep");
  EXPECT_NE(r.err.find("exists"), std::string::npos) << r.err;
  std::vector<std::string> paths;
  std::istringstream lines(r.out);
  for (std::string l; std::getline(lines, l);) paths.push_back(l);
  ASSERT_EQ(paths.size(), 2u) << r.out;
  EXPECT_EQ(fs::path(paths[0]).filename(), "Измерения1 (2).zet");
  EXPECT_EQ(fs::path(paths[1]).filename(), "Измерения2.zet");

  sim::ImageOptions io;
  io.runs = 2;
  io.samplesPerRun = 150;
  io.seed = 3;
  sim::Image want = sim::MakeSurveyImage(io);
  for (std::size_t k = 0; k < 2; ++k) {
    ZetReadResult z = ReadZetFile(paths[k]);
    ASSERT_EQ(z.status, ZetStatus::Ok) << z.message;
    const Recording& rec = z.recording;
    EXPECT_EQ(rec.header.nDevice, io.device);
    const sim::ImageRun& run = want.runs[k];
    ASSERT_EQ(Count(rec.channel1), static_cast<int>(run.channel1.size()));
    ASSERT_EQ(Count(rec.channel2), static_cast<int>(run.channel2.size()));
    ASSERT_EQ(Count(rec.supply), static_cast<int>(run.supply.size()));
    for (std::size_t i = 0; i < run.channel1.size(); ++i) {
      ASSERT_EQ((*rec.channel1)[i], ChannelVolts(run.channel1[i])) << k << ":" << i;
      ASSERT_EQ((*rec.channel2)[i], ChannelVolts(run.channel2[i])) << k << ":" << i;
    }
    for (std::size_t i = 0; i < run.supply.size(); ++i)
      ASSERT_EQ((*rec.supply)[i], SupplyVolts(run.supply[i]));
  }

  // The same recorder answers the other commands.
  Result test = Cli({"selftest", "--port", port});
  EXPECT_EQ(test.code, 0) << test.err;
  EXPECT_EQ(test.out, "ЗЕТ: Проверка прибора - норма !\n");
  // The caption carries the recorder's number, as in the desktop program.
  Result prog = Cli({"program", "--port", port, "--range", "0.1", "--channels", "2", "--period", "10"});
  EXPECT_EQ(prog.code, 0) << prog.err;
  EXPECT_EQ(prog.out.rfind("Прибор 1234: Команду принял правильно\nПослано :", 0), 0u) << prog.out;
  EXPECT_NE(prog.out.find("F4   11110100\tF4   11110100\n"), std::string::npos);
}

TEST_F(InstrumentCli, FailuresHaveTheirExitCodes) {
  std::string port = StartSimulator({"--silent"});
  ASSERT_FALSE(port.empty());
  // The silent recorder: a no-answer costs the read time-outs (about 5 s), so
  // only the self-test, which must wait 15 s, is left out here.
  Result r = Cli({"download", "--port", port, "--out-dir", dir_.string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("Прибор не отвечает !"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Получена неправильная преамбула данных."), std::string::npos);

  EXPECT_EQ(Cli({"download", "--port", "/nonexistent/tty"}).code, 3);
  std::ofstream(dir_ / "file") << "x";
  EXPECT_EQ(Cli({"download", "--port", port, "--out-dir", (dir_ / "file" / "sub").string()}).code, 3);
  EXPECT_EQ(Cli({"download", "--signals", "1000000000"}).code, 2);
  EXPECT_EQ(Cli({"program", "--range", "3"}).code, 2);
  EXPECT_EQ(Cli({"program", "--period", "continuous", "--start", "2030-01-01 10:00"}).code, 2);
  EXPECT_EQ(Cli({"program", "--start", "2030-02-30 10:00"}).code, 2);
  for (const char* c : {"download", "program", "monitor", "selftest", "simulate"}) {
    Result h = Cli({c, "--help"});
    EXPECT_EQ(h.code, 0) << c;
    EXPECT_NE(h.out.find("Usage: zet-cli "), std::string::npos) << c;
  }
}

// A download that stops short writes what came, says how much, and fails:
// a script must be able to tell it from a complete one.
TEST_F(InstrumentCli, DownloadThatStopsShortKeepsTheRunsAndFails) {
  struct Case {
    const char* fault;
    bool interrupt;
    int code;
    const char* says;
  };
  for (const Case& c : {Case{"--hang-up-after", false, 1, "the port hung up; 1536 of "},
                        Case{"--silent-after", true, 130, "interrupted; 1536 of "}}) {
    SCOPED_TRACE(c.fault);
    std::string port = StartSimulator({"--runs", "2", "--samples", "500", c.fault, "3"});
    ASSERT_EQ(port.rfind("/dev/pts/", 0), 0u) << port;
    const fs::path out = dir_ / c.fault / "new";  // made on the way
    fs::path o = dir_ / "o.txt", e = dir_ / "e.txt";
    int ofd = open(o.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int efd = open(e.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = Spawn({"download", "--port", port, "--out-dir", out.string()}, ofd, efd);
    close(ofd);
    close(efd);
    if (c.interrupt) {
      // Ctrl-C once the recorder has fallen silent.
      for (int i = 0; i < 100 && Slurp(e).empty(); ++i) usleep(20000);
      usleep(1500000);
      kill(pid, SIGINT);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    StopSimulator();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), c.code);
    const std::string err = Slurp(e);
    EXPECT_NE(err.find(c.says), std::string::npos) << err;
    const std::string written = Slurp(o);
    ASSERT_FALSE(written.empty()) << err;
    ZetReadResult z = ReadZetFile(written.substr(0, written.find('\n')));
    ASSERT_EQ(z.status, ZetStatus::Ok);
    // Three blocks of the first run's 500 sample pairs came.
    EXPECT_GT(Count(z.recording.channel1), 300);
    EXPECT_LT(Count(z.recording.channel1), 500);
  }
}

// A line that hangs up, or a recorder whose every block arrives spoilt, ends
// the command soon, with the exit code of what happened.
TEST_F(InstrumentCli, LineFaultsEndTheCommandAtOnce) {
  struct Case {
    std::vector<std::string> fault, command;
    int code;
    const char* says;
    int withinSeconds;
  };
  const std::vector<Case> cases = {
      {{"--hang-up-after-frames", "1"}, {"monitor", "--count", "5"}, 3, "Port error", 10},
      {{"--hang-up-after-frames", "0"}, {"selftest"}, 3, "Port error", 5},
      {{"--wrong-sums", "1"}, {"download", "--give-up", "2", "--out-dir", (dir_ / "runs").string()}, 1,
       "no block arrived unspoilt for 2 s; 0 of ", 15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command[0]);
    std::vector<std::string> options = c.fault;
    options.insert(options.end(), {"--selftest-delay", "0"});
    std::string port = StartSimulator(options);
    ASSERT_EQ(port.rfind("/dev/pts/", 0), 0u) << port;
    std::vector<std::string> args = c.command;
    args.insert(args.end(), {"--port", port});
    Result r = Cli(args, c.withinSeconds);
    StopSimulator();
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
}

// The line levels stored by the port dialog are the ones used, unless
// --signals says otherwise; --trace shows what was asked of the port.
TEST_F(InstrumentCli, LineLevelsComeFromTheSettings) {
  fs::create_directories(dir_ / "config" / "Вистен");
  std::ofstream(dir_ / "config" / "Вистен" / "ЗЕТ.conf") << "[Port]\nSignals=16777472\n";  // 0x01000100
  std::string port = StartSimulator({"--selftest-delay", "0"});
  ASSERT_FALSE(port.empty());
  auto levels = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"selftest", "--port", port, "--trace", (dir_ / "trace.txt").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(Cli(args).code, 0);
    std::istringstream trace(Slurp(dir_ / "trace.txt"));
    std::string seen;
    for (std::string l; std::getline(trace, l);)
      if (l.rfind("rts", 0) == 0 || l.rfind("dtr", 0) == 0) seen += l + ";";
    return seen;
  };
  // Sending, then receiving: RTS first, then DTR.
  EXPECT_EQ(levels({}), "rts 0;dtr 1;rts 0;dtr 1;");
  EXPECT_EQ(levels({"--signals", "00000001"}), "rts 1;dtr 0;rts 0;dtr 0;");
}

}  // namespace
}  // namespace zet
