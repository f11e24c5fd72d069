// Modal message box with one OK button and the title "Clavitap". Returns when the user closes it.
#pragma once

#include <string>

namespace platform {

// The keys typed while the box is open belong to it: once it closes they count as handled
// (ForgetKeyPresses), so the key that closes a box never sounds or raises the next one.
void MsgBox(const std::string& text);

// True while a box of MsgBox is open; the key scan waits meanwhile.
bool MsgBoxOpen();

}  // namespace platform
