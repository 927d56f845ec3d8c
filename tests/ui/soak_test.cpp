// A long random day with the desktop program: every command that is enabled
// at the moment, files real, damaged and empty, both views, the mouse on the
// chart, the diagram's playback controls, the recorder on a virtual clock,
// every message box and file dialog answered at random. After every step the
// document must be consistent and no file touched that the walk did not
// choose to write.
//
// ZET_SOAK_STEPS sets the length (scripts/soak N), ZET_SOAK_SEED repeats a walk.
#include <gtest/gtest.h>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "chart/ui/log_view.h"
#include "diagram/ui/walking_view.h"
#include "instrument/program.h"
#include "instrument/ui/monitor_dialog.h"
#include "link/ui/progress_box.h"
#include "recording/zet_file.h"
#include "shell_support.h"
#include "support/temp_dir.h"

namespace zet::testing {
namespace {

using namespace zet::ui;
namespace fs = std::filesystem;

int EnvInt(const char* name, int def) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : def;
}

class RandomPrompts : public Prompts {
 public:
  explicit RandomPrompts(std::mt19937& rng) : rng_(rng) {}
  MsgAnswer Message(const std::string&, const std::string&, MsgButtons buttons, MsgIcon) override {
    auto pick = [&](std::initializer_list<MsgAnswer> a) { return *(a.begin() + rng_() % a.size()); };
    switch (buttons) {
      case MsgButtons::YesNo: return pick({MsgAnswer::Yes, MsgAnswer::No});
      case MsgButtons::YesNoCancel: return pick({MsgAnswer::Yes, MsgAnswer::No, MsgAnswer::Cancel});
      case MsgButtons::RetryCancel: return pick({MsgAnswer::Retry, MsgAnswer::Cancel, MsgAnswer::Cancel});
      case MsgButtons::OkCancel: return pick({MsgAnswer::Ok, MsgAnswer::Cancel});
      case MsgButtons::Ok: break;
    }
    return MsgAnswer::Ok;
  }
  void Beep() override {}

 private:
  std::mt19937& rng_;
};

// Answers a file dialog with one of the folder's files, a new name, an empty
// name or Cancel, and remembers every path it gave (they may be written).
class RandomFiles : public FileChooser {
 public:
  RandomFiles(std::mt19937& rng, QString dir) : rng_(rng), dir_(std::move(dir)) {}
  std::optional<QString> Choose(const FileRequest&) override {
    const int r = static_cast<int>(rng_() % 10);
    if (r == 0) return std::nullopt;
    if (r == 1) return QString();
    QString path;
    if (r < 5) {
      path = dir_ + QStringLiteral("/new%1").arg(rng_() % 5);
    } else {
      const QStringList names = QDir(dir_).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
      if (names.isEmpty()) return std::nullopt;
      path = dir_ + '/' + names[static_cast<int>(rng_() % names.size())];
    }
    given.insert(path.toStdString());
    given.insert((path + ".zet").toStdString());  // the default suffix may be added
    given.insert((path + ".xls").toStdString());
    return path;
  }
  std::set<std::string> given;

 private:
  std::mt19937& rng_;
  QString dir_;
};

Recording Survey(std::mt19937& rng, int channels, double period, int n) {
  Recording r = MakeRecording(static_cast<int>(rng() % 60000) + 1, channels, period, n);
  std::normal_distribution<float> noise(0.0f, 2.0f);
  for (float& v : *r.channel1) v = noise(rng);
  if (r.channel2 && !r.channel2->empty())
    for (float& v : *r.channel2) v = noise(rng);
  r.comment = "Участок " + std::to_string(rng() % 100);
  return r;
}

using Snapshot = std::map<std::string, std::string>;  // path -> content ("<dir>" for folders)

Snapshot Take(const fs::path& dir) {
  Snapshot s;
  for (auto& e : fs::directory_iterator(dir)) {
    if (e.is_directory()) {
      s[e.path().generic_string()] = "<dir>";
    } else {
      std::ifstream in(e.path(), std::ios::binary);
      s[e.path().generic_string()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
  }
  return s;
}

class Soak : public ::testing::Test {
 protected:
  void SetUp() override {
    seed_ = static_cast<std::uint32_t>(EnvInt("ZET_SOAK_SEED", static_cast<int>(std::random_device{}() & 0x7FFFFFFF)));
    steps_ = EnvInt("ZET_SOAK_STEPS", 3000);
    std::cout << "soak: " << steps_ << " steps, seed " << seed_ << " (repeat with ZET_SOAK_SEED=" << seed_
              << ")" << std::endl;
    RecordProperty("seed", static_cast<int>(seed_));
    rng_.seed(seed_);
    dir_ = std::make_unique<TempDir>("zet-soak");
    oldCwd_ = fs::current_path();
    fs::current_path(dir_->path());  // the raw data file "data" lands here

    auto write = [&](const char* name, const Recording& r) { ASSERT_EQ(WriteZetFile(*dir_ / name, r), ""); };
    write("survey.zet", Survey(rng_, 2, 1.0, 3000));
    write("fast.zet", Survey(rng_, 2, 0.0006, 20000));
    write("single.zet", Survey(rng_, 1, 0.5, 500));
    write("tiny.zet", Survey(rng_, 2, 2.0, 1));
    std::vector<std::uint8_t> bytes = EncodeZet(Survey(rng_, 2, 1.0, 200));
    std::ofstream(*dir_ / "cut.zet", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size() / 2));
    std::ofstream(*dir_ / "empty.zet").close();
    std::ofstream(*dir_ / "notes.zet") << "not a recording\n";
    fs::create_directory(*dir_ / "folder.zet");

    sim::Options o;
    sim::ImageOptions io;
    io.runs = 2;
    io.samplesPerRun = 300;
    o.image = sim::MakeSurveyImage(io);
    o.faults.noiseBeforeLead = 2;
    o.faults.wrongSumRate = 0.1;
    o.selfTestDelayMs = 800;
    recorder_ = std::make_unique<sim::RecorderSim>(o);
    device_ = std::make_unique<sim::SimSerialDevice>(*recorder_, clock_);
    settings_.GetPortName();
    settings_.GetBaudRate();
    settings_.GetSignals();
    prompts_ = std::make_unique<RandomPrompts>(rng_);
    files_ = std::make_unique<RandomFiles>(rng_, QString::fromStdString(dir_->path().generic_string()));
    channel_ = std::make_unique<SerialChannel>(*device_, settings_, clock_, *prompts_);
    doc_ = std::make_unique<CLogDoc>(settings_, *prompts_, *files_);
    FrameEnv env{settings_, *prompts_, *files_, *channel_, clock_,
                 [](QWidget*) -> std::unique_ptr<Progress> { return std::make_unique<RecordingProgress>(); },
                 {}};
    // The program dialog is modal: the walk sends a random program itself.
    env.hooks.programRecorder = [this](InstrumentEnv& e) {
      if (e.prompts.Message("?", "Внимание!", MsgButtons::YesNo, MsgIcon::Exclamation) != MsgAnswer::Yes) return;
      ProgramSettings ps;
      ps.autoRange = rng_() % 2;
      ps.rangeCode = static_cast<int>(rng_() % 4);
      ps.channelCode = static_cast<int>(rng_() % 2);
      ps.periodCode = static_cast<int>(rng_() % 9);
      RunProgram(e.channel, BuildProgramFrame(ps, e.clock.Now()));
    };
    env.hooks.selfTest = [](InstrumentEnv& e) { OnSelfTest(e); };
    env.hooks.createMonitor = [](InstrumentEnv& e, QWidget* parent) { return CreateMonitorDialog(e, parent); };
    env.hooks.monitorMode = [](InstrumentEnv& e, QDialog* d) { OnMonitorMode(e, d); };
    frame_ = std::make_unique<CMainFrame>(*doc_, std::move(env));
    frame_->resize(900, 600);
    frame_->show();
    doc_->chooseFont = [this](const QFont& f) -> std::optional<QFont> {
      if (rng_() % 3 == 0) return std::nullopt;
      QFont g = f;
      g.setPixelSize(static_cast<int>(8 + rng_() % 20));
      return g;
    };
    doc_->chooseShuntRating = [this](double) -> std::optional<double> {
      if (rng_() % 3 == 0) return std::nullopt;
      static const double ratings[] = {50, 75, 100, 150, 300};
      return ratings[rng_() % 5];
    };
    frame_->LogView()->chooseColor = [this](const QColor&) -> std::optional<QColor> {
      if (rng_() % 3 == 0) return std::nullopt;
      return QColor::fromRgb(rng_() & 0xFFFFFF);
    };
    doc_->OnNewDocument();
  }

  void TearDown() override {
    frame_.reset();
    doc_.reset();
    fs::current_path(oldCwd_);
  }

  // The commands a walk may give now: enabled, and not one that only opens a
  // modal dialog of the system (printing, page setup, About) or ends the program.
  std::vector<int> Offered() {
    frame_->UpdateCommandStates();
    static const std::set<int> kLeftOut = {ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PAGE_SETUP,
                                           ID_APP_ABOUT,  ID_APP_EXIT,           ID_PORT_SETTINGS};
    std::vector<int> ids;
    for (const CommandInfo& c : CommandTable())
      if (!kLeftOut.count(c.id) && frame_->MenuAction(c.id)->isEnabled()) ids.push_back(c.id);
    for (int i = 0; i < kRecentFileCount; ++i) {
      QAction* a = frame_->MenuAction(ID_FILE_MRU_FILE1 + i);
      if (a->isVisible() && a->isEnabled()) ids.push_back(ID_FILE_MRU_FILE1 + i);
    }
    return ids;
  }

  std::string Step() {
    const int kind = static_cast<int>(rng_() % 100);
    if (kind < 70) {
      const std::vector<int> ids = Offered();
      const int id = ids[rng_() % ids.size()];
      frame_->RouteCommand(id);
      ++given_[id];
      return "command " + std::to_string(id);
    }
    if (kind < 80 && frame_->IsDiagramMode()) {
      CWalkingView* v = frame_->WalkingView();
      switch (rng_() % 4) {
        case 0: v->OnSpeed(static_cast<int>(rng_() % 5)); return "diagram speed";
        case 1: v->OnStartStop(); return "diagram START/STOP";
        case 2:
          for (int k = static_cast<int>(rng_() % 50); k > 0; --k) v->OnTimer();
          return "diagram ticks";
        default:
          v->OnSweep(static_cast<SweepCode>(rng_() % 6), static_cast<int>(rng_() % 100000));
          return "diagram sweep";
      }
    }
    if (kind < 90 && !frame_->IsDiagramMode()) {
      QWidget* w = frame_->LogView()->viewport();
      auto at = [&] { return QPoint(static_cast<int>(rng_() % (w->width() + 20)) - 10, static_cast<int>(rng_() % (w->height() + 20)) - 10); };
      const Qt::MouseButton b = rng_() % 2 ? Qt::LeftButton : Qt::RightButton;
      QTest::mouseMove(w, at());
      QTest::mousePress(w, b, Qt::NoModifier, at());
      for (int k = static_cast<int>(rng_() % 4); k > 0; --k) QTest::mouseMove(w, at());
      QTest::mouseRelease(w, b, Qt::NoModifier, at());
      if (rng_() % 3 == 0) {
        QScrollBar* bar = rng_() % 2 ? frame_->LogView()->horizontalScrollBar() : frame_->LogView()->verticalScrollBar();
        bar->setValue(static_cast<int>(rng_() % (bar->maximum() + 2)));
      }
      return "mouse on the chart";
    }
    if (kind < 95) {
      frame_->CommentView()->insertPlainText(QString::fromUtf8(rng_() % 2 ? "ш" : "\n"));
      return "typing";
    }
    frame_->resize(static_cast<int>(300 + rng_() % 900), static_cast<int>(200 + rng_() % 700));
    return "resize";
  }

  void CheckDocument(const std::string& what) {
    SCOPED_TRACE(what);
    const LogDocument& d = doc_->Data();
    if (d.m_bFiltered && d.m_pChannel1) {
      EXPECT_TRUE(d.m_pChannel1Saved.has_value());
    }
    if (d.m_pChannel1Saved) {
      EXPECT_EQ(d.m_pChannel1Saved->size(), d.m_pChannel1->size());
    }
    EXPECT_TRUE(std::isfinite(d.m_dLimit) && d.m_dLimit >= 0 && d.m_dLimit <= 1000) << d.m_dLimit;
    frame_->UpdateCommandStates();
    EXPECT_EQ(frame_->windowTitle(), doc_->GetTitle() + " - ЗЕТ");
    const QString path = doc_->GetPathName();
    if (!path.isEmpty()) {
      EXPECT_EQ(doc_->GetTitle(), QFileInfo(path).fileName());
      EXPECT_TRUE(path.startsWith(QString::fromStdString(dir_->path().generic_string())));
    }
    for (const QString& f : doc_->RecentFiles())
      EXPECT_TRUE(f.startsWith(QString::fromStdString(dir_->path().generic_string()))) << f.toStdString();
    EXPECT_EQ(fs::current_path(), dir_->path());
    // The chart draws what its scroll bars say (with fewer than two samples it draws nothing).
    CLogView* chart = frame_->LogView();
    chart->Picture();
    if (chart->State().m_nSamples >= 2) {
      EXPECT_EQ(chart->State().m_ptScroll, chart->BarsPosition());
    }
  }

  // Only what the walk chose to write may have changed; nothing vanished, no debris.
  void CheckFiles(const Snapshot& before, const std::set<std::string>& mayWrite, const std::string& what) {
    SCOPED_TRACE(what);
    const Snapshot after = Take(dir_->path());
    for (const auto& [path, content] : before) {
      auto it = after.find(path);
      ASSERT_NE(it, after.end()) << path << " vanished";
      if (it->second != content) {
        EXPECT_TRUE(mayWrite.count(path)) << path << " changed";
      }
    }
    for (const auto& [path, content] : after) {
      EXPECT_EQ(path.find(".tmp-"), std::string::npos) << path;
      if (!before.count(path)) {
        EXPECT_TRUE(mayWrite.count(path)) << path << " appeared";
      }
    }
    // What a save wrote reads back as the document holds it.
    const std::string saved = doc_->GetPathName().toStdString();
    auto now = after.find(saved);
    if (!doc_->IsModified() && now != after.end() && (!before.count(saved) || before.at(saved) != now->second)) {
      ZetReadResult r = ReadZetFile(saved);
      ASSERT_EQ(r.status, ZetStatus::Ok) << saved;
      EXPECT_EQ(Count(r.recording.channel1), doc_->Data().Channel1Count()) << saved;
      EXPECT_EQ(Count(r.recording.channel2), doc_->Data().Channel2Count()) << saved;
    }
  }

  std::map<int, int> given_;  // command id -> times given
  std::uint32_t seed_ = 0;
  int steps_ = 0;
  std::mt19937 rng_;
  std::unique_ptr<TempDir> dir_;
  fs::path oldCwd_;
  VirtualClock clock_;
  MemorySettingsStore store_;
  AppSettings settings_{store_};
  std::unique_ptr<sim::RecorderSim> recorder_;
  std::unique_ptr<sim::SimSerialDevice> device_;
  std::unique_ptr<RandomPrompts> prompts_;
  std::unique_ptr<RandomFiles> files_;
  std::unique_ptr<SerialChannel> channel_;
  std::unique_ptr<CLogDoc> doc_;
  std::unique_ptr<CMainFrame> frame_;
};

TEST_F(Soak, RandomWalkThroughTheCommands) {
  for (int step = 0; step < steps_; ++step) {
    const Snapshot before = Take(dir_->path());
    std::set<std::string> mayWrite = {(dir_->path() / "data").generic_string()};
    if (!doc_->GetPathName().isEmpty()) mayWrite.insert(doc_->GetPathName().toStdString());
    files_->given.clear();
    const std::string what = "step " + std::to_string(step) + ": " + Step();
    QApplication::processEvents();
    mayWrite.insert(files_->given.begin(), files_->given.end());
    CheckDocument(what);
    CheckFiles(before, mayWrite, what);
    if (::testing::Test::HasFailure()) {
      std::cout << "soak: failed at " << what << " (seed " << seed_ << ")" << std::endl;
      return;
    }
  }
  std::cout << "soak: " << given_.size() << " different commands given:";
  for (const auto& [id, n] : given_) std::cout << ' ' << id << 'x' << n;
  std::cout << std::endl;
}

}  // namespace
}  // namespace zet::testing
