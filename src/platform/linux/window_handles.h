// Handles of windows and icons as the notification-area record carries them. Qt has no handle
// that fits the record's 32-bit fields on every display server, so each main window numbers
// itself and its icon (hWnd, IconHandle), and a handle is resolved by asking the application's
// top-level windows. Everything runs on the UI thread.
#pragma once

#include <QApplication>
#include <QIcon>

#include "core/basic_types.h"
#include "platform/linux/main_window.h"

namespace linux_ {

// nullptr when no live window has that handle.
inline MainWindow* WindowFromHandle(Long handle) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = dynamic_cast<MainWindow*>(widget);
        if (window != nullptr && window->hWnd() == handle) return window;
    }
    return nullptr;
}

// A null icon when no live window has an icon of that handle.
inline QIcon IconFromHandle(Long handle) {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = dynamic_cast<MainWindow*>(widget);
        if (window != nullptr && window->IconHandle() == handle) return window->windowIcon();
    }
    return {};
}

}  // namespace linux_
