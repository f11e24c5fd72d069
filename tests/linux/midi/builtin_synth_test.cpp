// The built-in synthesizer rendered offline by FluidSynth, with no audio driver.
#include "platform/linux/midi/builtin_synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/linux/midi/synth_audio_output.h"
#include "tests/linux/midi/test_fonts.h"

namespace linux_ {
namespace {

constexpr int kRate = static_cast<int>(BuiltinSynth::kSampleRate);

ShortMessage Message(int status, int data1, int data2 = 0) {
    const auto decoded = DecodeShortMessage(status | data1 << 8 | data2 << 16);
    EXPECT_TRUE(decoded.has_value());
    return decoded.value_or(ShortMessage{});
}

// The pitches below are TimGM6mb's: fonts differ in tuning by a few cents (FluidR3_GM's piano plays
// note 58 at 236 Hz), so the font is named rather than the machine's default taken.
std::unique_ptr<BuiltinSynth> NewSynth(const std::string& font = midi_test::kTimGM6mb) {
    auto synth = BuiltinSynth::Create(font);
    EXPECT_TRUE(synth) << font << " must be installed";
    return synth;
}

// The left and right channels summed, `frames` long.
std::vector<float> RenderMono(BuiltinSynth& synth, int frames) {
    std::vector<float> left(static_cast<std::size_t>(frames)), right(left.size());
    synth.Render(left.data(), right.data(), frames);
    for (std::size_t i = 0; i < left.size(); ++i) left[i] += right[i];
    return left;
}

// Half a second of `note` played with `program`, from a fresh synthesizer.
std::vector<float> RenderNote(int program, int note,
                              const std::string& font = midi_test::kTimGM6mb) {
    auto synth = NewSynth(font);
    if (!synth) return {};
    synth->Play(Message(0xC0, program));
    synth->Play(Message(0x90, note, 100));
    return RenderMono(*synth, kRate / 2);
}

double Correlation(const std::vector<float>& signal, std::size_t begin, std::size_t length,
                   std::size_t lag) {
    double product = 0, energyA = 0, energyB = 0;
    for (std::size_t i = begin; i < begin + length; ++i) {
        product += double{signal[i]} * signal[i + lag];
        energyA += double{signal[i]} * signal[i];
        energyB += double{signal[i + lag]} * signal[i + lag];
    }
    return product / std::sqrt(energyA * energyB + 1e-30);
}

// The pitch between `lowHz` and `highHz` (less than an octave apart, so that no harmonic can be
// taken for it), by autocorrelation refined with a parabola through the peak.
double PitchHz(const std::vector<float>& signal, int lowHz = 300, int highHz = 580) {
    const std::size_t begin = kRate / 10, length = kRate / 4;  // past the hammer's attack
    const auto shortest = static_cast<std::size_t>(kRate / highHz);
    const auto longest = static_cast<std::size_t>(kRate / lowHz);
    std::vector<double> r(longest + 2);
    std::size_t best = shortest;
    for (std::size_t lag = shortest - 1; lag <= longest + 1; ++lag) {
        r[lag] = Correlation(signal, begin, length, lag);
        if (lag >= shortest && lag <= longest && r[lag] > r[best]) best = lag;
    }
    const double shift =
        0.5 * (r[best - 1] - r[best + 1]) / (r[best - 1] - 2 * r[best] + r[best + 1]);
    return kRate / (static_cast<double>(best) + shift);
}

double Rms(const std::vector<float>& signal) {
    double sum = 0;
    for (float sample : signal) sum += double{sample} * sample;
    return std::sqrt(sum / static_cast<double>(signal.size()));
}

TEST(BuiltinSynth, PianoNote70SoundsAtBFlat466Hz) {
    const auto signal = RenderNote(0, 70);
    ASSERT_FALSE(signal.empty());
    EXPECT_GT(Rms(signal), 0.01);
    EXPECT_NEAR(PitchHz(signal), 466.16, 466.16 * 0.01);
}

TEST(BuiltinSynth, NoteAnOctaveDownHalvesThePitch) {
    const auto signal = RenderNote(0, 58);
    ASSERT_FALSE(signal.empty());
    EXPECT_NEAR(PitchHz(signal, 150, 290), 233.08, 233.08 * 0.01);
}

TEST(BuiltinSynth, ProgramChangeChangesTheSound) {
    const auto piano = RenderNote(0, 70);
    const auto pianoAgain = RenderNote(0, 70);
    const auto flute = RenderNote(73, 70);
    ASSERT_EQ(piano.size(), flute.size());
    ASSERT_EQ(piano, pianoAgain) << "rendering must be repeatable for the comparison to mean much";
    std::vector<float> difference(piano.size());
    for (std::size_t i = 0; i < piano.size(); ++i) difference[i] = piano[i] - flute[i];
    EXPECT_GT(Rms(difference), 0.3 * Rms(piano));
    EXPECT_NEAR(PitchHz(flute), 466.16, 466.16 * 0.01);  // same note, other instrument
}

// The drum kit is chosen on the percussion channel's first message, not at creation: the first
// note there still sounds as a drum, not as the piano every other channel starts with.
TEST(BuiltinSynth, PercussionChannelPlaysTheDrumKitFromItsFirstNote) {
    for (const std::string& font : {midi_test::kTimGM6mb, midi_test::kFluidR3}) {
        auto synth = NewSynth(font);
        if (!synth) continue;
        synth->Play(Message(0x99, 38, 100));  // acoustic snare
        const auto snare = RenderMono(*synth, kRate / 2);
        const auto piano = RenderNote(0, 38, font);
        ASSERT_EQ(snare.size(), piano.size());
        std::vector<float> difference(snare.size());
        for (std::size_t i = 0; i < snare.size(); ++i) difference[i] = snare[i] - piano[i];
        EXPECT_GT(Rms(snare), 0.01) << font;
        EXPECT_GT(Rms(difference), 0.3 * Rms(piano)) << font;
    }
}

// The instrument has no sample above note 108: the note sounds as the nearest octave it has, and
// its note-off reaches that voice, but not one that another note still holds; a note struck again
// after an instrument change, which moves it onto another key, leaves no voice behind.
TEST(BuiltinSynth, NoteAboveThePianoSoundsAsTheOctaveBelowAndEndsWithItsNoteOff) {
    for (const std::string& font : {midi_test::kTimGM6mb, midi_test::kFluidR3}) {
        EXPECT_EQ(RenderNote(0, 120, font), RenderNote(0, 108, font)) << font;
    }
    auto synth = NewSynth();
    ASSERT_TRUE(synth);
    synth->Play(Message(0x90, 120, 100));
    RenderMono(*synth, kRate / 10);
    ASSERT_GT(synth->ActiveVoices(), 0);
    synth->Play(Message(0x80, 120));
    RenderMono(*synth, kRate / 10);
    EXPECT_EQ(synth->ActiveVoices(), 0);

    synth->Play(Message(0x90, 120, 100));
    synth->Play(Message(0x90, 108, 100));
    synth->Play(Message(0x80, 120));
    RenderMono(*synth, kRate / 10);
    EXPECT_GT(synth->ActiveVoices(), 0);
    synth->Play(Message(0x80, 108));
    RenderMono(*synth, kRate / 10);
    EXPECT_EQ(synth->ActiveVoices(), 0);

    // FluidR3_GM's church organ stops at note 96; its square lead reaches 120.
    synth = NewSynth(midi_test::kFluidR3);
    ASSERT_TRUE(synth);
    synth->Play(Message(0xC0, 19));
    synth->Play(Message(0x90, 120, 100));
    synth->Play(Message(0xC0, 80));
    synth->Play(Message(0x90, 120, 100));
    synth->Play(Message(0x80, 120));
    RenderMono(*synth, kRate / 5);
    EXPECT_EQ(synth->ActiveVoices(), 0);
}

double Correlation(const std::vector<float>& a, const std::vector<float>& b) {
    double product = 0, energyA = 0, energyB = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        product += double{a[i]} * b[i];
        energyA += double{a[i]} * a[i];
        energyB += double{b[i]} * b[i];
    }
    return product / std::sqrt(energyA * energyB + 1e-30);
}

// A held key: the key scan sends the same note-on every 50 ms. Each one strikes the note afresh,
// and the voices it takes over fade out instead of piling up.
TEST(BuiltinSynth, RepeatedNoteOnTakesOverTheKeysVoice) {
    auto synth = NewSynth();
    ASSERT_TRUE(synth);
    // Whole blocks of FluidSynth (64 frames), so that every note-on starts where a tick starts.
    constexpr int kTick = 64 * 34, kStrike = kRate / 50;
    synth->Play(Message(0x90, 70, 100));
    const int voicesOfOneNote = synth->ActiveVoices();
    const auto fresh = RenderMono(*synth, kTick);
    int most = 0;
    for (int tick = 1; tick < 40; ++tick) {
        synth->Play(Message(0x90, 70, 100));
        const auto sound = RenderMono(*synth, kTick);
        most = std::max(most, synth->ActiveVoices());
        const std::vector<float> strike(sound.begin(), sound.begin() + kStrike);
        EXPECT_GT(Correlation(strike, fresh), 0.9)
            << "tick " << tick << " was not struck afresh: " << Correlation(strike, fresh);
    }
    EXPECT_LE(most, 2 * voicesOfOneNote);
}

double Peak(const std::vector<float>& signal) {
    double peak = 0;
    for (float sample : signal) peak = std::max(peak, double{std::fabs(sample)});
    return peak;
}

// Anything above the silent level would keep the audio stream from ever sleeping.
TEST(BuiltinSynth, WithoutNotesRendersBelowTheSilentLevel) {
    auto synth = NewSynth();
    ASSERT_TRUE(synth);
    EXPECT_LT(Peak(RenderMono(*synth, kRate)), SilenceGate::kSilentLevel);
    EXPECT_EQ(synth->ActiveVoices(), 0);
}

TEST(SilenceGate, WaitsForTheLastVoiceAndTheTailThenForTheQuietTime) {
    auto synth = NewSynth();
    ASSERT_TRUE(synth);
    const int quietFrames = kRate / 10, block = 256;
    SilenceGate gate(quietFrames);
    std::vector<float> left(block), right(block);
    const auto renderBlock = [&] {
        synth->Render(left.data(), right.data(), block);
        return gate.IsSilent(left.data(), right.data(), block, synth->ActiveVoices());
    };

    synth->Play(Message(0x90, 70, 100));
    for (int i = 0; i < kRate / block; ++i) ASSERT_FALSE(renderBlock()) << "block " << i;

    synth->Play(Message(0xB0, 120, 0));  // all sound off: only the reverb tail remains
    int blocksToSilence = 0;
    while (!renderBlock()) {
        ASSERT_LT(++blocksToSilence, 10 * kRate / block) << "the tail never died away";
    }
    EXPECT_GE(blocksToSilence * block, quietFrames - block);
    EXPECT_EQ(synth->ActiveVoices(), 0);

    gate.Reset();
    EXPECT_FALSE(renderBlock()) << "after a reset the quiet time starts again";
}

TEST(SilenceGate, OneAudibleSampleOrVoiceKeepsItOpen) {
    SilenceGate gate(512);
    std::vector<float> quiet(256, 0.0f), loud(256, 0.0f);
    loud[100] = 2 * SilenceGate::kSilentLevel;
    EXPECT_FALSE(gate.IsSilent(quiet.data(), quiet.data(), 256, 0));
    EXPECT_FALSE(gate.IsSilent(quiet.data(), loud.data(), 256, 0));  // restarts the count
    EXPECT_FALSE(gate.IsSilent(quiet.data(), quiet.data(), 256, 0));
    EXPECT_FALSE(gate.IsSilent(quiet.data(), quiet.data(), 256, 1));  // a silent voice still counts
    EXPECT_FALSE(gate.IsSilent(quiet.data(), quiet.data(), 256, 0));
    EXPECT_TRUE(gate.IsSilent(quiet.data(), quiet.data(), 256, 0));
}

}  // namespace
}  // namespace linux_
