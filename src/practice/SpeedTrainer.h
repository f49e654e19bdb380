// The speed trainer's rule: a loop played from a start tempo up to a target, a step at a time,
// each step held for a number of passes; Backspace backs off one step. Tempos are percent of the
// song's own (70 = 70 %), as the tempo slider shows them. Knows nothing of the audio: the
// practice page tells it of each pass and of tempos set by hand, and applies what it decides.
#pragma once

#include <algorithm>

class CSpeedTrainer {
public:
    struct Settings {
        int nStart = 70;
        int nStep = 5;
        int nPasses = 2;
        int nTarget = 100;
        // Beats counted in before a pass (0: none), before every pass or the first only.
        int nCountIn = 0;
        bool bCountInFirstOnly = false;
        bool operator==(const Settings&) const = default;
    };
    // The ranges the page's − and + buttons keep each value in.
    static constexpr int kMinTempo = 25, kMaxTempo = 200;  // as the tempo slider
    static constexpr int kMinStep = 1, kMaxStep = 25;
    static constexpr int kMinPasses = 1, kMaxPasses = 16;
    static constexpr int kMaxCountIn = 8;
    static constexpr int kFirstCountIn = 4;  // where + starts the count-in from off

    const Settings& Values() const { return m_settings; }
    // Each value is kept inside its range; a change while running applies from the next pass.
    void SetValues(const Settings& settings);

    bool IsOn() const { return m_bOn; }
    // On: the tempo is the start tempo and the first pass begins. Off: the tempo stays.
    void TurnOn();
    void TurnOff() { m_bOn = false; }

    // The tempo playing now (while on).
    int Tempo() const { return m_nTempo; }
    // The pass being played within the current step, from 1.
    int Pass() const { return m_nPassesDone + 1; }
    bool AtTarget() const { return m_nTempo == m_settings.nTarget; }

    // A pass ended with the jump back to the loop's start; true when the tempo changed with it.
    bool OnPass();
    // The tempo the next jump brings (0: it keeps the tempo): set ahead so that the jump itself
    // applies it and the new tempo starts with the loop's start.
    int TempoAtNextJump() const;
    // The beats the next jump counts in before the loop's start sounds (0: none).
    int CountInAtNextJump() const;
    // One step back toward the start tempo, at once; the count of passes starts again.
    void BackOff();
    // The tempo was set by hand: it becomes the current step, counted from its first pass.
    void SetTempoByHand(int tempo);

private:
    // One step from `tempo` toward the target, never past it.
    int StepUp(int tempo) const;

    Settings m_settings;
    bool m_bOn = false;
    int m_nTempo = 100;
    int m_nPassesDone = 0;
    bool m_bPassEnded = false;  // a pass has ended since the trainer was turned on
};
