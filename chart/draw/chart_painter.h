#pragma once
// The one drawing routine of the time chart, on any QPainter: the window, a
// printer page, the print preview and image files. QtGui only, so zet-cli
// draws the same picture without a window system.
#include <QColor>
#include <QFont>
#include <QMarginsF>
#include <QString>

#include "base/settings.h"
#include "chart/chart_scale.h"
#include "chart/envelope.h"
#include "recording/log_document.h"

class QPageLayout;
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

// One printed page on a painter in sheet units (device pixels at dpi from the
// sheet's corner): what the window of state s shows, stretched over the page
// rectangle, with the caption of the recording and the comment's first line.
// The state is the window's again afterwards.
void PaintChartPage(QPainter& p, chart::ChartState& s, const LogDocument& doc, ChartStyle style,
                    const std::string& comment, const chart::Rect& page, int dpi, ChartEnvelopes& envelopes);
// The page rectangle of a sheet in sheet units: inside the layout's margins.
chart::Rect ChartPageRect(const QPageLayout& layout, int dpi);
// The user's print margins (hundredths of a millimetre) in millimetres.
QMarginsF MarginsMm(const Margins& m);

// A fresh window's style: both channels as lines in their colours, the
// display font and its print font.
ChartStyle WindowStyle(const QFont& font);
// The scales of a window whose chart area is size pixels right after the
// recording was opened: the whole recording in view.
chart::ChartState InitialView(const LogDocument& doc, QSize size);
// The window of state s as it shows the recording: the document's own limit
// and grid setting, both channels, lines, on a white background.
void PaintView(QPainter& p, chart::ChartState s, const LogDocument& doc, QSize size, const QFont& font);
// The same at the initial view.
void PaintInitialView(QPainter& p, const LogDocument& doc, QSize size, const QFont& font);

// The display font of a stored font description.
QFont FontFromLogFont(const LogFont& lf);
// The print font: the display font's face at a size readable on paper.
QFont PrintFont(const QFont& display);

}  // namespace zet::ui
