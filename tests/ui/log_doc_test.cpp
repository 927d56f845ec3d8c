#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "recording/ui/shunt_dlg.h"
#include "recording/zet_file.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using namespace zet::ui;

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  f.open(QIODevice::ReadOnly);
  return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

class LogDocTest : public ShellTest {
 protected:
  // A saved continuous two-channel recording, opened.
  QString OpenFastRecording() {
    QString path = Path("fast.zet");
    Recording r = MakeRecording(9, 2, 0.0006, 200);
    r.comment = "Участок 3\nтруба";
    EXPECT_EQ(WriteZetFile(path.toStdString(), r), "");
    EXPECT_TRUE(doc->OnOpenDocument(path));
    return path;
  }
};

TEST_F(LogDocTest, OpenShowsTheRecordingItsCommentAndName) {
  QString path = OpenFastRecording();
  EXPECT_EQ(doc->GetTitle(), "fast.zet");
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->Data().Channel1Count(), 200);
  EXPECT_EQ(frame->CommentView()->toPlainText(), QString::fromUtf8("Участок 3\nтруба"));
  EXPECT_EQ(doc->RecentFiles().value(0), path);
  EXPECT_EQ(store.ReadString("Recent File List", "File1", ""), path.toStdString());
  // Typing in the comment pane changes the document.
  frame->CommentView()->appendPlainText("x");
  EXPECT_TRUE(doc->IsModified());
}

// A refused file never becomes the document's file, so no later save can
// replace it with an empty recording.
TEST_F(LogDocTest, WrongMagicLeavesAnUntitledDocumentThatAsksForAName) {
  OpenFastRecording();
  const RecordingHeader before = doc->Data().m_header;
  const QString comment = frame->CommentView()->toPlainText();
  QString bad = Path("victim.zet");
  const QByteArray text("plain text, not a recording\n");
  WriteBytes(bad, text);
  prompts.calls.clear();

  EXPECT_FALSE(doc->OnOpenDocument(bad));
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, kWrongFormatMessage);
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Без названия"));
  EXPECT_FALSE(doc->RecentFiles().contains(bad));
  EXPECT_EQ(doc->Data().Channel1Count(), 0);
  EXPECT_FALSE(doc->Data().m_pChannel1.has_value());
  EXPECT_EQ(doc->Data().m_header, before);
  EXPECT_EQ(frame->CommentView()->toPlainText(), comment);
  frame->RouteCommand(ID_FILE_SAVE);  // asks for a name; cancelled
  EXPECT_EQ(files.requests.size(), 1u);
  EXPECT_EQ(ReadAll(bad), text);

  // A file of length 0 opens quietly under its name, with nothing in it.
  QString empty = Path("empty.zet");
  WriteBytes(empty, QByteArray());
  prompts.calls.clear();
  EXPECT_TRUE(doc->OnOpenDocument(empty));
  EXPECT_TRUE(prompts.calls.empty());
  EXPECT_EQ(doc->GetTitle(), "empty.zet");
  EXPECT_EQ(doc->Data().Channel1Count(), 0);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->Data().m_header, before);
}

// The comment goes back byte for byte until it is edited; a comment of one
// enormous word still lets the pane lay it out at once and edit it.
TEST_F(LogDocTest, CommentBytesSurviveASaveUntilEdited) {
  Recording r = MakeRecording(9, 1, 1, 5);
  std::vector<std::uint8_t> bytes = EncodeZet(r);
  bytes.resize(bytes.size() - 4 - Utf8ToCp1251(r.comment).size());
  auto withComment = [&](const std::string& c) {
    std::vector<std::uint8_t> b = bytes;
    const std::uint32_t n = static_cast<std::uint32_t>(c.size());
    b.insert(b.end(), reinterpret_cast<const std::uint8_t*>(&n), reinterpret_cast<const std::uint8_t*>(&n) + 4);
    b.insert(b.end(), c.begin(), c.end());
    return QByteArray(reinterpret_cast<const char*>(b.data()), static_cast<qsizetype>(b.size()));
  };
  const QByteArray original = withComment("a\xA0" "b\rc\r\r\nd");
  WriteBytes(Path("odd.zet"), original);
  ASSERT_TRUE(doc->OnOpenDocument(Path("odd.zet")));
  files.answers = {Path("copy.zet")};
  frame->RouteCommand(ID_FILE_SAVE_AS);
  EXPECT_EQ(ReadAll(Path("copy.zet")), original);

  frame->CommentView()->setPlainText(QString::fromUtf8("правка\nвторая"));
  frame->RouteCommand(ID_FILE_SAVE);
  EXPECT_EQ(ReadAll(Path("copy.zet")), withComment(Utf8ToCp1251("правка\nвторая")));

  const std::string word(kMaxCommentBytes, 'w');
  WriteBytes(Path("long.zet"), withComment(word));
  ASSERT_TRUE(doc->OnOpenDocument(Path("long.zet")));
  QPlainTextEdit* pane = frame->CommentView();
  EXPECT_EQ(pane->wordWrapMode(), QTextOption::WrapAnywhere);
  EXPECT_EQ(pane->toPlainText().size(), static_cast<qsizetype>(word.size()));
  pane->moveCursor(QTextCursor::End);
  pane->insertPlainText("!");
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(pane->toPlainText().endsWith('!'));
  // Ordinary text keeps word wrapping, and a long word pasted later switches.
  ASSERT_TRUE(doc->OnOpenDocument(Path("odd.zet")));
  EXPECT_NE(pane->wordWrapMode(), QTextOption::WrapAnywhere);
  pane->insertPlainText(QString(5000, 'x'));
  EXPECT_EQ(pane->wordWrapMode(), QTextOption::WrapAnywhere);
}

TEST_F(LogDocTest, DamagedFileLeavesAnEmptyUntitledDocument) {
  QString path = OpenFastRecording();
  QByteArray bytes = ReadAll(path);
  QString cut = Path("cut.zet");
  WriteBytes(cut, bytes.left(bytes.size() / 2));
  prompts.calls.clear();

  EXPECT_FALSE(doc->OnOpenDocument(cut));
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_FALSE(prompts.calls[0].text.empty());
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Без названия"));
  EXPECT_EQ(doc->Data().Channel1Count(), 0);
  EXPECT_EQ(doc->Data().m_header, RecordingHeader{});
  EXPECT_EQ(frame->CommentView()->toPlainText(), QString::fromUtf8("Комментарий"));
  EXPECT_FALSE(doc->RecentFiles().contains(cut));
}

TEST_F(LogDocTest, FilteredDataNeverOverwriteTheirOwnFile) {
  QString path = OpenFastRecording();
  const QByteArray original = ReadAll(path);
  frame->RouteCommand(ID_FILTER);
  ASSERT_TRUE(doc->Data().m_bFiltered);
  EXPECT_NE((*doc->Data().m_pChannel1)[0], -3.0f);

  frame->RouteCommand(ID_FILE_SAVE);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text,
            "В результате применения операции \"Фильтрация\" данные были изменены. Сохранение данных "
            "возможно в файле с другим именем.");
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::Ok);
  EXPECT_EQ(ReadAll(path), original);

  // The same file under another spelling is still the same file.
  files.answers = {dir.path() + "/./fast.zet"};
  frame->RouteCommand(ID_FILE_SAVE_AS);
  EXPECT_EQ(prompts.calls.size(), 2u);
  EXPECT_EQ(ReadAll(path), original);

  // A new name is fine, and becomes the one refused next.
  files.answers = {Path("smooth")};
  frame->RouteCommand(ID_FILE_SAVE_AS);
  EXPECT_EQ(prompts.calls.size(), 2u);
  EXPECT_EQ(doc->GetTitle(), "smooth.zet");
  ZetReadResult saved = ReadZetFile(Path("smooth.zet").toStdString());
  ASSERT_EQ(saved.status, ZetStatus::Ok);
  EXPECT_EQ(*saved.recording.channel1, *doc->Data().m_pChannel1);
  frame->RouteCommand(ID_FILE_SAVE);
  EXPECT_EQ(prompts.calls.size(), 3u);

  // Undoing the filter allows the plain save again.
  frame->RouteCommand(ID_INITIAL_VIEW);
  EXPECT_FALSE(doc->Data().m_bFiltered);
  EXPECT_EQ((*doc->Data().m_pChannel1)[0], -3.0f);
  frame->RouteCommand(ID_FILE_SAVE);
  EXPECT_EQ(prompts.calls.size(), 3u);
}

TEST_F(LogDocTest, SavePromptDecidesWhetherNewGoesOn) {
  doc->LoadRun(MakeRecording(5, 1, 0.5, 10));
  ASSERT_TRUE(doc->IsModified());
  prompts.answers = {MsgAnswer::Cancel};
  EXPECT_FALSE(doc->SaveModified());
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_EQ(prompts.calls[0].text, "Сохранить изменения, сделанные в файле Измерения7 ?");
  EXPECT_EQ(prompts.calls[0].buttons, MsgButtons::YesNoCancel);

  // Yes on an untitled run asks for a name, proposing its title.
  prompts.answers = {MsgAnswer::Yes};
  files.answers = {Path("run7.zet")};
  EXPECT_TRUE(doc->SaveModified());
  EXPECT_EQ(files.requests.back().initialName, QString::fromUtf8("Измерения7"));
  EXPECT_EQ(files.requests.back().filters.value(0), QString::fromUtf8("Данные Регистратора (*.zet)"));
  EXPECT_TRUE(QFile::exists(Path("run7.zet")));
  EXPECT_FALSE(doc->IsModified());

  frame->RouteCommand(ID_FILE_NEW);  // not modified: no question
  EXPECT_EQ(prompts.calls.size(), 2u);
  EXPECT_EQ(doc->GetTitle(), QString::fromUtf8("Без названия"));
}

TEST_F(LogDocTest, SaveErrorKeepsTheDocumentModifiedAndSays) {
  doc->LoadRun(MakeRecording(5, 1, 0.5, 10));
  files.answers = {Path("no/such/dir/x.zet")};
  frame->RouteCommand(ID_FILE_SAVE);
  ASSERT_EQ(prompts.calls.size(), 1u);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->GetPathName(), QString());
}

TEST_F(LogDocTest, ExportWritesTheChosenFileAndBeepsAtAnEmptyName) {
  doc->LoadRun(MakeRecording(5, 1, 1, 2));
  files.answers = {QString()};
  frame->RouteCommand(ID_EXPORT_EXCEL);
  EXPECT_EQ(prompts.beeps, 1);
  const FileRequest& req = files.requests.back();
  EXPECT_EQ(req.title, QString::fromUtf8("Экспорт в формате Excel"));
  EXPECT_EQ(req.filters, QStringList({QString::fromUtf8("Файлы  Excel(*.xls)"), QString::fromUtf8("Все файлы (*.*)")}));

  EXPECT_EQ(req.acceptLabel, QString::fromUtf8("Экспорт"));
  EXPECT_EQ(req.kind, FileRequest::Kind::OpenOrNew);

  files.answers = {Path("table")};
  frame->RouteCommand(ID_EXPORT_EXCEL);
  EXPECT_EQ(ReadAll(Path("table.xls")), QByteArray("05.03.2024 10:20:00\t-3.000000\n05.03.2024 10:20:01\t-2.000000\n"));
  // The status bar says what was written.
  EXPECT_EQ(frame->PaneText(0), QString::fromUtf8("Экспортировано строк: 2 в файл «%1»").arg(Path("table.xls")));

  // Never over the recording's own file.
  files.answers = {Path("run.zet")};
  frame->RouteCommand(ID_FILE_SAVE);
  const QByteArray saved = ReadAll(Path("run.zet"));
  files.answers = {Path("run.zet")};
  frame->RouteCommand(ID_EXPORT_EXCEL);
  EXPECT_EQ(ReadAll(Path("run.zet")), saved);
  EXPECT_EQ(prompts.calls.back().text, kExportOverRecordingMessage);
}

TEST_F(LogDocTest, ShuntDialogSelectsAddsAndRefuses) {
  CShuntDlg dlg(prompts);
  dlg.m_dResistance = 0.00075;
  dlg.show();
  ASSERT_EQ(dlg.m_listRatings->count(), 5);
  EXPECT_EQ(dlg.m_listRatings->currentItem()->text(), "100");

  dlg.m_editRating->setText("30");
  dlg.OnAdd();
  EXPECT_EQ(dlg.m_listRatings->count(), 5);
  dlg.m_editRating->setText("200");
  dlg.OnAdd();
  ASSERT_EQ(dlg.m_listRatings->count(), 6);
  EXPECT_EQ(dlg.m_listRatings->item(5)->text(), "200");
  EXPECT_EQ(dlg.m_listRatings->currentItem()->text(), "100");  // the new item is not selected

  // A rating of 0 would make the resistance infinite.
  dlg.m_editRating->setText("");
  dlg.OnAdd();
  dlg.m_editRating->setText("0");
  dlg.OnAdd();
  EXPECT_EQ(dlg.m_listRatings->count(), 6);
  ASSERT_EQ(prompts.calls.size(), 2u);
  EXPECT_EQ(prompts.calls[0].text, kZeroRatingMessage);

  // OK without a selection keeps the dialog open.
  dlg.m_listRatings->clearSelection();
  dlg.accept();
  EXPECT_TRUE(dlg.isVisible());
  dlg.m_listRatings->setCurrentRow(5);
  dlg.accept();
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.m_dRating, 200);
}

TEST_F(LogDocTest, ShuntCommandSetsResistanceAndTogglesOff) {
  doc->LoadRun(MakeRecording(5, 2, 0.5, 10));
  doc->SetModifiedFlag(false);
  double offered = -1;
  doc->chooseShuntRating = [&](double r) -> std::optional<double> {
    offered = r;
    return 100.0;
  };
  frame->RouteCommand(ID_SHUNT_CURRENT);
  EXPECT_EQ(offered, 0);
  EXPECT_NEAR(doc->Data().m_dShuntResistance, 0.00075, 1e-12);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(State(ID_SHUNT_CURRENT).checked);

  frame->RouteCommand(ID_SHUNT_CURRENT);  // off, no dialog
  EXPECT_FALSE(State(ID_SHUNT_CURRENT).checked);
  doc->chooseShuntRating = [](double) -> std::optional<double> { return std::nullopt; };
  frame->RouteCommand(ID_SHUNT_CURRENT);  // cancelled: stays off
  EXPECT_FALSE(State(ID_SHUNT_CURRENT).checked);
  EXPECT_NEAR(doc->Data().m_dShuntResistance, 0.00075, 1e-12);
}

TEST_F(LogDocTest, FontIsStoredAtStartAndWhenChosen) {
  // Construction wrote the defaults back.
  EXPECT_EQ(store.ReadString("Font", "FaceName", ""), "Arial");
  EXPECT_EQ(store.ReadInt("Font", "CharSet", -1), 204);
  EXPECT_EQ(store.ReadInt("Font", "Height", -1), 10);

  doc->chooseFont = [](const QFont&) -> std::optional<QFont> {
    QFont f("DejaVu Serif");
    f.setPixelSize(15);
    f.setItalic(true);
    f.setUnderline(true);
    return f;
  };
  frame->RouteCommand(ID_FONT);
  EXPECT_EQ(store.ReadInt("Font", "Height", 0), -15);
  EXPECT_EQ(store.ReadInt("Font", "Italic", 0), 1);
  EXPECT_EQ(store.ReadInt("Font", "Underline", 1), 0);
  EXPECT_EQ(store.ReadInt("Font", "CharSet", -1), 204);
  EXPECT_EQ(frame->CommentView()->font().pixelSize(), 15);
}

}  // namespace
}  // namespace zet::testing
