// A window too large for the screen opens at the largest size that fits.
#include "app/core/window_fit.h"

#include <gtest/gtest.h>

namespace lq {
namespace {

struct FitCase {
    const char* name;
    WindowBox window, area, expected;
};

// Boxes are {top, left, height, width}.
const FitCase kFitCases[] = {
    {"fits: unchanged", {30, 10, 690, 1014}, {0, 0, 800, 1280}, {30, 10, 690, 1014}},
    {"fits exactly", {0, 0, 800, 1280}, {0, 0, 800, 1280}, {0, 0, 800, 1280}},
    // A fitting window that sticks out keeps its place: bounding positions is
    // not this function's business.
    {"fits but placed off screen",
     {700, 1200, 690, 1014},
     {0, 0, 800, 1280},
     {700, 1200, 690, 1014}},
    // Scale factor 2 on 1280 x 800: 640 x 400 logical pixels.
    {"too tall for a scaled screen", {30, 10, 690, 1014}, {0, 0, 400, 640}, {0, 10, 400, 587}},
    {"too wide", {30, 10, 690, 2028}, {0, 0, 800, 1280}, {30, 0, 435, 1280}},
    {"twice too large on both sides", {0, 0, 1380, 2028}, {0, 0, 690, 1014}, {0, 0, 690, 1014}},
    {"area with an offset (a panel at the top)",
     {0, 0, 1000, 1000},
     {24, 100, 776, 1180},
     {24, 100, 776, 776}},
    {"moved back inside after shrinking",
     {500, 900, 1000, 1500},
     {0, 0, 800, 1280},
     {0, 80, 800, 1200}},
    {"no area", {30, 10, 690, 1014}, {0, 0, 0, 0}, {30, 10, 690, 1014}},
    {"no window", {30, 10, 0, 0}, {0, 0, 800, 1280}, {30, 10, 0, 0}},
};

TEST(WindowFit, ShrinksWithTheAspectRatioKeptAndMovesInside) {
    for (const FitCase& c : kFitCases) {
        SCOPED_TRACE(c.name);
        const WindowBox got = FitWindowToArea(c.window, c.area);
        EXPECT_EQ(got.top, c.expected.top);
        EXPECT_EQ(got.left, c.expected.left);
        EXPECT_EQ(got.height, c.expected.height);
        EXPECT_EQ(got.width, c.expected.width);
    }
}

}  // namespace
}  // namespace lq
