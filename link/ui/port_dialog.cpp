#include "link/ui/port_dialog.h"

#include <QDir>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/settings.h"
#include "link/serial_device.h"
#include "link/ui/dialog_units.h"

CPortDlg::CPortDlg(zet::AppSettings& settings, QWidget* parent, const QStringList& devices)
    : QDialog(parent), m_settings(settings) {
  setWindowTitle(QStringLiteral("Настройка Порта"));
  const zet::ui::DialogUnits du(fontMetrics());

  auto* group = new QGroupBox(QStringLiteral("Порт :"), this);
  group->setGeometry(du.Rect(7, 4, 100, 100));
  m_listPort = new QListWidget(group);
  m_listPort->setSortingEnabled(true);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(m_listPort);

  m_btnOk = new QPushButton(QStringLiteral("OK"), this);
  m_btnOk->setGeometry(du.Rect(113, 8, 50, 14));
  m_btnOk->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
  cancel->setGeometry(du.Rect(113, 26, 50, 14));
  connect(m_btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setFixedSize(du.Size(167, 111));

  m_strPortBefore = m_settings.m_strPortName;

  QStringList names;
  for (int i = 1; i <= 6; ++i) names << QStringLiteral("COM%1:").arg(i);
  for (const QString& d : devices)
    if (!names.contains(d)) names << d;
  // Each name shows the system device it stands for; a path is its own device.
  for (const QString& name : names) {
    const QString device = QString::fromStdString(zet::SystemDeviceName(name.toStdString()));
    auto* item = new QListWidgetItem(device.isEmpty() || device == name ? name : name + " — " + device);
    item->setData(Qt::UserRole, name);
    m_listPort->addItem(item);
  }

  const QString stored = QString::fromStdString(m_settings.GetPortName());
  for (int i = 0; i < m_listPort->count(); ++i) {
    QListWidgetItem* item = m_listPort->item(i);
    if (item->data(Qt::UserRole).toString().compare(stored, Qt::CaseInsensitive) == 0) {
      m_listPort->setCurrentItem(item);
      break;
    }
  }
  if (!m_listPort->currentItem()) m_listPort->clearSelection();

  // The speed list never holds "10416", so the speed is always carried as
  // the special speed text.
  const QStringList speeds{"1200", "2400", "4800", "9600", "19200"};
  const QString baud = QString::fromStdString(m_settings.GetBaudRate());
  m_strSpecialSpeed = speeds.contains(baud) ? QString() : baud;
  m_speedListChoice = speeds.contains(baud) ? baud : QString();

  const std::uint32_t levels = m_settings.m_dwSignals;
  for (int i = 0; i < 4; ++i) {
    m_nLineByte[i] = static_cast<std::uint8_t>(levels >> (8 * i));
    m_bLineSet[i] = m_nLineByte[i] != 0;
  }
}

QStringList CPortDlg::PresentSerialDevices() {
  QStringList found;
  const QDir dev(QStringLiteral("/dev"));
  for (const QString& n : dev.entryList({"ttyUSB*", "ttyACM*"}, QDir::System | QDir::Files))
    found << dev.filePath(n);
  return found;
}

QString CPortDlg::SelectedPort() const {
  const auto sel = m_listPort->selectedItems();
  return sel.isEmpty() ? QString() : sel.front()->data(Qt::UserRole).toString();
}

std::uint32_t CPortDlg::SignalsFromChoices() const {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) {
    // "Set" keeps a stored non-zero level as it was rather than turning it into 1.
    const std::uint8_t b = m_bLineSet[i] ? (m_nLineByte[i] ? m_nLineByte[i] : 1) : 0;
    v |= static_cast<std::uint32_t>(b) << (8 * i);
  }
  return v;
}

void CPortDlg::accept() {
  const QString port = SelectedPort();
  if (!port.isEmpty()) m_settings.SetPortName(port.toStdString());
  QString speed = m_strSpecialSpeed;
  if (speed.isEmpty()) speed = m_speedListChoice;
  if (speed.isEmpty()) speed = QStringLiteral("2400");
  m_settings.SetBaudRate(speed.toStdString());
  m_settings.SetSignals(SignalsFromChoices());
  QDialog::accept();
}

void CPortDlg::reject() {
  // Reading the stored name on opening replaced the name in use; a cancelled
  // dialog must leave it as it was (the simulator's port, for one).
  m_settings.m_strPortName = m_strPortBefore;
  QDialog::reject();
}
