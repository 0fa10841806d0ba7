// The drop-down list and its completion rules, without any toolkit.
#include <gtest/gtest.h>

#include "ui/combo.h"

namespace lq {
namespace {

struct CompletionCase {
    const char* name;
    std::vector<std::string> items;
    std::string typed;
    bool caseSensitive;
    int maxLength;
    bool completes;
    std::string text;
    int selStart, selLength;
};

class CompletionTest : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(CompletionTest, Completes) {
    const CompletionCase& c = GetParam();
    const auto r = CompleteFromItems(c.items, c.typed, c.caseSensitive, c.maxLength);
    ASSERT_EQ(r.has_value(), c.completes);
    if (!r) return;
    EXPECT_EQ(r->text, c.text);
    EXPECT_EQ(r->selStart, c.selStart);
    EXPECT_EQ(r->selLength, c.selLength);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CompletionTest,
    ::testing::Values(
        CompletionCase{
            "FirstCharacter", {"sensor-a", "192.168.0.7"}, "s", false, 0, true, "sensor-a", 1, 7},
        // The typed text keeps its own letter case; the rest comes from the item.
        CompletionCase{"CaseIgnored", {"Sensor-A"}, "sE", false, 0, true, "sEnsor-A", 2, 6},
        CompletionCase{"CaseCompared", {"Sensor-A"}, "s", true, 0, false, "", 0, 0},
        CompletionCase{"FirstMatchWins",
                       {"192.168.0.7", "192.168.0.70"},
                       "192",
                       false,
                       0,
                       true,
                       "192.168.0.7",
                       3,
                       8},
        // The first item that matches is taken even when it is too short to offer.
        CompletionCase{"ShortFirstMatchBlocksLater", {"a", "abc"}, "a", false, 0, false, "", 0, 0},
        CompletionCase{"OneCharacterNeverOffered", {"x"}, "x", false, 0, false, "", 0, 0},
        CompletionCase{"NoMatch", {"alpha"}, "b", false, 0, false, "", 0, 0},
        CompletionCase{"EmptyText", {"alpha"}, "", false, 0, false, "", 0, 0},
        CompletionCase{"LongerThanItem", {"ab"}, "abc", false, 0, false, "", 0, 0},
        CompletionCase{"ExactItem", {"host"}, "host", false, 0, true, "host", 4, 0},
        CompletionCase{"CutToMaxLength", {"abcdefgh"}, "ab", false, 5, true, "abcde", 2, 3},
        CompletionCase{"TypedAlreadyAtMax", {"abcdefgh"}, "abc", false, 3, true, "abc", 3, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ComboListTest, InsertAndDeleteByIndex) {
    ComboList l;
    EXPECT_EQ(l.Count(), 0);
    EXPECT_EQ(l.Insert(0, "A"), 0);
    EXPECT_EQ(l.Insert(1, "B"), 0);
    EXPECT_EQ(l.Insert(0, "N"), 0);
    EXPECT_EQ(l.Items(), (std::vector<std::string>{"N", "A", "B"}));
    EXPECT_EQ(l.Insert(4, "X"), COMBO_BAD_INDEX);
    EXPECT_EQ(l.Insert(-1, "X"), COMBO_BAD_INDEX);
    EXPECT_EQ(l.Insert(3, "C"), 0);  // index == count appends
    EXPECT_EQ(l.Delete(1, 2), 0);
    EXPECT_EQ(l.Items(), (std::vector<std::string>{"N", "C"}));
    EXPECT_EQ(l.Delete(1, 5), COMBO_BAD_INDEX);
    EXPECT_EQ(l.Delete(2, 1), COMBO_BAD_INDEX);
    EXPECT_EQ(l.Delete(0, -2), COMBO_BAD_INDEX);
    EXPECT_EQ(l.Items(), (std::vector<std::string>{"N", "C"}));
}

TEST(ComboListTest, DeleteToEndKeepsTheFirstTen) {
    ComboList l;
    for (int i = 0; i < 11; ++i) l.Insert(i, "h" + std::to_string(i));
    EXPECT_EQ(l.Delete(10, -1), 0);
    ASSERT_EQ(l.Count(), 10);
    EXPECT_EQ(*l.At(9), "h9");
    EXPECT_EQ(l.Delete(10, -1), 0);  // nothing beyond the end
    EXPECT_EQ(l.Count(), 10);
}

TEST(ComboListTest, FindComparesLetterCaseAndAcceptsDuplicates) {
    ComboList l;
    l.Insert(0, "Host");
    l.Insert(1, "host");
    l.Insert(2, "host");
    EXPECT_EQ(l.Find("host"), 1);
    EXPECT_EQ(l.Find("HOST"), -1);
    EXPECT_EQ(l.At(3), nullptr);
}

}  // namespace
}  // namespace lq
