#pragma once
// The recorder's self-test: up to 15 s for one result byte.
#include <string>

#include "link/serial_channel.h"

namespace zet {

enum class SelfTestOutcome { PortFailed, Normal, RamFault, TimerFault, BadCode, NoAnswer };

// Runs the whole test with the progress box (caption "Проверка Прибора"),
// shows the outcome message through the channel's prompts and closes the port.
// A port that cannot be opened or hangs up shows only its port error: PortFailed.
SelfTestOutcome RunSelfTest(SerialChannel& channel, Progress& progress);

std::string SelfTestMessage(SelfTestOutcome o);

}  // namespace zet
