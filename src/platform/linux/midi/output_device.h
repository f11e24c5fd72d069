// One open MIDI output: the built-in synthesizer or an ALSA sequencer port.
#pragma once

#include <memory>

#include "core/basic_types.h"
#include "platform/linux/midi/short_message.h"

namespace platform::linux_midi {

class OutputDevice {
  public:
    virtual ~OutputDevice() = default;
    // Plays or forwards one message; 0 or a MIDI error code.
    virtual Long Send(const ShortMessage& message) = 0;
};

// A device just opened, or the code saying why it could not be.
struct OpenResult {
    std::unique_ptr<OutputDevice> device;
    Long error = 0;
};

}  // namespace platform::linux_midi
