// SPDX-License-Identifier: GPL-3.0-or-later
// A scripted AudioInput and a temporary current directory for the recorder tests.
#pragma once

#include <filesystem>
#include <vector>

#include "audio/audio_input.h"
#include "audio/recorder_result.h"
#include "support/profile_test_support.h"

namespace vellora {

struct FakeInput : AudioInput {
    int32_t openResult = kRecorderOk;
    int32_t recordResult = kRecorderOk;
    uint8_t next = 0;  // samples count up from here, so a clip tells where it came from
    int opens = 0, records = 0, releases = 0;

    int32_t open() override {
        ++opens;
        return openResult;
    }
    int32_t record(size_t count, std::chrono::milliseconds, std::vector<uint8_t>& out) override {
        ++records;
        out.clear();
        if (recordResult != kRecorderOk) return recordResult;
        for (size_t i = 0; i < count; ++i) out.push_back(next++);
        return kRecorderOk;
    }
    void release() override { ++releases; }
};

// Makes a fresh temporary folder the current directory for the test's lifetime.
class InTemporaryFolder : public testing::TempFolder {
  public:
    InTemporaryFolder() { std::filesystem::current_path(path()); }
    ~InTemporaryFolder() { std::filesystem::current_path(old_); }

  private:
    std::filesystem::path old_ = std::filesystem::current_path();
};

}  // namespace vellora
