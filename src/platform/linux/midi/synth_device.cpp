#include "platform/linux/midi/synth_device.h"

#include "platform/linux/midi/builtin_synth.h"
#include "platform/linux/midi/midi_error_text.h"
#include "platform/linux/midi/soundfont_search.h"
#include "platform/linux/midi/synth_audio_output.h"
#include "platform/linux/midi/synth_preload.h"
#include "platform/message_box.h"

namespace platform::linux_midi {

namespace {

class SynthDevice final : public OutputDevice {
  public:
    SynthDevice(std::unique_ptr<BuiltinSynth> synth, std::unique_ptr<SynthAudioOutput> output)
        : synth_(std::move(synth)), output_(std::move(output)) {}

    ~SynthDevice() override {
        output_.reset();  // the audio thread stops before the synthesizer it renders goes
    }

    Long Send(const ShortMessage& message) override {
        // Only a note-on starts a sound; anything else changes voices that keep the stream awake
        // already, or none at all.
        const bool noteOn = message.Kind() == 0x90 && message.Data2() > 0;
        if (noteOn) output_->ReviveIfEnded();  // before the note, which the revival must spare
        synth_->Play(message);
        if (noteOn) output_->Wake();
        return 0;
    }

  private:
    std::unique_ptr<BuiltinSynth> synth_;
    std::unique_ptr<SynthAudioOutput> output_;
};

// Once per start: the user learns why the keys are silent, and that nothing needs doing.
void TellOnceThatTheSynthWaitsForAnAudioOutput() {
    static bool told = false;
    if (told) return;
    told = true;
    MsgBox("No sound output is available yet (tried " + AudioSystemsTried() +
           "), so the built-in synthesizer is silent for now. Clavitap will sound as soon as a "
           "sound server or sound card appears.");
}

}  // namespace

bool BuiltinSynthAvailable() {
    return FindSoundFont().has_value();
}

OpenResult OpenBuiltinSynth() {
    const auto soundFont = FindSoundFont();
    if (!soundFont) return {nullptr, LinuxMidiError::kNoSoundFont};
    auto preloaded = TakePreloadedSynth(*soundFont);
    auto synth = preloaded ? std::move(*preloaded) : BuiltinSynth::Create(*soundFont);
    if (!synth) return {nullptr, LinuxMidiError::kNoSoundFont};
    auto output = SynthAudioOutput::Open(*synth);
    // Without an audio output the synthesizer still opens: a sound server that starts after the
    // program (a race at log-in) is taken up at the next note.
    if (!output->AudioSystemOpen()) TellOnceThatTheSynthWaitsForAnAudioOutput();
    return {std::make_unique<SynthDevice>(std::move(synth), std::move(output)), 0};
}

}  // namespace platform::linux_midi
