// The open WMA file encoders, by handle.
#pragma once

namespace audio::detail {

// Finishes and closes every open WMA file (the system is being freed).
void CloseAllWmaEncoders();

}  // namespace audio::detail
