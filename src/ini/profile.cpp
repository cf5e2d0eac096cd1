#include "ini/profile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <span>

#include "common/atomic_file.h"
#include "ini/profile_encoding.h"
#include "ini/profile_text.h"

namespace vellora {

namespace {

enum class ReadState { Read, Missing, Failed };

struct FileText {
    ReadState state = ReadState::Missing;
    std::string text;  // decoded, UTF-8
    std::string error;
};

FileText readProfileFile(const std::filesystem::path& file) {
    FileText result;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) {
        const int e = errno;
        result.state = (e == ENOENT || e == ENOTDIR) ? ReadState::Missing : ReadState::Failed;
        result.error = std::strerror(e);
        return result;
    }
    std::string bytes;
    char buffer[8192];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
    const bool failed = std::ferror(f) != 0;
    const int e = errno;
    std::fclose(f);
    if (failed) {
        result.state = ReadState::Failed;
        result.error = std::strerror(e ? e : EIO);
        return result;
    }
    result.state = ReadState::Read;
    result.text = decodeProfileBytes(bytes);
    return result;
}

std::optional<std::string> lookup(std::string_view section, std::string_view key,
                                  const std::filesystem::path& file) {
    const FileText f = readProfileFile(file);
    if (f.state != ReadState::Read) return std::nullopt;
    return profileLookup(f.text, section, key);
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
    const std::string text = profileSet(old.text, section, key, value);
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
    return writeFileAtomically(file, bytes, error);
}

bool ReadPrivateProfile(const std::filesystem::path& file, ProfileDocument& into,
                        std::string* error) {
    const FileText f = readProfileFile(file);
    if (f.state == ReadState::Failed) {
        if (error) *error = f.error;
        return false;
    }
    into = ProfileDocument(f.text);
    return true;
}

bool UpdatePrivateProfile(const std::filesystem::path& file,
                          const std::function<bool(ProfileDocument&)>& change, std::string* error) {
    ProfileDocument document;
    if (!ReadPrivateProfile(file, document, error)) return false;
    if (!change(document)) return true;
    const std::string text = document.text();
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()),
                                         text.size());
    return writeFileAtomically(file, bytes, error);
}

}  // namespace vellora
