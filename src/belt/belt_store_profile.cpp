#include "belt/belt_store_profile.h"

#include "ini/profile.h"

namespace vellora {

bool ProfileBeltStore::read(ProfileDocument& into, std::string* error) {
    return ReadPrivateProfile(file_, into, error);
}

bool ProfileBeltStore::update(const std::function<bool(ProfileDocument&)>& change,
                              std::string* error) {
    return UpdatePrivateProfile(file_, change, error);
}

}  // namespace vellora
