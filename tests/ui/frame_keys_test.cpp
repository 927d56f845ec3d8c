// The main window's keys, recent-file items and file dialogs, and the wait
// cursor over the waits on the recorder.
#include <gtest/gtest.h>

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
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
  // Over the middle of the main window, not over its menu (give or take the
  // window manager's frame).
  EXPECT_LE((help->frameGeometry().center() - frame->frameGeometry().center()).manhattanLength(), 20);
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

TEST_F(FrameKeysTest, MenusOpenFromTheKeyboard) {
  frame->show();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  QWidget* focus = frame->LogView();
  focus->setFocus();
  const QList<QAction*> menus = frame->menuBar()->actions();
  auto opened = [&](int key, Qt::KeyboardModifiers modifiers) {
    // Letters beyond ASCII as a keyboard sends them: the key and its text.
    QTest::sendKeyEvent(QTest::Click, focus, Qt::Key(key), key < 0x100 ? QString() : QString(QChar(key).toLower()),
                        modifiers);
    QWidget* popup = QApplication::activePopupWidget();
    if (popup) popup->close();
    return popup;
  };
  // Alt alone puts the menu bar under the keyboard at its first menu; Esc leaves it.
  QTest::keyPress(focus, Qt::Key_Alt, Qt::AltModifier);
  QTest::keyRelease(focus, Qt::Key_Alt, Qt::NoModifier);
  EXPECT_EQ(frame->menuBar()->activeAction(), menus[0]);
  QTest::keyClick(frame->menuBar(), Qt::Key_Escape);
  EXPECT_EQ(frame->menuBar()->activeAction(), nullptr);
  EXPECT_EQ(opened(Qt::Key_F10, Qt::NoModifier), menus[0]->menu());
  EXPECT_EQ(opened(0x0424, Qt::AltModifier), menus[0]->menu());  // Alt+Ф: "Файл"
  EXPECT_EQ(opened(0x041F, Qt::AltModifier), menus[3]->menu());  // Alt+П: "Опции"
  EXPECT_EQ(opened(0x0420, Qt::AltModifier), menus[4]->menu());  // Alt+Р: "Прибор"
}

// Scrolling and zooming from the keys and the wheel as desktop programs do;
// each ends the gesture at once, so the grid is back.
TEST_F(FrameKeysTest, ChartScrollsAndZoomsByKeysAndWheel) {
  frame->show();
  QApplication::setActiveWindow(frame.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
  doc->LoadRun(MakeRecording(5, 1, 0.5, 10000));
  frame->UpdateCommandStates();  // as the open command or the next timer tick would
  CLogView* view = frame->LogView();
  view->setFocus();
  const chart::ChartState& s = view->State();
  const int w = s.m_nPlotWidth, h = s.m_nPlotHeight;
  auto key = [&](QWidget* to, int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
    QTest::keyClick(to, Qt::Key(k), m);
    QApplication::processEvents();
  };
  key(view, Qt::Key_Right, Qt::ControlModifier);
  key(view, Qt::Key_Right, Qt::ControlModifier);
  key(view, Qt::Key_Left, Qt::ControlModifier);
  key(view, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(s.m_sizeTotal, (chart::Size{2 * w, 2 * h}));
  key(view, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(s.m_sizeTotal.cy, h);
  key(frame->CommentView(), Qt::Key_Right, Qt::ControlModifier);  // the comment's own key
  EXPECT_EQ(s.m_sizeTotal.cx, 2 * w);

  const chart::Coord end = s.bars.Limit().x;
  struct Step {
    int key;
    chart::Coord x;
  } steps[] = {{Qt::Key_End, end}, {Qt::Key_Home, 0}, {Qt::Key_PageDown, s.bars.page.cx}, {Qt::Key_PageUp, 0}};
  for (const Step& step : steps) {
    key(view, step.key);
    EXPECT_EQ(s.m_ptScroll.x, step.x) << step.key;
    EXPECT_EQ(view->BarsPosition(), s.m_ptScroll);
    EXPECT_TRUE(s.m_bScrollDone);
  }

  auto wheel = [&](int delta, Qt::KeyboardModifiers m) {
    QWheelEvent e(QPointF(300, 100), view->viewport()->mapToGlobal(QPointF(300, 100)), QPoint(), QPoint(0, delta),
                  Qt::NoButton, m, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &e);
    QApplication::processEvents();
  };
  const chart::Coord lines = QApplication::wheelScrollLines() * s.bars.line.cx;
  wheel(-120, Qt::NoModifier);  // values not stretched: the wheel scrolls time
  EXPECT_EQ(s.m_ptScroll.x, lines);
  key(view, Qt::Key_Up, Qt::ControlModifier);
  const chart::Coord y = s.m_ptScroll.y;
  wheel(-120, Qt::NoModifier);  // now the value axis has a bar
  EXPECT_EQ(s.m_ptScroll, (chart::Point{lines, y + QApplication::wheelScrollLines() * s.bars.line.cy}));
  wheel(120, Qt::ShiftModifier);
  EXPECT_EQ(s.m_ptScroll.x, 0);
  // Ctrl+wheel: the time under the mouse stays under it.
  wheel(-120, Qt::ShiftModifier);
  const int under = chart::CursorIndex(s, 300);
  wheel(120, Qt::ControlModifier);
  EXPECT_EQ(s.m_sizeTotal.cx, 4 * w);
  EXPECT_NEAR(chart::CursorIndex(s, 300), under, 1);
  wheel(-240, Qt::ControlModifier);
  EXPECT_EQ(s.m_sizeTotal.cx, w);
  EXPECT_TRUE(s.m_bScrollDone);
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
