// The main window's keys, recent-file items and file dialogs, and the wait
// cursor over the waits on the recorder.
#include <gtest/gtest.h>

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBrowser>
#include <set>

#include "chart/ui/log_view.h"
#include "recording/zet_file.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using namespace zet::ui;

class FrameKeysTest : public ShellTest {};

TEST_F(FrameKeysTest, HelpAndPaneKeys) {
  frame->show();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  frame->setGeometry(60, 40, 700, 500);
  QTest::keyClick(frame.get(), Qt::Key_F1);
  QTextBrowser* help = frame->findChild<QTextBrowser*>();
  ASSERT_NE(help, nullptr);
  // Over the middle of the main window, not over its menu.
  EXPECT_LE((help->frameGeometry().center() - frame->frameGeometry().center()).manhattanLength(), 4);
  frame->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));

  frame->LogView()->setFocus();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
  EXPECT_EQ(QApplication::focusWidget(), frame->CommentView());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
  EXPECT_TRUE(frame->LogView()->isAncestorOf(QApplication::focusWidget()) ||
              QApplication::focusWidget() == frame->LogView());
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), frame->CommentView());
}

TEST_F(FrameKeysTest, RecentFilesShowAmpersandsAndLongPathsShortened) {
  const QString amp = Path("Tom & Jerry.zet");
  const QString longPath = Path((std::string(30, 'd') + "/" + std::string(40, 'e') + "/" + "trench-7.zet").c_str());
  doc->AddToRecentFiles(amp);
  doc->AddToRecentFiles(longPath);
  frame->UpdateCommandStates();
  QAction* newest = frame->MenuAction(ID_FILE_MRU_FILE1);
  QAction* older = frame->MenuAction(ID_FILE_MRU_FILE1 + 1);
  EXPECT_TRUE(newest->text().startsWith("&1 "));
  EXPECT_TRUE(newest->text().endsWith("trench-7.zet"));
  EXPECT_TRUE(newest->text().contains(QChar(0x2026)));  // shortened in the middle
  EXPECT_EQ(newest->toolTip(), longPath);
  EXPECT_EQ(newest->statusTip(), QString::fromUtf8("Открыть этот файл"));
  EXPECT_TRUE(older->text().endsWith("Tom && Jerry.zet"));
  EXPECT_EQ(older->toolTip(), amp);
}

TEST_F(FrameKeysTest, OpenAndSaveAsAlsoOfferAllFiles) {
  frame->RouteCommand(ID_FILE_OPEN);
  doc->LoadRun(MakeRecording(5, 1, 1, 3));
  frame->RouteCommand(ID_FILE_SAVE_AS);
  ASSERT_EQ(files.requests.size(), 2u);
  for (const FileRequest& r : files.requests)
    EXPECT_EQ(r.filters, QStringList({QString::fromUtf8("Данные Регистратора (*.zet)"),
                                      QString::fromUtf8("Все файлы (*)")}));
}

// While the program waits on the recorder the wait cursor is up (here: the
// download's waits, its progress being no box of ours), and afterwards it is gone.
TEST_F(FrameKeysTest, WaitCursorWhileWaitingOnTheRecorder) {
  std::set<int> shapes;
  clock.onAdvance = [&](std::int64_t) {
    const QCursor* c = QGuiApplication::overrideCursor();
    shapes.insert(c ? c->shape() : -1);
  };
  frame->RouteCommand(ID_GET_DATA);
  clock.onAdvance = nullptr;
  EXPECT_EQ(shapes, std::set<int>{Qt::WaitCursor});
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_GT(doc->Data().Channel1Count(), 0);
}

}  // namespace
}  // namespace zet::testing
