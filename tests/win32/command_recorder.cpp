// Stands in for rundll32.exe in the link test: appends the show code it was started with and its
// own command line, as one line, to the file named by CLAVITAP_RECORD_FILE, and exits.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char path[MAX_PATH] = {};
    if (GetEnvironmentVariableA("CLAVITAP_RECORD_FILE", path, MAX_PATH) == 0) return 1;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    FILE* file = std::fopen(path, "ab");
    if (file == nullptr) return 1;
    std::fprintf(file, "%d %s\n", show, GetCommandLineA());
    std::fclose(file);
    return 0;
}
