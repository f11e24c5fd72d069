// Keys and pointer buttons of the whole X desktop, heard as XInput2 raw events on a private Xlib
// connection. Raw events reach every client that selects them on the root window, whichever
// window has the focus and even while another program holds a keyboard grab (XInput 2.1 and up).
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include <string>

#include "platform/linux/keys/keycode_map.h"
#include "platform/linux/keys/x_key_states.h"

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
    void Drain(XKeyStates& states);

    void Close();
    bool IsOpen() const { return display_ != nullptr; }

  private:
    std::string ListenOrExplain();
    void SelectMappingChanges();
    // The core or XKB event that tells of a new keyboard mapping.
    bool IsMappingChange(const XkbEvent& event) const;
    void TakeRawEvent(int type, int detail, XKeyStates& states) const;

    Display* display_ = nullptr;
    int xinputOpcode_ = -1;
    int xkbEventBase_ = -1;
    KeycodeMap keycodes_{};
};

}  // namespace linux_
