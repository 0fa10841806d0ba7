// The title text and logo in the top strip of the main panel, and the
// start-up look of the teach grid.
#include "ui/logo.h"

#include "app/core/ids.h"
#include "app/core/platform.h"
#include "data/para.h"
#include "data/program.h"
#include "ui/view/view.h"

namespace lq {
namespace {

constexpr const char* kTitleTooltip = "LUMIQUAD TALVERN Kelvo V1.2.0";

}  // namespace

void ShowLogo(App& a) {
    const int main = a.s.mainPanel;
    ShowInfoText(a, kProgramTitle, 1, 15, 18, 20, COLOR_TRANSPARENT, COLOR_BLACK);
    a.ui.SetCtrlFrameColor(main, DECORATION, COLOR_WHITE);
    a.ui.SetCtrlPos(main, PICTURE_1, 5, 900);
    // The logo lies beside the executable; a missing file leaves the
    // picture empty, and it is shown all the same.
    a.ui.DisplayImageFile(main, PICTURE_1, a.ui.GetProjectDir() + "/" + kLogoFileName);
    a.ui.SetCtrlVisible(main, PICTURE_1, true);
}

int ShowInfoText(App& a, const std::string& text, int tooltip, int left, int top, int pointSize,
                 uint32_t bgColor, uint32_t textColor) {
    const int main = a.s.mainPanel;
    const int id = a.ui.NewTextMessage(main, "", top, left, pointSize, bgColor, textColor);
    if (id < 0) return id;
    if (tooltip) a.ui.SetCtrlTooltip(main, id, kTitleTooltip);
    a.ui.SetCtrlVal(main, id, text);
    return 0;
}

void PrepareTeachGrid(App& a) {
    const int p = a.s.tpAssist;
    a.ui.HideBuiltInCtrlMenuItems(p, GRID_CTT);
    a.ui.SetTableCellRangeBgColor(p, GRID_CTT, MakeRect(1, 1, kGridRows, 5), COLOR_LIGHT_GRAY);
    for (int row = 1; row <= kGridRows; ++row)
        a.ui.SetTableCellRangeBgColor(p, GRID_CTT, MakeRect(row, 5, 1, 1), ColorCycle(row - 1));
}

}  // namespace lq
