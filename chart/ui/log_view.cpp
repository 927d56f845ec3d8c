#include "chart/ui/log_view.h"

#include <QApplication>
#include <QColorDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>

#include "chart/chart_layout.h"
#include "recording/ui/log_doc.h"

namespace zet::ui {

using chart::ChartState;

namespace {

chart::Point Pt(QPoint p) { return {p.x(), p.y()}; }

}  // namespace

CLogView::CLogView(CLogDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  chooseColor = [this](const QColor& c) -> std::optional<QColor> {
    QColor chosen = QColorDialog::getColor(c, this, QStringLiteral("Цвет"));
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
  beep = [] { QApplication::beep(); };
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    const bool vertical = bar == verticalScrollBar();
    bar->installEventFilter(this);
    connect(bar, &QAbstractSlider::actionTriggered, this,
            [this, vertical](int action) { OnScrollAction(vertical, action); });
  }
  chart::InitialUpdate(m_state, {viewport()->width(), viewport()->height()});
  ApplyBars();
}

// ---- repainting -------------------------------------------------------------------------

void CLogView::Invalidate() {
  m_bDirty = true;
  viewport()->update();
}

void CLogView::Redraw() {
  m_bDirty = true;
  viewport()->repaint();
}

void CLogView::DocumentChanged() { Invalidate(); }

void CLogView::SamplesChanged() {
  m_envelopes.Invalidate();
  Invalidate();
}

void CLogView::SetDisplayFont(const QFont&) {
  // The chart and the read-out take the document's font at their next drawing.
  Invalidate();
}

void CLogView::ResetToData(int n) {
  chart::ResetView(m_state, n);
  m_envelopes.Invalidate();
  ApplyBars();
  Invalidate();
}

ChartStyle CLogView::Style() const {
  ChartStyle style;
  style.crChannel1 = m_crChannel1;
  style.crChannel2 = m_crChannel2;
  style.bShowChannel1 = m_bShowChannel1;
  style.bShowChannel2 = m_bShowChannel2;
  style.bPoints = m_bPoints;
  style.font = m_doc.m_font;
  style.fontPrint = m_doc.m_fontPrint;
  return style;
}

void CLogView::Render() {
  m_bDirty = false;
  // A repaint wipes the overlays; the measurement line's ends start again at the origin.
  m_ptMeasureStart = m_ptMeasureEnd = QPoint(0, 0);
  m_cursorLines.clear();
  m_measureLines.clear();
  const qreal ratio = devicePixelRatioF();
  m_chart = QImage(viewport()->size() * ratio, QImage::Format_RGB32);
  m_chart.setDevicePixelRatio(ratio);
  m_chart.fill(Qt::white);
  chart::SetClientSize(m_state, {viewport()->width(), viewport()->height()});
  {
    QPainter p(&m_chart);
    PaintChart(p, m_state, m_doc.Data(), Style(), m_envelopes);
  }
  m_bComposed = false;
  // The drawing may have grown the canvas to the window.
  ApplyBars();
}

const QImage& CLogView::Picture() {
  if (m_bDirty || m_chart.size() != viewport()->size() * devicePixelRatioF()) Render();
  if (!m_bComposed) {
    m_picture = m_chart.copy();
    QPainter p(&m_picture);
    DrawOverlays(p);
    m_bComposed = true;
  }
  return m_picture;
}

void CLogView::paintEvent(QPaintEvent*) {
  const QImage& picture = Picture();
  QPainter p(viewport());
  p.drawImage(0, 0, picture);
}

void CLogView::showEvent(QShowEvent* e) {
  // Back from the diagram: what the mouse drew before is no longer true.
  Invalidate();
  QAbstractScrollArea::showEvent(e);
}

// ---- scroll bars -------------------------------------------------------------------------

void CLogView::ApplyBars() {
  const chart::ScrollBars& b = m_state.bars;
  const chart::Point limit = b.Limit();
  m_bApplyingBars = true;
  // Only what differs: a bar is also told during the repaints of its own drag.
  auto apply = [](QScrollBar* bar, chart::Coord max, chart::Coord page, chart::Coord line, chart::Coord pos) {
    const int shift = chart::BarShift(max);
    const int top = chart::ToBar(max, max);
    const int pageStep = static_cast<int>(std::max<chart::Coord>(page >> shift, 1));
    const int singleStep = static_cast<int>(std::max<chart::Coord>(line >> shift, 1));
    const int value = chart::ToBar(pos, max);
    if (bar->maximum() != top || bar->minimum() != 0) bar->setRange(0, top);
    if (bar->pageStep() != pageStep) bar->setPageStep(pageStep);
    if (bar->singleStep() != singleStep) bar->setSingleStep(singleStep);
    if (bar->value() != value && !bar->isSliderDown()) bar->setValue(value);
  };
  apply(horizontalScrollBar(), limit.x, b.page.cx, b.line.cx, b.pos.x);
  apply(verticalScrollBar(), limit.y, b.page.cy, b.line.cy, b.pos.y);
  m_bApplyingBars = false;
}

chart::Point CLogView::BarsPosition() const {
  const chart::ScrollBars& b = m_state.bars;
  const chart::Point limit = b.Limit();
  // A bar that stands where the state's position shows keeps that position's
  // units below the bar's own (a canvas wider than the bar's range).
  auto from = [](const QScrollBar* bar, chart::Coord pos, chart::Coord max) {
    return bar->value() == chart::ToBar(pos, max) ? std::clamp<chart::Coord>(pos, 0, max)
                                                   : chart::FromBar(bar->value(), max);
  };
  return {from(horizontalScrollBar(), b.pos.x, limit.x), from(verticalScrollBar(), b.pos.y, limit.y)};
}

void CLogView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  chart::SetClientSize(m_state, {viewport()->width(), viewport()->height()});
  ApplyBars();
  Invalidate();
}

void CLogView::scrollContentsBy(int, int) {
  // While the bars are being set from the state, a bar's move must not take
  // the other bar's old value back into the state.
  if (m_bApplyingBars) return;
  m_state.bars.pos = BarsPosition();
  Invalidate();
}

void CLogView::OnScrollAction(bool vertical, int action) {
  chart::ScrollCode code;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = chart::kLineUp; break;
    case QAbstractSlider::SliderSingleStepAdd: code = chart::kLineDown; break;
    case QAbstractSlider::SliderPageStepSub: code = chart::kPageUp; break;
    case QAbstractSlider::SliderPageStepAdd: code = chart::kPageDown; break;
    case QAbstractSlider::SliderToMinimum: code = chart::kTop; break;
    case QAbstractSlider::SliderToMaximum: code = chart::kBottom; break;
    case QAbstractSlider::SliderMove: code = chart::kThumbTrack; break;
    default: return;
  }
  chart::OnScroll(m_state, vertical, code);
  // A wheel or key step is a whole gesture: the grid comes back right after it.
  if (!m_bBarPressed[vertical ? 1 : 0]) QTimer::singleShot(0, this, &CLogView::EndScroll);
}

void CLogView::EndScroll() {
  if (chart::OnScroll(m_state, false, chart::kEndScroll)) Invalidate();
}

void CLogView::ScrollGesture(chart::Point to) {
  chart::ScrollToClamped(m_state, to);
  ApplyBars();
  EndScroll();
}

// Home and End go to the recording's start and end, PgUp and PgDn a page
// back and on: along the time axis, or the value axis when only it scrolls.
void CLogView::keyPressEvent(QKeyEvent* e) {
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  const int key = e->key();
  if (!plain || (key != Qt::Key_Home && key != Qt::Key_End && key != Qt::Key_PageUp && key != Qt::Key_PageDown)) {
    QAbstractScrollArea::keyPressEvent(e);
    return;
  }
  const chart::ScrollBars& b = m_state.bars;
  const chart::Point limit = b.Limit();
  const bool time = limit.x > 0 || limit.y == 0;
  chart::Point to = b.pos;
  chart::Coord& axis = time ? to.x : to.y;
  const chart::Coord page = time ? b.page.cx : b.page.cy;
  if (key == Qt::Key_Home) axis = 0;
  if (key == Qt::Key_End) axis = time ? limit.x : limit.y;
  if (key == Qt::Key_PageUp) axis -= page;
  if (key == Qt::Key_PageDown) axis += page;
  ScrollGesture(to);
  e->accept();
}

// The wheel scrolls the value axis when it has a bar, else the time axis;
// Shift+wheel the time axis; Ctrl+wheel stretches or compresses time around
// the mouse, a step per notch. A value range no taller than the time bar
// (which took those rows from the window) is no bar worth the wheel.
void CLogView::wheelEvent(QWheelEvent* e) {
  const QPoint angle = e->angleDelta();
  const int delta = angle.y() != 0 ? angle.y() : angle.x();
  e->accept();
  if (delta == 0) return;
  if (e->modifiers() & Qt::ControlModifier) {
    m_nWheelZoom += delta;
    const chart::Coord x = e->position().toPoint().x();
    bool changed = false;
    for (; m_nWheelZoom >= 120; m_nWheelZoom -= 120) changed |= chart::StretchTimeAt(m_state, x);
    for (; m_nWheelZoom <= -120; m_nWheelZoom += 120) changed |= chart::CompressTimeAt(m_state, x);
    if (changed) ScrollGesture(m_state.bars.pos);
    return;
  }
  const chart::ScrollBars& b = m_state.bars;
  const QScrollBar* timeBar = horizontalScrollBar();
  const bool valueBar = b.Limit().y > (timeBar->isVisible() ? timeBar->height() : 0);
  const bool time = (e->modifiers() & Qt::ShiftModifier) || angle.y() == 0 || !valueBar;
  const chart::Coord line = std::max<chart::Coord>(time ? b.line.cx : b.line.cy, 1);
  const chart::Coord step = -static_cast<chart::Coord>(delta) * QApplication::wheelScrollLines() * line / 120;
  ScrollGesture({b.pos.x + (time ? step : 0), b.pos.y + (time ? 0 : step)});
}

bool CLogView::eventFilter(QObject* watched, QEvent* e) {
  const int bar = watched == verticalScrollBar() ? 1 : watched == horizontalScrollBar() ? 0 : -1;
  if (bar >= 0 && e->type() == QEvent::MouseButtonPress) m_bBarPressed[bar] = true;
  if (bar >= 0 && e->type() == QEvent::MouseButtonRelease) {
    // The end of a thumb drag or of an arrow or trough press.
    m_bBarPressed[bar] = false;
    QTimer::singleShot(0, this, &CLogView::EndScroll);
  }
  return QAbstractScrollArea::eventFilter(watched, e);
}

// ---- overlays ------------------------------------------------------------------------------

void CLogView::OverlaysChanged() {
  m_bComposed = false;
  viewport()->update();
}

// Dotted figures that invert what is under them, and the read-out.
void CLogView::DrawOverlays(QPainter& p) {
  p.save();
  p.setCompositionMode(QPainter::RasterOp_NotDestination);
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  if (m_bZoomDrag && m_ptZoomAnchor != m_ptZoomCorner) p.drawRect(QRect(m_ptZoomAnchor, m_ptZoomCorner).normalized());
  if (m_ptMeasureStart != m_ptMeasureEnd) p.drawLine(m_ptMeasureStart, m_ptMeasureEnd);
  p.restore();
  DrawReadout(p);
}

// Text on an opaque white background, over whatever was there, clear of the
// value axis' heading and top label.
void CLogView::DrawReadout(QPainter& p) {
  p.setFont(m_doc.m_font);
  const QFontMetrics fm = p.fontMetrics();
  const int step = std::max(20, fm.height());
  std::vector<const ReadoutLine*> lines;
  for (const std::vector<ReadoutLine>* group : {&m_cursorLines, &m_measureLines})
    for (const ReadoutLine& line : *group) lines.push_back(&line);
  if (lines.empty()) return;
  int width = 0;
  for (const ReadoutLine* line : lines) {
    int w = 0;
    for (const ReadoutPiece& piece : *line) w += fm.horizontalAdvance(piece.text);
    width = std::max(width, w);
  }
  const int height = step * (static_cast<int>(lines.size()) - 1) + fm.height();
  const chart::Point at = chart::ReadoutOrigin({width, height}, {viewport()->width(), viewport()->height()},
                                               m_state.m_rcAxisTop);
  int y = static_cast<int>(at.y);
  for (const ReadoutLine* line : lines) {
    int x = static_cast<int>(at.x);
    for (const ReadoutPiece& piece : *line) {
      const QRect r(QPoint(x, y), QSize(fm.horizontalAdvance(piece.text), fm.height()));
      p.fillRect(r, Qt::white);
      p.setPen(piece.colour);
      p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextIncludeTrailingSpaces, piece.text);
      x = r.right() + 1;
    }
    y += step;
  }
}

QStringList CLogView::ReadoutLines() const {
  QStringList texts;
  for (const std::vector<ReadoutLine>* lines : {&m_cursorLines, &m_measureLines})
    for (const ReadoutLine& line : *lines) {
      QString text;
      for (const ReadoutPiece& piece : line) text += piece.text;
      texts << text;
    }
  return texts;
}

chart::SampleRange CLogView::SamplesBetween(QPoint a, QPoint b) const {
  int i0 = chart::CursorIndex(m_state, a.x());
  int i1 = chart::CursorIndex(m_state, b.x());
  if (i0 > i1) std::swap(i0, i1);
  return {i0, i1};
}

std::optional<chart::SampleRange> CLogView::MeasuredSpan() const {
  if (m_ptMeasureStart == m_ptMeasureEnd) return std::nullopt;
  return SamplesBetween(m_ptMeasureStart, m_ptMeasureEnd);
}

chart::SampleRange CLogView::ShownSpan() const { return chart::WindowSamples(m_state); }

std::string CLogView::SpanStatistics(QPoint a, QPoint b) {
  const LogDocument& d = m_doc.Data();
  const chart::SampleRange span = SamplesBetween(a, b);
  const int i0 = span.first, i1 = span.last;
  std::vector<chart::SpanStats> stats;
  auto add = [&](int channel, ChartEnvelopes::Array which, const SampleArray& samples) {
    const int n = Count(samples);
    const int lo = std::max(i0, 0), hi = std::min(i1, n - 1);
    if (lo > hi) return;
    const chart::Envelope& env = m_envelopes.For(which, *samples);
    const chart::Envelope::MinMax m = env.Range(lo, hi);
    stats.push_back({channel, m.min, m.max, env.Sum(lo, hi) / (static_cast<double>(hi) - lo + 1)});
  };
  if (m_bShowChannel1) add(1, ChartEnvelopes::kChannel1, d.m_pChannel1);
  if (m_bShowChannel2) add(2, ChartEnvelopes::kChannel2, d.m_pChannel2);
  return chart::StatsLine(stats);
}

// The finest limit that holds every sample the window shows of the shown
// channels, with the whole value axis in the window.
void CLogView::FitLimit() {
  LogDocument& d = m_doc.Data();
  const chart::SampleRange r = ShownSpan();
  float peak = 0;
  auto take = [&](bool shown, ChartEnvelopes::Array which, const SampleArray& samples) {
    const int last = std::min(r.last, Count(samples) - 1);
    if (shown && r.first <= last) peak = std::max(peak, m_envelopes.For(which, *samples).Peak(r.first, last));
  };
  take(m_bShowChannel1, ChartEnvelopes::kChannel1, d.m_pChannel1);
  take(m_bShowChannel2, ChartEnvelopes::kChannel2, d.m_pChannel2);
  d.FitLimit(peak);
  chart::FitValuesToWindow(m_state);
  ApplyBars();
  m_doc.UpdateAllViews();
}

// ---- mouse ----------------------------------------------------------------------------------

void CLogView::ReleaseCapture() {
  m_bCaptured = false;
  viewport()->unsetCursor();
}

void CLogView::OnLButtonDown(QPoint p) {
  m_bCaptured = true;
  m_bZoomDrag = !m_bZoomDrag;  // a second press without a release ends the drag
  m_ptZoomAnchor = m_ptZoomCorner = p;
  OverlaysChanged();
}

void CLogView::OnLButtonUp(QPoint p) {
  if (m_bCaptured) {
    ReleaseCapture();
    m_bHoverSeen = false;
  }
  if (m_bZoomDrag) {
    m_bZoomDrag = false;
    const chart::ZoomResult r = chart::ZoomToRect(m_state, Pt(m_ptZoomAnchor), Pt(m_ptZoomCorner));
    if (r.beep && beep) beep();
    if (r.zoomed) {
      ApplyBars();
      Redraw();
    }
    OverlaysChanged();  // the band goes
  }
  m_ptZoomCorner = p;
}

void CLogView::OnRButtonDown(QPoint p) {
  m_bCaptured = true;
  if (m_doc.Data().m_header.nDevice != 0 && m_bCurrentValues) {
    m_ptMeasureStart = m_ptMeasureEnd = p;
    m_bMeasuring = true;
    OverlaysChanged();
  }
}

void CLogView::OnRButtonUp(QPoint) {
  if (m_bCaptured) {
    ReleaseCapture();
    m_bHoverSeen = false;
  }
  m_bMeasuring = false;
}

void CLogView::OnMouseMove(QPoint p) {
  Picture();  // overlays go over the current chart
  if (m_bZoomDrag) {
    m_ptZoomCorner = p;
    OverlaysChanged();
  }
  if (m_state.m_dHalfScale == 0 || !m_bCurrentValues) return;

  const QRect client = viewport()->rect();
  const bool inside = p.x() > 0 && p.x() < client.width() && p.y() > 0 && p.y() < client.height();
  if (inside) {
    if (!m_bCaptured && m_bHoverSeen) {
      m_bCaptured = true;
      viewport()->setCursor(Qt::CrossCursor);
    } else {
      m_bHoverSeen = true;
    }
  } else if (m_bCaptured) {
    ReleaseCapture();
  }

  const LogDocument& d = m_doc.Data();
  const int i = chart::CursorIndex(m_state, p.x());
  const std::string time = d.GetTimeText(i);
  const double value = chart::CursorReading(m_state, p.y());
  const double r = d.m_dShuntResistance;
  const bool current = chart::ShowsCurrent(m_state, r);
  auto line = [](const std::string& text, const QColor& colour) {
    return ReadoutLine{{QString::fromStdString(text), colour}};
  };
  m_cursorLines = {line(chart::CursorText(value, current, r, time), Qt::black)};
  // Under it each shown channel's value at that sample, in the channel's colour.
  ReadoutLine channels;
  auto channel = [&](int number, bool shown, const SampleArray& samples, const QColor& colour) {
    if (!shown || i < 0 || i >= Count(samples)) return;
    if (!channels.empty()) channels.push_back({QStringLiteral("   "), Qt::black});
    channels.push_back({QString::fromStdString(chart::ChannelValueText(number, (*samples)[i], current, r)), colour});
  };
  channel(1, m_bShowChannel1, d.m_pChannel1, m_crChannel1);
  channel(2, m_bShowChannel2, d.m_pChannel2, m_crChannel2);
  if (!channels.empty()) m_cursorLines.push_back(std::move(channels));
  if (m_bMeasuring) {
    const double dv = value - chart::CursorValue(m_state, m_ptMeasureStart.y());
    const chart::MeasureText m = chart::MeasureLine(m_state, Pt(m_ptMeasureStart), Pt(p), dv, current,
                                                    r, d.m_header.dPeriod, d.m_bFastSampling);
    m_measureLines = {line(m.text, m.forward ? QColor(0, 128, 0) : QColor(255, 0, 0))};
    if (m_bSpanStatistics) m_measureLines.push_back(line(SpanStatistics(m_ptMeasureStart, p), Qt::black));
    m_ptMeasureEnd = p;
  }
  OverlaysChanged();
}

void CLogView::mousePressEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (e->button() == Qt::LeftButton) OnLButtonDown(p);
  if (e->button() == Qt::RightButton) OnRButtonDown(p);
}

void CLogView::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (e->button() == Qt::LeftButton) OnLButtonUp(p);
  if (e->button() == Qt::RightButton) OnRButtonUp(p);
}

void CLogView::mouseMoveEvent(QMouseEvent* e) { OnMouseMove(e->position().toPoint()); }

void CLogView::leaveEvent(QEvent* e) {
  // Without a button held the window sees no move outside: leaving is one.
  if (m_bCaptured && QApplication::mouseButtons() == Qt::NoButton) ReleaseCapture();
  QAbstractScrollArea::leaveEvent(e);
}

// ---- printing -------------------------------------------------------------------------------

void CLogView::PrintPage(QPainter& p, const chart::Rect& page, int dpiY) {
  PaintChartPage(p, m_state, m_doc.Data(), Style(), m_doc.CommentText().toStdString(), page, dpiY, m_envelopes);
  Redraw();
}

void CLogView::Print(QPrinter& printer) {
  QPainter p;
  if (!p.begin(&printer)) return;
  const int dpi = printer.resolution();
  const QPageLayout layout = printer.pageLayout();
  // Draw in sheet coordinates, so the margins are measured from the sheet's edges.
  p.translate(-layout.paintRectPixels(dpi).topLeft());
  PrintPage(p, ChartPageRect(layout, dpi), dpi);
}

// ---- commands -------------------------------------------------------------------------------

bool CLogView::OnUpdate(int id, CommandState& s) {
  const LogDocument& d = m_doc.Data();
  switch (id) {
    case ID_STRETCH_TIME: s.enabled = chart::CanStretchTime(m_state); return true;
    case ID_SHRINK_TIME: s.enabled = chart::CanCompressTime(m_state); return true;
    case ID_STRETCH_VALUES: s.enabled = chart::CanStretchValues(m_state); return true;
    case ID_SHRINK_VALUES: s.enabled = chart::CanCompressValues(m_state); return true;
    case ID_SUPPLY_VOLTAGE: s.checked = m_state.m_bSupplyVoltage; return true;
    case ID_CHANNEL1:
      s.enabled = d.Channel1Count() != 0;
      s.checked = m_bShowChannel1;
      return true;
    case ID_CHANNEL2:
      s.enabled = d.Channel2Count() != 0;
      s.checked = m_bShowChannel2;
      return true;
    case ID_CURRENT_VALUES: s.checked = m_bCurrentValues; return true;
    case ID_DOTS: s.checked = m_bPoints; return true;
    case ID_SPAN_STATISTICS: s.checked = m_bSpanStatistics; return true;
    case ID_FIT_LIMIT:
      s.enabled = m_state.m_nSamples > 1 && ((m_bShowChannel1 && d.Channel1Count() != 0) ||
                                             (m_bShowChannel2 && d.Channel2Count() != 0));
      return true;
    case ID_COLOR_CHANNEL1:
    case ID_COLOR_CHANNEL2: return true;
    default: return false;
  }
}

bool CLogView::OnCommand(int id) {
  auto zoom = [this](bool (*op)(ChartState&)) {
    if (op(m_state)) {
      ApplyBars();
      Invalidate();
    }
    return true;
  };
  switch (id) {
    case ID_STRETCH_TIME: return zoom(chart::StretchTime);
    case ID_SHRINK_TIME: return zoom(chart::CompressTime);
    case ID_STRETCH_VALUES: return zoom(chart::StretchValues);
    case ID_SHRINK_VALUES: return zoom(chart::CompressValues);
    case ID_SUPPLY_VOLTAGE:
      chart::ToggleSupplyVoltage(m_state);
      ApplyBars();
      Invalidate();
      return true;
    case ID_CHANNEL1:
      m_bShowChannel1 = !m_bShowChannel1;
      Invalidate();
      return true;
    case ID_CHANNEL2:
      m_bShowChannel2 = !m_bShowChannel2;
      Invalidate();
      return true;
    case ID_CURRENT_VALUES:
      // Off removes the read-out at once; on shows nothing until the mouse moves.
      m_bCurrentValues = !m_bCurrentValues;
      if (!m_bCurrentValues) Invalidate();
      return true;
    case ID_SPAN_STATISTICS:
      m_bSpanStatistics = !m_bSpanStatistics;
      if (!m_bSpanStatistics) Invalidate();
      return true;
    case ID_FIT_LIMIT: FitLimit(); return true;
    case ID_DOTS:
      m_bPoints = !m_bPoints;
      Redraw();
      return true;
    case ID_COLOR_CHANNEL1:
    case ID_COLOR_CHANNEL2: {
      QColor& c = id == ID_COLOR_CHANNEL1 ? m_crChannel1 : m_crChannel2;
      if (std::optional<QColor> chosen = chooseColor(c)) {
        c = *chosen;
        Redraw();
      }
      return true;
    }
    default: return false;
  }
}

}  // namespace zet::ui
