// Watches the input devices folder for nodes that appear (a keyboard plugged in) or whose access
// changes (the device manager hands a new node to the 'input' group only after creating it).
#pragma once

#include <string>
#include <vector>

#include "platform/linux/evdev/unique_fd.h"

namespace linux_ {

class DeviceFolderWatch {
  public:
    // Starts watching `folder`; false when it cannot be watched.
    bool Start(const std::string& folder);
    void Stop();

    struct Changes {
        // Names, inside the folder, of event nodes created or changed since the previous call.
        std::vector<std::string> names;
        // The kernel's queue of changes overflowed: the whole folder needs a fresh look.
        bool overflowed = false;
    };
    // Never blocks.
    Changes TakeChanges();

    // Readable when changes are waiting; -1 while not watching.
    int Fd() const { return fd_.Get(); }

  private:
    UniqueFd fd_;
};

// Whether a name in the input devices folder is an event node (event0, event1, ...), the only
// kind that speaks the input_event protocol.
bool IsEventNodeName(const std::string& name);

}  // namespace linux_
