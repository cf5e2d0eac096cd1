// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a whole file so that readers see either the old content or the new one,
// never a half-written file, and so that the file stays what it was:
// - a symbolic link is followed and its final target written; the link stays a link;
// - an existing target that is not a regular file (a FIFO, a device, a folder) or that
//   may not be written (no write permission for this user, or no write bit at all,
//   which root would otherwise override) is never replaced;
// - the bytes go to a temporary file beside the target, flushed to the disk (unless
//   the caller skips the flushes), which is then renamed over the target with the
//   target's mode and owner;
// - a target with other hard links, or whose owner a new file cannot be given, is
//   rewritten in place, since a rename would cut the other names off or hand the file
//   to another owner. To keep that write whole too, the complete new content first
//   goes to a journal beside it ("<name>.vellora-rewrite"), which is removed only once
//   the file reads back as the new content (or, after a failed rewrite, as the old one
//   again); an interrupted rewrite is finished from the journal by
//   removeStaleTemporaryFiles at the next start, which keeps the journal for as long as
//   it cannot restore the file from it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "common/status.h"

namespace vellora {

// Whether a write waits for the disk. A scratch file, rewritten often and worth nothing
// after a crash, skips the flushes: its readers still see it whole, old or new.
enum class Flush { ToDisk, Skip };

// Fails, leaving any existing target untouched, when it cannot or may not be written
// (see above), or the folder cannot be written or the disk is full; the message names
// the file and says why.
Status writeFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                           Flush flush = Flush::ToDisk);

// The same for text.
Status writeFileAtomically(const std::filesystem::path& target, std::string_view text);

// Whether writeFileAtomically would be let write `target` now, found without writing it:
// a regular file (or none yet) this user may write, in a folder a file can be made in.
// The failure names the file and says why, as a write's would.
Status checkWritable(const std::filesystem::path& target);

// For the start of the program: removes the temporary files that killed writes of
// `target` left beside it ("<name>.tmp-<process>-<n>", of processes no longer
// running) and finishes an in-place rewrite that was interrupted. Returns how many
// temporary files were removed.
int removeStaleTemporaryFiles(const std::filesystem::path& target);

// Removes from `folder` the regular files named "<prefix><process>-<n>" whose process is
// no longer running: what a killed process left of its scratch files. Names of any
// other form are left alone. Returns how many were removed.
int removeStaleProcessFiles(const std::filesystem::path& folder, const std::string& prefix);

// The file a write of `target` really changes: the final target of its symbolic
// links (itself when it is none, or when a link points nowhere yet).
std::filesystem::path resolveLinks(const std::filesystem::path& target);

}  // namespace vellora
