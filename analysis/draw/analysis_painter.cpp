#include "analysis/draw/analysis_painter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "analysis/report.h"

namespace zet::ui {
namespace {

using namespace analysis;

constexpr double kPi = 3.14159265358979323846;

QString Num(double v) { return QString::fromStdString(FigureText(v)); }

// The plot area inside r, leaving room for a title above and labels below.
QRect PlotArea(QPainter& p, const QRect& r) {
  const int line = QFontMetrics(p.font(), p.device()).height();
  return r.adjusted(line / 2, line + line / 2, -line / 2, -line - line / 2);
}

void Title(QPainter& p, const QRect& r, const QString& text) {
  p.setPen(Qt::black);
  p.drawText(r, Qt::AlignTop | Qt::AlignHCenter, text);
}

// Screen direction of an azimuth (from north, positive towards west).
QPointF Towards(QPointF centre, double azimuthDeg, double radius) {
  const double a = azimuthDeg * kPi / 180;
  return centre + QPointF(-std::sin(a) * radius, -std::cos(a) * radius);
}

}  // namespace

void DrawHistogram(QPainter& p, const QRect& r, const ChannelFigures& c, const QColor& colour, const QString& title) {
  p.save();
  Title(p, r, c.mean ? title + QString::fromUtf8(", среднее ") + Num(*c.mean) : title);
  const QRect plot = PlotArea(p, r);
  p.setPen(Qt::gray);
  p.drawRect(plot);
  long long top = 0;
  for (long long n : c.histogram) top = std::max(top, n);
  if (top > 0 && plot.width() > 0) {
    const double w = static_cast<double>(plot.width()) / kHistogramBins;
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int k = 0; k < kHistogramBins; ++k) {
      const double h = static_cast<double>(plot.height()) * c.histogram[k] / top;
      p.drawRect(QRectF(plot.left() + k * w, plot.bottom() + 1 - h, std::max(w - 0.5, 0.5), h));
    }
    p.setPen(Qt::black);
    const QRect labels(plot.left(), plot.bottom() + 2, plot.width(), r.bottom() - plot.bottom());
    p.drawText(labels, Qt::AlignLeft | Qt::AlignTop, Num(c.histFrom));
    p.drawText(labels, Qt::AlignRight | Qt::AlignTop, Num(c.histTo));
  }
  p.restore();
}

void DrawRose(QPainter& p, const QRect& r, const PairFigures& pair) {
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  const int line = QFontMetrics(p.font(), p.device()).height();
  const QPointF centre = QRectF(r).center();
  const double radius = std::max(1.0, std::min(r.width(), r.height()) / 2.0 - line * 1.2);
  double top = 0;
  for (int k = 0; k < kRoseSectors; ++k) top = std::max({top, pair.share[k], pair.weightedShare[k]});
  p.setPen(QPen(Qt::lightGray, 0));
  p.setBrush(Qt::NoBrush);
  for (double f : {1.0, 0.5}) p.drawEllipse(centre, radius * f, radius * f);
  for (int k = 0; k < 8; ++k) p.drawLine(Towards(centre, 22.5 * k, radius), Towards(centre, 22.5 * k + 180, radius));
  auto wedge = [&](int k, double share) {
    const double rr = top > 0 ? radius * share / top : 0;
    QPainterPath path(centre);
    // Qt's angles run counter-clockwise from east; an azimuth from north towards west is 90° + azimuth.
    path.arcTo(QRectF(centre.x() - rr, centre.y() - rr, 2 * rr, 2 * rr), 90 + 22.5 * k - 11.25, 22.5);
    path.closeSubpath();
    return path;
  };
  for (int k = 0; k < kRoseSectors; ++k) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 130, 200, 170));
    p.drawPath(wedge(k, pair.share[k]));
    p.setPen(QPen(QColor(200, 60, 40), 0));
    p.setBrush(Qt::NoBrush);
    p.drawPath(wedge(k, pair.weightedShare[k]));
  }
  if (pair.azimuth) {
    p.setPen(QPen(Qt::black, std::max(1.0, line / 8.0)));
    const QPointF tip = Towards(centre, *pair.azimuth, radius);
    p.drawLine(centre, tip);
    p.drawLine(tip, Towards(tip, *pair.azimuth + 180 - 20, radius * 0.12));
    p.drawLine(tip, Towards(tip, *pair.azimuth + 180 + 20, radius * 0.12));
  }
  p.setPen(Qt::black);
  const char* letters[4] = {"С", "З", "Ю", "В"};
  for (int k = 0; k < 4; ++k) {
    const QPointF at = Towards(centre, 90.0 * k, radius + line * 0.6);
    p.drawText(QRectF(at.x() - line, at.y() - line / 2.0, 2 * line, line), Qt::AlignCenter, QString::fromUtf8(letters[k]));
  }
  p.restore();
}

QImage ScatterDensity(const Source& src, const Figures& f, QSize size) {
  QImage img(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::white);
  const int w = img.width(), h = img.height();
  const std::vector<std::uint32_t> count = ScatterGrid(src, f, w, h);
  if (count.empty()) return img;
  const std::uint32_t top = *std::max_element(count.begin(), count.end());
  const double scale = top > 0 ? 1 / std::log1p(static_cast<double>(top)) : 0;
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const std::uint32_t n = count[static_cast<std::size_t>(y) * w + x];
      if (!n) continue;
      // Even one sample shows; the densest places are darkest.
      const double t = 0.45 + 0.55 * std::log1p(static_cast<double>(n)) * scale;
      row[x] = qRgb(static_cast<int>(200 * (1 - t)), static_cast<int>(210 * (1 - t) + 20), static_cast<int>(255 - 100 * t));
    }
  }
  return img;
}

void DrawScatter(QPainter& p, const QRect& r, const QImage& density, const Figures& f) {
  p.save();
  Title(p, r, QString::fromUtf8("Канал 2 от канала 1"));
  const QRect plot = PlotArea(p, r);
  p.drawImage(plot, density);
  p.setPen(Qt::gray);
  p.setBrush(Qt::NoBrush);
  p.drawRect(plot);
  if (f.channels.size() == 2 && f.channels[0].min && f.channels[1].min) {
    const double x0 = *f.channels[0].min, x1 = *f.channels[0].max;
    const double y0 = *f.channels[1].min, y1 = *f.channels[1].max;
    if (f.pair && f.pair->slope && x1 > x0 && y1 > y0) {
      auto at = [&](double x, double y) {
        return QPointF(plot.left() + (x - x0) / (x1 - x0) * plot.width(),
                       plot.bottom() - (y - y0) / (y1 - y0) * plot.height());
      };
      p.setClipRect(plot);
      p.setRenderHint(QPainter::Antialiasing);
      p.setPen(QPen(QColor(220, 30, 30), std::max(1.0, QFontMetrics(p.font(), p.device()).height() / 10.0)));
      const double a = *f.pair->slope, b = *f.pair->intercept;
      p.drawLine(at(x0, a * x0 + b), at(x1, a * x1 + b));
      p.setClipping(false);
    }
    p.setPen(Qt::black);
    const QRect below(plot.left(), plot.bottom() + 2, plot.width(), r.bottom() - plot.bottom());
    p.drawText(below, Qt::AlignLeft | Qt::AlignTop, Num(x0));
    p.drawText(below, Qt::AlignRight | Qt::AlignTop, Num(x1));
    p.drawText(below, Qt::AlignHCenter | Qt::AlignTop, QString::fromUtf8("канал 1"));
    const int line = QFontMetrics(p.font(), p.device()).height();
    p.drawText(QRect(plot.left() + 3, plot.top() + 2, plot.width(), line), Qt::AlignLeft, Num(y1));
    p.drawText(QRect(plot.left() + 3, plot.bottom() - line - 2, plot.width(), line), Qt::AlignLeft, Num(y0));
  }
  p.restore();
}

void DrawAnalysisPage(QPainter& p, const QRect& page, const AnalysisPage& content, const Source& src,
                      const Figures& f, const QColor colours[2]) {
  p.save();
  const QFontMetrics fm(p.font(), p.device());
  const int line = fm.height();
  int y = page.top();
  p.setPen(Qt::black);
  p.drawText(QRect(page.left(), y, page.width(), line), Qt::AlignLeft, content.heading);
  y += line * 2;
  // Tables side by side in columns of text, each as wide as its cells.
  int x = page.left(), tableBottom = y;
  for (const auto& table : content.tables) {
    std::vector<int> width;
    for (const QStringList& row : table)
      for (int c = 0; c < row.size(); ++c) {
        if (static_cast<int>(width.size()) <= c) width.push_back(0);
        width[c] = std::max(width[c], fm.horizontalAdvance(row[c]) + line);
      }
    int total = 0;
    for (int w : width) total += w;
    if (x > page.left() && x + total > page.right()) x = page.left(), y = tableBottom + line;
    int ty = y;
    for (const QStringList& row : table) {
      int cx = x;
      for (int c = 0; c < row.size(); ++c) {
        p.drawText(QRect(cx, ty, width[c], line), c ? Qt::AlignRight : Qt::AlignLeft, row[c]);
        cx += width[c];
      }
      ty += line;
    }
    tableBottom = std::max(tableBottom, ty);
    x += total + line * 2;
  }
  // The pictures share the rest of the page.
  const int top = tableBottom + line;
  const int height = std::min(page.bottom() - top, page.width() / 3);
  if (height > line * 4) {
    std::vector<int> kinds;  // 0, 1 histogram of that channel; 2 rose; 3 scatter
    for (std::size_t c = 0; c < f.channels.size(); ++c) kinds.push_back(static_cast<int>(c));
    if (f.pair) kinds.insert(kinds.end(), {2, 3});
    const int w = page.width() / static_cast<int>(kinds.size());
    for (std::size_t k = 0; k < kinds.size(); ++k) {
      const QRect cell(page.left() + static_cast<int>(k) * w, top, w - line / 2, height);
      if (kinds[k] < 2)
        DrawHistogram(p, cell, f.channels[kinds[k]], colours[f.channels[kinds[k]].channel - 1],
                      QString::fromUtf8("Канал %1").arg(f.channels[kinds[k]].channel));
      else if (kinds[k] == 2)
        DrawRose(p, cell, *f.pair);
      else
        DrawScatter(p, cell, ScatterDensity(src, f, QSize(std::min(cell.width(), 600), std::min(cell.height(), 600))), f);
    }
  }
  p.restore();
}

}  // namespace zet::ui
