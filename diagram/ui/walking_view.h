#pragma once
// The stray-current diagram view: playback controls on the left, the compass
// diagram of channel 2 (east) against channel 1 (north) on the right, played
// back sample by sample on a 40 ms timer.
//
// The picture lives in a backing image: a timer tick changes only the moving
// marker, one trace pixel and the three text lines in it and repaints those
// small regions; everything else redraws the diagram from the playback state.
#include <QFont>
#include <QImage>
#include <QWidget>
#include <array>

#include "app/ui/commands.h"
#include "diagram/playback.h"

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
  static constexpr int kFirstSpeedId = 1086;  // .. 1090

  CWalkingView(CLogDoc& doc, QWidget* parent = nullptr);

  // A new recording with n channel-2 samples: first sample, zoom 1, running.
  void ResetPlayback(int n);
  // The document changed: the whole view is drawn again.
  void DocumentChanged();
  // The font of the playback texts (the diagram's labels use the document's).
  void SetDisplayFont(const QFont& font);

  // One page on the printer (or the preview), margins already set.
  void Print(QPrinter& printer);

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;

  // Handlers of the timer and the controls (tests call them directly).
  void OnTimer();
  void OnSpeed(int index);  // 0..4 for buttons 1086..1090
  void OnStartStop();
  void OnSweep(SweepCode code, int thumb);

  // Inspection.
  const Playback& State() const { return m_playback; }
  const QImage& Picture() const { return m_image; }
  QRect DiagramRect() const { return m_rcDiagram; }
  QPushButton* StopButton() const { return m_btnStop; }
  QScrollBar* SweepBar() const { return m_scrollSweep; }
  QRadioButton* SpeedButton(int index) const { return m_speedButtons.at(index); }
  QTimer* Timer() const { return m_pTimer; }

 protected:
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
  void RepaintDiagram();
  void RepaintView();
  void WriteTexts(int i);

  CLogDoc& m_doc;
  Playback m_playback;
  int m_nLeft = 0;
  QRect m_rcDiagram;
  QImage m_image;
  QFont m_textFont;
  int m_nTextPos = -1;  // the sample whose texts are shown, -1 for none
  QPushButton* m_btnStop = nullptr;
  QScrollBar* m_scrollSweep = nullptr;
  std::array<QRadioButton*, 5> m_speedButtons{};
  QTimer* m_pTimer = nullptr;
};

}  // namespace zet::ui
