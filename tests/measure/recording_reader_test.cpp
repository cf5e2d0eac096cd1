#include "measure/recording_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

namespace fs = std::filesystem;

// Byte k is (7 k + 3) mod 251 + 1, never 0: a zero in the arrays can only come from
// the reader.
std::string patternFile(size_t length) {
    std::string bytes(length, '\0');
    for (size_t k = 0; k < length; ++k) bytes[k] = char((k * 7 + 3) % 251 + 1);
    return bytes;
}

// Bytes from offset 54 on fill Reel(1) .. up to S - 1 = min(N, 4410) - 1, N being the
// length less 43; everything else is 0, whatever a previous cycle left.
TEST(RecordingReader, PlacesBytesFromOffset54AndZerosElsewhere) {
    const struct {
        size_t length;
        int32_t n;
        int32_t lastFromFile;  // last array position holding a file byte
    } cases[] = {
        {4454, 4411, 4400},    // 4401 .. 4409 lie past the end of the file
        {60, 17, 6},           //
        {44, 1, 0},            // header only
        {20000, 19957, 4409},  // only the head is read, N still from the length
        {43, 0, 0},            // too short: no recording
        {0, -43, 0},           //
    };
    testing::TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string file = patternFile(c.length);
        testing::writeBytes(dir / "test.wav", file);
        const Recording rec = readRecordingFile((dir / "test.wav").string());
        EXPECT_EQ(rec.n, c.n);
        EXPECT_EQ(rec.present, c.n >= 1);
        SpectrumArrays a;
        a.reel.fill(-1.0f);
        a.imaginaire.fill(-1.0f);
        fillSpectrumArrays(rec, a);
        for (int32_t i = 0; i < kSpectrumArraySize; ++i) {
            ASSERT_EQ(a.imaginaire[i], 0.0f) << i;
            const float expected = i >= 1 && i <= c.lastFromFile ? float(uint8_t(file[53 + i])) : 0;
            ASSERT_EQ(a.reel[i], expected) << i;
        }
    }
}

// A FIFO or folder under the name is no recording, and is never opened (a FIFO would
// hang); a huge file is read only as far as the cycle uses it.
TEST(RecordingReader, OnlyARegularFileIsReadAndOnlyItsHead) {
    testing::TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    fs::create_directory(dir / "folder.wav");
    for (const char* name : {"fifo.wav", "folder.wav", "missing.wav"})
        EXPECT_FALSE(readRecordingFile((dir / name).string()).present) << name;

    testing::writeBytes(dir / "huge.wav", patternFile(4096));
    fs::resize_file(dir / "huge.wav", std::uintmax_t(2) << 30);  // sparse: no disk space
    const Recording rec = readRecordingFile((dir / "huge.wav").string());
    EXPECT_EQ(rec.n, 2147483605) << "N = 2^31 - 43";
    ASSERT_EQ(rec.tampon.size(), size_t(kSampleLimit));
    EXPECT_EQ(rec.tampon[0], uint8_t(patternFile(55)[54]));
    EXPECT_EQ(rec.tampon.back(), 0);
}

}  // namespace
}  // namespace vellora
