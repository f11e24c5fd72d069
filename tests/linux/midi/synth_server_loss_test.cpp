// The sound server goes away while the built-in synthesizer is open: the next notes neither hang
// nor crash, they report the output as gone, and closing still works. Run by with_null_sink.sh,
// which names the server's process in CLAVITAP_TEST_SINK_SERVER_PID.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/midi_out.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SynthWhenTheSoundServerGoes, NotesReportTheOutputGoneAndCloseWorks) {
    const char* server = std::getenv("CLAVITAP_TEST_SINK_SERVER_PID");
    ASSERT_NE(server, nullptr) << "run me through with_null_sink.sh";
    Long handle = 0;
    ASSERT_EQ(midiOutOpen(&handle, -1, 0, 0, 0), 0);
    ASSERT_EQ(midiOutShortMsg(handle, 0x90 | 60 << 8 | 100 << 16), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    ASSERT_EQ(kill(std::atoi(server), SIGKILL), 0);
    // The stream learns of it when its connection closes; until then a note may still pass.
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    Long result = 0;
    while (result == 0 && Clock::now() < deadline) {
        const auto sent = Clock::now();
        result = midiOutShortMsg(handle, 0x90 | 62 << 8 | 100 << 16);
        EXPECT_LT(Clock::now() - sent, std::chrono::milliseconds(500)) << "a note blocked";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(result, MidiError::kNoDevice);
    char text[128] = "";
    midiOutGetErrorTextA(result, text, sizeof(text));
    EXPECT_STREQ(text, "The MIDI output device is gone: it was unplugged or closed.");
    // Other messages still go to the synthesizer without complaint; closing works.
    EXPECT_EQ(midiOutShortMsg(handle, 0xB0 | 120 << 8), 0);
    const auto closing = Clock::now();
    EXPECT_EQ(midiOutClose(handle), 0);
    EXPECT_LT(Clock::now() - closing, std::chrono::seconds(2));
}

}  // namespace
}  // namespace platform
