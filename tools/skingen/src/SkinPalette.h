// The skin's colours: a light grey face in a warm dark casing, amber for attention.
#pragma once

#include <QColor>

namespace skingen::palette {

// Every control paints this grey behind itself, so the face is this grey too.
inline const QColor kFace{226, 226, 226};

inline const QColor kCasingLight{0x4a, 0x3e, 0x37};
inline const QColor kCasing{0x33, 0x2a, 0x25};
inline const QColor kCasingDark{0x24, 0x1d, 0x1a};
inline const QColor kCasingLip{0x19, 0x14, 0x12};
inline const QColor kCasingText{0xc9, 0xbb, 0xad};

inline const QColor kInk{0x3a, 0x2f, 0x2a};
inline const QColor kInkPressed{0x22, 0x1b, 0x18};
inline const QColor kInkFocus{0x8f, 0x4f, 0x10};
inline const QColor kInkDisabled{0xb4, 0xaf, 0xaa};

inline const QColor kAmber{0xe0, 0x92, 0x32};
inline const QColor kAmberLight{0xf6, 0xc0, 0x6e};
inline const QColor kAmberDark{0xb0, 0x68, 0x18};
inline const QColor kCream{0xf4, 0xea, 0xdc};

inline const QColor kKeyTop{0xfb, 0xfa, 0xf8};
inline const QColor kKeyBottom{0xe8, 0xe5, 0xe1};
inline const QColor kKeyBorder{0x9e, 0x95, 0x8d};
inline const QColor kKeyFocusTop{0xff, 0xf9, 0xf0};
inline const QColor kKeyFocusBottom{0xf3, 0xe6, 0xd4};
inline const QColor kKeyDownTop{0xcf, 0xc9, 0xc2};
inline const QColor kKeyDownBottom{0xdf, 0xda, 0xd4};
inline const QColor kKeyDownBorder{0x7c, 0x72, 0x6a};
inline const QColor kKeyDisabledTop{0xea, 0xea, 0xe9};
inline const QColor kKeyDisabledBottom{0xe3, 0xe3, 0xe2};
inline const QColor kKeyDisabledBorder{0xc4, 0xc1, 0xbe};

}  // namespace skingen::palette
