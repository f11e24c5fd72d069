// Placeholder until the FluidSynth and ALSA output lands: no devices.
#include "platform/midi_out.h"

namespace platform {
Long midiOutGetNumDevs() {
    return 0;
}
Long midiOutGetDevCapsA(Long, MidiOutCapsA*, Long) {
    return MidiError::kBadDeviceId;
}
Long midiOutOpen(Long*, Long, Long, Long, Long) {
    return MidiError::kBadDeviceId;
}
Long midiOutClose(Long) {
    return MidiError::kInvalidHandle;
}
Long midiOutShortMsg(Long, Long) {
    return MidiError::kInvalidHandle;
}
Long midiOutGetErrorTextA(Long, char*, Long) {
    return MidiError::kBadErrorNumber;
}
}  // namespace platform
