#include "measure/recording_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include "support/profile_test_support.h"

namespace vellora {
namespace {

// A file whose byte at offset k is (k * 7 + 3) mod 251, never 0 past the header,
// so that a zero in the arrays can only come from the reader.
std::vector<uint8_t> patternFile(size_t length) {
    std::vector<uint8_t> bytes(length);
    for (size_t k = 0; k < length; ++k) bytes[k] = uint8_t((k * 7 + 3) % 251 + 1);
    return bytes;
}

struct ReaderCase {
    size_t length;
    int32_t n;
    int32_t lastFromFile;  // last array position holding a file byte
    int32_t s;
};

class ReaderLengths : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderLengths, PlacesBytesFromOffset54AndZerosElsewhere) {
    const ReaderCase c = GetParam();
    const auto file = patternFile(c.length);
    const Recording rec = readRecordingBytes(file);
    EXPECT_EQ(rec.n, c.n);
    EXPECT_TRUE(rec.present);

    SpectrumArrays a;
    a.reel.fill(-1.0f);  // leftovers of a previous cycle's transform
    a.imaginaire.fill(-1.0f);
    fillSpectrumArrays(rec, a);
    for (int32_t i = 0; i < kSpectrumArraySize; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a.imaginaire[i], 0.0f);
        if (i >= 1 && i <= c.lastFromFile)
            EXPECT_EQ(a.reel[i], float(file[53 + i]));
        else
            EXPECT_EQ(a.reel[i], 0.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, ReaderLengths,
                         ::testing::Values(ReaderCase{4454, 4411, 4400,
                                                      4410},                 // 4401..4409 past EOF
                                           ReaderCase{1000, 957, 946, 957},  // 947..956 past EOF
                                           ReaderCase{44, 1, 0, 1},          // header only
                                           ReaderCase{8864, 8821, 4409, 4410},  // a 400 ms clip
                                           ReaderCase{60, 17, 6, 17}));

TEST(RecordingReader, ShortOrMissingFileIsNoRecordingAndZeroesTheArrays) {
    for (size_t length : {0, 1, 43}) {
        SCOPED_TRACE(length);
        const auto file = patternFile(length);
        const Recording rec = readRecordingBytes(file);
        EXPECT_FALSE(rec.present);
        EXPECT_EQ(rec.n, int32_t(length) - 43);
        SpectrumArrays a;
        a.reel.fill(5.0f);
        a.imaginaire.fill(5.0f);
        fillSpectrumArrays(rec, a);
        for (int i = 0; i < kSpectrumArraySize; ++i) {
            ASSERT_EQ(a.reel[i], 0.0f);
            ASSERT_EQ(a.imaginaire[i], 0.0f);
        }
    }
    EXPECT_FALSE(readRecordingFile("/nonexistent/test.wav").present);
}

TEST(RecordingReader, FileOnDiskMatchesBytesInMemory) {
    const auto path = std::filesystem::temp_directory_path() / "vellora_reader_test.wav";
    const auto file = patternFile(20000);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const Recording fromDisk = readRecordingFile(path.string());
    const Recording inMemory = readRecordingBytes(file);
    EXPECT_EQ(fromDisk.n, inMemory.n);
    EXPECT_TRUE(fromDisk.present);
    EXPECT_EQ(fromDisk.tampon, inMemory.tampon);
    std::filesystem::remove(path);
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
