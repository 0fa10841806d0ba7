// The CONNECT page: visibility by protocol, ACCEPT dimming, the host history,
// the serial-port listing and ACCEPT SETTINGS.
#include "ui/connect_tab.h"

#include <pty.h>
#include <unistd.h>

#include "files_fixture.h"

namespace lq {
namespace {

using testing_files::FilesTest;

class ConnectTabTest : public FilesTest {
  protected:
    int tp() { return s->tp(); }
    bool Visible(int ctrl) { return p().GetCtrlVisible(tp(), ctrl); }
    bool AcceptDimmed() { return p().GetCtrlDimmed(tp(), BUTTON_ACCEPT); }
    void Commit(const std::string& host) { p().OperateText(tp(), STRING_IP_ADRESS, host); }
};

TEST_F(ConnectTabTest, ProtocolDecidesWhichFieldsShowAndValuesStay) {
    p().SetCtrlVal(tp(), EDIT_SELECT_COM_PORT, 5);
    p().SetCtrlVal(tp(), EDIT_SELECT_BAUDRATE, 2);
    p().SetCtrlVal(tp(), STRING_IP_ADRESS, std::string_view("10.0.0.9"));
    p().SetCtrlVal(tp(), STRING_PORT_NUMBER, std::string_view("5005"));

    p().Operate(tp(), EDIT_COM_PROTOCOL, 1);
    EXPECT_EQ(a().s.link.protocol, 1);
    EXPECT_FALSE(Visible(EDIT_SELECT_COM_PORT));
    EXPECT_FALSE(Visible(EDIT_SELECT_BAUDRATE));
    EXPECT_TRUE(Visible(STRING_IP_ADRESS));
    EXPECT_TRUE(p().Ctl(tp(), STRING_IP_ADRESS).dropDownVisible);
    EXPECT_TRUE(Visible(STRING_PORT_NUMBER));

    p().Operate(tp(), EDIT_COM_PROTOCOL, 0);
    EXPECT_EQ(a().s.link.protocol, 0);
    EXPECT_TRUE(Visible(EDIT_SELECT_COM_PORT));
    EXPECT_TRUE(Visible(EDIT_SELECT_BAUDRATE));
    EXPECT_FALSE(Visible(STRING_IP_ADRESS));
    EXPECT_FALSE(p().Ctl(tp(), STRING_IP_ADRESS).dropDownVisible);
    EXPECT_FALSE(Visible(STRING_PORT_NUMBER));

    EXPECT_EQ(p().GetCtrlValInt(tp(), EDIT_SELECT_COM_PORT), 5);
    EXPECT_EQ(p().GetCtrlValInt(tp(), EDIT_SELECT_BAUDRATE), 2);
    EXPECT_EQ(p().GetCtrlValString(tp(), STRING_IP_ADRESS), "10.0.0.9");
    EXPECT_EQ(p().GetCtrlValString(tp(), STRING_PORT_NUMBER), "5005");
}

TEST_F(ConnectTabTest, EveryCommittedFieldDimsAccept) {
    // Each field is committed while its protocol shows it.
    const std::vector<std::pair<int, double>> fields = {
        {EDIT_SELECT_COM_PORT, 3}, {EDIT_SELECT_BAUDRATE, 1}, {EDIT_COM_PROTOCOL, 1}};
    for (const auto& [ctrl, value] : fields) {
        p().SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
        p().Operate(tp(), ctrl, value);
        EXPECT_TRUE(AcceptDimmed()) << CtrlName(static_cast<Ctrl>(ctrl));
    }
    for (int ctrl : {STRING_IP_ADRESS, STRING_PORT_NUMBER}) {
        p().SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
        p().OperateText(tp(), ctrl, "x1");
        EXPECT_TRUE(AcceptDimmed()) << CtrlName(static_cast<Ctrl>(ctrl));
    }
    EXPECT_TRUE(p().refused.empty());
}

TEST_F(ConnectTabTest, RightClickOnlyShowsHelp) {
    p().SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
    for (int ctrl : {EDIT_COM_PROTOCOL, EDIT_SELECT_COM_PORT, EDIT_SELECT_BAUDRATE,
                     STRING_IP_ADRESS, STRING_PORT_NUMBER, BUTTON_FIND_COM_PORTS, BUTTON_ACCEPT})
        p().ControlEvent(tp(), ctrl, EVENT_RIGHT_CLICK);
    EXPECT_FALSE(AcceptDimmed());
    const auto help = s->PopupsOf("message");
    ASSERT_EQ(help.size(), 7u);
    for (const auto& h : help) EXPECT_EQ(h.title, "INFO!");
    EXPECT_EQ(help[0].text, "Select RS232 or TCP/IP Interface. ");
    EXPECT_EQ(help[3].text, "Select a Server by name or IP address.");
    EXPECT_EQ(help[5].text, "Shows a list of available COM PORTS.");
    EXPECT_TRUE(s->Hosts().empty());
    EXPECT_FALSE(std::filesystem::exists(a().s.settingsPath));
    EXPECT_EQ(p().GetCtrlValString(tp(), EDIT_TEXT_BOX_STATUS), "");
}

struct HistoryCase {
    const char* name;
    std::vector<std::string> before;
    std::string committed;
    std::vector<std::string> after;
};
class HostHistoryTest : public ConnectTabTest, public ::testing::WithParamInterface<HistoryCase> {};

TEST_P(HostHistoryTest, CommitMovesTheHostToTheTop) {
    const HistoryCase& c = GetParam();
    s->SetHosts(c.before);
    Commit(c.committed);
    EXPECT_EQ(s->Hosts(), c.after);
    EXPECT_EQ(std::string(a().s.link.host), c.committed);
    EXPECT_EQ(p().GetCtrlValString(tp(), STRING_IP_ADRESS), c.committed);
}

const std::vector<std::string> kTen = {"h1", "h2", "h3", "h4", "h5", "h6", "h7", "h8", "h9", "h10"};

INSTANTIATE_TEST_SUITE_P(
    Cases, HostHistoryTest,
    ::testing::Values(HistoryCase{"Existing", {"A", "B", "C"}, "B", {"B", "A", "C"}},
                      HistoryCase{"AlreadyOnTop", {"B", "A", "C"}, "B", {"B", "A", "C"}},
                      HistoryCase{"LetterCaseCounts", {"host", "x"}, "HOST", {"HOST", "host", "x"}},
                      HistoryCase{"EmptyTextIsAnItem", {"A"}, "", {"", "A"}},
                      HistoryCase{"NewOneDropsTheTenth",
                                  kTen,
                                  "new",
                                  {"new", "h1", "h2", "h3", "h4", "h5", "h6", "h7", "h8", "h9"}},
                      HistoryCase{"ExistingKeepsTen",
                                  kTen,
                                  "h7",
                                  {"h7", "h1", "h2", "h3", "h4", "h5", "h6", "h8", "h9", "h10"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConnectTabTest, PickingMovesTheItemToTheTopAndDimsAccept) {
    s->SetHosts({"A", "B", "C"});
    p().SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
    ASSERT_NE(s->HostHooks(), nullptr);
    s->HostHooks()->OnPick(2);
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{"C", "A", "B"}));
    EXPECT_EQ(p().GetCtrlValString(tp(), STRING_IP_ADRESS), "C");
    EXPECT_STREQ(a().s.link.host, "C");
    EXPECT_TRUE(AcceptDimmed());
}

// Pseudo-terminals behind COM numbers in a device folder of our own.
class ComPortsTest : public ConnectTabTest {
  protected:
    std::vector<int> fds;
    std::string devDir = dir / "dev";
    void SetUp() override {
        std::filesystem::create_directory(devDir);
        CopyText(a().dev.deviceDir, devDir);
    }
    void TearDown() override {
        for (int fd : fds) close(fd);
    }
    void AddPort(const std::string& name) {
        int master = -1, slave = -1;
        char slaveName[256] = {};
        ASSERT_EQ(openpty(&master, &slave, slaveName, nullptr, nullptr), 0);
        fds.push_back(master);
        fds.push_back(slave);
        std::filesystem::create_symlink(slaveName, devDir + "/" + name);
    }
};

TEST_F(ComPortsTest, ListsThePortsPresent) {
    AddPort("ttyS0");
    AddPort("ttyS2");
    p().SetCtrlVal(tp(), EDIT_TEXT_BOX_STATUS, "before\n");
    p().Commit(tp(), BUTTON_FIND_COM_PORTS);
    EXPECT_EQ(p().GetCtrlValString(tp(), EDIT_TEXT_BOX_STATUS),
              "before\nFollowing COM PORTS are available:\nCOM1\nCOM3\n");
    EXPECT_EQ(a().s.link.comPort, 1);  // the listing changes no setting
}

TEST_F(ComPortsTest, NoPortsWriteNothing) {
    p().Commit(tp(), BUTTON_FIND_COM_PORTS);
    EXPECT_EQ(p().GetCtrlValString(tp(), EDIT_TEXT_BOX_STATUS), "");
}

TEST_F(ConnectTabTest, AcceptStoresTheSettingsAndShowsTheAssistant) {
    p().SetActiveTabPage(s->mp(), TAB_MAIN1, 0);
    p().SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
    p().Operate(tp(), EDIT_SELECT_BAUDRATE, 3);
    p().SetCtrlDimmed(tp(), BUTTON_ACCEPT, false);
    p().Commit(tp(), BUTTON_ACCEPT);
    EXPECT_EQ(p().GetActiveTabPage(s->mp(), TAB_MAIN1), 1);
    EXPECT_NE(testing_files::ReadFile(a().s.settingsPath).find("BAUDRATE = 3\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace lq
