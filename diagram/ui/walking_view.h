#pragma once
// The stray-current diagram: channel 1 and channel 2 as the two components
// of a vector, drawn inside a compass grid scaled to the display limit.
#include <QFont>
#include <QWidget>

#include "app/ui/commands.h"

class QPainter;
class QPrinter;

namespace zet::ui {

class CLogDoc;

class CWalkingView : public QWidget, public CommandTarget {
  Q_OBJECT
 public:
  CWalkingView(CLogDoc& doc, QWidget* parent = nullptr);

  void ResetPlayback(int n);  // back to the first sample of n
  void DocumentChanged() { update(); }
  void SetDisplayFont(const QFont& font);
  void Draw(QPainter& p, const QRect& area);

  // One page on the printer (or the preview), margins already set.
  void Print(QPrinter& printer);

  bool OnUpdate(int id, CommandState& state) override;
  bool OnCommand(int id) override;

  int ValueZoom() const { return m_nValueZoom; }
  int Position() const { return m_nPosition; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  CLogDoc& m_doc;
  int m_nSamples = 0;
  int m_nPosition = 0;
  int m_nValueZoom = 1;
  QFont m_font;
};

}  // namespace zet::ui
