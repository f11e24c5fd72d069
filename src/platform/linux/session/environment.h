// What the program reads of its environment: which desktop session it runs in and the settings
// the session hands its programs. A variable set to the empty string counts as unset, as the
// desktop's own tools treat it.
#pragma once

#include <cstdlib>
#include <string>

namespace linux_ {

// The value of `name`, empty when it is unset.
inline std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

inline bool IsSetInEnvironment(const char* name) {
    return !EnvironmentValue(name).empty();
}

// An X desktop. A Wayland session may name an X display too (Xwayland), but X there hears only
// the keys typed into X windows.
inline bool IsXSession() {
    return IsSetInEnvironment("DISPLAY") && !IsSetInEnvironment("WAYLAND_DISPLAY");
}

}  // namespace linux_
