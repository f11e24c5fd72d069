#!/usr/bin/env python3
"""Checks that a recording sounds while keys are typed and is silent from a given time on.

Usage: silent_after.py RECORDING.wav TYPING_FROM_SECONDS SILENT_FROM_SECONDS

Prints the peak level of the typing (from its start to the silent part) and of the silent part
(to the end), in dBFS; exits 0 when the typing rose above -40 dBFS and the rest stayed below -60.
"""
import math
import sys

from recording_pitch import read_pcm16


def peak_dbfs(samples):
    peak = max((abs(s) for s in samples), default=0)
    return 20 * math.log10(max(peak, 1) / 32768)


def main():
    rate, samples = read_pcm16(sys.argv[1])
    typing_from, silent_from = (int(float(t) * rate) for t in sys.argv[2:4])
    typing = peak_dbfs(samples[typing_from:silent_from])
    rest = peak_dbfs(samples[silent_from:])
    print(f"typing peaks at {typing:.1f} dBFS; from {sys.argv[3]} s on, "
          f"{(len(samples) - silent_from) / rate:.2f} s peak at {rest:.1f} dBFS")
    return 0 if typing > -40 and rest < -60 and len(samples) > silent_from else 1


if __name__ == "__main__":
    sys.exit(main())
