// Notification-area icon, in the shape of Shell_NotifyIconA. The record is the 56-byte ANSI
// notify-icon record built by the window (see window/tray_icon.h).
//
// While the icon exists, mouse activity over it reaches the window as its callback message: the
// window's mouse-move handler receives X = (mouse message) * TwipsPerPixelX, so a left-button
// release arrives as pixel column 514 and a right-button release as 517.
#pragma once

#include <array>
#include <cstdint>

#include "core/basic_types.h"

namespace platform {

inline constexpr Long NIM_ADD = 0;
inline constexpr Long NIM_DELETE = 2;

using NotifyIconRecord = std::array<std::uint8_t, 56>;

// Adds or removes the icon the record describes. Returns true when the platform accepted it.
bool Shell_NotifyIconA(Long message, const NotifyIconRecord& record);

}  // namespace platform
