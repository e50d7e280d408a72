// skorvia-sounds: writes the game's six synthesised sounds as 48 kHz WAV
// files, with a sonogram picture of each, for listening and looking.
//   skorvia-sounds [FOLDER]    (default build/sounds)
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "audio/sounds.h"
#include "sonogram.h"
#include "wav.h"

namespace {

constexpr const char* USAGE = "usage: skorvia-sounds [--help] [FOLDER]   (FOLDER defaults to build/sounds)\n";
constexpr const char* NAMES[SOUND_COUNT] = {"0-engine", "1-shot", "2-impact", "3-hit", "4-win", "5-chime"};

// 0 to go on, otherwise the exit status.
int read_arguments(int argc, char** argv, std::string& folder) {
    bool have_folder = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(USAGE, stdout);
            return -1;
        }
        if (arg[0] == '-') {
            std::fprintf(stderr, "error: unknown option '%s'\n%s", arg, USAGE);
            return 2;
        }
        if (have_folder) {
            std::fprintf(stderr, "error: more than one folder: '%s'\n%s", arg, USAGE);
            return 2;
        }
        folder = arg;
        have_folder = true;
    }
    return 0;
}

bool write_sound(const std::string& folder, const SoundBank& bank, int k) {
    const SoundView s = sound_view(bank, k);
    const std::string base = folder + "/" + NAMES[k];
    const std::string wav = base + ".wav", png = base + ".png";
    if (!write_wav(wav.c_str(), s.samples, s.count, SOUND_RATE)) {
        std::fprintf(stderr, "error: can't write %s\n", wav.c_str());
        return false;
    }
    if (!write_sonogram(png.c_str(), s.samples, s.count, SOUND_RATE)) {
        std::fprintf(stderr, "error: can't write %s\n", png.c_str());
        return false;
    }
    std::printf("%s.wav  %u samples, %.3f s, peak %.2f\n", base.c_str(), s.count,
                static_cast<double>(s.count) / SOUND_RATE, static_cast<double>(SOUND_PEAKS[k]));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = "build/sounds";
    if (int status = read_arguments(argc, argv, folder); status != 0) return status < 0 ? 0 : status;

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "error: can't make the folder %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    auto bank = std::make_unique<SoundBank>();
    synthesize_sounds(*bank);
    for (int k = 0; k < SOUND_COUNT; ++k) {
        if (!write_sound(folder, *bank, k)) return 1;
    }
    std::printf("sound bank hash 0x%016" PRIx64 "\n", sound_bank_hash(*bank));
    return 0;
}
