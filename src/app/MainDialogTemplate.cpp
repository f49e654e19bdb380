#include "app/MainDialogTemplate.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
using ui::kCentred;
using ui::kDisabled;
using ui::kEndEllipsis;
using ui::kHidden;
using ui::kNotify;

constexpr ControlKind kBitmap = ControlKind::BitmapButton;
constexpr ControlKind kArrow = ControlKind::AutoRepeatButton;
constexpr ControlKind kSlider = ControlKind::Slider;
constexpr ControlKind kSound = ControlKind::SoundSlider;
constexpr ControlKind kStatic = ControlKind::StaticText;
constexpr ControlKind kGroup = ControlKind::GroupBox;

// In creation order: the first is the topmost, so the arrows and sliders lie above the group
// boxes that frame them.
constexpr DialogItem kItems[] = {
    {402, kBitmap, "BITMAP_OPEN", 189, 41, 15, 14, 0},
    {403, kBitmap, "BITMAP_SAVE", 220, 41, 15, 14, kDisabled},
    {404, kBitmap, "BITMAP_SAVEAS", 251, 41, 15, 14, kDisabled},
    {409, kBitmap, "BITMAP_HELP", 282, 41, 15, 14, 0},
    {405, kBitmap, "BITMAP_RIPCD", 313, 41, 15, 14, 0},
    {407, kBitmap, "BITMAP_PLAY", 13, 164, 15, 14, kDisabled},
    {408, kBitmap, "BITMAP_PAUSE", 31, 164, 15, 14, kDisabled},
    {406, kBitmap, "BITMAP_STOP", 52, 164, 15, 14, kDisabled},
    {420, kSlider, "", 70, 172, 139, 11, kDisabled},
    {432, kArrow, "BITMAP_TEMPODOWN", 238, 88, 10, 9, kDisabled},
    {439, kSound, "", 251, 89, 65, 11, kDisabled},
    {433, kArrow, "BITMAP_TEMPOUP", 317, 88, 10, 9, kDisabled},
    {430, kArrow, "BITMAP_TEMPODOWN", 238, 118, 10, 9, kDisabled},
    {438, kSound, "", 251, 119, 65, 11, kDisabled},
    {431, kArrow, "BITMAP_TEMPOUP", 317, 118, 10, 9, kDisabled},
    {434, kArrow, "BITMAP_TEMPODOWN", 238, 149, 10, 9, 0},
    {440, kSound, "", 251, 150, 65, 11, 0},
    {435, kArrow, "BITMAP_TEMPOUP", 317, 149, 10, 9, 0},
    {436, kArrow, "BITMAP_TEMPODOWN", 237, 180, 10, 9, kDisabled},
    {441, kSound, "", 251, 181, 65, 11, kDisabled},
    {437, kArrow, "BITMAP_TEMPOUP", 317, 180, 10, 9, kDisabled},
    {518, kBitmap, "BITMAP_LOOP", 159, 201, 10, 9, 0},
    {519, kBitmap, "BITMAP_EQ", 185, 201, 10, 9, 0},
    {521, kBitmap, "BITMAP_PRACTICE", 211, 201, 10, 9, 0},
    {500, kStatic, "[please open a file, thanks]", 25, 110, 167, 13, kCentred | kEndEllipsis},
    {501, kStatic, "00:00 / 00:00", 25, 125, 167, 20, kCentred},
    {503, kGroup, "Pitch: 0", 233, 78, 102, 26, kNotify},
    {502, kGroup, "Tempo: 100%", 233, 108, 102, 26, kNotify},
    {504, kGroup, "Volume: 50", 233, 139, 102, 26, kNotify},
    {505, kGroup, "Vocal Reduction: 0", 233, 170, 102, 26, kNotify},
    {520, ControlKind::FocusSink, "BITMAP_EQ", 160, 4, 10, 9, kHidden},
    {400, kBitmap, "BITMAP_MINIMIZE", 308, 4, 10, 9, 0},
    {401, kBitmap, "BITMAP_CLOSE", 322, 4, 10, 9, 0},
};

constexpr ui::DialogTemplate kTemplate{
    310, 400, 254, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

const ui::DialogTemplate& MainDialogTemplate() {
    return kTemplate;
}
