// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/recording_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

// Bytes from offset 54 on fill Reel(1) .. S - 1, S = min(N, 4410), N being the length
// less 43; everything else is 0, whatever the last transform left. File byte k is
// (7 k + 3) mod 251 + 1, never 0, so a zero can only come from the reader.
TEST(RecordingReader, PlacesBytesFromOffset54AndZerosElsewhere) {
    const struct {
        std::uintmax_t length;
        int32_t n;
        int32_t lastFromFile;  // last array position holding a file byte
    } cases[] = {
        {4454, 4411, 4400},                           // 4401 .. 4409 lie past the end of the file
        {43, 0, 0},                                   // too short: no recording
        {std::uintmax_t(2) << 30, 2147483605, 4409},  // only the head is read
    };
    testing::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.n);
        std::string file(std::min<std::uintmax_t>(c.length, 8864), '\0');
        for (size_t k = 0; k < file.size(); ++k) file[k] = char((k * 7 + 3) % 251 + 1);
        testing::writeBytes(dir / "test.wav", file);
        std::filesystem::resize_file(dir / "test.wav", c.length);  // sparse: no disk space
        const Recording rec = readRecordingFile((dir / "test.wav").string());
        EXPECT_EQ(rec.n, c.n);
        EXPECT_EQ(rec.present, c.n >= 1);
        SpectrumArrays a;
        a.reel.fill(-1.0f);
        a.imaginaire.fill(-1.0f);
        fillSpectrumArrays(rec, a);
        for (int32_t i = 0; i < kSpectrumArraySize; ++i) {
            ASSERT_EQ(a.imaginaire[i], 0.0f) << i;
            const bool fromFile = i >= 1 && i <= c.lastFromFile;
            ASSERT_EQ(a.reel[i], fromFile ? float(uint8_t(file[53 + i])) : 0.0f) << i;
        }
    }
    // A FIFO (which would hang the reader) or a folder under the name is no recording.
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    for (const char* name : {"fifo.wav", ".", "missing.wav"})
        EXPECT_FALSE(readRecordingFile((dir / name).string()).present) << name;
}

}  // namespace
}  // namespace vellora
