// The program's icon, at every size drawn for it: the window's title-bar and taskbar icon and,
// through its handle, the notification-area icon.
#pragma once

#include <QIcon>

namespace linux_ {

QIcon AppIcon();

}  // namespace linux_
