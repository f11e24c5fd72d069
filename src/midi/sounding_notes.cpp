#include "midi/sounding_notes.h"

#include <algorithm>

void SoundingNotes::Struck(Integer channel, Integer note) {
    for (Entry& entry : entries_) {
        if (entry.note.channel == channel && entry.note.note == note) {
            entry.passesUnstruck = -1;
            return;
        }
    }
    entries_.push_back({{channel, note}, -1});
}

std::vector<SoundingNotes::Note> SoundingNotes::EndPass(int holdPasses) {
    std::vector<Note> due;
    for (Entry& entry : entries_) {
        if (++entry.passesUnstruck >= holdPasses) due.push_back(entry.note);
    }
    if (!due.empty()) {
        std::erase_if(entries_,
                      [&](const Entry& entry) { return entry.passesUnstruck >= holdPasses; });
    }
    return due;
}

std::vector<SoundingNotes::Note> SoundingNotes::TakeAll() {
    std::vector<Note> all;
    for (const Entry& entry : entries_) all.push_back(entry.note);
    entries_.clear();
    return all;
}
