#include "belt/belt_store.h"

#include <algorithm>
#include <charconv>

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
constexpr char kTarget[] = "Target";
constexpr char kTargetLow[] = "TargetLow";
constexpr char kTargetHigh[] = "TargetHigh";

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

}  // namespace

std::string MemoryBeltStore::read(const std::string& section, const std::string& key,
                                  const std::string& fallback) {
    const auto it = values_.find({section, key});
    return it == values_.end() ? fallback : it->second;
}

bool MemoryBeltStore::write(const std::string& section, const std::string& key,
                            const std::string& value) {
    values_[{section, key}] = value;
    return true;
}

std::string beltSection(const std::string& setupName) {
    return std::string(kBeltSection) + " " + setupName;
}

bool saveBeltSetups(BeltStore& store, std::span<const BeltSetup> setups,
                    const std::string& selected) {
    bool ok = true;
    for (const BeltSetup& s : setups) {
        const std::string section = beltSection(s.name);
        const BeltSetupForm f = formOf(s);
        const std::pair<const char*, std::string> values[] = {
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
            {kTarget, targetWord(s.target)},
            {kTargetLow, f.targetLow},
            {kTargetHigh, f.targetHigh},
        };
        for (const auto& [key, value] : values) ok = store.write(section, key, value) && ok;
    }
    for (size_t i = 0; i < setups.size(); ++i)
        ok =
            store.write(kBeltSection, kBeltNameKeyPrefix + std::to_string(i + 1), setups[i].name) &&
            ok;
    ok = store.write(kBeltSection, kBeltCountKey, std::to_string(setups.size())) && ok;
    ok = store.write(kBeltSection, kBeltSelectedKey, selected) && ok;
    return ok;
}

bool saveSelectedBelt(BeltStore& store, const std::string& selected) {
    return store.write(kBeltSection, kBeltSelectedKey, selected);
}

LoadedBelts loadBeltSetups(BeltStore& store) {
    LoadedBelts loaded;
    const std::string countText = store.read(kBeltSection, kBeltCountKey, "0");
    int count = 0;
    const auto [end, ec] =
        std::from_chars(countText.data(), countText.data() + countText.size(), count);
    if (ec != std::errc() || count < 0) count = 0;
    for (int i = 1; i <= count; ++i) {
        const std::string name =
            store.read(kBeltSection, kBeltNameKeyPrefix + std::to_string(i), "");
        if (name.empty()) continue;
        const std::string section = beltSection(name);
        auto get = [&](const char* key) { return store.read(section, key, ""); };
        BeltSetupForm f;
        f.name = name;
        f.massBasis =
            get(kMassBasis) == kPerMetreAndMm ? MassBasis::PerMetreAndMm : MassBasis::PerMetre;
        f.mass = get(kMass);
        f.widthBasis = get(kWidthBasis) == kRibCount ? WidthBasis::Ribs : WidthBasis::Millimetres;
        f.width = get(kWidth);
        f.ribs = get(kRibs);
        f.ribPitch = store.read(section, kRibPitch, numberText(kDefaultRibPitchMm));
        f.spanBasis = get(kSpanBasis) == kPulleys ? SpanBasis::Pulleys : SpanBasis::Direct;
        f.span = get(kSpan);
        f.centreDistance = get(kCentreDistance);
        f.pulley1 = get(kPulley1);
        f.pulley2 = get(kPulley2);
        f.factor = store.read(section, kFactor, "1");
        f.target = targetOf(get(kTarget));
        f.targetLow = get(kTargetLow);
        f.targetHigh = get(kTargetHigh);
        const BeltValidation v = validateBeltSetup(f);
        const bool duplicate = std::any_of(loaded.setups.begin(), loaded.setups.end(),
                                           [&](const BeltSetup& s) { return s.name == name; });
        if (v.setup && !duplicate)
            loaded.setups.push_back(*v.setup);
        else if (!v.setup)
            loaded.refused.push_back(name);
    }
    const std::string selected = store.read(kBeltSection, kBeltSelectedKey, "");
    for (const BeltSetup& s : loaded.setups)
        if (s.name == selected) loaded.selected = selected;
    return loaded;
}

}  // namespace vellora
