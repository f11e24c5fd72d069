// The built-in synthesizer's audio stream on a null sink, on PulseAudio and on PipeWire: it rests
// while nothing sounds and the next note wakes it, as the sound server sees it. Run by
// with_null_sink.sh.
#include "platform/linux/midi/synth_audio_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/linux/midi/soundfont_search.h"
#include "tests/linux/midi/monitor_recording.h"

namespace linux_ {
namespace {

using Clock = std::chrono::steady_clock;

template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// The values of the lines of `pactl list|info ...` that start with `key`, one after the other.
std::string AsTheServerSays(const char* command, const std::string& key) {
    std::string answer;
    FILE* pactl = popen((std::string("pactl ") + command + " 2>/dev/null").c_str(), "r");
    if (pactl == nullptr) return answer;
    char line[256];
    while (std::fgets(line, sizeof(line), pactl) != nullptr) {
        const std::string text = line;
        const auto at = text.find(key);
        if (at != std::string::npos) {
            answer += text.substr(at + key.size(), text.find('\n') - at - key.size());
        }
    }
    pclose(pactl);
    return answer;
}

// The sink inputs' "Corked:" lines as the server reports them, e.g. "yes" or "no". PipeWire's
// PulseAudio service lists its own streams and native ones alike, an inactive one as corked.
std::string CorkedAsTheServerSees() {
    return AsTheServerSays("list sink-inputs", "Corked: ");
}

bool OnPipeWire() {
    return AsTheServerSays("info", "Server Name: ").find("PipeWire") != std::string::npos;
}

class SynthAudioOutputOnNullSink : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(midi_test::TestSink().empty()) << "run me through with_null_sink.sh";
        const auto font = FindSoundFont();
        ASSERT_TRUE(font);
        synth_ = BuiltinSynth::Create(*font);
        ASSERT_TRUE(synth_);
    }
    void Send(SynthAudioOutput& output, Long packed) {
        synth_->Play(*DecodeShortMessage(packed));
        output.Wake();
    }
    // Corked (PipeWire lists an inactive native stream so), or on PulseAudio gone while parked.
    bool Resting() const {
        const std::string corked = CorkedAsTheServerSees();
        return corked == "yes" || (corked.empty() && !pipeWire_);
    }
    bool Playing() const { return CorkedAsTheServerSees() == "no"; }
    // How the synthesizer reaches the server: "pipewire" for a native PipeWire stream (PipeWire's
    // PulseAudio service names itself in client.api of the streams it makes), "pulseaudio" for a
    // client of PulseAudio's protocol, which names itself as the program.
    std::string AudioSystemAsTheServerSees() const {
        if (pipeWire_ &&
            AsTheServerSays("list sink-inputs", "media.name = ") == "\"Built-in Synthesizer\"" &&
            AsTheServerSays("list sink-inputs", "client.api = ").empty()) {
            return "pipewire";
        }
        const std::string clients = AsTheServerSays("list clients", "application.name = ");
        return clients.find("\"Clavitap\"") != std::string::npos ? "pulseaudio" : "";
    }
    std::unique_ptr<BuiltinSynth> synth_;
    const bool pipeWire_ = OnPipeWire();
};

TEST_F(SynthAudioOutputOnNullSink, SleepsWhenSilentAndTheNextNoteWakesIt) {
    midi_test::MonitorRecording monitor(midi_test::TestSink());
    ASSERT_TRUE(monitor.WaitUntilFlowing());
    auto output = SynthAudioOutput::Open(*synth_);
    ASSERT_TRUE(output);
    EXPECT_EQ(AudioSystemAsTheServerSees(), pipeWire_ ? "pipewire" : "pulseaudio");
    EXPECT_TRUE(Eventually([&] { return Resting(); }, std::chrono::seconds(5)))
        << "nothing has been played yet";

    for (int round = 0; round < 3; ++round) {
        Send(*output, 0x90 | 70 << 8 | 100 << 16);
        EXPECT_TRUE(Eventually([&] { return Playing(); }, std::chrono::seconds(2)));
        EXPECT_GT(monitor.Read(std::chrono::seconds(3), 2000).peak, 2000) << "round " << round;
        Send(*output, 0xB0 | 120 << 8);  // all sound off
        EXPECT_TRUE(Eventually([&] { return Resting(); }, std::chrono::seconds(5)))
            << "the stream kept running after the sound died, round " << round;
        monitor.Read(std::chrono::milliseconds(200));  // what was still buffered
        EXPECT_LT(monitor.Read(std::chrono::milliseconds(300)).peak, 64) << "round " << round;
    }
}

// While silent the server has nothing of ours to mix: PulseAudio mixes for a corked stream too,
// so there the stream goes after a moment; on PipeWire the native stream stays, inactive.
TEST_F(SynthAudioOutputOnNullSink, TheServerHasNothingToMixWhileSilentAndSoundHasNoGaps) {
    midi_test::MonitorRecording monitor(midi_test::TestSink());
    ASSERT_TRUE(monitor.WaitUntilFlowing());
    auto output = SynthAudioOutput::Open(*synth_);
    ASSERT_TRUE(output);
    ASSERT_TRUE(Eventually([&] { return Resting(); }, std::chrono::seconds(5)));
    if (pipeWire_) {
        // Ours, not one made through the PulseAudio service, which names itself there.
        EXPECT_EQ(AsTheServerSays("list sink-inputs", "media.name = "), "\"Built-in Synthesizer\"");
        EXPECT_EQ(AsTheServerSays("list sink-inputs", "client.api = "), "");
    }
    const std::string resting = pipeWire_ ? "yes" : "";
    EXPECT_TRUE(
        Eventually([&] { return CorkedAsTheServerSees() == resting; }, std::chrono::seconds(5)))
        << "the server still has a stream that plays nothing: " << CorkedAsTheServerSees();

    // An organ never fades: after the uncork the recording must stay loud, or the stream has
    // stalled after its first buffer. A machine starved of CPU may drop a block here and there,
    // which is not a stall: most stretches, and the last ones, must be loud.
    Send(*output, 0xC0 | 16 << 8);
    Send(*output, 0x90 | 60 << 8 | 100 << 16);
    EXPECT_GT(monitor.Read(std::chrono::seconds(3), 1000).peak, 1000);
    EXPECT_EQ(CorkedAsTheServerSees(), "no");
    constexpr int kStretches = 20;
    int loud = 0;
    int loudAtTheEnd = 0;
    for (int stretch = 0; stretch < kStretches; ++stretch) {
        const bool isLoud = monitor.Read(std::chrono::milliseconds(50)).peak > 1000;
        loud += isLoud ? 1 : 0;
        if (stretch >= kStretches - 4) loudAtTheEnd += isLoud ? 1 : 0;
    }
    EXPECT_GE(loud, kStretches * 3 / 4)
        << "the sound stalled: " << loud << " of " << kStretches << " stretches of 50 ms were loud";
    EXPECT_GT(loudAtTheEnd, 0) << "the sound stopped after " << loud << " loud stretches";
}

TEST_F(SynthAudioOutputOnNullSink, ClosesWhileAsleepAndWhileSounding) {
    auto sleeping = SynthAudioOutput::Open(*synth_);
    ASSERT_TRUE(sleeping);
    ASSERT_TRUE(Eventually([&] { return Resting(); }, std::chrono::seconds(5)));
    const auto start = Clock::now();
    sleeping.reset();  // must not wait for a block that never comes
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));

    auto sounding = SynthAudioOutput::Open(*synth_);
    ASSERT_TRUE(sounding);
    Send(*sounding, 0xC0 | 16 << 8);  // an organ never fades
    Send(*sounding, 0x90 | 60 << 8 | 100 << 16);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_TRUE(Playing());
    sounding.reset();
}

}  // namespace
}  // namespace linux_
