// Where a window opens when its wanted size does not fit on the screen.
// Shared by every place that sets a window's geometry (the toolkit when it
// shows a window, the settings when they restore one), so that they agree.
#pragma once

namespace lq {

struct WindowBox {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
};

// `area` is the screen's available area for the window's client part (the
// frame already taken off). A window that fits keeps its size and place. A
// larger one shrinks to the largest size of the same aspect ratio that fits,
// and is then moved as little as needed to lie wholly inside the area. An
// empty area or window changes nothing.
WindowBox FitWindowToArea(WindowBox window, WindowBox area);

}  // namespace lq
