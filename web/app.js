// SPDX-License-Identifier: GPL-3.0-or-later
// The page: captures the microphone, hands each 400 ms clip to the core, draws what it
// answers and keeps readings, set-ups and settings. Everything measured or decided
// (spectrum, peak, trigger, pitch, pluck, tension, verdict, agreement, CSV) is the
// core's (vellora_web.js, the same C++ as the desktop program).
'use strict';

const kClipRate = 22050;
const kClipSamples = 8820;
const params = new URLSearchParams(location.search);
const $ = (id) => document.getElementById(id);

let core = null;
let texts = {FORM1: {}, BELT: {}, WEB: {}};
let meterState = {activity: 'stopped'};
let capture = null;   // {context, stream, node}
let paused = false;   // Repeat holds a reading: clips are not read
let rearmTimer = 0;
let setups = {setups: [], selected: ''};
let cueContext = null;
let tonePlayer = null;  // the calibration tone: {context}
const lastCycle = {answer: null};

// emscripten's own decoder drops a leading byte order mark, which the CSV header carries.
const faithful = new TextDecoder('utf-8', {ignoreBOM: true});

// One call of the core: text in, JSON out.
function call(command, a = '', b = '') {
  const args = [a, b].map((s) => {
    const n = core.lengthBytesUTF8(s) + 1;
    const p = core._malloc(n);
    core.stringToUTF8(s, p, n);
    return p;
  });
  const commandText = core.allocateUTF8(command);
  const reply = core._vellora_call(commandText, args[0], args[1]);
  const answer = faithful.decode(core.HEAPU8.subarray(reply, core.HEAPU8.indexOf(0, reply)));
  [commandText, ...args].forEach((p) => core._free(p));
  return answer.startsWith('{') || answer.startsWith('[') || answer === 'null' ? JSON.parse(answer)
                                                                               : answer;
}

function text(section, key) {
  return (texts[section][key] || '').replace(/&(?!&)/g, '');
}

function fillIn(pattern, value) {
  return pattern.replace('%1', value);
}

// ---- language ------------------------------------------------------------------------

async function setLanguage(name) {
  const lng = await (await fetch('lang/' + encodeURIComponent(name) + '.lng')).text();
  call('language', lng);
  for (const section of ['FORM1', 'BELT', 'WEB']) texts[section] = call('texts', section);
  document.documentElement.lang = name === 'English' ? 'en' : 'fr';
  for (const [attribute, section] of [['data-form1', 'FORM1'], ['data-belt', 'BELT'], ['data-web', 'WEB']])
    for (const e of document.querySelectorAll('[' + attribute + ']'))
      e.textContent = text(section, e.getAttribute(attribute));
  document.title = text('WEB', 1);
  $('language').value = name;
  showSetups();
  showMeter(call('status'));
  await showReadings();
}

// ---- the spectrum ----------------------------------------------------------------------

function colourOf(c) {
  return 'rgb(' + (c & 255) + ',' + ((c >> 8) & 255) + ',' + ((c >> 16) & 255) + ')';
}

function drawSpectrum(a) {
  const canvas = $('spectrum');
  const g = canvas.getContext('2d');
  const w = canvas.width, h = canvas.height;
  const sx = w / 1024, sy = h / a.height;
  g.fillStyle = '#000';
  g.fillRect(0, 0, w, h);
  g.lineWidth = Math.max(1, a.pen * sx);
  for (let i = 0; i < a.tops.length; ++i) {
    const x = a.pen * (i + 3) * sx;
    g.strokeStyle = colourOf(a.colours[i]);
    g.beginPath();
    g.moveTo(x, h);
    g.lineTo(x, a.tops[i] * sy);
    g.stroke();
  }
  if (a.readout) {
    const x = a.pen * a.peakBin * sx;
    g.strokeStyle = '#f00';
    g.beginPath();
    g.moveTo(x, h);
    g.lineTo(x, a.peakTop * sy);
    g.stroke();
    $('peak-text').textContent = a.readout;
  }
  drawNoiseLine();
}

function drawNoiseLine() {
  if (!meterState.noiseArmed) return;
  const canvas = $('spectrum');
  const g = canvas.getContext('2d');
  const y = meterState.noiseLine * canvas.height / 400;
  g.strokeStyle = '#f00';
  g.lineWidth = 2;
  g.beginPath();
  g.moveTo(0, y);
  g.lineTo(canvas.width, y);
  g.stroke();
}

// ---- the read-out ----------------------------------------------------------------------

function showMeter(m) {
  meterState = m;
  $('status').textContent = m.status;
  const running = capture !== null;
  $('run').textContent = text('FORM1', running ? 23 : 10);
  $('run').classList.toggle('running', running);
  document.body.dataset.activity = m.activity;
  const calibrating = m.activity === 'calibrating';
  $('calibrate').textContent = text('FORM1', calibrating ? 24 : 8);
  $('calibrate').classList.toggle('running', calibrating);
  $('auto-calibrate').disabled = !calibrating;
  $('tone-heard').textContent = m.tone;
  $('tone-hint').textContent = m.toneHint;
}

function showReading(r) {
  $('belt-hz').textContent = r ? r.hzText : '\u2014';
  $('tension').textContent = r ? r.tensionText : '';
  $('tension').className = r ? r.range : '';
  $('agreement').textContent = r ? r.agreement : '';
  $('agreement').className = r && r.confirmed ? 'inside' : '';
}

// ---- capture ---------------------------------------------------------------------------

async function startCapture() {
  $('problem').hidden = true;
  let context;
  try {
    const stream = await navigator.mediaDevices.getUserMedia({
      audio: {echoCancellation: false, noiseSuppression: false, autoGainControl: false}});
    try {
      context = new AudioContext({sampleRate: kClipRate});
      context.createMediaStreamSource(stream);  // refused where rates may not differ
    } catch (e) {
      if (context) context.close();
      context = new AudioContext();
    }
    await context.audioWorklet.addModule('capture-worklet.js');
    const source = context.createMediaStreamSource(stream);
    const node = new AudioWorkletNode(context, 'clip-capture', {
      numberOfInputs: 1, numberOfOutputs: 0,
      processorOptions: {clipSamples: kClipSamples, clipRate: kClipRate}});
    node.port.onmessage = (event) => clipArrived(event.data);
    source.connect(node);
    await context.resume();
    capture = {context, stream, node};
    performance.mark('vellora-capture');  // for the timing of a pluck to its reading
  } catch (e) {
    if (context) context.close();
    $('problem').textContent = fillIn(text('WEB', 9), e.message || e.name);
    $('problem').className = '';
    $('problem').hidden = false;
    return false;
  }
  return true;
}

function stopCapture() {
  if (!capture) return;
  capture.node.port.onmessage = null;
  capture.stream.getTracks().forEach((t) => t.stop());
  capture.context.close();
  capture = null;
}

const clipBuffer = {pointer: 0};

function clipArrived(samples) {
  if (paused || !capture) return;
  if (!clipBuffer.pointer) clipBuffer.pointer = core._malloc(kClipSamples * 4);
  core.HEAPF32.set(samples, clipBuffer.pointer / 4);
  const a = JSON.parse(core.UTF8ToString(core._vellora_cycle(clipBuffer.pointer, samples.length)));
  lastCycle.answer = a;
  showMeter(a.meter);
  drawSpectrum(a);
  if (a.meter.activity === 'calibrating') {
    showReading(null);
    $('belt-hz').textContent = a.meter.tone;
  } else {
    showReading(a.shown);
  }
  if (a.logged) {
    if (a.logged.status !== 'refused') performance.mark('vellora-reading');
    keepReading(a.logged);
  }
  if (a.cue) playCue(a.cue === 'confirmed');
  if (a.step === 'original') {
    // The trigger stopped the run, as on the desktop: its spectrum stays.
    stopCapture();
    showMeter(call('status'));
  } else if (a.step !== 'none') {
    paused = true;
    rearmTimer = setTimeout(() => {
      paused = false;
      showMeter(call('rearm'));
    }, a.rearmMs);
  }
}

async function run() {
  if (meterState.activity === 'calibrating') return calibrate();
  if (capture) {
    clearTimeout(rearmTimer);
    paused = false;
    stopCapture();
    showMeter(call('stop'));
    return;
  }
  if (await startCapture()) showMeter(call('start'));
}

// A sound the core made (unsigned 8-bit at 22050 per second) as a player of `context`.
function corePlayer(context, make) {
  const countPointer = core._malloc(4);
  const samples = make(countPointer);
  const n = core.HEAP32[countPointer / 4];
  core._free(countPointer);
  const buffer = context.createBuffer(1, n, kClipRate);
  const data = buffer.getChannelData(0);
  for (let i = 0; i < n; ++i) data[i] = (core.HEAPU8[samples + i] - 128) / 128;
  const player = context.createBufferSource();
  player.buffer = buffer;
  player.connect(context.destination);
  return player;
}

function playCue(confirmation) {
  if (!$('cues').checked) return;
  cueContext = cueContext || new AudioContext();
  corePlayer(cueContext, (count) => core._vellora_cue(confirmation ? 1 : 0, count)).start();
}

// ---- calibration -----------------------------------------------------------------------

function stopTone() {
  if (tonePlayer) tonePlayer.context.close();
  tonePlayer = null;
}

// The tone through the loudspeaker while the meter listens; the second press stops both.
async function calibrate() {
  if (meterState.activity === 'calibrating') {
    stopTone();
    stopCapture();
    showMeter(call('calibrate'));
    return;
  }
  clearTimeout(rearmTimer);
  paused = false;
  if (!capture && !(await startCapture())) return;
  showMeter(call('calibrate'));
  const context = new AudioContext();
  const tone = Number(settingValue(meterState.settings, 'FrequenceCal'));
  const player = corePlayer(context, (count) => core._vellora_tone(tone, count));
  player.loop = true;
  player.start();
  tonePlayer = {context};
}

async function autoCalibrate() {
  const a = call('autoCalibrate');
  showMeter(a.meter);
  $('problem').textContent = a.problem || a.done;
  $('problem').className = a.problem ? '' : 'done';
  $('problem').hidden = false;
  if (!a.problem) {
    showSettings();
    await keepSettings();
  }
}

// ---- settings --------------------------------------------------------------------------

async function keepSettings() {
  await store.setText('settings', meterState.settings);
}

function settingValue(settingsText, key) {
  const m = settingsText.match(new RegExp('^' + key + '=(.*)$', 'm'));
  return m ? m[1] : '';
}

function showSettings() {
  const s = meterState.settings;
  const form = $('settings-form');
  for (const key of ['CardRate', 'Amplification', 'Smoothing', 'FrequenceCal'])
    form.elements[key].value = settingValue(s, key);
  $('repeat').checked = settingValue(s, 'Repetition') === '1';
}

async function configure(changes) {
  let s = meterState.settings;
  for (const [key, value] of Object.entries(changes))
    s = s.replace(new RegExp('^' + key + '=.*$', 'm'), key + '=' + value);
  call('configure', s);
  showMeter(call('status'));
  showSettings();
  await keepSettings();
}

// ---- set-ups ---------------------------------------------------------------------------

function showSetups() {
  const select = $('setup');
  select.replaceChildren(new Option(text('WEB', 13), ''));
  for (const s of setups.setups) select.add(new Option(s.name, s.name));
  select.value = setups.selected;
  const chosen = setups.setups.find((s) => s.name === setups.selected);
  const form = $('setup-form');
  const fields = chosen ? chosen.form : null;
  for (const e of form.elements) {
    if (!e.name) continue;
    const v = fields ? fields[e.name] : undefined;
    if (e.type === 'radio') e.checked = fields ? v === e.value : e.defaultChecked;
    else if (e.type === 'checkbox') e.checked = fields ? (v === true || v === e.value) : false;
    else e.value = v !== undefined ? v : e.defaultValue;
  }
  form.dataset.previous = chosen ? chosen.name : '';
}

async function setupsChanged(answer) {
  const hints = $('hints');
  hints.replaceChildren();
  for (const e of $('setup-form').querySelectorAll('.refused')) e.classList.remove('refused');
  if (answer.hints) {
    for (const h of answer.hints) {
      const li = document.createElement('li');
      li.textContent = h.text;
      hints.append(li);
      const field = $('setup-form').elements[h.field];
      if (field && field.classList) field.classList.add('refused');
    }
    return;
  }
  setups = answer;
  await store.setText('setups', answer.text);
  showSetups();
  showReading(null);
}

function formText() {
  const form = $('setup-form');
  const lines = ['[FORM]'];
  for (const e of form.elements) {
    if (!e.name || ((e.type === 'radio' || e.type === 'checkbox') && !e.checked)) continue;
    lines.push(e.name + '=' + e.value.replace(/[\r\n]/g, ' '));
  }
  return lines.join('\n') + '\n';
}

// ---- readings --------------------------------------------------------------------------

async function keepReading(record) {
  await store.addReading(record);
  addReadingRow(record);
}

function addReadingRow(r) {
  const row = $('readings').tBodies[0].insertRow(0);
  // The time as the desktop's table and the CSV line show it, in the local clock.
  row.insertCell().textContent = r.csv.split(',')[0];
  row.insertCell().textContent = r.setup;
  row.insertCell().textContent = r.status === 'refused' ? '' : r.hz.toFixed(2);
  row.insertCell().textContent = r.tensionText;
  row.insertCell().textContent = r.status === 'refused' ? r.why : r.status === 'confirmed' ? text('FORM1', 90) : '';
  row.className = r.status + ' ' + r.range;
}

async function showReadings() {
  $('readings').tBodies[0].replaceChildren();
  for (const r of await store.readings()) addReadingRow(r);
}

function download(name, content, type) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(new Blob([content], {type}));
  a.download = name;
  a.click();
  setTimeout(() => URL.revokeObjectURL(a.href), 1000);
}

async function exportCsv() {
  const lines = (await store.readings()).map((r) => r.csv);
  const csv = call('csvHeader') + lines.join('');
  window.lastExport = csv;
  download('Readings.csv', csv, 'text/csv');
}

async function importCsv(file) {
  const records = call('importReadings', await file.text());
  if (!records || records.length === 0) {
    $('problem').textContent = text('WEB', 22);
    $('problem').className = '';
    $('problem').hidden = false;
    return;
  }
  for (const r of records) await store.addReading(r);
  await showReadings();
  $('problem').textContent = fillIn(text('WEB', 21), records.length);
  $('problem').hidden = false;
}

// ---- wiring ----------------------------------------------------------------------------

function wire() {
  $('run').onclick = run;
  $('repeat').onchange = () => configure({Repetition: $('repeat').checked ? 1 : 0});
  $('auto-noise').onclick = async () => {
    showMeter(call('learnNoise'));
    if (!capture && await startCapture()) showMeter(call('start'));
  };
  $('clear-noise').onclick = async () => {
    showMeter(call('clearNoiseLine'));
    await keepSettings();
  };
  $('spectrum').onclick = async (event) => {
    const box = event.target.getBoundingClientRect();
    showMeter(call('placeNoiseLine', String(Math.round((event.clientY - box.top) * 400 / box.height))));
    if (lastCycle.answer) drawSpectrum(lastCycle.answer);
    await keepSettings();
  };
  $('large').onchange = () => document.body.classList.toggle('large', $('large').checked);
  $('cues').onchange = () => store.setText('cues', $('cues').checked ? '1' : '0');
  $('language').onchange = async () => {
    await setLanguage($('language').value);
    await store.setText('language', $('language').value);
  };
  $('setup').onchange = () => setupsChanged(call('selectSetup', $('setup').value));
  $('setup-form').onsubmit = (event) => {
    event.preventDefault();
    setupsChanged(call('keepSetup', formText(), $('setup-form').dataset.previous));
  };
  $('new-setup').onclick = () => setupsChanged(call('selectSetup', ''));
  $('delete-setup').onclick = () => {
    const name = $('setup-form').dataset.previous;
    if (name && confirm(fillIn(text('BELT', 51), name))) setupsChanged(call('deleteSetup', name));
  };
  $('export-setups').onclick = () => download('Vellora.ini', setups.text, 'text/plain');
  $('import-setups').onchange = async (event) => {
    const file = event.target.files[0];
    if (file) await setupsChanged(call('importSetups', await file.text()));
  };
  $('export-csv').onclick = exportCsv;
  $('calibrate').onclick = calibrate;
  $('auto-calibrate').onclick = autoCalibrate;
  $('import-csv').onchange = async (event) => {
    if (event.target.files[0]) await importCsv(event.target.files[0]);
  };
  $('clear-readings').onclick = async () => {
    if (!confirm(text('BELT', 50))) return;
    await store.clearReadings();
    await showReadings();
  };
  $('settings-form').onsubmit = (event) => {
    event.preventDefault();
    const f = event.target.elements;
    configure({CardRate: f.CardRate.value.replace(',', '.'), Amplification: f.Amplification.value,
               Smoothing: f.Smoothing.value, FrequenceCal: f.FrequenceCal.value});
  };
  $('settings-form').elements.Amplification.oninput = (event) =>
      configure({Amplification: event.target.value});
}

async function main() {
  core = await createVelloraCore();
  wire();
  call('configure', (await store.text('settings')) || '');
  meterState = call('status');
  setups = call('loadSetups', (await store.text('setups')) || '');
  $('cues').checked = (await store.text('cues')) === '1';
  const language = params.get('lang') === 'fr' ? 'Français'
                   : params.get('lang') === 'en' ? 'English'
                   : (await store.text('language')) ||
                     (navigator.language.startsWith('fr') ? 'Français' : 'English');
  await setLanguage(language);
  showSettings();
  if (params.has('large')) {
    $('large').checked = true;
    document.body.classList.add('large');
  }
  if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});
  document.body.dataset.ready = '1';
  if (params.has('start') && await startCapture()) showMeter(call('start'));
}

main();
