// SPDX-License-Identifier: GPL-3.0-or-later
// A scratch folder, files as bytes, and permission bits obeyed even when the tests run as
// root (CI does).
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>

namespace vellora::testing {

class TempFolder {
  public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vellora-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        ::chmod(path_.c_str(), 0755);  // reachable by the unprivileged user below
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const {
        return path_ / name;
    }

  private:
    std::filesystem::path path_;
};

// Text or samples, as given.
inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    ::chmod(file.c_str(), 0644);
}
inline void writeBytes(const std::filesystem::path& file, std::span<const uint8_t> bytes) {
    writeBytes(file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// As text, or as samples with readBytes<std::vector<uint8_t>>.
template <class Bytes = std::string>
inline Bytes readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return Bytes(text.begin(), text.end());
}

// While alive, a root process acts as "nobody".
class ActAsUnprivilegedUser {
  public:
    ActAsUnprivilegedUser() {
        if (::geteuid() == 0) dropped_ = ::seteuid(65534) == 0;
    }
    ~ActAsUnprivilegedUser() {
        // Later tests would run as "nobody" and fail for the wrong reason.
        if (dropped_ && ::seteuid(0) != 0) std::abort();
    }
    ActAsUnprivilegedUser(const ActAsUnprivilegedUser&) = delete;
    ActAsUnprivilegedUser& operator=(const ActAsUnprivilegedUser&) = delete;

  private:
    bool dropped_ = false;
};

// The number of a process that has ended: one certainly not running.
inline std::string endedProcessId() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return std::to_string(child);
}

// True when a file can be created in `folder` by the process as it acts now.
inline bool canCreateIn(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / ".probe";
    std::FILE* f = std::fopen(probe.c_str(), "wb");
    if (!f) return false;
    std::fclose(f);
    std::filesystem::remove(probe);
    return true;
}

}  // namespace vellora::testing
