// The stray-current diagram view: its form, its picture, and the playback
// driven by synthetic timer ticks.
#include <gtest/gtest.h>

#include <QFile>
#include <QGroupBox>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>

#include "diagram/draw/diagram_painter.h"
#include "diagram/ui/walking_view.h"
#include "recording/zet_file.h"
#include "shell_support.h"

namespace zet::testing {
namespace {

using namespace zet::ui;

constexpr int kDiagramSize = 600;

// A recording whose samples are the given (east, north) points, limit 10 V.
Recording PointsRecording(const std::vector<std::pair<float, float>>& en, int device = 5) {
  Recording r = MakeRecording(device, 2, 0.5, 0);
  r.channel1.emplace();
  r.channel2.emplace();
  for (auto [e, n] : en) {
    r.channel2->push_back(e);
    r.channel1->push_back(n);
  }
  return r;
}

// n points on a spiral, all inside the diagram.
Recording Spiral(int n) {
  std::vector<std::pair<float, float>> en;
  for (int i = 0; i < n; ++i) {
    const double r = 1 + 8.0 * i / n, a = i * 0.7;
    en.emplace_back(static_cast<float>(r * std::cos(a)), static_cast<float>(r * std::sin(a)));
  }
  return PointsRecording(en);
}

bool IsRed(const QImage& img, DiagramPoint p) { return img.pixel(p.x, p.y) == qRgb(255, 0, 0); }

int Count(const QImage& img, const QRect& area, const std::function<bool(QRgb)>& pred) {
  int n = 0;
  const QRect r = area & img.rect();
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += pred(img.pixel(x, y));
  return n;
}

bool Gray(QRgb c) { return c == qRgb(192, 192, 192); }
bool Dark(QRgb c) { return qGray(c) < 100; }
bool Green(QRgb c) { return c == qRgb(0, 255, 0); }
bool NotWhite(QRgb c) { return c != qRgb(255, 255, 255); }

// Pixels where the two pictures differ.
QRect Changed(const QImage& a, const QImage& b) {
  QRect r;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y)) r |= QRect(x, y, 1, 1);
  return r;
}

class DiagramViewTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    view = frame->WalkingView();
    view->Timer()->stop();  // the tests tick by hand
  }
  // The recording is loaded and, when it has channel 2, the diagram shown as
  // the user shows it; the diagram's area is wider than high.
  void Load(const Recording& r) {
    doc->LoadRun(r);
    if (!frame->IsDiagramMode()) frame->RouteCommand(ID_VIEW_STRAY_CURRENTS);
    const QRect b = view->RestartButton()->geometry();
    view->resize(b.x() + b.width() + 15 + kDiagramSize, kDiagramSize * 2 / 3);
    view->DocumentChanged();  // a window never shown gets no resize event
  }
  DiagramLayout Layout() const { return LayoutOf(doc->Data(), view->DiagramRect(), view->State().m_dZoom); }
  DiagramPoint At(int i) const { return *SamplePoint(doc->Data(), Layout(), i); }
  QImage Picture() const { return view->Picture().convertToFormat(QImage::Format_RGB32); }
  QRect Square() const { return SquareRect(Layout()); }
  // The three text lines left of the diagram read as those of sample i.
  bool TextsOf(int i) const {
    const QImage img = Picture();
    QImage expected(img.size(), QImage::Format_RGB32);
    expected.fill(Qt::white);
    QPainter p(&expected);
    PaintSampleTexts(p, doc->Data(), i, view->DiagramRect().bottom() + 1, view->font());
    const QRect strip(0, 0, view->DiagramRect().left(), img.height());
    return img.copy(strip) == expected.copy(strip);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) view->OnTimer();
  }

  CWalkingView* view = nullptr;
};

TEST_F(DiagramViewTest, FormControlsStandLeftOfTheDiagram) {
  Load(Spiral(10));
  QStringList groups;
  for (QGroupBox* g : view->findChildren<QGroupBox*>()) groups << g->title();
  EXPECT_EQ(groups, QStringList({"Развёртка", "Скорость вывода :"}));
  const QRect sweepGroup = view->findChildren<QGroupBox*>()[0]->geometry();
  const QRect speedGroup = view->findChildren<QGroupBox*>()[1]->geometry();
  EXPECT_TRUE(sweepGroup.contains(view->SweepBar()->geometry()));
  const char* texts[] = {"Мгновенно", "Очень быстро", "Быстро", "Медленно", "Очень медленно"};
  for (int i = 0; i < 5; ++i) {
    QRadioButton* b = view->SpeedButton(i);
    EXPECT_EQ(b->text(), QString::fromUtf8(texts[i]));
    EXPECT_EQ(b->isChecked(), i == 1) << i;
    EXPECT_TRUE(speedGroup.contains(b->geometry())) << i;
    if (i > 0) {
      EXPECT_GT(b->y(), view->SpeedButton(i - 1)->geometry().bottom()) << i;
    }
  }
  // START/STOP and "Сначала" side by side under the speeds, as wide as the groups.
  const QRect stop = view->StopButton()->geometry(), restart = view->RestartButton()->geometry();
  EXPECT_EQ(view->StopButton()->text(), "STOP");
  EXPECT_EQ(view->RestartButton()->text(), "Сначала");
  EXPECT_GT(stop.top(), speedGroup.bottom());
  EXPECT_EQ(restart.top(), stop.top());
  EXPECT_EQ(stop.left(), sweepGroup.left());
  EXPECT_GT(restart.left(), stop.right());
  EXPECT_EQ(restart.right(), sweepGroup.right());
  EXPECT_EQ(view->DiagramRect(), QRect(restart.right() + 1 + 15, 0, kDiagramSize, view->height()));
}

TEST_F(DiagramViewTest, InstantPictureShowsGridLabelsAndTraceWhereTheSamplesLie) {
  Load(PointsRecording({{5, 0}, {0, 5}, {-5, -2.5f}, {2, -7}, {-9.5f, 9.5f}}));
  view->OnSpeed(0);
  EXPECT_EQ(view->State().m_nPos, 5);
  QImage img = Picture();
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsRed(img, At(i))) << i;
  EXPECT_EQ(Count(img, img.rect(), Green), 0);

  const DiagramLayout l = Layout();
  const DiagramPoint c = l.Centre();
  const std::array<DiagramBox, 5> rings = RingBoxes(l);
  auto near = [&](double fraction, double t) {
    return QRect(c.x + static_cast<int>(fraction * l.side / 2 * std::cos(t)) - 2,
                 c.y + static_cast<int>(fraction * l.side / 2 * std::sin(t)) - 2, 5, 5);
  };
  for (int i = 0; i < 5; ++i) {
    const double fraction = 0.9 - 0.2 * i;
    EXPECT_GT(Count(img, near(fraction, M_PI / 4), Gray), 0) << "ring " << i;
    EXPECT_EQ(Count(img, near(fraction + 0.1, M_PI / 4), Gray), 0) << "between rings " << i;
    EXPECT_GT(Count(img, QRect(c.x - 10, rings[i].top - 3, 20, 6), Dark), 0) << "label " << i;
    EXPECT_GT(Count(img, QRect(c.x - 10, rings[i].bottom - 3, 20, 6), Dark), 0) << "label " << i;
  }
  // The compass words at the edges of the square, and nothing beside it.
  const QRect d = view->DiagramRect(), sq = Square();
  ASSERT_LT(sq.width(), d.width());
  const QRect compass[] = {QRect(c.x - 15, 0, 30, 12), QRect(c.x - 10, sq.bottom() - 12, 20, 12),
                           QRect(sq.right() - 25, c.y - 6, 25, 12), QRect(sq.left(), c.y - 6, 25, 12)};
  for (const QRect& r : compass) EXPECT_GT(Count(img, r, Dark), 0) << r.x() << "," << r.y();
  EXPECT_EQ(Count(img, d, NotWhite), Count(img, sq, NotWhite));

  // Without the grid only the trace is left.
  doc->OnCommand(ID_GRID);
  img = Picture();
  EXPECT_EQ(Count(img, d, NotWhite), 5);
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsRed(img, At(i))) << i;
}

TEST_F(DiagramViewTest, TicksChangeOnlyTheMarkerOnePixelAndTheTexts) {
  Load(Spiral(50));
  view->OnSpeed(2);  // "Быстро": a step every third tick
  const QImage start = Picture();
  Ticks(2);
  EXPECT_EQ(Picture(), start);
  Ticks(1);
  EXPECT_EQ(view->State().m_nPos, 1);
  EXPECT_EQ(view->SweepBar()->value(), 1);
  const QImage one = Picture();
  EXPECT_GT(Count(one, MovingMarkerRect(At(1)), Green), 0);
  const int h = QFontMetrics(view->font()).height();
  const QRect texts(5, view->height() - 3 * h, view->DiagramRect().left() - 5, 3 * h);
  EXPECT_GT(Count(one, texts, Dark), 0);

  Ticks(3);
  const QImage two = Picture();
  EXPECT_TRUE((MovingMarkerRect(At(1)) | MovingMarkerRect(At(2)) | texts).contains(Changed(one, two)));
  EXPECT_TRUE(IsRed(two, At(1)));
  ASSERT_FALSE(MovingMarkerRect(At(1)).intersects(MovingMarkerRect(At(2))));
  EXPECT_EQ(Count(two, MovingMarkerRect(At(1)), Green), 0);

  // Erasing by drawing again is exact: a full repaint keeps the moving marker
  // and the texts and differs only by the first sample, which an animation
  // from the start never marks.
  view->DocumentChanged();
  EXPECT_TRUE(QRect(At(0).x, At(0).y, 1, 1).contains(Changed(two, Picture())));

  // Paused, ticks change nothing, and the marker stays in sight through a repaint.
  view->OnStartStop();
  EXPECT_EQ(view->StopButton()->text(), "START");
  view->DocumentChanged();
  const QImage paused = Picture();
  EXPECT_GT(Count(paused, MovingMarkerRect(At(2)), Green), 0);
  Ticks(9);
  EXPECT_EQ(Picture(), paused);
  view->OnStartStop();
  EXPECT_EQ(view->StopButton()->text(), "STOP");
}

TEST_F(DiagramViewTest, TextsAlwaysDescribeTheSampleAtTheMarker) {
  Load(Spiral(1000));
  QScrollBar* bar = view->SweepBar();
  struct Step {
    const char* what;
    std::function<void()> act;
    int sample;
  } steps[] = {
      {"three ticks", [&] { Ticks(3); }, 3},
      {"page right", [&] { bar->triggerAction(QAbstractSlider::SliderPageStepAdd); }, 103},
      {"paused, line left", [&] { view->OnStartStop(); bar->triggerAction(QAbstractSlider::SliderSingleStepSub); }, 102},
      {"paused, thumb", [&] { view->OnSweep(SweepCode::Thumb, 640); }, 640},
      {"instant", [&] { view->SpeedButton(0)->click(); }, 999},
      {"left end", [&] { view->SpeedButton(1)->click(); bar->triggerAction(QAbstractSlider::SliderToMinimum); }, 0},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_TRUE(TextsOf(s.sample)) << s.what;
    const int pos = view->State().m_nPos;
    if (pos > 0 && pos < 1000) {
      EXPECT_GT(Count(Picture(), MovingMarkerRect(At(pos)), Green), 0) << s.what;
    }
  }
}

TEST_F(DiagramViewTest, RestartButtonPlaysFromTheFirstSampleAgain) {
  Load(Spiral(50));
  frame->RouteCommand(ID_STRETCH_VALUES);
  Ticks(10);
  QTest::mouseClick(view->StopButton(), Qt::LeftButton);
  EXPECT_EQ(view->StopButton()->text(), "START");
  QTest::mouseClick(view->RestartButton(), Qt::LeftButton);
  EXPECT_EQ(view->State().m_nPos, 0);
  EXPECT_EQ(view->SweepBar()->value(), 0);
  EXPECT_EQ(view->StopButton()->text(), "STOP");
  EXPECT_EQ(view->State().m_dZoom, 2);
  EXPECT_EQ(Count(Picture(), view->DiagramRect(), [](QRgb c) { return c == qRgb(255, 0, 0); }), 0);
  EXPECT_TRUE(TextsOf(0));
  Ticks(2);
  EXPECT_EQ(view->State().m_nPos, 2);
  EXPECT_TRUE(TextsOf(2));
}

TEST_F(DiagramViewTest, OutOfSightNothingIsDrawnAndShowingDrawsTheCurrentState) {
  Load(Spiral(200));
  Ticks(5);
  frame->RouteCommand(ID_VIEW_GRAPH);
  const QImage hidden = Picture();
  doc->OnCommand(ID_GRID);
  Ticks(20);
  EXPECT_EQ(Picture(), hidden);
  EXPECT_EQ(view->State().m_nPos, 25);  // the playback went on

  frame->RouteCommand(ID_VIEW_STRAY_CURRENTS);
  const QImage shown = Picture();
  EXPECT_EQ(Count(shown, view->DiagramRect(), Gray), 0);
  for (int i = 1; i < 25; ++i) EXPECT_TRUE(IsRed(shown, At(i))) << i;
  EXPECT_GT(Count(shown, MovingMarkerRect(At(25)), Green), 0);
  EXPECT_TRUE(TextsOf(25));
  Ticks(1);  // and the animation goes on from there
  EXPECT_TRUE(IsRed(Picture(), At(25)));
  EXPECT_TRUE(TextsOf(26));
}

TEST_F(DiagramViewTest, SweepBarMovesThePositionAndTheWholeTraceHasNoMarker) {
  Load(Spiral(1000));
  QScrollBar* bar = view->SweepBar();
  EXPECT_EQ(bar->maximum(), 999);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(view->State().m_nPos, 100);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(view->State().m_nPos, 99);
  view->OnSweep(SweepCode::Thumb, 995);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(view->State().m_nPos, 1000);
  EXPECT_EQ(bar->value(), 999);
  const QImage img = Picture();
  EXPECT_EQ(Count(img, img.rect(), Green), 0);
  for (int i : {0, 500, 999}) EXPECT_TRUE(IsRed(img, At(i))) << i;
  Ticks(5);  // at the end the ticks change nothing
  EXPECT_EQ(Picture(), img);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(view->State().m_nPos, 0);
}

TEST_F(DiagramViewTest, StretchInDiagramModeAndResetOnEveryNewRecording) {
  Load(Spiral(100));
  for (int i = 0; i < 5; ++i) frame->RouteCommand(ID_STRETCH_VALUES);
  EXPECT_EQ(view->State().m_dZoom, 16);
  view->OnStartStop();
  Ticks(3);
  view->OnSweep(SweepCode::Thumb, 40);

  Load(Spiral(10));
  EXPECT_EQ(view->State().m_nPos, 0);
  EXPECT_EQ(view->State().m_dZoom, 1);
  EXPECT_EQ(view->State().m_nTick, 0);
  EXPECT_FALSE(view->State().m_bPaused);
  EXPECT_EQ(view->StopButton()->text(), "STOP");
  EXPECT_EQ(view->SweepBar()->maximum(), 9);

  // A recording without channel 2 resets too, and the switch is no longer offered.
  view->OnSweep(SweepCode::RightEnd, 0);
  Load(MakeRecording(5, 1, 0.5, 10));
  EXPECT_EQ(view->State().m_nPos, 0);
  EXPECT_FALSE(State(ID_VIEW_STRAY_CURRENTS).enabled);
  EXPECT_EQ(Count(Picture(), view->DiagramRect(), NotWhite), 0);
}

TEST_F(DiagramViewTest, PaperHasBlackDotsAndTheHeadingOnlyForARecorder) {
  SKIP_PIXEL_COMPARISON_ON_WINDOWS();
  const QSize page(850, 1100);
  for (int device : {0, 7}) {
    Load(PointsRecording({{5, 0}, {0, -5}}, device));
    QImage img(page, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    DiagramPicture pic;
    pic.diagram = QRect(0, 0, page.width(), static_cast<int>(0.95 * page.height()));
    pic.paper = true;
    pic.font = doc->m_fontPrint;
    pic.content = {2, -1};
    PaintDiagram(p, doc->Data(), pic);
    p.end();
    const DiagramLayout l = LayoutOf(doc->Data(), pic.diagram, 1);
    for (int i = 0; i < 2; ++i) {
      const DiagramPoint at = *SamplePoint(doc->Data(), l, i);
      EXPECT_EQ(Count(img, QRect(at.x - 5, at.y - 5, 11, 11), Dark), 121) << i;
    }
    const QRect foot(0, pic.diagram.bottom() + 1, page.width(), page.height() - pic.diagram.height());
    EXPECT_EQ(Count(img, foot, Dark) > 0, device != 0) << device;
  }

  // Through a PDF printer from the frame while the diagram is shown: the whole
  // sheet, not the chart's margins ("Запад" at its left edge, the heading at its foot).
  Load(Spiral(30));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(Path("diagram.pdf"));
  frame->PrintActiveView(printer);
  const QImage sheet = PdfPage(Path("diagram.pdf"), 100);
  ASSERT_FALSE(sheet.isNull());
  const int mm10 = 39;  // 10 mm at 100 dpi
  EXPECT_GT(Count(sheet, QRect(0, 0, mm10, sheet.height()), Dark), 20);
  EXPECT_GT(Count(sheet, QRect(0, sheet.height() - mm10, sheet.width(), mm10), Dark), 20);
}

TEST_F(DiagramViewTest, ZetCliDrawsTheSamePictureAsTheScreen) {
  SKIP_PIXEL_COMPARISON_ON_WINDOWS();
  const Recording r = Spiral(200);
  Load(r);
  view->OnSpeed(0);
  // The square: the texts beside it may reach into the area.
  const QRect square = Square().translated(-view->DiagramRect().topLeft());
  const QImage screen = Picture().copy(view->DiagramRect());

  const std::string zet = Path("run.zet").toStdString();
  ASSERT_EQ(WriteZetFile(zet, r), "");
  QProcess cli;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("HOME", dir.path());
  env.insert("XDG_CONFIG_HOME", Path("config"));
  cli.setProcessEnvironment(env);
  auto render = [&](const QString& in, const QString& out) {
    cli.start(ZET_CLI_PATH, {"render", "--diagram", in, out, "--width", QString::number(screen.width()),
                             "--height", QString::number(screen.height())});
    EXPECT_TRUE(cli.waitForFinished(60000));
    return cli.exitCode();
  };
  ASSERT_EQ(render(Path("run.zet"), Path("run.png")), 0) << cli.readAllStandardError().toStdString();
  EXPECT_EQ(QImage(Path("run.png")).convertToFormat(QImage::Format_RGB32).copy(square), screen.copy(square));
  // In a PDF or SVG the trace is one image over vector grid and texts; a
  // viewer shows its pixels where the screen has them.
  EXPECT_EQ(render(Path("run.zet"), Path("run.svg")), 0);
  QFile svg(Path("run.svg"));
  ASSERT_TRUE(svg.open(QIODevice::ReadOnly));
  const QByteArray drawing = svg.readAll();
  EXPECT_EQ(drawing.count("<image"), 1);
  EXPECT_GT(drawing.count("<text"), 5);
  EXPECT_EQ(render(Path("run.zet"), Path("run.pdf")), 0);
  const QImage viewed = PdfPage(Path("run.pdf"), 4 * 96);  // enlarged: viewers smooth images at 1:1
  ASSERT_EQ(viewed.size(), screen.size() * 4);
  int red = 0, both = 0;
  for (int y = square.top(); y <= square.bottom(); ++y)
    for (int x = square.left(); x <= square.right(); ++x) {
      const bool trace = screen.pixel(x, y) == qRgb(255, 0, 0);
      red += trace;
      both += trace && viewed.pixel(4 * x + 2, 4 * y + 2) == qRgb(255, 0, 0);
    }
  EXPECT_GT(red, 100);
  EXPECT_EQ(both, red);

  // Either channel missing: no diagram, the refusal names it, and no file.
  Recording noNorth = Spiral(10);
  noNorth.channel1->clear();
  ASSERT_EQ(WriteZetFile(Path("north.zet").toStdString(), noNorth), "");
  ASSERT_EQ(WriteZetFile(Path("one.zet").toStdString(), MakeRecording(5, 1, 0.5, 10)), "");
  for (auto [file, channel] : {std::pair{"north.zet", "channel 1"}, {"one.zet", "channel 2"}}) {
    EXPECT_EQ(render(Path(file), Path("one.png")), 3) << file;
    EXPECT_TRUE(cli.readAllStandardError().contains(channel)) << file;
    EXPECT_FALSE(QFile::exists(Path("one.png")));
  }
}

}  // namespace
}  // namespace zet::testing
