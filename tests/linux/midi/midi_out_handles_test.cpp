// The platform calls' answers that need no sound server: handles, parameters and error texts.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/linux/midi/soundfont_search.h"
#include "platform/midi_out.h"

namespace platform {
namespace {

std::string Text(Long code) {
    char buffer[128];
    std::memset(buffer, '#', sizeof(buffer));
    if (midiOutGetErrorTextA(code, buffer, sizeof(buffer)) != 0) return "(none)";
    return buffer;
}

TEST(MidiOutHandles, ZeroUnknownAndNegativeHandlesAreInvalid) {
    for (Long handle : {0, 1, 12345, -1}) {
        EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 60 << 8 | 100 << 16), MidiError::kInvalidHandle)
            << handle;
        EXPECT_EQ(midiOutClose(handle), MidiError::kInvalidHandle) << handle;
    }
    EXPECT_EQ(Text(MidiError::kInvalidHandle),
              "No MIDI output device is open (the handle is not valid).");
}

TEST(MidiOutHandles, BadArgumentsAreRefused) {
    Long handle = 0;
    EXPECT_EQ(midiOutOpen(nullptr, -1, 0, 0, 0), MidiError::kInvalidParam);
    EXPECT_EQ(midiOutOpen(&handle, -1, 0, 0, 0x30000), MidiError::kInvalidParam);  // a callback
    EXPECT_EQ(midiOutOpen(&handle, -2, 0, 0, 0), MidiError::kBadDeviceId);
    EXPECT_EQ(handle, 0);
    MidiOutCapsA caps{};
    EXPECT_EQ(midiOutGetDevCapsA(-1, &caps, 40), MidiError::kInvalidParam);
    EXPECT_EQ(midiOutGetDevCapsA(-2, &caps, sizeof(caps)), MidiError::kBadDeviceId);
    EXPECT_EQ(midiOutGetDevCapsA(midiOutGetNumDevs(), &caps, sizeof(caps)),
              MidiError::kBadDeviceId);
}

TEST(MidiOutErrorText, EveryCodeTheLayerReturnsHasAText) {
    for (Long code :
         {MidiError::kError, MidiError::kBadDeviceId, MidiError::kAllocated,
          MidiError::kInvalidHandle, MidiError::kNoDriver, MidiError::kNoMemory,
          MidiError::kBadErrorNumber, MidiError::kInvalidParam, MidiError::kNoDevice,
          linux_::LinuxMidiError::kNoSoundFont, linux_::LinuxMidiError::kSoundFontUnloadable}) {
        const std::string text = Text(code);
        EXPECT_NE(text, "(none)") << code;
        EXPECT_LT(text.size(), 128u) << code;
        EXPECT_EQ(text.back(), '.') << code;
    }
}

TEST(MidiOutErrorText, UnknownCodesHaveNoTextAndLeaveTheBufferAlone) {
    for (Long code : {0, 3, 10, 64, 1000, -1}) {
        char buffer[128];
        std::memset(buffer, ' ', sizeof(buffer));
        EXPECT_EQ(midiOutGetErrorTextA(code, buffer, sizeof(buffer)), MidiError::kBadErrorNumber)
            << code;
        EXPECT_EQ(std::string(buffer, sizeof(buffer)), std::string(128, ' ')) << code;
    }
}

TEST(MidiOutErrorText, ShortBuffersGetATruncatedTerminatedText) {
    char buffer[8];
    std::memset(buffer, '#', sizeof(buffer));
    ASSERT_EQ(midiOutGetErrorTextA(MidiError::kInvalidHandle, buffer, 8), 0);
    EXPECT_STREQ(buffer, "No MIDI");
    EXPECT_EQ(midiOutGetErrorTextA(MidiError::kInvalidHandle, buffer, 0), MidiError::kInvalidParam);
}

}  // namespace
}  // namespace platform
