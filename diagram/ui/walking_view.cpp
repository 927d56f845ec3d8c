#include "diagram/ui/walking_view.h"

#include <QGroupBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>

#include "diagram/draw/diagram_painter.h"
#include "recording/ui/log_doc.h"

namespace zet::ui {

namespace {

// The form's controls in dialog units, converted with the font's base units
// as a dialog template would be.
struct DialogUnits {
  int baseX = 6;
  int baseY = 13;

  explicit DialogUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = std::max(1, (letters / 26 + 1) / 2);
    baseY = std::max(1, fm.height());
  }
  static int MulDiv(int a, int b, int c) { return static_cast<int>((2LL * a * b + c) / (2LL * c)); }
  QRect Rect(int x, int y, int w, int h) const {
    return QRect(QPoint(MulDiv(x, baseX, 4), MulDiv(y, baseY, 8)),
                 QPoint(MulDiv(x + w, baseX, 4) - 1, MulDiv(y + h, baseY, 8) - 1));
  }
};

constexpr const char* kSpeedTexts[5] = {"Мгновенно", "Очень быстро", "Быстро", "Медленно", "Очень медленно"};
constexpr int kDiagramGap = 15;  // pixels between the buttons and the diagram
constexpr int kInitialSpeed = 1;  // "Очень быстро"
// Below this many samples one pass over them is as quick as a look at every
// pixel of the trace's map, so a map is not worth building.
constexpr int kMapWorthSamples = 100000;

SweepCode CodeOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: return SweepCode::LineLeft;
    case QAbstractSlider::SliderSingleStepAdd: return SweepCode::LineRight;
    case QAbstractSlider::SliderPageStepSub: return SweepCode::PageLeft;
    case QAbstractSlider::SliderPageStepAdd: return SweepCode::PageRight;
    case QAbstractSlider::SliderMove: return SweepCode::Thumb;
    case QAbstractSlider::SliderToMinimum: return SweepCode::LeftEnd;
    case QAbstractSlider::SliderToMaximum: return SweepCode::RightEnd;
    default: return SweepCode::Other;
  }
}

}  // namespace

CWalkingView::CWalkingView(CLogDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_textFont = font();  // the window's own until a font is chosen
  CreateForm();
  m_speedButtons[kInitialSpeed]->setChecked(true);
  m_playback.SetSpeed(kInitialSpeed);
  m_pTimer = new QTimer(this);
  connect(m_pTimer, &QTimer::timeout, this, &CWalkingView::OnTimer);
  m_pTimer->start(kPlaybackTimerMs);
}

void CWalkingView::CreateForm() {
  const DialogUnits du(font());
  auto group = new QGroupBox(QStringLiteral("Развёртка"), this);
  group->setGeometry(du.Rect(5, 0, 95, 25));
  m_scrollSweep = new QScrollBar(Qt::Horizontal, this);
  m_scrollSweep->setGeometry(du.Rect(10, 10, 85, 10));
  m_scrollSweep->setRange(0, 0);
  connect(m_scrollSweep, &QAbstractSlider::actionTriggered, this,
          [this](int action) { OnSweep(CodeOf(action), m_scrollSweep->sliderPosition()); });

  group = new QGroupBox(QStringLiteral("Скорость вывода :"), this);
  group->setGeometry(du.Rect(5, 25, 95, 70));
  for (int i = 0; i < 5; ++i) {
    QRadioButton* b = new QRadioButton(QString::fromUtf8(kSpeedTexts[i]), this);
    b->setGeometry(du.Rect(15, 40 + 10 * i, 80, 10));
    connect(b, &QRadioButton::clicked, this, [this, i] { OnSpeed(i); });
    m_speedButtons[i] = b;
  }
  m_btnStop = new QPushButton(QStringLiteral("STOP"), this);
  m_btnStop->setGeometry(du.Rect(5, 100, 46, 14));
  connect(m_btnStop, &QPushButton::clicked, this, &CWalkingView::OnStartStop);
  m_btnRestart = new QPushButton(QStringLiteral("Сначала"), this);
  m_btnRestart->setGeometry(du.Rect(54, 100, 46, 14));
  connect(m_btnRestart, &QPushButton::clicked, this, &CWalkingView::OnRestart);
}

// ---- state and layout ------------------------------------------------------------

int CWalkingView::Samples() const { return m_doc.Data().Channel2Count(); }

void CWalkingView::Layout() {
  m_nLeft = m_btnRestart->geometry().x() + m_btnRestart->geometry().width() + kDiagramGap;
  m_rcDiagram = QRect(m_nLeft, 0, width() - m_nLeft, height());
}

bool CWalkingView::Drawable() const { return HasDiagramData(m_doc.Data()) && m_rcDiagram.width() > 0; }

void CWalkingView::EnsureImage() {
  const qreal dpr = devicePixelRatioF();
  const QSize pixels = size() * dpr;
  if (m_image.size() == pixels && m_image.devicePixelRatio() == dpr) return;
  m_image = QImage(pixels.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  m_image.setDevicePixelRatio(dpr);
  m_image.fill(Qt::white);
}

void CWalkingView::DrawDiagram(const DiagramContent& content) {
  EnsureImage();
  if (m_rcDiagram.width() <= 0 || m_rcDiagram.height() <= 0) return;
  // Drawn on an image of the diagram's own size, as zet-cli draws it: lines
  // cut at the same edges keep their dots in the same places.
  const qreal dpr = m_image.devicePixelRatio();
  QImage part(m_rcDiagram.size() * dpr, QImage::Format_RGB32);
  part.setDevicePixelRatio(dpr);
  part.fill(Qt::white);
  {
    QPainter p(&part);
    p.translate(-m_rcDiagram.topLeft());
    DiagramPicture pic;
    pic.diagram = m_rcDiagram;
    pic.zoom = m_playback.m_dZoom;
    pic.grid = m_doc.Data().m_bGrid;
    pic.font = m_doc.m_font;
    pic.content = content;
    const DiagramLayout layout = LayoutOf(m_doc.Data(), m_rcDiagram, pic.zoom);
    if (content.trace >= kMapWorthSamples && !m_traceMap.Fits(m_doc.Data(), layout, layout.Square()))
      m_traceMap = TraceMap(m_doc.Data(), layout, layout.Square());
    pic.traceMap = &m_traceMap;
    PaintDiagram(p, m_doc.Data(), pic);
  }
  QPainter p(&m_image);
  p.drawImage(m_rcDiagram.topLeft(), part);
  update(m_rcDiagram);
}

bool CWalkingView::InSight() {
  // The stacked pane hides the view it does not show.
  if (isHidden()) m_bStale = true;
  return !m_bStale;
}

void CWalkingView::RepaintDiagram() {
  Layout();
  if (!InSight()) return;
  const bool drawable = Drawable();
  const DiagramContent content = m_playback.OnDraw(Samples(), drawable);
  DrawDiagram(content);
  if (drawable) m_scrollSweep->setValue(m_playback.m_nPos);
  WriteTexts();
}

void CWalkingView::RepaintView() {
  Layout();
  m_bStale = isHidden();  // out of sight it waits to be shown
  if (m_bStale) return;
  EnsureImage();
  m_image.fill(Qt::white);
  update();
  RepaintDiagram();
}

void CWalkingView::WriteTexts() {
  EnsureImage();
  QPainter p(&m_image);
  update(PaintSampleTexts(p, m_doc.Data(), m_playback.TextSample(Samples()), m_rcDiagram.bottom() + 1, m_textFont));
}

// ---- document and frame ------------------------------------------------------------

void CWalkingView::ResetPlayback(int n) {
  m_scrollSweep->setRange(0, std::max(n - 1, 0));
  m_scrollSweep->setPageStep(std::max(n / 10, 1));
  m_scrollSweep->setValue(0);
  m_playback.Reset();
  m_btnStop->setText(QStringLiteral("STOP"));
  m_traceMap = {};
}

void CWalkingView::DocumentChanged() { RepaintView(); }

void CWalkingView::SamplesChanged() { m_traceMap = {}; }

void CWalkingView::SetDisplayFont(const QFont& font) { m_textFont = font; }

bool CWalkingView::OnUpdate(int id, CommandState&) {
  return id == ID_STRETCH_VALUES || id == ID_SHRINK_VALUES;
}

bool CWalkingView::OnCommand(int id) {
  switch (id) {
    case ID_STRETCH_VALUES: m_playback.Stretch(); break;
    case ID_SHRINK_VALUES: m_playback.Compress(); break;
    default: return false;
  }
  RepaintView();
  return true;
}

// ---- playback ------------------------------------------------------------------------

void CWalkingView::OnTimer() {
  Layout();
  const TickDraw d = m_playback.Tick(Samples(), Drawable());
  if (!d.repaint && d.erase < 0 && d.marker < 0) return;
  m_scrollSweep->setValue(m_playback.m_nPos);
  // Out of sight the playback goes on, and the view draws its state when shown.
  if (!InSight()) return;
  if (d.repaint) DrawDiagram(*d.repaint);
  EnsureImage();
  const LogDocument& data = m_doc.Data();
  const DiagramLayout layout = LayoutOf(data, m_rcDiagram, m_playback.m_dZoom);
  {
    QPainter p(&m_image);
    p.setClipRect(SquareRect(layout));
    if (std::optional<DiagramPoint> at = SamplePoint(data, layout, d.erase)) {
      PaintMovingMarker(p, *at);
      PaintTracePixel(p, *at);
      update(MovingMarkerRect(*at));
    }
    if (std::optional<DiagramPoint> at = SamplePoint(data, layout, d.marker)) {
      PaintMovingMarker(p, *at);
      update(MovingMarkerRect(*at));
    }
  }
  WriteTexts();
}

void CWalkingView::OnSpeed(int index) {
  m_playback.SetSpeed(index);
  if (index >= 0 && index < 5 && !m_speedButtons[index]->isChecked()) m_speedButtons[index]->setChecked(true);
  RepaintDiagram();
}

void CWalkingView::OnStartStop() {
  m_playback.ToggleRun();
  m_btnStop->setText(m_playback.m_bPaused ? QStringLiteral("START") : QStringLiteral("STOP"));
}

void CWalkingView::OnRestart() {
  m_playback.Restart();
  m_btnStop->setText(QStringLiteral("STOP"));
  RepaintDiagram();
}

void CWalkingView::OnSweep(SweepCode code, int thumb) {
  const int pos = m_playback.Sweep(code, thumb, Samples());
  m_scrollSweep->setValue(pos);
  RepaintDiagram();
}

// ---- painting and printing ---------------------------------------------------------

bool CWalkingView::event(QEvent* e) {
  // Sent when the pane shows the view, also inside a window not yet shown.
  if (e->type() == QEvent::ShowToParent && m_bStale) RepaintView();
  return QWidget::event(e);
}

void CWalkingView::paintEvent(QPaintEvent* e) {
  // e.g. moved to a denser screen, or shown without notice
  if (m_bStale || m_image.size() != size() * devicePixelRatioF()) RepaintView();
  QPainter p(this);
  const qreal dpr = m_image.devicePixelRatio();
  for (const QRect& r : e->region())
    p.drawImage(r, m_image, QRectF(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr));
}

void CWalkingView::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  EnsureImage();
  RepaintView();
}

void CWalkingView::Print(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const int dpi = printer.resolution();
  const QPageLayout layout = printer.pageLayout();
  // Sheet coordinates, as the chart's page is drawn.
  painter.translate(-layout.paintRectPixels(dpi).topLeft());
  const QRect printable = PrintableRect(layout, dpi);
  const bool drawable = HasDiagramData(m_doc.Data()) && printable.width() > 0;
  const DiagramContent content = m_playback.OnDraw(Samples(), drawable);
  if (drawable) m_scrollSweep->setValue(m_playback.m_nPos);
  PaintDiagramPage(painter, m_doc.Data(), printable, m_playback.m_dZoom, content, m_doc.m_fontPrint);
  painter.end();
}

}  // namespace zet::ui
