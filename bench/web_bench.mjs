// SPDX-License-Identifier: GPL-3.0-or-later
// The page's core in WebAssembly under node, one thread: the work of one 400 ms cycle
// (the clip through the recorder's bytes, reader, transform, bars and vote, noise line,
// precise read-out, and for a triggered clip the pluck test and the reading record),
// and the page's download size, compressed as a server would send it.
// Usage: node --no-experimental-fetch bench/web_bench.mjs build/web
import fs from 'node:fs';
import {createRequire} from 'node:module';
import path from 'node:path';
import zlib from 'node:zlib';

import {kRate, stiffPluck} from '../web/test/sounds.mjs';

const site = path.resolve(process.argv[2] || 'build/web');
const require = createRequire(import.meta.url);
const core = await require(path.join(site, 'vellora_web.js'))();

function call(command, a = '') {
  const p = core.allocateUTF8(command), q = core.allocateUTF8(a), r = core.allocateUTF8('');
  const answer = core.UTF8ToString(core._vellora_call(p, q, r));
  [p, q, r].forEach((x) => core._free(x));
  return answer;
}

// 48 kHz test sounds taken every 48000/22050th sample: clips of 8820 at 22050.
function clipsOf(sound) {
  const clips = [];
  const step = kRate / 22050;
  for (let at = 0; at + 8820 * step <= sound.length; at += 8820 * step)
    clips.push(Float32Array.from({length: 8820}, (_, i) => sound[Math.floor(at + i * step)]));
  return clips;
}

const pointer = core._malloc(8820 * 4);
function cycle(clip) {
  core.HEAPF32.set(clip, pointer / 4);
  return core.UTF8ToString(core._vellora_cycle(pointer, 8820));
}

function median(v) {
  const s = [...v].sort((a, b) => a - b);
  return s[Math.floor(s.length / 2)];
}

const lng = fs.readFileSync(path.join(site, 'lang/English.lng'), 'utf8');
call('language', lng);
call('configure', '[WEB]\nRepetition=1\nNiveauBruit=200\n');
call('start');
const clips = clipsOf(stiffPluck(98, 0.005));
const quiet = clips[0];  // the room before the pluck
const loud = clips[3];   // the pluck's onset

// Wall time, and the process's processor time (the machine may be shared).
function timed(work) {
  const c = process.cpuUsage(), t = performance.now();
  work();
  const used = process.cpuUsage(c);
  return [performance.now() - t, (used.user + used.system) / 1000];
}

function report(what, times) {
  console.log(`${what}: median ${median(times.map((t) => t[0])).toFixed(2)} ms wall, ` +
              `${median(times.map((t) => t[1])).toFixed(2)} ms processor`);
}

const listening = [];
for (let i = 0; i < 60; ++i) listening.push(timed(() => cycle(quiet)));
const triggered = [];
for (let i = 0; i < 30; ++i) {
  cycle(quiet);
  triggered.push(timed(() => {
    if (!JSON.parse(cycle(loud)).triggered) throw new Error('the pluck did not fire the trigger');
  }));
  call('rearm');
}
// Without Repeat every clip gets the precise read-out.
call('configure', '[WEB]\nRepetition=0\n');
const running = [];
for (let i = 0; i < 30; ++i) running.push(timed(() => cycle(clips[4 + (i % 3)])));
report('Repeat, listening', listening);
report('Repeat, a triggered pluck judged and taken', triggered);
report('a run without Repeat, the precise read-out of each clip', running);

let raw = 0, gzip = 0, brotli = 0;
for (const f of fs.readdirSync(site, {recursive: true})) {
  const file = path.join(site, f);
  if (!fs.statSync(file).isFile()) continue;
  const bytes = fs.readFileSync(file);
  raw += bytes.length;
  gzip += zlib.gzipSync(bytes, {level: 9}).length;
  brotli += zlib.brotliCompressSync(bytes).length;
}
const kb = (n) => (n / 1024).toFixed(0) + ' KiB';
console.log(`page download: ${kb(raw)} as stored, ${kb(gzip)} gzip, ${kb(brotli)} brotli`);
