#include "eq/EqBands.h"

namespace {

constexpr float kTopCentre = 16000;
constexpr float kLowestCentre = 80;

}  // namespace

std::array<float, kEqBandCount> EqBandCentres() {
    std::array<float, kEqBandCount> centres{};
    float centre = kTopCentre;
    for (int band = kEqBandCount - 1; band >= 0; --band) {
        centres[band] = centre;
        centre /= 2;
        if (centre < kLowestCentre) centre = kLowestCentre;  // 62.5 Hz would say little
    }
    return centres;
}

std::array<audio::HFX, kEqBandCount> SetEqBands(audio::HSTREAM stream,
                                                const std::array<int, kEqBandCount>& gains) {
    const std::array<float, kEqBandCount> centres = EqBandCentres();
    std::array<audio::HFX, kEqBandCount> handles{};
    for (int band = kEqBandCount - 1; band >= 0; --band) {
        handles[band] = audio::ChannelSetFX(stream, audio::FX_PARAMEQ, 0);
        const audio::FXPARAMEQ parameters{centres[band], kEqBandwidth,
                                          static_cast<float>(gains[band])};
        // A band that could not be made leaves the sound as it was.
        audio::FXSetParameters(handles[band], &parameters);
    }
    return handles;
}
