#include "platform/linux/evdev/keyboard_layout.h"

#include <fstream>
#include <map>

#include "platform/linux/session/environment.h"

namespace linux_ {

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The file is a shell fragment of NAME="value" lines; values are read literally, without the
// shell's expansions, which the system's keyboard setup never writes there.
std::map<std::string, std::string> ReadAssignments(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        line = Trimmed(line);
        if (line.rfind("export ", 0) == 0) line = Trimmed(line.substr(7));
        const auto equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        std::string value = Trimmed(line.substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        values[line.substr(0, equals)] = value;
    }
    return values;
}

}  // namespace

KeyboardLayout SystemKeyboardLayout(const std::string& defaultsFile) {
    KeyboardLayout chosen;
    if (!EnvironmentValue("XKB_DEFAULT_LAYOUT").empty()) {
        if (!EnvironmentValue("XKB_DEFAULT_RULES").empty())
            chosen.rules = EnvironmentValue("XKB_DEFAULT_RULES");
        chosen.model = EnvironmentValue("XKB_DEFAULT_MODEL");
        chosen.layout = EnvironmentValue("XKB_DEFAULT_LAYOUT");
        chosen.variant = EnvironmentValue("XKB_DEFAULT_VARIANT");
        chosen.options = EnvironmentValue("XKB_DEFAULT_OPTIONS");
        return chosen;
    }
    auto values = ReadAssignments(defaultsFile);
    if (values["XKBLAYOUT"].empty()) return chosen;
    chosen.model = values["XKBMODEL"];
    chosen.layout = values["XKBLAYOUT"];
    chosen.variant = values["XKBVARIANT"];
    chosen.options = values["XKBOPTIONS"];
    return chosen;
}

}  // namespace linux_
