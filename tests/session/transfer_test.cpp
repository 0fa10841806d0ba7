// SEND and GET with the sensor: the exact requests, the plausibility counts
// and what is copied.
#include <gtest/gtest.h>

#include <string>

#include "data/para.h"
#include "session/session.h"
#include "tests/session/fixture.h"

namespace lq::test {
namespace {

using Requests = std::vector<std::vector<int>>;

class TransferTest : public SimTest {};

TEST_F(TransferTest, SendWithEepromWritesBothImagesThenStores) {
    StartSim();
    ConnectOk();
    LoadDefaultParaValues(a.para, a.teach, 1);
    a.para[POWER] = 777;
    a.teach[31][CELL0] = 4321;  // the last vector the sensor holds
    ui.SetCtrlVal(a.s.mainPanel, EDIT_AVERAGE, 64.0);

    ui.Commit(a.s.mainPanel, BUTTON_SEND);
    EXPECT_EQ(Seen(), (Requests{{1, 0, 52}, {1, 2, 512}, {3, 0, 0}}));
    EXPECT_EQ(a.para[AVERAGE], 64);  // taken from the ring first
    EXPECT_EQ(sensor->Ram().w, a.para.w);
    EXPECT_EQ(sensor->Eeprom().w, a.para.w);
    EXPECT_EQ(sensor->RamTeach()[31][CELL0], 4321);
    EXPECT_EQ(a.s.connected, 1);
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_SEND));  // released afterwards
}

TEST_F(TransferTest, GetWithEepromLoadsThenReadsAndShows) {
    StartSim();
    ConnectOk();
    ParaBlock p;
    TeachTable t;
    LoadDefaultParaValues(p, t, 1);
    p[POWER] = 900;
    p[GAIN] = 3;
    t[0][CELL0] = 2500;
    t[0][CELL1] = 2600;
    t[0][CELL3] = 100;
    sensor->SetEeprom(p, t);
    // Vectors beyond the sensor's 32 are the program's own.
    a.teach[40][CELL0] = 7;

    ui.Commit(a.s.mainPanel, BUTTON_GET);
    EXPECT_EQ(Seen(), (Requests{{4, 0, 0}, {2, 0, 0}, {2, 2, 0}}));
    EXPECT_EQ(a.para.w, p.w);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(a.teach[i].w, t[i].w) << i;
    EXPECT_EQ(a.teach[40][CELL0], 7);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, SLIDE_POWER).value, 900);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_GAIN).value, 3);
    EXPECT_EQ(ui.GetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(1, 1)), 2500);
    // The graphs were rebuilt from the new table.
    EXPECT_EQ(a.ext.xMin, 2400);
    EXPECT_EQ(a.ext.xMax, 2600);
}

TEST_F(TransferTest, RamOnlyWhenTheTargetIsNotTheEeprom) {
    StartSim();
    ConnectOk();
    a.s.transferTarget = TARGET_FILE;
    SendPara(a);
    GetPara(a);
    EXPECT_EQ(Seen(), (Requests{{1, 0, 52}, {1, 2, 512}, {2, 0, 0}, {2, 2, 0}}));
}

TEST_F(TransferTest, RamPlausibilityCountIsReportedAndTheSendGoesOn) {
    lqsim::SimConfig cfg;
    cfg.plausibility = 3;
    StartSim(cfg);
    ConnectOk();

    ui.Commit(a.s.mainPanel, BUTTON_SEND);
    EXPECT_EQ(Seen(), (Requests{{1, 0, 52}, {1, 2, 512}, {3, 0, 0}}));
    const std::string message =
        "INFO!\n3 PARAMETER IN RAM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO DEFAULT "
        "VALUE!\n\n";
    const std::string box = StatusBox();
    const size_t first = box.find(message);
    ASSERT_NE(first, std::string::npos) << box;
    EXPECT_NE(box.find(message, first + 1), std::string::npos);  // once per image
    EXPECT_EQ(StatusLine(), "TIMEOUT!");
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_TRUE(Dimmed(a.s.tpConnect, BUTTON_ACCEPT));
    EXPECT_EQ(ui.GetActiveTabPage(a.s.mainPanel, TAB_MAIN1), 0);
}

TEST_F(TransferTest, EepromPlausibilityCountIsShownAndTheReadCompletes) {
    lqsim::SimConfig cfg;
    cfg.plausibility = 2;
    StartSim(cfg);
    ConnectOk();
    ui.SetActiveTabPage(a.s.mainPanel, TAB_MAIN1, 1);
    ui.Ctl(a.s.tpConnect, EDIT_TEXT_BOX_STATUS).text.clear();
    ui.Ctl(a.s.dataPanel, DISPS_STATUS).text = "SENSOR";

    ui.Commit(a.s.mainPanel, BUTTON_GET);
    EXPECT_EQ(Seen(), (Requests{{4, 0, 0}, {2, 0, 0}, {2, 2, 0}}));
    EXPECT_EQ(ui.GetActiveTabPage(a.s.mainPanel, TAB_MAIN1), 0);
    EXPECT_EQ(StatusBox(),
              "INFO!\n2 PARAMETER FROM EEPROM DID NOT PASS PLAUSIBILITY CHECK AND WERE SET TO "
              "DEFAULT VALUE!\n\n");
    // Not a failure: no flags change and the status line stays.
    EXPECT_EQ(a.s.connected, 1);
    EXPECT_EQ(StatusLine(), "SENSOR");
    EXPECT_EQ(a.para.w, sensor->Ram().w);
}

TEST_F(TransferTest, FailedReadKeepsWhatWasCopiedAndShowsNothing) {
    StartSim();
    ConnectOk();
    a.teach[0][CELL0] = 1111;
    ui.SetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(1, 1), 5);
    sensor->SetFault(lqsim::Fault::Silent, 3);  // 4, 2/0 answered, 2/2 silent
    ui.Commit(a.s.mainPanel, BUTTON_GET);
    EXPECT_EQ(a.para.w, sensor->Ram().w);
    EXPECT_EQ(a.teach[0][CELL0], 1111);
    EXPECT_EQ(ui.GetTableCellVal(a.s.tpAssist, GRID_CTT, MakePoint(1, 1)), 5);
    EXPECT_EQ(a.s.connected, 0);
    EXPECT_FALSE(Dimmed(a.s.mainPanel, BUTTON_GET));  // released whatever the outcome
}

}  // namespace
}  // namespace lq::test
