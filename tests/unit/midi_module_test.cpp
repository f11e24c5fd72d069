#include <gtest/gtest.h>

#include <array>

#include "core/errors.h"
#include "midi/mdlPubSelf.h"
#include "tests/unit/fakes/fake_controls.h"
#include "tests/unit/fakes/fake_platform.h"

namespace {

using Bytes = std::array<int, 4>;

class MidiModule : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::Reset();
        mdlPubSelf::MidiOutHandle = 0;
        mdlPubSelf::ShowNextScanError();
    }
    void TearDown() override { mdlPubSelf::MidiOutHandle = 0; }
    fake::System& system = fake::State();
};

TEST_F(MidiModule, ListsTheMapperFirstThenEveryDeviceWithItsId) {
    system.mapper = "Mapper";
    system.devices = {"Synth A", "Port B"};
    fake::ListBox list;
    list.AddItem("stale entry");
    EXPECT_EQ(mdlPubSelf::FillMidiDeviceList(list), True);
    ASSERT_EQ(list.ListCount(), 3);
    EXPECT_EQ(list.List(0), "Mapper");
    EXPECT_EQ(list.ItemData(0), -1);
    EXPECT_EQ(list.List(1), "Synth A");
    EXPECT_EQ(list.ItemData(1), 0);
    EXPECT_EQ(list.List(2), "Port B");
    EXPECT_EQ(list.ItemData(2), 1);
}

TEST_F(MidiModule, SkipsDevicesWhoseCapabilitiesFailAndReportsAnEmptySystem) {
    system.devices = {std::nullopt, "Only one"};
    fake::ListBox list;
    EXPECT_EQ(mdlPubSelf::FillMidiDeviceList(list), True);
    ASSERT_EQ(list.ListCount(), 1);
    EXPECT_EQ(list.ItemData(0), 1);

    system.devices.clear();
    EXPECT_EQ(mdlPubSelf::FillMidiDeviceList(list), False);
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_TRUE(system.boxes.empty());
}

TEST_F(MidiModule, ShowsAProductNameThatFillsTheWholeField) {
    system.mapper = std::string(32, 'N');  // no NUL inside the 32-character field
    fake::ListBox list;
    mdlPubSelf::FillMidiDeviceList(list);
    EXPECT_EQ(list.List(0), std::string(32, 'N'));
}

TEST_F(MidiModule, OpeningClosesThePreviousDeviceFirst) {
    EXPECT_EQ(mdlPubSelf::OpenMidiOut(-1), True);
    const Long first = mdlPubSelf::MidiOutHandle;
    EXPECT_EQ(mdlPubSelf::OpenMidiOut(-1), True);
    EXPECT_EQ(system.opened, (std::vector<Long>{-1, -1}));
    EXPECT_EQ(system.closed, (std::vector<Long>{first}));
    EXPECT_NE(mdlPubSelf::MidiOutHandle, first);
    EXPECT_EQ(system.calls.back(), "midiOutOpen -1");
}

TEST_F(MidiModule, AFailedOpenShowsOneBoxAndHoldsNoHandle) {
    system.openResult = 2;
    system.errorTexts[2] = "The specified device identifier is out of range.";
    EXPECT_EQ(mdlPubSelf::OpenMidiOut(3), False);
    EXPECT_EQ(mdlPubSelf::MidiOutHandle, 0);
    EXPECT_EQ(system.boxes,
              (std::vector<std::string>{"The specified device identifier is out of range."}));
}

TEST_F(MidiModule, ClosingWhenClosedDoesNothingAndAFailedCloseStillForgetsTheHandle) {
    mdlPubSelf::CloseMidiOut();
    EXPECT_TRUE(system.calls.empty());

    mdlPubSelf::OpenMidiOut(0);
    system.closeResult = 5;
    system.errorTexts[5] = "Invalid handle.";
    mdlPubSelf::CloseMidiOut();
    EXPECT_EQ(mdlPubSelf::MidiOutHandle, 0);
    EXPECT_EQ(system.boxes, (std::vector<std::string>{"Invalid handle."}));
}

TEST_F(MidiModule, PacksStatusAndDataBytesFromTheLowEnd) {
    mdlPubSelf::OpenMidiOut(0);
    mdlPubSelf::SendNoteOn(0, 60, 100);
    mdlPubSelf::SendNoteOn(0, 127, 0);
    mdlPubSelf::SendProgramChange(0, 0, 40);
    ASSERT_EQ(system.sent.size(), 4u);
    EXPECT_EQ(system.sent[0].Bytes(), (Bytes{144, 60, 100, 0}));
    EXPECT_EQ(system.sent[1].Bytes(), (Bytes{144, 127, 0, 0}));
    EXPECT_EQ(system.sent[2].Bytes(), (Bytes{176, 0, 0, 0}));  // bank select first
    EXPECT_EQ(system.sent[3].Bytes(), (Bytes{192, 40, 0, 0}));
    EXPECT_EQ(system.sent[0].handle, mdlPubSelf::MidiOutHandle);
}

TEST_F(MidiModule, AFirstDataByteOf128RaisesOverflowAndSendsNothing) {
    mdlPubSelf::OpenMidiOut(0);
    EXPECT_THROW(mdlPubSelf::SendNoteOn(0, 128, 10), OverflowError);
    EXPECT_THROW(mdlPubSelf::SendShortMessage(144, -129, 0), OverflowError);
    EXPECT_TRUE(system.sent.empty());
    EXPECT_TRUE(system.boxes.empty());
}

TEST_F(MidiModule, EveryFailedSendShowsItsOwnBox) {
    system.errorTexts[5] = "The specified device handle is invalid.";
    mdlPubSelf::SendProgramChange(0, 0, 0);
    mdlPubSelf::SendNoteOn(0, 70, 100);
    EXPECT_EQ(system.boxes.size(), 3u);
    EXPECT_EQ(system.boxes[0], "The specified device handle is invalid.");
}

TEST_F(MidiModule, ACodeWithoutTextNamesTheCodeInsteadOfShowingBlanks) {
    mdlPubSelf::ShowMidiError(4242);
    ASSERT_EQ(system.boxes.size(), 1u);
    EXPECT_NE(system.boxes[0].find("4242"), std::string::npos);
    EXPECT_NE(system.boxes[0].find_first_not_of(' '), std::string::npos);
}

}  // namespace
