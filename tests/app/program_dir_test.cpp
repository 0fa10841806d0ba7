// Where the settings file and the default parameter file live: beside a
// program whose folder may be written, else in the per-user folder, which
// the first store creates.
#include "app/core/program_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "app/winmain.h"
#include "data/settings_doc.h"
#include "tests/support/program_fixture.h"
#include "ui/settings.h"

namespace lq {
namespace {

TEST(ChooseProgramDir, Rule) {
    struct Case {
        const char* name;
        bool writable;
        const char* xdg;
        const char* home;
        const char* want;
    };
    const Case cases[] = {
        {"writable folder wins over the environment", true, "/x/cfg", "/home/op", "/opt/lq"},
        {"XDG_CONFIG_HOME", false, "/x/cfg", "/home/op", "/x/cfg/lumiquad"},
        {"XDG_CONFIG_HOME with a trailing slash", false, "/x/cfg//", "/home/op", "/x/cfg/lumiquad"},
        {"unset XDG_CONFIG_HOME", false, nullptr, "/home/op", "/home/op/.config/lumiquad"},
        {"empty XDG_CONFIG_HOME", false, "", "/home/op", "/home/op/.config/lumiquad"},
        {"relative XDG_CONFIG_HOME is ignored", false, "cfg", "/home/op/",
         "/home/op/.config/lumiquad"},
        {"home is the root", false, nullptr, "/", "/.config/lumiquad"},
        {"no usable home: beside the program", false, nullptr, "", "/opt/lq"},
        {"no home at all", false, nullptr, nullptr, "/opt/lq"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChooseProgramDir("/opt/lq", c.writable, c.xdg, c.home), c.want);
    }
}

class ProgramDirTest : public ProgramTest {
  protected:
    std::optional<std::string> savedXdg;

    void SetUp() override {
        ProgramTest::SetUp();
        if (const char* x = getenv("XDG_CONFIG_HOME")) savedXdg = x;
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
    }
    void TearDown() override {
        if (savedXdg)
            setenv("XDG_CONFIG_HOME", savedXdg->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        ProgramTest::TearDown();
    }
};

TEST_F(ProgramDirTest, AWritableProgramFolderKeepsTheFiles) {
    EXPECT_EQ(ProgramDir(dir), dir);
}

// A folder the program may not write, as for an installed program; root may
// write every existing folder, so a missing one stands in for it here.
TEST_F(ProgramDirTest, AnInstalledProgramUsesThePerUserFolderCreatedOnTheFirstStore) {
    LoadPanels();
    tp.projectDir = dir + "/usr/libexec/lumiquad";
    const std::string user = dir + "/config/lumiquad";
    InitAll(a);
    EXPECT_EQ(std::string(a.s.programDir), user);
    EXPECT_EQ(std::string(a.s.settingsPath), user + "/PanelSettings.cfg");
    EXPECT_EQ(std::string(a.s.paraFilePath), user + "/Parameter.ini");
    EXPECT_FALSE(std::filesystem::exists(dir + "/config"));  // nothing stored yet

    tp.SetCtrlVal(a.s.mainPanel, EDIT_SELECT_LANGUAGE, 3);
    StorePanelSettings(a);
    struct stat st {};
    ASSERT_EQ(stat(user.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    PanelSettingsData d;
    ASSERT_TRUE(ReadPanelSettingsFile(user + "/PanelSettings.cfg", d));
    ASSERT_TRUE(d.language);
    EXPECT_EQ(*d.language, 3);
    EXPECT_FALSE(std::filesystem::exists(tp.projectDir));
}

TEST(MakeProgramDir, CreatesMissingParentsAndAcceptsAnExistingFolder) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "lq_mkdir_XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    const std::string deep = tmpl + "/a/b/lumiquad";
    EXPECT_TRUE(MakeProgramDir(deep));
    EXPECT_TRUE(std::filesystem::is_directory(deep));
    EXPECT_TRUE(MakeProgramDir(deep));
    // A file where the folder should be is no folder.
    const std::string file = tmpl + "/a/plain";
    {
        std::FILE* f = std::fopen(file.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }
    EXPECT_FALSE(MakeProgramDir(file));
    EXPECT_FALSE(MakeProgramDir(file + "/lumiquad"));
    std::filesystem::remove_all(tmpl);
}

}  // namespace
}  // namespace lq
