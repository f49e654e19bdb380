#include "practice/SpeedTrainer.h"

void CSpeedTrainer::SetValues(const Settings& settings) {
    m_settings.nStart = std::clamp(settings.nStart, kMinTempo, kMaxTempo);
    m_settings.nStep = std::clamp(settings.nStep, kMinStep, kMaxStep);
    m_settings.nPasses = std::clamp(settings.nPasses, kMinPasses, kMaxPasses);
    m_settings.nTarget = std::clamp(settings.nTarget, kMinTempo, kMaxTempo);
    m_settings.nCountIn = std::clamp(settings.nCountIn, 0, kMaxCountIn);
    m_settings.bCountInFirstOnly = settings.bCountInFirstOnly;
}

void CSpeedTrainer::TurnOn() {
    m_bOn = true;
    m_nTempo = m_settings.nStart;
    m_nPassesDone = 0;
    m_bPassEnded = false;
}

int CSpeedTrainer::StepUp(int tempo) const {
    // A target below the start makes the trainer slow down instead.
    if (m_settings.nTarget >= tempo) return std::min(tempo + m_settings.nStep, m_settings.nTarget);
    return std::max(tempo - m_settings.nStep, m_settings.nTarget);
}

bool CSpeedTrainer::OnPass() {
    if (!m_bOn) return false;
    m_bPassEnded = true;
    if (++m_nPassesDone < m_settings.nPasses) return false;
    m_nPassesDone = 0;
    const int before = m_nTempo;
    m_nTempo = StepUp(m_nTempo);
    return m_nTempo != before;
}

int CSpeedTrainer::TempoAtNextJump() const {
    if (!m_bOn || AtTarget() || m_nPassesDone + 1 < m_settings.nPasses) return 0;
    return StepUp(m_nTempo);
}

int CSpeedTrainer::CountInAtNextJump() const {
    if (!m_bOn || (m_settings.bCountInFirstOnly && m_bPassEnded)) return 0;
    return m_settings.nCountIn;
}

void CSpeedTrainer::BackOff() {
    if (!m_bOn) return;
    const int start = m_settings.nStart;
    if (m_settings.nTarget >= start)
        m_nTempo = std::max(m_nTempo - m_settings.nStep, start);
    else
        m_nTempo = std::min(m_nTempo + m_settings.nStep, start);
    m_nPassesDone = 0;
}

void CSpeedTrainer::SetTempoByHand(int tempo) {
    if (!m_bOn) return;
    m_nTempo = tempo;
    m_nPassesDone = 0;
}
