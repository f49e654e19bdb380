#include "loop/LoopPageTemplate.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

// In creation order, the first on top: the buttons lie above the frame that holds them.
constexpr DialogItem kItems[] = {
    {601, ControlKind::BitmapButton, "BITMAP_LOOPRESTART", 313, 35, 10, 9, 0},
    {602, ControlKind::BitmapButton, "BITMAP_LOOPRESET", 313, 52, 10, 9, 0},
    {603, ControlKind::BitmapButton, "BITMAP_LOOPZOOM", 313, 70, 10, 9, 0},
    {600, ControlKind::GroupBox, "Loop Editor", 7, 0, 328, 111, 0},
};

constexpr ui::DialogTemplate kTemplate{
    311, 348, 117, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

const ui::DialogTemplate& LoopPageTemplate() {
    return kTemplate;
}
