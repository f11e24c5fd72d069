#include "platform/linux/midi/builtin_synth.h"

#include <fluidsynth.h>

#include "platform/linux/midi/quiet_logs.h"
#include "platform/linux/midi/voice_takeover.h"

namespace linux_ {

namespace {

constexpr int kResetAllControllers = 121;
constexpr int kPercussionChannel = 9;  // General MIDI's drum channel

// Gives `channel` the preset its program number and bank (FluidSynth's defaults: piano, or the
// standard kit on the percussion channel) choose, loading that preset's samples.
void ChooseDefaultPreset(fluid_synth_t* synth, int channel) {
    fluid_synth_program_change(synth, channel, 0);
}

}  // namespace

std::unique_ptr<BuiltinSynth> BuiltinSynth::Create(const std::string& soundFontPath) {
    SilenceLibraryLogs();
    fluid_settings_t* settings = new_fluid_settings();
    if (settings == nullptr) return nullptr;
    // A large font then costs only the presets that are selected, not the whole file.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setnum(settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(settings, "synth.gain", kGain);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth == nullptr) {
        delete_fluid_settings(settings);
        return nullptr;
    }
    if (fluid_synth_sfload(synth, soundFontPath.c_str(), 0) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        return nullptr;
    }
    // The drum kit, the largest preset of most fonts (a third of FluidR3_GM's load), is chosen
    // when the percussion channel is first played: the program plays on channel 0 only, and its
    // start waits for this load.
    for (int channel = 0; channel < fluid_synth_count_midi_channels(synth); ++channel) {
        if (channel != kPercussionChannel) ChooseDefaultPreset(synth, channel);
        LetNoteOnsTakeOverTheirKey(synth, channel);
    }
    return std::unique_ptr<BuiltinSynth>(new BuiltinSynth(settings, synth, soundFontPath));
}

BuiltinSynth::BuiltinSynth(fluid_settings_t* settings, fluid_synth_t* synth,
                           const std::string& soundFontPath)
    : settings_(settings), synth_(synth), soundingKeys_(synth, soundFontPath) {}

BuiltinSynth::~BuiltinSynth() {
    delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
}

void BuiltinSynth::Play(const ShortMessage& message) {
    const int channel = message.Channel();
    if (channel == kPercussionChannel && !percussionChosen_ && message.Kind() != 0xF0) {
        ChooseDefaultPreset(synth_, channel);
        percussionChosen_ = true;
    }
    switch (message.Kind()) {
        case 0x80:
            NoteOff(channel, message.Data1());
            break;
        case 0x90:
            if (message.Data2() == 0) {  // a note-off
                NoteOff(channel, message.Data1());
            } else {
                NoteOn(channel, message.Data1(), message.Data2());
            }
            break;
        case 0xA0:
            fluid_synth_key_pressure(synth_, channel, soundingKeys_.Of(channel, message.Data1()),
                                     message.Data2());
            break;
        case 0xB0:
            fluid_synth_cc(synth_, channel, message.Data1(), message.Data2());
            if (message.Data1() == kResetAllControllers) {
                LetNoteOnsTakeOverTheirKey(synth_, channel);  // the reset cleared it
            }
            break;
        case 0xC0:
            fluid_synth_program_change(synth_, channel, message.Data1());
            soundingKeys_.ProgramChanged(channel);
            break;
        case 0xD0:
            fluid_synth_channel_pressure(synth_, channel, message.Data1());
            break;
        case 0xE0:
            fluid_synth_pitch_bend(synth_, channel, message.Data1() | message.Data2() << 7);
            break;
        default:
            break;  // system messages mean nothing to a synthesizer without a clock or a song
    }
}

void BuiltinSynth::NoteOn(int channel, int note, int velocity) {
    // A note struck again while it is on sounds as another key when the instrument changed in
    // between; the voice it leaves behind would never get its note-off.
    const int left = soundingKeys_.NoteOff(channel, note);
    const int sounding = soundingKeys_.NoteOn(channel, note);
    if (left >= 0 && left != sounding) fluid_synth_noteoff(synth_, channel, left);
    fluid_synth_noteon(synth_, channel, sounding, velocity);
}

void BuiltinSynth::NoteOff(int channel, int note) {
    const int sounding = soundingKeys_.NoteOff(channel, note);
    if (sounding >= 0) fluid_synth_noteoff(synth_, channel, sounding);
}

void BuiltinSynth::SoundsOff() {
    fluid_synth_all_sounds_off(synth_, -1);
}

void BuiltinSynth::Render(float* left, float* right, int frames) {
    fluid_synth_write_float(synth_, frames, left, 0, 1, right, 0, 1);
}

int BuiltinSynth::ActiveVoices() const {
    return fluid_synth_get_active_voice_count(synth_);
}

}  // namespace linux_
