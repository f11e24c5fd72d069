// The open MIDI output devices by handle. Handles count up from 1 and are not reused while the
// program runs, so a stale handle never reaches a device opened later.
#pragma once

#include <map>
#include <memory>

#include "core/basic_types.h"
#include "platform/linux/midi/output_device.h"

namespace platform::linux_midi {

class HandleTable {
  public:
    // Takes ownership of `device` and returns its new handle, never 0.
    Long Add(std::unique_ptr<OutputDevice> device);
    // The device behind `handle`, or nullptr for 0, a closed or an unknown handle.
    OutputDevice* Find(Long handle) const;
    // Closes the device; false when `handle` names none.
    bool Remove(Long handle);

  private:
    std::map<Long, std::unique_ptr<OutputDevice>> devices_;
    Long lastHandle_ = 0;
};

}  // namespace platform::linux_midi
