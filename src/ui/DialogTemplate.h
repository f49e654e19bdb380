#pragma once

#include <span>

namespace ui {

// What a template item becomes.
enum class ControlKind {
    BitmapButton,      // owner-drawn button painted from the bitmap set named by its caption
    AutoRepeatButton,  // bitmap button that repeats its click while held
    FocusSink,         // owner-drawn button never bound nor seen: it holds the keyboard focus
    Slider,            // horizontal slider (trackbar)
    SoundSlider,       // horizontal slider that pages once per press
    StaticText,
    GroupBox,
    ListBox,     // single-selection list, unsorted, reporting the user's selection changes
    Edit,        // one-line edit box scrolling with the caret
    PushButton,  // ordinary push button with its caption
    ComboBox,    // drop-down list reporting the user's selection changes
    ProgressBar, // smooth, bordered progress bar
};

// Item styles.
enum ControlStyle : unsigned {
    kDisabled = 1u << 0,
    kHidden = 1u << 1,
    kCentred = 1u << 2,        // static text: centred horizontally
    kEndEllipsis = 1u << 3,    // static text: one line, "..." at the end when too long
    kNotify = 1u << 4,         // group box: reports clicks
    kVertical = 1u << 5,       // slider: vertical
    kDefaultButton = 1u << 6,  // push button: pressed by Enter
    kSorted = 1u << 7,         // combo box: lines kept in alphabetical order
};

// One control of a dialog template; position and size in dialog units.
struct DialogItem {
    int id;
    ControlKind kind;
    const char* caption;
    int x, y, cx, cy;
    unsigned style;
};

// A dialog template: size in dialog units, the font, and the items in creation order.
struct DialogTemplate {
    int id;
    int cx, cy;
    const char* fontFace;  // null: "Tahoma" 8 points, normal weight
    int pointSize;
    int weight;  // 100..900 as in font descriptions
    bool italic;
    std::span<const DialogItem> items;
};

}  // namespace ui
