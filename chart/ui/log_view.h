#pragma once
// The time chart of the recording: a scrolling canvas over both channels (and
// the supply voltage), its zoom commands, the cursor read-out, the rubber-band
// zoom, the measurement line and printing.
#include <QAbstractScrollArea>
#include <QColor>
#include <QImage>
#include <functional>
#include <optional>

#include "app/commands.h"
#include "chart/chart_scale.h"
#include "chart/draw/chart_painter.h"

class QPainter;
class QPrinter;

namespace zet::ui {

class CLogDoc;

// The channels' colours until the user chooses others (the toolbar's channel
// images are drawn in them).
inline const QColor kChannel1Colour{0, 0, 255};
inline const QColor kChannel2Colour{255, 0, 0};

class CLogView : public QAbstractScrollArea, public CommandTarget {
  Q_OBJECT
 public:
  CLogView(CLogDoc& doc, QWidget* parent = nullptr);

  // ---- what the document does to the view ----
  // A new recording of n samples (or the initial view): the whole recording
  // in the window, scrolled to the origin.
  void ResetToData(int n);
  // Settings or samples changed: repaint from the document.
  void DocumentChanged();
  // The samples changed where they stand (filtering).
  void SamplesChanged();
  void SetDisplayFont(const QFont& font);
  // Repaint the whole chart at once.
  void Redraw();

  // ---- printing ----
  // One page on the printer or the preview (margins already set): what the
  // window shows, over the page, with the caption.
  void Print(QPrinter& printer);
  // The same on any painter whose units are the printer's device units.
  void PrintPage(QPainter& p, const chart::Rect& page, int dpiY);

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;

  const chart::ChartState& State() const { return m_state; }
  // The samples between the measurement line's two ends, while one is drawn.
  std::optional<chart::SampleRange> MeasuredSpan() const;
  // The samples the window shows: those between its edges.
  chart::SampleRange ShownSpan() const;
  // The canvas position the scroll bars stand at.
  chart::Point BarsPosition() const;
  // The picture the window shows: the chart and whatever the mouse drew over it.
  const QImage& Picture();
  // The cursor read-out now on the window, one text per line (none: empty).
  QStringList ReadoutLines() const;

  bool m_bShowChannel1 = true;
  bool m_bShowChannel2 = true;
  bool m_bCurrentValues = false;
  bool m_bPoints = false;
  bool m_bSpanStatistics = false;
  QColor m_crChannel1 = kChannel1Colour;
  QColor m_crChannel2 = kChannel2Colour;
  // Hooks, replaced by tests: the colour dialog (nothing on cancel) and the beep.
  std::function<std::optional<QColor>(const QColor&)> chooseColor;
  std::function<void()> beep;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void leaveEvent(QEvent*) override;
  void showEvent(QShowEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void Invalidate();
  void Render();
  void ApplyBars();
  void OnScrollAction(bool vertical, int action);
  void EndScroll();
  // A scroll by key or wheel: the bars follow and the gesture ends at once.
  void ScrollGesture(chart::Point to);
  void OnLButtonDown(QPoint p);
  void OnLButtonUp(QPoint p);
  void OnRButtonDown(QPoint p);
  void OnRButtonUp(QPoint p);
  void OnMouseMove(QPoint p);
  void ReleaseCapture();
  // The overlays changed: compose the picture anew at the next paint.
  void OverlaysChanged();
  void DrawOverlays(QPainter& p);
  void DrawReadout(QPainter& p);
  std::string SpanStatistics(QPoint a, QPoint b);
  chart::SampleRange SamplesBetween(QPoint a, QPoint b) const;
  void FitLimit();
  ChartStyle Style() const;

  CLogDoc& m_doc;
  chart::ChartState m_state;
  ChartEnvelopes m_envelopes;
  // The chart alone, and the chart with the overlays (rubber band,
  // measurement line, read-out) that the mouse puts over it.
  QImage m_chart;
  QImage m_picture;
  bool m_bDirty = true;
  bool m_bComposed = false;
  // Read-out lines, each of pieces of text in their own colours: those of the cursor
  // follow every move; those of a measurement stay until the next one.
  struct ReadoutPiece {
    QString text;
    QColor colour;
  };
  using ReadoutLine = std::vector<ReadoutPiece>;
  std::vector<ReadoutLine> m_cursorLines;
  std::vector<ReadoutLine> m_measureLines;
  bool m_bApplyingBars = false;
  bool m_bBarPressed[2] = {false, false};  // horizontal, vertical
  int m_nWheelZoom = 0;  // Ctrl+wheel turned short of a whole step (1/8 degrees)

  QPoint m_ptZoomAnchor, m_ptZoomCorner;
  QPoint m_ptMeasureStart, m_ptMeasureEnd;
  bool m_bZoomDrag = false;
  bool m_bMeasuring = false;
  bool m_bCaptured = false;
  bool m_bHoverSeen = false;
};

}  // namespace zet::ui
