#pragma once
// Режим "Монитор": live readings of the recorder, polled every 3 s while the
// dialog is visible. Created hidden with the main window; hiding and showing
// keeps the choices.
#include <QDialog>
#include <map>

#include "instrument/ui/instrument_commands.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QTimer;

class CMonitorDialog : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kPollMs = 3000;

  CMonitorDialog(zet::ui::InstrumentEnv& env, QWidget* parent);

  // One poll, as each timer tick does while the dialog is visible and the
  // program is not busy with another instrument operation.
  void Poll();
  // A tick of the poll timer: polls only when visible and not blocked.
  void OnTimer();

  QAbstractButton* Button(int id) const;
  QLabel* Value1() const { return m_staticValue1; }
  QLabel* Value2() const { return m_staticValue2; }
  QLabel* Status() const { return m_staticStatus; }
  QLabel* Raw() const { return m_staticRaw; }
  QCheckBox* BeepBox() const { return m_checkBeep; }
  QTimer* PollTimer() const { return m_timer; }

 private:
  void UpdateRangeButtons();

  zet::ui::InstrumentEnv m_env;
  QLabel* m_staticRaw;
  QLabel* m_staticValue2;
  QLabel* m_staticValue1;
  QLabel* m_staticStatus;
  QCheckBox* m_checkBeep;
  QFont m_fontValue;
  bool m_bBeep = false;
  QTimer* m_timer;
  bool m_bPolling = false;
  QButtonGroup* m_groupRangeMode;
  QButtonGroup* m_groupRange;
  QButtonGroup* m_groupChannels;
  std::map<int, QAbstractButton*> m_buttons;
};
