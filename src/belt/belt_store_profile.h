// The belt set-ups' store on the settings file ("Vellora.ini"), through the profile
// service every other setting uses.
#pragma once

#include <filesystem>

#include "belt/belt_store.h"

namespace vellora {

class ProfileBeltStore final : public BeltStore {
  public:
    explicit ProfileBeltStore(std::filesystem::path file) : file_(std::move(file)) {}

    std::string read(const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool write(const std::string& section, const std::string& key,
               const std::string& value) override;

  private:
    std::filesystem::path file_;
};

}  // namespace vellora
