// Per-user settings store, addressed by application, section and key; every value is a text.
// Windows: the registry under HKCU\Software\VB and VBA Program Settings\<app>\<section>.
// Linux:   QSettings, $XDG_CONFIG_HOME/<app>/<app>.conf, group [<section>]; only a regular file
//          there is read or replaced, anything else counts as absent.
#pragma once

#include <string>

namespace platform {

// The stored text, or `defaultValue` when the application, section or key is absent.
std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                       const std::string& defaultValue);

// Stores `value`, creating the application, section and key as needed. Returns false when the
// store refused the write.
bool SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                 const std::string& value);

// Removes `key`, so that it reads as absent again; an absent key is no failure. Returns false
// when the store refused the removal.
bool DeleteSetting(const std::string& app, const std::string& section, const std::string& key);

// After a refused SaveSetting or DeleteSetting: in plain words for the user, where the settings of
// `app` live and why the last write was refused. The settings stored before stay as they were.
std::string SettingsWriteFailure(const std::string& app);

}  // namespace platform
