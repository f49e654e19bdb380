// The per-thread error code behind ErrorGetCode.
#pragma once

namespace audio::detail {

void SetError(int code);
int LastError();

// Records `code` and returns `result`, for the common "fail with this code" exit.
template <typename T>
T Fail(int code, T result) {
    SetError(code);
    return result;
}

}  // namespace audio::detail
