#include "audio/SoundTouchEngine.h"

#include <algorithm>

namespace audio::detail {

static_assert(FX_TEMPO_OPTION_USE_AA_FILTER == SETTING_USE_AA_FILTER &&
              FX_TEMPO_OPTION_AA_FILTER_LENGTH == SETTING_AA_FILTER_LENGTH &&
              FX_TEMPO_OPTION_USE_QUICKALGO == SETTING_USE_QUICKSEEK &&
              FX_TEMPO_OPTION_SEQUENCE_MS == SETTING_SEQUENCE_MS &&
              FX_TEMPO_OPTION_SEEKWINDOW_MS == SETTING_SEEKWINDOW_MS &&
              FX_TEMPO_OPTION_OVERLAP_MS == SETTING_OVERLAP_MS);

SoundTouchEngine::SoundTouchEngine(int sampleRate, int channels) {
    m_stretcher.setSampleRate(static_cast<unsigned>(sampleRate));
    m_stretcher.setChannels(static_cast<unsigned>(channels));
    m_stretcher.setTempo(1.0);
    m_stretcher.setRate(1.0);
    m_stretcher.setPitchSemiTones(0.0);
}

double SoundTouchEngine::SetTempo(double ratio) {
    m_stretcher.setTempo(ratio);
    return ratio;
}

double SoundTouchEngine::SetRate(double ratio) {
    m_stretcher.setRate(ratio);
    return ratio;
}

double SoundTouchEngine::SetPitchSemitones(double semitones) {
    m_stretcher.setPitchSemiTones(semitones);
    return semitones;
}

bool SoundTouchEngine::SetOption(DWORD option, DWORD value) {
    // Values come from a user-editable file: keep them where the library works (0 means
    // automatic for the three lengths).
    const int v = static_cast<int>(value);
    int setting;
    switch (option) {
        case FX_TEMPO_OPTION_USE_AA_FILTER:
        case FX_TEMPO_OPTION_USE_QUICKALGO:
            setting = v != 0;
            break;
        case FX_TEMPO_OPTION_AA_FILTER_LENGTH:
            // The library takes only multiples of eight: others abort the process.
            setting = std::clamp(v, 8, 128) / 8 * 8;
            break;
        case FX_TEMPO_OPTION_SEQUENCE_MS:
            setting = std::clamp(v, 0, 1000);
            break;
        case FX_TEMPO_OPTION_SEEKWINDOW_MS:
            setting = std::clamp(v, 0, 500);
            break;
        case FX_TEMPO_OPTION_OVERLAP_MS:
            setting = std::clamp(v, 0, 100);
            break;
        default:
            return false;
    }
    return m_stretcher.setSetting(static_cast<int>(option), setting);
}

void SoundTouchEngine::Process(const float* samples, int frames) {
    if (frames > 0) m_stretcher.putSamples(samples, static_cast<unsigned>(frames));
}

int SoundTouchEngine::Retrieve(float* dst, int frames) {
    if (frames <= 0) return 0;
    return static_cast<int>(m_stretcher.receiveSamples(dst, static_cast<unsigned>(frames)));
}

double SoundTouchEngine::InputPerOutput() const {
    const double ratio = m_stretcher.getInputOutputSampleRatio();  // output per input
    return ratio > 0 ? 1.0 / ratio : 1.0;
}

int SoundTouchEngine::LatencyFrames() const {
    return m_stretcher.getSetting(SETTING_INITIAL_LATENCY);
}

}  // namespace audio::detail
