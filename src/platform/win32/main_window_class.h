// The window class of the main window, by which the program's other parts and a later start of
// the program find it.
#pragma once

namespace win32 {

inline constexpr const char* kMainWindowClass = "ClavitapMainWindow";

}  // namespace win32
