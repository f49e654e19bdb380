#include "eq/EqPageTemplate.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
using ui::kCentred;
using ui::kDisabled;
using ui::kVertical;

// In creation order, the first on top: the controls and labels lie above the frames that hold
// them. Sliders and the preset controls start disabled: there is no song yet.
constexpr DialogItem kItems[] = {
    {730, ControlKind::Slider, "", 30, 23, 12, 82, kVertical | kDisabled},
    {731, ControlKind::Slider, "", 48, 23, 12, 82, kVertical | kDisabled},
    {732, ControlKind::Slider, "", 66, 23, 12, 82, kVertical | kDisabled},
    {733, ControlKind::Slider, "", 84, 23, 12, 82, kVertical | kDisabled},
    {734, ControlKind::Slider, "", 102, 23, 12, 82, kVertical | kDisabled},
    {735, ControlKind::Slider, "", 120, 23, 12, 82, kVertical | kDisabled},
    {736, ControlKind::Slider, "", 138, 23, 12, 82, kVertical | kDisabled},
    {737, ControlKind::Slider, "", 156, 23, 12, 82, kVertical | kDisabled},
    {738, ControlKind::Slider, "", 174, 23, 12, 82, kVertical | kDisabled},
    {739, ControlKind::ListBox, "", 208, 22, 81, 70, kDisabled},
    {740, ControlKind::BitmapButton, "BITMAP_EQSAVE", 293, 25, 14, 14, kDisabled},
    {741, ControlKind::BitmapButton, "BITMAP_EQCREATE", 293, 46, 14, 14, kDisabled},
    {742, ControlKind::BitmapButton, "BITMAP_EQDELETE", 293, 67, 14, 14, kDisabled},
    {-1, ControlKind::StaticText, "80", 30, 12, 9, 8, kCentred},
    {-1, ControlKind::StaticText, "125", 46, 12, 13, 8, kCentred},
    {-1, ControlKind::StaticText, "250", 64, 12, 13, 8, kCentred},
    {-1, ControlKind::StaticText, "500", 82, 12, 13, 8, kCentred},
    {-1, ControlKind::StaticText, "1K", 102, 12, 9, 8, kCentred},
    {-1, ControlKind::StaticText, "2K", 120, 12, 9, 8, kCentred},
    {-1, ControlKind::StaticText, "4K", 138, 12, 9, 8, kCentred},
    {-1, ControlKind::StaticText, "8K", 156, 12, 9, 8, kCentred},
    {-1, ControlKind::StaticText, "16K", 173, 12, 13, 8, kCentred},
    {-1, ControlKind::StaticText, "15", 13, 24, 9, 8, kCentred},
    {-1, ControlKind::StaticText, "0", 14, 59, 8, 8, kCentred},
    {-1, ControlKind::StaticText, "-15", 12, 95, 10, 8, kCentred},
    {507, ControlKind::GroupBox, "Presets", 198, 8, 128, 94, 0},
    {506, ControlKind::GroupBox, "Equalizer", 7, 0, 328, 111, 0},
};

constexpr ui::DialogTemplate kTemplate{
    312, 348, 117, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

const ui::DialogTemplate& EqPageTemplate() {
    return kTemplate;
}
