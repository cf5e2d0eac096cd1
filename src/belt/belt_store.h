// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping the belt set-ups in the settings file: section "BELT" lists them, and each
// set-up has a section "BELT <name>" of its own, so the other sections' keys are not
// touched. Names match as the file's sections do, without regard to case: "belt a"
// is the set-up "Belt A". Every change re-reads what is stored and writes only the list
// and the set-ups it changes, in one write, so another instance's set-ups are kept and a
// thousand set-ups cost one read and one write, not one per key.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "belt/belt_setup.h"
#include "common/status.h"
#include "ini/profile_document.h"

namespace vellora {

// Where the sections are kept (the settings file), behind two calls so that this stays
// window-free and testable.
struct BeltStore {
    virtual ~BeltStore() = default;
    // What is stored now; nothing stored yet reads as empty. Fails when it cannot be
    // read.
    virtual Status read(ProfileDocument& into) = 0;
    // Reads what is stored now, lets `change` edit it and stores the result in one
    // write; `change` returns false to store nothing. Fails, the store as it was, when
    // it cannot be read or written.
    virtual Status update(const std::function<bool(ProfileDocument&)>& change) = 0;
    // The file another program may change under the store; none for one in memory.
    virtual std::filesystem::path file() const { return {}; }
};

// Set-ups kept only for the session, when there is no settings file to hold them.
class MemoryBeltStore final : public BeltStore {
  public:
    Status read(ProfileDocument& into) override;
    Status update(const std::function<bool(ProfileDocument&)>& change) override;

  private:
    ProfileDocument document_;
};

inline constexpr char kBeltSection[] = "BELT";
inline constexpr char kBeltCountKey[] = "Count";
inline constexpr char kBeltSelectedKey[] = "Selected";
inline constexpr char kBeltNameKeyPrefix[] = "Name";  // Name1, Name2, ...

std::string beltSection(const std::string& setupName);
// True when the two names are one set-up for the store.
bool sameBeltName(const std::string& a, const std::string& b);

struct LoadedBelts {
    std::vector<BeltSetup> setups;
    std::string selected;              // empty when none was chosen or it is gone
    std::vector<std::string> refused;  // listed names whose stored values did not validate
    Status status;                     // why the store could not be read
};

// Reads the list back; every set-up goes through the same checks as a typed one. A
// refused set-up stays listed in the store, untouched, for the user to mend by hand.
LoadedBelts loadBeltSetups(BeltStore& store);
LoadedBelts beltSetupsOf(const ProfileDocument& stored);

enum class BeltChangeResult {
    Done,
    NameTaken,  // another stored set-up has this name (told apart by more than case)
    Failed,     // the store could not be read or written; nothing changed
};

struct BeltChange {
    BeltChangeResult result = BeltChangeResult::Done;
    std::string takenBy;  // NameTaken: the stored set-up's name as it is spelled there
    Status status;        // Failed: why
    LoadedBelts belts;    // what is stored afterwards (unless Failed)
};

// Stores `setup` in place of the stored set-up named `previous`: the same set-up, or a
// renamed one when the names differ (the old section goes). With `previous` empty or
// no longer stored, a new set-up goes at the end of the list. The set-up becomes the
// chosen one.
BeltChange keepBeltSetup(BeltStore& store, const BeltSetup& setup, const std::string& previous);

// The set-up goes from the list, with its whole section.
BeltChange deleteBeltSetup(BeltStore& store, const std::string& name);

// Only the choice of set-up (empty for none).
BeltChange selectBeltSetup(BeltStore& store, const std::string& name);

// Writes these set-ups and makes them the whole list, in one write; the sections of
// set-ups no longer listed are left as they are.
Status saveBeltSetups(BeltStore& store, std::span<const BeltSetup> setups,
                      const std::string& selected);

}  // namespace vellora
