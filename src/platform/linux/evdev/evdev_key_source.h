// System-wide key state read straight from the kernel's input devices (evdev), for sessions
// where the X server cannot report keys typed in other programs: Wayland desktops, where an X
// client hears only keys typed into X windows, and the text console, where there is no X at all.
//
// Every event node in the input devices folder that has keys or mouse buttons is read, without
// blocking and without grabbing it: other programs keep getting their input. Keys count by what
// they type in the system's keyboard layout (see layout_key_map.h). Reading the devices needs
// membership in the 'input' group; Open() tells the user so in plain words.
//
// Nothing here prints or records which keys were pressed.
//
// Use: Open() once; then on every tick Refresh() followed by State() for each code asked about;
// Close() at the end (the destructor also closes).
#pragma once

#include <poll.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/linux/evdev/layout_key_map.h"
#include "platform/linux/evdev/unique_fd.h"
#include "platform/linux/virtual_keys/key_states.h"

namespace linux_ {

class InputDevice;

class EvdevKeySource {
  public:
    // Keys count by the system's keyboard layout as it is at construction.
    EvdevKeySource();
    ~EvdevKeySource();
    EvdevKeySource(const EvdevKeySource&) = delete;
    EvdevKeySource& operator=(const EvdevKeySource&) = delete;

    // Opens every event node in `inputDir` that has keys or mouse buttons and watches the folder
    // for devices plugged in later. Returns an empty text when at least one device can be read,
    // else what keeps the source from hearing keys and what the user can do about it, in plain
    // words; the folder is still watched then.
    std::string Open(const std::string& inputDir = "/dev/input");

    // Takes in every pending event of every device without blocking, opens devices that appeared
    // in the folder and silently drops those that went away.
    void Refresh();

    // GetAsyncKeyState's word for a Windows virtual-key code (see VirtualKeyStates::Query): a tap
    // that began and ended between two refreshes answers nonzero exactly once.
    std::int16_t State(int virtualKey) { return states_.Query(virtualKey); }

    // Takes in what has arrived, then counts every press so far as handled; keys down now answer
    // 0 until let go.
    void Forget();

    void Close();

  private:
    void ScanFolder();
    // Opens the event nodes that appeared or changed in the folder since the previous call.
    void TakeFolderChanges();
    void OpenNode(const std::string& nodeName);
    bool IsReading(const std::string& path) const;
    std::string Explanation() const;

    std::string inputDir_ = "/dev/input";
    bool folderMissing_ = false;
    bool accessDenied_ = false;
    LayoutKeyMap keys_;
    // inotify on the folder, -1 when it cannot be watched.
    UniqueFd watch_;
    std::vector<std::unique_ptr<InputDevice>> devices_;
    VirtualKeyStates states_;
    // The folder watch first, then one entry per device; kept to spare an allocation per tick.
    std::vector<pollfd> pollFds_;
};

}  // namespace linux_
