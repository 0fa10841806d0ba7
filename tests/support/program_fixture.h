// A fresh application over a fresh test double for every test. The
// program's directory is a temporary folder holding a copy of the resource,
// so settings files written by a test never meet another test's, and COM
// ports are looked up in that folder, so no real serial device is touched.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "app/winmain.h"
#include "tests/support/test_platform.h"
#include "ui/screen_events.h"

namespace lq {

class ProgramTest : public ::testing::Test {
  protected:
    TestPlatform tp;
    ScreenApp a{tp};
    std::string dir;

    void SetUp() override {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lq_prog_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        std::filesystem::copy_file(TestUirPath(), dir + "/" + kUirFileName);
        tp.projectDir = dir;
        CopyText(a.dev.deviceDir, dir);
    }

    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }

    // LoadProgramPanels over the copied resource.
    void LoadPanels() { ASSERT_EQ(LoadProgramPanels(a, dir + "/" + kUirFileName), 0); }

    int Main() const { return a.s.mainPanel; }
    int Data() const { return a.s.dataPanel; }
    int Connect() const { return a.s.tpConnect; }
    int Assist() const { return a.s.tpAssist; }
};

}  // namespace lq
