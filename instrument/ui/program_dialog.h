#pragma once
// "Задание программы": ranges, channels, sampling period, start mode and
// start time of the next measurement run.
#include <QDialog>
#include <cstdint>
#include <ctime>
#include <map>

#include "instrument/program.h"

class QAbstractButton;
class QButtonGroup;
class QLabel;

namespace zet {
class Clock;
}
namespace zet::ui {
class SpinArrows;
}

class CProgramDialog : public QDialog {
  Q_OBJECT
 public:
  CProgramDialog(zet::Clock& clock, QWidget* parent);

  // Valid after OK.
  zet::ProgramSettings Settings() const;

  // Controls by their template identifiers (option buttons, texts, spins).
  QAbstractButton* Button(int id) const;
  QLabel* Text(int id) const;
  zet::ui::SpinArrows* Spin(int id) const;

  void accept() override;  // OnOK

  std::time_t m_timeStart = 0;
  std::uint8_t m_nChannelCode = 0;
  bool m_bAutoRange = true;
  bool m_bManualStart = true;
  std::uint8_t m_nRangeCode = 0;
  std::uint8_t m_nPeriodCode = 0;

 private:
  void UpdateRangeButtons();
  void UpdateStartControls();
  void OnPeriodChanged();
  void OnSpin(int id, int delta);
  void UpdateStartTimeText();
  bool Checked(int id) const;
  void Check(int id);

  zet::Clock& m_clock;
  QButtonGroup* m_groupRangeMode;
  QButtonGroup* m_groupRange;
  QButtonGroup* m_groupChannels;
  QButtonGroup* m_groupPeriod;
  QButtonGroup* m_groupStart;
  std::map<int, QAbstractButton*> m_buttons;
  std::map<int, QLabel*> m_texts;
  std::map<int, zet::ui::SpinArrows*> m_spins;
};
