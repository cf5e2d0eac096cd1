#include "belt/belt_store_profile.h"

#include "ini/profile.h"

namespace vellora {

namespace {
// Set-up names and numbers are short; the buffer only has to be larger than any of them.
constexpr std::size_t kValueBuffer = 1024;
}  // namespace

std::string ProfileBeltStore::read(const std::string& section, const std::string& key,
                                   const std::string& fallback) {
    return GetPrivateProfileStringA(section, key, fallback, kValueBuffer, file_);
}

bool ProfileBeltStore::write(const std::string& section, const std::string& key,
                             const std::string& value) {
    return WritePrivateProfileStringA(section, key, value, file_);
}

}  // namespace vellora
