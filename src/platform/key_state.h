// System-wide key state, in the shape of GetAsyncKeyState: for a Windows virtual-key code, a
// 16-bit word with the top bit set while the key is down and the low bit set when the key was
// pressed since the previous query of that code, whichever program has the focus.
//
// The program never records, logs or prints which keys are down.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Starts listening to the keyboard and mouse buttons of the whole desktop. Returns an empty text
// when that works; otherwise a plain-language explanation, shown to the user once, of why keys
// typed in other programs cannot sound.
std::string OpenKeySource();

// Takes in whatever happened since the previous call; the key scan calls it once per tick, before
// its queries, so that a tick costs no round trip per key.
void RefreshKeyState();

std::int16_t GetAsyncKeyState(int virtualKey);

// Counts every key pressed so far as handled, as a message box does with the keys typed while it
// was open: no pressed-since-query mark survives, and a key that is down now answers 0 until it
// is released (so the Return that closed a box never sounds, nor raises the next box).
void ForgetKeyPresses();

void CloseKeySource();

}  // namespace platform
