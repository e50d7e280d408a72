// The kept files on a real file system: where they go, how they are read,
// and that a write replaces a file whole or not at all.
#include "platform/kept_files.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

class KeptFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/skorvia-kept-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override {
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(root);
    }
    std::string read(const std::string& folder, const char* name, ReadOutcome& outcome, const char*& error) {
        char buffer[64];
        size_t size = 0;
        outcome = read_kept_file(folder.c_str(), name, buffer, sizeof buffer, size, error);
        return std::string(buffer, size);
    }
    std::string root;
};

TEST_F(KeptFiles, TheFolderFollowsTheDesktopsRules) {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const std::string saved_xdg = xdg ? xdg : "";
    const std::string saved_home = std::getenv("HOME") ? std::getenv("HOME") : "";
    char folder[MAX_KEPT_PATH];

    setenv("XDG_CONFIG_HOME", "/srv/config", 1);
    ASSERT_TRUE(kept_folder(folder, sizeof folder));
    EXPECT_STREQ(folder, "/srv/config/skorvia");

    setenv("XDG_CONFIG_HOME", "relative/config", 1);  // not a place: HOME decides
    setenv("HOME", "/home/pilot", 1);
    ASSERT_TRUE(kept_folder(folder, sizeof folder));
    EXPECT_STREQ(folder, "/home/pilot/.config/skorvia");

    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_FALSE(kept_folder(folder, sizeof folder));

    if (xdg) setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
    setenv("HOME", saved_home.c_str(), 1);
}

TEST_F(KeptFiles, WrittenIntoNewFoldersAndReadBack) {
    const std::string folder = root + "/a/b/skorvia";
    ReadOutcome outcome;
    const char* error = nullptr;
    read(folder, "settings.txt", outcome, error);
    EXPECT_EQ(outcome, ReadOutcome::Missing);

    ASSERT_EQ(write_kept_file(folder.c_str(), "settings.txt", "volume = 50\n", 12), nullptr);
    EXPECT_EQ(read(folder, "settings.txt", outcome, error), "volume = 50\n");
    EXPECT_EQ(outcome, ReadOutcome::Read);
    ASSERT_EQ(write_kept_file(folder.c_str(), "settings.txt", "volume = 7\n", 11), nullptr);
    EXPECT_EQ(read(folder, "settings.txt", outcome, error), "volume = 7\n");
    // Nothing is left beside it.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST_F(KeptFiles, FailuresAreNamedAndChangeNothing) {
    const std::string folder = root + "/skorvia";
    ASSERT_EQ(write_kept_file(folder.c_str(), "servers.txt", "10.0.0.1\n", 9), nullptr);

    ReadOutcome outcome;
    const char* error = nullptr;
    fs::create_directory(folder + "/settings.txt");  // a folder where the file should be
    read(folder, "settings.txt", outcome, error);
    EXPECT_EQ(outcome, ReadOutcome::Unreadable);
    EXPECT_STREQ(error, "Is a directory");

    std::ofstream(folder + "/big.txt") << std::string(100, 'x');
    read(folder, "big.txt", outcome, error);
    EXPECT_EQ(outcome, ReadOutcome::Unreadable);
    EXPECT_STREQ(error, "too large");

    if (geteuid() != 0) {  // root writes anywhere
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        const char* failed = write_kept_file(folder.c_str(), "servers.txt", "10.0.0.2\n", 9);
        EXPECT_STREQ(failed, "Permission denied");
        EXPECT_EQ(read(folder, "servers.txt", outcome, error), "10.0.0.1\n") << "the old file is whole";
        fs::permissions(folder, fs::perms::owner_all);
    }
    std::ofstream(root + "/file") << "x";
    EXPECT_STREQ(write_kept_file((root + "/file/skorvia").c_str(), "servers.txt", "x", 1), "Not a directory");
}

// A write that fails half-way (here the process may write files of at most
// 16 bytes: the first 16 bytes go out, the rest fails) names the failure,
// leaves the old file whole, and leaves nothing beside it.
TEST_F(KeptFiles, AWriteThatFailsHalfWayLeavesTheOldFileWhole) {
    const std::string folder = root + "/skorvia";
    ASSERT_EQ(write_kept_file(folder.c_str(), "servers.txt", "10.0.0.1\n", 9), nullptr);

    const std::string longer = "10.0.0.2\n203.0.113.7:7777\ngame.example.org:7000\n";
    rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 16;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);  // a plain error instead of the signal
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const char* failed = write_kept_file(folder.c_str(), "servers.txt", longer.data(), longer.size());
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);

    EXPECT_STREQ(failed, "File too large");
    ReadOutcome outcome;
    const char* error = nullptr;
    EXPECT_EQ(read(folder, "servers.txt", outcome, error), "10.0.0.1\n") << "the old file is whole";
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1) << "nothing is left beside it";
}

}  // namespace
