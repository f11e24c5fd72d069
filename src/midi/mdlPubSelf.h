// The MIDI output module: lists the output devices, holds the one open device, composes and sends
// the note-on, note-off, control-change and program-change messages, and shows every failed MIDI
// call in a message box with the platform's error text (the key scan's note-offs excepted).
#pragma once

#include "core/basic_types.h"
#include "platform/controls.h"

namespace mdlPubSelf {

// Handle of the open MIDI output device; 0 while none is open.
extern Long MidiOutHandle;

// Fills `list` with the mapper (ItemData -1) and every device whose capabilities can be read
// (ItemData = device id). True when at least one entry was added.
Boolean FillMidiDeviceList(platform::ListControl& list);

// Closes any open device, then opens `deviceId`. True when a handle is held afterwards.
Boolean OpenMidiOut(Integer deviceId);

// Ends the key scan's notes still sounding on the open device, then closes it.
void CloseMidiOut();

// Packs status + data1 * 256 + data2 * 65536 and sends it. A data1 outside -128..127 raises
// OverflowError before anything is sent.
void SendShortMessage(Integer status, Integer data1, Integer data2);

void SendNoteOn(Integer channel, Integer note, Integer velocity);
// The key scan's note-on. Once a failure of it has shown its box, its further failures stay
// silent until a send succeeds or ShowNextScanError() is called: with no port open every key
// would raise a box, and the user could never get out of them.
void SendScanNoteOn(Integer channel, Integer note, Integer velocity);
// The user picked a device or an instrument: the key scan's next failure shows its box again.
void ShowNextScanError();
// Ends a pass of the key scan: a note that no key has struck for `holdPasses` passes gets its
// note-off (status 128 + channel, the note as struck, velocity 64). A failed note-off shows no box:
// the device it could not reach is gone or broken, and the next note-on says so.
void ReleaseScanNotes(int holdPasses);
void SendControlChange(Integer channel, Integer controller, Integer value);
// Bank select (controller 0) first, then the program change.
void SendProgramChange(Integer channel, Integer bank, Integer program);

void ShowMidiError(Integer code);

}  // namespace mdlPubSelf
