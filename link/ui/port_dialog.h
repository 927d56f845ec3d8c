#pragma once
// "Настройка Порта": the user picks the serial port the recorder is on. The
// line speed and the modem-line levels are not offered; they go through the
// dialog unchanged so OK writes them back as they were.
#include <QDialog>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>

class QListWidget;
class QPushButton;

namespace zet {
class AppSettings;
}

class CPortDlg : public QDialog {
  Q_OBJECT
 public:
  // `devices`: serial devices present besides "COM1:".."COM6:".
  CPortDlg(zet::AppSettings& settings, QWidget* parent,
           const QStringList& devices = PresentSerialDevices());

  // USB adapters and modems present now (/dev/ttyUSB*, /dev/ttyACM*).
  static QStringList PresentSerialDevices();

  QListWidget* PortList() const { return m_listPort; }
  QString SelectedPort() const;  // empty when nothing is selected
  QPushButton* OkButton() const { return m_btnOk; }

  // The modem-line value as the hidden "Set"/"Reset" choices would rebuild it.
  std::uint32_t SignalsFromChoices() const;

  void accept() override;
  void reject() override;

 private:
  zet::AppSettings& m_settings;
  QListWidget* m_listPort;
  QPushButton* m_btnOk;
  std::string m_strPortBefore;   // the name in use when the dialog opened
  QString m_strSpecialSpeed;     // the speed text carried through ("10416")
  QString m_speedListChoice;     // a speed found in the (hidden) list
  // Per modem line (transmit RTS, transmit DTR, receive RTS, receive DTR):
  // "Set" chosen, and the stored byte it came from.
  std::array<bool, 4> m_bLineSet{};
  std::array<std::uint8_t, 4> m_nLineByte{};
};
