#pragma once
// A main frame with its document over an in-process recorder on a virtual
// clock, with every message box and file dialog scripted.
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "base/settings.h"
#include "app/file_chooser.h"
#include "app/main_frame.h"
#include "link/serial_channel.h"
#include "recording/ui/log_doc.h"
#include "sim/recorder_sim.h"
#include "sim/sim_serial_device.h"
#include "support/fakes.h"

namespace zet::testing {

class ScriptedFiles : public ui::FileChooser {
 public:
  std::optional<QString> Choose(const ui::FileRequest& request) override {
    requests.push_back(request);
    if (request.choiceTicked && !ticks.empty()) {
      *request.choiceTicked = ticks.front();
      ticks.pop_front();
    }
    if (answers.empty()) return std::nullopt;
    const bool chosen = answers.front().has_value();
    const QString a = chosen ? *answers.front() : QString();
    answers.pop_front();
    if (!chosen) return std::nullopt;
    return a;
  }
  std::vector<ui::FileRequest> requests;
  std::deque<std::optional<QString>> answers;  // nullopt = Cancel; then Cancel
  std::deque<bool> ticks;                      // the check boxes of the boxes that have one
};

// A recording as the views and panes see it.
inline Recording MakeRecording(int device, int channels, double period, int samples, bool channel2Array = true) {
  Recording r;
  r.header.nDevice = static_cast<std::uint16_t>(device);
  r.header.bDateKnown = 1;
  r.header.nYear = 2024;
  r.header.nMonth = 3;
  r.header.nDay = 5;
  r.header.nHour = 10;
  r.header.nMinute = 20;
  r.header.dPeriod = period;
  r.header.dRange = 10;
  r.header.dMaxRange = 10;
  r.header.nChannels = channels;
  r.channel1 = std::vector<float>(samples);
  for (int i = 0; i < samples; ++i) (*r.channel1)[i] = static_cast<float>((i % 7) - 3);
  if (channels == 2) r.channel2 = std::vector<float>(samples, 0.5f);
  else if (channel2Array) r.channel2 = std::vector<float>();
  r.supply = std::vector<float>(3, 5.5f);
  r.title = "Измерения7";
  return r;
}

// Pictures compared with zet-cli's or read back through pdftoppm: on Windows
// the window draws its text through the system's font engine while zet-cli
// draws with Qt's own, and there is no pdftoppm to read a PDF with.
#ifdef _WIN32
#define SKIP_PIXEL_COMPARISON_ON_WINDOWS() GTEST_SKIP() << "the window's text and zet-cli's differ in font engine here"
#else
#define SKIP_PIXEL_COMPARISON_ON_WINDOWS() static_cast<void>(0)
#endif

// The first page of a PDF file as a viewer shows it at dpi; null if it cannot be read.
inline QImage PdfPage(const QString& pdf, int dpi) {
  QProcess p;
  p.start(QStringLiteral("pdftoppm"), {"-png", "-r", QString::number(dpi), "-singlefile", pdf, pdf});
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  return QImage(pdf + ".png").convertToFormat(QImage::Format_RGB32);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(sim::Options{}); }

  void Build(sim::Options options) {
    frame.reset();
    doc.reset();
    recorder = std::make_unique<sim::RecorderSim>(std::move(options));
    device = std::make_unique<sim::SimSerialDevice>(*recorder, clock);
    settings.GetPortName();
    settings.GetBaudRate();
    settings.GetSignals();
    channel = std::make_unique<SerialChannel>(*device, settings, clock, prompts);
    doc = std::make_unique<ui::CLogDoc>(settings, prompts, files);
    ui::FrameEnv env{settings, prompts, files, *channel, clock,
                     [this](QWidget*) -> std::unique_ptr<Progress> {
                       auto p = std::make_unique<RecordingProgress>();
                       ++progressBoxes;
                       return p;
                     },
                     {}};
    env.hooks.createMonitor = [](ui::InstrumentEnv&, QWidget* parent) { return new QDialog(parent); };
    frame = std::make_unique<ui::CMainFrame>(*doc, std::move(env));
    frame->resize(900, 600);
    doc->OnNewDocument();
    frame->UpdateCommandStates();
  }

  ui::CommandState State(int id) {
    frame->UpdateCommandStates();
    ui::CommandState s;
    QAction* a = frame->MenuAction(id);
    s.enabled = a->isEnabled();
    s.checked = a->isChecked();
    return s;
  }

  QString Path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

  QTemporaryDir dir;
  MemorySettingsStore store;
  AppSettings settings{store};
  ScriptedPrompts prompts;
  ScriptedFiles files;
  VirtualClock clock;
  std::unique_ptr<sim::RecorderSim> recorder;
  std::unique_ptr<sim::SimSerialDevice> device;
  std::unique_ptr<SerialChannel> channel;
  std::unique_ptr<ui::CLogDoc> doc;
  std::unique_ptr<ui::CMainFrame> frame;
  int progressBoxes = 0;
};

}  // namespace zet::testing
