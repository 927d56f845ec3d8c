#include "chart/ui/log_view.h"

#include <QColorDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "app/text_format.h"
#include "recording/ui/log_doc.h"

namespace zet::ui {
namespace {

// Draws one sample series into the visible columns. With many samples per
// pixel each column gets its min..max line, so drawing cost follows the
// window width, not the recording length.
void DrawSeries(QPainter& p, const std::vector<float>& a, int count, int axisCount, const QRect& area,
                int canvasWidth, int scrollX, bool dots, const std::function<double(double)>& toY) {
  count = std::min<int>(count, static_cast<int>(a.size()));
  if (count <= 0 || axisCount <= 0 || canvasWidth <= 1) return;
  const double span = std::max(axisCount - 1, 1);
  const double perPixel = span / (canvasWidth - 1);  // samples per canvas unit
  if (perPixel > 2.0) {
    for (int x = area.left(); x <= area.right(); ++x) {
      double cx = x - area.left() + scrollX;
      long long i0 = static_cast<long long>(std::floor(cx * perPixel));
      long long i1 = static_cast<long long>(std::floor((cx + 1) * perPixel));
      if (i0 >= count) break;
      if (i0 < 0) continue;
      i1 = std::min<long long>(i1, count - 1);
      float lo = a[i0], hi = a[i0];
      for (long long i = i0 + 1; i <= i1; ++i) {
        lo = std::min(lo, a[i]);
        hi = std::max(hi, a[i]);
      }
      double y0 = toY(hi), y1 = toY(lo);
      if (dots) {
        p.drawPoint(QPointF(x, y0));
        p.drawPoint(QPointF(x, y1));
      } else {
        p.drawLine(QPointF(x, y0), QPointF(x, y1));
      }
    }
    return;
  }
  const double unitsPerSample = (canvasWidth - 1) / span;
  long long first = static_cast<long long>(std::floor(scrollX / unitsPerSample)) - 1;
  long long last = static_cast<long long>(std::ceil((scrollX + area.width()) / unitsPerSample)) + 1;
  first = std::clamp<long long>(first, 0, count - 1);
  last = std::clamp<long long>(last, 0, count - 1);
  QPolygonF line;
  line.reserve(static_cast<int>(last - first + 1));
  for (long long i = first; i <= last; ++i)
    line << QPointF(area.left() + i * unitsPerSample - scrollX, toY(a[i]));
  if (dots || line.size() == 1)
    p.drawPoints(line);
  else
    p.drawPolyline(line);
}

}  // namespace

CLogView::CLogView(CLogDoc& doc, QWidget* parent) : QAbstractScrollArea(parent), m_doc(doc) {
  setFrameShape(QFrame::NoFrame);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(true);
  viewport()->setBackgroundRole(QPalette::Base);
  m_font = doc.m_font;
  chooseColor = [this](const QColor& c) -> std::optional<QColor> {
    QColor chosen = QColorDialog::getColor(c, this);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
  };
}

void CLogView::SetDisplayFont(const QFont& font) {
  m_font = font;
  viewport()->update();
}

namespace {
// A stretch doubles the canvas; a collapsed pane has nothing to stretch, so the
// factor never grows without a window to show it.
bool CanStretch(int viewportExtent, int factor) {
  return viewportExtent > 0 && static_cast<long long>(viewportExtent) * factor * 2 <= CLogView::kMaxCanvas;
}
}  // namespace

int CLogView::CanvasWidth() const {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(viewport()->width()) * m_nTimeZoom, 1,
                                                kMaxCanvas));
}

int CLogView::CanvasHeight() const {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(viewport()->height()) * m_nValueZoom, 1,
                                                kMaxCanvas));
}

void CLogView::UpdateScrollBars() {
  horizontalScrollBar()->setRange(0, std::max(0, CanvasWidth() - viewport()->width()));
  horizontalScrollBar()->setPageStep(viewport()->width());
  verticalScrollBar()->setRange(0, std::max(0, CanvasHeight() - viewport()->height()));
  verticalScrollBar()->setPageStep(viewport()->height());
}

void CLogView::ResetToData(int n) {
  m_nSamples = std::max(n, 0);
  m_nTimeZoom = 1;
  m_nValueZoom = 1;
  UpdateScrollBars();
  horizontalScrollBar()->setValue(0);
  verticalScrollBar()->setValue(0);
  viewport()->update();
}

void CLogView::DocumentChanged() {
  UpdateScrollBars();
  viewport()->update();
}

void CLogView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void CLogView::mouseMoveEvent(QMouseEvent* e) {
  m_nMouseX = static_cast<int>(e->position().x());
  if (m_bShowValues) viewport()->update();
}

void CLogView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  Draw(p, viewport()->rect(), CanvasWidth(), CanvasHeight(), horizontalScrollBar()->value(),
       verticalScrollBar()->value());
}

void CLogView::DrawWhole(QPainter& p, const QRect& area) {
  Draw(p, area, std::clamp(area.width(), 1, kMaxCanvas), std::clamp(area.height(), 1, kMaxCanvas), 0, 0);
}

void CLogView::Draw(QPainter& p, const QRect& area, int canvasWidth, int canvasHeight, int scrollX,
                    int scrollY) {
  const LogDocument& d = m_doc.Data();
  p.save();
  p.setClipRect(area);
  p.fillRect(area, Qt::white);
  p.setFont(m_font);
  const double limit = d.m_dLimit > 0 ? d.m_dLimit : 1.0;
  const double half = limit * 1.05;
  auto toY = [&](double v) { return area.top() + (half - v) / (2 * half) * (canvasHeight - 1) - scrollY; };
  const int n1 = d.Channel1Count();
  const int n2 = d.Channel2Count();
  const int axis = std::max(n1, 1);
  const bool current = d.m_bShuntCurrent && d.m_dShuntResistance > 0;

  if (d.m_bGrid) {
    QPen grid(QColor(192, 192, 192), 0, Qt::DotLine);
    const QFontMetrics fm(m_font);
    for (int k = -5; k <= 5; ++k) {
      double v = limit * k / 5.0;
      double y = toY(v);
      p.setPen(k == 0 ? QPen(QColor(160, 160, 160)) : grid);
      p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
      QString label = QString::fromStdString(CFormat("%g В", v));
      p.setPen(Qt::black);
      p.drawText(QPointF(area.left() + 3, y - 2), label);
      if (current) {
        p.setPen(m_crChannel2);
        p.drawText(QPointF(area.left() + 6 + fm.horizontalAdvance(label), y - 2),
                   QString::fromStdString(CFormat("%g А", v / d.m_dShuntResistance)));
      }
    }
    int labelEnd = area.left();  // time labels that would overlap are left out
    for (int k = 1; k < 10; ++k) {
      int x = area.left() + area.width() * k / 10;
      p.setPen(grid);
      p.drawLine(x, area.top(), x, area.bottom());
      if (n1 > 1 && d.m_header.nDevice != 0) {
        double canvasX = x - area.left() + scrollX;
        long long i = static_cast<long long>(canvasX * (axis - 1) / std::max(canvasWidth - 1, 1));
        const QString label = QString::fromStdString(d.GetTimeText(i)).trimmed();
        if (i < n1 && x + 2 > labelEnd) {
          p.setPen(Qt::black);
          p.drawText(QPointF(x + 2, area.bottom() - 3), label);
          labelEnd = x + 2 + fm.horizontalAdvance(label) + 4;
        }
      }
    }
  }

  if (m_bShowChannel1 && d.m_pChannel1) {
    p.setPen(QPen(m_crChannel1, m_bDots ? 2 : 0));
    DrawSeries(p, *d.m_pChannel1, n1, axis, area, canvasWidth, scrollX, m_bDots, toY);
  }
  if (m_bShowChannel2 && d.m_pChannel2) {
    p.setPen(QPen(m_crChannel2, m_bDots ? 2 : 0));
    DrawSeries(p, *d.m_pChannel2, n2, axis, area, canvasWidth, scrollX, m_bDots, toY);
  }
  if (m_bShowSupply && d.m_pSupply && d.SupplyCount() > 0) {
    // The supply trace has its own time base and a fixed 4.5..6.2 V scale.
    auto supplyY = [&](double v) { return area.top() + (6.2 - v) / 1.7 * (canvasHeight - 1) - scrollY; };
    p.setPen(QPen(QColor(0, 128, 0), 0));
    DrawSeries(p, *d.m_pSupply, d.SupplyCount(), d.SupplyCount(), area, canvasWidth, scrollX, m_bDots,
               supplyY);
  }

  if (m_bShowValues && n1 > 0 && m_nMouseX >= area.left() && m_nMouseX <= area.right()) {
    double canvasX = m_nMouseX - area.left() + scrollX;
    long long i = std::llround(canvasX * (axis - 1) / std::max(canvasWidth - 1, 1));
    i = std::clamp<long long>(i, 0, n1 - 1);
    QString text = QString::fromStdString(d.GetTimeText(i)).trimmed() + "   " +
                   QString::fromStdString(CFormat("%.4f В", (*d.m_pChannel1)[i]));
    if (d.m_pChannel2 && i < n2) text += "   " + QString::fromStdString(CFormat("%.4f В", (*d.m_pChannel2)[i]));
    p.setPen(QPen(Qt::darkGray, 0, Qt::DashLine));
    p.drawLine(m_nMouseX, area.top(), m_nMouseX, area.bottom());
    const QFontMetrics fm(m_font);
    QRect box(area.left() + 4, area.top() + 4, fm.horizontalAdvance(text) + 8, fm.height() + 4);
    p.fillRect(box, QColor(255, 255, 225));
    p.setPen(Qt::black);
    p.drawRect(box);
    p.drawText(box, Qt::AlignCenter, text);
  }
  p.restore();
}

void CLogView::Zoom(int& factor, bool stretch, QScrollBar* bar, int viewportExtent) {
  if (stretch && !CanStretch(viewportExtent, factor)) return;
  int next = stretch ? factor * 2 : factor / 2;
  if (next < 1) return;
  // Keep the middle of the window where it was.
  double centre = (bar->value() + viewportExtent / 2.0) / factor;
  factor = next;
  UpdateScrollBars();
  bar->setValue(static_cast<int>(centre * factor - viewportExtent / 2.0));
  viewport()->update();
}

bool CLogView::OnUpdate(int id, CommandState& s) {
  switch (id) {
    case ID_STRETCH_TIME: s.enabled = CanStretch(viewport()->width(), m_nTimeZoom); return true;
    case ID_SHRINK_TIME: s.enabled = m_nTimeZoom > 1; return true;
    case ID_STRETCH_VALUES: s.enabled = CanStretch(viewport()->height(), m_nValueZoom); return true;
    case ID_SHRINK_VALUES: s.enabled = m_nValueZoom > 1; return true;
    case ID_CHANNEL1: s.checked = m_bShowChannel1; return true;
    case ID_CHANNEL2: s.checked = m_bShowChannel2; return true;
    case ID_CURRENT_VALUES: s.checked = m_bShowValues; return true;
    case ID_SUPPLY_VOLTAGE: s.checked = m_bShowSupply; return true;
    case ID_DOTS: s.checked = m_bDots; return true;
    case ID_COLOR_CHANNEL1:
    case ID_COLOR_CHANNEL2: return true;
    default: return false;
  }
}

bool CLogView::OnCommand(int id) {
  auto toggle = [this](bool& flag) {
    flag = !flag;
    viewport()->update();
    return true;
  };
  switch (id) {
    case ID_STRETCH_TIME: Zoom(m_nTimeZoom, true, horizontalScrollBar(), viewport()->width()); return true;
    case ID_SHRINK_TIME: Zoom(m_nTimeZoom, false, horizontalScrollBar(), viewport()->width()); return true;
    case ID_STRETCH_VALUES: Zoom(m_nValueZoom, true, verticalScrollBar(), viewport()->height()); return true;
    case ID_SHRINK_VALUES: Zoom(m_nValueZoom, false, verticalScrollBar(), viewport()->height()); return true;
    case ID_CHANNEL1: return toggle(m_bShowChannel1);
    case ID_CHANNEL2: return toggle(m_bShowChannel2);
    case ID_CURRENT_VALUES: return toggle(m_bShowValues);
    case ID_SUPPLY_VOLTAGE: return toggle(m_bShowSupply);
    case ID_DOTS: return toggle(m_bDots);
    case ID_COLOR_CHANNEL1:
    case ID_COLOR_CHANNEL2: {
      QColor& c = id == ID_COLOR_CHANNEL1 ? m_crChannel1 : m_crChannel2;
      if (std::optional<QColor> chosen = chooseColor(c)) {
        c = *chosen;
        viewport()->update();
      }
      return true;
    }
    default: return false;
  }
}

void CLogView::Print(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  QRect area(0, 0, page.width(), page.height());
  painter.setFont(m_doc.m_fontPrint);
  const int caption = painter.fontMetrics().height() * 2;
  painter.drawText(QRect(area.left(), area.top(), area.width(), caption), Qt::AlignLeft | Qt::AlignVCenter,
                   m_doc.GetTitle());
  area.setTop(area.top() + caption);
  DrawWhole(painter, area);
  painter.end();
}

}  // namespace zet::ui
