// The sensor's own texts are Windows-1252: on the Qt panels its name and
// firmware show the characters that code page gives their bytes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <string>

#include "link/link.h"
#include "sim/simulator.h"
#include "tests/qt/qt_fixture.h"

namespace lq::qt {
namespace {

class QtSensorTextTest : public QtPanelsTest {};

TEST_F(QtSensorTextTest, NameAndFirmwareBytesShowAsWindows1252) {
    lqsim::SimConfig config;
    config.firmware = "LUMIQUAD V4.1 \x93ok\x94";
    config.name = "\x80\x91\x92\xe9";
    lqsim::Sensor sensor(config);
    lqsim::TcpServer server(sensor);
    ASSERT_TRUE(server.Start());

    LoadPanels(true);
    qp.SetAutomaticPopupAnswers(true);  // NO to the default parameters
    Show();
    const int tp = a.s.tpConnect;
    qp.SetCtrlVal(tp, EDIT_COM_PROTOCOL, 1.0);
    qp.SetCtrlVal(tp, STRING_IP_ADRESS, std::string_view("127.0.0.1"));
    const std::string port = std::to_string(server.Port());
    qp.SetCtrlVal(tp, STRING_PORT_NUMBER, std::string_view(port));
    qp.OperatorCommit(tp, BUTTON_TRY_TO_CONNECT);
    ASSERT_EQ(a.s.connected, 1);

    const QString box = QString::fromStdString(qp.GetCtrlValString(tp, EDIT_TEXT_BOX_STATUS));
    EXPECT_TRUE(box.contains(QString::fromUtf8("\nSENSOR: €‘’é\n"))) << box.toStdString();
    EXPECT_EQ(qp.GetCtrlValString(a.s.dataPanel, DISPS_STATUS), "LUMIQUAD V4.1 “ok”");
    EXPECT_EQ(qp.GetCtrlTooltip(a.s.dataPanel, DISPS_STATUS), "LUMIQUAD V4.1 “ok”");

    if (a.s.tcpOpen) DisconnectFromTCPServer(a);
    server.Stop();
}

TEST_F(QtSensorTextTest, BytesThatAreNotUtf8ReadAsWindows1252) {
    LoadPanels();
    // What reaches the platform is UTF-8; a stray byte of the program's code
    // page is taken as that code page, not as Latin-1.
    qp.SetCtrlVal(a.s.dataPanel, DISPS_STATUS, std::string("\x80 \x92"));
    EXPECT_EQ(qp.GetCtrlValString(a.s.dataPanel, DISPS_STATUS), "€ ’");
}

}  // namespace
}  // namespace lq::qt
