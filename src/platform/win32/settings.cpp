// Settings in the registry, where Windows programs of this family keep theirs:
// HKCU\Software\VB and VBA Program Settings\<app>\<section>, one REG_SZ value per key.
#include "platform/settings.h"

#include <windows.h>

namespace platform {
namespace {

// The registry's answer to the last refused write, for SettingsWriteFailure.
LSTATUS lastWriteStatus = ERROR_SUCCESS;

std::string SectionPath(const std::string& app, const std::string& section) {
    return "Software\\VB and VBA Program Settings\\" + app + "\\" + section;
}

}  // namespace

std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    const std::string path = SectionPath(app, section);
    for (;;) {
        DWORD size = 0;
        if (RegGetValueA(HKEY_CURRENT_USER, path.c_str(), key.c_str(), RRF_RT_REG_SZ, nullptr,
                         nullptr, &size) != ERROR_SUCCESS) {
            return defaultValue;
        }
        std::string value(size, '\0');
        const LSTATUS status = RegGetValueA(HKEY_CURRENT_USER, path.c_str(), key.c_str(),
                                            RRF_RT_REG_SZ, nullptr, value.data(), &size);
        if (status == ERROR_MORE_DATA) continue;  // the value grew between the two reads
        if (status != ERROR_SUCCESS) return defaultValue;
        value.resize(value.find('\0') == std::string::npos ? size : value.find('\0'));
        return value;
    }
}

bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value) {
    HKEY sectionKey = nullptr;
    LSTATUS status = RegCreateKeyExA(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), 0,
                                     nullptr, 0, KEY_SET_VALUE, nullptr, &sectionKey, nullptr);
    if (status == ERROR_SUCCESS) {
        status = RegSetValueExA(sectionKey, key.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(value.c_str()),
                                static_cast<DWORD>(value.size() + 1));
        RegCloseKey(sectionKey);
    }
    if (status != ERROR_SUCCESS) lastWriteStatus = status;
    return status == ERROR_SUCCESS;
}

bool DeleteSetting(const std::string& app, const std::string& section, const std::string& key) {
    const LSTATUS status =
        RegDeleteKeyValueA(HKEY_CURRENT_USER, SectionPath(app, section).c_str(), key.c_str());
    if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return true;
    lastWriteStatus = status;
    return false;
}

std::string SettingsWriteFailure(const std::string& app) {
    char text[512] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(lastWriteStatus), 0, text, sizeof(text), nullptr);
    std::string reason(text, length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    if (reason.empty())
        reason = "the registry refused the write (error " + std::to_string(lastWriteStatus) + ")";
    return "Clavitap could not save your choices in the registry under HKEY_CURRENT_USER\\" +
           SectionPath(app, "Value") + ": " + reason +
           ". The settings saved before stay as they were.";
}

}  // namespace platform
