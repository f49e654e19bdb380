// A mutex whose holder runs, while it holds it, at the priority of the highest thread waiting for
// it (priority inheritance). The producer runs in real time and shares the channels and the
// mixer's list with the user-interface thread; with an ordinary mutex, a user-interface thread
// preempted by ordinary work while holding one (a busy machine: a build, a browser) keeps the
// producer waiting for as long as the scheduler keeps it off the processor, and the device
// starves. Meets the standard Lockable requirements, for std::lock_guard and std::unique_lock.
#pragma once

#include <pthread.h>

namespace audio::detail {

class InheritingMutex {
public:
    enum class Kind { Plain, Recursive };

    explicit InheritingMutex(Kind kind = Kind::Plain);
    ~InheritingMutex();
    InheritingMutex(const InheritingMutex&) = delete;
    InheritingMutex& operator=(const InheritingMutex&) = delete;

    void lock();
    void unlock();
    bool try_lock();

private:
    pthread_mutex_t m_mutex;
};

}  // namespace audio::detail
