// In-memory stand-ins for the platform services, for the unit tests of the shared code. Each
// test starts from Reset() and then shapes the fake system: its MIDI devices, stored settings,
// keys down, and how the notification area answers. Every call the shared code makes is recorded
// in `calls` in order, so a test can check sequences across services.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/basic_types.h"
#include "platform/notify_icon.h"

namespace fake {

struct SentMessage {
    Long handle;
    Long message;
    // The four bytes of the message from the low end.
    std::array<int, 4> Bytes() const {
        const auto value = static_cast<std::uint32_t>(message);
        return {int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF),
                int(value >> 24)};
    }
};

struct NotifyCall {
    Long message;
    platform::NotifyIconRecord record;
};

struct System {
    // MIDI: the mapper's name (none = its capabilities fail) and the counted devices (none = that
    // device's capabilities fail).
    std::optional<std::string> mapper;
    std::vector<std::optional<std::string>> devices;
    Long openResult = 0;
    Long closeResult = 0;
    Long nextHandle = 0x100;
    std::map<Long, std::string> errorTexts;  // codes without an entry have no text
    std::vector<SentMessage> sent;
    std::vector<Long> opened;  // device ids, in order
    std::vector<Long> closed;  // handles, in order
    std::vector<std::string> boxes;
    // Runs while a box is "open", as a modal box's own event loop runs other events.
    std::function<void()> whileBoxOpen;
    int openBoxes = 0;

    // Settings "app/section/key" -> text.
    std::map<std::string, std::string> settings;
    bool settingsWritable = true;

    std::array<std::int16_t, 256> keys{};  // ForgetKeyPresses() sets them all to 0
    int refreshes = 0;

    bool trayAccepts = true;
    std::vector<NotifyCall> notifications;
    std::vector<std::string> links;

    // Every call into the platform, by name, in order.
    std::vector<std::string> calls;
};

System& State();
void Reset();

}  // namespace fake
