// Start-up and shutdown: a resource that cannot be used ends the program
// before any window shows; a good one gives panels in the start-up order.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/core/uir.h"
#include "app/winmain.h"
#include "tests/support/program_fixture.h"
#include "ui/view/view.h"

namespace lq {
namespace {

const char* const kMinimalData =
    "[DATAP]\nRESOURCE = 1\nWIDTH = 623\nHEIGHT = 623\n"
    "[DATAP DISP_X]\nKIND = \"numeric\"\n";
const char* const kMinimalMainWithTab =
    "[MAINP]\nRESOURCE = 2\n"
    "[MAINP TAB_MAIN1]\nKIND = \"tab\"\nPAGES = 2\nPAGE 1 PANEL = \"TP_CONNECT\"\n"
    "PAGE 2 PANEL = \"TP_ASSIST\"\n"
    "[TP_CONNECT]\nRESOURCE = 3\n[TP_ASSIST]\nRESOURCE = 4\n";

struct BadResource {
    const char* name;
    const char* content;  // nullptr: no file at all
    bool loaderRefuses;   // false: a well-formed file that lacks what the program needs
};

const BadResource kBadResources[] = {
    {"missing", nullptr, true},
    {"empty", "", true},
    {"binary",
     "\x7f"
     "ELF\x02\x01\x01\x00\x00\x00\x00\x00",
     true},
    {"settings file instead", "[GENERAL INFO]\nFILE TYPE: = \"Panel Settings\"\n", true},
    {"only comments", "; [MAINP]\n; RESOURCE = 2\n", true},
    {"unknown panel", "[MAINPANEL]\nRESOURCE = 2\n", true},
    {"resource number of another panel", "[MAINP]\nRESOURCE = 1\n", true},
    {"unknown control", "[MAINP]\nRESOURCE = 2\n[MAINP BUTTON_LAUNCH]\nKIND = \"button\"\n", true},
    {"unknown kind", "[MAINP]\nRESOURCE = 2\n[MAINP BUTTON_SEND]\nKIND = \"knob\"\n", true},
    {"control without kind", "[MAINP]\nRESOURCE = 2\n[MAINP BUTTON_SEND]\nLABEL = \"SEND\"\n",
     true},
    {"control of an unknown panel",
     "[MAINP]\nRESOURCE = 2\n[MAIN BUTTON_SEND]\nKIND = \"button\"\n", true},
    {"control twice",
     "[MAINP]\nRESOURCE = 2\n[MAINP BUTTON_SEND]\nKIND = \"button\"\n"
     "[MAINP BUTTON_SEND]\nKIND = \"button\"\n",
     true},
    {"malformed number",
     "[MAINP]\nRESOURCE = 2\n[MAINP BUTTON_SEND]\nKIND = \"button\"\n"
     "TOP = 6x0\n",
     true},
    {"tab page without its panel",
     "[MAINP]\nRESOURCE = 2\n[MAINP TAB_MAIN1]\nKIND = \"tab\"\n"
     "PAGES = 1\nPAGE 1 PANEL = \"TP_CONNECT\"\n",
     true},
    {"no data panel", kMinimalMainWithTab, false},
    {"no main panel", kMinimalData, false},
};

class BadResourceTest : public ProgramTest, public ::testing::WithParamInterface<BadResource> {};

TEST_P(BadResourceTest, EndsWithMinusOneBeforeAnyPanelShows) {
    const BadResource& c = GetParam();
    const std::string path = dir + "/" + kUirFileName;
    std::filesystem::remove(path);
    if (c.content) std::ofstream(path, std::ios::binary) << c.content;

    UirDocument doc;
    EXPECT_EQ(LoadUir(path, doc) < 0, c.loaderRefuses);

    EXPECT_EQ(WinMain(a), -1);
    EXPECT_TRUE(tp.displayOrder.empty());
    EXPECT_TRUE(tp.popups.empty());
    EXPECT_EQ(tp.dispatchCount, 0);
    EXPECT_FALSE(tp.running);
}

INSTANTIATE_TEST_SUITE_P(Resources, BadResourceTest, ::testing::ValuesIn(kBadResources),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(UirLoader, ReadsTheShippedResource) {
    UirDocument doc;
    ASSERT_EQ(LoadUir(TestUirPath(), doc), 0);
    ASSERT_EQ(doc.panels.size(), 4u);
    const PanelDesc* main = doc.Find(MAINP);
    const PanelDesc* data = doc.Find(DATAP);
    ASSERT_TRUE(main && data);
    EXPECT_EQ(main->width, 1014);
    EXPECT_EQ(main->height, 690);
    EXPECT_EQ(main->top, 30);
    EXPECT_EQ(main->left, 10);
    EXPECT_EQ(main->callback, "CBF_MAINP");
    EXPECT_EQ(data->width, 623);
    EXPECT_EQ(data->height, 623);
    EXPECT_EQ(data->top, 63);
    EXPECT_EQ(data->left, 385);
    EXPECT_EQ(data->title, "DATAPANEL");
    EXPECT_EQ(data->callback, "CBF_DATAP");
    for (int page : {TP_CONNECT, TP_ASSIST}) {
        ASSERT_TRUE(doc.Find(page));
        EXPECT_EQ(doc.Find(page)->width, 372);
        EXPECT_EQ(doc.Find(page)->height, 430);
    }
}

// InitAll with the steps a test can see: what is on screen when the panels
// appear, and the state afterwards.
class StartupTest : public ProgramTest {};

struct ScreenAtDisplay {
    int activePage = -1;
    std::string title;
    int dataTop = 0, dataLeft = 0;
    bool logoVisible = false;
    bool gridPrepared = false;
    std::string settingsPath;
};

TEST_F(StartupTest, InitAllPreparesEverythingBeforeThePanelsShow) {
    LoadPanels();
    a.s.running = 1;
    a.s.sendPending = 1;
    a.s.getPending = 1;
    a.s.language = 5;
    a.s.transferTarget = TARGET_FILE;

    std::vector<ScreenAtDisplay> seen;
    tp.onDisplayPanel = [&](int) {
        ScreenAtDisplay s;
        s.activePage = tp.Ctl(Main(), TAB_MAIN1).activePage;
        s.title = tp.GetPanelTitle(Main());
        s.dataTop = tp.PanelOf(Data())->top;
        s.dataLeft = tp.PanelOf(Data())->left;
        s.logoVisible = tp.Ctl(Main(), PICTURE_1).visible;
        s.gridPrepared =
            tp.Ctl(Assist(), GRID_CTT).builtInMenuHidden &&
            tp.GetTableCellBgColor(Assist(), GRID_CTT, MakePoint(5, 31)) == ColorCycle(30);
        s.settingsPath = a.s.settingsPath;
        seen.push_back(s);
    };
    InitAll(a);

    ASSERT_EQ(tp.displayOrder, (std::vector<int>{Data(), Main()}));
    ASSERT_EQ(seen.size(), 2u);
    for (const ScreenAtDisplay& s : seen) {
        EXPECT_EQ(s.activePage, 1);  // ASSISTANT
        EXPECT_EQ(s.title, "LUMIQUAD TALVERN Kelvo V1.2");
        EXPECT_EQ(s.dataTop, 63);
        EXPECT_EQ(s.dataLeft, 385);
        EXPECT_TRUE(s.logoVisible);
        EXPECT_TRUE(s.gridPrepared);
        EXPECT_EQ(s.settingsPath, dir + "/PanelSettings.cfg");
    }
    EXPECT_TRUE(tp.PanelOf(Main())->displayed);
    EXPECT_TRUE(tp.PanelOf(Data())->displayed);
    EXPECT_EQ(tp.PanelOf(Data())->parent, Main());
    EXPECT_EQ(std::string(a.s.programDir), dir);

    EXPECT_EQ(a.s.running, 0);
    EXPECT_EQ(a.s.sendPending, 0);
    EXPECT_EQ(a.s.getPending, 0);
    EXPECT_EQ(a.s.tcpOpen, 0);
}

TEST_F(StartupTest, TabPagesAreThePagesOfTheTabControl) {
    LoadPanels();
    EXPECT_EQ(tp.PanelOf(Connect())->resource, TP_CONNECT);
    EXPECT_EQ(tp.PanelOf(Assist())->resource, TP_ASSIST);
    EXPECT_EQ(tp.PanelOf(Connect())->parent, Main());
    EXPECT_EQ(tp.PanelOf(Assist())->parent, Main());
}

TEST_F(StartupTest, WinMainRunsUntilTheWindowClosesAndDiscardsThePanels) {
    tp.Queue([&] { tp.PanelEvent(a.s.mainPanel, EVENT_CLOSE); });
    EXPECT_EQ(WinMain(a), 0);
    EXPECT_EQ(tp.quitRequested, 1);
    for (int h : {a.s.mainPanel, a.s.dataPanel, a.s.tpConnect, a.s.tpAssist}) {
        ASSERT_NE(tp.PanelOf(h), nullptr);
        EXPECT_TRUE(tp.PanelOf(h)->discarded);
    }
    EXPECT_FALSE(tp.running);
}

TEST_F(StartupTest, QuitDuringStartUpEndsTheLoopAtOnce) {
    // A quit requested before the loop starts (CLOSE in a start-up popup).
    tp.onDisplayPanel = [&](int panel) {
        if (panel == a.s.mainPanel) tp.QuitUserInterface(0);
    };
    EXPECT_EQ(WinMain(a), 0);
    EXPECT_EQ(tp.loopPasses, 0);
    EXPECT_FALSE(tp.idleExit);
    EXPECT_TRUE(tp.PanelOf(a.s.mainPanel)->discarded);
}

}  // namespace
}  // namespace lq
