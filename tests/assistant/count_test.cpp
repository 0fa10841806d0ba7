// Stage 1: how many colours, and whether they go out one line per output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/assistant/assistant_fixture.h"

namespace lq::test {
namespace {

class CountTest : public SessionTest {
  protected:
    std::vector<std::string> Kinds() {
        std::vector<std::string> out;
        for (const PopupRecord& p : ui.popups) out.push_back(p.kind + ":" + p.title);
        return out;
    }
};

struct CountCase {
    int sensorType;
    std::vector<std::string> entries;  // one or two prompts
    int directAnswer;                  // -1: the question must not come
    int count;                         // MAX VEC NO afterwards
    int outMode;                       // DIGITAL OUTMODE afterwards
    bool defaultMessage;
};

TEST_F(CountTest, EntriesRangesDefaultsAndTheDirectOutputQuestion) {
    const CountCase cases[] = {
        {1, {"12abc"}, -1, 12, 2, false},
        {1, {"31"}, -1, 31, 2, false},
        {3, {"31"}, -1, 31, 2, false},  // the other five-output model
        {2, {"31", "3"}, -1, 3, 2, false},
        {2, {"3"}, -1, 3, 2, false},
        {1, {"", "abc"}, -1, 31, 2, true},
        {2, {"0", "-3"}, -1, 3, 2, true},
        {1, {"32", " 5"}, 1, 5, 0, false},
        {1, {"5"}, 1, 5, 0, false},
        {1, {"5"}, 0, 5, 2, false},
        {1, {"1"}, 1, 1, 0, false},
        {1, {"6"}, -1, 6, 2, false},
        {2, {"2"}, 1, 2, 0, false},
        {2, {"2"}, 0, 2, 2, false},
        {0, {"31"}, -1, 31, 2, false},  // any type but 2 has five outputs
        {1, {"99999999999", "2147483648"}, -1, 31, 2, true},
    };
    for (const CountCase& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.sensorType) + " entry \"" + c.entries[0] + "\"");
        ui.popups.clear();
        a.s.sensorType = c.sensorType;
        a.para[DIGITAL_OUTMODE] = 7;
        for (const std::string& e : c.entries) ui.AnswerPopup(1, e);
        if (c.directAnswer >= 0) ui.AnswerPopup(c.directAnswer);

        ASSERT_EQ(GetMaxVecNo(a), 0);
        EXPECT_EQ(a.para[MAX_VEC_NO], c.count);
        EXPECT_EQ(a.para[DIGITAL_OUTMODE], c.outMode);
        EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_MAXCOL_NO).value, c.count);  // shown

        std::vector<std::string> expected = {"generic:Parameter MAXCOL-No."};
        if (c.entries.size() > 1) expected.push_back("generic:MAXCOL-No.");
        if (c.defaultMessage) expected.push_back("message:");
        if (c.directAnswer >= 0) expected.push_back("confirm:");
        EXPECT_EQ(Kinds(), expected);
        EXPECT_EQ(ui.unansweredPopups, 0);
    }
}

TEST_F(CountTest, PromptsCarryTheirTextsButtonsAndLanguage) {
    a.s.sensorType = 1;
    a.s.language = 4;
    ui.AnswerPopup(1, "0");
    ui.AnswerPopup(1, "zero");
    ASSERT_EQ(GetMaxVecNo(a), 0);
    ASSERT_EQ(ui.popups.size(), 3u);
    EXPECT_EQ(ui.popups[0].text, AssistTextAskColorCount[4]);
    EXPECT_EQ(ui.popups[0].buttons, (std::vector<std::string>{"OK", "CANCEL"}));
    EXPECT_EQ(ui.popups[1].text, AssistTextCountOutOfRange[4]);
    EXPECT_EQ(ui.popups[1].buttons, (std::vector<std::string>{"OK", "CANCEL"}));
    EXPECT_EQ(ui.popups[2].text, AssistTextCountDefault[4]);
}

TEST_F(CountTest, TheEntryHoldsFortyNineCharacters) {
    a.s.sensorType = 1;
    // The double cuts the entry to the length the program allows: 47 blanks
    // and "12" fit, with one more blank only the "1" survives.
    ui.AnswerPopup(1, std::string(47, ' ') + "12");
    ASSERT_EQ(GetMaxVecNo(a), 0);
    EXPECT_EQ(a.para[MAX_VEC_NO], 12);

    ui.AnswerPopup(1, std::string(48, ' ') + "12");
    ui.AnswerPopup(1);  // the direct-output question for 1: YES
    ASSERT_EQ(GetMaxVecNo(a), 0);
    EXPECT_EQ(a.para[MAX_VEC_NO], 1);
}

TEST_F(CountTest, CancelOrEscapeAtEitherPromptStops) {
    struct Case {
        int sensorType;
        std::vector<int> buttons;  // 0: no answer (Escape)
    } const cases[] = {{1, {2}}, {1, {0}}, {1, {1, 2}}, {2, {1, 0}}};
    for (const Case& c : cases) {
        ui.popups.clear();
        a.s.sensorType = c.sensorType;
        a.para[MAX_VEC_NO] = 9;
        a.para[DIGITAL_OUTMODE] = 7;
        ui.SetCtrlVal(a.s.tpAssist, EDIT_MAXCOL_NO, 9.0);
        for (int b : c.buttons)
            if (b != 0) ui.AnswerPopup(b, "40");
        EXPECT_EQ(GetMaxVecNo(a), 1);
        EXPECT_EQ(ui.popups.size(), c.buttons.size());
        // The maximum is in memory from the start; nothing else changed.
        EXPECT_EQ(a.para[MAX_VEC_NO], c.sensorType == 2 ? 3 : 31);
        EXPECT_EQ(a.para[DIGITAL_OUTMODE], 7);
        EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_MAXCOL_NO).value, 9);
    }
}

// CANCEL at a prompt shows the parameterisation message and sends nothing.
class CancelTest : public AssistantTest {};

TEST_F(CancelTest, CancelAtTheCountPromptShowsParaCancelled) {
    Start();
    ui.AnswerPopup(2);
    Run();
    EXPECT_EQ(Texts(), (std::vector<std::string>{Text(AssistTextAskColorCount),
                                                 Text(AssistTextParaCancelled)}));
    EXPECT_TRUE(sensor->Requests().empty());
}

TEST_F(CancelTest, CancelAtThePowerPopupEndsSilently) {
    Start();
    const ParaBlock before = a.para;
    ui.AnswerPopup(1, "6");
    ui.AnswerPopup(2);
    Run();
    ASSERT_EQ(ui.popups.size(), 2u);
    EXPECT_EQ(ui.popups[1].title, "Parameter POWER, GAIN, INTEGRAL");
    EXPECT_EQ(ui.popups[1].text, Text(AssistTextPlaceBrightest));
    EXPECT_EQ(ui.popups[1].buttons, (std::vector<std::string>{"OK", "CANCEL"}));
    EXPECT_TRUE(sensor->Requests().empty());
    // Stage 1's result stays in memory and on the screen; nothing else moved.
    EXPECT_EQ(a.para[MAX_VEC_NO], 6);
    EXPECT_EQ(ui.Ctl(a.s.tpAssist, EDIT_MAXCOL_NO).value, 6);
    EXPECT_EQ(a.para[POWER_MODE], before[POWER_MODE]);
    EXPECT_EQ(a.para[GAIN], before[GAIN]);
    EXPECT_EQ(a.s.running, 0);
}

}  // namespace
}  // namespace lq::test
