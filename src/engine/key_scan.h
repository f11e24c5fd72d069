// The key scan run by every tick of the window's timer: each virtual-key code from 3 to 127 that
// is down, or was pressed since the previous tick, sounds a note-on on channel 0. A note whose key
// has been up for a while gets its note-off.
#pragma once

#include "core/basic_types.h"
#include "engine/rnd.h"
#include "platform/controls.h"

namespace engine {

inline constexpr int kFirstScannedKey = 3;
inline constexpr int kLastScannedKey = 127;

// Ticks a note goes on sounding after the last tick that struck it, before its note-off: 1.5 s at
// the 50 ms interval. Instruments that fade by themselves (piano, marimba, guitars, harp) have
// mostly died away by then, so a tapped key rings as its instrument does; sustained ones (organs,
// strings, pads) stop shortly after the key is let go.
inline constexpr int kNoteHoldTicks = 30;

// Base note of a virtual-key code: code + 50 below 50, code - 30 above 90, else the code itself.
Integer BaseNote(Integer code);

// Notes above 127 do not fit a MIDI data byte; they are folded down by whole octaves.
Integer FoldIntoMidiRange(Integer note);

// One tick: draws one random step R = Int(Rnd * 10) for the whole tick, then for every key down
// sends SendNoteOn(0, (tone index + 1) * 5 + base note, Vol + R), reading `diao` and `Vol`
// afresh for each note.
// Last, the notes no key has struck for kNoteHoldTicks ticks get their note-offs.
void ScanKeys(const platform::ListControl& diao, const platform::ScrollBarControl& Vol, Rnd& rnd);

// A tick that does not scan: no key strikes, and the notes of keys let go still end on time.
void ReleaseLetGoNotes();

}  // namespace engine
