// The ALSA sequencer ports that accept writes, listed and opened through RtMidi.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/midi/output_device.h"

namespace linux_ {

// The names of the writable ports, in RtMidi's order (the order device ids follow). Empty, and
// nothing printed, when there is no ALSA sequencer.
std::vector<std::string> ListAlsaOutputPorts();

// Opens the port at `index` of that list into `device`; 0, or platform::MidiError::kBadDeviceId
// when the port is gone, platform::MidiError::kNoDevice when it cannot be connected.
Long OpenAlsaOutputPort(unsigned index, std::unique_ptr<OutputDevice>& device);

}  // namespace linux_
