// pitch_material FOLDER [PLUCKS]: writes the precise estimator's synthetic test material
// as WAVE files (8-bit mono, 22050 per second) for comparisons with other estimators,
// and FOLDER/truth.tsv: file <TAB> kind <TAB> fundamental in Hz (0: no pitch expected).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/pitch_synth.h"
#include "wave/recorder_wave.h"

namespace {

constexpr double kRate = 22050;

void putWave(const std::filesystem::path& path, const std::vector<uint8_t>& samples) {
    const std::vector<uint8_t> file = vellora::pcmWaveFile(samples, uint32_t(kRate));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pitch_material FOLDER [PLUCKS]\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const int plucks = argc > 2 ? std::atoi(argv[2]) : 1000;
    std::filesystem::create_directories(dir);
    std::ofstream truth(dir / "truth.tsv");
    vellora::synth::Random random(20240611);
    char name[64];
    for (int i = 0; i < plucks; ++i) {
        const double f = random.logUniform(40, 400);
        const auto p = vellora::synth::randomBelt(random, f, kRate);
        std::snprintf(name, sizeof name, "pluck%04d.wav", i);
        putWave(dir / name, vellora::synth::render(p, random));
        truth << name << "\tpluck\t" << f << "\n";
    }
    int i = 0;
    for (double f = 40; f <= 400; f *= 1.071, ++i) {
        std::snprintf(name, sizeof name, "tone%03d.wav", i);
        putWave(dir / name, vellora::synth::pureTone(f, kRate));
        truth << name << "\ttone\t" << f << "\n";
    }
    for (i = 0; i < 50; ++i) {
        std::snprintf(name, sizeof name, "noise%03d.wav", i);
        putWave(dir / name, vellora::synth::noise(random, i == 0 ? 0 : random.uniform(0.5, 60)));
        truth << name << "\tnoise\t0\n";
    }
    return truth ? 0 : 1;
}
