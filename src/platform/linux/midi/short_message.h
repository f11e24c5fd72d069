// A packed winmm short message taken apart into the MIDI bytes it carries.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/basic_types.h"

namespace linux_ {

struct ShortMessage {
    std::array<std::uint8_t, 3> bytes{};  // status, data1, data2
    int length = 0;                       // how many of them the status uses: 1, 2 or 3

    std::uint8_t Kind() const { return static_cast<std::uint8_t>(bytes[0] & 0xF0); }
    int Channel() const { return bytes[0] & 0x0F; }
    int Data1() const { return bytes[1]; }
    int Data2() const { return bytes[2]; }
};

// Unpacks status | data1 << 8 | data2 << 16 (the top byte is ignored, as winmm does). nullopt when
// the low byte is not a status byte (no running status), when it starts or ends a system-exclusive
// message, or when a data byte the status uses has its top bit set: such a byte would be read as a
// status by the receiver.
std::optional<ShortMessage> DecodeShortMessage(Long packed);

}  // namespace linux_
