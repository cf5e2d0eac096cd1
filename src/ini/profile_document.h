// SPDX-License-Identifier: GPL-3.0-or-later
// A whole profile (INI) file held in memory as its lines, grouped by section, for a
// caller that reads many keys with one read of the file and rewrites whole sections
// with one write (the belt set-ups: a thousand sections would otherwise cost a
// thousand reads and rewrites of the file). The layout rules are those of
// profile_text.h; the settings keys keep going through profile.h one key per call.
//
// Window-free: builds without Qt.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vellora {

struct ProfileKeyValue {
    std::string key;
    std::string value;
};

class ProfileDocument {
  public:
    ProfileDocument() = default;
    // `bytes`: the file as stored. Each line is decoded on its own, as profile_text.h
    // says; the lines kept are written back as they were stored.
    explicit ProfileDocument(std::string_view bytes);

    // As profileLookup: the first matching section and key; nullopt when missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The keys of the first matching section, in file order; empty when it is missing.
    std::vector<ProfileKeyValue> keys(std::string_view section) const;

    // The first section of this name becomes its header line, spelled as given, and
    // these keys in this order, in its place in the file; every other line it held
    // (comments, keys not given) goes. A missing section is added at the end. False,
    // changing nothing, when a name or value cannot be stored (isWritableProfileName,
    // isWritableProfileValue).
    bool replaceSection(std::string_view section, std::span<const ProfileKeyValue> keys);
    // Every section of this name goes, with all its lines.
    void removeSection(std::string_view section);

    // The text to write back: every line not changed above byte for byte as it was.
    std::string text() const;

  private:
    struct Line {
        std::string content;     // without its line end
        std::string terminator;  // "\n", "\r\n", or "" for a last line without one
    };
    struct Section {
        std::optional<std::string> name;  // none for the lines before the first section
        std::vector<Line> lines;          // the header line first, when there is one
    };

    // The index of the first section of this name, or npos.
    std::size_t find(std::string_view section) const;
    void reindex();

    std::vector<Section> sections_;
    std::unordered_map<std::string, std::size_t> first_;  // folded name -> first section
    std::string lineEnd_ = "\n";
    std::string byteOrderMark_;  // kept in front of the first line when the file had one
};

}  // namespace vellora
