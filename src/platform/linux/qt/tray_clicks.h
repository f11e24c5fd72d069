// Mouse activity over a tray icon, as the mouse messages a notification area reports (513 left
// press, 514 left release, 515 left double-click, and so on for the right and middle buttons).
//
// Qt's own report, QSystemTrayIcon::activated, comes at the press on an XEmbed tray, where the
// icon is a window of this program; that window sees presses and releases alike, so there the
// messages are read from its mouse events. On a StatusNotifierItem (D-Bus) tray the host sees
// the mouse and calls the icon's Activate, SecondaryActivate or ContextMenu once a click is
// complete; each stands for a released button.
#pragma once

#include <QSystemTrayIcon>
#include <functional>

#include "core/basic_types.h"

namespace linux_ {

// The mouse messages a notification area reports, by their numbers.
inline constexpr Long kMouseMove = 512;  // also the message the icon's clicks come under
inline constexpr Long kLeftButtonDown = 513;
inline constexpr Long kLeftButtonUp = 514;
inline constexpr Long kRightButtonUp = 517;

using MouseMessageSink = std::function<void(Long mouseMessage)>;

// Shows `icon` and reports its mouse activity to `sink` from then on.
void ShowReportingClicks(QSystemTrayIcon& icon, MouseMessageSink sink);

}  // namespace linux_
