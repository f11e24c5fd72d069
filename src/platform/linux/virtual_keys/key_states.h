// The state of every virtual key as the key sources have reported it, answered in the shape of
// GetAsyncKeyState. Both Linux key sources (XInput2 and evdev) keep their answers here.
//
// Each source keeps which of its own keys are down and reports only changes of that state, so a
// release that arrives twice cannot unbalance anything here. A virtual key that several
// physical keys share (left and right Shift, or the same key on two keyboards) stays down while
// any of them is held.
#pragma once

#include <array>
#include <cstddef>
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

// Which virtual key each physical key of one source (X keycodes and buttons, or one input
// device's codes) holds down, reported to the virtual keys as changes only. The release lets go
// of the code the key was pressed as, so a keyboard remapping while a key is held still lets go of
// the right one.
template <std::size_t kKeyCount>
class HeldKeys {
  public:
    static constexpr bool IsKey(std::size_t key) { return key < kKeyCount; }

    bool IsDown(std::size_t key) const { return IsKey(key) && heldAs_[key] != 0; }

    // `key` is down and stands for `virtualKey`. A press of a key already down as that code is a
    // repeat: it only marks the code pressed, when `countAsPress`.
    void Press(std::size_t key, int virtualKey, bool countAsPress, VirtualKeyStates& states) {
        if (!IsKey(key) || !IsVirtualKey(virtualKey)) return;
        if (heldAs_[key] == virtualKey) {
            if (countAsPress) states.MarkPressed(virtualKey);
            return;
        }
        Release(key, states);
        heldAs_[key] = static_cast<std::uint8_t>(virtualKey);
        states.Hold(virtualKey, countAsPress);
    }

    void Release(std::size_t key, VirtualKeyStates& states) {
        if (!IsKey(key)) return;
        const std::uint8_t code = heldAs_[key];
        if (code == 0) return;
        heldAs_[key] = 0;
        states.LetGo(code);
    }

    void ReleaseAll(VirtualKeyStates& states) {
        for (std::size_t key = 0; key < kKeyCount; ++key) Release(key, states);
    }

    // Forgets every key without telling anyone, as when the states are cleared too.
    void Clear() { heldAs_.fill(0); }

  private:
    // The virtual key each key was pressed as, 0 while the key is up.
    std::array<std::uint8_t, kKeyCount> heldAs_{};
};

}  // namespace linux_
