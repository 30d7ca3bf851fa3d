#pragma once
// Tells, before Qt starts, whether there is a graphical session to show a window in: Qt
// aborts with a message about reinstalling when its platform plugin finds no display,
// which misleads a user who started the program over SSH or from a text console.
#include <string>

namespace session_check {

// Empty when a window can be shown; otherwise one line saying why not.
std::string problem();

}  // namespace session_check
