#!/usr/bin/env python3
"""Counts the notes heard in a recording of the sound output, one expected per key typed.

Usage: notes_heard.py RECORDING.wav KEY_TIME_SECONDS...

A note is heard where the sound rises above -60 dBFS to at least four times its level over the
100 ms before: an onset. Onsets closer than 0.7 s together are one note (a held key is struck again
on every tick). The key times only say where to start listening and how many notes to expect: a
recorder on a busy machine writes late, so a note may land in the file later than its key's time.
Prints the onsets; exits 0 when there are as many as keys.
"""
import sys

from recording_pitch import read_pcm16

AUDIBLE = 32768 * 0.001  # -60 dBFS
FRAME_SECONDS = 0.01
LOOK_BACK_FRAMES = 10  # 100 ms
SAME_NOTE_SECONDS = 0.7


def main():
    rate, samples = read_pcm16(sys.argv[1])
    key_times = sorted(float(t) for t in sys.argv[2:])
    frame = int(rate * FRAME_SECONDS)
    peaks = [max((abs(s) for s in samples[i:i + frame]), default=0)
             for i in range(0, len(samples), frame)]
    onsets = []
    for index in range(int(key_times[0] / FRAME_SECONDS), len(peaks)):
        before = max(peaks[max(0, index - LOOK_BACK_FRAMES):index], default=0)
        if peaks[index] > AUDIBLE and peaks[index] > 4 * before:
            at = index * FRAME_SECONDS
            if not onsets or at - onsets[-1] >= SAME_NOTE_SECONDS:
                onsets.append(at)
    print("keys at", " ".join(f"{t:.2f}" for t in key_times), "s")
    print("notes at", " ".join(f"{t:.2f}" for t in onsets), "s")
    print(f"{len(onsets)} notes heard for {len(key_times)} keys")
    return 0 if len(onsets) == len(key_times) else 1


if __name__ == "__main__":
    sys.exit(main())
