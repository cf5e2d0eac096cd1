// SPDX-License-Identifier: GPL-3.0-or-later
// The profile (INI) file store, standing in for the Windows profile service of
// kernel32: GetPrivateProfileIntA, GetPrivateProfileStringA, WritePrivateProfileStringA.
// Each call reads the named file afresh; there is no cache. Every write holds the
// folder's lock (common/folder_lock.h) from its read to its rename, so that writers in
// other processes, each changing its own keys or sections, never drop each other's.
// Names and texts are UTF-8; a line of the file that is not valid UTF-8 is read as
// Windows-1252 (lines written by the Windows version). The layout rules are those of
// profile_text.h. Only a regular file of at most 16 MB is read: anything else reads as
// missing and is never replaced.
//
// Window-free: builds without Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "common/status.h"
#include "ini/profile_document.h"

namespace vellora {

// Far beyond any settings or language file (a thousand belt set-ups take about
// 300 kB); a larger file is not one of ours and is neither read nor replaced.
inline constexpr std::size_t kLargestProfileFile = std::size_t(16) << 20;

// The integer value of `key` in `section` of `file` (see profileParseInt: "12.7" reads
// 12, "abc" 0, "-5" -5); `defaultValue` when the file, the section or the key is
// missing or the value is empty.
int32_t GetPrivateProfileIntA(std::string_view section, std::string_view key, int32_t defaultValue,
                              const std::filesystem::path& file);

// The text value of `key` in `section` of `file`, blanks at both ends and one pair of
// enclosing quotes removed, or `defaultText` when the file, the section or the key is
// missing (a key with an empty value gives the empty text). As the service copies
// into a buffer of `bufferSize` characters ended by a NUL, at most bufferSize - 1
// characters (code points) are returned: 99 for a buffer of 100.
std::string GetPrivateProfileStringA(std::string_view section, std::string_view key,
                                     std::string_view defaultText, std::size_t bufferSize,
                                     const std::filesystem::path& file);

// Creates or replaces `key` in `section` of `file`, creating the file if it does not
// exist (its folder must). The file is written through writeFileAtomically, so the old
// file stays whole whatever happens during the write and keeps its links, mode and
// owner; the line written is UTF-8, every other line and the line ends stay as they
// were. Returns false, leaving the file as it was, when it cannot be read or written
// (read-only file or folder, full disk, not a regular file) or when a name or the
// value cannot be stored (line breaks, invalid UTF-8: see isWritableProfileName);
// `error` then says why.
bool WritePrivateProfileStringA(std::string_view section, std::string_view key,
                                std::string_view value, const std::filesystem::path& file,
                                std::string* error = nullptr);

// The whole file in one read, for a caller that reads many keys of it: a missing file
// gives an empty document. Fails when the file exists but cannot be read, is not a
// regular file or is too large.
Status ReadPrivateProfile(const std::filesystem::path& file, ProfileDocument& into);

// Rewrites sections in one write: reads the file afresh (so whatever another program
// wrote since is kept), lets `change` edit it and writes it whole, the way
// WritePrivateProfileStringA writes. `change` returns false to leave the file as it is
// (nothing is written, and the result is success). Fails, the file as it was, when it
// cannot be read or written.
Status UpdatePrivateProfile(const std::filesystem::path& file,
                            const std::function<bool(ProfileDocument&)>& change);

}  // namespace vellora
