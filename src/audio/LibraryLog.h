// What FFmpeg and SDL may print on standard error.
//
// Left alone, FFmpeg writes notes and warnings about perfectly good files ("Estimating duration
// from bitrate, this may be inaccurate" for every MP3, although the layer measures lengths
// exactly), and for a damaged file one error per damaged packet, which can be thousands of lines.
// The layer installs its own handlers instead:
//  - Anything below FFmpeg's error level, or below SDL's error priority, is dropped.
//  - Errors raised while a decoder works on a file (a DecoderMessageScope is alive on that
//    thread) are counted for that file; when its decoder goes, one line sums them up, and only
//    once per file in the whole run (the playback stream, the waveform and every save decode the
//    same file again).
//  - Other errors (an encoder that refuses its settings, a device that fails) are printed as one
//    line each, prefixed "audio: ".
// Lines are written to file descriptor 2 with one write each, so lines of different threads never
// interleave.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace audio::detail {

// Installs the handlers. The first call does it, later calls return at once; any thread may call.
void InstallLibraryLogging();

// The errors FFmpeg reported about one file.
class DecoderMessages {
public:
    DecoderMessages() = default;
    // Prints the summary line when there were errors, unless Discard() was called or the file
    // was summed up before in this run.
    ~DecoderMessages();
    DecoderMessages(const DecoderMessages&) = delete;
    DecoderMessages& operator=(const DecoderMessages&) = delete;

    // The file the summary names.
    void SetFile(std::string path) { m_strPath = std::move(path); }
    void Count(std::string_view message);
    // The errors need no summary (the caller reports the failure in its own way).
    void Discard() { m_nErrors = 0; }
    std::size_t Errors() const { return m_nErrors; }

private:
    std::string m_strPath;
    std::size_t m_nErrors = 0;
    std::string m_strFirst;  // the first error's text, without its line end
};

// While alive, FFmpeg errors raised on this thread are counted into `messages` instead of being
// printed. Scopes nest; the innermost one counts.
class DecoderMessageScope {
public:
    explicit DecoderMessageScope(DecoderMessages& messages);
    ~DecoderMessageScope();
    DecoderMessageScope(const DecoderMessageScope&) = delete;
    DecoderMessageScope& operator=(const DecoderMessageScope&) = delete;

private:
    DecoderMessages* m_pPrevious;
};

}  // namespace audio::detail
