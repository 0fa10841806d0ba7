#include "app/core/window_fit.h"

#include <algorithm>
#include <cmath>

namespace lq {

WindowBox FitWindowToArea(WindowBox w, WindowBox area) {
    if (w.width <= 0 || w.height <= 0 || area.width <= 0 || area.height <= 0) return w;
    if (w.width <= area.width && w.height <= area.height) return w;
    const double f = std::min(static_cast<double>(area.width) / w.width,
                              static_cast<double>(area.height) / w.height);
    // The factor of the limiting side gives that side exactly; the other one
    // is rounded down so that it fits too.
    w.width = std::clamp(static_cast<int>(std::floor(w.width * f + 1e-9)), 1, area.width);
    w.height = std::clamp(static_cast<int>(std::floor(w.height * f + 1e-9)), 1, area.height);
    w.left = std::clamp(w.left, area.left, area.left + area.width - w.width);
    w.top = std::clamp(w.top, area.top, area.top + area.height - w.height);
    return w;
}

}  // namespace lq
