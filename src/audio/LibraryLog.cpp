#include "audio/LibraryLog.h"

#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <set>

extern "C" {
#include <libavutil/log.h>
}

namespace audio::detail {

namespace {

thread_local DecoderMessages* t_pScope = nullptr;

// One write per line: stderr is shared with every other thread and with the libraries.
void WriteLine(std::string line) {
    if (line.empty() || line.back() != '\n') line += '\n';
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // nowhere to report that reporting failed
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

std::string TrimLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

void FfmpegCallback(void* context, int level, const char* format, va_list arguments) {
    if ((level & 0xff) > AV_LOG_ERROR) return;  // higher numbers are less severe
    char text[1024];
    int printPrefix = 0;  // the component's name is added below, without its address
    va_list copy;
    va_copy(copy, arguments);
    av_log_format_line2(nullptr, level, format, copy, text, sizeof text, &printPrefix);
    va_end(copy);
    std::string message = TrimLineEnd(text);
    if (message.empty()) return;

    if (t_pScope) {
        t_pScope->Count(message);
        return;
    }
    std::string component;
    if (context) {
        const AVClass* avClass = *static_cast<const AVClass* const*>(context);
        if (avClass && avClass->item_name) component = avClass->item_name(context);
    }
    WriteLine("audio: FFmpeg" + (component.empty() ? "" : " " + component) + ": " + message);
}

void SdlCallback(void* /*user*/, int /*category*/, SDL_LogPriority priority, const char* message) {
    if (priority < SDL_LOG_PRIORITY_ERROR || !message) return;
    const std::string text = TrimLineEnd(message);
    if (!text.empty()) WriteLine("audio: SDL: " + text);
}

// Files already summed up in this run.
std::mutex g_summedUpMutex;
std::set<std::string> g_summedUp;

}  // namespace

void InstallLibraryLogging() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Spares FFmpeg formatting messages that would be dropped anyway.
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(&FfmpegCallback);
        // SDL's own categories pass only critical messages by default; its errors matter too.
        SDL_LogSetAllPriority(SDL_LOG_PRIORITY_ERROR);
        SDL_LogSetOutputFunction(&SdlCallback, nullptr);
    });
}

DecoderMessages::~DecoderMessages() {
    if (m_nErrors == 0) return;
    {
        const std::lock_guard lock(g_summedUpMutex);
        if (!g_summedUp.insert(m_strPath).second) return;
    }
    WriteLine("audio: " + m_strPath + ": " + std::to_string(m_nErrors) +
              (m_nErrors == 1 ? " decoding error (" : " decoding errors (first: ") + m_strFirst +
              "); damaged parts play as silence");
}

void DecoderMessages::Count(std::string_view message) {
    if (m_nErrors++ == 0) m_strFirst = message;
}

DecoderMessageScope::DecoderMessageScope(DecoderMessages& messages) : m_pPrevious(t_pScope) {
    t_pScope = &messages;
}

DecoderMessageScope::~DecoderMessageScope() {
    t_pScope = m_pPrevious;
}

}  // namespace audio::detail
