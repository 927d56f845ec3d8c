#pragma once
// The time chart of the recording: both channels (and optionally the supply
// voltage) over a canvas that can be stretched along either axis.
#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <functional>
#include <optional>

#include "app/ui/commands.h"

class QPainter;
class QPrinter;

namespace zet::ui {

class CLogDoc;

class CLogView : public QAbstractScrollArea, public CommandTarget {
  Q_OBJECT
 public:
  CLogView(CLogDoc& doc, QWidget* parent = nullptr);

  // The recording changed: n samples on the time axis, whole recording shown.
  void ResetToData(int n);
  void DocumentChanged();
  void SetDisplayFont(const QFont& font);

  // Paints the visible part of the chart into area; used by the widget and by
  // printing. scrollX/scrollY: the canvas point shown at area's top left.
  void Draw(QPainter& p, const QRect& area, int canvasWidth, int canvasHeight, int scrollX, int scrollY);
  // Paints the whole recording fitted into area (paper, image files).
  void DrawWhole(QPainter& p, const QRect& area);

  // One page on the printer (or the preview), margins already set.
  void Print(QPrinter& printer);

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;

  int TimeZoom() const { return m_nTimeZoom; }
  int ValueZoom() const { return m_nValueZoom; }

  bool m_bShowChannel1 = true;
  bool m_bShowChannel2 = true;
  bool m_bShowValues = false;
  bool m_bShowSupply = false;
  bool m_bDots = false;
  QColor m_crChannel1{0, 0, 255};
  QColor m_crChannel2{255, 0, 0};
  std::function<std::optional<QColor>(const QColor&)> chooseColor;

  static constexpr int kMaxCanvas = 32765;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;

 private:
  void UpdateScrollBars();
  int CanvasWidth() const;
  int CanvasHeight() const;
  void Zoom(int& factor, bool stretch, QScrollBar* bar, int viewportExtent);

  CLogDoc& m_doc;
  int m_nSamples = 0;
  int m_nTimeZoom = 1;   // canvas = viewport × zoom, in powers of two
  int m_nValueZoom = 1;
  int m_nMouseX = -1;    // viewport x of the read-out, -1 = none
  QFont m_font;
};

}  // namespace zet::ui
