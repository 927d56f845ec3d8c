#pragma once
// The range and channel choices shared by the program and Monitor dialogs:
// "Автоматические"/"Фиксированные" (1027, 1028), the fixed ranges 1029..1032
// and "1 канал"/"2 канала" (1004, 1005). Buttons are registered by id.
#include <map>

class QAbstractButton;
class QButtonGroup;
class QGroupBox;
class QWidget;

namespace zet::ui {

struct RangeChannelGroups {
  QGroupBox* rangeBox = nullptr;    // "Пределы измерений  :"
  QGroupBox* channelBox = nullptr;  // "Каналы  :"
  QButtonGroup* rangeMode = nullptr;
  QButtonGroup* range = nullptr;
  QButtonGroup* channels = nullptr;
};

RangeChannelGroups MakeRangeChannelGroups(QWidget* parent, std::map<int, QAbstractButton*>& buttons);

// The checked button's id minus the group's first id, or -1 when none is.
int CheckedCode(const QButtonGroup* group, int firstId);

}  // namespace zet::ui
