#include "practice/PracticePageTemplate.h"

#include "practice/QuorvelPracticePage.h"
#include "practice/TrainerControls.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
using ui::kDisabled;
using ui::kCentred;
using ui::kEndEllipsis;
using Page = CQuorvelPracticePage;
using Trainer = CTrainerControls;

#define TRAINER_ROW(row, y, label)                                                              \
    {Trainer::IDC_LABEL + (row), ControlKind::StaticText, label, 209, (y) + 1, 31, 9, 0},       \
        {Trainer::IDC_MINUS + (row), ControlKind::PushButton, "\u2212", 241, y, 11, 10,         \
         kDisabled},                                                                            \
        {Trainer::IDC_VALUE + (row), ControlKind::StaticText, "", 253, (y) + 1, 24, 9, kCentred}, \
        {Trainer::IDC_PLUS + (row), ControlKind::PushButton, "+", 278, y, 11, 10, kDisabled}

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
    // The speed trainer: four rows of a label, −, the value and +, its button and its state.
    TRAINER_ROW(0, 54, "Start"),
    TRAINER_ROW(1, 65, "Step"),
    TRAINER_ROW(2, 76, "Passes"),
    TRAINER_ROW(3, 87, "Target"),
    {Trainer::IDC_ON, ControlKind::PushButton, "Train", 294, 54, 36, 14, kDisabled},
    {Trainer::IDC_STATE, ControlKind::StaticText, "", 209, 99, 122, 9, kEndEllipsis},
    {Page::IDC_LOOPS_FRAME, ControlKind::GroupBox, "Loops", 7, 0, 190, 111, 0},
    {Page::IDC_BEAT_FRAME, ControlKind::GroupBox, "Beat", 203, 0, 132, 41, 0},
    {Trainer::IDC_FRAME, ControlKind::GroupBox, "Trainer", 203, 43, 132, 68, 0},
};
#undef TRAINER_ROW

constexpr ui::DialogTemplate kTemplate{
    Page::IDD, 348, 117, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

const ui::DialogTemplate& PracticePageTemplate() {
    return kTemplate;
}
