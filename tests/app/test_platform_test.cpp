// The test double's own promises, which every scenario test relies on:
// queued events fire inside the next dispatch, time-outs pass instantly on
// the fake clock, descriptor watches are served, popups are scripted.
#include <gtest/gtest.h>
#include <unistd.h>

#include "tests/support/program_fixture.h"

namespace lq {
namespace {

class DoubleTest : public ProgramTest {
  protected:
    void SetUp() override {
        ProgramTest::SetUp();
        LoadPanels();
    }
};

TEST_F(DoubleTest, QueuedEventsFireInsideTheirDispatchAndMayNest) {
    std::vector<std::string> log;
    tp.Queue([&] { log.push_back("a"); });
    tp.Queue([&] { log.push_back("c"); }, 2);
    tp.Queue(
        [&] {
            log.push_back("b");
            // A nested dispatch inside a callback sees only what is left.
            tp.ProcessSystemEvents();
            log.push_back("b-end");
        },
        1);
    EXPECT_TRUE(log.empty());
    tp.ProcessSystemEvents();
    EXPECT_EQ(log, (std::vector<std::string>{"a"}));
    tp.WaitForEvents(1.0);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "c", "b-end"}));
    tp.ProcessSystemEvents();
    EXPECT_EQ(log.size(), 4u);
}

TEST_F(DoubleTest, WaitingWithNothingToDoAdvancesTheFakeClock) {
    const double t0 = tp.Timer();
    tp.WaitForEvents(3.0);
    EXPECT_DOUBLE_EQ(tp.Timer(), t0 + 3.0);
    tp.ProcessSystemEvents();  // never waits
    EXPECT_DOUBLE_EQ(tp.Timer(), t0 + 3.0);
    // A wait that has something to dispatch does not move the clock.
    tp.Queue([] {});
    tp.WaitForEvents(3.0);
    EXPECT_DOUBLE_EQ(tp.Timer(), t0 + 3.0);
    // Sleep moves the clock and dispatches nothing.
    bool fired = false;
    tp.Queue([&] { fired = true; });
    tp.Sleep(250);
    EXPECT_DOUBLE_EQ(tp.Timer(), t0 + 3.25);
    EXPECT_EQ(tp.sleptMilliseconds, 250);
    EXPECT_FALSE(fired);
}

TEST_F(DoubleTest, DescriptorWatchesRunFromDispatch) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    int calls = 0;
    const int id = tp.AddFdWatch(fds[0], [&] {
        char b;
        ASSERT_EQ(read(fds[0], &b, 1), 1);
        ++calls;
    });
    EXPECT_GT(id, 0);
    tp.ProcessSystemEvents();
    EXPECT_EQ(calls, 0);

    ASSERT_EQ(write(fds[1], "x", 1), 1);
    const double t0 = tp.Timer();
    tp.WaitForEvents(3.0);
    EXPECT_EQ(calls, 1);
    EXPECT_DOUBLE_EQ(tp.Timer(), t0);  // ready at once: no time passed

    tp.realGraceSeconds = 0.01;
    tp.WaitForEvents(3.0);  // nothing comes: the time-out passes on the fake clock
    EXPECT_EQ(calls, 1);
    EXPECT_DOUBLE_EQ(tp.Timer(), t0 + 3.0);

    tp.RemoveFdWatch(id);
    ASSERT_EQ(write(fds[1], "y", 1), 1);
    tp.ProcessSystemEvents();
    EXPECT_EQ(calls, 1);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(DoubleTest, EventLoopRunsQueuedEventsUntilQuit) {
    int n = 0;
    tp.Queue([&] { ++n; });
    tp.Queue([&] { ++n; }, 3);
    tp.Queue([&] { tp.QuitUserInterface(7); }, 5);
    tp.Queue([&] { ADD_FAILURE() << "ran after the quit"; }, 9);
    EXPECT_EQ(tp.RunUserInterface(), 7);
    EXPECT_EQ(n, 2);
    EXPECT_FALSE(tp.idleExit);
}

TEST_F(DoubleTest, EventLoopEndsWhenNothingCanHappen) {
    tp.realGraceSeconds = 0.01;
    EXPECT_EQ(tp.RunUserInterface(), 0);
    EXPECT_TRUE(tp.idleExit);
    EXPECT_EQ(tp.quitRequested, 0);
}

TEST_F(DoubleTest, PopupsAreAnsweredFromTheScriptAndRecorded) {
    tp.AnswerPopup(1);
    tp.AnswerPopup(2, "17");
    tp.MessagePopup("INFO!", "no answer needed");
    EXPECT_EQ(tp.ConfirmPopup("ATTENTION!", "q"), 1);
    std::string entry;
    EXPECT_EQ(tp.GenericMessagePopup("T", "t", "OK", "CANCEL", &entry, 1, 1, 2), 2);
    EXPECT_EQ(entry, "1");  // cut to the entry's length
    // Unscripted: NO, the Escape button, a cancelled file dialogue.
    EXPECT_EQ(tp.ConfirmPopup("ATTENTION!", "q2"), 0);
    EXPECT_EQ(tp.GenericMessagePopup("ATTENTION!", "c", "CLOSE", "OFFLINE", nullptr, 0, 1, 1), 1);
    std::string path = "unchanged";
    EXPECT_EQ(
        tp.FileSelectPopup(FileSelectRequest{"/d", "Parameter.ini", "*.ini", "P", true}, path),
        FILE_SELECT_CANCELLED);
    EXPECT_EQ(path, "unchanged");
    EXPECT_EQ(tp.unansweredPopups, 3);
    ASSERT_EQ(tp.popups.size(), 6u);
    EXPECT_EQ(tp.popups[0].kind, "message");
    EXPECT_EQ(tp.popups[4].buttons, (std::vector<std::string>{"CLOSE", "OFFLINE"}));
    EXPECT_EQ(tp.popups[5].file.defaultFileName, "Parameter.ini");

    tp.AnswerFileDialog(FILE_SELECT_NEW, "/d/new.ini");
    EXPECT_EQ(tp.FileSelectPopup(FileSelectRequest{}, path), FILE_SELECT_NEW);
    EXPECT_EQ(path, "/d/new.ini");

    // A handler takes precedence over the script.
    tp.AnswerPopup(0);
    tp.popupHandler = [](PopupRecord& r) { return r.title == "ATTENTION!" ? 1 : -1; };
    EXPECT_EQ(tp.ConfirmPopup("ATTENTION!", "q3"), 1);
    EXPECT_EQ(tp.ConfirmPopup("other", "q4"), 0);  // falls through to the script
}

TEST_F(DoubleTest, ControlValuesBehaveLikeTheirKinds) {
    tp.SetCtrlVal(Connect(), EDIT_TEXT_BOX_STATUS, "a");
    tp.SetCtrlVal(Connect(), EDIT_TEXT_BOX_STATUS, "b");
    EXPECT_EQ(tp.GetCtrlValString(Connect(), EDIT_TEXT_BOX_STATUS), "ab");
    tp.SetCtrlVal(Data(), DISPS_STATUS, "a");
    tp.SetCtrlVal(Data(), DISPS_STATUS, "b");
    EXPECT_EQ(tp.GetCtrlValString(Data(), DISPS_STATUS), "b");

    // A ring takes only the values of its items.
    tp.SetCtrlVal(Main(), EDIT_AVERAGE, 256);
    EXPECT_EQ(tp.GetCtrlValInt(Main(), EDIT_AVERAGE), 256);
    EXPECT_TRUE(tp.errors.empty());
    tp.SetCtrlVal(Main(), EDIT_AVERAGE, 3);
    EXPECT_EQ(tp.GetCtrlValInt(Main(), EDIT_AVERAGE), 256);
    EXPECT_EQ(tp.errors.size(), 1u);

    // Calls on a control that is not on the panel are ignored and noted.
    tp.SetCtrlVal(Main(), DISP_X, 5);
    EXPECT_EQ(tp.GetCtrlValInt(Main(), DISP_X), 0);
    EXPECT_EQ(tp.errors.size(), 3u);
}

TEST_F(DoubleTest, OperatorCannotUseDimmedHiddenOrIndicatorControls) {
    int commits = 0;
    tp.PanelOf(Main())->callbacks[BUTTON_GO] = [](int, int, int event, void* d, int, int) {
        if (event == EVENT_COMMIT) ++static_cast<App*>(d)->s.rxCount;
        return 0;
    };
    tp.SetCtrlDimmed(Main(), BUTTON_GO, true);
    tp.Commit(Main(), BUTTON_GO);
    tp.SetCtrlDimmed(Main(), BUTTON_GO, false);
    tp.SetCtrlVisible(Main(), BUTTON_GO, false);
    tp.Commit(Main(), BUTTON_GO);
    tp.SetCtrlVisible(Main(), BUTTON_GO, true);
    tp.Commit(Main(), BUTTON_GO);
    commits = a.s.rxCount;
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(tp.refused.size(), 2u);

    tp.Operate(Assist(), EDIT_INTEGRAL, 5);  // an indicator
    EXPECT_EQ(tp.GetCtrlValInt(Assist(), EDIT_INTEGRAL), 1);
    EXPECT_EQ(tp.refused.size(), 3u);
}

// Hooks that note what the toolkit tells them and complete "abc".
struct RecordingHooks : DropDownHooks {
    TestPlatform* tp = nullptr;
    int panel = 0;
    std::vector<std::string> log;
    int lastKey = 0;
    void OnKey(int c) override {
        lastKey = c;
        log.push_back("key " + std::to_string(c));
    }
    void OnTextEdited() override {
        const std::string t = tp->GetCtrlValString(panel, STRING_IP_ADRESS);
        log.push_back("edited " + t);
        if (t == "a" && lastKey != 0) {
            tp->SetCtrlVal(panel, STRING_IP_ADRESS, "abc");
            tp->SetCtrlTextSelection(panel, STRING_IP_ADRESS, 1, 2);
        }
    }
    int ItemCount() const override { return 1; }
    std::string ItemText(int) const override { return "abc"; }
    void OnPick(int index) override {
        log.push_back("pick " + std::to_string(index));
        tp->SetCtrlVal(panel, STRING_IP_ADRESS, "abc");
        tp->CallCtrlCallback(panel, STRING_IP_ADRESS, EVENT_VAL_CHANGED, 0, 0);
        tp->CallCtrlCallback(panel, STRING_IP_ADRESS, EVENT_COMMIT, 0, 0);
    }
};

int RecordFieldEvent(int, int, int event, void* d, int, int) {
    AppendText(static_cast<App*>(d)->s.statusText, std::to_string(event) + ";");
    return 0;
}

TEST_F(DoubleTest, TypingGoesThroughTheDropDownHooksBeforeTheField) {
    RecordingHooks hooks;
    hooks.tp = &tp;
    hooks.panel = Connect();
    tp.AttachDropDown(Connect(), STRING_IP_ADRESS, &hooks);
    tp.PanelOf(Connect())->callbacks[STRING_IP_ADRESS] = RecordFieldEvent;

    tp.TypeText(Connect(), STRING_IP_ADRESS, "a");
    EXPECT_EQ(tp.GetCtrlValString(Connect(), STRING_IP_ADRESS), "abc");
    EXPECT_EQ(tp.Ctl(Connect(), STRING_IP_ADRESS).selStart, 1);
    EXPECT_EQ(tp.Ctl(Connect(), STRING_IP_ADRESS).selLength, 2);
    // Typing replaces the selection; Backspace removes the selection first.
    tp.TypeText(Connect(), STRING_IP_ADRESS, "x");
    EXPECT_EQ(tp.GetCtrlValString(Connect(), STRING_IP_ADRESS), "ax");
    tp.PressBackspace(Connect(), STRING_IP_ADRESS);
    EXPECT_EQ(tp.GetCtrlValString(Connect(), STRING_IP_ADRESS), "a");
    EXPECT_EQ(hooks.log, (std::vector<std::string>{"key 97", "edited a", "key 120", "edited ax",
                                                   "key 0", "edited a"}));
    EXPECT_STREQ(a.s.statusText, "4;2;4;2;4;2;");

    a.s.statusText[0] = 0;
    tp.PickDropDownItem(Connect(), STRING_IP_ADRESS, 0);
    EXPECT_EQ(hooks.log.back(), "pick 0");
    EXPECT_STREQ(a.s.statusText, "2;1;");
    tp.PickDropDownItem(Connect(), STRING_IP_ADRESS, 1);  // no such item
    EXPECT_EQ(tp.refused.size(), 1u);
}

TEST_F(DoubleTest, TypingStopsAtTheFieldsMaximumLength) {
    tp.TypeText(Connect(), STRING_PORT_NUMBER, std::string(40, '7'));
    EXPECT_EQ(tp.GetCtrlValString(Connect(), STRING_PORT_NUMBER).size(), 31u);
    tp.OperateText(Connect(), STRING_IP_ADRESS, std::string(300, 'h'));
    EXPECT_EQ(tp.GetCtrlValString(Connect(), STRING_IP_ADRESS).size(), 255u);
}

}  // namespace
}  // namespace lq
