// Finding the data directory: the override, the installed directory found from
// the executable's folder, and staying in the working directory otherwise.
#include "datadir.h"
#include <gtest/gtest.h>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string cwd()
{
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? buf : "";
}

// A scratch tree laid out like an installation:
//   <root>/games/                    the executable's folder
//   <root>/share/games/vorlin/data/vorlin.dat
//   <root>/empty/                    a folder holding nothing
//   <root>/dironly/data/vorlin.dat/  a directory where the archive should be
class DataDir : public ::testing::Test {
protected:
    std::string root;
    std::string start;

    void SetUp() override
    {
        char tmpl[] = "/tmp/vorlin_datadir_XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        for (const char* d : {"/games", "/share", "/share/games", "/share/games/vorlin", "/share/games/vorlin/data",
                 "/empty", "/dironly", "/dironly/data", "/dironly/data/vorlin.dat"})
            ASSERT_EQ(mkdir((root + d).c_str(), 0755), 0) << d;
        std::ofstream(root + "/share/games/vorlin/data/vorlin.dat") << "x";
        start = cwd();
        unsetenv(DATA_DIR_VARIABLE);
    }

    void TearDown() override
    {
        ASSERT_EQ(chdir(start.c_str()), 0);
        unsetenv(DATA_DIR_VARIABLE);
        std::filesystem::remove_all(root);
    }
};

TEST_F(DataDir, ChoosesOverrideThenInstalledThenWorkingDirectory)
{
    const std::string installed = root + "/share/games/vorlin";
    struct Case {
        const char* what;
        const char* override_dir;
        std::string exe_dir;
        std::string installed_dir;
        std::string expected;
    };
    const Case cases[] = {
        {"override wins even when it holds nothing", "/nonexistent/place", root + "/games", "../share/games/vorlin",
            "/nonexistent/place"},
        {"an empty override counts as unset", "", root + "/games", "../share/games/vorlin",
            root + "/games/../share/games/vorlin"},
        {"installed, relative to the executable", nullptr, root + "/games", "../share/games/vorlin",
            root + "/games/../share/games/vorlin"},
        {"installed, absolute", nullptr, "", installed, installed},
        {"no archive where the installation should be: stay", nullptr, root + "/games", "../empty", ""},
        {"executable's folder unknown: stay", nullptr, "", "../share/games/vorlin", ""},
        {"nothing installed: stay", nullptr, root + "/games", "", ""},
        {"a directory named like the archive is no archive", nullptr, "", root + "/dironly", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(choose_data_directory(c.override_dir, c.exe_dir, c.installed_dir), c.expected) << c.what;
}

TEST_F(DataDir, EntersTheOverrideOrReportsItMissing)
{
    setenv(DATA_DIR_VARIABLE, (root + "/share/games/vorlin").c_str(), 1);
    enter_data_directory();
    EXPECT_FALSE(data_directory_missing());
    EXPECT_EQ(access(DATA_DIR_MARKER, R_OK), 0) << "the archive opens by its relative name";

    ASSERT_EQ(chdir(start.c_str()), 0);
    setenv(DATA_DIR_VARIABLE, (root + "/not-there").c_str(), 1);
    enter_data_directory();
    EXPECT_TRUE(data_directory_missing());
    EXPECT_EQ(cwd(), start) << "a missing override leaves the working directory alone";
}

TEST_F(DataDir, StaysInTheWorkingDirectoryWhenNothingIsInstalled)
{
    // The test programs live in the build tree, where nothing is installed
    // beside them: the game run from there keeps the folder it was started in.
    ASSERT_EQ(chdir((root + "/empty").c_str()), 0);
    const std::string here = cwd();
    enter_data_directory();
    EXPECT_FALSE(data_directory_missing());
    EXPECT_EQ(cwd(), here);
}

TEST_F(DataDir, AnchorsRelativePathsToTheWorkingDirectory)
{
    ASSERT_EQ(chdir((root + "/empty").c_str()), 0);
    const std::string here = cwd();
    EXPECT_EQ(absolute_from_here("c:\\vorlin-settings.cfg"), here + "/c:\\vorlin-settings.cfg");
    EXPECT_EQ(absolute_from_here("home/vorlin-settings.cfg"), here + "/home/vorlin-settings.cfg");
    EXPECT_EQ(absolute_from_here("/home/p/vorlin-settings.cfg"), "/home/p/vorlin-settings.cfg");
}

}  // namespace
