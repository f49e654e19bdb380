#include "practice/PracticePageTemplate.h"

#include "practice/QuorvelPracticePage.h"
#include "practice/TrainerControls.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;
using ui::kCentred;
using ui::kDisabled;
using ui::kEndEllipsis;
using Page = CQuorvelPracticePage;
using Trainer = CTrainerControls;

#define VALUE_ROW(label, minus, value, plus, y, caption)                       \
    {label, ControlKind::StaticText, caption, 209, (y) + 1, 31, 9, 0},         \
        {minus, ControlKind::PushButton, "\u2212", 241, y, 11, 10, kDisabled}, \
        {value, ControlKind::StaticText, "", 253, (y) + 1, 24, 9, kCentred}, { \
        plus, ControlKind::PushButton, "+", 278, y, 11, 10, kDisabled          \
    }
#define TRAINER_ROW(row, y, label)                                                                \
    VALUE_ROW(Trainer::IDC_LABEL + (row), Trainer::IDC_MINUS + (row), Trainer::IDC_VALUE + (row), \
              Trainer::IDC_PLUS + (row), y, label)

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
    {Page::IDC_BEAT_HINT, ControlKind::StaticText, "Tap K to set it", 211, 25, 120, 9,
     kEndEllipsis},
    // The speed trainer: four rows of a label, −, the value and +, its button, the count-in's
    // row with its choice of passes, and the trainer's state.
    TRAINER_ROW(0, 50, "Start"),
    TRAINER_ROW(1, 60, "Step"),
    TRAINER_ROW(2, 70, "Passes"),
    TRAINER_ROW(3, 80, "Target"),
    {Trainer::IDC_ON, ControlKind::PushButton, "Train", 294, 50, 36, 14, kDisabled},
    VALUE_ROW(Trainer::IDC_COUNTIN_LABEL, Trainer::IDC_COUNTIN_MINUS, Trainer::IDC_COUNTIN_VALUE,
              Trainer::IDC_COUNTIN_PLUS, 90, "Count-in"),
    {Trainer::IDC_COUNTIN_MODE, ControlKind::PushButton, "", 292, 90, 38, 10, kDisabled},
    {Trainer::IDC_STATE, ControlKind::StaticText, "", 209, 101, 122, 9, kEndEllipsis},
    {Page::IDC_LOOPS_FRAME, ControlKind::GroupBox, "Loops", 7, 0, 190, 111, 0},
    {Page::IDC_BEAT_FRAME, ControlKind::GroupBox, "Beat", 203, 0, 132, 37, 0},
    {Trainer::IDC_FRAME, ControlKind::GroupBox, "Trainer", 203, 39, 132, 72, 0},
};
#undef TRAINER_ROW
#undef VALUE_ROW

constexpr ui::DialogTemplate kTemplate{
    Page::IDD, 348, 117, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

const ui::DialogTemplate& PracticePageTemplate() {
    return kTemplate;
}
