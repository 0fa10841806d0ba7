// A fresh application on the test double with the program's panels loaded,
// a temporary project directory, and the drop-down attached to the host field.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/session_state.h"
#include "app/winmain.h"
#include "tests/support/test_platform.h"
#include "ui/callbacks.h"
#include "ui/combo.h"
#include "ui/screen_events.h"

namespace lq::testing_files {

struct TempDir {
    std::string path;
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "lqfiles.XXXXXX").string();
        path = mkdtemp(tmpl.data()) ? tmpl : std::string();
    }
    ~TempDir() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << text;
}

// Replaces the first occurrence of `from` (after `after`, when given) by `to`.
inline std::string Replace(std::string text, const std::string& from, const std::string& to,
                           const std::string& after = "") {
    const size_t start = after.empty() ? 0 : text.find(after);
    const size_t at = text.find(from, start == std::string::npos ? 0 : start);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// One run of the program's user interface (without the event loop).
struct Session {
    TestPlatform p;
    std::unique_ptr<ScreenApp> a;

    explicit Session(const std::string& dir) {
        p.projectDir = dir;
        a = std::make_unique<ScreenApp>(p);
        p.SetCallbackResolver(&ProgramCallbacks(), a.get());
        EXPECT_EQ(LoadProgramPanels(*a, TestUirPath()), 0);
        CopyText(a->s.programDir, dir);
        CopyText(a->s.settingsPath, dir + "/PanelSettings.cfg");
        EXPECT_EQ(Combo_NewComboBox(*a, a->s.tpConnect, STRING_IP_ADRESS), STRING_IP_ADRESS);
    }
    ~Session() { a.reset(); }

    int tp() const { return a->s.tpConnect; }
    int mp() const { return a->s.mainPanel; }

    std::vector<std::string> Hosts() { return Combo_GetItems(*a, tp(), STRING_IP_ADRESS); }
    void SetHosts(const std::vector<std::string>& hosts) {
        Combo_DeleteComboItem(*a, tp(), STRING_IP_ADRESS, 0, -1);
        for (size_t i = 0; i < hosts.size(); ++i)
            Combo_InsertComboItem(*a, tp(), STRING_IP_ADRESS, static_cast<int>(i), hosts[i]);
    }
    DropDownHooks* HostHooks() { return p.Ctl(tp(), STRING_IP_ADRESS).dropDown; }
    std::vector<PopupRecord> PopupsOf(const std::string& kind) const {
        std::vector<PopupRecord> out;
        for (const auto& r : p.popups)
            if (r.kind == kind) out.push_back(r);
        return out;
    }
};

class FilesTest : public ::testing::Test {
  protected:
    TempDir dir;
    std::unique_ptr<Session> s = std::make_unique<Session>(dir.path);
    App& a() { return *s->a; }
    TestPlatform& p() { return s->p; }
    // A second start of the program on the same project directory.
    void Restart() {
        s.reset();
        s = std::make_unique<Session>(dir.path);
    }
};

}  // namespace lq::testing_files
