// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini/profile.h"

#include <optional>

#include "common/atomic_file.h"
#include "common/folder_lock.h"
#include "common/regular_file.h"
#include "ini/profile_encoding.h"
#include "ini/profile_text.h"

namespace vellora {

namespace {

struct FileText {
    bool found = false;
    std::string bytes;  // as stored: each line's encoding is decided when it is used
    Status status;      // a missing file is no failure: it reads as empty
};

FileText readProfileFile(const std::filesystem::path& file) {
    FileText result;
    RegularFileBytes read = readRegularFile(file, kLargestProfileFile + 1);
    if (read.status.failure() == Failure::NotFound) return result;
    if (!read.status) {
        result.status = std::move(read.status);
    } else if (read.truncated() || read.bytes.size() > kLargestProfileFile) {
        result.status = Status(Failure::TooLarge, "larger than a settings file can be");
    } else {
        result.found = true;
        result.bytes = std::move(read.bytes);
    }
    return result;
}

std::optional<std::string> lookup(std::string_view section, std::string_view key,
                                  const std::filesystem::path& file) {
    const FileText f = readProfileFile(file);
    if (!f.found) return std::nullopt;
    return profileLookup(f.bytes, section, key);
}

}  // namespace

int32_t GetPrivateProfileIntA(std::string_view section, std::string_view key, int32_t defaultValue,
                              const std::filesystem::path& file) {
    const std::optional<std::string> value = lookup(section, key, file);
    if (!value || value->empty()) return defaultValue;
    return profileParseInt(*value);
}

std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultText, std::size_t bufferSize,
                                     const std::filesystem::path& file) {
    if (bufferSize == 0) return {};
    const std::optional<std::string> value = lookup(section, key, file);
    return std::string(utf8Prefix(value ? std::string_view(*value) : defaultText, bufferSize - 1));
}

bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view value, const std::filesystem::path& file,
                                std::string* error) {
    auto fail = [error](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    if (!isWritableProfileName(section, key)) return fail("section or key name cannot be stored");
    if (!isWritableProfileValue(value)) return fail("value cannot be stored");
    const FolderLock lock(file);
    if (!lock.status()) return fail(lock.status().message());
    const FileText old = readProfileFile(file);
    // A file that exists but cannot be read is never replaced: its content would be lost.
    if (!old.status) return fail(old.status.message());
    const Status written = writeFileAtomically(file, profileSet(old.bytes, section, key, value));
    return written ? true : fail(written.message());
}

Status ReadPrivateProfile(const std::filesystem::path& file, ProfileDocument& into) {
    FileText f = readProfileFile(file);
    if (f.status) into = ProfileDocument(f.bytes);
    return std::move(f.status);
}

Status UpdatePrivateProfile(const std::filesystem::path& file,
                            const std::function<bool(ProfileDocument&)>& change) {
    const FolderLock lock(file);
    if (!lock.status()) return lock.status();
    ProfileDocument document;
    if (Status read = ReadPrivateProfile(file, document); !read) return read;
    if (!change(document)) return {};
    return writeFileAtomically(file, document.text());
}

}  // namespace vellora
