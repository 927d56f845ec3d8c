#pragma once
// The texts of the five information panes of the status bar.
#include <string>

#include "recording/recording.h"

namespace zet::ui {

// Pane indicator ids in pane order (panes 1..5).
inline constexpr int kPaneIds[5] = {32781, 32785, 32780, 32827, 32828};

// Empty when the rule gives nothing (the pane then collapses).
std::string StatusPaneText(int paneId, const RecordingHeader& h);

}  // namespace zet::ui
