// Handles of windows and icons as the notification-area record carries them. Qt has no handle
// that fits the record's 32-bit fields on every display server, so the window layer hands out
// small numbers of its own and resolves them here. Everything runs on the UI thread.
#pragma once

#include <QIcon>

#include "core/basic_types.h"

namespace linux_ {

class MainWindow;

Long RegisterWindow(MainWindow& window);
void UnregisterWindow(Long handle);
// nullptr when no live window has that handle.
MainWindow* WindowFromHandle(Long handle);

Long RegisterIcon(const QIcon& icon);
// A null icon when the handle names none.
QIcon IconFromHandle(Long handle);

}  // namespace linux_
