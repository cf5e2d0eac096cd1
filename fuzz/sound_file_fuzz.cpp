// SPDX-License-Identifier: GPL-3.0-or-later
// The sound-file decoder of vellora-analyze on any bytes as the file (in memory, no
// disk): no crash, no out-of-bounds access, never more samples than the bound, and
// every sample a number, or a failure.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/audio_file_decoder.h"

namespace {
void check(bool ok) {
    if (!ok) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vellora;
    static const int fd = [] {
        const int made = ::memfd_create("vellora-sound-fuzz", MFD_CLOEXEC);
        if (made < 0) std::abort();
        return made;
    }();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != ssize_t(size)) return 0;
    const DecodedAudio d = decodeAudioFile("/proc/self/fd/" + std::to_string(fd));
    if (!d.status) return 0;
    check(d.rate > 0 && d.channels > 0);
    check(d.mono.size() <= size_t(std::ceil(kDecodedSeconds * d.rate)));
    for (float x : d.mono) check(std::isfinite(x));
    return 0;
}
