#include "audio/ErrorState.h"

#include "audio/Audio.h"

namespace audio::detail {

namespace {
thread_local int t_lastError = ERROR_OK;
}

void SetError(int code) {
    t_lastError = code;
}
int LastError() {
    return t_lastError;
}

}  // namespace audio::detail

namespace audio {

int ErrorGetCode() {
    return detail::LastError();
}

}  // namespace audio
