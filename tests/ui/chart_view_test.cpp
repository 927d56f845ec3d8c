#include <gtest/gtest.h>

#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <cmath>

#include "chart/chart_layout.h"
#include "chart/draw/chart_painter.h"
#include "chart/ui/log_view.h"
#include "recording/zet_file.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using namespace zet::ui;
using chart::ChartState;

// A survey-like recording: a slow swing, noise, spikes and one sample that
// is not a number; channel 2 one sample shorter.
Recording Survey(int n, int supply = 0) {
  Recording r = MakeRecording(12, 2, 0.5, n);
  std::uint32_t seed = 1;
  auto noise = [&] {
    seed = seed * 1664525u + 1013904223u;
    return static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
  };
  for (int i = 0; i < n; ++i) {
    (*r.channel1)[i] = 6 * std::sin(i * 0.0021f) + 3 * noise() + (i % 997 == 5 ? 9.f : 0.f);
    (*r.channel2)[i] = 2 * std::cos(i * 0.013f) + noise();
  }
  if (n > 100) (*r.channel1)[n / 2] = NAN;
  r.channel2->pop_back();
  r.supply = std::vector<float>(supply);
  for (int k = 0; k < supply; ++k) (*r.supply)[k] = 5.5f + 0.6f * std::sin(k * 0.05f) + 0.2f * noise();
  return r;
}

QImage Paint(ChartState s, const LogDocument& doc, const ChartStyle& style, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  ChartEnvelopes envelopes;
  PaintChart(p, s, doc, style, envelopes);
  return image;
}

int CountPixels(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match) {
  int count = 0;
  const QRect r = area.intersected(image.rect());
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) count += match(image.pixel(x, y));
  return count;
}

auto Is(QColor c) {
  return [rgb = c.rgb()](QRgb p) { return p == rgb; };
}
bool Dark(QRgb p) { return qRed(p) < 100 && qGreen(p) < 100 && qBlue(p) < 100; }
// Text is smoothed: its colour shows in the strongest pixels only.
bool Greenish(QRgb p) { return qGreen(p) > qRed(p) + 40 && qGreen(p) > qBlue(p) + 40; }
bool Reddish(QRgb p) { return qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60; }

TEST(ChartPainterTest, EnvelopePictureIsEveryPixelOfDrawingEverySample) {
  const QSize size(640, 360);
  for (int n : {40, 2500, 200000}) {
    LogDocument doc;
    doc.SetRecording(Survey(n, n / 3));
    for (int variant = 0; variant < 4; ++variant) {
      ChartState s;
      chart::InitialUpdate(s, {size.width(), size.height()});
      chart::ResetView(s, n);
      chart::PrepareScreenDrawing(s, doc.m_dLimit, false);
      for (int k = 0; k < variant * 2; ++k) chart::StretchTime(s);
      for (int k = 0; k < variant; ++k) chart::StretchValues(s);
      const chart::Point limit = s.bars.Limit();
      chart::ScrollToClamped(s, {limit.x * variant / 3, limit.y / 2});
      if (variant == 3) chart::ToggleSupplyVoltage(s);
      for (bool points : {false, true}) {
        ChartStyle style;
        style.bPoints = points;
        const QImage fast = Paint(s, doc, style, size);
        style.everySample = true;
        const QImage every = Paint(s, doc, style, size);
        EXPECT_GT(CountPixels(every, every.rect(), Is(Qt::blue)), 0) << n << " " << variant;
        EXPECT_TRUE(fast == every) << "n " << n << " variant " << variant << " points " << points;
      }
    }
  }
}

TEST(ChartPainterTest, GridLabelsCurvesAndSupplyScaleWhereTheScalesPutThem) {
  Recording r = MakeRecording(12, 1, 0.5, 101, false);
  LogDocument doc;
  doc.SetRecording(r);
  ChartState s;
  chart::InitialUpdate(s, {600, 400});
  chart::ResetView(s, 101);
  ChartStyle style;
  style.font = FontFromLogFont(LogFont{-12, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, 0, 0, "DejaVu Sans"});
  const QImage image = Paint(s, doc, style, {600, 400});
  const QColor grey(192, 192, 192);
  // L = 10 V on 400 rows: lines at +5, 0 and −5 V; ±10 V fall into the free bands.
  for (int y : {104, 200, 295}) EXPECT_GT(CountPixels(image, QRect(0, y, 600, 1), Is(grey)), 100) << y;
  for (int y : {9, 390}) EXPECT_LT(CountPixels(image, QRect(0, y, 600, 1), Is(grey)), 20) << y;
  EXPECT_GT(CountPixels(image, QRect(260, 190, 80, 20), Dark), 10);  // " 0.000" mid-window
  // Every sample where the scales put it.
  ChartState at = s;
  chart::PrepareScreenDrawing(at, 10, false);
  for (int i = 0; i < 100; i += 10)
    EXPECT_EQ(image.pixelColor(chart::IndexToX(at, i), chart::ValueToY(at, (*r.channel1)[i])), QColor(Qt::blue))
        << i;

  // Grid off: no text at all; the supply scale keeps its box and axis.
  doc.m_bGrid = false;
  chart::ToggleSupplyVoltage(s);
  const QImage bare = Paint(s, doc, style, {600, 400});
  EXPECT_EQ(CountPixels(bare, QRect(0, 0, 555, 110), Dark) + CountPixels(bare, QRect(0, 140, 555, 260), Dark), 0);
  EXPECT_GT(CountPixels(bare, QRect(0, 110, 555, 30), Is(Qt::black)), 500);  // the supply trace at 5.5 V
  EXPECT_EQ(CountPixels(bare, QRect(595, 0, 5, 400), [](QRgb p) { return p != qRgb(255, 255, 255); }), 0);
  EXPECT_GT(CountPixels(bare, QRect(577, 0, 1, 400), Is(Qt::black)), 200);  // the axis between the labels

  // Fewer than two samples: nothing.
  for (int n : {0, 1}) {
    LogDocument small;
    small.SetRecording(MakeRecording(12, 1, 0.5, n));
    ChartState e;
    chart::InitialUpdate(e, {200, 100});
    chart::ResetView(e, n);
    const QImage blank = Paint(e, small, style, {200, 100});
    EXPECT_EQ(CountPixels(blank, blank.rect(), [](QRgb p) { return p != qRgb(255, 255, 255); }), 0);
  }
}

// The time labels at the window's edges stand whole inside the plot, and
// only lines within it have one: the bottom band holds every dark pixel of
// those labels and no more.
TEST(ChartPainterTest, EdgeTimeLabelsAreDrawnWhole) {
  ChartStyle style;
  style.font = FontFromLogFont(LogFont{-12, 0, 0, 0, 400, 0, 0, 0, 204, 0, 0, 0, 0, "DejaVu Sans"});
  // The first label on sample 1 at the left edge; with 26 samples the last on
  // the right edge too (with fast sampling beside the seconds' unit there);
  // stretched to single samples, lines beyond both edges.
  struct Case {
    int n, stretches;
    bool fast;
  } cases[] = {{100000, 0, false}, {26, 0, false}, {26, 0, true}, {100000, 30, false}};
  for (const Case& c : cases) {
    LogDocument doc;
    doc.SetRecording(MakeRecording(12, 1, c.fast ? 0.0003 : 0.5, c.n, false));
    doc.m_bFastSampling = c.fast;
    ChartState s;
    chart::InitialUpdate(s, {600, 400});
    chart::ResetView(s, c.n);
    chart::PrepareScreenDrawing(s, doc.m_dLimit, false);
    for (int k = 0; k < c.stretches; ++k) chart::StretchTime(s);
    const QImage image = Paint(s, doc, style, {600, 400});
    chart::PrepareScreenDrawing(s, doc.m_dLimit, false);
    int whole = 0, labels = 0;
    auto add = [&](const QString& text) {
      QImage alone(200, 60, QImage::Format_RGB32);
      alone.fill(Qt::white);
      QPainter p(&alone);
      p.setFont(style.font);
      const int flags = Qt::AlignHCenter | Qt::TextIncludeTrailingSpaces;
      p.drawText(QRect(QPoint(10, 10), p.fontMetrics().boundingRect(QRect(), flags, text).size()), flags, text);
      p.end();
      whole += CountPixels(alone, alone.rect(), Dark);
      ++labels;
    };
    for (const chart::TimeLine& t : chart::LayoutTimeLines(s, chart::VisibleRange(s), doc.m_header, c.fast))
      if (t.x >= s.m_ptScroll.x && t.x <= s.m_ptScroll.x + 600) add(QString::fromStdString(t.label));
    if (c.fast) {
      // The seconds' unit keeps its corner to itself.
      add(QStringLiteral("c"));
      const int corner = QFontMetrics(style.font).horizontalAdvance(QStringLiteral("c  "));
      const int before = whole;
      add(QStringLiteral("c"));
      EXPECT_NEAR(CountPixels(image, QRect(600 - corner, 360, corner, 40), Dark), whole - before, 3);
      whole = before;
      --labels;
    }
    // The dotted time line under a label darkens a few of its edge pixels, never lightens one.
    const int band = CountPixels(image, QRect(0, 360, 600, 40), Dark);
    EXPECT_GT(labels, 0);
    EXPECT_GE(band, whole) << c.n;
    EXPECT_LE(band, whole + 25 * labels) << c.n;
  }
}

// The read-out looks grid lines up only in the drawing that drew them: after
// a drawing without a grid and a value zoom, an old line's row reads the
// cursor's own value, not that line's label.
TEST(ChartPainterTest, ReadoutTakesNoLabelOfAGridNotDrawn) {
  enum Case { kGridOff, kThumbDrag, kNoRecorder };
  for (Case c : {kGridOff, kThumbDrag, kNoRecorder}) {
    LogDocument doc;
    doc.SetRecording(Survey(2000));
    ChartState s;
    chart::InitialUpdate(s, {600, 400});
    chart::ResetView(s, 2000);
    QImage image(600, 400, QImage::Format_RGB32);
    ChartEnvelopes envelopes;
    auto paint = [&] {
      QPainter p(&image);
      PaintChart(p, s, doc, ChartStyle{}, envelopes);
    };
    paint();
    const chart::GridMark mark = s.m_gridMarks[1];
    ASSERT_NE(mark.y, -1);
    chart::StretchValues(s);
    if (c == kGridOff) doc.m_bGrid = false;
    if (c == kThumbDrag) chart::OnScroll(s, false, chart::kThumbTrack);
    if (c == kNoRecorder) doc.m_header.nDevice = 0;
    paint();
    const chart::Coord row = mark.y - s.m_ptScroll.y;
    EXPECT_EQ(chart::CursorReading(s, row), chart::CursorValue(s, row)) << c;
    EXPECT_NE(chart::CursorValue(s, row), mark.value) << c;
  }
}

// A chart window of its own over a scripted document.
class ChartViewTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    view = frame->LogView();
    frame->show();
    view->beep = [this] { ++beeps; };
    frame->Splitter()->setSizes({400, 100});
    QApplication::processEvents();
  }
  void Load(const Recording& r) {
    doc->LoadRun(r);
    QApplication::processEvents();
  }
  void Mouse(QEvent::Type type, QPoint p, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent e(type, QPointF(p), view->viewport()->mapToGlobal(QPointF(p)), button, held, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &e);
  }
  void Drag(Qt::MouseButton b, QPoint from, QPoint to) {
    Mouse(QEvent::MouseButtonPress, from, b);
    Mouse(QEvent::MouseMove, to, b);
    Mouse(QEvent::MouseButtonRelease, to, b);
  }
  // The window printed on a white sheet of the given pixels at dpi, default margins.
  QImage PrintedSheet(QSize size, int dpi, chart::Rect* page = nullptr) {
    QImage sheet(size, QImage::Format_RGB32);
    sheet.setDotsPerMeterX(static_cast<int>(std::lround(dpi / 0.0254)));
    sheet.setDotsPerMeterY(static_cast<int>(std::lround(dpi / 0.0254)));
    sheet.fill(Qt::white);
    const chart::Rect r = chart::PrintPageRect(Margins{}, dpi, dpi, {0, 0}, size.width(), size.height());
    QPainter p(&sheet);
    view->PrintPage(p, r, dpi);
    if (page) *page = r;
    return sheet;
  }
  int InLine(int line, const std::function<bool(QRgb)>& match) {
    return CountPixels(view->Picture(), QRect(5, 5 + 20 * line, 600, 14), match);
  }
  CLogView* view = nullptr;
  int beeps = 0;
};

TEST_F(ChartViewTest, RubberBandZoomsOnReleaseAndBeepsAtTheValueLimit) {
  Load(Survey(5000));
  const chart::ChartState& s = view->State();
  const chart::Size whole = s.m_sizeTotal;
  Drag(Qt::LeftButton, {100, 100}, {108, 106});  // 10 pixels: nothing
  EXPECT_EQ(s.m_sizeTotal, whole);
  Drag(Qt::LeftButton, {100, 100}, {300, 150});
  EXPECT_GT(s.m_sizeTotal.cx, whole.cx);
  EXPECT_GT(s.m_sizeTotal.cy, whole.cy);
  EXPECT_EQ(beeps, 0);
  // The band's top goes to the window's top, and what is drawn is where the bars say.
  const int hp = view->viewport()->height();
  EXPECT_EQ(view->verticalScrollBar()->value(), std::min((100 * hp + 25) / 50, view->verticalScrollBar()->maximum()));
  view->Picture();
  EXPECT_EQ(s.m_ptScroll.x, view->horizontalScrollBar()->value());
  EXPECT_EQ(s.m_ptScroll.y, view->verticalScrollBar()->value());
  Drag(Qt::LeftButton, {100, 100}, {300, 100});  // no height: as tall as the canvas goes
  EXPECT_EQ(s.m_sizeTotal.cy, chart::kMaxCanvas);
  EXPECT_EQ(beeps, 1);
  // The scroll bars carry the canvas, in larger units beyond their int range.
  const chart::Coord limit = chart::kMaxCanvas - view->viewport()->height();
  EXPECT_EQ(view->verticalScrollBar()->maximum(), chart::ToBar(limit, limit));
  EXPECT_EQ(view->verticalScrollBar()->value(), chart::ToBar(s.m_ptScroll.y, limit));
  EXPECT_EQ(view->BarsPosition(), s.m_ptScroll);
  EXPECT_EQ(view->horizontalScrollBar()->pageStep(), static_cast<int>(view->viewport()->width() * 0.9));
}

TEST_F(ChartViewTest, ReadoutAndMeasurementDrawOverTheChartUntilARepaint) {
  Load(Survey(5000));
  const QImage clean = view->Picture();
  Mouse(QEvent::MouseMove, {200, 150});
  EXPECT_TRUE(view->Picture() == clean);  // read-out off: nothing
  frame->RouteCommand(ID_CURRENT_VALUES);
  Mouse(QEvent::MouseMove, {200, 150});
  Mouse(QEvent::MouseMove, {210, 150});
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::CrossCursor);
  EXPECT_GT(InLine(0, Dark), 20);

  // Left to right: the measurement (under the cursor's two lines) in green; back past the start: red.
  Mouse(QEvent::MouseButtonPress, {200, 150}, Qt::RightButton);
  Mouse(QEvent::MouseMove, {400, 100}, Qt::RightButton);
  EXPECT_GT(InLine(2, Greenish), 20);
  EXPECT_EQ(InLine(3, Dark), 0);  // no statistics unless asked for
  Mouse(QEvent::MouseMove, {100, 100}, Qt::RightButton);
  EXPECT_GT(InLine(2, Reddish), 20);
  Mouse(QEvent::MouseButtonRelease, {100, 100}, Qt::RightButton);
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);

  frame->RouteCommand(ID_SPAN_STATISTICS);
  Mouse(QEvent::MouseButtonPress, {100, 150}, Qt::RightButton);
  Mouse(QEvent::MouseMove, {300, 150}, Qt::RightButton);
  EXPECT_TRUE(view->ReadoutLines().back().startsWith(QString::fromUtf8("Канал 1: мин")));
  Mouse(QEvent::MouseButtonRelease, {300, 150}, Qt::RightButton);

  // A repaint takes the overlays away; so does a visit to the diagram;
  // turning the read-out off does at once.
  view->Redraw();
  EXPECT_TRUE(view->Picture() == clean);
  Mouse(QEvent::MouseMove, {220, 150});
  frame->RouteCommand(ID_VIEW_STRAY_CURRENTS);
  frame->RouteCommand(ID_VIEW_GRAPH);
  EXPECT_TRUE(view->Picture() == clean);
  Mouse(QEvent::MouseMove, {220, 150});
  frame->RouteCommand(ID_CURRENT_VALUES);
  EXPECT_TRUE(view->Picture() == clean);
}

// The read-out adds each shown channel's value at the sample under the
// cursor and stays clear of the value axis' heading and top label, whichever
// side they stand on.
TEST_F(ChartViewTest, ReadoutShowsTheChannelsUnderTheCursorClearOfTheAxisLabels) {
  Load(MakeRecording(5, 2, 0.5, 701));
  frame->RouteCommand(ID_CURRENT_VALUES);
  const chart::ChartState& s = view->State();
  auto hover = [&](QPoint p) {
    Mouse(QEvent::MouseMove, p);
    Mouse(QEvent::MouseMove, p);
    return view->ReadoutLines();
  };
  auto keptClear = [&](const QImage& clean) {
    ASSERT_FALSE(s.m_rcAxisTop.empty());
    for (const chart::Rect& k : s.m_rcAxisTop) {
      const QRect r(QPoint(k.left, k.top), QPoint(k.right - 1, k.bottom - 1));
      EXPECT_GT(CountPixels(clean, r, [](QRgb p) { return p != qRgb(255, 255, 255); }), 0);
      EXPECT_TRUE(view->Picture().copy(r) == clean.copy(r)) << k.left << " " << k.top;
    }
  };
  QStringList lines = hover({300, 150});
  const int i = chart::CursorIndex(s, 300);
  const double v = i % 7 - 3;
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].endsWith(QString::fromStdString(doc->Data().GetTimeText(i)) + " "));
  EXPECT_EQ(lines[1], QString::asprintf("Канал 1: %8.4f B   Канал 2:   0.5000 B", v));
  frame->RouteCommand(ID_CHANNEL2);
  EXPECT_EQ(hover({300, 150})[1], QString::asprintf("Канал 1: %8.4f B", v));

  // Shunt display: the headings stand in the top corners, the labels at both edges.
  doc->chooseShuntRating = [](double) { return std::optional<double>(50); };
  frame->RouteCommand(ID_SHUNT_CURRENT);
  QImage clean = view->Picture();
  EXPECT_EQ(hover({300, 150})[1], QString::asprintf("Канал 1: %8.4f B  %6.2f A", v, v / 0.0015));
  keptClear(clean);
  // A narrow window: the centred heading is where the read-out would begin.
  frame->RouteCommand(ID_SHUNT_CURRENT);
  frame->Splitter()->resize(260, frame->Splitter()->height());
  QApplication::processEvents();
  clean = view->Picture();
  hover({100, 150});
  keptClear(clean);
}

TEST_F(ChartViewTest, ThumbDragShowsTheCurvesOnlyUntilReleased) {
  Load(Survey(5000));
  frame->RouteCommand(ID_STRETCH_TIME);
  frame->RouteCommand(ID_STRETCH_VALUES);
  QApplication::processEvents();
  const QColor grey(192, 192, 192);
  auto grid = [&] { return CountPixels(view->Picture(), view->Picture().rect(), Is(grey)); };
  // The press and release as the bar sees them; the drag in between as the
  // bar reports it (synthetic presses do not grab the slider offscreen).
  auto mouse = [](QScrollBar* bar, QEvent::Type type) {
    QMouseEvent e(type, QPointF(1, 1), bar->mapToGlobal(QPointF(1, 1)), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &e);
  };
  ASSERT_GT(grid(), 100);
  QScrollBar* h = view->horizontalScrollBar();
  mouse(h, QEvent::MouseButtonPress);
  h->setSliderDown(true);
  h->setSliderPosition(h->maximum() / 2);
  QApplication::processEvents();
  EXPECT_EQ(view->State().bars.pos.x, h->maximum() / 2);
  EXPECT_EQ(grid(), 0);
  h->setSliderDown(false);
  mouse(h, QEvent::MouseButtonRelease);
  QApplication::processEvents();
  EXPECT_GT(grid(), 100);

  // A vertical arrow scrolls with the grid kept; a wheel step ends at once.
  QScrollBar* v = view->verticalScrollBar();
  mouse(v, QEvent::MouseButtonPress);
  v->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QApplication::processEvents();
  EXPECT_GT(v->value(), 0);
  EXPECT_GT(grid(), 100);
  mouse(v, QEvent::MouseButtonRelease);
  h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  QApplication::processEvents();
  EXPECT_GT(grid(), 100);
}

TEST_F(ChartViewTest, PageShowsTheWindowsSamplesWithCaptionAndTheWindowKeepsItsView) {
  Load(Survey(20000));
  frame->RouteCommand(ID_STRETCH_TIME);
  frame->RouteCommand(ID_STRETCH_TIME);
  view->horizontalScrollBar()->setValue(700);
  view->Picture();
  const chart::ChartState before = view->State();

  // An A4 sheet at 100 dpi.
  chart::Rect page;
  const QImage sheet = PrintedSheet({827, 1169}, 100, &page);
  const int mid = (page.top + page.bottom) / 2;
  const int height = page.bottom - page.top;
  for (int x : {page.left, page.right - 1})  // the frame
    EXPECT_GT(CountPixels(sheet, QRect(x, page.top, 1, height), Dark), height * 3 / 4) << x;
  int frameBottom = page.bottom - 1;
  while (frameBottom > mid && CountPixels(sheet, QRect(page.left, frameBottom, 100, 1), Is(Qt::black)) < 100)
    --frameBottom;
  EXPECT_LT(frameBottom, page.bottom - 10);
  EXPECT_GT(CountPixels(sheet, QRect(page.left, frameBottom + 1, page.right - page.left, page.bottom - frameBottom),
                        Dark),
            50);  // the caption
  // The window's samples run over the whole page width.
  EXPECT_GT(CountPixels(sheet, QRect(page.left + 1, page.top, 10, mid), Is(Qt::blue)), 0);
  EXPECT_GT(CountPixels(sheet, QRect(page.right - 11, page.top, 10, mid), Is(Qt::blue)), 0);
  EXPECT_EQ(view->State().m_sizeTotal, before.m_sizeTotal);
  EXPECT_EQ(view->State().m_ptScroll, before.m_ptScroll);

  // Through a PDF printer as the frame's print command hands it on.
  const QString pdf = Path("chart.pdf");
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  frame->PrintActiveView(printer);
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(4) == "%PDF");
  EXPECT_GT(file.size(), 2000);
  EXPECT_EQ(view->State().m_sizeTotal, before.m_sizeTotal);
  EXPECT_EQ(view->State().m_ptScroll, before.m_ptScroll);
  EXPECT_FALSE(view->State().m_bPrinting);
}

TEST_F(ChartViewTest, PaperHoldsTheWholeCaptionAndTheSupplyTraceOverThePlot) {
  Recording r = MakeRecording(12, 1, 0.5, 200);
  r.supply = std::vector<float>(200, 2.f);
  std::fill(r.supply->begin() + 100, r.supply->end(), 6.f);
  r.comment = "Участок 7";
  Load(r);
  frame->RouteCommand(ID_GRID);  // no labels in the way
  frame->RouteCommand(ID_CHANNEL1);
  frame->RouteCommand(ID_SUPPLY_VOLTAGE);
  chart::Rect page;
  const QImage sheet = PrintedSheet({2480, 3508}, 300, &page);  // A4 at 300 dpi
  // The caption band is two lines of the print font: the frame closes above
  // it and the comment fills its lower line.
  const int band = QFontMetrics(doc->m_fontPrint, &sheet).boundingRect(QRect(), 0, QStringLiteral("A\nA")).height();
  const int width = page.right - page.left, bottom = page.bottom - band;
  EXPECT_GT(CountPixels(sheet, QRect(page.left, bottom - 1, width, 1), Is(Qt::black)), width * 9 / 10);
  EXPECT_GT(CountPixels(sheet, QRect(page.left, page.bottom - band / 2, width, band / 2), Dark), 50);
  // The supply trace spreads over the plot from its left edge, so its step
  // from 2 V to 6 V stands mid-plot.
  const int x = page.left + width / 2 - 200;
  auto traceAt = [&](double volts) {
    const int y = bottom - static_cast<int>((bottom - page.top) * volts / 8);
    return CountPixels(sheet, QRect(x, y - 2, 1, 5), Is(Qt::black));
  };
  EXPECT_GT(traceAt(2), 0);
  EXPECT_EQ(traceAt(6), 0);
}

TEST_F(ChartViewTest, PrintPreviewOpensLandscapeWithTheWholePageInView) {
  Load(Survey(2000));
  for (QPageLayout::Orientation orientation : {QPageLayout::Landscape, QPageLayout::Portrait}) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      const QPrintPreviewWidget* preview = dialog->findChild<QPrintPreviewWidget*>();
      EXPECT_EQ(preview->orientation(), orientation);
      EXPECT_EQ(preview->zoomMode(), QPrintPreviewWidget::FitInView);
      EXPECT_GE(dialog->height(), dialog->screen()->availableGeometry().height() * 3 / 4);
      seen = true;
      dialog->reject();
    });
    frame->RouteCommand(ID_FILE_PRINT_PREVIEW);
    EXPECT_TRUE(seen);
    // What the page setup chose stays.
    frame->Printer().setPageOrientation(QPageLayout::Portrait);
  }
}

TEST_F(ChartViewTest, ZetCliDrawsTheWindowAfterARubberBandAndItsPrintedPage) {
  SKIP_PIXEL_COMPARISON_ON_WINDOWS();
  // One sample a pixel, so that a band's ends name its samples.
  const QSize window = view->viewport()->size();
  Recording r = Survey(window.width() + 1);
  r.comment = "Участок 7";
  Load(r);
  frame->CommentView()->setPlainText(QString::fromStdString(r.comment));
  view->Picture();
  Drag(Qt::LeftButton, {100, 0}, {400, window.height()});
  const QImage zoomed = view->Picture();
  ASSERT_EQ(WriteZetFile(Path("run.zet").toStdString(), r), "");

  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", dir.path());
  env.insert("XDG_CONFIG_HOME", Path("config"));
  env.remove("XDG_RUNTIME_DIR");
  cli.setProcessEnvironment(env);
  const QStringList sized = {"--width", QString::number(window.width()), "--height", QString::number(window.height())};
  auto render = [&](const QString& out, const QStringList& options) {
    cli.start(ZET_CLI_PATH, QStringList{"render", Path("run.zet"), out} + options);
    EXPECT_TRUE(cli.waitForFinished(60000));
    return cli.exitCode();
  };
  ASSERT_EQ(render(Path("span.png"), QStringList{"--span", "100:400"} + sized), 0);
  EXPECT_EQ(cli.readAllStandardError(), "");  // nothing on success, with no runtime folder too
  EXPECT_TRUE(QImage(Path("span.png")).convertToFormat(QImage::Format_RGB32) == zoomed);

  // The printed page of that window: A4 at 300 dpi, landscape unless asked otherwise.
  ASSERT_EQ(render(Path("page.png"), QStringList{"--span", "100:400", "--page"} + sized), 0);
  const QImage written = QImage(Path("page.png")).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(written.size(), QSize(3508, 2479));  // A4 at 300 dpi
  EXPECT_TRUE(written == PrintedSheet(written.size(), 300));
  ASSERT_EQ(render(Path("page.pdf"), {"--page", "--portrait"}), 0);
  const QImage upright = PdfPage(Path("page.pdf"), 20);
  EXPECT_LT(upright.width(), upright.height());

  // A span the recording does not hold: wrong usage, naming the samples it has.
  EXPECT_EQ(render(Path("bad.png"), {"--span", "100:" + QString::number(window.width() + 1)}), 2);
  EXPECT_TRUE(cli.readAllStandardError().contains("0:" + QByteArray::number(window.width())));
  EXPECT_FALSE(QFile::exists(Path("bad.png")));
}

// A full recorder memory is examined sample by sample: the stretch command
// and the rubber band both reach single sample intervals, drawn where the
// scales put them.
TEST_F(ChartViewTest, FullMemoryZoomsToSingleSamples) {
  const int n = 1 << 24;
  Load(MakeRecording(5, 1, 0.5, n));
  const chart::ChartState& s = view->State();
  const int width = view->viewport()->width();
  auto samplesDrawnInPlace = [&] {
    const QImage& picture = view->Picture();
    const chart::SampleRange range = chart::VisibleRange(s);
    int drawn = 0;
    for (int i = range.first; i <= range.last; ++i) {
      const chart::Coord x = chart::IndexToX(s, i) - s.m_ptScroll.x;
      const chart::Coord y = chart::ValueToY(s, (*doc->Data().m_pChannel1)[i]) - s.m_ptScroll.y;
      if (x < 0 || x >= width || y < 0 || y >= picture.height()) continue;
      EXPECT_EQ(picture.pixelColor(static_cast<int>(x), static_cast<int>(y)), QColor(Qt::blue)) << i;
      ++drawn;
    }
    return drawn;
  };

  Drag(Qt::LeftButton, {300, 100}, {300, 300});  // a band over less than one interval
  EXPECT_EQ(s.m_sizeTotal.cx, chart::MulDiv64(width, n - 1, 2));
  EXPECT_GE(samplesDrawnInPlace(), 2);

  frame->RouteCommand(ID_INITIAL_VIEW);
  while (State(ID_STRETCH_TIME).enabled) frame->RouteCommand(ID_STRETCH_TIME);
  EXPECT_LE(static_cast<double>(width) * (n - 1) / static_cast<double>(s.m_sizeTotal.cx), 2.0);
  view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum());
  view->Picture();
  EXPECT_EQ(chart::VisibleRange(s).last, n - 1);  // the bar's end is the recording's end
  EXPECT_GE(samplesDrawnInPlace(), 1);
}

// "Подобрать предел", from the menu or the toolbar: the finest limit step
// that holds every sample the window shows of the shown channels, with the
// whole value axis back in the window.
TEST_F(ChartViewTest, FitLimitTakesTheFinestStepHoldingTheShownSamples) {
  struct Case {
    float channel1, channel2;
    bool hideChannel2, toolbar;
    double limit;
  } cases[] = {{0.05f, 0.04f, false, false, 0.1}, {1.0f, 0.1f, false, true, 1}, {0.5f, 7.0f, false, false, 10},
               {0.5f, 70.0f, true, false, 1},    {150.0f, 0.0f, false, true, 100}};
  for (const Case& c : cases) {
    Recording r = MakeRecording(5, 2, 0.5, 1000);
    r.header.dMaxRange = 100;  // an automatic-range recording opens at 100 V
    for (int i = 0; i < 1000; ++i) {
      (*r.channel1)[i] = i % 2 ? c.channel1 : -c.channel1 / 2;
      (*r.channel2)[i] = -c.channel2;
    }
    (*r.channel1)[500] = NAN;
    (*r.channel1)[999] = 90;  // beyond the window once time is stretched about the centre
    Load(r);
    if (c.hideChannel2) frame->RouteCommand(ID_CHANNEL2);
    frame->RouteCommand(ID_STRETCH_TIME);
    frame->RouteCommand(ID_STRETCH_VALUES);
    if (c.toolbar)
      frame->ToolbarAction(ID_FIT_LIMIT)->trigger();
    else
      frame->RouteCommand(ID_FIT_LIMIT);
    EXPECT_EQ(doc->Data().m_dLimit, c.limit) << c.channel1 << " " << c.channel2;
    EXPECT_EQ(view->State().m_sizeTotal.cy, view->viewport()->height());
    if (c.hideChannel2) frame->RouteCommand(ID_CHANNEL2);
  }
  frame->RouteCommand(ID_VIEW_STRAY_CURRENTS);  // a chart command: greyed and off the toolbar there
  EXPECT_FALSE(State(ID_FIT_LIMIT).enabled);
  EXPECT_FALSE(frame->ToolbarAction(ID_FIT_LIMIT)->isVisible());
}

TEST_F(ChartViewTest, CommandsFollowTheRecordingAndTheChannels) {
  for (int id : {ID_STRETCH_TIME, ID_SHRINK_TIME, ID_STRETCH_VALUES, ID_SHRINK_VALUES, ID_CHANNEL1, ID_CHANNEL2})
    EXPECT_FALSE(State(id).enabled) << id;
  Load(MakeRecording(5, 1, 0.5, 1000));
  EXPECT_TRUE(State(ID_STRETCH_TIME).enabled);
  EXPECT_FALSE(State(ID_SHRINK_TIME).enabled);
  EXPECT_TRUE(State(ID_CHANNEL1).enabled);
  EXPECT_FALSE(State(ID_CHANNEL2).enabled);  // one channel

  // The statistics item comes last in the "Вид" menu before the assessment,
  // behind a separator, and has no toolbar button.
  const QList<QAction*> viewMenu = frame->menuBar()->actions()[1]->menu()->actions();
  EXPECT_EQ(viewMenu.back(), frame->MenuAction(ID_ANALYSIS));
  EXPECT_EQ(viewMenu[viewMenu.size() - 3], frame->MenuAction(ID_SPAN_STATISTICS));
  EXPECT_EQ(frame->ToolbarAction(ID_SPAN_STATISTICS), nullptr);
  EXPECT_FALSE(State(ID_SPAN_STATISTICS).checked);

  // A colour chosen for channel 1 draws it at once, and its toolbar button follows.
  view->chooseColor = [](const QColor&) { return std::optional<QColor>(QColor(0, 160, 0)); };
  frame->RouteCommand(ID_COLOR_CHANNEL1);
  EXPECT_GT(CountPixels(view->Picture(), view->Picture().rect(), Is(QColor(0, 160, 0))), 50);
  const QImage button = frame->ToolbarAction(ID_CHANNEL1)->icon().pixmap(16, 16).toImage();
  EXPECT_GT(CountPixels(button, button.rect(), Greenish), 5);
  EXPECT_EQ(CountPixels(button, button.rect(), [](QRgb p) { return qBlue(p) > qRed(p) + 60 && qBlue(p) > qGreen(p) + 60; }), 0);
}

TEST(ChartRenderTest, ZetCliDrawsTheInitialViewOfTheWindow) {
  SKIP_PIXEL_COMPARISON_ON_WINDOWS();
  QTemporaryDir dir;
  Recording r = Survey(3000);
  r.header.nDevice = 12;
  const std::string zet = dir.filePath("run.zet").toStdString();
  ASSERT_EQ(WriteZetFile(zet, r), "");
  const QString png = dir.filePath("run.png");
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", dir.path());
  env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
  cli.setProcessEnvironment(env);
  cli.start(ZET_CLI_PATH, {"render", QString::fromStdString(zet), png, "--width", "500", "--height", "300"});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();

  LogDocument doc;
  doc.SetRecording(r);
  MemorySettingsStore store;
  const QFont font = FontFromLogFont(AppSettings(store).ReadFontSetting());
  QImage expected(500, 300, QImage::Format_RGB32);
  {
    QPainter p(&expected);
    PaintInitialView(p, doc, {500, 300}, font);
  }
  const QImage written(png);
  ASSERT_FALSE(written.isNull());
  EXPECT_TRUE(written.convertToFormat(QImage::Format_RGB32) == expected);

  // A damaged file: exit code 3 and no picture.
  QFile damaged(dir.filePath("bad.zet"));
  ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
  damaged.write("LOG\0\2\0\0\0", 8);
  damaged.close();
  cli.start(ZET_CLI_PATH, {"render", damaged.fileName(), dir.filePath("bad.png")});
  ASSERT_TRUE(cli.waitForFinished(60000));
  EXPECT_EQ(cli.exitCode(), 3);
  EXPECT_FALSE(QFile::exists(dir.filePath("bad.png")));
}

}  // namespace
}  // namespace zet::testing
