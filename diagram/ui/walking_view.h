#pragma once
// The stray-current diagram view: playback controls on the left, the compass
// diagram of channel 2 (east) against channel 1 (north) on the right, played
// back sample by sample on a 40 ms timer.
//
// The picture lives in a backing image: a timer tick changes only the moving
// marker, one trace pixel and the three text lines in it and repaints those
// small regions; everything else redraws the diagram from the playback state,
// the trace read from a kept map of where it first reaches each pixel. Out of
// sight (the chart shown instead) nothing is drawn until the view is shown.
#include <QFont>
#include <QImage>
#include <QWidget>
#include <array>

#include "app/commands.h"
#include "diagram/playback.h"
#include "diagram/trace_map.h"

class QGroupBox;
class QPrinter;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QTimer;

namespace zet::ui {

class CLogDoc;

class CWalkingView : public QWidget, public CommandTarget {
  Q_OBJECT
 public:
  // Control identifiers of the form.
  static constexpr int kSweepId = 1082;
  static constexpr int kStopId = 1085;
  static constexpr int kRestartId = 1091;
  static constexpr int kFirstSpeedId = 1086;  // .. 1090

  CWalkingView(CLogDoc& doc, QWidget* parent = nullptr);

  // A new recording with n channel-2 samples: first sample, zoom 1, running.
  void ResetPlayback(int n);
  // The document changed: the whole view is drawn again.
  void DocumentChanged();
  // The samples changed in place (the filter): the trace's map is built anew
  // at the next drawing.
  void SamplesChanged();
  // The font of the playback texts (the diagram's labels use the document's).
  void SetDisplayFont(const QFont& font);

  // One page on the printer (or the preview): the whole printable area.
  void Print(QPrinter& printer);

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;

  // Handlers of the timer and the controls (tests call them directly).
  void OnTimer();
  void OnSpeed(int index);  // 0..4 for buttons 1086..1090
  void OnStartStop();
  void OnRestart();
  void OnSweep(SweepCode code, int thumb);

  // Inspection.
  const Playback& State() const { return m_playback; }
  const QImage& Picture() const { return m_image; }
  QRect DiagramRect() const { return m_rcDiagram; }
  QPushButton* StopButton() const { return m_btnStop; }
  QPushButton* RestartButton() const { return m_btnRestart; }
  QScrollBar* SweepBar() const { return m_scrollSweep; }
  QRadioButton* SpeedButton(int index) const { return m_speedButtons.at(index); }
  QTimer* Timer() const { return m_pTimer; }

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void CreateForm();
  void Layout();
  int Samples() const;
  bool Drawable() const;
  void EnsureImage();
  // The diagram area erased and drawn from the state; content as given.
  void DrawDiagram(const DiagramContent& content);
  // False out of sight: the drawing waits for the view to be shown.
  bool InSight();
  void RepaintDiagram();
  void RepaintView();
  void WriteTexts();

  CLogDoc& m_doc;
  Playback m_playback;
  int m_nLeft = 0;
  QRect m_rcDiagram;
  QImage m_image;
  QFont m_textFont;
  TraceMap m_traceMap;
  bool m_bStale = false;  // drawing skipped out of sight
  QPushButton* m_btnStop = nullptr;
  QPushButton* m_btnRestart = nullptr;
  QScrollBar* m_scrollSweep = nullptr;
  std::array<QRadioButton*, 5> m_speedButtons{};
  QTimer* m_pTimer = nullptr;
};

}  // namespace zet::ui
