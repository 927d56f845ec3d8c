#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "app/log_app.h"
#include "link/download.h"
#include "link/ui/instrument_session.h"
#include "recording/zet_file.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using namespace zet::ui;

sim::Options ThreeRuns() {
  sim::Options o;
  sim::ImageOptions img;
  img.runs = 3;
  img.channels = 2;
  img.samplesPerRun = 300;
  img.device = 4321;
  o.image = sim::MakeSurveyImage(img);
  return o;
}

class GetDataTest : public ShellTest {
 protected:
  void SetUp() override { Build(ThreeRuns()); }
};

TEST_F(GetDataTest, EveryRunButTheLastIsOfferedForSaving) {
  files.answers = {Path("first.zet"), std::nullopt};  // keep run 1, drop run 2
  frame->RouteCommand(ID_GET_DATA);

  EXPECT_EQ(progressBoxes, 1);
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[0].initialName, QString::fromUtf8("Измерения1"));
  EXPECT_EQ(files.requests[0].choice, QString::fromUtf8(kSaveAllRunsChoice));
  // The next box starts in the folder the first one saved in.
  EXPECT_EQ(files.requests[1].initialName, Path("Измерения2"));
  // Run 2 was given up only when the user said so.
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Запись «Измерения2» не сохранена. Отказаться от неё?");
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::YesNo);
  ZetReadResult first = ReadZetFile(Path("first.zet").toStdString());
  ASSERT_EQ(first.status, ZetStatus::Ok);
  EXPECT_EQ(first.recording.header.nDevice, 4321);
  EXPECT_EQ(Count(first.recording.channel1), 300);

  // The last run stays in the document, titled and modified.
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Измерения3"));
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->Data().Channel1Count(), 300);
  EXPECT_EQ(store.ReadInt("Last", "Measurement", 0), 4);
  EXPECT_EQ(frame->PaneText(1), QString::fromUtf8("Прибор № 4321"));
  EXPECT_EQ(frame->PaneText(3), QString::fromUtf8("Два канала"));
  EXPECT_TRUE(State(ID_VIEW_STRAY_CURRENTS).enabled);
}

// "Нет" at the question opens the box again: a run is never lost by one
// cancelled box.
TEST_F(GetDataTest, CancelledSaveBoxAsksAndNoOpensItAgain) {
  files.answers = {std::nullopt, Path("one.zet")};
  prompts.answers = {MsgAnswer::No};
  frame->RouteCommand(ID_GET_DATA);
  ASSERT_EQ(prompts.calls.size(), 2u);  // run 1 kept at the second try, run 2 given up
  EXPECT_EQ(prompts.calls[0].text, "Запись «Измерения1» не сохранена. Отказаться от неё?");
  ASSERT_EQ(files.requests.size(), 3u);
  EXPECT_EQ(files.requests[1].initialName, QString::fromUtf8("Измерения1"));
  ZetReadResult one = ReadZetFile(Path("one.zet").toStdString());
  ASSERT_EQ(one.status, ZetStatus::Ok);
  EXPECT_EQ(Count(one.recording.channel1), 300);
}

// One tick sends this run and every later one into the chosen folder under
// its title; a name already taken there is asked for instead.
TEST_F(GetDataTest, AllRunsIntoOneFolder) {
  QDir(dir.path()).mkdir("survey");
  QFile taken(Path("survey/Измерения2.zet"));
  ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
  taken.write("keep");
  taken.close();
  files.answers = {Path("survey/first.zet"), Path("survey/second.zet")};
  files.ticks = {true};
  frame->RouteCommand(ID_GET_DATA);

  EXPECT_TRUE(prompts.calls.empty());
  ASSERT_EQ(files.requests.size(), 2u);
  EXPECT_EQ(files.requests[1].initialName, Path("survey/Измерения2"));
  EXPECT_TRUE(files.requests[1].choice.isEmpty());
  EXPECT_EQ(ReadZetFile(Path("survey/first.zet").toStdString()).status, ZetStatus::Ok);
  EXPECT_EQ(ReadZetFile(Path("survey/second.zet").toStdString()).status, ZetStatus::Ok);
  QFile kept(Path("survey/Измерения2.zet"));
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArray("keep"));
  // The last run is saved there too and stays in the window.
  EXPECT_EQ(doc->GetPathName(), Path("survey/Измерения3.zet"));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(ReadZetFile(Path("survey/Измерения3.zet").toStdString()).status, ZetStatus::Ok);
}

TEST_F(GetDataTest, CancelAtTheSavePromptStartsNothing) {
  doc->LoadRun(MakeRecording(5, 1, 0.5, 10));
  prompts.answers = {MsgAnswer::Cancel};
  frame->RouteCommand(ID_GET_DATA);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::YesNoCancel);
  EXPECT_EQ(device->opens, 0);
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Измерения7"));
  EXPECT_EQ(doc->Data().Channel1Count(), 10);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(GetDataTest, RawDataOptionWritesTheReceivedImage) {
  const QString cwd = QDir::currentPath();
  QDir::setCurrent(dir.path());
  frame->RouteCommand(ID_RAW_DATA_FILE);
  files.answers = {std::nullopt, std::nullopt};
  frame->RouteCommand(ID_GET_DATA);
  QDir::setCurrent(cwd);
  QFile raw(Path("data"));
  ASSERT_TRUE(raw.exists());
  EXPECT_EQ(raw.size(), static_cast<qint64>(recorder->GetOptions().image.bytes.size()));
}

TEST_F(GetDataTest, SilentRecorderLeavesAnEmptyDocument) {
  sim::Options o = ThreeRuns();
  o.faults.silent = true;
  Build(o);
  doc->LoadRun(MakeRecording(5, 1, 0.5, 10));
  prompts.answers = {MsgAnswer::No};
  frame->RouteCommand(ID_GET_DATA);
  ASSERT_EQ(prompts.calls.size(), 3u);  // save?, no answer, bad preamble
  EXPECT_EQ(prompts.calls[1].text, kNoAnswerMessage);
  EXPECT_EQ(prompts.calls[2].text, kBadPreambleMessage);
  EXPECT_EQ(doc->Data().Channel1Count(), 0);
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Без названия"));
  EXPECT_FALSE(doc->IsModified());
  EXPECT_TRUE(files.requests.empty());
}

TEST_F(GetDataTest, EmptyMemoryStillNamesTheRecorderInThePanes) {
  sim::Options o = ThreeRuns();
  o.image.bytes.clear();
  Build(o);
  doc->LoadRun(MakeRecording(5, 1, 0.5, 10));
  doc->SetModifiedFlag(false);
  frame->RouteCommand(ID_GET_DATA);

  EXPECT_TRUE(prompts.calls.empty());
  EXPECT_EQ(progressBoxes, 1);  // made by the frame; the transfer never opened it
  EXPECT_TRUE(files.requests.empty());
  EXPECT_EQ(doc->Data().Channel1Count(), 0);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Без названия"));
  // The preamble's header, not the one of the recording that was thrown away.
  EXPECT_EQ(frame->PaneText(1), QString::fromUtf8("Прибор № 4321"));
  EXPECT_EQ(frame->PaneText(3), QString::fromUtf8("Два канала"));
  EXPECT_TRUE(frame->PaneText(4).startsWith("14.05.")) << frame->PaneText(4).toStdString();
  EXPECT_EQ(store.ReadInt("Last", "Measurement", 0), 0);
}

// ---- the application --------------------------------------------------------

TEST(LogAppStart, FirstStartWithEmptySettings) {
  QSettings(QSettings::NativeFormat, QSettings::UserScope, "Вистен", "ЗЕТ").clear();
  ScriptedPrompts prompts;
  ScriptedFiles files;
  CLogApp app(&prompts, &files);
  ASSERT_EQ(app.InitInstance({}), 0);
  EXPECT_TRUE(prompts.calls.empty());
  EXPECT_EQ(app.Settings().m_strPortName, "COM2:");
  EXPECT_EQ(app.Settings().m_strBaudRate, "10416");
  EXPECT_EQ(app.Settings().m_dwSignals, 0u);
  EXPECT_EQ(app.Settings().m_rcMargins, Margins{});
  EXPECT_EQ(app.Doc().GetTitle(), QString::fromUtf8("Без названия"));
  ASSERT_NE(app.Frame(), nullptr);
  EXPECT_TRUE(app.Frame()->isVisible());
  QSettings stored(QSettings::NativeFormat, QSettings::UserScope, "Вистен", "ЗЕТ");
  EXPECT_EQ(stored.value("Font/FaceName").toString(), "Arial");
  EXPECT_EQ(stored.value("Font/CharSet").toInt(), 204);
}

TEST(LogAppStart, NamedFileOpensAndAMissingOneEndsTheProgram) {
  QTemporaryDir dir;
  const QString path = dir.filePath("survey.ZET");
  ASSERT_EQ(WriteZetFile(path.toStdString(), MakeRecording(12, 1, 2, 50)), "");
  {
    ScriptedPrompts prompts;
    ScriptedFiles files;
    CLogApp app(&prompts, &files);
    ASSERT_EQ(app.InitInstance({path}), 0);
    EXPECT_EQ(app.Doc().GetTitle(), "survey.ZET");
    EXPECT_EQ(app.Frame()->PaneText(1), QString::fromUtf8("Прибор № 12"));
  }
  ScriptedPrompts prompts;
  ScriptedFiles files;
  CLogApp app(&prompts, &files);
  EXPECT_NE(app.InitInstance({dir.filePath("missing.zet")}), 0);
  EXPECT_EQ(prompts.calls.size(), 1u);
}

}  // namespace
}  // namespace zet::testing
