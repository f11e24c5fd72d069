#include "platform/linux/midi/soundfont_search.h"

#include <unistd.h>

#include <array>
#include <filesystem>

namespace linux_ {

namespace {

// In order of preference: the font the system administrator picked, then the small font that
// loads fast and sounds good enough, then the large one.
constexpr std::array kSoundFontNames = {"default-GM.sf2", "TimGM6mb.sf2", "FluidR3_GM.sf2"};
constexpr char kSoundFontFolder[] = "/usr/share/sounds/sf2";

bool IsReadableFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error) && access(path.c_str(), R_OK) == 0;
}

}  // namespace

std::optional<std::string> FindSoundFont() {
    for (const char* name : kSoundFontNames) {
        const std::filesystem::path candidate = std::filesystem::path(kSoundFontFolder) / name;
        if (IsReadableFile(candidate)) return candidate.string();
    }
    return std::nullopt;
}

std::string MissingSoundFontNotice(bool otherDevicesListed) {
    if (FindSoundFont()) return {};
    // The boxes that follow ("No MIDI output device is open") make sense once the user knows
    // that the list has nothing to pick.
    const std::string list = otherDevicesListed
                                 ? "is missing from the device list until one is installed. "
                                 : "the device list stays empty until one is installed. ";
    return "No General MIDI SoundFont is installed, so the built-in synthesizer cannot play and " +
           list +
           "Install the package timgm6mb-soundfont (or fluid-soundfont-gm), for example with "
           "\"sudo apt install timgm6mb-soundfont\", and start Clavitap again.";
}

}  // namespace linux_
