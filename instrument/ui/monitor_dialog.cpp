#include "app/busy_cursor.h"
#include "instrument/ui/monitor_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "instrument/monitor.h"
#include "instrument/ui/range_groups.h"

namespace {

// Height 70 is the character cell, as the font was always asked for; the
// face falls back to a serif font the machine has.
QFont ValueFont() {
  QFont f;
  f.setFamilies({QStringLiteral("Times New Roman Cyr"), QStringLiteral("Times New Roman"),
                 QStringLiteral("Liberation Serif"), QStringLiteral("DejaVu Serif")});
  f.setStyleHint(QFont::Serif);
  f.setWeight(QFont::Normal);
  f.setPixelSize(70);
  const int cell = QFontMetrics(f).height();
  if (cell > 0) f.setPixelSize(std::max(8, 70 * 70 / cell));
  return f;
}

QLabel* ValueBox(QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  l->setAlignment(Qt::AlignCenter);
  return l;
}

}  // namespace

CMonitorDialog::CMonitorDialog(zet::ui::InstrumentEnv& env, QWidget* parent)
    : QDialog(parent), m_env(env), m_fontValue(ValueFont()), m_timer(new QTimer(this)) {
  setWindowTitle(QStringLiteral("Режим \"Монитор\""));
  setModal(false);

  const zet::ui::RangeChannelGroups rc = zet::ui::MakeRangeChannelGroups(this, m_buttons);
  m_groupRangeMode = rc.rangeMode;
  m_groupRange = rc.range;
  m_groupChannels = rc.channels;

  m_staticValue1 = ValueBox(this);
  m_staticValue2 = ValueBox(this);
  const int valueHeight = QFontMetrics(m_fontValue).height() + 8;
  const int valueWidth = QFontMetrics(m_fontValue).horizontalAdvance(QStringLiteral("U2=-102.40 мB")) + 16;
  for (QLabel* l : {m_staticValue1, m_staticValue2}) {
    l->setFont(m_fontValue);
    l->setMinimumSize(valueWidth, valueHeight);
  }
  m_checkBeep = new QCheckBox(QStringLiteral("Звуковой сигнал"), this);
  m_staticStatus = new QLabel(this);
  m_staticStatus->setAlignment(Qt::AlignCenter);
  m_staticRaw = new QLabel(this);
  m_staticRaw->setTextFormat(Qt::PlainText);
  auto* stop = new QPushButton(QStringLiteral("Прервать"), this);
  stop->setDefault(true);

  auto* left = new QVBoxLayout;
  left->addWidget(rc.rangeBox);
  left->addWidget(rc.channelBox);
  left->addWidget(m_checkBeep);
  left->addStretch(1);
  left->addWidget(stop);
  auto* values = new QVBoxLayout;
  values->addWidget(m_staticValue1);
  values->addWidget(m_staticValue2);
  values->addWidget(m_staticStatus);
  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addLayout(values, 1);
  auto* main = new QVBoxLayout(this);
  main->addLayout(top);
  main->addWidget(m_staticRaw);

  connect(stop, &QPushButton::clicked, this, &QDialog::accept);  // hides
  connect(m_checkBeep, &QCheckBox::toggled, this, [this](bool on) { m_bBeep = on; });
  connect(m_groupRangeMode, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) UpdateRangeButtons();
  });

  // OnInitDialog
  m_buttons[1027]->setChecked(true);
  m_buttons[1029]->setChecked(true);
  m_buttons[1004]->setChecked(true);
  UpdateRangeButtons();
  m_timer->setInterval(kPollMs);
  connect(m_timer, &QTimer::timeout, this, &CMonitorDialog::OnTimer);
  m_timer->start();
}

QAbstractButton* CMonitorDialog::Button(int id) const {
  auto it = m_buttons.find(id);
  return it == m_buttons.end() ? nullptr : it->second;
}

void CMonitorDialog::UpdateRangeButtons() {
  const bool fixed = !m_buttons.at(1027)->isChecked();
  for (int id = 1029; id <= 1032; ++id) m_buttons.at(id)->setEnabled(fixed);
}

void CMonitorDialog::OnTimer() {
  // A disabled dialog means its main window is blocked by a download or a
  // self-test whose progress box is servicing events: polling now would mix
  // a monitor exchange into that operation's traffic.
  if (!isVisible() || !isEnabled() || m_bPolling) return;
  Poll();
}

void CMonitorDialog::Poll() {
  if (m_bPolling) return;
  m_bPolling = true;
  zet::MonitorSettings s;
  s.autoRange = m_buttons.at(1027)->isChecked();
  s.rangeCode = std::max(0, zet::ui::CheckedCode(m_groupRange, 1029));
  s.channelCode = std::max(0, zet::ui::CheckedCode(m_groupChannels, 1004));
  zet::MonitorPoll r;
  {
    const zet::ui::BusyCursor busy;
    r = zet::PollMonitor(m_env.channel, s, m_bBeep);
  }
  m_bPolling = false;

  if (r.kind == zet::MonitorPoll::Kind::PortFailed) {
    hide();
    return;
  }
  m_staticRaw->setText(QString::fromStdString(r.raw));
  m_staticStatus->setText(QString::fromStdString(r.status));
  if (r.valuesChanged) {
    m_staticValue1->setText(QString::fromStdString(r.value1));
    m_staticValue2->setText(QString::fromStdString(r.value2));
  }
}
