// SPDX-License-Identifier: GPL-3.0-or-later
// Cuts the microphone into the meter's clips: 8820 samples at 22050 per second (400 ms).
// The audio context runs at 22050 where the browser allows it and resamples the
// microphone itself; elsewhere the clip is taken at the context's rate and averaged down.
class ClipCapture extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.samples = options.processorOptions.clipSamples;
    this.step = sampleRate / options.processorOptions.clipRate;  // context samples per clip sample
    this.clip = new Float32Array(this.samples);
    this.filled = 0;
    this.position = 0;  // in context samples, within the current clip sample
    this.sum = 0;
    this.count = 0;
  }

  process(inputs) {
    const input = inputs[0] && inputs[0][0];
    if (!input) return true;
    for (let i = 0; i < input.length; ++i) {
      this.sum += input[i];
      this.count += 1;
      this.position += 1;
      if (this.position < this.step) continue;
      this.position -= this.step;
      this.clip[this.filled++] = this.sum / this.count;
      this.sum = 0;
      this.count = 0;
      if (this.filled === this.samples) {
        this.port.postMessage(this.clip, [this.clip.buffer]);
        this.clip = new Float32Array(this.samples);
        this.filled = 0;
      }
    }
    return true;
  }
}
registerProcessor('clip-capture', ClipCapture);
