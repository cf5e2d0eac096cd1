// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_store.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "ini/profile.h"

namespace vellora {

CheckedValue checkSixteenBits(int32_t stored, int16_t defaultValue, ControlRange range) {
    if (stored < std::numeric_limits<int16_t>::min() ||
        stored > std::numeric_limits<int16_t>::max())
        return {defaultValue, ReadOutcome::ReplacedByDefault, stored};
    const int32_t limited = std::clamp(stored, range.minimum, range.maximum);
    return {int16_t(limited), limited == stored ? ReadOutcome::Kept : ReadOutcome::Clamped, stored};
}

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

int32_t SettingsStore::readInt(std::string_view section, std::string_view key,
                               int32_t defaultValue) const {
    return GetPrivateProfileIntA(section, key, defaultValue, file_);
}

std::string SettingsStore::readString(std::string_view section, std::string_view key,
                                      std::string_view defaultText, std::size_t bufferSize) const {
    return GetPrivateProfileStringA(section, key, defaultText, bufferSize, file_);
}

Status SettingsStore::writeString(std::string_view section, std::string_view key,
                                  std::string_view value) const {
    std::string why;
    if (WritePrivateProfileStringA(section, key, value, file_, &why)) return {};
    return Status(Failure::WriteFailed, file_.string() + ": " + why);
}

}  // namespace vellora
