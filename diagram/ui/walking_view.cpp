#include "diagram/ui/walking_view.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "app/text_format.h"
#include "recording/ui/log_doc.h"

namespace zet::ui {

namespace {
constexpr int kMaxValueZoom = 64;
}

CWalkingView::CWalkingView(CLogDoc& doc, QWidget* parent) : QWidget(parent), m_doc(doc) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  m_font = doc.m_font;
}

void CWalkingView::ResetPlayback(int n) {
  m_nSamples = std::max(n, 0);
  m_nPosition = 0;
  update();
}

void CWalkingView::SetDisplayFont(const QFont& font) {
  m_font = font;
  update();
}

void CWalkingView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  Draw(p, rect());
}

void CWalkingView::Draw(QPainter& p, const QRect& area) {
  const LogDocument& d = m_doc.Data();
  p.save();
  p.setClipRect(area);
  p.fillRect(area, Qt::white);
  p.setFont(m_font);
  p.setRenderHint(QPainter::Antialiasing, true);
  const QPointF c = QRectF(area).center();
  const double radius = std::max(10.0, std::min(area.width(), area.height()) / 2.0 - 24);
  const double limit = (d.m_dLimit > 0 ? d.m_dLimit : 1.0) / m_nValueZoom;
  const double scale = radius / limit;

  if (d.m_bGrid) {
    p.setPen(QPen(QColor(192, 192, 192), 0, Qt::DotLine));
    for (int k = 1; k <= 4; ++k) p.drawEllipse(c, radius * k / 4, radius * k / 4);
    for (int a = 0; a < 360; a += 30) {
      double r = a * M_PI / 180.0;
      p.drawLine(c, c + QPointF(radius * std::sin(r), -radius * std::cos(r)));
    }
    p.setPen(Qt::black);
    p.drawText(QPointF(c.x() + 4, c.y() - radius + QFontMetrics(m_font).ascent() + 2),
               QString::fromStdString(CFormat("%g В", limit)));
  }
  p.setPen(Qt::black);
  p.drawText(QPointF(c.x() - 4, area.top() + 14), QStringLiteral("С"));

  // Channel 1 along north, channel 2 along east; never past either count.
  const int n = std::min(d.Channel1Count(), d.Channel2Count());
  if (n > 0 && d.m_pChannel1 && d.m_pChannel2) {
    const auto& a1 = *d.m_pChannel1;
    const auto& a2 = *d.m_pChannel2;
    auto point = [&](int i) { return c + QPointF(a2[i] * scale, -a1[i] * scale); };
    p.setPen(QPen(QColor(0, 0, 255), 0));
    const int step = std::max(1, n / 20000);
    QPolygonF trace;
    for (int i = 0; i < n; i += step) trace << point(i);
    p.drawPoints(trace);
    const int pos = std::clamp(m_nPosition, 0, n - 1);
    p.setPen(QPen(QColor(255, 0, 0), 2));
    p.drawLine(c, point(pos));
    p.setPen(Qt::black);
    p.drawText(QPointF(area.left() + 6, area.bottom() - 6),
               QString::fromStdString(d.GetTimeText(pos)).trimmed());
  }
  p.restore();
}

bool CWalkingView::OnUpdate(int id, CommandState& s) {
  switch (id) {
    case ID_STRETCH_VALUES: s.enabled = m_nValueZoom < kMaxValueZoom; return true;
    case ID_SHRINK_VALUES: s.enabled = m_nValueZoom > 1; return true;
    default: return false;
  }
}

bool CWalkingView::OnCommand(int id) {
  switch (id) {
    case ID_STRETCH_VALUES:
      if (m_nValueZoom < kMaxValueZoom) m_nValueZoom *= 2;
      update();
      return true;
    case ID_SHRINK_VALUES:
      if (m_nValueZoom > 1) m_nValueZoom /= 2;
      update();
      return true;
    default: return false;
  }
}

void CWalkingView::Print(QPrinter& printer) {
  QPainter painter;
  if (!painter.begin(&printer)) return;
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  QRect area(0, 0, page.width(), page.height());
  painter.setFont(m_doc.m_fontPrint);
  const int caption = painter.fontMetrics().height() * 2;
  painter.drawText(QRect(area.left(), area.top(), area.width(), caption), Qt::AlignLeft | Qt::AlignVCenter,
                   m_doc.GetTitle());
  area.setTop(area.top() + caption);
  Draw(painter, area);
  painter.end();
}

}  // namespace zet::ui
