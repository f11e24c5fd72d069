#include <array>
#include <map>
#include <string>
#include <vector>

#include "tests/unit/fakes/window_fixture.h"

namespace {

using Bytes = std::array<int, 4>;
using Startup = WindowFixture;

TEST_F(Startup, FirstRunSelectsTheDefaultsOpensTheFirstDeviceAndSendsProgramZero) {
    fake::State().mapper = "Mapper";
    fake::State().devices = {"Port"};
    window.Form_Load();
    EXPECT_EQ(Vol.Value(), 100);
    EXPECT_EQ(diao.ListIndex(), 0);
    EXPECT_EQ(ComDevies.ListIndex(), 0);
    EXPECT_EQ(ComSounds.ListIndex(), 0);
    EXPECT_EQ(fake::State().opened, (std::vector<Long>{-1}));
    ASSERT_EQ(fake::State().sent.size(), 2u);
    EXPECT_EQ(fake::State().sent[0].Bytes(), (Bytes{176, 0, 0, 0}));
    EXPECT_EQ(fake::State().sent[1].Bytes(), (Bytes{192, 0, 0, 0}));
    EXPECT_TRUE(fake::State().boxes.empty());
}

TEST_F(Startup, RestoresStoredChoicesAndOpensTheDeviceBeforeSendingTheInstrument) {
    fake::State().mapper = "Mapper";
    fake::State().devices = {"Port A", "Port B"};
    Store("Vol", "37");
    Store("Stage", "11");
    Store("Devies", "2");
    Store("Tools", "40");
    window.Form_Load();
    EXPECT_EQ(Vol.Value(), 37);
    EXPECT_EQ(diao.ListIndex(), 11);
    EXPECT_EQ(ComDevies.ListIndex(), 2);
    EXPECT_EQ(ComSounds.ListIndex(), 40);
    EXPECT_EQ(fake::State().opened, (std::vector<Long>{1}));  // ItemData of entry 2
    ASSERT_EQ(fake::State().sent.size(), 2u);
    EXPECT_EQ(fake::State().sent[1].Bytes(), (Bytes{192, 40, 0, 0}));
}

TEST_F(Startup, RefusedValuesLeaveTheirControlAsItWasAndTheRestStillLoads) {
    fake::State().mapper = "Mapper";
    Store("Vol", "abc");
    Store("Stage", "12");     // one past the last tone
    Store("Devies", "5");     // the list now has one entry
    Store("Tools", "99999");  // not an Integer
    window.Form_Load();
    EXPECT_EQ(Vol.Value(), 0);
    EXPECT_EQ(diao.ListIndex(), -1);
    EXPECT_EQ(ComDevies.ListIndex(), -1);
    EXPECT_EQ(ComSounds.ListIndex(), -1);
    // No device selected: no port, and no instrument to send; no message either.
    EXPECT_TRUE(fake::State().opened.empty());
    EXPECT_TRUE(fake::State().sent.empty());
    EXPECT_TRUE(fake::State().boxes.empty());
}

TEST_F(Startup, AFailedOpenShowsOneBoxAndTheProgramChangeFailsVisiblyToo) {
    fake::State().mapper = "Mapper";
    fake::State().openResult = 6;
    fake::State().errorTexts[6] = "No driver.";
    fake::State().errorTexts[5] = "Invalid handle.";
    window.Form_Load();
    // One box for the open, then one for each of the two messages of the program change.
    EXPECT_EQ(fake::State().boxes,
              (std::vector<std::string>{"No driver.", "Invalid handle.", "Invalid handle."}));
}

TEST_F(Startup, PickingADeviceReopensWithoutResendingTheInstrument) {
    fake::State().mapper = "Mapper";
    fake::State().devices = {"Port"};
    window.Form_Load();
    const std::size_t sentAtLoad = fake::State().sent.size();
    ComDevies.SetListIndex(1);
    window.ComDevies_Click();
    EXPECT_EQ(fake::State().opened, (std::vector<Long>{-1, 0}));
    EXPECT_EQ(fake::State().closed.size(), 1u);
    EXPECT_EQ(fake::State().sent.size(), sentAtLoad);

    ComSounds.SetListIndex(87);  // "Bass&Lead"
    window.ComSounds_Click();
    ASSERT_EQ(fake::State().sent.size(), sentAtLoad + 2);
    EXPECT_EQ(fake::State().sent.back().Bytes(), (Bytes{192, 87, 0, 0}));
}

TEST_F(Startup, WithNoInstrumentSelectedTheInstrumentActionSendsNothing) {
    mdlPubSelf::OpenMidiOut(0);
    window.ComSounds_Click();
    EXPECT_TRUE(fake::State().sent.empty());
    EXPECT_TRUE(fake::State().boxes.empty());
}

using Shutdown = WindowFixture;

TEST_F(Shutdown, WritesTheFourValuesThenRemovesTheIconThenClosesThePort) {
    fake::State().mapper = "Mapper";
    Store("Vol", "64");
    Store("Stage", "3");
    window.Form_Load();
    fake::State().calls.clear();
    window.Form_Unload();
    EXPECT_EQ(fake::State().calls, (std::vector<std::string>{
                                       "SaveSetting Devies", "SaveSetting Tools", "SaveSetting Vol",
                                       "SaveSetting Stage", "NIM_DELETE", "midiOutClose"}));
    EXPECT_EQ(Stored("Devies"), "0");
    EXPECT_EQ(Stored("Tools"), "0");
    EXPECT_EQ(Stored("Vol"), "64");
    EXPECT_EQ(Stored("Stage"), "3");
    EXPECT_EQ(mdlPubSelf::MidiOutHandle, 0);
}

TEST_F(Shutdown, AnEmptyDeviceListKeepsTheStoredDeviceAndMinusOneIsRestoredAsNoSelection) {
    Store("Devies", "1");
    window.Form_Load();
    window.Form_Unload();
    EXPECT_EQ(Stored("Devies"), "1");

    Store("Devies", "-1");
    fake::ListBox again;
    frmPubMain next{{form, again, ComSounds, diao, Vol, lblHide, lblFeedback}};
    next.Form_Load();
    EXPECT_EQ(again.ListIndex(), -1);
}

// Each text that is no choice, in each key: the next start finds that key absent and the others
// as stored; a choice the user picked instead is saved; a window closed before its start-up
// finished writes nothing.
TEST_F(Shutdown, WritesOnlyRestoredOrPickedChoices) {
    const std::map<std::string, std::string> stored = {
        {"Vol", "37"}, {"Stage", "4"}, {"Devies", "0"}, {"Tools", "40"}};
    for (const auto& [key, ignored] : stored) {
        for (const char* text : {"", "abc", "1e3", "12345678901234567890", "5.5", "-1", "0x10",
                                 "-32769", "200", "-2"}) {
            SCOPED_TRACE(key + "=\"" + text + "\"");
            fake::Reset();
            fake::State().mapper = "Mapper";
            fake::State().settings.clear();
            for (const auto& [k, v] : stored) Store(k, k == key ? text : v);
            frmPubMain run{{form, ComDevies, ComSounds, diao, Vol, lblHide, lblFeedback}};
            run.Form_Load();
            run.Form_Unload();
            // A device position that no list reaches now may be listed again at the next start.
            const bool kept = key == "Devies" && std::string(text) == "200";
            EXPECT_EQ(fake::State().settings.count("Clavitap/Value/" + key), kept ? 1u : 0u);
            for (const auto& [k, v] : stored) {
                if (k != key) {
                    EXPECT_EQ(Stored(k), v) << k;
                }
            }
        }
    }

    Store("Vol", "abc");
    frmPubMain picked{{form, ComDevies, ComSounds, diao, Vol, lblHide, lblFeedback}};
    picked.Form_Load();
    Vol.SetValue(Vol.Value() == 50 ? 51 : 50);
    picked.Form_Unload();
    EXPECT_EQ(Stored("Vol"), std::to_string(Vol.Value()));

    Store("Vol", "abc");
    frmPubMain early{{form, ComDevies, ComSounds, diao, Vol, lblHide, lblFeedback}};
    fake::State().calls.clear();
    early.Form_Unload();
    EXPECT_EQ(Stored("Vol"), "abc");
    EXPECT_EQ(fake::State().calls, (std::vector<std::string>{"NIM_DELETE"}));
}

TEST_F(Shutdown, RefusedWritesAreToldOnceAfterTheRestOfTheShutdownRuns) {
    window.Form_Load();
    fake::State().boxes.clear();
    mdlPubSelf::OpenMidiOut(0);
    fake::State().settingsWritable = false;
    fake::State().calls.clear();
    EXPECT_NO_THROW(window.Form_Unload());
    EXPECT_EQ(fake::State().calls.back(), "MsgBox");
    EXPECT_EQ(fake::State().calls.end()[-2], "midiOutClose");
    EXPECT_EQ(fake::State().boxes, (std::vector<std::string>{"cannot write Clavitap"}));
    EXPECT_EQ(mdlPubSelf::MidiOutHandle, 0);
}

}  // namespace
