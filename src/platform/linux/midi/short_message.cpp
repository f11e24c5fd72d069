#include "platform/linux/midi/short_message.h"

namespace linux_ {

namespace {

// Message length by the high nibble of a channel status (0x8n..0xEn).
constexpr std::array<int, 16> kChannelMessageLength = {
    0, 0, 0, 0, 0, 0, 0, 0,  // 0x0n..0x7n are data bytes, not statuses
    3, 3, 3, 3, 2, 2, 3,     // note off, note on, key pressure, control, program, pressure, bend
    0,                       // 0xFn: see kSystemMessageLength
};

// Message length by the low nibble of a system status (0xF0..0xFF); 0 marks system exclusive.
constexpr std::array<int, 16> kSystemMessageLength = {
    0, 2, 3, 2, 1, 1, 1, 0,  // sysex start, time code, song position, song select, .., sysex end
    1, 1, 1, 1, 1, 1, 1, 1,  // real-time messages
};

}  // namespace

std::optional<ShortMessage> DecodeShortMessage(Long packed) {
    const auto word = static_cast<std::uint32_t>(packed);
    ShortMessage message;
    for (std::size_t i = 0; i < message.bytes.size(); ++i) {
        message.bytes[i] = static_cast<std::uint8_t>(word >> (8 * i));
    }
    const std::uint8_t status = message.bytes[0];
    if (status < 0x80) return std::nullopt;
    message.length =
        status >= 0xF0 ? kSystemMessageLength[status & 0x0F] : kChannelMessageLength[status >> 4];
    if (message.length == 0) return std::nullopt;
    for (int i = 1; i < message.length; ++i) {
        if (message.bytes[static_cast<std::size_t>(i)] > 0x7F) return std::nullopt;
    }
    for (std::size_t i = static_cast<std::size_t>(message.length); i < message.bytes.size(); ++i) {
        message.bytes[i] = 0;  // bytes the status does not use are not part of the message
    }
    return message;
}

}  // namespace linux_
