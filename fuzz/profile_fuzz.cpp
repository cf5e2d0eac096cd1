// SPDX-License-Identifier: GPL-3.0-or-later
// The INI profile store on any bytes, all in memory (what the file functions do between
// their read and their write): the bytes are the file; keys are read, one is written
// and must read back, whole sections are replaced and the rest must stay; names fold
// to one key each. No crash, no out-of-bounds access.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ini/profile_document.h"
#include "ini/profile_encoding.h"
#include "ini/profile_text.h"

namespace {

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

    // Names and value from the input, the rest as the file's text.
    const Parts p = split(bytes);
    const std::string text = decodeProfileBytes(p.rest);
    check(isValidUtf8(text));
    (void)profileLookup(text, p.section, p.key);
    (void)profileParseInt(p.value);
    (void)utf8Prefix(bytes, size % 64);
    const std::string folded = profileNameKey(p.section);
    check(profileNameKey(folded) == folded || !isValidUtf8(p.section));
    check(profileNamesMatch(p.section, p.key) ==
          (profileNameKey(p.section) == profileNameKey(p.key)));
    const bool writable =
        isWritableProfileName(p.section, p.key) && isWritableProfileValue(p.value);
    if (writable) {
        const std::string after = profileSet(text, p.section, p.key, p.value);
        check(profileLookup(after, p.section, p.key) == std::string(p.value));
    }

    // The whole input as the file, as the settings and the set-ups read and rewrite it.
    ProfileDocument document(bytes);
    (void)document.value("SETTINGS", "Niveau");
    (void)document.keys("BELT");
    check(document.text() == bytes);  // unchanged, byte for byte
    if (writable) {
        const ProfileKeyValue kv{std::string(p.key), std::string(p.value)};
        check(document.replaceSection(p.section, std::span(&kv, 1)));
        check(document.value(p.section, p.key) == std::string(p.value));
        const ProfileDocument again(document.text());
        check(again.value(p.section, p.key) == std::string(p.value));
        document.removeSection(p.section);
        check(!document.value(p.section, p.key) && document.keys(p.section).empty());
    }
    return 0;
}
