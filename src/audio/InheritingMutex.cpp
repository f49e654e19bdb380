#include "audio/InheritingMutex.h"

#include <cerrno>
#include <system_error>

namespace audio::detail {

InheritingMutex::InheritingMutex(Kind kind) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    // Where the system cannot inherit priorities it is an ordinary mutex, as before.
    pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_INHERIT);
    if (kind == Kind::Recursive) pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    if (pthread_mutex_init(&m_mutex, &attributes) != 0) {
        pthread_mutexattr_setprotocol(&attributes, PTHREAD_PRIO_NONE);
        pthread_mutex_init(&m_mutex, &attributes);
    }
    pthread_mutexattr_destroy(&attributes);
}

InheritingMutex::~InheritingMutex() {
    pthread_mutex_destroy(&m_mutex);
}

void InheritingMutex::lock() {
    if (const int error = pthread_mutex_lock(&m_mutex); error != 0)
        throw std::system_error(error, std::generic_category(), "InheritingMutex::lock");
}

void InheritingMutex::unlock() {
    pthread_mutex_unlock(&m_mutex);
}

bool InheritingMutex::try_lock() {
    return pthread_mutex_trylock(&m_mutex) == 0;
}

}  // namespace audio::detail
