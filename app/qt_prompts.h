#pragma once
// Message boxes and beeps of the desktop program.
#include "base/host.h"

class QWidget;

namespace zet::ui {

class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }

  MsgAnswer Message(const std::string& text, const std::string& caption, MsgButtons buttons,
                    MsgIcon icon) override;
  void Beep() override;

 private:
  QWidget* owner_;
};

}  // namespace zet::ui
