// Every test of this program (and every program it starts) keeps its
// settings in a fresh folder of its own, never in the user's.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

struct FreshKeptFolder {
    std::string folder;
    FreshKeptFolder() {
        char pattern[] = "/tmp/skorvia-game-tests-XXXXXX";
        if (mkdtemp(pattern)) folder = pattern;
        setenv("XDG_CONFIG_HOME", folder.empty() ? "/nonexistent/skorvia-tests" : folder.c_str(), 1);
    }
    ~FreshKeptFolder() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
};

const FreshKeptFolder fresh_kept_folder;

}  // namespace
