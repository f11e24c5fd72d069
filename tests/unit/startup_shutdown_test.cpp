#include <array>
#include <vector>

#include "fakes/window_fixture.h"

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

TEST_F(Shutdown, AnEmptyDeviceListIsStoredAsMinusOneAndRestoredAsNoSelection) {
    window.Form_Load();
    window.Form_Unload();
    EXPECT_EQ(Stored("Devies"), "-1");

    fake::ListBox again;
    frmPubMain next{{form, again, ComSounds, diao, Vol, lblHide, lblFeedback}};
    next.Form_Load();
    EXPECT_EQ(again.ListIndex(), -1);
}

TEST_F(Shutdown, RefusedWritesAreToldOnceAfterTheRestOfTheShutdownRuns) {
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
