// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini/profile_document.h"

#include "ini/profile_encoding.h"
#include "ini/profile_text.h"

namespace vellora {

namespace {

bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t\r\v\f") == std::string_view::npos;
}

}  // namespace

ProfileDocument::ProfileDocument(std::string_view bytes) {
    const std::string_view text = withoutByteOrderMark(bytes);
    byteOrderMark_ = bytes.substr(0, bytes.size() - text.size());
    lineEnd_ = profileLineEnd(text);
    std::string storage;
    sections_.push_back({});
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t nl = text.find('\n', start);
        Line line;
        if (nl == std::string_view::npos) {
            line.content = text.substr(start);
            start = text.size();
        } else {
            std::size_t end = nl;
            if (end > start && text[end - 1] == '\r') --end;
            line.content = text.substr(start, end - start);
            line.terminator = text.substr(end, nl + 1 - end);
            start = nl + 1;
        }
        if (const auto name = profileSectionOf(decodeProfileLine(line.content, storage)))
            sections_.push_back({std::string(*name), {}});
        sections_.back().lines.push_back(std::move(line));
    }
    reindex();
}

void ProfileDocument::reindex() {
    first_.clear();
    for (std::size_t i = 0; i < sections_.size(); ++i)
        if (sections_[i].name) first_.emplace(profileNameKey(*sections_[i].name), i);
}

std::size_t ProfileDocument::find(std::string_view section) const {
    const auto it = first_.find(profileNameKey(section));
    return it == first_.end() ? std::string_view::npos : it->second;
}

std::vector<ProfileKeyValue> ProfileDocument::keys(std::string_view section) const {
    std::vector<ProfileKeyValue> result;
    const std::size_t s = find(section);
    if (s == std::string_view::npos) return result;
    const std::vector<Line>& lines = sections_[s].lines;
    std::string storage;
    for (std::size_t i = 1; i < lines.size(); ++i)
        if (auto kv = profileSettingOf(decodeProfileLine(lines[i].content, storage)))
            result.push_back({std::string(kv->key), std::move(kv->value)});
    return result;
}

std::optional<std::string> ProfileDocument::value(std::string_view section,
                                                  std::string_view key) const {
    const std::size_t s = find(section);
    if (s == std::string_view::npos) return std::nullopt;
    const std::vector<Line>& lines = sections_[s].lines;
    std::string storage;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        auto kv = profileSettingOf(decodeProfileLine(lines[i].content, storage));
        if (kv && profileNamesMatch(kv->key, key)) return std::move(kv->value);
    }
    return std::nullopt;
}

bool ProfileDocument::replaceSection(std::string_view section,
                                     std::span<const ProfileKeyValue> keys) {
    if (!isWritableProfileName(section, "Key")) return false;
    for (const ProfileKeyValue& kv : keys)
        if (!isWritableProfileName(section, kv.key) || !isWritableProfileValue(kv.value))
            return false;
    Section fresh{std::string(section), {}};
    fresh.lines.push_back({"[" + std::string(section) + "]", lineEnd_});
    for (const ProfileKeyValue& kv : keys)
        fresh.lines.push_back({profileSettingText(kv.key, kv.value), lineEnd_});

    const std::size_t s = find(section);
    if (s == std::string_view::npos) {
        first_.emplace(profileNameKey(section), sections_.size());
        sections_.push_back(std::move(fresh));
        return true;
    }
    // The blank lines that part it from the next section stay.
    const std::vector<Line>& old = sections_[s].lines;
    std::size_t keep = old.size();
    while (keep > 1 && isBlankLine(old[keep - 1].content)) --keep;
    fresh.lines.insert(fresh.lines.end(), old.begin() + std::ptrdiff_t(keep), old.end());
    sections_[s] = std::move(fresh);
    return true;
}

void ProfileDocument::removeSection(std::string_view section) {
    const std::size_t before = sections_.size();
    std::erase_if(sections_,
                  [&](const Section& s) { return s.name && profileNamesMatch(*s.name, section); });
    if (sections_.size() != before) reindex();
}

std::string ProfileDocument::text() const {
    std::size_t size = 0;
    for (const Section& s : sections_)
        for (const Line& l : s.lines) size += l.content.size() + 2;
    std::string out = byteOrderMark_;
    out.reserve(size + out.size());
    for (const Section& s : sections_) {
        for (const Line& l : s.lines) {
            out += l.content;
            // A last line without its line end gets one when more lines follow it.
            out += l.terminator.empty() ? lineEnd_ : l.terminator;
        }
    }
    // ...but the file's own last line keeps its missing line end.
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (s->lines.empty()) continue;
        if (s->lines.back().terminator.empty()) out.resize(out.size() - lineEnd_.size());
        break;
    }
    return out;
}

}  // namespace vellora
