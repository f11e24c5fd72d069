// The state of every virtual key as the key sources have reported it, answered in the shape of
// GetAsyncKeyState. Both Linux key sources (XInput2 and evdev) keep their answers here.
//
// Each source keeps which of its own keys are down and reports only changes of that state, so a
// release that arrives twice cannot unbalance anything here. A virtual key that several
// physical keys share (left and right Shift, or the same key on two keyboards) stays down while
// any of them is held.
#pragma once

#include <array>
#include <cstdint>

namespace linux_ {

// Virtual-key codes run from 1 to 255.
constexpr bool IsVirtualKey(int code) {
    return code > 0 && code < 256;
}

class VirtualKeyStates {
  public:
    // One more physical key holds `virtualKey` down. `countAsPress` also marks it pressed since
    // the previous query; a key found already down when a device is opened is not a press.
    void Hold(int virtualKey, bool countAsPress);
    // One physical key that held `virtualKey` down let go.
    void LetGo(int virtualKey);
    // A press or repeat of a key that is already down: only the pressed-since-query mark.
    void MarkPressed(int virtualKey);

    // 0x8000 while the key is down, | 1 when it was pressed since the previous query of the same
    // code; the query clears that second part.
    std::int16_t Query(int virtualKey);

    // Every press so far counts as handled (a message box took it): the pressed-since-query
    // marks go, and each key down now answers 0 until it is let go or pressed anew on another
    // physical key, so neither the key that closed a box nor one held through it sounds.
    void Forget();

    void Clear();

  private:
    // How many physical keys hold each virtual key down.
    std::array<std::uint16_t, 256> holders_{};
    std::array<bool, 256> pressedSinceQuery_{};
    // Down since before the last Forget(), and not to be heard until let go.
    std::array<bool, 256> forgotten_{};
};

}  // namespace linux_
