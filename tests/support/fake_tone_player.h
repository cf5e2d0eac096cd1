// SPDX-License-Identifier: GPL-3.0-or-later
// A loudspeaker for the tests: it keeps the bytes of every file it loops and the names of
// the cues it plays; `refuses` makes a loop fail so, `lost` is an output gone silent.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "calibration/calibration_run.h"
#include "support/profile_test_support.h"

namespace vellora::testing {

struct FakeTone : TonePlayer {
    Status refuses;
    bool on = false, lost = false;
    std::vector<std::string> played, cues;
    Status playLoop(const std::string& file) override {
        if (!refuses) return refuses;
        played.push_back(readBytes(file));
        on = true;
        lost = false;
        return {};
    }
    Status playOnce(const std::string& file) override {
        cues.push_back(std::filesystem::path(file).filename().string());
        return {};
    }
    void stop() override { on = lost = false; }
    bool playing() const override { return on && !lost; }
    Status problem() const override {
        return lost ? Status(Failure::DeviceFailed, "gone") : Status();
    }
};

}  // namespace vellora::testing
