#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Real plucked strings: single notes of every plucked program of a General MIDI sound
bank, rendered by fluidsynth, heard as the meter records them.

usage: bench/pitch_strings.py DIR [SOUNDFONT [STEP]]
       bench/pitch_strings.py DIR --misses    (after `pitch_eval files DIR`)
For every plucked program and every STEP-th semitone from 30 to 1000 Hz (default 1): the
note held 3 s, rendered at 44100 Hz without reverb or chorus and taken to 22050 Hz mono.
The truth is the note's first partial as a 3 s spectrum shows it (the falling half of a
Hann window, zero padded to 2^20 points, a Gaussian interpolation of the peak within 3 %
of the nominal note), not the nominal pitch: a sound bank's samples are tuned by ear.
The clip is what the meter would record: 400 ms (two clips below 40 Hz) of unsigned
8-bit at 22050 Hz, the note starting 0-100 ms in, its peak 20-125 steps, with the
independent set's quiet pink noise and DC offset.
Writes DIR/<family><n>.wav, DIR/truth.tsv (file, family, first partial in Hz; `pitch_eval
files DIR` and compare_aubio.sh score it) and DIR/notes.tsv (file, bank-program and name,
MIDI note, nominal Hz, the multiple of it the note sounds at, first partial Hz, its level
under the strongest partial in dB, the second partial over twice the first). With
--misses: every note not read within 0.5 % (program, note, truth, reading or why it was
refused) from DIR/ours.tsv, which `pitch_eval files DIR` writes. Needs fluidsynth, a
sound bank (musescore-general-soundfont-small), python3-numpy and python3-scipy.
"""
import os
import struct
import subprocess
import sys
import tempfile
import wave

import numpy as np
from scipy import signal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pitch_independent import CLIP, finish, to_bytes  # noqa: E402

# (family, bank, program, name): the General MIDI plucked programs and the sound bank's
# own plucked variations. Sustained ones (feedback guitars) are left out.
PROGRAMS = [
    ("guitar", 0, 24, "nylon guitar"), ("guitar", 0, 25, "steel guitar"),
    ("guitar", 0, 26, "jazz guitar"), ("guitar", 0, 27, "clean guitar"),
    ("guitar", 0, 28, "muted guitar"), ("guitar", 0, 29, "overdrive guitar"),
    ("guitar", 0, 30, "distortion guitar"), ("guitar", 0, 31, "guitar harmonics"),
    ("guitar", 8, 24, "ukulele"), ("guitar", 8, 25, "12-string guitar"),
    ("guitar", 8, 26, "hawaiian guitar"), ("guitar", 8, 28, "funk guitar"),
    ("guitar", 16, 25, "mandolin"),
    ("bass", 0, 32, "acoustic bass"), ("bass", 0, 33, "finger bass"),
    ("bass", 0, 34, "pick bass"), ("bass", 0, 35, "fretless bass"),
    ("bass", 0, 36, "slap bass"), ("bass", 0, 37, "pop bass"),
    ("synthbass", 0, 38, "synth bass 1"), ("synthbass", 0, 39, "synth bass 2"),
    ("synthbass", 8, 38, "synth bass 3"), ("synthbass", 8, 39, "synth bass 4"),
    ("orchestra", 0, 45, "pizzicato strings"), ("orchestra", 0, 46, "harp"),
    ("harpsichord", 0, 6, "harpsichord"), ("harpsichord", 8, 6, "coupled harpsichord"),
    ("ethnic", 0, 104, "sitar"), ("ethnic", 0, 105, "banjo"), ("ethnic", 0, 106, "shamisen"),
    ("ethnic", 0, 107, "koto"), ("ethnic", 8, 107, "taisho koto"),
]
NOTES = range(23, 84)  # B0 30.9 Hz to B5 987.8 Hz
RATE = 44100
SLOT = 4.5  # seconds a note: on at 0.4 s, off at 3.6 s, silenced at 4.4 s
TICKS = 960  # a second at the default tempo and 480 ticks a quarter note
FFT = 1 << 20


def nominal(note):
    return 440.0 * 2 ** ((note - 69) / 12)


def midi_file(path, notes):
    """One track: per note a bank and program change, the note held 3.2 s, then silence."""
    events, now = bytearray(), 0

    def put(at, data):
        nonlocal now
        ticks = int(round(at * TICKS))
        delta, now = ticks - now, ticks
        bytes_ = [delta & 0x7F]
        delta >>= 7
        while delta:
            bytes_.insert(0, (delta & 0x7F) | 0x80)
            delta >>= 7
        events.extend(bytes_ + data)

    for i, (_, bank, program, _, note) in enumerate(notes):
        t = i * SLOT
        put(t, [0xB0, 0, bank])
        put(t, [0xB0, 32, 0])
        put(t, [0xC0, program])
        put(t + 0.4, [0x90, note, 100])
        put(t + 3.6, [0x80, note, 0])
        put(t + 4.4, [0xB0, 120, 0])
    put(len(notes) * SLOT, [0xFF, 0x2F, 0])
    track = b"MTrk" + struct.pack(">I", len(events)) + bytes(events)
    with open(path, "wb") as f:
        f.write(b"MThd" + struct.pack(">IHHH", 6, 0, 1, 480) + track)


def peak_near(spectrum, hz_per_bin, hz, width=0.03):
    """The note's peak within `width` (a fraction) of `hz`, Gaussian-interpolated, and its
    height: of the peaks there within 6 dB of the strongest, the nearest to `hz`; a sitar's
    sympathetic strings, an ensemble's players or a second sample a semitone away lie
    beside it."""
    lo, hi = int(hz * (1 - width) / hz_per_bin), int(hz * (1 + width) / hz_per_bin) + 1
    part = spectrum[lo:hi]
    peaks = signal.argrelmax(part)[0]
    if len(peaks) == 0:
        peaks = np.array([int(np.argmax(part))])
    strong = peaks[part[peaks] >= 0.5 * np.max(part[peaks])]
    k = lo + int(strong[np.argmin(np.abs(lo + strong - hz / hz_per_bin))])
    a, b, c = np.log(spectrum[k - 1:k + 2] + 1e-30)
    delta = 0.5 * (a - c) / (a - 2 * b + c) if a - 2 * b + c < 0 else 0.0
    return (k + delta) * hz_per_bin, spectrum[k]


def first_partial(x, onset, hz):
    """The note's first partial in the 3 s from its onset, weighted by the falling half of a
    Hann window: a short (muted) note keeps its pluck, a held one loses no resolution.
    Returns the partial, the multiple of the nominal note it lies at, its level under the
    strongest peak in dB, and the second partial over twice the first (far from 1: no
    clear partial). The multiple is 1 when two of the first three partials are within
    40 dB of the strongest peak (a weak fundamental is still the note's); a harmonics
    program sounds two or three octaves up, where all three are within 30 dB; 0 when
    neither is found below the top of the band."""
    n = 3 * 22050
    window = signal.windows.hann(2 * n)[n:]
    spectrum = np.abs(np.fft.rfft(x[onset:onset + n] * window, FFT))
    hz_per_bin = 22050 / FFT
    strongest = np.max(spectrum[int(20 / hz_per_bin):int(8000 / hz_per_bin)])
    for k in [k for k in range(1, 9) if 3.1 * k * hz < 10000] + [0]:
        if k == 0:
            return 0, 0, 0, 0
        levels = [peak_near(spectrum, hz_per_bin, m * k * hz)[1] for m in (1, 2, 3)]
        if sum(a > strongest * (0.01 if k == 1 else 0.03) for a in levels) >= (2 if k == 1 else 3):
            break
    f1, a1 = peak_near(spectrum, hz_per_bin, k * hz)
    f2, _ = peak_near(spectrum, hz_per_bin, 2 * f1, 0.02)
    return f1, k, 20 * np.log10(a1 / strongest), f2 / (2 * f1)


def render(font, notes):
    """Each note as fluidsynth plays it: 22050 Hz mono, and the sample where it starts."""
    with tempfile.TemporaryDirectory() as tmp:
        midi = os.path.join(tmp, "notes.mid")
        midi_file(midi, notes)
        synth = subprocess.Popen(
            ["fluidsynth", "-ni", "-q", "-g", "0.4", "-r", str(RATE), "-R", "0", "-C", "0",
             "-T", "raw", "-O", "s16", "-E", "little", "-F", "-", font, midi],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        slot = int(SLOT * RATE)
        for note in notes:
            raw = synth.stdout.read(slot * 4)
            if len(raw) < slot * 4:
                raise SystemExit("fluidsynth stopped early")
            stereo = np.frombuffer(raw, dtype="<i2").reshape(-1, 2) / 32768.0
            if np.max(np.abs(stereo)) > 0.999:
                print("clipped:", note, file=sys.stderr)
            x = signal.resample_poly(stereo.mean(axis=1), 1, 2)
            yield note, x, int(np.argmax(np.abs(x) > 0.01 * np.max(np.abs(x))))
        synth.stdout.close()
        synth.wait()


def misses(out):
    read = dict(line.rstrip("\n").split("\t", 1) for line in open(os.path.join(out, "ours.tsv")))
    for line in open(os.path.join(out, "notes.tsv")):
        file, program, note, hz, _, truth = line.split("\t")[:6]
        got, why = read[file].split("\t")
        if got == "-":
            print("%s\t%s\t%s\t%s\trefused: %s" % (file, program, note, truth, why))
            continue
        error = float(got) / float(truth) - 1
        if abs(error) > 0.005:
            print("%s\t%s\t%s\t%s\t%s %+.2f %%%s" % (file, program, note, truth, got, 100 * error,
                                                  " WRONG" if abs(error) > 0.02 else ""))


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    if sys.argv[2:] == ["--misses"]:
        return misses(out)
    font = sys.argv[2] if len(sys.argv) > 2 else "/usr/share/sounds/sf3/MuseScore_General.sf3"
    step = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    os.makedirs(out, exist_ok=True)
    notes = [p + (n,) for p in PROGRAMS for n in NOTES[::step]]
    truth = open(os.path.join(out, "truth.tsv"), "w")
    table = open(os.path.join(out, "notes.tsv"), "w")
    count = {}
    for (family, bank, program, name, note), x, onset in render(font, notes):
        hz = nominal(note)
        f1, multiple, level, ratio = first_partial(x, onset, hz)
        if not multiple or not 30 <= multiple * hz <= 1000:
            continue
        rng = np.random.default_rng([2412, bank, program, note])
        clips = 2 if f1 < 40 else 1
        start = onset - int(rng.uniform(0, 0.1) * 22050) - \
            int((clips - 1) * CLIP * rng.uniform(0, 0.5))
        clip = x[start:start + clips * CLIP]
        peak = rng.uniform(20, 125)
        samples = to_bytes(finish(rng, clip, onset - start, peak, 40))
        n = count.get(family, 0)
        count[family] = n + 1
        file = "%s%05d.wav" % (family, n)
        with wave.open(os.path.join(out, file), "wb") as w:
            w.setnchannels(1)
            w.setsampwidth(1)
            w.setframerate(22050)
            w.writeframes(samples.tobytes())
        truth.write("%s\t%s\t%.6f\n" % (file, family, f1))
        table.write("%s\t%d-%d %s\t%d\t%.3f\t%d\t%.4f\t%.1f\t%.5f\n" %
                    (file, bank, program, name, note, hz, multiple, f1, level, ratio))


if __name__ == "__main__":
    main()
