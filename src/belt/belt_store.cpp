// SPDX-License-Identifier: GPL-3.0-or-later
#include "belt/belt_store.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <unordered_set>

#include "ini/profile_text.h"

namespace vellora {

namespace {

constexpr char kMass[] = "Mass";
constexpr char kMassBasis[] = "MassBasis";
constexpr char kWidth[] = "Width";
constexpr char kWidthBasis[] = "WidthBasis";
constexpr char kRibs[] = "Ribs";
constexpr char kRibPitch[] = "RibPitch";
constexpr char kSpan[] = "Span";
constexpr char kSpanBasis[] = "SpanBasis";
constexpr char kCentreDistance[] = "CentreDistance";
constexpr char kPulley1[] = "Pulley1";
constexpr char kPulley2[] = "Pulley2";
constexpr char kFactor[] = "Factor";
constexpr char kMeasuredStiffness[] = "MeasuredStiffness";  // 1 or 0
constexpr char kTarget[] = "Target";
constexpr char kTargetLow[] = "TargetLow";
constexpr char kTargetHigh[] = "TargetHigh";
constexpr char kUnit[] = "Unit";

// Basis values as words, so that a hand-edited file stays readable.
constexpr char kPerMetre[] = "g/m";
constexpr char kPerMetreAndMm[] = "g/m/mm";
constexpr char kMillimetres[] = "mm";
constexpr char kRibCount[] = "ribs";
constexpr char kDirect[] = "span";
constexpr char kPulleys[] = "pulleys";
constexpr char kNone[] = "none";
constexpr char kHertz[] = "Hz";
constexpr char kNewtons[] = "N";

std::string targetWord(TargetKind t) {
    switch (t) {
        case TargetKind::Frequency:
            return kHertz;
        case TargetKind::Tension:
            return kNewtons;
        case TargetKind::None:
            break;
    }
    return kNone;
}

TargetKind targetOf(const std::string& word) {
    if (word == kHertz) return TargetKind::Frequency;
    if (word == kNewtons) return TargetKind::Tension;
    return TargetKind::None;
}

// The list section as stored: the names in order (duplicates, which the store could not
// tell apart anyway, dropped), the choice, and any key this program does not write.
struct StoredList {
    std::vector<std::string> names;
    std::string selected;
    std::vector<ProfileKeyValue> otherKeys;
};

using KeyMap = std::map<std::string, std::string>;  // folded key -> value, first kept

KeyMap keyMapOf(std::vector<ProfileKeyValue> keys) {
    KeyMap map;
    for (ProfileKeyValue& kv : keys) map.emplace(profileNameKey(kv.key), std::move(kv.value));
    return map;
}

bool isNameKey(const std::string& key) {
    const std::string prefix = profileNameKey(kBeltNameKeyPrefix);
    const std::string folded = profileNameKey(key);
    return folded.size() > prefix.size() && folded.starts_with(prefix) &&
           folded.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

StoredList listOf(const ProfileDocument& stored) {
    StoredList list;
    std::vector<ProfileKeyValue> keys = stored.keys(kBeltSection);
    const std::size_t keyCount = keys.size();
    for (const ProfileKeyValue& kv : keys)
        if (!profileNamesMatch(kv.key, kBeltCountKey) &&
            !profileNamesMatch(kv.key, kBeltSelectedKey) && !isNameKey(kv.key))
            list.otherKeys.push_back(kv);
    const KeyMap map = keyMapOf(std::move(keys));
    auto get = [&](const std::string& key) {
        const auto it = map.find(profileNameKey(key));
        return it == map.end() ? std::string() : it->second;
    };
    const std::string countText = get(kBeltCountKey);
    std::size_t count = 0;
    const auto [end, ec] =
        std::from_chars(countText.data(), countText.data() + countText.size(), count);
    // Each name needs a line of its own: a count beyond them is a damaged file.
    if (ec != std::errc()) count = 0;
    count = std::min(count, keyCount);
    std::unordered_set<std::string> seen;
    for (std::size_t i = 1; i <= count; ++i) {
        std::string name = get(kBeltNameKeyPrefix + std::to_string(i));
        if (!name.empty() && seen.insert(profileNameKey(name)).second)
            list.names.push_back(std::move(name));
    }
    list.selected = get(kBeltSelectedKey);
    return list;
}

bool writeList(ProfileDocument& stored, const StoredList& list) {
    std::vector<ProfileKeyValue> keys = list.otherKeys;
    keys.push_back({kBeltCountKey, std::to_string(list.names.size())});
    for (std::size_t i = 0; i < list.names.size(); ++i)
        keys.push_back({kBeltNameKeyPrefix + std::to_string(i + 1), list.names[i]});
    keys.push_back({kBeltSelectedKey, list.selected});
    return stored.replaceSection(kBeltSection, keys);
}

bool writeSetup(ProfileDocument& stored, const BeltSetup& s) {
    const BeltSetupForm f = formOf(s);
    const ProfileKeyValue keys[] = {
        {kMassBasis, s.massBasis == MassBasis::PerMetre ? kPerMetre : kPerMetreAndMm},
        {kMass, f.mass},
        {kWidthBasis, s.widthBasis == WidthBasis::Millimetres ? kMillimetres : kRibCount},
        {kWidth, f.width},
        {kRibs, f.ribs},
        {kRibPitch, f.ribPitch},
        {kSpanBasis, s.spanBasis == SpanBasis::Direct ? kDirect : kPulleys},
        {kSpan, f.span},
        {kCentreDistance, f.centreDistance},
        {kPulley1, f.pulley1},
        {kPulley2, f.pulley2},
        {kFactor, f.factor},
        {kMeasuredStiffness, s.measuredStiffness ? "1" : "0"},
        {kTarget, targetWord(s.target)},
        {kTargetLow, f.targetLow},
        {kTargetHigh, f.targetHigh},
        {kUnit, unitSymbol(s.unit)},
    };
    return stored.replaceSection(beltSection(s.name), keys);
}

std::optional<std::size_t> indexOf(const StoredList& list, const std::string& name) {
    if (name.empty()) return std::nullopt;
    for (std::size_t i = 0; i < list.names.size(); ++i)
        if (sameBeltName(list.names[i], name)) return i;
    return std::nullopt;
}

Status cannotStore() {
    return Status(Failure::BadContent, "the name cannot be stored in the settings file");
}

// Runs `edit` on what is stored now; the result tells what came of it.
BeltChange change(BeltStore& store,
                  const std::function<BeltChangeResult(ProfileDocument&, BeltChange&)>& edit) {
    BeltChange result;
    Status stored = store.update([&](ProfileDocument& document) {
        result.result = edit(document, result);
        result.belts = beltSetupsOf(document);
        return result.result == BeltChangeResult::Done;
    });
    if (!stored) {
        result = BeltChange{};
        result.result = BeltChangeResult::Failed;
        result.status = std::move(stored);
    }
    return result;
}

}  // namespace

Status MemoryBeltStore::read(ProfileDocument& into) {
    into = document_;
    return {};
}

Status MemoryBeltStore::update(const std::function<bool(ProfileDocument&)>& change) {
    ProfileDocument edited = document_;
    if (change(edited)) document_ = std::move(edited);
    return {};
}

std::string beltSection(const std::string& setupName) {
    return std::string(kBeltSection) + " " + setupName;
}

// The sections differ only by the names, after the same prefix.
bool sameBeltName(const std::string& a, const std::string& b) { return profileNamesMatch(a, b); }

LoadedBelts beltSetupsOf(const ProfileDocument& stored) {
    LoadedBelts loaded;
    const StoredList list = listOf(stored);
    for (const std::string& name : list.names) {
        const KeyMap keys = keyMapOf(stored.keys(beltSection(name)));
        auto get = [&](const char* key, const std::string& fallback = {}) {
            const auto it = keys.find(profileNameKey(key));
            return it == keys.end() ? fallback : it->second;
        };
        BeltSetupForm f;
        f.name = name;
        f.massBasis =
            get(kMassBasis) == kPerMetreAndMm ? MassBasis::PerMetreAndMm : MassBasis::PerMetre;
        f.mass = get(kMass);
        f.widthBasis = get(kWidthBasis) == kRibCount ? WidthBasis::Ribs : WidthBasis::Millimetres;
        f.width = get(kWidth);
        f.ribs = get(kRibs);
        f.ribPitch = get(kRibPitch, numberText(kDefaultRibPitchMm));
        f.spanBasis = get(kSpanBasis) == kPulleys ? SpanBasis::Pulleys : SpanBasis::Direct;
        f.span = get(kSpan);
        f.centreDistance = get(kCentreDistance);
        f.pulley1 = get(kPulley1);
        f.pulley2 = get(kPulley2);
        f.factor = get(kFactor, "1");
        f.measuredStiffness = get(kMeasuredStiffness, "0") == "1";
        f.target = targetOf(get(kTarget));
        f.targetLow = get(kTargetLow);
        f.targetHigh = get(kTargetHigh);
        f.unit = unitOf(get(kUnit));
        const BeltValidation v = validateBeltSetup(f);
        if (v.setup)
            loaded.setups.push_back(*v.setup);
        else
            loaded.refused.push_back(name);
    }
    for (const BeltSetup& s : loaded.setups)
        if (sameBeltName(s.name, list.selected)) loaded.selected = s.name;
    return loaded;
}

LoadedBelts loadBeltSetups(BeltStore& store) {
    ProfileDocument stored;
    if (Status read = store.read(stored); !read) {
        LoadedBelts failed;
        failed.status = std::move(read);
        return failed;
    }
    return beltSetupsOf(stored);
}

BeltChange keepBeltSetup(BeltStore& store, const BeltSetup& setup, const std::string& previous) {
    return change(store, [&](ProfileDocument& stored, BeltChange& result) {
        StoredList list = listOf(stored);
        const std::optional<std::size_t> old = indexOf(list, previous);
        const std::optional<std::size_t> taken = indexOf(list, setup.name);
        if (taken && taken != old) {
            result.takenBy = list.names[*taken];
            return BeltChangeResult::NameTaken;
        }
        if (old) {
            if (!sameBeltName(list.names[*old], setup.name))
                stored.removeSection(beltSection(list.names[*old]));
            list.names[*old] = setup.name;
        } else {
            list.names.push_back(setup.name);
        }
        list.selected = setup.name;
        if (!writeSetup(stored, setup) || !writeList(stored, list)) {
            result.status = cannotStore();
            return BeltChangeResult::Failed;
        }
        return BeltChangeResult::Done;
    });
}

BeltChange deleteBeltSetup(BeltStore& store, const std::string& name) {
    return change(store, [&](ProfileDocument& stored, BeltChange&) {
        StoredList list = listOf(stored);
        std::erase_if(list.names, [&](const std::string& n) { return sameBeltName(n, name); });
        if (sameBeltName(list.selected, name)) list.selected.clear();
        stored.removeSection(beltSection(name));
        writeList(stored, list);
        return BeltChangeResult::Done;
    });
}

BeltChange selectBeltSetup(BeltStore& store, const std::string& name) {
    return change(store, [&](ProfileDocument& stored, BeltChange&) {
        StoredList list = listOf(stored);
        const std::optional<std::size_t> i = indexOf(list, name);
        list.selected = i ? list.names[*i] : std::string();
        writeList(stored, list);
        return BeltChangeResult::Done;
    });
}

Status saveBeltSetups(BeltStore& store, std::span<const BeltSetup> setups,
                      const std::string& selected) {
    const BeltChange done = change(store, [&](ProfileDocument& stored, BeltChange& result) {
        StoredList list = listOf(stored);
        list.names.clear();
        for (const BeltSetup& s : setups) {
            if (!writeSetup(stored, s)) {
                result.status = cannotStore();
                return BeltChangeResult::Failed;
            }
            list.names.push_back(s.name);
        }
        list.selected = selected;
        writeList(stored, list);
        return BeltChangeResult::Done;
    });
    return done.status;
}

}  // namespace vellora
