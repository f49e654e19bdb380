#include "StopSignals.h"

#include <csignal>
#include <iterator>

namespace faac {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t g_stopRequested = 0;

void RequestStop(int) {
    g_stopRequested = 1;
}

}  // namespace

StopSignals::StopSignals() {
    sigset_t stopSet;
    sigemptyset(&stopSet);
    struct sigaction action = {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        sigaddset(&stopSet, kSignals[i]);
        sigaction(kSignals[i], &action, &previous_[i]);
    }
    sigprocmask(SIG_BLOCK, &stopSet, &originalMask_);
    waitMask_ = originalMask_;
    for (const int signal : kSignals) sigdelset(&waitMask_, signal);
}

StopSignals::~StopSignals() {
    sigprocmask(SIG_SETMASK, &originalMask_, nullptr);
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &previous_[i], nullptr);
}

bool StopSignals::Requested() const {
    return g_stopRequested != 0;
}

}  // namespace faac
