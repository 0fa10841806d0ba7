// The ASSISTANT page on the Qt panels after a whole teaching run against the
// simulated sensor: the grid filled and coloured, the swatches, the tolerance
// circles in the graphs. Saves the window as assistant.png in the build folder
// (the picture in the README is this file).
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <string>

#include "app/core/session_state.h"
#include "app/qt/qt_platform.h"
#include "app/winmain.h"
#include "link/link.h"
#include "sim/simulator.h"
#include "tests/qt/qt_fixture.h"
#include "ui/callbacks.h"
#include "ui/screen_events.h"

namespace lq::qt {
namespace {

// The Qt platform with the operator's answers scripted instead of dialogues.
class ScriptedQt : public QtPlatform {
  public:
    std::function<int(const std::string& title, const std::string& text, std::string* entry)>
        answer;
    std::string dir;

    void MessagePopup(const std::string& title, const std::string& text) override {
        answer(title, text, nullptr);
    }
    int ConfirmPopup(const std::string& title, const std::string& text) override {
        return answer(title, text, nullptr);
    }
    int GenericMessagePopup(const std::string& title, const std::string& text, const std::string&,
                            const std::string&, std::string* entry, int, int, int) override {
        return answer(title, text, entry);
    }
    std::string GetProjectDir() override { return dir; }
};

TEST(AssistantScreenshot, AssistantPageAfterTeachingThreeColours) {
    TestApp();
    QApplication::setStyle(QStringLiteral("Fusion"));
    lqsim::SimConfig config;
    config.model = "v4";
    lqsim::Sensor sensor(config);
    lqsim::TcpServer server(sensor);
    ASSERT_TRUE(server.Start());

    ScriptedQt ui;
    ui.dir =
        (std::filesystem::temp_directory_path() / ("lq_assistant_shot_" + std::to_string(getpid())))
            .string();
    std::filesystem::create_directories(ui.dir);
    ScreenApp a(ui);
    CopyText(a.dev.deviceDir, ui.dir);  // no serial devices: the start-up attempt fails at once
    ui.SetCallbackResolver(&ProgramCallbacks(), &a);

    int teachPopups = 0;
    ui.answer = [&](const std::string& title, const std::string&, std::string* entry) {
        if (title == "ATTENTION!") return 2;  // OFFLINE; NO to the defaults
        if (title == "Parameter MAXCOL-No.") *entry = "3";
        if (title == "TEACH COLOR 1") sensor.SetColor(300, 700, 200);
        if (title == "TEACH COLOR 2") sensor.SetColor(250, 250, 800);
        if (title.rfind("TEACH COLOR", 0) == 0) ++teachPopups;
        return title.empty() ? 0 : 1;  // NO to the direct output; OK elsewhere
    };
    ASSERT_EQ(LoadProgramPanels(a, ShippedUir()), 0);
    InitAll(a);
    ASSERT_EQ(a.s.connected, 0);

    ui.SetCtrlVal(a.s.tpConnect, EDIT_COM_PROTOCOL, 1.0);
    ui.SetCtrlVal(a.s.tpConnect, STRING_IP_ADRESS, std::string_view("127.0.0.1"));
    const std::string port = std::to_string(server.Port());
    ui.SetCtrlVal(a.s.tpConnect, STRING_PORT_NUMBER, std::string_view(port));
    ui.OperatorCommit(a.s.tpConnect, BUTTON_TRY_TO_CONNECT);
    ASSERT_EQ(a.s.connected, 1);

    ui.SetActiveTabPage(a.s.mainPanel, TAB_MAIN1, 1);
    ui.OperatorCommit(a.s.tpAssist, BUTTON_START);
    ASSERT_EQ(teachPopups, 3);
    for (int row = 1; row <= 3; ++row) {
        EXPECT_EQ(ui.GetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(4, row)), 500);
        EXPECT_EQ(ui.GetTableCellBgColor(a.s.tpAssist, GRID_CTT, MakePoint(1, row)),
                  COLOR_LIGHT_GRAY);
    }

    // One live pass on the second colour, so the data panel shows it recognised.
    sensor.SetColor(300, 700, 200);
    a.s.running = 0;
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (a.s.running == 1) a.s.running = 0, stop.stop();
    });
    stop.start(1);
    ui.OperatorCommit(a.s.mainPanel, BUTTON_GO);
    EXPECT_EQ(ui.GetCtrlValInt(a.s.dataPanel, DISP_C_No), 1);

    ui.SetActiveTabPage(a.s.mainPanel, TAB_MAIN1, 1);
    QApplication::processEvents();
    QWidget* w = ui.PanelWidgetOf(a.s.mainPanel);
    ASSERT_NE(w, nullptr);
    const QPixmap shot = w->grab();
    ASSERT_FALSE(shot.isNull());
    const std::string path = std::string(LQ_BINARY_DIR) + "/assistant.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(path), "PNG"));

    if (a.s.tcpOpen) DisconnectFromTCPServer(a);
    server.Stop();
    std::filesystem::remove_all(ui.dir);
}

}  // namespace
}  // namespace lq::qt
