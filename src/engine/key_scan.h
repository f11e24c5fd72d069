// The key scan run by every tick of the window's timer: each virtual-key code from 3 to 127 that
// is down, or was pressed since the previous tick, sounds a note-on on channel 0.
#pragma once

#include "core/basic_types.h"
#include "engine/rnd.h"
#include "platform/controls.h"

namespace engine {

inline constexpr int kFirstScannedKey = 3;
inline constexpr int kLastScannedKey = 127;

// Base note of a virtual-key code: code + 50 below 50, code - 30 above 90, else the code itself.
Integer BaseNote(Integer code);

// Notes above 127 do not fit a MIDI data byte; they are folded down by whole octaves.
Integer FoldIntoMidiRange(Integer note);

// One tick: draws one random step R = Int(Rnd * 10) for the whole tick, then for every key down
// sends SendNoteOn(0, (tone index + 1) * 5 + base note, Vol + R), reading `diao` and `Vol`
// afresh for each note.
void ScanKeys(const platform::ListControl& diao, const platform::ScrollBarControl& Vol, Rnd& rnd);

}  // namespace engine
