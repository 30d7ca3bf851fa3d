#pragma once
// The sending end of `ozmira --command N`, for a process without a window: it needs a session
// bus and nothing of the display.
#include <string>

namespace command_sender {

// Asks the running program to run command N; empty when it took the command, otherwise one
// line saying why not (none runs, no session bus, it refused).
std::string send(int command);

}  // namespace command_sender
