// Which key sounds for a note on the built-in synthesizer: the note itself when the channel's
// preset makes it heard, else the nearest octave of it that the preset does, so that every note the
// key scan sends is heard whatever the instrument's range.
#pragma once

#include <fluidsynth/types.h>

#include <array>
#include <cstdint>
#include <string>

#include "platform/linux/midi/audible_keys.h"

namespace linux_ {

class SoundingKeys {
  public:
    // `synth`, playing the SoundFont at `soundFontPath`, must outlive this object.
    SoundingKeys(fluid_synth_t* synth, std::string soundFontPath);

    // After a program change on `channel`: starts finding the keys its new preset makes heard, so
    // that the first note need not wait for it.
    void ProgramChanged(int channel);

    // The key to play for a note-on of `key` on `channel` with the preset the synthesizer has
    // chosen there; remembered for the note's later messages.
    int NoteOn(int channel, int key);

    // The key the last note-on of `key` on `channel` sounds as.
    int Of(int channel, int key) const { return sounding_[channel & 15][key & 127]; }

  private:
    fluid_synth_t* synth_;
    AudibleKeys audible_;
    std::array<std::array<std::uint8_t, 128>, 16> sounding_{};
};

}  // namespace linux_
