// SPDX-License-Identifier: GPL-3.0-or-later
// The page end to end in headless Chromium, the microphone fed from a file: plucked belts
// read within half a per cent, noise and a door slam refused in Repeat mode, a set-up's
// tension green, a reading kept across a reload, the CSV export, the page offline,
// Auto-calibrate on a tone that a card 2 % slow hears 2 % high.
// Usage: node page_test.mjs SITE_FOLDER [SCREENSHOT_FOLDER]
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';

import {kRate, writeWave, pluck, stiffPluck, noiseBurst, doorSlam, steadyTone} from './sounds.mjs';

const site = path.resolve(process.argv[2] || 'build/web');
const shots = process.argv[3] ? path.resolve(process.argv[3]) : null;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'vellora-page-'));
let failures = 0;

function check(ok, what) {
  console.log((ok ? 'ok   ' : 'FAIL ') + what);
  if (!ok) failures += 1;
}

// ---- a static server that can be stopped, for the offline case --------------------------

const types = {'.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.png': 'image/png', '.svg': 'image/svg+xml',
  '.webmanifest': 'application/manifest+json', '.lng': 'text/plain; charset=utf-8'};
function serve() {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.join(site, name.endsWith('/') ? name + 'index.html' : name);
    if (!file.startsWith(site) || !fs.existsSync(file)) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {'Content-Type': types[path.extname(file)] || 'application/octet-stream'});
    response.end(fs.readFileSync(file));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// ---- WebDriver over chromedriver ---------------------------------------------------------

const driverPort = 9500 + (process.pid % 400);
const driver = spawn('chromedriver', ['--port=' + driverPort], {stdio: 'ignore'});
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

async function wd(method, url, body) {
  const response = await fetch('http://127.0.0.1:' + driverPort + url, {
    method, headers: {'Content-Type': 'application/json'},
    body: body === undefined ? undefined : JSON.stringify(body)});
  const json = await response.json();
  if (json.value && json.value.error) throw new Error(json.value.error + ': ' + json.value.message);
  return json.value;
}

async function browser(sound, size, profile) {
  const args = ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-dev-shm-usage',
    '--use-fake-ui-for-media-stream', '--use-fake-device-for-media-stream',
    '--use-file-for-fake-audio-capture=' + sound, '--autoplay-policy=no-user-gesture-required',
    '--window-size=' + size, '--user-data-dir=' + profile];
  // A phone's viewport exactly: a headless window is never narrower than 500 pixels.
  const [width, height] = size.split(',').map(Number);
  const mobileEmulation = width < 500 ? {deviceMetrics: {width, height, pixelRatio: 1}} : undefined;
  const session = await wd('POST', '/session', {capabilities: {alwaysMatch: {
    'goog:chromeOptions': {binary: '/usr/bin/chromium', args, mobileEmulation}}}});
  const id = session.sessionId;
  return {
    go: (url) => wd('POST', `/session/${id}/url`, {url}),
    refresh: () => wd('POST', `/session/${id}/refresh`, {}),
    run: (script, ...args) => wd('POST', `/session/${id}/execute/sync`, {script, args}),
    shot: async (file) => fs.writeFileSync(file, Buffer.from(await wd('GET', `/session/${id}/screenshot`), 'base64')),
    close: () => wd('DELETE', `/session/${id}`),
  };
}

async function until(b, script, seconds) {
  for (let t = 0; t < seconds * 4; ++t) {
    const v = await b.run(script);
    if (v) return v;
    await sleep(250);
  }
  return null;
}

const ready = 'return document.body.dataset.ready === "1"';
// Repeat on and the noise line half-way up, as a user sets them with two taps.
const arm = `
  document.getElementById('repeat').click();
  const c = document.getElementById('spectrum'), r = c.getBoundingClientRect();
  c.dispatchEvent(new MouseEvent('click', {clientX: r.left + 10, clientY: r.top + r.height / 2, bubbles: true}));`;
const firstReading = `
  const row = document.querySelector('#readings tbody tr');
  return row && {status: row.className, hz: parseFloat(row.cells[2].textContent), text: row.textContent};`;
const accepted = `
  const row = [...document.querySelectorAll('#readings tbody tr')].find((r) => !r.className.startsWith('refused'));
  return row && parseFloat(row.cells[2].textContent);`;

const makeSetup = `
  const f = document.getElementById('setup-form');
  f.elements.name.value = 'Cam belt';
  f.elements.mass.value = '100';
  f.elements.span.value = '500';
  f.querySelector('[name=target][value=tension]').checked = true;
  f.elements.targetLow.value = '900';
  f.elements.targetHigh.value = '1100';
  f.requestSubmit();`;

async function page(sound, size, profile, query = 'start') {
  const server = await serve();
  const b = await browser(sound, size, profile);
  await b.go(`http://localhost:${server.address().port}/index.html?${query}`);
  check(await until(b, ready, 20), `${path.basename(sound)}: the page and its core load`);
  return {b, server};
}

const sounds = {
    'pluck-30.wav': pluck(30), 'pluck-98.wav': pluck(98), 'pluck-250.wav': pluck(250),
    'pluck-600.wav': pluck(600), 'stiff-120.wav': stiffPluck(120, 0.01),
    'noise.wav': noiseBurst(), 'door-slam.wav': doorSlam()};

async function main() {
  await sleep(500);
  for (const [name, s] of Object.entries(sounds)) writeWave(path.join(work, name), s);
  const expected = {'pluck-30.wav': 30, 'pluck-98.wav': 98, 'pluck-250.wav': 250,
    'pluck-600.wav': 600, 'stiff-120.wav': 120};

  for (const [name, hz] of Object.entries(expected)) {
    const {b, server} = await page(path.join(work, name), '1280,900', path.join(work, 'p-' + name));
    await b.run(arm);
    const read = await until(b, 'return (() => {' + accepted + '})()', 25);
    check(read !== null && Math.abs(read - hz) <= hz * 0.005, `${name}: read ${read} Hz, ${hz} Hz within 0.5 %`);
    // The file loops from the capture's start, its pluck a second into each turn.
    const t = await b.run(`const m = (n) => performance.getEntriesByName(n)[0].startTime;
                           return [m('vellora-capture'), m('vellora-reading')]`);
    const turn = sounds[name].length / kRate * 1000;
    console.log(`info ${name}: pluck to reading ${Math.round(((t[1] - t[0] - 1000) % turn + turn) % turn)} ms`);
    await b.close();
    server.close();
  }

  for (const name of ['noise.wav', 'door-slam.wav']) {
    const {b, server} = await page(path.join(work, name), '1280,900', path.join(work, 'p-' + name));
    await b.run(arm);
    const refused = await until(b, 'return (() => {' + firstReading + '})()', 20);
    await sleep(3000);  // a few more triggers
    const taken = await b.run('return (() => {' + accepted + '})()');
    check(refused && refused.status.startsWith('refused') && !taken,
          `${name}: refused in Repeat mode (${refused && refused.text})`);
    await b.close();
    server.close();
  }

  // A set-up, a pluck on it, a reload, the export, then the page without its server.
  const profile = path.join(work, 'p-setup');
  const {b, server} = await page(path.join(work, 'pluck-98.wav'), '390,844', profile, 'lang=en');
  await b.run(makeSetup);
  check(await until(b, 'return document.getElementById("setup").value === "Cam belt"', 5), 'the set-up is kept and chosen');
  await b.run('document.getElementById("run").click()');
  await b.run(arm);
  const hz = await until(b, 'return (() => {' + accepted + '})()', 25);
  const tension = await b.run('const t = document.getElementById("tension"); return {text: t.textContent, colour: getComputedStyle(t).color}');
  // 4 m L^2 f^2 with m = 0.1 kg/m, L = 0.5 m: 960 N at 98 Hz, inside 900 .. 1100 N.
  check(Math.abs(parseFloat(tension.text) - 0.1 * hz * hz) <= 1 && tension.colour === 'rgb(46, 204, 64)',
        `the tension ${tension.text} is 4 m L^2 f^2 and green`);
  await b.run('document.getElementById("run").click()');
  await b.refresh();
  await until(b, ready, 20);
  const after = await b.run('return (() => {' + accepted + '})()');
  check(after === hz, `the reading survives a reload (${after} Hz)`);
  const exported = await b.run(
      'return (async () => { await exportCsv(); return [window.lastExport.charCodeAt(0), window.lastExport]; })()');
  const lines = exported[1].replace(/^\ufeff/, '').split('\r\n');
  const fields = lines[1].split(',');
  check(exported[0] === 0xfeff &&
        lines[0] === 'time,setup,frequency_hz,tension_n,tension_kgf,tension_lbf,in_target,status,reason',
        'the export starts with the readings file\'s header: ' + JSON.stringify(lines[0]));
  check(fields[1] === 'Cam belt' && parseFloat(fields[2]) === hz &&
        Math.abs(parseFloat(fields[3]) - 0.1 * hz * hz) <= 0.05 && fields[6] === 'yes' &&
        /^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$/.test(fields[0]),
        `the exported line is the desktop's: ${lines[1]}`);
  server.close();
  server.closeAllConnections();
  await b.refresh();
  check(await until(b, ready, 20), 'the page works again offline');
  check(await b.run('return (() => {' + accepted + '})()') === hz, 'offline, the readings are there');
  await b.close();

  // The microphone hears 112.2 Hz while the page plays its 110 Hz tone: the card rate that
  // makes it read 110 Hz is 22050 x 110 / 112.2 = 21617.6.
  {
    writeWave(path.join(work, 'tone.wav'), steadyTone(112.2, 5));
    const {b: c, server: s} = await page(path.join(work, 'tone.wav'), '390,844', path.join(work, 'p-tone'), 'lang=fr');
    await c.run('document.getElementById("settings-panel").open = true; document.getElementById("calibrate").click()');
    const heard = await until(c, 'const t = parseFloat(document.getElementById("tone-heard").textContent); return t > 0 && t', 10);
    check(Math.abs(heard - 112.2) <= 0.3, `the tone heard reads ${heard} Hz before calibration`);
    await c.run('document.getElementById("auto-calibrate").click()');
    const rate = await c.run('return parseFloat(document.querySelector("[name=CardRate]").value)');
    check(Math.abs(rate - 21617.6) <= 21617.6 * 0.002, `Auto-calibrate sets the card rate to ${rate}`);
    await sleep(1500);
    const after = await c.run('return parseFloat(document.getElementById("tone-heard").textContent)');
    check(Math.abs(after - 110) <= 0.3, `then the tone reads ${after} Hz`);
    check(!(await c.run('return document.body.innerText.includes("Err!!")')), 'every French text is found');
    await c.run('document.getElementById("calibrate").click()');
    check(await c.run('return document.body.dataset.activity') === 'stopped', 'the second press stops the calibration');
    await c.close();
    s.close();
  }

  // Pictures for the README: a phone and a desktop, each language, a reading on a set-up.
  for (const [kind, size] of shots ? [['phone', '390,844'], ['desktop', '1280,800']] : []) {
    for (const lang of ['en', 'fr']) {
      const {b: d, server: s} = await page(path.join(work, 'pluck-98.wav'), size,
                                           path.join(work, `p-${kind}-${lang}`), 'lang=' + lang);
      await d.run(makeSetup);
      await d.run('document.getElementById("run").click()');
      await d.run(arm);
      await until(d, 'return (() => {' + accepted + '})()', 25);
      await d.shot(path.join(shots, `web-${kind}-${lang}.png`));
      await d.close();
      s.close();
    }
  }
}

main().catch((e) => {
  console.log('FAIL ' + e.stack);
  failures += 1;
}).finally(() => {
  driver.kill();
  fs.rmSync(work, {recursive: true, force: true});
  console.log(failures ? `page test: ${failures} failed` : 'page test: all passed');
  process.exit(failures ? 1 : 0);
});
