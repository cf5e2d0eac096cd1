#include "measure/recording_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

// A file whose byte at offset k is (k * 7 + 3) mod 251 + 1, never 0, so that a zero in
// the arrays can only come from the reader.
std::vector<uint8_t> patternFile(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t k = 0; k < length; ++k) bytes[k] = uint8_t((k * 7 + 3) % 251 + 1);
    return bytes;
}

// Files of each length, read from disk as the cycle does: bytes from offset 54 on fill
// Reel(1) .., everything else is 0.
TEST(RecordingReader, PlacesBytesFromOffset54AndZerosElsewhere) {
    const struct {
        size_t length;
        int32_t n;
        bool present;
        int32_t lastFromFile;  // last array position holding a file byte
    } cases[] = {
        {4454, 4411, true, 4400},    // 4401 .. 4409 lie past the end of the file
        {1000, 957, true, 946},      // 947 .. 956 likewise; S = 957
        {60, 17, true, 6},           //
        {44, 1, true, 0},            // header only
        {8864, 8821, true, 4409},    // a 400 ms clip
        {20000, 19957, true, 4409},  // only the head is read, N still from the length
        {43, 0, false, 0},           // too short: no recording, arrays all zero
        {1, -42, false, 0},          //
        {0, -43, false, 0},          //
    };
    testing::TempFolder dir;
    const auto path = dir / "test.wav";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        const auto file = patternFile(c.length);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        const Recording rec = readRecordingFile(path.string());
        EXPECT_EQ(rec.n, c.n);
        EXPECT_EQ(rec.present, c.present);

        SpectrumArrays a;
        a.reel.fill(-1.0f);  // leftovers of a previous cycle's transform
        a.imaginaire.fill(-1.0f);
        fillSpectrumArrays(rec, a);
        for (int32_t i = 0; i < kSpectrumArraySize; ++i) {
            ASSERT_EQ(a.imaginaire[i], 0.0f) << i;
            ASSERT_EQ(a.reel[i], i >= 1 && i <= c.lastFromFile ? float(file[53 + i]) : 0.0f) << i;
        }
    }
    EXPECT_FALSE(readRecordingFile("/nonexistent/test.wav").present);
}

// Whatever sits under the recording's name: a FIFO, a folder or a huge file is read
// at once and never whole (a regression would hang in open() or run out of memory).
TEST(RecordingReader, OnlyARegularFileIsReadAndOnlyWhatTheCycleUses) {
    testing::TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0644), 0);
    std::filesystem::create_directory(dir / "folder.wav");
    EXPECT_FALSE(readRecordingFile((dir / "fifo.wav").string()).present);
    EXPECT_FALSE(readRecordingFile((dir / "folder.wav").string()).present);

    // 2 GB of which only the first page holds data (a sparse file: no disk space).
    const auto huge = dir / "huge.wav";
    const auto head = patternFile(4096);
    std::ofstream(huge, std::ios::binary)
        .write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    std::filesystem::resize_file(huge, std::uintmax_t(2) << 30);
    const Recording rec = readRecordingFile(huge.string());
    EXPECT_TRUE(rec.present);
    EXPECT_EQ(rec.n, 2147483605) << "N = 2^31 - 43";
    ASSERT_EQ(rec.tampon.size(), size_t(kSampleLimit));
    EXPECT_TRUE(
        std::equal(rec.tampon.begin(), rec.tampon.begin() + (4096 - 54), head.begin() + 54));
    EXPECT_EQ(rec.tampon.back(), 0);  // the sparse part
}

}  // namespace
}  // namespace vellora
