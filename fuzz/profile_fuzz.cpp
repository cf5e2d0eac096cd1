// SPDX-License-Identifier: GPL-3.0-or-later
// The INI profile store on any bytes: the bytes are the file; a key is read, one is
// written, and the written key must read back. Also the text rules in memory, with
// section, key and value taken from the input. No crash, no out-of-bounds access.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "ini/profile.h"
#include "ini/profile_encoding.h"
#include "ini/profile_text.h"

namespace {

const std::filesystem::path& scratchFile() {
    static const std::filesystem::path file = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "vellora-fuzz-XXXXXX").string();
        if (!mkdtemp(dir.data())) std::abort();
        static std::string made = dir;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(made, ec);
        });
        return std::filesystem::path(dir) / "Vellora.ini";
    }();
    return file;
}

void check(bool ok) {
    if (!ok) __builtin_trap();
}

// The input split at its first three NUL bytes: section, key, value, rest.
struct Parts {
    std::string_view section, key, value, rest;
};
Parts split(std::string_view in) {
    Parts p;
    std::string_view* fields[] = {&p.section, &p.key, &p.value};
    for (auto* f : fields) {
        const auto nul = in.find('\0');
        if (nul == std::string_view::npos) {
            *f = in;
            in = {};
            break;
        }
        *f = in.substr(0, nul);
        in.remove_prefix(nul + 1);
    }
    p.rest = in;
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    using namespace vellora;

    // In memory, names and value from the input.
    {
        const Parts p = split(bytes);
        const std::string text = decodeProfileBytes(p.rest);
        check(isValidUtf8(text));
        (void)profileLookup(text, p.section, p.key);
        (void)profileParseInt(p.value);
        (void)utf8Prefix(bytes, size % 64);
        if (isWritableProfileName(p.section, p.key) && isWritableProfileValue(p.value)) {
            const std::string after = profileSet(text, p.section, p.key, p.value);
            check(profileLookup(after, p.section, p.key) == std::string(p.value));
        }
    }

    // On a file: the whole input is the file.
    const std::filesystem::path& file = scratchFile();
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);

    (void)GetPrivateProfileIntA("SETTINGS", "Niveau", 246, file);
    const std::string langue = GetPrivateProfileStringA("SETTINGS", "Langue", "x", 100, file);
    check(isValidUtf8(langue));
    check(utf8Prefix(langue, 99).size() == langue.size());

    const std::string value = "v" + std::to_string(size) + " \"q\" ";
    check(WritePrivateProfileStringA("POSITIONS", "CalTop", value, file));
    check(GetPrivateProfileStringA("positions", "caltop", "", 200, file) == value);
    check(WritePrivateProfileStringA("SETTINGS", "Niveau", "263", file));
    check(GetPrivateProfileIntA("Settings", "NIVEAU", 0, file) == 263);
    check(GetPrivateProfileStringA("POSITIONS", "CalTop", "", 200, file) == value);
    return 0;
}
