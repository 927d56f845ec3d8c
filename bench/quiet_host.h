#pragma once
// What the desktop benches' documents need of the user: nobody answers.
#include <optional>

#include "app/file_chooser.h"
#include "base/host.h"
#include "base/settings.h"
#include "base/settings_store.h"
#include "recording/ui/log_doc.h"

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

// A document with settings in memory that nobody is asked about.
struct QuietDocument {
  MemorySettingsStore store;
  AppSettings settings{store};
  SilentPrompts prompts;
  NoFiles files;
  CLogDoc doc{settings, prompts, files};
};

}  // namespace zet::ui
