// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_store_profile.h"

#include "ini/profile.h"

namespace vellora {

Status ProfileBeltStore::read(ProfileDocument& into) { return ReadPrivateProfile(file_, into); }

Status ProfileBeltStore::update(const std::function<bool(ProfileDocument&)>& change) {
    return UpdatePrivateProfile(file_, change);
}

}  // namespace vellora
