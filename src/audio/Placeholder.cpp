// Removed once the audio layer lands.
