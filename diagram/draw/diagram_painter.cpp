#include "diagram/draw/diagram_painter.h"

#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPaintEngine>
#include <QPainter>
#include <algorithm>
#include <climits>
#include <vector>

namespace zet::ui {
namespace {

const QColor kGridColor(192, 192, 192);
const QColor kTraceColor(255, 0, 0);
const QColor kMarkerBrush(0, 255, 0);
constexpr int kMarkerRadius = 3;
constexpr int kPaperDotRadius = 10;
// The heading sits at the foot of the page, below the diagram's 0.95 of it.
constexpr double kPageOverDiagram = 1.0526315789473684;

QString Qs(const std::string& s) { return QString::fromStdString(s); }

// Inverting where the surface allows it (images): crossings of the grid
// lines show, and the moving marker can be erased by drawing it again.
bool UseInvertingMix(QPainter& p) {
  return p.paintEngine() && p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

// An ellipse filling the box's pixels left..right-1, top..bottom-1.
QRect EllipseRect(int left, int top, int right, int bottom) {
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

QPen GridPen() {
  QPen pen(kGridColor, 1, Qt::DotLine);
  pen.setCosmetic(true);
  return pen;
}

// Text centred on a point, measured first.
void DrawCentred(QPainter& p, int x, int y, const QString& text) {
  const QFontMetrics fm = p.fontMetrics();
  const int w = fm.horizontalAdvance(text);
  p.drawText(QPoint(x - w / 2, y - fm.height() / 2 + fm.ascent()), text);
}

void PaintGrid(QPainter& p, const DiagramLayout& layout) {
  const QRect square = SquareRect(layout);
  p.setPen(GridPen());
  p.setBrush(Qt::NoBrush);
  if (UseInvertingMix(p)) p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  for (const DiagramLine& l : GridLines(layout)) p.drawLine(l.from.x, l.from.y, l.to.x, l.to.y);
  const std::array<DiagramBox, 5> rings = RingBoxes(layout);
  for (const DiagramBox& b : rings) p.drawEllipse(EllipseRect(b.left, b.top, b.right, b.bottom));
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);

  p.setPen(Qt::black);
  const std::array<std::string, 5> labels = RingLabels(layout.scale);
  const int cx = layout.Centre().x;
  for (int i = 0; i < 5; ++i) {
    DrawCentred(p, cx, rings[i].top, Qs(labels[i]));
    DrawCentred(p, cx, rings[i].bottom, Qs(labels[i]));
  }
  const int single = Qt::TextSingleLine;
  p.drawText(square, single | Qt::AlignTop | Qt::AlignHCenter, QStringLiteral("Север"));
  p.drawText(square, single | Qt::AlignBottom | Qt::AlignHCenter, QStringLiteral("Юг"));
  p.drawText(square, single | Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Восток"));
  p.drawText(square, single | Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Запад"));
}

// The pixels of the map reached before sample count, as one image.
void PaintTraceMap(QPainter& p, const TraceMap& map, int count) {
  QImage layer(map.Width(), map.Height(), QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  const QRgb red = kTraceColor.rgb();
  for (int y = 0; y < map.Height(); ++y) {
    const std::int32_t* first = map.Row(y);
    QRgb* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
    for (int x = 0; x < map.Width(); ++x)
      if (first[x] < count) line[x] = red;
  }
  p.drawImage(QPoint(map.Box().left, map.Box().top), layer);
}

void DrawTrace(QPainter& p, const std::vector<DiagramPoint>& points, bool paper) {
  p.setPen(Qt::NoPen);
  if (paper) {
    const int r = kPaperDotRadius;
    p.setBrush(Qt::black);
    for (const DiagramPoint& pt : points) p.drawEllipse(EllipseRect(pt.x - r, pt.y - r, pt.x + r, pt.y + r));
    return;
  }
  // One-pixel squares rather than points: every surface shows them the same.
  QVector<QRect> pixels;
  pixels.reserve(static_cast<qsizetype>(points.size()));
  for (const DiagramPoint& pt : points) pixels.append(QRect(pt.x, pt.y, 1, 1));
  p.setBrush(kTraceColor);
  p.drawRects(pixels);
}

void PaintTrace(QPainter& p, const LogDocument& doc, const DiagramPicture& pic, const DiagramLayout& layout) {
  const int count = pic.content.trace;
  const DiagramBox square = layout.Square();
  if (!pic.paper && pic.traceMap && pic.traceMap->Fits(doc, layout, square))
    return PaintTraceMap(p, *pic.traceMap, count);
  // A dot whose centre is just outside still shows in part.
  const int r = pic.paper ? kPaperDotRadius : 0;
  const std::vector<DiagramPoint> points =
      TracePoints(doc, layout, count, {square.left - r, square.top - r, square.right + r, square.bottom + r});
  if (p.paintEngine() && p.paintEngine()->type() == QPaintEngine::Raster) {
    DrawTrace(p, points, pic.paper);
    return;
  }
  // PDF, SVG and printers get the trace as one image at the device's
  // resolution, one bit a pixel, over the part of the square it covers: a
  // full memory is millions of dots, and as vector shapes they take gigabytes.
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  for (const DiagramPoint& pt : points) {
    left = std::min(left, pt.x);
    right = std::max(right, pt.x);
    top = std::min(top, pt.y);
    bottom = std::max(bottom, pt.y);
  }
  const QRect covered = QRect(QPoint(left - r, top - r), QPoint(right + r, bottom + r)) & SquareRect(layout);
  if (points.empty() || covered.isEmpty()) return;
  QImage image(covered.size(), QImage::Format_MonoLSB);
  if (image.isNull()) return;
  image.setColorTable({qRgba(0, 0, 0, 0), (pic.paper ? QColor(Qt::black) : kTraceColor).rgb()});
  image.fill(0);
  {
    QPainter ip(&image);
    ip.translate(-covered.topLeft());
    DrawTrace(ip, points, pic.paper);
  }
  p.save();
  // Lossy compression would smear the dots.
  p.setRenderHint(QPainter::LosslessImageRendering);
  p.drawImage(covered.topLeft(), image);
  p.restore();
}

}  // namespace

DiagramLayout LayoutOf(const LogDocument& doc, const QRect& diagram, double zoom) {
  return DiagramLayout(diagram.left(), diagram.width(), diagram.height(), doc.m_dLimit, zoom);
}

QRect SquareRect(const DiagramLayout& layout) { return QRect(layout.left, layout.top, layout.side, layout.side); }

void PaintDiagram(QPainter& p, const LogDocument& doc, const DiagramPicture& pic) {
  if (!HasDiagramData(doc)) return;
  const QRect& area = pic.diagram;
  if (area.width() <= 0) return;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setFont(pic.font);
  p.setPen(Qt::black);
  p.setBackgroundMode(Qt::TransparentMode);
  if (pic.paper) {
    const std::string heading = HeadingText(doc.m_header);
    if (!heading.empty())
      p.drawText(QRect(0, 0, area.width(), static_cast<int>(area.height() * kPageOverDiagram)),
                 Qt::TextSingleLine | Qt::AlignHCenter | Qt::AlignBottom, Qs(heading));
  }
  const DiagramLayout layout = LayoutOf(doc, area, pic.zoom);
  p.setClipRect(SquareRect(layout), Qt::IntersectClip);
  if (pic.grid) PaintGrid(p, layout);
  PaintTrace(p, doc, pic, layout);
  if (std::optional<DiagramPoint> m = SamplePoint(doc, layout, pic.content.marker)) {
    // The resting marker takes the grid's pen, and on paper the dots' brush.
    p.setPen(GridPen());
    p.setBrush(pic.paper ? QBrush(Qt::black) : QBrush(Qt::NoBrush));
    p.drawEllipse(EllipseRect(m->x - kMarkerRadius, m->y - kMarkerRadius, m->x + kMarkerRadius, m->y + kMarkerRadius));
  }
  if (std::optional<DiagramPoint> m = SamplePoint(doc, layout, pic.content.moving)) PaintMovingMarker(p, *m);
  p.restore();
}

DiagramContent WholeTrace(const LogDocument& doc) {
  Playback instant;
  instant.SetSpeed(0);
  return instant.OnDraw(doc.Channel2Count(), true);
}

void PaintWholeDiagram(QPainter& p, const LogDocument& doc, QSize size, const QFont& font) {
  DiagramPicture pic;
  pic.diagram = QRect(QPoint(0, 0), size);
  pic.font = font;
  pic.content = WholeTrace(doc);
  p.fillRect(pic.diagram, Qt::white);
  PaintDiagram(p, doc, pic);
}

void PaintDiagramPage(QPainter& p, const LogDocument& doc, const QRect& printable, double zoom,
                      const DiagramContent& content, const QFont& font) {
  DiagramPicture pic;
  pic.paper = true;
  // The diagram's top is 0: drawn from the printable area's corner.
  pic.diagram = QRect(0, 0, printable.width(), static_cast<int>(0.95 * printable.height()));
  pic.zoom = zoom;
  pic.grid = doc.m_bGrid;
  pic.content = content;
  pic.font = font;
  p.save();
  p.translate(printable.topLeft());
  PaintDiagram(p, doc, pic);
  p.restore();
}

QRect PrintableRect(const QPageLayout& layout, int dpi) {
  QPageLayout printable = layout;
  printable.setMargins(layout.minimumMargins());
  return printable.paintRectPixels(dpi);
}

void PaintMovingMarker(QPainter& p, DiagramPoint at) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing, false);
  if (UseInvertingMix(p)) p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(kMarkerBrush);
  p.drawEllipse(EllipseRect(at.x - kMarkerRadius, at.y - kMarkerRadius, at.x + kMarkerRadius, at.y + kMarkerRadius));
  p.restore();
}

QRect MovingMarkerRect(DiagramPoint at) {
  return QRect(at.x - kMarkerRadius - 2, at.y - kMarkerRadius - 2, 2 * kMarkerRadius + 5, 2 * kMarkerRadius + 5);
}

void PaintTracePixel(QPainter& p, DiagramPoint at) { p.fillRect(QRect(at.x, at.y, 1, 1), kTraceColor); }

QRect PaintSampleTexts(QPainter& p, const LogDocument& doc, int i, int bottom, const QFont& font) {
  if (i < 0 || i >= doc.Channel1Count() || i >= doc.Channel2Count()) return {};
  const float e = (*doc.m_pChannel2)[i], n = (*doc.m_pChannel1)[i];
  const QString lines[3] = {Qs(doc.GetTimeText(i)), Qs(PotentialText(e, n)), Qs(AzimuthText(e, n))};
  p.save();
  p.setFont(font);
  p.setPen(Qt::black);
  const QFontMetrics fm(font, p.device());
  const int h = fm.height();
  QRect touched;
  for (int k = 0; k < 3; ++k) {
    const int top = bottom - (3 - k) * h;
    const QRect r(5, top, fm.horizontalAdvance(lines[k]), h);
    p.fillRect(r, Qt::white);
    p.drawText(QPoint(r.left(), top + fm.ascent()), lines[k]);
    touched |= r;
  }
  p.restore();
  return touched;
}

}  // namespace zet::ui
