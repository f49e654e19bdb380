// Debug pictures to look at the skin as a whole: never shipped.
#pragma once

#include <QString>

namespace skingen {

// Writes the face with the controls marked, a mock-up with stand-in controls, both pages,
// every button state enlarged, the pointers and the icon into `folder`.
void writePreviews(const QString& folder);

}  // namespace skingen
