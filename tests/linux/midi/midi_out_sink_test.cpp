// The platform calls against a real sound server (PulseAudio, or PipeWire's PulseAudio service)
// with a null sink: run by with_null_sink.sh, which names the sink in CLAVITAP_TEST_SINK. The
// sink's monitor is recorded with parec.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/midi_out.h"
#include "tests/linux/midi/monitor_recording.h"

namespace platform {
namespace {

using midi_test::MonitorRecording;

std::string ErrorText(Long code) {
    char buffer[128] = "";
    midiOutGetErrorTextA(code, buffer, sizeof(buffer));
    return buffer;
}

// A held key: a note-on every 50 ms until the monitor hears one, for up to three seconds. The
// largest sample heard.
int HoldKeyUntilHeard(Long handle, MonitorRecording& monitor) {
    int peak = 0;
    for (int tick = 0; tick < 60 && peak <= 2000; ++tick) {
        EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), 0);
        peak = monitor.Read(std::chrono::milliseconds(50), 2000).peak;
    }
    return peak;
}

int RunSinkScript(const char* variable) {
    const char* command = std::getenv(variable);
    return command != nullptr ? std::system(command) : -1;
}

std::string Pactl(const std::string& arguments) {
    std::string answer;
    FILE* pactl = popen(("pactl " + arguments + " 2>/dev/null").c_str(), "r");
    if (pactl == nullptr) return answer;
    char text[256];
    while (std::fgets(text, sizeof(text), pactl) != nullptr) answer += text;
    pclose(pactl);
    while (!answer.empty() && answer.back() == '\n') answer.pop_back();
    return answer;
}

// A second null sink made the default while it lives, as when headphones are plugged in; then
// the first is the default again.
class SecondSink {
  public:
    SecondSink(std::string name, std::string first)
        : name_(std::move(name)), first_(std::move(first)) {
        module_ = Pactl("load-module module-null-sink sink_name=" + name_ + " rate=44100");
        Pactl("set-default-sink " + name_);
    }
    ~SecondSink() {
        Pactl("set-default-sink " + first_);
        if (!module_.empty()) Pactl("unload-module " + module_);
    }
    SecondSink(const SecondSink&) = delete;
    SecondSink& operator=(const SecondSink&) = delete;
    bool IsDefault() const { return Pactl("get-default-sink") == name_; }

  private:
    std::string name_, first_, module_;
};

class MidiOutOnNullSink : public ::testing::Test {
  protected:
    void SetUp() override {
        sink_ = midi_test::TestSink();
        ASSERT_FALSE(sink_.empty()) << "run me through with_null_sink.sh";
    }
    std::string sink_;
};

TEST_F(MidiOutOnNullSink, BuiltinSynthIsListedOpensSoundsAndCloses) {
    MidiOutCapsA caps{};
    ASSERT_EQ(midiOutGetDevCapsA(-1, &caps, sizeof(caps)), 0);
    EXPECT_STREQ(caps.szPname, "Built-in Synthesizer");

    MonitorRecording monitor(sink_);
    ASSERT_TRUE(monitor.WaitUntilFlowing()) << "parec delivered nothing";

    Long handle = 0;
    const Long opened = midiOutOpen(&handle, -1, 0, 0, 0);
    ASSERT_EQ(opened, 0) << ErrorText(opened);
    EXPECT_GT(handle, 0);
    EXPECT_EQ(midiOutShortMsg(handle, 0xB0 | 0 << 8 | 0 << 16), 0);  // bank 0
    EXPECT_EQ(midiOutShortMsg(handle, 0xC0 | 0 << 8), 0);            // program 0
    EXPECT_LT(monitor.Read(std::chrono::milliseconds(300)).peak, 64) << "silent before the note";

    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), 0);
    const auto sounded = monitor.Read(std::chrono::seconds(3), 2000);
    EXPECT_GT(sounded.peak, 2000) << "the note-on made no sound on the sink";

    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 200 << 8 | 100 << 16), MidiError::kInvalidParam);
    EXPECT_EQ(midiOutClose(handle), 0);

    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), MidiError::kInvalidHandle);
    EXPECT_EQ(midiOutClose(handle), MidiError::kInvalidHandle);
    EXPECT_EQ(midiOutShortMsg(0, 0x90 | 70 << 8 | 100 << 16), MidiError::kInvalidHandle);
    EXPECT_EQ(ErrorText(MidiError::kInvalidHandle),
              "No MIDI output device is open (the handle is not valid).");
}

TEST_F(MidiOutOnNullSink, SynthIsOpenOnceAtATimeAndReopensAfterClose) {
    Long first = 0, second = 0;
    ASSERT_EQ(midiOutOpen(&first, -1, 0, 0, 0), 0);
    EXPECT_EQ(midiOutOpen(&second, -1, 0, 0, 0), MidiError::kAllocated);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(midiOutShortMsg(first, 0x90 | 60 << 8 | 100 << 16), 0) << "the first stays usable";
    ASSERT_EQ(midiOutClose(first), 0);

    ASSERT_EQ(midiOutOpen(&second, -1, 0, 0, 0), 0);
    EXPECT_NE(second, first) << "a closed handle is never handed out again";
    EXPECT_EQ(midiOutShortMsg(first, 0x90 | 60 << 8 | 100 << 16), MidiError::kInvalidHandle);
    EXPECT_EQ(midiOutShortMsg(second, 0x90 | 60 << 8 | 100 << 16), 0);
    EXPECT_EQ(midiOutClose(second), 0);
}

// Opens the built-in synthesizer and hears one note of it on the sink, before the sink changes.
void OpenAndHearANote(Long& handle, const std::string& sink) {
    ASSERT_EQ(midiOutOpen(&handle, -1, 0, 0, 0), 0);
    MonitorRecording monitor(sink);
    ASSERT_TRUE(monitor.WaitUntilFlowing());
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), 0);
    EXPECT_GT(monitor.Read(std::chrono::seconds(3), 2000).peak, 2000);
}

TEST_F(MidiOutOnNullSink, BuiltinSynthSoundsAgainAfterTheSoundServerRestarts) {
    Long handle = 0;
    ASSERT_NO_FATAL_FAILURE(OpenAndHearANote(handle, sink_));
    ASSERT_EQ(RunSinkScript("CLAVITAP_TEST_SINK_RESTART"), 0);

    // The first notes reach a stream whose server has gone.
    MonitorRecording monitor(sink_);
    ASSERT_TRUE(monitor.WaitUntilFlowing());
    EXPECT_GT(HoldKeyUntilHeard(handle, monitor), 2000)
        << "the synthesizer stayed silent after the sound server came back";
    EXPECT_EQ(midiOutClose(handle), 0);
}

TEST_F(MidiOutOnNullSink, BuiltinSynthFollowsTheDefaultSink) {
    Long handle = 0;
    ASSERT_NO_FATAL_FAILURE(OpenAndHearANote(handle, sink_));
    SecondSink headphones("ci_headphones", sink_);
    ASSERT_TRUE(headphones.IsDefault());
    MonitorRecording monitor("ci_headphones");
    ASSERT_TRUE(monitor.WaitUntilFlowing());
    EXPECT_GT(HoldKeyUntilHeard(handle, monitor), 2000)
        << "the synthesizer did not move to the new default sink";
    EXPECT_EQ(midiOutClose(handle), 0);
}

// At log-in the program may start before the sound server: the synthesizer opens all the same,
// its notes are lost without an error box until the server is there, and then they sound.
TEST_F(MidiOutOnNullSink, BuiltinSynthOpensBeforeTheSoundServerAndSoundsOnceItStarts) {
    ASSERT_EQ(RunSinkScript("CLAVITAP_TEST_SINK_STOP"), 0);
    Long handle = 0;
    const Long opened = midiOutOpen(&handle, -1, 0, 0, 0);
    ASSERT_EQ(opened, 0) << ErrorText(opened);
    EXPECT_EQ(midiOutShortMsg(handle, 0xC0 | 19 << 8), 0);  // church organ: it never fades
    EXPECT_EQ(midiOutShortMsg(handle, 0x90 | 70 << 8 | 100 << 16), 0);

    ASSERT_EQ(RunSinkScript("CLAVITAP_TEST_SINK_START"), 0);
    MonitorRecording monitor(sink_);
    ASSERT_TRUE(monitor.WaitUntilFlowing());
    EXPECT_LT(monitor.Read(std::chrono::milliseconds(300)).peak, 64)
        << "the note played before the server was there came late";
    EXPECT_GT(HoldKeyUntilHeard(handle, monitor), 2000)
        << "the synthesizer stayed silent after the sound server started";
    EXPECT_EQ(midiOutClose(handle), 0);
}

}  // namespace
}  // namespace platform
