#include "platform/linux/midi/builtin_synth.h"

#include <fluidsynth.h>

#include "platform/linux/midi/quiet_logs.h"

namespace linux_ {

namespace {

constexpr int kResetAllControllers = 121;
constexpr int kPercussionChannel = 9;  // General MIDI's drum channel

// Added to every voice's release time, in timecents: more than the longest release a SoundFont may
// give (8000), so that every release ends at FluidSynth's floor of -7200 timecents. That floor is
// FluidSynth's shortest fade that does not click, about 16 ms.
constexpr float kReleaseOffset = -16000.0f;

// Gives `channel` the preset its program number and bank (FluidSynth's defaults: piano, or the
// standard kit on the percussion channel) choose, loading that preset's samples.
void ChooseDefaultPreset(fluid_synth_t* synth, int channel) {
    fluid_synth_program_change(synth, channel, 0);
}

// A note-on for a key that already sounds takes over that key's voice, as a piano string struck
// again is damped first: the key scan sends a fresh note-on for every held key on every 50 ms tick,
// and voices left ringing would pile up by the hundred. FluidSynth itself moves the voices of a key
// into their release when a note-on for the same key arrives on the channel; only the release's
// length needs changing. The key scan's note-offs take the same short release: they come only after
// a hold long enough for the instruments that fade by themselves to have died away. A channel's
// generator offset reaches every voice the channel starts, and changes under the synthesizer's own
// lock. A reset of all controllers undoes it.
void LetNoteOnsTakeOverTheirKey(fluid_synth_t* synth, int channel) {
    fluid_synth_set_gen(synth, channel, GEN_VOLENVRELEASE, kReleaseOffset);
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
    : settings_(settings), synth_(synth), audible_(soundFontPath, kSampleRate, kGain) {
    for (auto& keys : sounding_) {
        for (std::size_t key = 0; key < keys.size(); ++key) {
            keys[key] = static_cast<std::uint8_t>(key);
        }
    }
}

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
            fluid_synth_key_pressure(synth_, channel, sounding_[channel][message.Data1() & 127],
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
            // The first note of the new preset need not wait for the keys it makes heard.
            if (fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_, channel)) {
                audible_.Prepare(fluid_preset_get_banknum(preset), fluid_preset_get_num(preset));
            }
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
    const int left = Release(channel, note);
    const int sounding = SoundingKey(channel, note);
    sounding_[channel][note & 127] = static_cast<std::uint8_t>(sounding);
    on_[channel][note & 127] = true;
    if (left >= 0 && left != sounding) fluid_synth_noteoff(synth_, channel, left);
    fluid_synth_noteon(synth_, channel, sounding, velocity);
}

void BuiltinSynth::NoteOff(int channel, int note) {
    const int sounding = Release(channel, note);
    if (sounding >= 0) fluid_synth_noteoff(synth_, channel, sounding);
}

// The key that sounds for `note`, so that every note the key scan sends is heard whatever the
// instrument's range: the note itself when the channel's preset makes it heard, else the nearest
// octave of it that the preset does (the lower one of two as near); the note itself when no octave
// is.
int BuiltinSynth::SoundingKey(int channel, int note) {
    note &= 127;
    // The preset FluidSynth actually plays: the bank and program asked for, or its stand-in when
    // the font lacks them (percussion on channel 9 included).
    fluid_preset_t* preset = fluid_synth_get_channel_preset(synth_, channel);
    if (preset == nullptr) return note;
    const auto& heard = audible_.Of(fluid_preset_get_banknum(preset), fluid_preset_get_num(preset));
    if (heard[note]) return note;
    for (int shift = 12; shift < 128; shift += 12) {
        if (note - shift >= 0 && heard[note - shift]) return note - shift;
        if (note + shift < 128 && heard[note + shift]) return note + shift;
    }
    return note;
}

// The key to release for a note-off of `note`: the one its note-on played, or -1 when the note is
// not on or another note that is on still sounds as that key (two notes an octave apart can be
// moved onto one key).
int BuiltinSynth::Release(int channel, int note) {
    auto& on = on_[channel];
    const auto& sounding = sounding_[channel];
    if (!on[note & 127]) return -1;
    on[note & 127] = false;
    const int released = sounding[note & 127];
    for (std::size_t other = 0; other < on.size(); ++other) {
        if (on[other] && sounding[other] == released) return -1;
    }
    return released;
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
