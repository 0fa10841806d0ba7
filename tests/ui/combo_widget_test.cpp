// The drop-down history as the toolkit sees it: attached hooks, attributes,
// typing with completion and picking from the menu.
#include "files_fixture.h"

namespace lq {
namespace {

using testing_files::FilesTest;

class ComboTest : public FilesTest {
  protected:
    int tp() { return s->tp(); }
    DropDownHooks& hooks() { return *s->HostHooks(); }
    std::string Text() { return p().GetCtrlValString(tp(), STRING_IP_ADRESS); }
    std::pair<int, int> Selection() {
        const ControlState& c = p().Ctl(tp(), STRING_IP_ADRESS);
        return {c.selStart, c.selLength};
    }
    void SetUp() override {
        // The host field shows with the TCP/IP protocol.
        p().Operate(tp(), EDIT_COM_PROTOCOL, 1);
    }
    void Type(char ch) { p().TypeText(tp(), STRING_IP_ADRESS, std::string(1, ch)); }
    void Backspace() { p().PressBackspace(tp(), STRING_IP_ADRESS); }
};

TEST_F(ComboTest, ANewComboIsEmptyAndAttachedOnce) {
    ASSERT_NE(s->HostHooks(), nullptr);
    int n = -1;
    EXPECT_EQ(Combo_GetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_NUM_ITEMS, &n), 0);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(hooks().ItemCount(), 0);
    EXPECT_EQ(Combo_NewComboBox(a(), tp(), STRING_IP_ADRESS), COMBO_NO_COMBO);
}

TEST_F(ComboTest, Attributes) {
    int v = 0;
    EXPECT_EQ(
        Combo_SetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_FRAME_COLOR, 0xE0E0E0), 0);
    EXPECT_EQ(p().Ctl(tp(), STRING_IP_ADRESS).dropDownFrameColor, 0xE0E0E0u);
    EXPECT_EQ(Combo_GetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_FRAME_COLOR, &v), 0);
    EXPECT_EQ(v, 0xE0E0E0);

    Combo_InsertComboItem(a(), tp(), STRING_IP_ADRESS, 0, "kept");
    EXPECT_EQ(Combo_SetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_VISIBLE, 0), 0);
    EXPECT_FALSE(p().GetCtrlVisible(tp(), STRING_IP_ADRESS));
    EXPECT_FALSE(p().Ctl(tp(), STRING_IP_ADRESS).dropDownVisible);
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{"kept"}));
    EXPECT_EQ(Combo_SetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_VISIBLE, 1), 0);
    EXPECT_TRUE(p().GetCtrlVisible(tp(), STRING_IP_ADRESS));
    EXPECT_TRUE(p().Ctl(tp(), STRING_IP_ADRESS).dropDownVisible);

    EXPECT_EQ(Combo_GetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_CASE_SENSITIVE, &v),
              0);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(Combo_SetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_NUM_ITEMS, 3),
              COMBO_BAD_ATTRIBUTE);
    EXPECT_EQ(Combo_SetComboAttribute(a(), tp(), STRING_IP_ADRESS, 99, 3), COMBO_BAD_ATTRIBUTE);
    EXPECT_EQ(Combo_GetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_VISIBLE, &v),
              COMBO_BAD_ATTRIBUTE);
}

TEST_F(ComboTest, EveryOperationOnAFieldWithoutTheWidgetReturnsMinus45) {
    const int panel = tp();
    const int field = STRING_PORT_NUMBER;
    int v = 7;
    std::string t = "unchanged";
    EXPECT_EQ(Combo_SetComboAttribute(a(), panel, field, ATTR_COMBO_VISIBLE, 0), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_GetComboAttribute(a(), panel, field, ATTR_COMBO_NUM_ITEMS, &v), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_InsertComboItem(a(), panel, field, 0, "x"), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_DeleteComboItem(a(), panel, field, 0, -1), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_GetIndexFromValue(a(), panel, field, &v, "x"), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_GetValueFromIndex(a(), panel, field, 0, &t), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_DiscardComboBox(a(), panel, field), COMBO_NO_COMBO);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(t, "unchanged");
    EXPECT_TRUE(p().GetCtrlVisible(panel, field));
    // The same control on another panel is another field.
    EXPECT_EQ(Combo_InsertComboItem(a(), a().s.dataPanel, STRING_IP_ADRESS, 0, "x"),
              COMBO_NO_COMBO);
    // A fresh application has no registry at all.
    App other(p());
    EXPECT_EQ(Combo_InsertComboItem(other, panel, STRING_IP_ADRESS, 0, "x"), COMBO_NO_COMBO);
}

TEST_F(ComboTest, TypingCompletesAndBackspaceDoesNot) {
    s->SetHosts({"x", "192.168.1.20", "sensor-east"});
    Type('S');
    EXPECT_EQ(Text(), "Sensor-east");
    EXPECT_EQ(Selection(), std::make_pair(1, 10));
    Backspace();  // removes the selected rest
    EXPECT_EQ(Text(), "S");
    EXPECT_EQ(Selection().second, 0);
    Type('e');
    EXPECT_EQ(Text(), "Sensor-east");
    EXPECT_EQ(Selection(), std::make_pair(2, 9));
}

TEST_F(ComboTest, AOneCharacterHostIsNeverOffered) {
    s->SetHosts({"x", "xylophone"});
    Type('x');
    EXPECT_EQ(Text(), "x");
    EXPECT_EQ(Selection().second, 0);
}

TEST_F(ComboTest, LetterCaseCanBeCompared) {
    s->SetHosts({"Sensor"});
    Combo_SetComboAttribute(a(), tp(), STRING_IP_ADRESS, ATTR_COMBO_CASE_SENSITIVE, 1);
    Type('s');
    EXPECT_EQ(Text(), "s");
    Backspace();
    Type('S');
    EXPECT_EQ(Text(), "Sensor");
}

TEST_F(ComboTest, TypingDoesNotCommit) {
    s->SetHosts({"alpha"});
    Type('a');
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{"alpha"}));
    EXPECT_STREQ(a().s.link.host, "");
}

TEST_F(ComboTest, APickIsCutToTheFieldLengthAndCommitted) {
    const int maxLength = p().GetCtrlMaxLength(tp(), STRING_IP_ADRESS);
    ASSERT_GT(maxLength, 0);
    const std::string longHost(static_cast<size_t>(maxLength) + 20, 'q');
    s->SetHosts({"a", longHost});
    p().PickDropDownItem(tp(), STRING_IP_ADRESS, 1);
    const std::string cut = longHost.substr(0, static_cast<size_t>(maxLength));
    EXPECT_EQ(Text(), cut);
    EXPECT_EQ(Selection(), std::make_pair(0, maxLength));
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{cut, "a", longHost}));
}

TEST_F(ComboTest, APickDoesNotComplete) {
    s->SetHosts({"ab", "abcdef"});
    hooks().OnPick(0);
    EXPECT_EQ(Text(), "ab");
    EXPECT_EQ(Selection(), std::make_pair(0, 2));
    hooks().OnPick(7);  // no such item: nothing happens
    EXPECT_EQ(Text(), "ab");
}

TEST_F(ComboTest, MenuShowsTheItemsTopFirst) {
    s->SetHosts({"one", "two"});
    ASSERT_EQ(hooks().ItemCount(), 2);
    EXPECT_EQ(hooks().ItemText(0), "one");
    EXPECT_EQ(hooks().ItemText(1), "two");
    EXPECT_EQ(hooks().ItemText(2), "");
}

TEST_F(ComboTest, DiscardDetachesAndEndsEveryOperation) {
    EXPECT_EQ(Combo_DiscardComboBox(a(), tp(), STRING_IP_ADRESS), 0);
    EXPECT_EQ(p().Ctl(tp(), STRING_IP_ADRESS).dropDown, nullptr);
    EXPECT_EQ(Combo_InsertComboItem(a(), tp(), STRING_IP_ADRESS, 0, "x"), COMBO_NO_COMBO);
    EXPECT_EQ(Combo_NewComboBox(a(), tp(), STRING_IP_ADRESS), STRING_IP_ADRESS);
}

TEST_F(ComboTest, TypingAWholeHostThenCommittingIt) {
    s->SetHosts({"alpha", "beta"});
    p().TypeText(tp(), STRING_IP_ADRESS, "be");
    EXPECT_EQ(Text(), "beta");
    EXPECT_EQ(Selection(), std::make_pair(2, 2));
    p().TypeText(tp(), STRING_IP_ADRESS, "ta2");
    EXPECT_EQ(Text(), "beta2");
    p().Commit(tp(), STRING_IP_ADRESS);
    EXPECT_EQ(s->Hosts(), (std::vector<std::string>{"beta2", "alpha", "beta"}));
    EXPECT_TRUE(p().refused.empty());
}

TEST_F(ComboTest, TheApplicationDetachesItsCombosWhenItEnds) {
    TestPlatform& platform = p();
    const int panel = tp();
    s->a.reset();
    EXPECT_EQ(platform.Ctl(panel, STRING_IP_ADRESS).dropDown, nullptr);
}

}  // namespace
}  // namespace lq
