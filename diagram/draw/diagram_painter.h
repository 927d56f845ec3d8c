#pragma once
// Drawing of the stray-current diagram on any QPainter: the view's backing
// image, the printer and its preview, and zet-cli's image files.
#include <QFont>
#include <QRect>
#include <QSize>

#include "diagram/diagram_geometry.h"
#include "diagram/playback.h"
#include "diagram/trace_map.h"

class QPageLayout;
class QPainter;

namespace zet::ui {

// One picture of the diagram.
struct DiagramPicture {
  QRect diagram;           // the diagram's area; its top is 0
  double zoom = 1;
  bool grid = true;
  bool paper = false;      // samples as black dots, the heading at the foot of the page
  DiagramContent content;  // how much of the trace, and the markers
  QFont font;
  // The screen's kept map of the trace, used when it fits the picture.
  const TraceMap* traceMap = nullptr;
};

DiagramLayout LayoutOf(const LogDocument& doc, const QRect& diagram, double zoom);
// The diagram's square, where its grid, trace and markers are clipped.
QRect SquareRect(const DiagramLayout& layout);

// Grid, labels, compass words and trace over what is already there (the
// caller erases). Nothing without samples in both channels.
void PaintDiagram(QPainter& p, const LogDocument& doc, const DiagramPicture& picture);

// The whole recording at once on a white size.width() x size.height() area:
// zoom 1, grid on, the trace as on screen.
void PaintWholeDiagram(QPainter& p, const LogDocument& doc, QSize size, const QFont& font);

// The whole trace at once, as "Мгновенно" shows it.
DiagramContent WholeTrace(const LogDocument& doc);

// A printed page on a painter in sheet units: the diagram over the printable
// area, the foot of the area left to the heading.
void PaintDiagramPage(QPainter& p, const LogDocument& doc, const QRect& printable, double zoom,
                      const DiagramContent& content, const QFont& font);
// The printable area of a sheet in sheet units: the whole sheet but for the
// device's own least margins.
QRect PrintableRect(const QPageLayout& layout, int dpi);

// The moving marker; painting it again at the same place takes it away.
void PaintMovingMarker(QPainter& p, DiagramPoint at);
QRect MovingMarkerRect(DiagramPoint at);  // every pixel it may touch
void PaintTracePixel(QPainter& p, DiagramPoint at);
// Time, potential and azimuth of sample i: three lines at x = 5 ending at
// bottom, each on an opaque background. Returns the area written.
QRect PaintSampleTexts(QPainter& p, const LogDocument& doc, int i, int bottom, const QFont& font);

}  // namespace zet::ui
