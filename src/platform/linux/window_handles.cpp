#include "platform/linux/window_handles.h"

#include <map>

namespace linux_ {
namespace {

// Handles start well above 0, which never names a window or icon.
constexpr Long kFirstHandle = 0x100;

std::map<Long, MainWindow*>& Windows() {
    static std::map<Long, MainWindow*> windows;
    return windows;
}

std::map<Long, QIcon>& Icons() {
    static std::map<Long, QIcon> icons;
    return icons;
}

Long NextHandle() {
    static Long next = kFirstHandle;
    return next++;
}

}  // namespace

Long RegisterWindow(MainWindow& window) {
    const Long handle = NextHandle();
    Windows()[handle] = &window;
    return handle;
}

void UnregisterWindow(Long handle) {
    Windows().erase(handle);
}

MainWindow* WindowFromHandle(Long handle) {
    const auto found = Windows().find(handle);
    return found == Windows().end() ? nullptr : found->second;
}

Long RegisterIcon(const QIcon& icon) {
    const Long handle = NextHandle();
    Icons()[handle] = icon;
    return handle;
}

QIcon IconFromHandle(Long handle) {
    const auto found = Icons().find(handle);
    return found == Icons().end() ? QIcon() : found->second;
}

}  // namespace linux_
