// Where PCM becomes a file: one sink per output format, shared by saving (the rendered loop
// region) and ripping (a CD track as it is). A sink is used once, in this order:
//   Prepare  the questions asked before the source is opened (the bitrate chooser);
//   Open     the output for the source stream's PCM (the MP3 format chooser, which lists the
//            formats for that stream, is asked here);
//   Write    each block, in order;
//   Close    the file finished; true when it was written whole.
// Close is called after every Open that did not abandon, also after a failed Write.
//
// A sink shows its own failures, with the language texts its caller passes in, owned by the
// caller's window; at most one per file: what follows the first failure is not said again.
#pragma once

#include <cstddef>
#include <string>

#include "audio/Audio.h"
#include "ui/ShowMessage.h"

class QWidget;

// A failure message: a language text used as a format, what it is given, and the box's style.
struct SinkMessage {
    enum class Argument {
        None,         // the text as it stands
        Destination,  // the output's path
        ErrorCode,    // the audio library's error code
        ErrorNumber,  // the system's error number, then its description
    };
    int nText = 0;  // 0: nothing is shown
    Argument argument = Argument::ErrorCode;
    unsigned nStyle = MB_OK;
};

struct SinkMessages {
    QWidget* owner = nullptr;     // of the messages and of the choosers
    SinkMessage openFailed;       // the file or the encoder cannot be opened
    SinkMessage writeFailed;      // a block, or the file's end, could not be written
    SinkMessage formatNotChosen;  // MP3: the format chooser gave no format
};

// How opening went.
enum class SinkOpened {
    Ready,    // blocks may come
    Skip,     // a failure was shown (or nothing chosen): no blocks, but Close runs
    Abandon,  // a failure was shown and nothing was opened: Close is not needed
};

class CEncodeSink {
public:
    CEncodeSink(std::string destination, SinkMessages messages);
    virtual ~CEncodeSink() = default;
    CEncodeSink(const CEncodeSink&) = delete;
    CEncodeSink& operator=(const CEncodeSink&) = delete;

    // False when the user cancelled a question: nothing is said, nothing more happens.
    virtual bool Prepare() { return true; }
    virtual SinkOpened Open(audio::HSTREAM stream) = 0;
    // False (its failure shown) when the block could not be taken; no block may follow.
    virtual bool Write(const char* bytes, std::size_t count) = 0;
    // Finishes the file; false (its failure shown, unless one was) when it is not whole, or
    // nothing was opened.
    virtual bool Close() = 0;

    const std::string& Destination() const { return m_strDestination; }

protected:
    QWidget* Owner() const { return m_messages.owner; }
    const SinkMessages& Messages() const { return m_messages; }
    // Shows `message` with `code` (an error code or number) unless a failure was shown already.
    void Report(const SinkMessage& message, int code);

private:
    std::string m_strDestination;
    SinkMessages m_messages;
    bool m_bReported = false;
};
