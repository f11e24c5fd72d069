// The notes the key scan has started on the open device and not yet ended, each with how many
// scan passes have gone by since a key last struck it. A note is named as it was struck (tone and
// octave folding already applied), so its note-off names the same note whatever the controls say
// by then; two keys that strike the same note keep it sounding until both have let go.
#pragma once

#include <vector>

#include "core/basic_types.h"

class SoundingNotes {
  public:
    struct Note {
        Integer channel;
        Integer note;
    };

    // A note-on of `note` on `channel` reached the device in the current pass.
    void Struck(Integer channel, Integer note);

    // Ends a pass: the notes not struck in it age by one, and those unstruck for `holdPasses`
    // passes are forgotten and returned, to be ended.
    std::vector<Note> EndPass(int holdPasses);

    // Forgets and returns every note, as when the device closes.
    std::vector<Note> TakeAll();

  private:
    struct Entry {
        Note note;
        int passesUnstruck;  // -1: struck in the current pass
    };
    std::vector<Entry> entries_;
};
