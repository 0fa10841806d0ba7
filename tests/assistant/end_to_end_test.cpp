// The whole procedure against the simulated sensor's own measurement model:
// the operator presents the brightest colour, then each colour in turn, and
// afterwards GO shows the taught colours recognised under C-No.
#include <gtest/gtest.h>

#include <string>

#include "tests/assistant/assistant_fixture.h"

namespace lq::test {
namespace {

class EndToEndTest : public AssistantTest {
  protected:
    // GO, with STOP pressed while the loop's first request waits. The
    // assistant leaves `running` set, so STOP first clears it and the loop's
    // start is what sets it again.
    int RecognisedColour() {
        ui.Commit(a.s.mainPanel, BUTTON_STOP);
        EachDispatch([this] {
            if (a.s.running != 1) return false;
            ui.Commit(a.s.mainPanel, BUTTON_STOP);
            return true;
        });
        ui.Commit(a.s.mainPanel, BUTTON_GO);
        return ui.GetCtrlValInt(a.s.dataPanel, DISP_C_No);
    }
};

TEST_F(EndToEndTest, TaughtColoursAreRecognisedAfterwards) {
    struct Model {
        const char* name;
        const char* count;
    } const models[] = {{"qx", "2"}, {"v4", "3"}};
    const int colours[3][3] = {{900, 600, 300}, {300, 700, 200}, {250, 250, 800}};
    for (const Model& m : models) {
        SCOPED_TRACE(m.name);
        Start(m.name);  // the simulator's default target is the first colour
        AnswerToTeaching(m.count);
        ui.popupHandler = [&](PopupRecord& p) {
            if (p.title == "TEACH COLOR 1") sensor->SetColor(300, 700, 200);
            if (p.title == "TEACH COLOR 2") sensor->SetColor(250, 250, 800);
            return -1;
        };
        ui.sleptMilliseconds = 0;
        Run();
        ui.popupHandler = nullptr;
        const int taught = std::stoi(m.count);
        ASSERT_EQ(LastText(), Text(AssistTextSavedToEeprom));
        EXPECT_LE(ui.sleptMilliseconds, 8 * 500);  // within the gain sweep
        EXPECT_EQ(sensor->Eeprom()[POWER_MODE], 0);
        EXPECT_EQ(sensor->Eeprom()[MAX_VEC_NO], taught);
        EXPECT_EQ(sensor->Eeprom().w, a.para.w);  // with the power the sensor chose
        for (int i = 0; i < taught; ++i) {
            EXPECT_EQ(sensor->EepromTeach()[i].w, a.teach[i].w) << i;
            EXPECT_EQ(Cell(4, i + 1), 500);
        }
        // The graphs carry a circle for every taught colour.
        EXPECT_FALSE(ui.Ctl(a.s.dataPanel, GRAPH_X_Y).arcs.empty());

        for (int i = 0; i < taught; ++i) {
            sensor->SetColor(colours[i][0], colours[i][1], colours[i][2]);
            EXPECT_EQ(RecognisedColour(), i) << "colour " << i;
        }
        sensor->SetColor(100, 100, 100);  // never taught
        EXPECT_EQ(RecognisedColour(), 255);
        TearDown();
    }
}

}  // namespace
}  // namespace lq::test
