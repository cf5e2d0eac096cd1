#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A fourth set of recordings, written in numpy apart from the three C++ generators and
never used to tune the estimator: belts with other physics (a finger's triangular pluck
heard as displacement or velocity, losses growing with the square of the mode number, a
pitch that sinks a little as the tension's swing dies, a pick's click, a body resonance,
pink noise) through one condition at a time, and sounds that are no belt.

usage: bench/pitch_independent.py DIR [COUNT] [CONDITION...]
Writes DIR/<condition><n>.wav (unsigned 8-bit) and DIR/truth.tsv (file, condition, first
mode in Hz, 0 where no belt); `pitch_eval files DIR` scores them. Needs python3-numpy and
python3-scipy.
"""
import os
import sys
import wave

import numpy as np
from scipy import signal

CLIP = 8820
BELTS = ["clean", "damped", "engine", "twobelts", "clipped", "phone", "reverb", "lowlevel",
         "shortclip", "doublet", "drift"]
OTHERS = ["alarm", "siren", "rev", "taps", "whistle", "wrench"]


def pink(rng, n):
    spectrum = np.fft.rfft(rng.standard_normal(n))
    f = np.arange(len(spectrum))
    spectrum[1:] /= np.sqrt(f[1:])
    spectrum[0] = 0
    x = np.fft.irfft(spectrum, n)
    return x / (np.std(x) + 1e-12)


def belt(rng, rate, n, f1, b, tau1, onset, split=0.0):
    """Modes of a stiff string after a finger's pluck, each with its own loss."""
    f0 = f1 / np.sqrt(1 + b)
    xp, xm = rng.uniform(0.04, 0.4), rng.uniform(0.02, 0.45)
    width = rng.uniform(0.005, 0.05)
    velocity = rng.random() < 0.5
    c1, c2 = rng.uniform(0, 0.3), rng.uniform(0, 0.02)
    glide = rng.uniform(0, 0.002)
    t = np.arange(n) / rate - onset
    on = t >= 0
    tt = np.where(on, t, 0)
    x = np.zeros(n)
    for m in range(1, 200):
        hz = m * f0 * np.sqrt(1 + b * m * m)
        if hz > min(0.45 * rate, 7000):
            break
        a = np.sin(m * np.pi * xp) / (m * m) * np.sinc(m * width) * np.sin(m * np.pi * xm)
        if velocity:
            a *= m
        a *= np.exp(0.3 * rng.standard_normal())
        tau = tau1 / (1 + c1 * (m - 1) + c2 * (m - 1) ** 2)
        for twin in ([0, 1] if split > 0 else [0]):
            f = hz * (1 + split * twin)
            amp = a * (rng.uniform(0.3, 0.9) if twin else 1)
            # The pitch sinks towards f as the swing, and with it the tension, dies.
            phase = 2 * np.pi * f * (tt + glide * tau1 / 2 * (1 - np.exp(-2 * tt / tau1)))
            x += on * amp * np.exp(-tt / tau) * np.sin(phase + rng.uniform(0, 2 * np.pi))
    # The pick's click.
    start = int(onset * rate)
    click = int(rng.uniform(0.001, 0.003) * rate)
    x[start:start + click] += rng.standard_normal(len(x[start:start + click])) * \
        rng.uniform(0, 0.3) * np.max(np.abs(x))
    # A body resonance.
    fc, q = rng.uniform(80, 400), rng.uniform(1, 4)
    bb, aa = signal.iirpeak(fc, q, fs=rate)
    x = x + rng.uniform(0.1, 0.6) * signal.lfilter(bb, aa, x)
    return x


def engine(rng, rate, n, firing, ramp=0.0):
    """Firing pulses through an exhaust's low-pass, with a wavering speed."""
    t = np.arange(n) / rate
    f = firing * (1 + ramp * t) * (1 + rng.uniform(0.001, 0.008) *
                                    np.sin(2 * np.pi * rng.uniform(0.3, 2) * t))
    phase = np.cumsum(f) / rate
    pulses = np.zeros(n)
    idx = np.nonzero(np.diff(np.floor(phase)) > 0)[0]
    pulses[idx] = 1 + 0.3 * rng.standard_normal(len(idx))
    bb, aa = signal.butter(2, rng.uniform(150, 600), fs=rate)
    x = signal.lfilter(bb, aa, pulses)
    x = x - np.mean(x)
    x /= np.std(x) + 1e-12
    return x + rng.uniform(0.2, 0.6) * pink(rng, n)


def finish(rng, x, from_, peak, snr_db):
    x = x * peak / (np.max(np.abs(x)) + 1e-12)
    level = np.sqrt(np.mean(x[from_:] ** 2)) if from_ < len(x) else 0
    x = x + max(level * 10 ** (-snr_db / 20), 0.3) * pink(rng, len(x))
    return x + rng.uniform(-2, 2)


def to_bytes(x):
    return np.clip(np.round(128 + x), 0, 255).astype(np.uint8)


def make_belt(rng, condition):
    rate = 22050 * (1 + rng.uniform(-0.01, 0.01))
    f1 = np.exp(rng.uniform(np.log(15), np.log(1000)))
    b = np.exp(rng.uniform(np.log(1e-5), np.log(0.015)))
    tau1 = np.exp(rng.uniform(np.log(0.1), np.log(1.5)))
    onset = rng.uniform(0, 0.1)
    peak, snr = rng.uniform(20, 125), rng.uniform(20, 40)
    clips = 3 if f1 < 20 else 2 if f1 < 40 else 1
    split = 0.0
    if condition == "damped":
        f1 = np.exp(rng.uniform(np.log(40), np.log(600)))
        tau1 = rng.uniform(0.015, 0.045)
        clips = 1
    elif condition == "shortclip":
        # The pluck late in the clip: less than 250 ms of it recorded.
        f1 = np.exp(rng.uniform(np.log(60), np.log(1000)))
        onset = rng.uniform(0.15, 0.3)
        clips = 1
    elif condition == "doublet":
        split = rng.uniform(0.003, 0.01)
    elif condition == "lowlevel":
        peak, snr = rng.uniform(2, 5), 45
    n = clips * CLIP
    onset += (clips - 1) * CLIP / rate * rng.uniform(0, 0.5)
    x = belt(rng, rate, n, f1, b, tau1, onset, split)
    from_ = int(onset * rate)
    if condition == "engine":
        e = engine(rng, rate, n, rng.uniform(10, 50))
        x = x / (np.sqrt(np.mean(x[from_:] ** 2)) + 1e-12) + 10 ** (-10 / 20) * e
    elif condition == "twobelts":
        while True:
            g1 = np.exp(rng.uniform(np.log(20), np.log(1000)))
            if abs(np.log(g1 / f1)) > 0.05:
                break
        second = rng.uniform(0, 0.15)
        y = belt(rng, rate, n, g1, b * rng.uniform(0.5, 2), np.exp(rng.uniform(np.log(0.1),
                 np.log(1.5))), second)
        at = min(from_, int(second * rate))
        y *= 10 ** (-10 / 20) * np.sqrt(np.mean(x[at:] ** 2) / (np.mean(y[at:] ** 2) + 1e-24))
        x = x + y
    elif condition == "phone":
        bb, aa = signal.butter(4, 120, btype="highpass", fs=rate)
        x = signal.lfilter(bb, aa, x)
    elif condition == "reverb":
        rt60 = rng.uniform(0.3, 1.0)
        length = int(rt60 * rate)
        ir = rng.standard_normal(length) * np.exp(-6.9 * np.arange(length) / length)
        wet = signal.fftconvolve(x, ir)[:n]
        x = x + rng.uniform(0.3, 1) * wet * np.std(x[from_:]) / (np.std(wet[from_:]) + 1e-12)
    y = finish(rng, x, from_, peak, snr)
    if condition == "clipped":
        y = finish(rng, x, from_, 128 * rng.uniform(2, 4), snr)
    elif condition == "drift":
        t = np.arange(n) / rate
        y = y + rng.uniform(-12, 12) + rng.uniform(2, 8) * np.sin(
            2 * np.pi * rng.uniform(0.3, 3) * t + rng.uniform(0, 2 * np.pi))
    return to_bytes(y), rate, f1


def make_other(rng, condition):
    rate = 22050 * (1 + rng.uniform(-0.01, 0.01))
    n = int(rng.integers(1, 4)) * CLIP
    t = np.arange(n) / rate
    if condition == "alarm":
        # A beeper: a tone switched on and off, square-ish.
        f = rng.uniform(500, 3000)
        on = (np.fmod(t + rng.uniform(0, 1), rng.uniform(0.2, 0.8)) < rng.uniform(0.1, 0.2))
        x = np.sign(np.sin(2 * np.pi * f * t)) * on
        x = signal.lfilter(*signal.butter(2, 4000, fs=rate), x)
    elif condition == "siren":
        # Wailing up and down between two pitches.
        lo = rng.uniform(400, 900)
        hi = lo * rng.uniform(1.2, 2)
        f = lo + (hi - lo) * (0.5 + 0.5 * np.sin(2 * np.pi * rng.uniform(0.3, 3) * t))
        x = np.sin(2 * np.pi * np.cumsum(f) / rate) + 0.2 * np.sin(4 * np.pi * np.cumsum(f) / rate)
    elif condition == "rev":
        x = engine(rng, rate, n, rng.uniform(12, 40), rng.uniform(0.5, 2.5)) * (0.4 + t / t[-1])
    elif condition == "taps":
        # Taps on a pipe or a plate: modes at irregular ratios, ringing.
        base = np.exp(rng.uniform(np.log(150), np.log(2000)))
        ratios = np.cumprod(np.concatenate([[1], rng.uniform(1.3, 2.4, 4)]))
        x = np.zeros(n)
        at = rng.uniform(0, 0.15)
        for _ in range(int(rng.integers(1, 4))):
            u = t - at
            on = u >= 0
            for r in ratios:
                x += on * rng.uniform(0.2, 1) * np.exp(-np.where(on, u, 0) / rng.uniform(0.03, 0.5)) * \
                    np.sin(2 * np.pi * base * r * u)
            at += rng.uniform(0.1, 0.4)
    elif condition == "whistle":
        f = rng.uniform(500, 2500) * (1 + rng.uniform(0.005, 0.02) *
                                       np.sin(2 * np.pi * rng.uniform(4, 7) * t))
        x = np.sin(2 * np.pi * np.cumsum(f) / rate) * np.minimum(1, t / rng.uniform(0.03, 0.1))
    elif condition == "wrench":
        x = 0.2 * np.sin(2 * np.pi * rng.uniform(100, 400) * t)
        blows = rng.uniform(8, 25)
        ring = rng.uniform(700, 3000)
        for at in np.arange(rng.uniform(0, 0.1), t[-1], 1 / blows):
            u = t - at
            on = u >= 0
            x += on * np.exp(-np.where(on, u, 0) / rng.uniform(0.004, 0.02)) * (
                np.sin(2 * np.pi * ring * u) + 0.5 * rng.standard_normal(n))
    else:
        raise SystemExit("unknown condition " + condition)
    return to_bytes(finish(rng, x, 0, rng.uniform(15, 120), rng.uniform(15, 35))), rate, 0.0


def main():
    if len(sys.argv) < 2:
        raise SystemExit(__doc__)
    out = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    conditions = sys.argv[3:] or BELTS + OTHERS
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, "truth.tsv"), "w") as truth:
        for c in conditions:
            rng = np.random.default_rng([2412, sum(map(ord, c))])
            for i in range(count):
                samples, rate, f1 = make_belt(rng, c) if c in BELTS else make_other(rng, c)
                name = "%s%05d.wav" % (c, i)
                with wave.open(os.path.join(out, name), "wb") as w:
                    w.setnchannels(1)
                    w.setsampwidth(1)
                    w.setframerate(int(round(rate)))
                    w.writeframes(samples.tobytes())
                truth.write("%s\t%s\t%.6f\n" % (name, c, f1))


if __name__ == "__main__":
    main()
