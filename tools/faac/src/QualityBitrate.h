// From the -q quality to the AAC encoder's average bitrate.
//
// The player's chooser shows a bitrate beside each quality it offers (q 130 -> 218 kbps down to
// q 70 -> 62 kbps, for stereo); files must come out near what it shows. Qualities between the
// rows are interpolated, those outside them extrapolated, and the result is scaled by the
// channel count (mono gets half) and kept within what AAC-LC can carry at the sample rate.
#pragma once

namespace faac {

// The bitrate, in kbps, that the player shows for a quality, for two channels.
double ShownStereoKbps(int quality);

// The bit_rate, in bits per second, to give the encoder for the quality, the channel count and
// the sample rate (Hz) it will encode at.
int EncoderBitRate(int quality, int channels, int sampleRate);

}  // namespace faac
