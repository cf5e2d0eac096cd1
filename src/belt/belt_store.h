// Keeping the belt set-ups in the settings file: section "BELT" lists them, and each
// set-up has a section "BELT <name>" of its own, so the other sections' keys are not
// touched. The file itself is behind a two-call interface so that this stays
// window-free and testable.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

#include "belt/belt_setup.h"

namespace vellora {

// A key = value store in named sections (the settings file).
struct BeltStore {
    virtual ~BeltStore() = default;
    // The stored text, or `fallback` when the section or key is missing.
    virtual std::string read(const std::string& section, const std::string& key,
                             const std::string& fallback) = 0;
    // False when the value could not be written.
    virtual bool write(const std::string& section, const std::string& key,
                       const std::string& value) = 0;
};

// Set-ups kept only for the session, when there is no settings file to hold them.
class MemoryBeltStore final : public BeltStore {
  public:
    std::string read(const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool write(const std::string& section, const std::string& key,
               const std::string& value) override;

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

inline constexpr char kBeltSection[] = "BELT";
inline constexpr char kBeltCountKey[] = "Count";
inline constexpr char kBeltSelectedKey[] = "Selected";
inline constexpr char kBeltNameKeyPrefix[] = "Name";  // Name1, Name2, ...

std::string beltSection(const std::string& setupName);

// Writes every set-up and the list; a set-up no longer listed keeps its old section but
// is not read again. False when any write failed.
bool saveBeltSetups(BeltStore& store, std::span<const BeltSetup> setups,
                    const std::string& selected);

// Only the choice of set-up, for a selection that changes nothing else.
bool saveSelectedBelt(BeltStore& store, const std::string& selected);

struct LoadedBelts {
    std::vector<BeltSetup> setups;
    std::string selected;              // empty when none was chosen or it is gone
    std::vector<std::string> refused;  // listed names whose stored values did not validate
};

// Reads the list back; every set-up goes through the same checks as a typed one.
LoadedBelts loadBeltSetups(BeltStore& store);

}  // namespace vellora
