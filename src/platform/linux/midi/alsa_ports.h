// The ALSA sequencer ports that accept writes, listed and opened through RtMidi.
#pragma once

#include <string>
#include <vector>

#include "platform/linux/midi/output_device.h"

namespace platform::linux_midi {

// The names of the writable ports, in RtMidi's order (the order device ids follow). Empty, and
// nothing printed, when there is no ALSA sequencer.
std::vector<std::string> ListAlsaOutputPorts();

// Opens the port at `index` of that list. Fails with MidiError::kBadDeviceId when the port is
// gone, MidiError::kNoDevice when it cannot be connected.
OpenResult OpenAlsaOutputPort(unsigned index);

}  // namespace platform::linux_midi
