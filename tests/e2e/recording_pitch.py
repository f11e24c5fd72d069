#!/usr/bin/env python3
"""Checks a recording of the sound output: silent before a moment, then a note of a given pitch.

Usage: recording_pitch.py RECORDING.wav KEY_TIME_SECONDS EXPECTED_HZ [TOLERANCE]

Reads 16-bit PCM WAV, also one whose header was never finalised (a recorder that was stopped
keeps its data chunk size at zero or at the maximum). Prints what it measured; exits 0 when the
part before KEY_TIME is quiet and a clearly louder sound after it has a fundamental within
TOLERANCE (a fraction, default 0.03) of EXPECTED_HZ, else 1. Python standard library only.
"""
import array
import math
import struct
import sys

FRAME_SECONDS = 0.02
MIN_PEAK_RMS = 200.0  # about -44 dBFS: well above a null sink's digital silence
MIN_RISE = 10.0  # the sound after the key must be this much louder than anything before it


def read_pcm16(path):
    """Returns (rate, mono samples) from a 16-bit PCM WAV file."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise ValueError(f"{path} is not a WAV file")
    at, channels, rate, bits = 12, 0, 0, 0
    while at + 8 <= len(data):
        chunk, size = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
        body = at + 8
        if chunk == b"fmt ":
            _, channels, rate, _, _, bits = struct.unpack("<HHIIHH", data[body:body + 16])
        elif chunk == b"data":
            if bits != 16 or channels < 1:
                raise ValueError(f"{path}: need 16-bit PCM, found {bits} bits, {channels} channels")
            pcm = data[body:]  # to the end, whatever the size field says
            pcm = pcm[: len(pcm) - len(pcm) % (2 * channels)]
            samples = array.array("h")
            samples.frombytes(pcm)
            if sys.byteorder != "little":
                samples.byteswap()
            mono = [sum(samples[i:i + channels]) / channels for i in range(0, len(samples), channels)]
            return rate, mono
        at = body + size + (size & 1)
    raise ValueError(f"{path} has no data chunk")


def frame_rms(samples, rate):
    n = max(1, int(rate * FRAME_SECONDS))
    return [
        math.sqrt(sum(x * x for x in samples[i:i + n]) / n)
        for i in range(0, len(samples) - n + 1, n)
    ]


def fundamental(samples, rate, low_hz=80.0, high_hz=1500.0):
    """Autocorrelation pitch estimate: the shortest lag whose normalised correlation comes within
    90 % of the best one (so a strong harmonic or a multiple of the period does not win)."""
    mean = sum(samples) / len(samples)
    x = [s - mean for s in samples]
    energy = sum(v * v for v in x) or 1.0
    lags = range(int(rate / high_hz), int(rate / low_hz) + 1)
    acf = {}
    for lag in lags:
        acf[lag] = sum(x[i] * x[i + lag] for i in range(len(x) - lag)) / energy * len(x) / (len(x) - lag)
    best = max(acf.values())
    for lag in lags:
        if lag - 1 in acf and lag + 1 in acf and acf[lag] >= 0.9 * best \
                and acf[lag] >= acf[lag - 1] and acf[lag] >= acf[lag + 1]:
            a, b, c = acf[lag - 1], acf[lag], acf[lag + 1]
            denominator = a - 2 * b + c
            shift = 0.5 * (a - c) / denominator if denominator else 0.0
            return rate / (lag + shift), best
    return 0.0, best


def main(argv):
    if len(argv) not in (4, 5):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    path, key_time, expected = argv[1], float(argv[2]), float(argv[3])
    tolerance = float(argv[4]) if len(argv) == 5 else 0.03
    rate, samples = read_pcm16(path)
    rms = frame_rms(samples, rate)
    key_frame = int(key_time / FRAME_SECONDS)
    # Leave a little room around the key time: the recorder's clock and ours differ slightly.
    before = rms[: max(0, key_frame - 5)]
    after = rms[max(0, key_frame - 2):]
    before_peak = max(before, default=0.0)
    after_peak = max(after, default=0.0)
    print(f"recording: {len(samples) / rate:.2f} s at {rate} Hz; loudest 20 ms before the key: "
          f"rms {before_peak:.1f}; after: rms {after_peak:.1f}")
    if after_peak < MIN_PEAK_RMS or after_peak < MIN_RISE * before_peak:
        print("no sound after the key")
        return 1
    onset = next(i for i in range(max(0, key_frame - 2), len(rms)) if rms[i] >= after_peak / 4)
    start = int((onset * FRAME_SECONDS + 0.03) * rate)
    window = samples[start:start + 4096]
    if len(window) < 2048:
        print("the sound is too short to measure its pitch")
        return 1
    pitch, clarity = fundamental(window, rate)
    print(f"sound from {onset * FRAME_SECONDS:.2f} s into the recording; pitch {pitch:.1f} Hz "
          f"(periodicity {clarity:.2f}); expected {expected:.1f} Hz within {tolerance:.0%}")
    return 0 if abs(pitch - expected) <= tolerance * expected else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
