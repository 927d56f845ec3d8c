#include "instrument/ui/program_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "base/host.h"
#include "instrument/ui/range_groups.h"
#include "instrument/ui/spin_arrows.h"

namespace {

constexpr int kPeriodContinuousId = 1033;
constexpr int kPeriodFirstId = 1034;
constexpr int kManualStartId = 1063;
constexpr int kDateStartId = 1064;

// Start-time rows top to bottom: text id, spin id.
constexpr int kStartRows[5][2] = {{1014, 1068}, {1011, 1069}, {1010, 1070}, {1023, 1066}, {1026, 1067}};

}  // namespace

CProgramDialog::CProgramDialog(zet::Clock& clock, QWidget* parent) : QDialog(parent), m_clock(clock) {
  setWindowTitle(QStringLiteral("Задание программы"));

  const zet::ui::RangeChannelGroups rc = zet::ui::MakeRangeChannelGroups(this, m_buttons);
  m_groupRangeMode = rc.rangeMode;
  m_groupRange = rc.range;
  m_groupChannels = rc.channels;

  auto* periodBox = new QGroupBox(QStringLiteral("Период измерений :"), this);
  m_groupPeriod = new QButtonGroup(this);
  auto* periodGrid = new QGridLayout(periodBox);
  // "1 c" is written with a Latin c, as it always was.
  const char* periods[] = {"Непрерывные измерения", "0.5 с", "1 c", "2 с", "5 с",
                           "10 с", "20 с", "30 с", "60 с", "120 с"};
  for (int i = 0; i < 10; ++i) {
    auto* b = new QRadioButton(QString::fromUtf8(periods[i]), periodBox);
    m_groupPeriod->addButton(b, kPeriodContinuousId + i);
    m_buttons[kPeriodContinuousId + i] = b;
    if (i == 0)
      periodGrid->addWidget(b, 0, 0, 1, 3);
    else
      periodGrid->addWidget(b, 1 + (i - 1) % 3, (i - 1) / 3);
  }

  auto* startModeBox = new QGroupBox(this);
  m_groupStart = new QButtonGroup(this);
  auto* startModeRow = new QHBoxLayout(startModeBox);
  for (int id : {kManualStartId, kDateStartId}) {
    auto* b = new QRadioButton(id == kManualStartId ? QStringLiteral("Ручной запуск")
                                                    : QStringLiteral("Запуск по дате"),
                               startModeBox);
    m_groupStart->addButton(b, id);
    m_buttons[id] = b;
    startModeRow->addWidget(b);
  }

  auto* timeBox = new QGroupBox(QStringLiteral("Время начала измерений"), this);
  auto* timeGrid = new QGridLayout(timeBox);
  for (int r = 0; r < 5; ++r) {
    auto* text = new QLabel(timeBox);
    text->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("День : 30 (воскресенье)")) + 8);
    auto* spin = new zet::ui::SpinArrows(timeBox);
    const int spinId = kStartRows[r][1];
    connect(spin, &zet::ui::SpinArrows::Stepped, this, [this, spinId](int d) { OnSpin(spinId, d); });
    m_texts[kStartRows[r][0]] = text;
    m_spins[spinId] = spin;
    timeGrid->addWidget(text, r, 0);
    timeGrid->addWidget(spin, r, 1);
  }

  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  auto* cancel = new QPushButton(QStringLiteral("Отменить"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* left = new QVBoxLayout;
  left->addWidget(rc.rangeBox);
  left->addWidget(rc.channelBox);
  left->addStretch(1);
  auto* right = new QVBoxLayout;
  right->addWidget(startModeBox);
  right->addWidget(timeBox);
  right->addStretch(1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* top = new QHBoxLayout;
  top->addLayout(left);
  top->addWidget(periodBox, 0, Qt::AlignTop);
  top->addLayout(right);
  auto* main = new QVBoxLayout(this);
  main->addLayout(top);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  connect(m_groupRangeMode, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) UpdateRangeButtons();
  });
  connect(m_groupStart, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) UpdateStartControls();
  });
  connect(m_groupPeriod, &QButtonGroup::idToggled, this, [this](int, bool on) {
    if (on) OnPeriodChanged();
  });

  // OnInitDialog
  Check(1027);
  Check(1029);
  Check(kPeriodFirstId);
  Check(1004);
  Check(kManualStartId);
  UpdateRangeButtons();
  UpdateStartControls();
  m_timeStart = m_clock.Now();
  UpdateStartTimeText();
}

QAbstractButton* CProgramDialog::Button(int id) const {
  auto it = m_buttons.find(id);
  return it == m_buttons.end() ? nullptr : it->second;
}

QLabel* CProgramDialog::Text(int id) const {
  auto it = m_texts.find(id);
  return it == m_texts.end() ? nullptr : it->second;
}

zet::ui::SpinArrows* CProgramDialog::Spin(int id) const {
  auto it = m_spins.find(id);
  return it == m_spins.end() ? nullptr : it->second;
}

bool CProgramDialog::Checked(int id) const {
  const QAbstractButton* b = Button(id);
  return b && b->isChecked();
}

void CProgramDialog::Check(int id) {
  if (QAbstractButton* b = Button(id)) b->setChecked(true);
}

void CProgramDialog::UpdateRangeButtons() {
  const bool fixed = !Checked(1027);
  for (int id = 1029; id <= 1032; ++id) Button(id)->setEnabled(fixed);
}

void CProgramDialog::UpdateStartControls() {
  const bool byDate = Checked(kDateStartId);
  for (auto& [id, text] : m_texts) text->setEnabled(byDate);
  for (auto& [id, spin] : m_spins) spin->setEnabled(byDate);
}

void CProgramDialog::OnPeriodChanged() {
  const bool continuous = Checked(kPeriodContinuousId);
  if (continuous) {
    Check(1027);
    Check(kManualStartId);
  }
  UpdateRangeButtons();
  UpdateStartControls();
  for (int id : {1027, 1028, kManualStartId, kDateStartId}) Button(id)->setEnabled(!continuous);
}

void CProgramDialog::OnSpin(int id, int d) {
  switch (id) {
    case 1066: m_timeStart = zet::StepHours(m_timeStart, d); break;
    case 1067: m_timeStart = zet::StepMinutes(m_timeStart, d); break;
    case 1068: m_timeStart = zet::StepDays(m_timeStart, d); break;
    case 1069: m_timeStart = zet::StepMonths(m_timeStart, d); break;
    case 1070: m_timeStart = zet::StepYears(m_timeStart, d); break;
    default: return;
  }
  UpdateStartTimeText();
}

void CProgramDialog::UpdateStartTimeText() {
  m_timeStart = zet::NormalizeStartTime(m_timeStart, m_clock.Now());
  const zet::StartTimeTexts t = zet::FormatStartTime(m_timeStart);
  Text(1010)->setText(QString::fromStdString(t.year));
  Text(1011)->setText(QString::fromStdString(t.month));
  Text(1014)->setText(QString::fromStdString(t.day));
  Text(1023)->setText(QString::fromStdString(t.hour));
  Text(1026)->setText(QString::fromStdString(t.minute));
}

void CProgramDialog::accept() {
  m_bAutoRange = Checked(1027);
  m_nRangeCode = static_cast<std::uint8_t>(std::max(0, zet::ui::CheckedCode(m_groupRange, 1029)));
  const int period = m_groupPeriod->checkedId();
  m_nPeriodCode = period == kPeriodContinuousId
                      ? static_cast<std::uint8_t>(zet::kPeriodContinuous)
                      : static_cast<std::uint8_t>(period < 0 ? 0 : period - kPeriodFirstId);
  m_nChannelCode = static_cast<std::uint8_t>(std::max(0, zet::ui::CheckedCode(m_groupChannels, 1004)));
  m_bManualStart = !Checked(kDateStartId);
  const std::time_t now = m_clock.Now();
  if (!m_bManualStart && m_timeStart < now) m_timeStart = now;
  QDialog::accept();
}

zet::ProgramSettings CProgramDialog::Settings() const {
  zet::ProgramSettings s;
  s.autoRange = m_bAutoRange;
  s.rangeCode = m_nRangeCode;
  s.periodCode = m_nPeriodCode;
  s.channelCode = m_nChannelCode;
  s.manualStart = m_bManualStart;
  s.start = m_timeStart;
  return s;
}
