#include "common/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

namespace vellora {

namespace {

std::filesystem::path temporaryNameBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    std::random_device rd;
    const std::string suffix = ".tmp-" + std::to_string(rd() % 1000000) + "-" +
                               std::to_string(counter.fetch_add(1));
    std::filesystem::path tmp = target;
    tmp += suffix;
    return tmp;
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    const std::filesystem::path tmp = temporaryNameBeside(target);
    std::FILE* f = std::fopen(tmp.string().c_str(), "wb");
    if (!f) return fail(std::strerror(errno));
    const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    const bool flushed = std::fflush(f) == 0;
    const int savedErrno = errno;
    const bool closed = std::fclose(f) == 0;
    if (written != bytes.size() || !flushed || !closed) {
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return fail(std::strerror(savedErrno ? savedErrno : EIO));
    }
    std::error_code ec;
    std::filesystem::rename(tmp, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(tmp, ignored);
        return fail(ec.message());
    }
    return true;
}

}  // namespace vellora
