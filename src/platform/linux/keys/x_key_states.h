// The state of every key and pointer button as the X key source has heard it, answered by
// virtual-key code in the shape of GetAsyncKeyState.
//
// State is kept per physical source (an X keycode or a pointer button), so a release that
// arrives twice or a press repeated while a key is held cannot unbalance it, and a virtual key
// that two sources share (left and right Shift) stays down while either is held.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/linux/keys/virtual_key_states.h"

namespace linux_ {

class XKeyStates {
  public:
    // Sources 0..255 are X keycodes; kFirstButtonSource + n is pointer button n.
    static constexpr int kFirstButtonSource = 256;
    static constexpr int kSourceCount = kFirstButtonSource + 32;

    // `source` went down and stands for `virtualKey` (0: for nothing the program asks about).
    void Press(int source, int virtualKey) {
        if (IsSource(source))
            held_.Press(static_cast<std::size_t>(source), virtualKey, true, words_);
    }
    void Release(int source) {
        if (IsSource(source)) held_.Release(static_cast<std::size_t>(source), words_);
    }

    // 0x8000 while the key is down, | 1 when it was pressed since the previous query of the same
    // code; the query clears that second part.
    std::int16_t Query(int virtualKey) { return words_.Query(virtualKey); }

    // Every press so far counts as handled; keys down now answer 0 until let go.
    void Forget() { words_.Forget(); }

    // Forgets everything, as after the key source is closed.
    void Clear() {
        held_.Clear();
        words_.Clear();
    }

  private:
    static bool IsSource(int source) { return source >= 0 && source < kSourceCount; }

    HeldKeys<kSourceCount> held_;
    // The answers by virtual key; they change only when a source changes state.
    VirtualKeyStates words_;
};

}  // namespace linux_
