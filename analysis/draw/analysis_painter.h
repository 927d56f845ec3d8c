#pragma once
// The assessment's pictures on any QPainter (window, printer): a channel's
// histogram, the direction rose and the density scatter of the two channels
// with the fitted line, and the printed page that holds them with the tables.
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <vector>

#include "analysis/survey.h"

class QPainter;

namespace zet::ui {

void DrawHistogram(QPainter& p, const QRect& r, const analysis::ChannelFigures& c, const QColor& colour,
                   const QString& title);
// Wedges of the sample share (filled) and the magnitude-weighted share
// (outlined), compass letters and the mean vector's direction.
void DrawRose(QPainter& p, const QRect& r, const analysis::PairFigures& pair);

// Channel 2 over channel 1 as a density: each pixel counts its samples, so a
// full memory costs one pass and one image, whatever the sample count.
QImage ScatterDensity(const analysis::Source& src, const analysis::Figures& f, QSize size);
// The density with its axes and the fitted line.
void DrawScatter(QPainter& p, const QRect& r, const QImage& density, const analysis::Figures& f);

struct AnalysisPage {
  QString heading;                          // as the printed chart heads its page
  std::vector<std::vector<QStringList>> tables;  // each table: rows of cells
};
// One page: heading, tables, then the pictures in a row along the foot.
void DrawAnalysisPage(QPainter& p, const QRect& page, const AnalysisPage& content, const analysis::Source& src,
                      const analysis::Figures& f, const QColor colours[2]);

}  // namespace zet::ui
