// Stands in for rundll32.exe in the link test: appends the show code it was started with and its
// own command line, as one line, to the file named by CLAVITAP_RECORD_FILE, and exits.
#include <windows.h>

#include <string>

int main() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("CLAVITAP_RECORD_FILE", path, MAX_PATH) == 0) return 1;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    const std::string line = std::to_string(show) + " " + GetCommandLineA() + "\n";
    // The links start several recorders at once: each appends its line in one write with append
    // access only, which the system places at the end whole. A seek to the end and a write, as
    // the C library's append mode does, could let one recorder overwrite another's line.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(10);  // another recorder or the test holds it in a way that does not share
            continue;
        }
        DWORD written = 0;
        const BOOL ok =
            WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == line.size() ? 0 : 1;
    }
    return 1;
}
