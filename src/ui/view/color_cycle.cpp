// The colours of the teach vectors: a cycle of 15, five times over.
#include "ui/view/view.h"

namespace lq {
namespace {

constexpr uint32_t kCycle[15] = {
    0xFF0000, 0x80FF00, 0x0000FF, 0x000000, 0xFF80C0, 0xFFFF00, 0x808000, 0x800080,
    0x80FFFF, 0xFF0080, 0x400080, 0xFF00FF, 0x008000, 0x408080, 0x800000,
};
constexpr int kColors = 75;

}  // namespace

uint32_t ColorCycle(int index) {
    // Outside the table: the colour of entry 0 rather than a read past it.
    if (index < 0 || index >= kColors) index = 0;
    return kCycle[index % 15];
}

}  // namespace lq
