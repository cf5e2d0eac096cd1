// SPDX-License-Identifier: GPL-3.0-or-later
// The belt set-ups at a thousand, in a real settings file on disk: opening them (one
// read of the file), the Belt window appearing with them, and one Keep (one rewrite of
// the file), in the store alone and as the window does it (the store, then its list)
// with a thousand and five thousand set-ups. The targets: under a second to open,
// under 100 ms for a Keep. And a readings log of a hundred thousand lines: the Belt
// window shows it in under 0.5 s and 80 MB (peak_MB is the process's peak resident
// memory).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "belt/belt_store.h"
#include "belt/belt_store_profile.h"
#include "belt/belt_window.h"
#include "belt/readings_csv.h"
#include "belt/readings_file.h"
#include "ini/profile.h"

namespace {

using namespace vellora;

constexpr int kSetups = 1000;

BeltSetup setupNumber(int i) {
    BeltSetup s;
    s.name = "Drive " + std::to_string(i) + " (6PK, front)";
    s.massBasis = MassBasis::PerMetreAndMm;
    s.mass = 6.8;
    s.widthBasis = WidthBasis::Ribs;
    s.ribs = 6;
    s.spanBasis = SpanBasis::Pulleys;
    s.centreDistanceMm = 300 + i;
    s.pulley1Mm = 120;
    s.pulley2Mm = 60;
    s.target = TargetKind::Tension;
    s.targetLow = 650;
    s.targetHigh = 800;
    return s;
}

// A settings file holding the main window's keys and `count` set-ups.
class ThousandSetups {
  public:
    explicit ThousandSetups(int count = kSetups) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vellora-bench-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        folder_ = pattern;
        store = std::make_unique<ProfileBeltStore>(file());
        WritePrivateProfileStringA("SETTINGS", "Ajustement", "495", file());
        std::vector<BeltSetup> setups;
        for (int i = 1; i <= count; ++i) setups.push_back(setupNumber(i));
        if (!saveBeltSetups(*store, setups, setups.front().name)) std::abort();
    }
    ~ThousandSetups() { std::filesystem::remove_all(folder_); }
    std::filesystem::path file() const { return folder_ / "Vellora.ini"; }

    std::unique_ptr<ProfileBeltStore> store;

  private:
    std::filesystem::path folder_;
};

void BM_OpenThousandSetUps(benchmark::State& state) {
    ThousandSetups belts;
    for (auto _ : state) {
        const LoadedBelts loaded = loadBeltSetups(*belts.store);
        if (loaded.setups.size() != size_t(kSetups)) state.SkipWithError("set-ups lost");
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["file_kB"] = double(std::filesystem::file_size(belts.file())) / 1000;
}
BENCHMARK(BM_OpenThousandSetUps)->Unit(benchmark::kMillisecond);

void BM_BeltWindowAppearsWithThousandSetUps(benchmark::State& state) {
    ThousandSetups belts;
    for (auto _ : state) {
        BeltWindow window(*belts.store);
        window.show();
        QApplication::processEvents();
        if (window.setups().size() != size_t(kSetups)) state.SkipWithError("set-ups lost");
    }
}
BENCHMARK(BM_BeltWindowAppearsWithThousandSetUps)->Unit(benchmark::kMillisecond);

// One Keep: the file re-read, one set-up and the list rewritten, the file written once.
void BM_KeepOneOfThousandSetUps(benchmark::State& state) {
    ThousandSetups belts;
    int round = 0;
    for (auto _ : state) {
        BeltSetup changed = setupNumber(500);
        changed.spanMm = 400 + (++round % 2);
        const BeltChange done = keepBeltSetup(*belts.store, changed, changed.name);
        if (done.result != BeltChangeResult::Done)
            state.SkipWithError(done.status.message().c_str());
    }
}
BENCHMARK(BM_KeepOneOfThousandSetUps)->Unit(benchmark::kMillisecond);

// One Keep as the window does it: set-up 500 chosen in the list, its span changed in the
// form and the Keep button pressed.
void BM_WindowKeepsOneSetUp(benchmark::State& state) {
    const int count = int(state.range(0));
    ThousandSetups belts(count);
    BeltWindow window(*belts.store);
    window.show();
    window.setupList->setCurrentRow(499);
    QApplication::processEvents();
    int round = 0;
    for (auto _ : state) {
        window.edit(BeltField::CentreDistance)->setText(QString::number(700 + (++round % 2)));
        window.keepButton->click();
        QApplication::processEvents();
    }
    if (window.setups().size() != size_t(count)) state.SkipWithError("set-ups lost");
}
BENCHMARK(BM_WindowKeepsOneSetUp)->Arg(kSetups)->Arg(5 * kSetups)->Unit(benchmark::kMillisecond);

// A hundred thousand readings in Readings.csv (6 MB), the window opening on them.
void BM_BeltWindowOpensHundredThousandReadings(benchmark::State& state) {
    ThousandSetups belts;
    const std::filesystem::path log = belts.file().parent_path() / kReadingsFileName;
    {
        std::vector<Reading> readings(100000);
        for (size_t i = 0; i < readings.size(); ++i) {
            readings[i].time = std::chrono::system_clock::from_time_t(1718100000 + long(i));
            readings[i].setup = setupNumber(int(i % 7)).name;
            readings[i].hz = 90 + double(i % 200) * 0.1;
        }
        if (!saveReadingsCsv(log, readings)) std::abort();
    }
    for (auto _ : state) {
        BeltWindow window(*belts.store);
        if (!window.openReadingsFile(log)) state.SkipWithError("log not read");
        window.show();
        QApplication::processEvents();
    }
    long peakKb = 0;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) peakKb = std::stol(line.substr(6));
    state.counters["peak_MB"] = double(peakKb) / 1024;
    state.counters["log_MB"] = double(std::filesystem::file_size(log)) / 1e6;
}
BENCHMARK(BM_BeltWindowOpensHundredThousandReadings)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
