// Links: "rundll32.exe url.dll,FileProtocolHandler <target>" hands the address to the user's
// default handler for its scheme. The program is taken from the system folder (never from the
// program's own folder or the current one); the command line stays exactly as written. It is
// started minimised and not waited for.
#include "platform/launcher.h"

#include <windows.h>

#include <string>

namespace platform {

void OpenLink(const std::string& target) {
    std::string commandLine = "rundll32.exe url.dll,FileProtocolHandler " + target;
    char systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(systemFolder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    const std::string program = std::string(systemFolder) + "\\rundll32.exe";

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWMINIMIZED;
    PROCESS_INFORMATION process{};
    // A failed start is not reported: the user can click again, and nothing else depends on it.
    if (CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace platform
