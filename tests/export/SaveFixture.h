#pragma once

// The main window with a song loaded, the save seams scripted (save box, bitrate chooser, MP3
// format chooser, message boxes), the faac program of this build on PATH, and the decoding of
// what a save wrote.

#include <signal.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QProcess>
#include <cmath>
#include <deque>
#include <filesystem>
#include <vector>

#include "engine/EngineTestFixture.h"
#include "engine/MainWindowIds.h"
#include "engine/TestMedia.h"
#include "export/Mp3FormatChooser.h"
#include "export/QuorvelBitrateDlg.h"
#include "loop/LoopRegion.h"
#include "ui/ComboBox.h"
#include "ui/SaveDialog.h"

namespace exporttest {

// Interleaved samples of a decoded file with its format.
struct Decoded {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;
    double Seconds() const {
        return channels ? double(samples.size()) / channels / rate : 0;
    }
    // Strength of a tone in channel `channel` over the middle half of the audio.
    double Tone(double frequency, int channel = 0) const {
        const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
        return testmedia::ToneAmplitude(samples, frames / 4 * channels + channel, channels,
                                        frames / 2, frequency, rate);
    }
};

// Decodes a whole file through the audio layer.
inline Decoded DecodeFile(const std::string& path) {
    Decoded decoded;
    const audio::HSTREAM stream =
        audio::StreamCreateFile(false, path.c_str(), 0, 0, audio::STREAM_DECODE);
    if (!stream) return decoded;
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(stream, &info);
    decoded.rate = static_cast<int>(info.freq);
    decoded.channels = static_cast<int>(info.chans);
    std::vector<std::int16_t> block(16384);
    for (;;) {
        const audio::DWORD got = audio::ChannelGetData(stream, block.data(), 32768);
        if (got == audio::DWORD(-1) || got == 0) break;
        decoded.samples.insert(decoded.samples.end(), block.begin(), block.begin() + got / 2);
    }
    audio::StreamFree(stream);
    return decoded;
}

// What ffprobe says of the file's first stream and container: "codec=..", "format=..".
inline std::string Probe(const std::string& path) {
    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_entries", "stream=codec_name,sample_rate,channels:"
                            "format=format_name,bit_rate", "-of", "default=nw=1",
                            QString::fromStdString(path)});
    probe.waitForFinished(30000);
    return probe.readAllStandardOutput().toStdString();
}

// Files this process writes end at `bytes`, as on a disc that is full there: a write beyond fails
// (EFBIG) instead of ending the process.
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) : m_oldHandler(::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_old);
        ::signal(SIGXFSZ, m_oldHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit m_old{};
    sighandler_t m_oldHandler;
};

class SaveFixture : public enginetest::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        g_loopRegion.qwStartPoint = 0;
        g_loopRegion.qwEndPoint = 0;
    }
    void TearDown() override {
        MainWindowFixture::TearDown();
        g_loopRegion.qwStartPoint = 0;
        g_loopRegion.qwEndPoint = 0;
    }

    void SetSlider(int id, int value) {
        SliderItem(id)->setValue(value);
        Engine().ApplySlider(id);
    }
    void Click(int id) {
        auto* button = qobject_cast<QAbstractButton*>(Item(id));
        ASSERT_NE(button, nullptr);
        button->click();
    }
    static std::string ReadBytes(const std::string& path) { return testenv::ReadFile(path); }

    // This build's faac comes first on PATH.
    testenv::ScopedEnv m_path{"PATH", (std::string(QUORVEL_BUILD_DIR) + ":" +
                                       (std::getenv("PATH") ? std::getenv("PATH") : ""))
                                          .c_str()};
    // The save box: what each one showed, answered with the paths queued (cancelled when none
    // is left).
    struct SaveBoxSeen {
        std::string title;
        QStringList fileTypes;
        QString defaultSuffix;
    };
    struct SaveBox {
        std::vector<SaveBoxSeen> asked;
        std::deque<std::string> answers;
        void Queue(const std::string& path) { answers.push_back(path); }
        const std::vector<SaveBoxSeen>& Asked() const { return asked; }
    } m_saveBox;
    ui::ScopedModalResponder<ui::SaveFileQuestion> m_saveBoxUser{
        [this](const ui::SaveFileQuestion& q) -> std::optional<std::string> {
            m_saveBox.asked.push_back(
                {q.title, q.dialog->nameFilters(), q.dialog->defaultSuffix()});
            if (m_saveBox.answers.empty()) return std::nullopt;
            std::string path = m_saveBox.answers.front();
            m_saveBox.answers.pop_front();
            return path;
        }};
    // Bitrate chooser: OK on the entry queued (the first when none is), or cancelled.
    std::vector<int> m_bitrateEntries;
    std::vector<int> m_bitrateKinds;
    bool m_bCancelBitrate = false;
    std::string m_titleWhileAsked;
    ui::ScopedModalResponder<BitrateQuestion> m_bitrate{[this](const BitrateQuestion& q) {
        m_bitrateKinds.push_back(q.dialog->m_nListKind);
        m_titleWhileAsked = LabelText(IDC_TITLE);
        if (m_bCancelBitrate) {
            q.dialog->OnCancel();
            return q.dialog->result();
        }
        const int entry = m_bitrateEntries.empty() ? 0 : m_bitrateEntries.front();
        if (!m_bitrateEntries.empty()) m_bitrateEntries.erase(m_bitrateEntries.begin());
        q.dialog->List()->SetCurSel(entry);
        q.dialog->OnOK();
        return q.dialog->result();
    }};
    // MP3 chooser: the format at m_mp3Rate and m_mp3Bitrate, or cancelled.
    audio::DWORD m_mp3Rate = 44100;
    audio::DWORD m_mp3Bitrate = 128000;
    bool m_bCancelMp3 = false;
    std::vector<Mp3FormatQuestion> m_mp3Asked;
    ui::ScopedModalResponder<Mp3FormatQuestion> m_mp3{[this](const Mp3FormatQuestion& q) {
        m_mp3Asked.push_back(q);
        m_titleWhileAsked = LabelText(IDC_TITLE);
        if (m_bCancelMp3) return -1;
        for (std::size_t i = 0; i < q.formats.size(); ++i)
            if (q.formats[i].freq == m_mp3Rate && q.formats[i].bitrate == m_mp3Bitrate)
                return static_cast<int>(i);
        return -1;
    }};
};

}  // namespace exporttest
