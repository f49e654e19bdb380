// Interrupt, terminate and hang-up end the input instead of the process, so that an encoder
// stopped from a terminal or by a supervisor still finishes its file.
//
// The signals stay blocked except while a read waits for input (ppoll with WaitMask()), so a
// signal that arrives between two reads is seen by the next wait instead of being lost.
#pragma once

#include <signal.h>

namespace faac {

class StopSignals {
public:
    // Installs the handlers and blocks the signals for the calling thread. One per process.
    StopSignals();
    ~StopSignals();  // restores the previous handlers and mask
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Requested() const;
    // The mask to wait with: the one from before, so the stop signals can arrive.
    const sigset_t& WaitMask() const { return waitMask_; }

private:
    sigset_t originalMask_;
    sigset_t waitMask_;
    struct sigaction previous_[3];
};

}  // namespace faac
