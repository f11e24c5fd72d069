// Keys and pointer buttons of the whole X desktop, heard as XInput2 raw events on a private Xlib
// connection. Raw events reach every client that selects them on the root window, whichever
// window has the focus and even while another program holds a keyboard grab (XInput 2.1 and up).
//
// Use: Open() once; then on every tick Refresh() followed by State() for each code asked about;
// Close() at the end (the destructor also closes).
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/linux/virtual_keys/key_states.h"
#include "platform/linux/x11/keycode_map.h"

namespace linux_ {

class XKeySource {
  public:
    XKeySource() = default;
    XKeySource(const XKeySource&) = delete;
    XKeySource& operator=(const XKeySource&) = delete;
    ~XKeySource() { Close(); }

    // Connects to the display named by DISPLAY and starts listening. Returns an empty text on
    // success, else a plain-language explanation for the user; the source then stays closed.
    std::string Open();

    // Takes in every event that has already arrived, without waiting and without a request to
    // the server (except to reread the keyboard mapping after it changed).
    void Refresh();

    // GetAsyncKeyState's word for a Windows virtual-key code (see VirtualKeyStates::Query).
    std::int16_t State(int virtualKey) { return states_.Query(virtualKey); }

    // Takes in what has arrived, then counts every press so far as handled; keys down now
    // answer 0 until let go.
    void Forget();

    void Close();

  private:
    // Keys 0..255 are X keycodes; kFirstButton + n is pointer button n.
    static constexpr std::size_t kFirstButton = 256;
    static constexpr std::size_t kKeyCount = kFirstButton + 32;

    std::string ListenOrExplain();
    void SelectMappingChanges();
    // The core or XKB event that tells of a new keyboard mapping.
    bool IsMappingChange(const XkbEvent& event) const;
    void TakeRawEvent(int type, int detail);

    Display* display_ = nullptr;
    int xinputOpcode_ = -1;
    int xkbEventBase_ = -1;
    KeycodeMap keycodes_{};
    HeldKeys<kKeyCount> held_;
    VirtualKeyStates states_;
};

}  // namespace linux_
