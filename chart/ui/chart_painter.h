#pragma once
// The one drawing routine of the time chart, on any QPainter: the window, a
// printer page, the print preview and image files. QtGui only, so zet-cli
// draws the same picture without a window system.
#include <QColor>
#include <QFont>
#include <QString>

#include "app/settings.h"
#include "chart/chart_scale.h"
#include "chart/envelope.h"
#include "recording/log_document.h"

class QPainter;
class QPaintDevice;

namespace zet::ui {

// The envelopes of channel 1, channel 2 and the supply voltage, built on first
// use and again whenever they were built over other samples.
class ChartEnvelopes {
 public:
  enum Array { kChannel1, kChannel2, kSupply };
  const chart::Envelope& For(Array which, const std::vector<float>& samples);
  // The samples changed where they stand (filtering): build anew on next use.
  void Invalidate();

 private:
  chart::Envelope env_[3];
};

// What the view adds to the document's data for one drawing.
struct ChartStyle {
  QColor crChannel1{0, 0, 255};
  QColor crChannel2{255, 0, 0};
  bool bShowChannel1 = true;
  bool bShowChannel2 = true;
  bool bPoints = false;
  QFont font;       // display font: screen and image files
  QFont fontPrint;  // labels and caption on paper
  QString caption;  // the two caption lines of a page
  int printStrokeWidth = 0;  // rows of a printed curve
  // Visit and draw every sample even when many share a pixel column (the
  // reference picture the envelope must reproduce).
  bool everySample = false;
};

// One drawing. On the screen (s.m_bPrinting false) the painter shows the
// window's client area and the state is prepared here from the bars' position
// and the window size; the caller applies s.bars afterwards, since the canvas
// never stays smaller than the window. When printing, BeginPrinting has run
// and the painter's units are the page's device units.
void PaintChart(QPainter& p, chart::ChartState& s, const LogDocument& doc, const ChartStyle& style,
                ChartEnvelopes& envelopes);

// The whole recording as a window whose chart area is size pixels shows it
// at the initial view: the document's own limit and grid setting, both
// channels, lines. Paints the white background too.
void PaintInitialView(QPainter& p, const LogDocument& doc, QSize size, const QFont& font);

// The display font of a stored font description.
QFont FontFromLogFont(const LogFont& lf);
// The print font: the display font's face at a size readable on paper.
QFont PrintFont(const QFont& display);

}  // namespace zet::ui
