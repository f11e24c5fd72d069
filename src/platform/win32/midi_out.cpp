// MIDI output on winmm. The calls are passed through as they are; the only translation is of the
// handle: HMIDIOUT is pointer-sized on 64-bit Windows while the MIDI module keeps a 32-bit Long,
// so every open handle gets a small token (its slot in a table, plus one; 0 never names a device).
#include "platform/midi_out.h"

#include <windows.h>

#include <mmsystem.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace platform {
namespace {

// The program holds one device at a time; a few slots spare room for a failed close.
std::array<HMIDIOUT, 8> g_openDevices{};

HMIDIOUT DeviceOfToken(Long token) {
    if (token < 1 || token > static_cast<Long>(g_openDevices.size())) return nullptr;
    return g_openDevices[static_cast<std::size_t>(token - 1)];
}

// -1 is the MIDI mapper; any other id is passed as the unsigned device number winmm expects.
UINT WinmmDeviceId(Long deviceId) {
    return deviceId == -1 ? MIDI_MAPPER : static_cast<UINT>(deviceId);
}

}  // namespace

Long midiOutGetNumDevs() {
    return static_cast<Long>(::midiOutGetNumDevs());
}

Long midiOutGetDevCapsA(Long deviceId, MidiOutCapsA* caps, Long capsSize) {
    static_assert(sizeof(MIDIOUTCAPSA) == sizeof(MidiOutCapsA));
    MIDIOUTCAPSA winmmCaps{};
    const MMRESULT result =
        ::midiOutGetDevCapsA(WinmmDeviceId(deviceId), &winmmCaps, sizeof(winmmCaps));
    if (result == MMSYSERR_NOERROR && caps != nullptr && capsSize > 0) {
        const auto size = std::min(static_cast<std::size_t>(capsSize), sizeof(winmmCaps));
        std::memcpy(static_cast<void*>(caps), &winmmCaps, size);
    }
    return static_cast<Long>(result);
}

Long midiOutOpen(Long* handle, Long deviceId, Long callback, Long instance, Long flags) {
    const auto free = std::find(g_openDevices.begin(), g_openDevices.end(), nullptr);
    if (free == g_openDevices.end()) return MidiError::kNoMemory;
    HMIDIOUT device = nullptr;
    const MMRESULT result =
        ::midiOutOpen(&device, WinmmDeviceId(deviceId), static_cast<DWORD_PTR>(callback),
                      static_cast<DWORD_PTR>(instance), static_cast<DWORD>(flags));
    if (result == MMSYSERR_NOERROR && device != nullptr) {
        *free = device;
        *handle = static_cast<Long>(free - g_openDevices.begin()) + 1;
    }
    return static_cast<Long>(result);
}

Long midiOutClose(Long handle) {
    const MMRESULT result = ::midiOutClose(DeviceOfToken(handle));
    // The module forgets the token whatever the result, so its slot is freed as well.
    if (DeviceOfToken(handle) != nullptr) g_openDevices[static_cast<std::size_t>(handle - 1)] = {};
    return static_cast<Long>(result);
}

Long midiOutShortMsg(Long handle, Long message) {
    return static_cast<Long>(::midiOutShortMsg(DeviceOfToken(handle), static_cast<DWORD>(message)));
}

Long midiOutGetErrorTextA(Long code, char* buffer, Long size) {
    return static_cast<Long>(::midiOutGetErrorTextA(static_cast<MMRESULT>(code), buffer,
                                                    static_cast<UINT>(std::max<Long>(size, 0))));
}

}  // namespace platform
