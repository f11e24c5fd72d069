// Stores many random texts as the four settings and runs the window's start-up on them: start-up
// never fails, a text that is a number in range is applied, and any other text leaves its
// control exactly as it was.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QScrollBar>
#include <QTest>
#include <cstdlib>
#include <optional>
#include <random>
#include <regex>
#include <string>

#include "platform/linux/main_window.h"
#include "platform/settings.h"
#include "tests/linux/ui/test_support.h"

namespace {

// What a stored text means, decided independently of the program's parser: blanks, an optional
// sign and decimal digits, within -32768..32767.
std::optional<int> Expected(const std::string& text) {
    static const std::regex number(R"(^[ \t]*([+-]?)0*([0-9]+)[ \t]*$)");
    std::smatch parts;
    if (!std::regex_match(text, parts, number)) return std::nullopt;
    const std::string digits = parts[2];
    if (digits.size() > 5) return std::nullopt;
    const int magnitude = std::stoi(digits);
    const int value = parts[1] == "-" ? -magnitude : magnitude;
    if (value < -32768 || value > 32767) return std::nullopt;
    return value;
}

std::string RandomText(std::mt19937& random) {
    static const std::string pieces[] = {
        "0", "1",  "7",  "9",   "-",   "+",   " ",  "\t", "00",    "a",     ".",      ",",     "e",
        "x", "\n", "=",  "\"",  "\\",  "@",   ";",  "#",  "１",    "٣",     "é",      "[",     "]",
        "/", "%",  "99", "100", "127", "128", "-1", "12", "32767", "32768", "-32768", "-32769"};
    std::uniform_int_distribution<int> length(0, 6);
    std::uniform_int_distribution<std::size_t> piece(0, std::size(pieces) - 1);
    std::string text;
    for (int i = length(random); i > 0; --i) text += pieces[piece(random)];
    return text;
}

unsigned Seed() {
    if (const char* given = std::getenv("CLAVITAP_FUZZ_SEED"))
        return static_cast<unsigned>(std::strtoul(given, nullptr, 10));
    return std::random_device{}();
}

TEST(SettingsFuzz, StartUpAppliesNumbersInRangeAndLeavesControlsAloneOtherwise) {
    const unsigned seed = Seed();
    SCOPED_TRACE("CLAVITAP_FUZZ_SEED=" + std::to_string(seed));
    std::mt19937 random(seed);
    linux_::MainWindow window;
    // The lists and the volume bar as the handlers see them.
    linux_::ComboList comDevies(*window.findChild<QComboBox*>(QStringLiteral("ComDevies")));
    linux_::ComboList comSounds(*window.findChild<QComboBox*>(QStringLiteral("ComSounds")));
    linux_::ComboList diao(*window.findChild<QComboBox*>(QStringLiteral("diao")));
    linux_::ScrollBar volume(*window.findChild<QScrollBar*>(QStringLiteral("Vol")));

    for (int round = 0; round < 40; ++round) {
        const std::string vol = RandomText(random);
        const std::string stage = RandomText(random);
        const std::string devies = RandomText(random);
        const std::string tools = RandomText(random);
        ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Vol", vol));
        ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Stage", stage));
        ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Devies", devies));
        ASSERT_TRUE(platform::SaveSetting("Clavitap", "Value", "Tools", tools));

        const auto volBefore = static_cast<Integer>(random() % 101);
        const auto stageBefore = static_cast<Integer>(static_cast<int>(random() % 13) - 1);
        const auto toolsBefore = static_cast<Integer>(static_cast<int>(random() % 129) - 1);
        volume.SetValue(volBefore);
        diao.SetListIndex(stageBefore);
        comSounds.SetListIndex(toolsBefore);

        window.Handlers().Form_Load();

        const std::string trace = "Vol=\"" + vol + "\" Stage=\"" + stage + "\" Devies=\"" + devies +
                                  "\" Tools=\"" + tools + "\"";
        const auto applied = [](const std::string& text, int low, int high, int before) {
            const std::optional<int> value = Expected(text);
            return value && *value >= low && *value <= high ? *value : before;
        };
        const int devices = comDevies.ListCount();
        EXPECT_EQ(volume.Value(), applied(vol, 0, 100, volBefore)) << trace;
        EXPECT_EQ(diao.ListIndex(), applied(stage, -1, 11, stageBefore)) << trace;
        EXPECT_EQ(comDevies.ListIndex(), applied(devies, -1, devices - 1, -1)) << trace;
        EXPECT_EQ(comSounds.ListIndex(), applied(tools, -1, 127, toolsBefore)) << trace;
        if (HasFailure()) break;
    }
}

}  // namespace
