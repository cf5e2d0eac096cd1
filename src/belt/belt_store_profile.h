// SPDX-License-Identifier: GPL-3.0-or-later
// The belt set-ups' store on the settings file ("Vellora.ini"): read whole, and
// rewritten a section at a time in one write, by the profile store every setting uses.
#pragma once

#include <filesystem>

#include "belt/belt_store.h"

namespace vellora {

class ProfileBeltStore final : public BeltStore {
  public:
    explicit ProfileBeltStore(std::filesystem::path file) : file_(std::move(file)) {}

    Status read(ProfileDocument& into) override;
    Status update(const std::function<bool(ProfileDocument&)>& change) override;
    std::filesystem::path file() const override { return file_; }

  private:
    std::filesystem::path file_;
};

}  // namespace vellora
