// Restoring and storing PanelSettings.cfg.
#include "files_fixture.h"
#include "ui/connect_tab.h"
#include "ui/settings.h"

namespace lq {
namespace {

using testing_files::FilesTest;
using testing_files::ReadFile;
using testing_files::Replace;
using testing_files::WriteFile;

class SettingsTest : public FilesTest {
  protected:
    std::string path() { return a().s.settingsPath; }
    void Start() {
        LoadPanelSettings(a());
        GetConnectionSettingsFromFile(a());
    }
    // A settings file of the given sections (after the valid GENERAL INFO).
    void WriteSettings(const std::string& body, const std::string& type = "Panel Settings") {
        WriteFile(path(), "[GENERAL INFO]\r\nFILE TYPE: = \"" + type +
                              "\"\r\nKELVO VERSION: = \"LUMIQUAD TALVERN Kelvo V1.2\"\r\n\r\n" +
                              body);
    }
    struct Geometry {
        int zoom, top, left, height, width;
    };
    Geometry Window() {
        Geometry g{};
        g.zoom = p().GetPanelZoomState(s->mp());
        p().GetPanelPos(s->mp(), g.top, g.left);
        p().GetPanelSize(s->mp(), g.height, g.width);
        return g;
    }
    void ExpectDefaultsApplied(const Geometry& resourcePlace) {
        EXPECT_EQ(std::string(a().s.paraFilePath), dir / "Parameter.ini");
        EXPECT_EQ(a().s.language, 0);
        EXPECT_TRUE(s->Hosts().empty());
        const LinkSettings& l = a().s.link;
        EXPECT_EQ(l.protocol, 0);
        EXPECT_EQ(l.comPort, 1);
        EXPECT_EQ(l.baudIndex, 4);
        EXPECT_STREQ(l.host, "");
        EXPECT_STREQ(l.tcpPortText, "5000");
        EXPECT_EQ(p().GetCtrlValInt(s->tp(), EDIT_SELECT_BAUDRATE), 4);
        EXPECT_EQ(p().GetCtrlValString(s->tp(), STRING_PORT_NUMBER), "5000");
        const Geometry g = Window();
        EXPECT_EQ(g.top, resourcePlace.top);
        EXPECT_EQ(g.left, resourcePlace.left);
        EXPECT_EQ(g.width, resourcePlace.width);
        EXPECT_EQ(g.zoom, ZOOM_NORMAL);
    }
};

TEST_F(SettingsTest, NoFileGivesTheDefaults) {
    const Geometry before = Window();
    Start();
    ExpectDefaultsApplied(before);
}

TEST_F(SettingsTest, AFileOfAnotherTypeIsIgnoredAndOverwrittenAtTheNextStore) {
    WriteSettings(
        "[GENERAL SETTINGS]\r\nSELECTED LANGUAGE = 3\r\n\r\n"
        "[COMMUNICATION SETTINGS]\r\nCOMPORT = 9\r\n\r\n",
        "Parameter File");
    const Geometry before = Window();
    Start();
    ExpectDefaultsApplied(before);
    StorePanelSettings(a());
    const std::string text = ReadFile(path());
    EXPECT_EQ(text.rfind("[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n", 0), 0u);
    EXPECT_NE(text.find("COMPORT = 1\r\n"), std::string::npos);
}

TEST_F(SettingsTest, GarbageAndBinaryFilesGiveTheDefaults) {
    const Geometry before = Window();
    std::string binary;
    for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 91) & 0xFF);
    for (const std::string& text : {binary, std::string(4000, '['), std::string("\0\r\n=", 4)}) {
        WriteFile(path(), text);
        Start();
        ExpectDefaultsApplied(before);
    }
}

TEST_F(SettingsTest, FullscreenTwoMaximisesWhateverThePlace) {
    WriteSettings(
        "[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 2\r\nMAINPANEL LEFT = 300\r\n"
        "MAINPANEL TOP = 200\r\nMAINPANEL WIDTH = 500\r\nMAINPANEL HEIGHT = 400\r\n\r\n");
    Start();
    EXPECT_EQ(Window().zoom, ZOOM_MAXIMIZED);
}

TEST_F(SettingsTest, MissingWidthTakesItsDefault) {
    WriteSettings(
        "[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = 33\r\n"
        "MAINPANEL TOP = 44\r\nMAINPANEL HEIGHT = 555\r\n\r\n");
    Start();
    const Geometry g = Window();
    EXPECT_EQ(g.zoom, ZOOM_NORMAL);
    EXPECT_EQ(g.left, 33);
    EXPECT_EQ(g.top, 44);
    EXPECT_EQ(g.width, 1014);
    EXPECT_EQ(g.height, 555);
}

TEST_F(SettingsTest, WithoutFullscreenTheWindowKeepsTheResourcePlace) {
    const Geometry before = Window();
    WriteSettings(
        "[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = max\r\nMAINPANEL LEFT = 33\r\n"
        "MAINPANEL TOP = 44\r\nMAINPANEL WIDTH = 800\r\nMAINPANEL HEIGHT = 555\r\n\r\n");
    Start();
    const Geometry g = Window();
    EXPECT_EQ(g.left, before.left);
    EXPECT_EQ(g.top, before.top);
    EXPECT_EQ(g.width, before.width);
    EXPECT_EQ(g.height, before.height);
}

TEST_F(SettingsTest, AWindowOffEveryScreenComesBackToThePrimaryScreen) {
    int top = 0, left = 0, height = 0, width = 0;
    p().GetScreenRect(0, top, left, height, width);
    ASSERT_GT(p().ScreenCount(), 0);
    WriteSettings("[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = " +
                  std::to_string(left + width + 5000) +
                  "\r\nMAINPANEL TOP = -20000\r\n"
                  "MAINPANEL WIDTH = 800\r\nMAINPANEL HEIGHT = 600\r\n\r\n");
    Start();
    const Geometry g = Window();
    EXPECT_EQ(g.left, left + 10);
    EXPECT_EQ(g.top, top + 40);
    EXPECT_EQ(g.width, 800);
    EXPECT_EQ(g.height, 600);
}

TEST_F(SettingsTest, AWindowPartlyOnScreenStaysWhereItWas) {
    int top = 0, left = 0, height = 0, width = 0;
    p().GetScreenRect(0, top, left, height, width);
    WriteSettings("[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = " +
                  std::to_string(left - 700) + "\r\nMAINPANEL TOP = " + std::to_string(top + 5) +
                  "\r\nMAINPANEL WIDTH = 800\r\nMAINPANEL HEIGHT = 600\r\n\r\n");
    Start();
    EXPECT_EQ(Window().left, left - 700);
}

TEST_F(SettingsTest, ASizeBeyondTheScreenIsBoundedByIt) {
    int top = 0, left = 0, height = 0, width = 0;
    p().GetScreenRect(0, top, left, height, width);
    ASSERT_EQ(p().ScreenCount(), 1);
    struct Case {
        const char* name;
        int left, top, width, height;  // stored
        int wantLeft, wantTop, wantWidth, wantHeight;
    };
    const Case cases[] = {
        // Off the screen and larger than it: back on it, filling it.
        {"huge and far away", 100000, 100000, 30000, 30000, left, top, width, height},
        {"huge at the origin", left, top, 30000, 30000, left, top, width, height},
        // Only the overlong width reached the screen: once bounded the window
        // would lie off it, so it comes back to the default place.
        {"wide, reaching in from the left", left - 29000, top + 5, 30000, 600, left, top + 40,
         width, 600},
        {"a little too large stays where it was", left + 100, top + 100, width + 80, height + 20,
         left + 100, top + 100, width, height},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings("[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = " +
                      std::to_string(c.left) + "\r\nMAINPANEL TOP = " + std::to_string(c.top) +
                      "\r\nMAINPANEL WIDTH = " + std::to_string(c.width) +
                      "\r\nMAINPANEL HEIGHT = " + std::to_string(c.height) + "\r\n\r\n");
        Start();
        const Geometry g = Window();
        EXPECT_EQ(g.left, c.wantLeft);
        EXPECT_EQ(g.top, c.wantTop);
        EXPECT_EQ(g.width, c.wantWidth);
        EXPECT_EQ(g.height, c.wantHeight);
    }
}

struct LanguageCase {
    const char* name;
    std::string value;
    int before, after;
};
class SettingsLanguageTest : public SettingsTest,
                             public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(SettingsLanguageTest, OnlyALanguageIndexIsTaken) {
    const LanguageCase& c = GetParam();
    a().s.language = c.before;
    WriteSettings("[GENERAL SETTINGS]\r\nSELECTED LANGUAGE = " + c.value + "\r\n\r\n");
    Start();
    EXPECT_EQ(a().s.language, c.after);
    EXPECT_EQ(p().GetCtrlValInt(s->mp(), EDIT_SELECT_LANGUAGE), c.after);
}

INSTANTIATE_TEST_SUITE_P(Values, SettingsLanguageTest,
                         ::testing::Values(LanguageCase{"Polish", "6", 0, 6},
                                           LanguageCase{"Seven", "7", 2, 2},
                                           LanguageCase{"Negative", "-1", 3, 3},
                                           LanguageCase{"NotANumber", "en", 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, AtMostTenHostsAreRestored) {
    std::string body = "[IP ADDRESSES]\r\nLIST ITEMS = 15\r\n";
    for (int i = 1; i <= 15; ++i)
        body += "IP ADDR " + std::to_string(i) + " = \"host" + std::to_string(i) + "\"\r\n";
    WriteSettings(body + "\r\n");
    Start();
    const auto hosts = s->Hosts();
    ASSERT_EQ(hosts.size(), 10u);
    EXPECT_EQ(hosts.front(), "host1");
    EXPECT_EQ(hosts.back(), "host10");
}

TEST_F(SettingsTest, AMissingHostEntryIsSkipped) {
    WriteSettings(
        "[IP ADDRESSES]\r\nLIST ITEMS = 3\r\nIP ADDR 1 = \"first\"\r\nIP ADDR 3 = "
        "\"third\"\r\n\r\n");
    Start();
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{"first", "third"}));
}

TEST_F(SettingsTest, CommittedHostsComeBackNewestFirstAtTheNextStart) {
    Start();
    p().Operate(s->tp(), EDIT_COM_PROTOCOL, 1);
    p().OperateText(s->tp(), STRING_IP_ADRESS, "A");
    p().OperateText(s->tp(), STRING_IP_ADRESS, "B");
    StorePanelSettings(a());
    const std::string text = ReadFile(path());
    EXPECT_NE(text.find("[IP ADDRESSES]\r\nLIST ITEMS = 2\r\nIP ADDR 1 = \"B\"\r\nIP ADDR 2 = "
                        "\"A\"\r\n\r\n"),
              std::string::npos)
        << text;

    Restart();
    Start();
    InitConnectPanel(a());
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(p().GetCtrlValString(s->tp(), STRING_IP_ADRESS), "B");
    EXPECT_EQ(a().s.link.protocol, 1);
    EXPECT_TRUE(p().GetCtrlVisible(s->tp(), STRING_IP_ADRESS));
}

TEST_F(SettingsTest, StoreWritesTheSixSectionsInOrder) {
    Start();
    p().SetPanelPos(s->mp(), 70, 80);
    p().SetPanelSize(s->mp(), 600, 900);
    p().Operate(s->mp(), EDIT_SELECT_LANGUAGE, 5);
    CopyText(a().s.paraFilePath, "/data/C:\\odd\\Parameter.ini");
    p().Operate(s->tp(), EDIT_SELECT_COM_PORT, 7);
    p().Operate(s->tp(), EDIT_SELECT_BAUDRATE, 6);
    p().SetCtrlVal(s->tp(), STRING_PORT_NUMBER, std::string_view("5001"));
    StorePanelSettings(a());
    EXPECT_EQ(ReadFile(path()),
              "[GENERAL INFO]\r\nFILE TYPE: = \"Panel Settings\"\r\n"
              "KELVO VERSION: = \"LUMIQUAD TALVERN Kelvo V1.2\"\r\n\r\n"
              "[PANEL POSITION]\r\nMAINPANEL FULLSCREEN = 0\r\nMAINPANEL LEFT = 80\r\n"
              "MAINPANEL TOP = 70\r\nMAINPANEL WIDTH = 900\r\nMAINPANEL HEIGHT = 600\r\n\r\n"
              "[GENERAL SETTINGS]\r\nSELECTED LANGUAGE = 5\r\n\r\n"
              "[DIRECTORIES]\r\nPARAMETER FILE = \"/data/C:\\\\odd\\\\Parameter.ini\"\r\n\r\n"
              "[IP ADDRESSES]\r\nLIST ITEMS = 0\r\n\r\n"
              "[COMMUNICATION SETTINGS]\r\nCOMPROTOCOL = 0\r\nCOMPORT = 7\r\nBAUDRATE = 6\r\n"
              "IP ADRESS = \"\"\r\nPORT NUMBER = \"5001\"\r\n\r\n");
    EXPECT_EQ(a().s.language, 5);
    EXPECT_EQ(a().s.link.comPort, 7);
}

TEST_F(SettingsTest, ALongParameterFilePathSurvivesTheRoundTrip) {
    std::string longPath = dir.path;
    while (longPath.size() < 190) longPath += "/deeper";
    longPath = (longPath + "/Parameter-file-name-padding-xx.ini").substr(0, 200);
    ASSERT_EQ(longPath.size(), 200u);
    CopyText(a().s.paraFilePath, longPath);
    StorePanelSettings(a());
    const std::string text = ReadFile(path());
    EXPECT_NE(text.find("PARAMETER FILE Line0001 = \""), std::string::npos);
    EXPECT_NE(text.find("PARAMETER FILE Line0003 = \""), std::string::npos);
    Restart();
    Start();
    EXPECT_EQ(std::string(a().s.paraFilePath), longPath);
}

TEST_F(SettingsTest, AMissingParameterFileLeavesTheProgramDirectory) {
    WriteSettings("[GENERAL SETTINGS]\r\nSELECTED LANGUAGE = 1\r\n\r\n");
    Start();
    EXPECT_EQ(std::string(a().s.paraFilePath), dir.path);
}

struct LinkCase {
    const char* name;
    std::string body;
    uint16_t protocol, comPort, baudIndex;
    std::string host, port;
};
class SettingsLinkTest : public SettingsTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(SettingsLinkTest, EachValueOrItsFallbackReachesLinkAndFields) {
    const LinkCase& c = GetParam();
    WriteSettings("[COMMUNICATION SETTINGS]\r\n" + c.body + "\r\n");
    Start();
    const LinkSettings& l = a().s.link;
    EXPECT_EQ(l.protocol, c.protocol);
    EXPECT_EQ(l.comPort, c.comPort);
    EXPECT_EQ(l.baudIndex, c.baudIndex);
    EXPECT_EQ(std::string(l.host), c.host);
    EXPECT_EQ(std::string(l.tcpPortText), c.port);
    EXPECT_EQ(p().GetCtrlValInt(s->tp(), EDIT_COM_PROTOCOL), c.protocol);
    EXPECT_EQ(p().GetCtrlValInt(s->tp(), EDIT_SELECT_COM_PORT), c.comPort);
    EXPECT_EQ(p().GetCtrlValInt(s->tp(), EDIT_SELECT_BAUDRATE), c.baudIndex);
    EXPECT_EQ(p().GetCtrlValString(s->tp(), STRING_IP_ADRESS), c.host.substr(0, 255));
    EXPECT_EQ(p().GetCtrlValString(s->tp(), STRING_PORT_NUMBER), c.port);
    EXPECT_TRUE(p().errors.empty()) << p().errors.front();
}

INSTANTIATE_TEST_SUITE_P(
    Values, SettingsLinkTest,
    ::testing::Values(
        LinkCase{"AllGiven",
                 "COMPROTOCOL = 1\r\nCOMPORT = 12\r\nBAUDRATE = 2\r\nIP ADRESS = "
                 "\"sensor.local\"\r\nPORT NUMBER = \"6000\"\r\n",
                 1, 12, 2, "sensor.local", "6000"},
        LinkCase{"LowSixteenBits", "COMPROTOCOL = 65537\r\nCOMPORT = 65539\r\nBAUDRATE = 65541\r\n",
                 1, 3, 5, "", "5000"},
        // The ring cannot show 921600 baud (7) nor anything else outside 0 ... 6:
        // the link and the ring both take 115200.
        LinkCase{"BaudSevenShowsTheDefault", "BAUDRATE = 7\r\n", 0, 1, 4, "", "5000"},
        LinkCase{"OutOfRangeFallBack", "COMPROTOCOL = 2\r\nCOMPORT = 0\r\nBAUDRATE = -1\r\n", 0, 1,
                 4, "", "5000"},
        LinkCase{"NotNumbers", "COMPROTOCOL = tcp\r\nCOMPORT = 1.5\r\nBAUDRATE = \r\n", 0, 1, 4, "",
                 "5000"},
        LinkCase{"EmptyPortTextStays", "PORT NUMBER = \"\"\r\n", 0, 1, 4, "", ""},
        LinkCase{"LongTextsAreCut",
                 "IP ADRESS = \"" + std::string(300, 'h') + "\"\r\nPORT NUMBER = \"" +
                     std::string(40, '9') + "\"\r\n",
                 0, 1, 4, std::string(255, 'h'), std::string(31, '9')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsTest, FieldsChangedAfterAcceptAreStoredAtClose) {
    Start();
    p().Commit(s->tp(), BUTTON_ACCEPT);
    p().Operate(s->tp(), EDIT_SELECT_COM_PORT, 42);
    StorePanelSettings(a());
    EXPECT_NE(ReadFile(path()).find("COMPORT = 42\r\n"), std::string::npos);
}

}  // namespace
}  // namespace lq
