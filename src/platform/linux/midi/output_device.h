// One open MIDI output: the built-in synthesizer or an ALSA sequencer port.
#pragma once

#include "core/basic_types.h"
#include "platform/linux/midi/short_message.h"

namespace linux_ {

class OutputDevice {
  public:
    virtual ~OutputDevice() = default;
    // Plays or forwards one message; 0 or a MIDI error code.
    virtual Long Send(const ShortMessage& message) = 0;
};

}  // namespace linux_
