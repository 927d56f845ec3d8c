#include "instrument/ui/range_groups.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zet::ui {

namespace {

QRadioButton* AddButton(QButtonGroup* group, int id, const char* text, QWidget* parent,
                        std::map<int, QAbstractButton*>& buttons) {
  auto* b = new QRadioButton(QString::fromUtf8(text), parent);
  group->addButton(b, id);
  buttons[id] = b;
  return b;
}

}  // namespace

RangeChannelGroups MakeRangeChannelGroups(QWidget* parent, std::map<int, QAbstractButton*>& buttons) {
  RangeChannelGroups g;
  g.rangeBox = new QGroupBox(QStringLiteral("Пределы измерений  :"), parent);
  g.rangeMode = new QButtonGroup(parent);
  g.range = new QButtonGroup(parent);
  auto* grid = new QGridLayout(g.rangeBox);
  grid->addWidget(AddButton(g.rangeMode, 1027, "Автоматические", g.rangeBox, buttons), 0, 0);
  grid->addWidget(AddButton(g.rangeMode, 1028, "Фиксированные", g.rangeBox, buttons), 1, 0);
  // Latin capital B, as the recorder's panel writes it.
  const char* ranges[] = {"100 B", "10 B", "1 B", "0.1 B"};
  for (int i = 0; i < 4; ++i)
    grid->addWidget(AddButton(g.range, 1029 + i, ranges[i], g.rangeBox, buttons), i, 1);
  grid->setColumnStretch(0, 1);

  g.channelBox = new QGroupBox(QStringLiteral("Каналы  :"), parent);
  g.channels = new QButtonGroup(parent);
  auto* col = new QVBoxLayout(g.channelBox);
  col->addWidget(AddButton(g.channels, 1004, "1 канал", g.channelBox, buttons));
  col->addWidget(AddButton(g.channels, 1005, "2 канала", g.channelBox, buttons));
  return g;
}

int CheckedCode(const QButtonGroup* group, int firstId) {
  const int id = group->checkedId();
  return id < 0 ? -1 : id - firstId;
}

}  // namespace zet::ui
