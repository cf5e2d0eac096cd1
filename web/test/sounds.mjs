// SPDX-License-Identifier: GPL-3.0-or-later
// The test's microphone: sounds written as 48 kHz 16-bit WAVE files, which Chromium plays
// in a loop as its fake capture device. A second of quiet room first, so the meter
// listens before each sound.
import fs from 'node:fs';

export const kRate = 48000;

// Deterministic noise: a linear congruential generator and Box-Muller.
function random(seed) {
  let s = seed >>> 0;
  const uniform = () => ((s = (Math.imul(s, 1664525) + 1013904223) >>> 0) + 0.5) / 4294967296;
  return () => Math.sqrt(-2 * Math.log(uniform())) * Math.cos(2 * Math.PI * uniform());
}

function room(seconds, seed = 1) {
  const normal = random(seed);
  return Float64Array.from({length: Math.round(seconds * kRate)}, () => 0.001 * normal());
}

function join(...parts) {
  const out = new Float64Array(parts.reduce((n, p) => n + p.length, 0));
  let at = 0;
  for (const p of parts) {
    out.set(p, at);
    at += p.length;
  }
  return out;
}

// A stiff string plucked: partial n at n f0 sqrt(1 + B n^2), f0 = f1 / sqrt(1 + B),
// amplitude 1/n, each dying faster than the one below.
export function stiffPluck(firstModeHz, b, seconds = 1.6) {
  const f0 = firstModeHz / Math.sqrt(1 + b);
  const n = Math.round(seconds * kRate);
  const s = new Float64Array(n);
  for (let k = 1; k * f0 * Math.sqrt(1 + b * k * k) < 4000 && k <= 12; ++k) {
    const f = k * f0 * Math.sqrt(1 + b * k * k);
    const tau = 0.5 / (1 + 0.3 * (k - 1));
    for (let i = 0; i < n; ++i) {
      const t = i / kRate;
      s[i] += (0.25 / k) * Math.exp(-t / tau) * Math.sin(2 * Math.PI * f * t);
    }
  }
  const hiss = room(seconds, 2);
  return join(room(1), s.map((v, i) => v + hiss[i]), room(0.6, 3));
}

export function pluck(hz) {
  return stiffPluck(hz, 0);
}

// A hiss that holds: loud, no onset of a pluck, no tone.
export function noiseBurst() {
  const normal = random(7);
  const hiss = Float64Array.from({length: kRate}, () => 0.5 * normal());
  return join(room(1), hiss, room(1, 4));
}

// A door slam: a thump at 45 Hz and a crack of noise, over within 80 ms.
export function doorSlam() {
  const normal = random(9);
  const n = Math.round(0.25 * kRate);
  const s = new Float64Array(n);
  for (let i = 0; i < n; ++i) {
    const t = i / kRate;
    s[i] = 0.6 * Math.exp(-t / 0.03) * Math.sin(2 * Math.PI * 45 * t) + 0.4 * Math.exp(-t / 0.01) * normal();
  }
  return join(room(1), s, room(1.5, 5));
}

// A steady tone, a whole number of periods long so that its loop does not click.
export function steadyTone(hz, seconds) {
  return Float64Array.from({length: Math.round(seconds * kRate)}, (_, i) => 0.4 * Math.sin(2 * Math.PI * hz * i / kRate));
}

export function writeWave(file, samples) {
  const data = Buffer.alloc(samples.length * 2);
  samples.forEach((v, i) => data.writeInt16LE(Math.max(-32768, Math.min(32767, Math.round(v * 32767))), i * 2));
  const header = Buffer.alloc(44);
  header.write('RIFF', 0);
  header.writeUInt32LE(36 + data.length, 4);
  header.write('WAVEfmt ', 8);
  header.writeUInt32LE(16, 16);
  header.writeUInt16LE(1, 20);
  header.writeUInt16LE(1, 22);
  header.writeUInt32LE(kRate, 24);
  header.writeUInt32LE(kRate * 2, 28);
  header.writeUInt16LE(2, 32);
  header.writeUInt16LE(16, 34);
  header.write('data', 36);
  header.writeUInt32LE(data.length, 40);
  fs.writeFileSync(file, Buffer.concat([header, data]));
}
