#include "practice/PracticePageTemplate.h"

#include "practice/QuorvelPracticePage.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
using ui::kDisabled;
using Page = CQuorvelPracticePage;

// In creation order, the first on top; the list and its buttons start disabled: no song yet.
// The buttons are the equaliser's preset buttons, at the same places beside their list.
constexpr DialogItem kItems[] = {
    {Page::IDC_LOOP_LIST, ControlKind::ListBox, "", 17, 14, 146, 86, kDisabled},
    {Page::IDC_LOOP_SAVE, ControlKind::BitmapButton, "BITMAP_EQSAVE", 167, 25, 14, 14, kDisabled},
    {Page::IDC_LOOP_CREATE, ControlKind::BitmapButton, "BITMAP_EQCREATE", 167, 46, 14, 14,
     kDisabled},
    {Page::IDC_LOOP_DELETE, ControlKind::BitmapButton, "BITMAP_EQDELETE", 167, 67, 14, 14,
     kDisabled},
    {Page::IDC_BEAT_TEXT, ControlKind::StaticText, "", 211, 12, 58, 11, 0},
    {Page::IDC_BEAT_HALF, ControlKind::PushButton, "\u00f72", 272, 11, 24, 13, kDisabled},
    {Page::IDC_BEAT_DOUBLE, ControlKind::PushButton, "\u00d72", 300, 11, 24, 13, kDisabled},
    {Page::IDC_BEAT_HINT, ControlKind::StaticText, "Tap K to set it", 211, 27, 120, 9, 0},
    {Page::IDC_LOOPS_FRAME, ControlKind::GroupBox, "Loops", 7, 0, 190, 111, 0},
    {Page::IDC_BEAT_FRAME, ControlKind::GroupBox, "Beat", 203, 0, 132, 41, 0},
};

constexpr ui::DialogTemplate kTemplate{
    Page::IDD, 348, 117, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

const ui::DialogTemplate& PracticePageTemplate() {
    return kTemplate;
}
