#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>

#include "app/status_panes.h"
#include "chart/ui/log_view.h"
#include "diagram/ui/walking_view.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using namespace zet::ui;

class MainFrameTest : public ShellTest {
 protected:
  void Load(const Recording& r) {
    doc->LoadRun(r);
    frame->UpdateCommandStates();
  }
  std::vector<QString> Panes() {
    std::vector<QString> t;
    for (int i = 1; i <= 5; ++i) t.push_back(frame->PaneText(i));
    return t;
  }
  bool Visible(int id) { return frame->ToolbarAction(id)->isVisible(); }
};

TEST_F(MainFrameTest, EmptyDocumentCollapsesEveryInformationPane) {
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(frame->PaneText(i), QString()) << i;
    EXPECT_EQ(frame->PaneWidth(i), 0) << i;
  }
  EXPECT_EQ(frame->PaneText(0), QString::fromUtf8("Готов"));
}

TEST_F(MainFrameTest, PanesDescribeTheRecordingAndFitTheirText) {
  Recording r = MakeRecording(5, 1, 0.5, 10);
  Load(r);
  EXPECT_EQ(Panes(), (std::vector<QString>{QString::fromUtf8("Прибор № 5"), QString::fromUtf8("Интервал   0.5 сек"),
                                           QString::fromUtf8("Один канал"), "05.03.2024", "10:20"}));
  const QFontMetrics fm(frame->statusBar()->font());
  for (int i = 1; i <= 5; ++i) EXPECT_GE(frame->PaneWidth(i), fm.horizontalAdvance(frame->PaneText(i))) << i;

  r = MakeRecording(7, 2, 0.0003, 10);
  Load(r);
  EXPECT_EQ(frame->PaneText(2), QString::fromUtf8("Интервал 300.0 мксек"));
  EXPECT_EQ(frame->PaneText(3), QString::fromUtf8("Два канала"));
}

TEST_F(MainFrameTest, PaneTextRulesAtTheirBoundaries) {
  RecordingHeader h;
  h.nDevice = 3;
  h.dPeriod = 0.1;  // exactly 0.1 s takes the seconds form
  EXPECT_EQ(StatusPaneText(ID_INDICATOR_INTERVAL, h), "Интервал   0.1 сек");
  h.dPeriod = 120;
  EXPECT_EQ(StatusPaneText(ID_INDICATOR_INTERVAL, h), "Интервал 120.0 сек");
  // No recorder number: only the channel pane speaks.
  h = RecordingHeader{};
  h.nChannels = 2;
  h.nYear = 2024;
  EXPECT_EQ(StatusPaneText(ID_INDICATOR_CHANNELS, h), "Два канала");
  EXPECT_EQ(StatusPaneText(ID_INDICATOR_DATE, h), "");
  EXPECT_EQ(StatusPaneText(ID_INDICATOR_DEVICE, h), "");
}

TEST_F(MainFrameTest, DocumentCommandsFollowTheRecording) {
  // Empty: nothing to filter, export, show as diagram or as current.
  EXPECT_FALSE(State(ID_FILTER).enabled);
  EXPECT_FALSE(State(ID_EXPORT_EXCEL).enabled);
  EXPECT_FALSE(State(ID_VIEW_STRAY_CURRENTS).enabled);
  EXPECT_FALSE(State(ID_SHUNT_CURRENT).enabled);
  EXPECT_TRUE(State(ID_GRID).checked);
  EXPECT_TRUE(State(ID_INITIAL_VIEW).enabled);

  // One channel at 0.5 s from a download: channel 2 exists but is empty.
  Load(MakeRecording(5, 1, 0.5, 10, true));
  EXPECT_FALSE(State(ID_FILTER).enabled);
  EXPECT_TRUE(State(ID_EXPORT_EXCEL).enabled);
  EXPECT_FALSE(State(ID_VIEW_STRAY_CURRENTS).enabled);
  EXPECT_TRUE(State(ID_SHUNT_CURRENT).enabled);
  // dMaxRange 10: both limit steps are offered.
  EXPECT_TRUE(State(ID_LIMIT_COARSER).enabled);
  EXPECT_TRUE(State(ID_LIMIT_FINER).enabled);
  frame->RouteCommand(ID_LIMIT_COARSER);
  EXPECT_FALSE(State(ID_LIMIT_COARSER).enabled);
  EXPECT_DOUBLE_EQ(doc->Data().m_dLimit, 100);

  // The same from a file: no channel 2 array, no shunt display.
  Load(MakeRecording(5, 1, 0.5, 10, false));
  EXPECT_FALSE(State(ID_SHUNT_CURRENT).enabled);

  // Two channels, continuous.
  Load(MakeRecording(5, 2, 0.0006, 100));
  EXPECT_TRUE(State(ID_FILTER).enabled);
  EXPECT_TRUE(State(ID_VIEW_STRAY_CURRENTS).enabled);
  EXPECT_TRUE(State(ID_SHUNT_CURRENT).enabled);
  EXPECT_FALSE(State(ID_SHUNT_CURRENT).checked);
}

TEST_F(MainFrameTest, TogglesShowTheirStateInMenuAndToolbar) {
  EXPECT_FALSE(State(ID_RAW_DATA_FILE).checked);
  frame->RouteCommand(ID_RAW_DATA_FILE);
  EXPECT_TRUE(State(ID_RAW_DATA_FILE).checked);
  EXPECT_TRUE(doc->Data().m_bRawDataFile);

  frame->RouteCommand(ID_GRID);
  EXPECT_FALSE(State(ID_GRID).checked);
  EXPECT_FALSE(frame->ToolbarAction(ID_GRID)->isChecked());

  // A channel without samples cannot be shown or hidden.
  EXPECT_FALSE(State(ID_CHANNEL1).enabled);
  Load(MakeRecording(5, 1, 0.5, 10));
  EXPECT_TRUE(State(ID_CHANNEL1).checked);
  EXPECT_FALSE(State(ID_CHANNEL2).enabled);
  frame->MenuAction(ID_CHANNEL1)->trigger();
  EXPECT_FALSE(State(ID_CHANNEL1).checked);
  EXPECT_FALSE(frame->LogView()->m_bShowChannel1);
  EXPECT_FALSE(frame->ToolbarAction(ID_CHANNEL1)->isChecked());

  // The status bar's check mark holds before the window is first shown.
  ASSERT_FALSE(frame->isVisible());
  EXPECT_TRUE(State(ID_VIEW_STATUS_BAR).checked);
  frame->RouteCommand(ID_VIEW_STATUS_BAR);
  EXPECT_FALSE(State(ID_VIEW_STATUS_BAR).checked);
  frame->RouteCommand(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(State(ID_VIEW_STATUS_BAR).checked);
}

TEST_F(MainFrameTest, DiagramSwapsTheUpperPaneAndTheToolbar) {
  const std::vector<int> chartOnly = {ID_SHUNT_CURRENT, ID_STRETCH_TIME, ID_CHANNEL1,    ID_CHANNEL2,
                                      ID_SUPPLY_VOLTAGE, ID_CURRENT_VALUES, ID_SHRINK_TIME};
  auto toolbar = [&] {
    std::vector<bool> v;
    for (int id : ToolbarButtons())
      if (id) v.push_back(Visible(id));
    return v;
  };
  const std::vector<bool> initial = toolbar();
  EXPECT_FALSE(Visible(ID_VIEW_GRAPH));
  EXPECT_TRUE(Visible(ID_VIEW_STRAY_CURRENTS));

  frame->RouteCommand(ID_VIEW_GRAPH);  // already the chart: nothing changes
  EXPECT_EQ(toolbar(), initial);

  Load(MakeRecording(5, 2, 0.5, 100));
  frame->RouteCommand(ID_VIEW_STRAY_CURRENTS);
  EXPECT_TRUE(frame->IsDiagramMode());
  EXPECT_EQ(frame->ActiveView(), static_cast<CommandTarget*>(frame->WalkingView()));
  EXPECT_TRUE(Visible(ID_VIEW_GRAPH));
  EXPECT_FALSE(Visible(ID_VIEW_STRAY_CURRENTS));
  for (int id : chartOnly) EXPECT_FALSE(Visible(id)) << id;
  EXPECT_TRUE(Visible(ID_STRETCH_VALUES));
  // The menu keeps every entry; commands only the chart handles are greyed.
  EXPECT_TRUE(frame->MenuAction(ID_STRETCH_TIME)->isVisible());
  EXPECT_FALSE(State(ID_STRETCH_TIME).enabled);
  EXPECT_FALSE(State(ID_CHANNEL1).enabled);
  EXPECT_TRUE(State(ID_STRETCH_VALUES).enabled);
  const int chartHeight = frame->LogView()->State().m_sizeTotal.cy;
  frame->RouteCommand(ID_STRETCH_VALUES);
  EXPECT_EQ(frame->WalkingView()->State().m_dZoom, 2);
  EXPECT_EQ(frame->LogView()->State().m_sizeTotal.cy, chartHeight);

  frame->RouteCommand(ID_VIEW_GRAPH);
  EXPECT_FALSE(frame->IsDiagramMode());
  EXPECT_EQ(toolbar(), initial);
  EXPECT_EQ(frame->WalkingView()->State().m_dZoom, 2);  // the hidden view kept its state
}

TEST_F(MainFrameTest, StretchingTheTimeAxisScrollsAndInitialViewFitsAgain) {
  frame->show();
  Load(MakeRecording(5, 1, 0.5, 5000));
  const chart::ChartState& chart = frame->LogView()->State();
  frame->RouteCommand(ID_STRETCH_TIME);
  frame->RouteCommand(ID_STRETCH_TIME);
  EXPECT_EQ(chart.m_sizeTotal.cx, 4 * chart.m_nPlotWidth);
  EXPECT_TRUE(State(ID_SHRINK_TIME).enabled);
  frame->RouteCommand(ID_INITIAL_VIEW);
  EXPECT_EQ(chart.m_sizeTotal.cx, chart.m_nPlotWidth);
  EXPECT_FALSE(State(ID_SHRINK_TIME).enabled);

  // A chart row dragged shut has nothing to stretch: the factor must not grow
  // for a window that is not there.
  const QList<int> sizes = frame->Splitter()->sizes();
  const int height = chart.m_sizeTotal.cy;
  frame->Splitter()->setSizes({0, sizes[0] + sizes[1]});
  QApplication::processEvents();
  ASSERT_EQ(frame->LogView()->viewport()->height(), 0);
  EXPECT_FALSE(State(ID_STRETCH_VALUES).enabled);
  for (int i = 0; i < 40; ++i) frame->LogView()->OnCommand(ID_STRETCH_VALUES);
  EXPECT_EQ(chart.m_sizeTotal.cy, height);
  frame->Splitter()->setSizes(sizes);
  QApplication::processEvents();
  EXPECT_TRUE(State(ID_STRETCH_VALUES).enabled);
  for (int i = 0; i < 40; ++i) frame->RouteCommand(ID_STRETCH_VALUES);
  EXPECT_EQ(chart.m_sizeTotal.cy, chart::kMaxCanvas);
  EXPECT_FALSE(State(ID_STRETCH_VALUES).enabled);
}

TEST_F(MainFrameTest, OpenMenuWidensThePromptPaneUntilItCloses) {
  frame->show();
  Load(MakeRecording(5, 1, 0.5, 10));
  QMenu* menu = frame->menuBar()->actions().front()->menu();
  const int width = frame->PaneWidth(1);
  ASSERT_GT(width, 0);
  emit menu->aboutToShow();
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(frame->PaneWidth(i), 0) << i;
  emit menu->aboutToHide();
  QApplication::processEvents();
  EXPECT_EQ(frame->PaneWidth(1), width);
  EXPECT_EQ(frame->PaneText(0), QString::fromUtf8("Готов"));
  EXPECT_EQ(frame->PaneText(1), QString::fromUtf8("Прибор № 5"));
}

TEST_F(MainFrameTest, MonitorCommandOnlyWhileTheDialogIsHidden) {
  ASSERT_NE(frame->MonitorDialog(), nullptr);
  EXPECT_TRUE(State(ID_MONITOR_MODE).enabled);
  frame->MonitorDialog()->show();
  EXPECT_FALSE(State(ID_MONITOR_MODE).enabled);
  frame->MonitorDialog()->hide();
  EXPECT_TRUE(State(ID_MONITOR_MODE).enabled);
}

TEST_F(MainFrameTest, CommandTableMatchesTheMenusAndToolbar) {
  EXPECT_EQ(ToolbarButtons().size(), 25u);
  EXPECT_EQ(frame->MenuAction(ID_FILE_NEW)->shortcut(), QKeySequence("Ctrl+N"));
  EXPECT_EQ(frame->MenuAction(ID_FILE_PRINT)->shortcut(), QKeySequence("Ctrl+P"));
  EXPECT_EQ(frame->MenuAction(ID_SHRINK_VALUES)->toolTip(), QString::fromUtf8("Cжать по оси значений"));
  EXPECT_EQ(frame->MenuAction(ID_MONITOR_MODE)->text(), QString::fromUtf8("Режим \"Монитор\""));
  QStringList menus;
  for (QAction* a : frame->menuBar()->actions()) menus << a->text();
  // Each with its Alt key: the first letter of its title no menu before it took.
  EXPECT_EQ(menus, QStringList({"&Файл", "&Вид", "&Операции", "О&пции", "П&рибор", "&Справка"}));
  EXPECT_TRUE(QFile::exists(":/help/index.html"));
  // Every toolbar image is present in the resources.
  for (int id : ToolbarButtons()) {
    if (id) {
      EXPECT_FALSE(frame->ToolbarAction(id)->icon().pixmap(16, 16).isNull()) << id;
    }
  }
}

TEST_F(MainFrameTest, ViewsDrawAnyDocumentStateWithoutReadingPastItsArrays) {
  Recording r = MakeRecording(5, 2, 0.5, 1000);
  Load(r);
  frame->RouteCommand(ID_VIEW_STRAY_CURRENTS);  // a hidden diagram would not draw
  // The counts drop while the views still hold the old scales (a file that
  // failed to open): painting must stay inside the arrays.
  doc->Data().m_pChannel2->resize(3);
  doc->Data().m_pChannel1->resize(1);
  CLogView* chart = frame->LogView();
  chart->OnCommand(ID_SUPPLY_VOLTAGE);
  chart->m_bCurrentValues = true;
  chart->Picture();
  ui::CWalkingView* diagram = frame->WalkingView();
  diagram->resize(400, 300);
  auto drawDiagram = [&] {
    diagram->DocumentChanged();
    for (int i = 0; i < 5; ++i) diagram->OnTimer();
    diagram->OnSweep(SweepCode::RightEnd, 0);
    diagram->OnSpeed(0);
  };
  drawDiagram();
  doc->Data().DeleteContents();
  chart->DocumentChanged();
  chart->Picture();
  drawDiagram();
}

}  // namespace
}  // namespace zet::testing
