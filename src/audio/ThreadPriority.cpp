#include "audio/ThreadPriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace audio::detail {

void RaiseThreadPriority(int realtimePriority, int niceness) {
    sched_param param{};
    param.sched_priority = realtimePriority;
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0)
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), niceness);
}

}  // namespace audio::detail
