// MIDI output service in the shape of the winmm calls the MIDI module is written against.
// Every call returns 0 for success or a winmm error code (see MidiError below). Handles are Longs;
// 0 never names an open device.
//
// Windows: the winmm calls themselves; device -1 is the system's MIDI mapper.
// Linux:   device -1 is the built-in synthesizer (FluidSynth with a General MIDI SoundFont);
//          devices 0..n-1 are the ALSA sequencer ports that accept writes.
#pragma once

#include <cstdint>

#include "core/basic_types.h"

namespace platform {

// winmm result codes used by both targets.
namespace MidiError {
inline constexpr Long kError = 1;           // MMSYSERR_ERROR: unspecified error
inline constexpr Long kBadDeviceId = 2;     // MMSYSERR_BADDEVICEID
inline constexpr Long kAllocated = 4;       // MMSYSERR_ALLOCATED: device already in use
inline constexpr Long kInvalidHandle = 5;   // MMSYSERR_INVALHANDLE
inline constexpr Long kNoDriver = 6;        // MMSYSERR_NODRIVER
inline constexpr Long kNoMemory = 7;        // MMSYSERR_NOMEM
inline constexpr Long kBadErrorNumber = 9;  // MMSYSERR_BADERRNUM: no text for this code
inline constexpr Long kInvalidParam = 11;   // MMSYSERR_INVALPARAM
inline constexpr Long kNoDevice = 68;       // MIDIERR_NODEVICE: the port or audio output is gone
}  // namespace MidiError

// The ANSI capabilities record, 52 bytes, laid out as winmm's MIDIOUTCAPSA.
struct MidiOutCapsA {
    std::uint16_t wMid;
    std::uint16_t wPid;
    std::uint32_t vDriverVersion;
    char szPname[32];  // product name, NUL-terminated when shorter than 32
    std::uint16_t wTechnology;
    std::uint16_t wVoices;
    std::uint16_t wNotes;
    std::uint16_t wChannelMask;
    std::uint32_t dwSupport;
};
static_assert(sizeof(MidiOutCapsA) == 52, "MIDIOUTCAPSA is 52 bytes");

// The number of MIDI output devices (the mapper or built-in synthesizer, id -1, not counted).
Long midiOutGetNumDevs();

// Fills `caps` for device `deviceId` (-1 for the mapper or built-in synthesizer).
Long midiOutGetDevCapsA(Long deviceId, MidiOutCapsA* caps, Long capsSize);

// Opens `deviceId` with no callback, no instance data and no flags; writes the handle on success.
Long midiOutOpen(Long* handle, Long deviceId, Long callback, Long instance, Long flags);

Long midiOutClose(Long handle);

// Sends one packed short message: status | data1 << 8 | data2 << 16.
Long midiOutShortMsg(Long handle, Long message);

// Writes the text of `code` into `buffer` (NUL-terminated, at most `size` bytes). Returns
// MidiError::kBadErrorNumber and leaves the buffer as it was when the code has no text.
Long midiOutGetErrorTextA(Long code, char* buffer, Long size);

}  // namespace platform
