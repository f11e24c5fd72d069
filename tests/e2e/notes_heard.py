#!/usr/bin/env python3
"""Counts the keys whose note was heard in a recording of the sound output.

Usage: notes_heard.py RECORDING.wav KEY_TIME_SECONDS...

A key counts as heard when, within half a second of its time, the sound peaks above -60 dBFS
and at least twice as high as in the 100 ms before the key (so a note still ringing from the key
before does not count for this one). Prints the count; exits 0 when every key was heard.
"""
import sys

from recording_pitch import read_pcm16

AUDIBLE = 32768 * 0.001  # -60 dBFS


def main():
    rate, samples = read_pcm16(sys.argv[1])
    key_times = [float(t) for t in sys.argv[2:]]
    heard = 0
    for at in key_times:
        start = int(at * rate)
        before = samples[max(0, start - rate // 10):start]
        after = samples[start:start + rate // 2]
        floor = max((abs(s) for s in before), default=0)
        peak = max((abs(s) for s in after), default=0)
        ok = peak > AUDIBLE and peak > 2 * floor
        heard += ok
        print(f"key at {at:.2f} s: peak {peak}, before {floor}: {'heard' if ok else 'silent'}")
    print(f"{heard} of {len(key_times)} notes heard")
    return 0 if heard == len(key_times) else 1


if __name__ == "__main__":
    sys.exit(main())
