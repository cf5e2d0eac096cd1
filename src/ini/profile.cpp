#include "ini/profile.h"

#include <optional>

#include "common/atomic_file.h"
#include "common/regular_file.h"
#include "ini/profile_encoding.h"
#include "ini/profile_text.h"

namespace vellora {

namespace {

enum class ReadState { Read, Missing, Failed };

struct FileText {
    ReadState state = ReadState::Missing;
    std::string bytes;  // as stored: each line's encoding is decided when it is used
    std::string error;
};

FileText readProfileFile(const std::filesystem::path& file) {
    FileText result;
    RegularFileBytes read = readRegularFile(file, kLargestProfileFile + 1);
    if (read.status == FileReadStatus::Missing) return result;
    if (!read.read()) {
        result.state = ReadState::Failed;
        result.error = std::move(read.error);
    } else if (read.truncated() || read.bytes.size() > kLargestProfileFile) {
        result.state = ReadState::Failed;
        result.error = "larger than a settings file can be";
    } else {
        result.state = ReadState::Read;
        result.bytes = std::move(read.bytes);
    }
    return result;
}

std::optional<std::string> lookup(std::string_view section, std::string_view key,
                                  const std::filesystem::path& file) {
    const FileText f = readProfileFile(file);
    if (f.state != ReadState::Read) return std::nullopt;
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
    const FileText old = readProfileFile(file);
    // A file that exists but cannot be read is never replaced: its content would be lost.
    if (old.state == ReadState::Failed) return fail(old.error);
    const Status written = writeFileAtomically(file, profileSet(old.bytes, section, key, value));
    return written ? true : fail(written.message());
}

bool ReadPrivateProfile(const std::filesystem::path& file, ProfileDocument& into,
                        std::string* error) {
    const FileText f = readProfileFile(file);
    if (f.state == ReadState::Failed) {
        if (error) *error = f.error;
        return false;
    }
    into = ProfileDocument(f.bytes);
    return true;
}

bool UpdatePrivateProfile(const std::filesystem::path& file,
                          const std::function<bool(ProfileDocument&)>& change, std::string* error) {
    ProfileDocument document;
    if (!ReadPrivateProfile(file, document, error)) return false;
    if (!change(document)) return true;
    const Status written = writeFileAtomically(file, document.text());
    if (!written && error) *error = written.message();
    return written.ok();
}

}  // namespace vellora
