#pragma once
// What the desktop benches' documents need of the user: nobody answers.
#include <optional>

#include "base/host.h"
#include "app/file_chooser.h"

namespace zet::ui {

class SilentPrompts : public Prompts {
 public:
  MsgAnswer Message(const std::string&, const std::string&, MsgButtons, MsgIcon) override { return MsgAnswer::Ok; }
  void Beep() override {}
};

class NoFiles : public FileChooser {
 public:
  std::optional<QString> Choose(const FileRequest&) override { return std::nullopt; }
};

}  // namespace zet::ui
