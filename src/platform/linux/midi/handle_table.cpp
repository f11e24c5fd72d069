#include "platform/linux/midi/handle_table.h"

#include <limits>

namespace platform::linux_midi {

Long HandleTable::Add(std::unique_ptr<OutputDevice> device) {
    do {  // after 2^31 opens, wrap around and skip handles still in use
        lastHandle_ = lastHandle_ == std::numeric_limits<Long>::max() ? 1 : lastHandle_ + 1;
    } while (devices_.contains(lastHandle_));
    devices_.emplace(lastHandle_, std::move(device));
    return lastHandle_;
}

OutputDevice* HandleTable::Find(Long handle) const {
    const auto found = devices_.find(handle);
    return found == devices_.end() ? nullptr : found->second.get();
}

bool HandleTable::Remove(Long handle) {
    return devices_.erase(handle) == 1;
}

}  // namespace platform::linux_midi
