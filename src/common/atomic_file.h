// Writing a whole file so that readers see either the old content or the new one,
// never a half-written file: the bytes go to a temporary file in the same folder,
// which is then renamed over the target.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace vellora {

// Returns false, leaving any existing target untouched, when the folder cannot be
// written or the disk is full; `error` then says why.
bool writeFileAtomically(const std::filesystem::path& target, std::span<const uint8_t> bytes,
                         std::string* error = nullptr);

}  // namespace vellora
