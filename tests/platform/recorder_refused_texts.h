// Texts outside the recorder's command set: the parser refuses them, and the device
// test checks that sending them changes nothing.
#pragma once

#include <string>
#include <vector>

namespace vellora {

inline const std::vector<std::string> kRefusedTexts = {
    "",
    "   ",
    "close",
    "close all now",
    "open new type waveaudio alias",
    "open new type cdaudio alias capture",
    "open new type waveaudio alias all",
    "open capture",
    "seek capture to end",
    "seek capture",
    "set capture samplespersec",
    "set capture samplespersec 22050x",
    "set capture samplespersec -22050",
    "set capture samplespersec 1234567890",
    "set capture volume 5",
    "record capture to 400",
    "record capture to 0 wait",
    "record capture to 60001 wait",
    "record capture to  400 notify",
    "record capture from 0 to 400 wait",
    "save capture wait",
    "save capture test.wav",
    "save capture test.wav wait now",
    "play capture",
    "status capture mode",
    "close\tall",
};

}  // namespace vellora
