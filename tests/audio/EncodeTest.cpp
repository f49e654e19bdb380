// Encoders on channels: external programs fed through a pipe, MP3 files made by LAME, WMA files
// made by FFmpeg. Real programs and real encoders; what they write is read back byte for byte or
// decoded with the layer and measured.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "AudioTestSupport.h"
#include "audio/ChildProcess.h"
#include "audio/CommandLine.h"
#include "support/Files.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace audio_test;

namespace {

void WriteExecutable(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    chmod(path.c_str(), 0755);
}

audio::HSTREAM OpenDecoder(const std::string& path) {
    return audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
}

// A decoding stream of a tone, written as WAV into `dir`.
audio::HSTREAM ToneStream(const TempDir& dir, int rate, int channels, double seconds,
                          double freq = 1000) {
    const std::string path = dir.File("tone-" + std::to_string(rate) + ".wav");
    WriteWav(path, rate, channels, Sine(freq, rate, channels, std::size_t(seconds * rate)));
    return OpenDecoder(path);
}

// Everything the stream still produces, as bytes (each read also feeds its unpaused encoders).
std::string ReadAllBytes(audio::DWORD handle) {
    const std::vector<std::int16_t> samples = ReadAll(handle);
    return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
}

// A command line whose program copies its standard input into `out`.
std::string CatInto(const std::string& out) {
    return "sh -c \"cat > \\\"$0\\\"\" \"" + out + "\"";
}

using test_audio::U16;
using test_audio::U32;

bool StartsWithFrameSync(const std::string& bytes, std::size_t at = 0) {
    return bytes.size() > at + 1 && static_cast<unsigned char>(bytes[at]) == 0xFF &&
           (static_cast<unsigned char>(bytes[at + 1]) & 0xE0) == 0xE0;
}

// No child of this process is left unreaped.
bool NoChildLeft() {
    int status;
    return waitpid(-1, &status, WNOHANG) == -1 && errno == ECHILD;
}

// ---------------------------------------------------------------- command lines

TEST(EncodeCommandLine, SplitsAtBlanksWithQuotesThatGroupAndEscape) {
    using audio::detail::SplitCommandLine;
    const auto faac = SplitCommandLine("faac -q 100 -c 16000  -o \"/m y/\\\"x\\\".m4a\" -");
    ASSERT_TRUE(faac);
    EXPECT_EQ(*faac, (std::vector<std::string>{"faac", "-q", "100", "-c", "16000", "-o",
                                               "/m y/\"x\".m4a", "-"}));

    // Backslashes: escape only '"' and '\' inside quotes; literal elsewhere. "" is an argument.
    const auto odd = SplitCommandLine("\t\"a\\\\b\\n\" c\\d \"\" x\"y z\"w ");
    ASSERT_TRUE(odd);
    EXPECT_EQ(*odd, (std::vector<std::string>{"a\\b\\n", "c\\d", "", "xy zw"}));

    EXPECT_FALSE(SplitCommandLine("faac \"open"));
    EXPECT_FALSE(SplitCommandLine("faac \"ends with an escaped quote\\\""));
    EXPECT_FALSE(SplitCommandLine(" \t "));
}

TEST(EncodeCommandLine, ProgramsBesideTheExecutableComeBeforeThoseOnPath) {
    using audio::detail::ResolveProgram;
    TempDir dir;
    const std::string name = "qv-encode-probe-" + std::to_string(getpid());
    const std::string onPath = dir.File(name);
    WriteExecutable(onPath, "#!/bin/sh\n");
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (dir.File("") + ":" + oldPath).c_str(), 1);
    EXPECT_TRUE(std::filesystem::equivalent(ResolveProgram(name), onPath));

    const std::string beside =
        (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
    WriteExecutable(beside, "#!/bin/sh\n");
    EXPECT_EQ(std::filesystem::canonical(ResolveProgram(name)), std::filesystem::canonical(beside));
    std::filesystem::remove(beside);

    // Only executable regular files count.
    chmod(onPath.c_str(), 0644);
    EXPECT_EQ(ResolveProgram(name), "");
    setenv("PATH", oldPath.c_str(), 1);

    EXPECT_EQ(ResolveProgram("qv-no-such-program"), "");
    EXPECT_EQ(ResolveProgram(dir.File("")), "");  // a folder given as a path
    EXPECT_EQ(ResolveProgram("/bin/sh"), "/bin/sh");
    EXPECT_NE(ResolveProgram("sh"), "");
}

// ---------------------------------------------------------------- external programs

TEST(EncodeProcess, ProgramReceivesTheWaveHeaderThenEveryBufferTheChannelProduces) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 22050, 2, 1.5);
    ASSERT_NE(stream, 0u);
    const std::string out = dir.File("copy.raw");
    const audio::HENCODE enc = audio::Encode_Start(stream, CatInto(out).c_str(), 0, nullptr, 0);
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    EXPECT_EQ(audio::Encode_IsActive(enc), 1u);
    const std::string pcm = ReadAllBytes(stream);
    ASSERT_EQ(pcm.size(), 33075u * 4);
    EXPECT_EQ(audio::Encode_Stop(enc), 1);
    EXPECT_EQ(audio::Encode_IsActive(enc), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);

    const std::string file = testenv::ReadFile(out);
    ASSERT_EQ(file.size(), 44 + pcm.size());
    EXPECT_EQ(file.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(file, 4), 0u);  // length unknown when the stream starts
    EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(file, 16), 16u);
    EXPECT_EQ(U16(file, 20), 1u);  // PCM
    EXPECT_EQ(U16(file, 22), 2u);
    EXPECT_EQ(U32(file, 24), 22050u);
    EXPECT_EQ(U32(file, 28), 22050u * 4);
    EXPECT_EQ(U16(file, 32), 4u);
    EXPECT_EQ(U16(file, 34), 16u);
    EXPECT_EQ(file.substr(36, 4), "data");
    EXPECT_EQ(U32(file, 40), 0u);
    EXPECT_TRUE(file.compare(44, std::string::npos, pcm) == 0);
    audio::StreamFree(stream);
}

TEST(EncodeProcess, AnEncoderProgramReadsTheUnsizedWaveStream) {
    TempDir dir;
    const std::string source = dir.File("source.wav");
    const std::vector<std::int16_t> samples = Sine(440, 44100, 1, 30000, 0.4);
    WriteWav(source, 44100, 1, samples);
    const audio::HSTREAM stream = OpenDecoder(source);
    const std::string out = dir.File("out.flac");
    const std::string cmd = "ffmpeg -nostdin -v error -f wav -i - -y \"" + out + "\"";
    const audio::HENCODE enc = audio::Encode_Start(stream, cmd.c_str(), 0, nullptr, 0);
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    ReadAll(stream);
    EXPECT_EQ(audio::Encode_Stop(stream), 1);  // by its channel
    audio::StreamFree(stream);

    const audio::HSTREAM decoded = OpenDecoder(out);
    ASSERT_NE(decoded, 0u) << audio::ErrorGetCode();
    EXPECT_EQ(ReadAll(decoded), samples);  // lossless: every sample arrived
    audio::StreamFree(decoded);
}

TEST(EncodeProcess, PausedEncodersGetOnlyWhatIsWrittenNoHeadLeavesTheHeaderOut) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 1.0);
    const std::string tapped = dir.File("tapped.raw"), written = dir.File("written.raw");
    const audio::HENCODE all =
        audio::Encode_Start(stream, CatInto(tapped).c_str(), audio::ENCODE_NOHEAD, nullptr, 0);
    const audio::HENCODE paused = audio::Encode_Start(
        stream, CatInto(written).c_str(), audio::ENCODE_NOHEAD | audio::ENCODE_PAUSE, nullptr, 0);
    ASSERT_NE(all, 0u);
    ASSERT_NE(paused, 0u);

    std::string pcm, sent;
    std::vector<char> block(20000);
    for (int i = 0;; ++i) {
        const audio::DWORD n = audio::ChannelGetData(stream, block.data(), 20000);
        if (n == audio::DWORD(-1)) break;
        pcm.append(block.data(), n);
        // Odd byte counts and splits inside a sample reach the program as they are.
        const std::string piece(block.data() + i % 7, 1 + i % 5);
        ASSERT_EQ(audio::Encode_Write(paused, piece.data(), audio::DWORD(piece.size())), 1);
        sent += piece;
    }
    // Through the channel's handle, a write reaches each of its encoders.
    ASSERT_EQ(audio::Encode_Write(stream, "both", 4), 1);
    EXPECT_EQ(audio::Encode_Stop(stream), 1);
    EXPECT_EQ(audio::Encode_IsActive(all), 0u);
    EXPECT_EQ(audio::Encode_IsActive(paused), 0u);

    ASSERT_EQ(pcm.size(), 44100u * 4);
    EXPECT_TRUE(testenv::ReadFile(tapped) == pcm + "both");
    EXPECT_EQ(testenv::ReadFile(written), sent + "both");
    audio::StreamFree(stream);
}

TEST(EncodeProcess, ProgramThatExitsAtOnceEndsTheEncoderNotThePlayer) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.5);
    const audio::HENCODE enc = audio::Encode_Start(stream, "true", audio::ENCODE_PAUSE, nullptr, 0);
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    // The pipe takes what fits until the program is gone; then every write fails, and SIGPIPE
    // (which would end this process) is never raised.
    std::vector<char> block(65536, 1);
    int accepted = 0;
    while (audio::Encode_Write(enc, block.data(), audio::DWORD(block.size())) && accepted < 10000)
        ++accepted;
    EXPECT_LT(accepted, 10000);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
    EXPECT_EQ(audio::Encode_Write(enc, block.data(), 4), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
    EXPECT_EQ(audio::Encode_IsActive(enc), 0u);
    // What was written did not reach a file: stopping says so, and frees the handle all the same.
    EXPECT_EQ(audio::Encode_Stop(enc), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
    EXPECT_EQ(audio::Encode_Stop(enc), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);

    // An unpaused encoder whose program has gone leaves the channel decoding.
    const audio::HENCODE gone = audio::Encode_Start(stream, "true", 0, nullptr, 0);
    ASSERT_NE(gone, 0u);
    EXPECT_EQ(ReadAllBytes(stream).size(), 22050u * 4);
    EXPECT_EQ(audio::Encode_IsActive(gone), 0u);
    audio::StreamFree(stream);
    EXPECT_EQ(audio::Encode_Stop(gone), 0);  // it outlives its channel until stopped
    EXPECT_TRUE(NoChildLeft());
}

TEST(EncodeProcess, ProgramsThatCannotBeStartedFailWithFileOpen) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.1);
    auto start = [&](const std::string& cmd) {
        return audio::Encode_Start(stream, cmd.c_str(), audio::ENCODE_PAUSE, nullptr, 0);
    };
    EXPECT_EQ(start("qv-no-such-encoder -o x -"), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    EXPECT_EQ(start("\"" + dir.File("") + "\""), 0u);  // a folder
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    const std::string notExecutable = dir.File("plain");
    std::ofstream(notExecutable) << "#!/bin/sh\n";
    EXPECT_EQ(start(notExecutable), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    // Executable, but no program: the failed exec is noticed, not taken for a start.
    const std::string garbage = dir.File("garbage");
    WriteExecutable(garbage, "\x01\x02\x03\x04 not a program");
    EXPECT_EQ(start(garbage), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);

    EXPECT_EQ(start("cat \"open quote"), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    EXPECT_EQ(start("   "), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    auto proc = [](audio::HENCODE, audio::DWORD, const void*, audio::DWORD, void*) {};
    EXPECT_EQ(audio::Encode_Start(stream, "cat", 0, proc, nullptr), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    EXPECT_EQ(audio::Encode_Start(0x7fffff01, "cat", 0, nullptr, nullptr), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);

    EXPECT_EQ(audio::Encode_Write(stream, "x", 1), 0);  // no encoder on it
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_EQ(audio::Encode_Stop(stream), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    audio::StreamFree(stream);
    EXPECT_TRUE(NoChildLeft());
}

TEST(EncodeProcess, StopReturnsOnceTheProgramHasFinishedItsFile) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.1);
    const std::string out = dir.File("slow.out");
    // The file appears under its name only some time after the input has ended.
    const std::string cmd =
        "sh -c \"cat > \\\"$0.part\\\"; sleep 0.4; mv \\\"$0.part\\\" \\\"$0\\\"\" \"" + out + "\"";
    const audio::HENCODE enc =
        audio::Encode_Start(stream, cmd.c_str(), audio::ENCODE_PAUSE, nullptr, 0);
    ASSERT_NE(enc, 0u);
    ASSERT_EQ(audio::Encode_Write(enc, "RIFF", 4), 1);
    EXPECT_EQ(audio::Encode_Stop(enc), 1);
    EXPECT_EQ(testenv::ReadFile(out).substr(44), "RIFF");
    audio::StreamFree(stream);
}

TEST(EncodeProcess, AProgramThatHangsIsGivenUpAfterThePatienceKilledAndReaped) {
    using audio::detail::ChildProcess;
    auto child = ChildProcess::Start("/bin/sleep", {"sleep", "60"}, std::chrono::milliseconds(200));
    ASSERT_TRUE(child);
    const pid_t pid = child->Pid();
    EXPECT_TRUE(child->Running());
    // It never reads: once the pipe is full, writing gives up instead of waiting for ever.
    const std::vector<char> megabyte(1 << 20);
    EXPECT_FALSE(child->Write(megabyte.data(), megabyte.size()));
    EXPECT_FALSE(child->Write(megabyte.data(), 1));
    EXPECT_TRUE(child->Running());
    EXPECT_FALSE(child->Finish(std::chrono::milliseconds(200)));
    EXPECT_FALSE(child->Running());
    EXPECT_EQ(kill(pid, 0), -1);  // gone, not a zombie
    EXPECT_EQ(errno, ESRCH);

    auto fine = ChildProcess::Start("/bin/sh", {"sh", "-c", "exit 0"});
    ASSERT_TRUE(fine);
    EXPECT_TRUE(fine->Finish(std::chrono::seconds(30)));
    auto failing = ChildProcess::Start("/bin/sh", {"sh", "-c", "exit 3"});
    ASSERT_TRUE(failing);
    EXPECT_FALSE(failing->Finish(std::chrono::seconds(30)));
    EXPECT_TRUE(NoChildLeft());
}

TEST(EncodeProcess, AutoFreedEncodersEndWithTheirChannelOthersLiveOn) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.2);
    const std::string withChannel = dir.File("a.raw"), survivor = dir.File("b.raw");
    const audio::DWORD flags = audio::ENCODE_NOHEAD | audio::ENCODE_PAUSE;
    const audio::HENCODE a = audio::Encode_Start(stream, CatInto(withChannel).c_str(),
                                                 flags | audio::ENCODE_AUTOFREE, nullptr, 0);
    const audio::HENCODE b =
        audio::Encode_Start(stream, CatInto(survivor).c_str(), flags, nullptr, 0);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_EQ(audio::Encode_Write(stream, "abc", 3), 1);

    ASSERT_EQ(audio::StreamFree(stream), 1);
    EXPECT_EQ(audio::Encode_IsActive(a), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_EQ(testenv::ReadFile(withChannel), "abc");  // finished by the time the channel is gone

    EXPECT_EQ(audio::Encode_IsActive(b), 1u);
    EXPECT_EQ(audio::Encode_Write(b, "def", 3), 1);
    EXPECT_EQ(audio::Encode_Stop(b), 1);
    EXPECT_EQ(testenv::ReadFile(survivor), "abcdef");
    EXPECT_TRUE(NoChildLeft());
}

TEST(EncodeProcess, FreeingTheLayerFinishesEveryEncoder) {
    ASSERT_EQ(audio::Init(-1, 44100, 0, nullptr, nullptr), 1) << audio::ErrorGetCode();
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.2);
    const std::string out = dir.File("out.raw");
    const audio::HENCODE enc = audio::Encode_Start(
        stream, CatInto(out).c_str(), audio::ENCODE_NOHEAD | audio::ENCODE_PAUSE, nullptr, 0);
    ASSERT_NE(enc, 0u);
    const audio::HWMENCODE wma = audio::WMA_EncodeOpenFile(44100, 2, audio::WMA_ENCODE_STANDARD,
                                                           128000, dir.File("open.wma").c_str());
    ASSERT_NE(wma, 0u);
    const std::vector<std::int16_t> tone = Sine(1000, 44100, 2, 44100 / 5);
    ASSERT_EQ(audio::WMA_EncodeWrite(wma, tone.data(), audio::DWORD(tone.size() * 2)), 1);
    ASSERT_EQ(audio::Encode_Write(enc, "xyz", 3), 1);
    ASSERT_EQ(audio::Free(), 1);
    EXPECT_EQ(audio::Encode_IsActive(enc), 0u);
    EXPECT_EQ(testenv::ReadFile(out), "xyz");
    EXPECT_EQ(audio::WMA_EncodeClose(wma), 0);  // closed already
    const audio::HSTREAM decoded =
        audio::WMA_StreamCreateFile(0, dir.File("open.wma").c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(decoded, 0u) << "the WMA file was completed";
    EXPECT_GE(ReadAll(decoded).size(), tone.size());
    audio::StreamFree(decoded);
    EXPECT_TRUE(NoChildLeft());
}

// ---------------------------------------------------------------- MP3 (LAME)

struct ChooserLog {
    std::vector<audio::ACMFORMATCHOICE> formats;
    audio::DWORD sourceFreq = 0;
    int calls = 0;
    // Entry to choose: the one with this rate and bitrate; none: cancel.
    audio::DWORD wantFreq = 0, wantBitrate = 0;
};

int RecordingChooser(const char*, const audio::ACMFORMATCHOICE* formats, int count,
                     audio::DWORD sourceFreq, void* user) {
    auto* log = static_cast<ChooserLog*>(user);
    ++log->calls;
    log->formats.assign(formats, formats + count);
    log->sourceFreq = sourceFreq;
    for (int i = 0; i < count; ++i)
        if (formats[i].freq == log->wantFreq && formats[i].bitrate == log->wantBitrate) return i;
    return -1;
}

class EncodeMp3 : public ::testing::Test {
protected:
    void TearDown() override { audio::Encode_SetACMChooser(nullptr, nullptr); }

    // The chooser's answer for `stream` when the entry freq/bitrate is chosen (the player's call).
    audio::MPEGLAYER3WAVEFORMAT Choose(audio::HSTREAM stream, audio::DWORD freq,
                                       audio::DWORD bitrate) {
        ChooserLog log;
        log.wantFreq = freq;
        log.wantBitrate = bitrate;
        audio::Encode_SetACMChooser(RecordingChooser, &log);
        audio::MPEGLAYER3WAVEFORMAT form{};
        EXPECT_EQ(audio::Encode_GetACMFormat(stream, &form, sizeof form, nullptr, 0x550004),
                  sizeof form);
        return form;
    }
};

TEST_F(EncodeMp3, ChooserListsTheLayer3FormatsForTheChannelCountInScanningOrder) {
    TempDir dir;
    EXPECT_EQ(audio::Encode_GetACMFormat(0, nullptr, 0, nullptr, 0),
              sizeof(audio::MPEGLAYER3WAVEFORMAT));

    for (int chans : {1, 2}) {
        SCOPED_TRACE(chans);
        const audio::HSTREAM stream = ToneStream(dir, 48000, chans, 0.1);
        ChooserLog log;
        log.wantFreq = 22050;
        log.wantBitrate = 64000;
        audio::Encode_SetACMChooser(RecordingChooser, &log);
        audio::MPEGLAYER3WAVEFORMAT form{};
        ASSERT_EQ(audio::Encode_GetACMFormat(stream, &form, sizeof form, nullptr, 0x550004), 30u);
        EXPECT_EQ(log.calls, 1);
        EXPECT_EQ(log.sourceFreq, 48000u);

        std::set<audio::DWORD> rates;
        std::map<audio::DWORD, std::pair<audio::DWORD, audio::DWORD>> range;  // min, max
        for (std::size_t i = 0; i < log.formats.size(); ++i) {
            const auto& f = log.formats[i];
            EXPECT_EQ(f.chans, audio::DWORD(chans));
            if (i > 0) {
                const auto& p = log.formats[i - 1];
                EXPECT_TRUE(p.freq < f.freq || (p.freq == f.freq && p.bitrate < f.bitrate));
            }
            rates.insert(f.freq);
            auto [it, fresh] = range.try_emplace(f.freq, f.bitrate, f.bitrate);
            it->second.first = std::min(it->second.first, f.bitrate);
            it->second.second = std::max(it->second.second, f.bitrate);
        }
        EXPECT_EQ(rates, (std::set<audio::DWORD>{8000, 11025, 12000, 16000, 22050, 24000, 32000,
                                                 44100, 48000}));
        EXPECT_EQ(range[44100], std::make_pair(32000u, 320000u));
        EXPECT_EQ(range[22050], std::make_pair(8000u, 160000u));
        EXPECT_EQ(range[8000], std::make_pair(8000u, 64000u));
        EXPECT_EQ(log.formats.size(), 3u * 14 + 3 * 14 + 3 * 8);

        // The chosen entry, described as a WAVE format (MPEG-2: 576-sample frames).
        EXPECT_EQ(form.wfx.wFormatTag, 0x55);
        EXPECT_EQ(form.wfx.nChannels, chans);
        EXPECT_EQ(form.wfx.nSamplesPerSec, 22050u);
        EXPECT_EQ(form.wfx.nAvgBytesPerSec, 8000u);
        EXPECT_EQ(form.wfx.nBlockAlign, 1);
        EXPECT_EQ(form.wfx.wBitsPerSample, 0);
        EXPECT_EQ(form.wfx.cbSize, 12);
        EXPECT_EQ(form.wID, 1);
        EXPECT_EQ(form.fdwFlags, 2u);
        EXPECT_EQ(form.nBlockSize, 72 * 64000 / 22050);
        EXPECT_EQ(form.nFramesPerBlock, 1);
        EXPECT_EQ(form.nCodecDelay, 1393);
        audio::StreamFree(stream);
    }
}

TEST_F(EncodeMp3, CancelledOrMissingChooserAndOtherCodecsGiveNoFormat) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.1);
    audio::MPEGLAYER3WAVEFORMAT form{};
    audio::Encode_SetACMChooser(nullptr, nullptr);
    EXPECT_EQ(audio::Encode_GetACMFormat(stream, &form, sizeof form, nullptr, 0x550004), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOTAVAIL);

    ChooserLog log;  // chooses nothing: the user cancels
    audio::Encode_SetACMChooser(RecordingChooser, &log);
    EXPECT_EQ(audio::Encode_GetACMFormat(stream, &form, sizeof form, nullptr, 0x550004), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ACM_CANCEL);
    EXPECT_EQ(log.calls, 1);

    EXPECT_EQ(audio::Encode_GetACMFormat(stream, &form, sizeof form, nullptr, 0x00010004), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOTAVAIL);
    EXPECT_EQ(audio::Encode_GetACMFormat(0x7fffff01, &form, sizeof form, nullptr, 0x550004), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_EQ(log.calls, 1);
    audio::StreamFree(stream);
}

TEST_F(EncodeMp3, PausedEncoderFromA48kSourceMakesBareFramesOfTheRightLengthAndPitch) {
    TempDir dir;
    constexpr std::size_t kSourceFrames = 48000 * 4;
    const audio::HSTREAM stream = ToneStream(dir, 48000, 2, 4.0);
    const audio::MPEGLAYER3WAVEFORMAT form = Choose(stream, 44100, 128000);
    const std::string out = dir.File("out.mp3");
    // As the player saves: paused, every block written by hand, stopped through the channel.
    const audio::HENCODE enc = audio::Encode_StartACMFile(
        stream, &form, audio::ENCODE_NOHEAD | audio::ENCODE_PAUSE | audio::ENCODE_AUTOFREE,
        out.c_str());
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    std::vector<char> block(20000);
    for (;;) {
        const audio::DWORD n = audio::ChannelGetData(stream, block.data(), 20000);
        if (n == audio::DWORD(-1)) break;
        // Split inside a sample frame: the encoder must keep the sample order.
        ASSERT_EQ(audio::Encode_Write(enc, block.data(), 3), 1);
        ASSERT_EQ(audio::Encode_Write(enc, block.data() + 3, n - 3), 1);
    }
    EXPECT_EQ(audio::Encode_Stop(stream), 1);
    audio::StreamFree(stream);

    const std::string bytes = testenv::ReadFile(out);
    EXPECT_TRUE(StartsWithFrameSync(bytes));
    const double seconds = 4.0;
    EXPECT_NEAR(bytes.size() * 8 / seconds, 128000, 128000 * 0.03);

    const audio::HSTREAM mp3 = OpenDecoder(out);
    ASSERT_NE(mp3, 0u) << audio::ErrorGetCode();
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(mp3, &info);
    EXPECT_EQ(info.freq, 44100u);
    EXPECT_EQ(info.chans, 2u);
    const std::vector<std::int16_t> pcm = ReadAll(mp3);
    const std::size_t frames = pcm.size() / 2;
    const std::size_t expected = kSourceFrames * 44100 / 48000;
    // LAME's delay and the last frame's filling come on top; nothing is lost.
    EXPECT_GE(frames, expected);
    EXPECT_LE(frames, expected + 1152 + 1393 + 1152);
    const std::vector<std::int16_t> middle(pcm.begin() + 44100 * 2, pcm.begin() + 44100 * 2 * 3);
    EXPECT_NEAR(ZeroCrossingFrequency(middle, 2, 44100), 1000, 2);
    EXPECT_GT(Rms(middle.data() + 1, middle.size() / 2, 2), 0.5 * 32767 * 0.7 * 0.9);
    audio::StreamFree(mp3);
}

TEST_F(EncodeMp3, WithoutNoHeadTheFramesComeInAWaveFileOfThatFormat) {
    TempDir dir;
    constexpr std::size_t kSourceFrames = 22050 * 3;
    const audio::HSTREAM stream = ToneStream(dir, 22050, 1, 3.0, 500);
    const audio::MPEGLAYER3WAVEFORMAT form = Choose(stream, 22050, 64000);
    const std::string out = dir.File("out.wav");
    // Not paused: reading the stream feeds it, as when a CD track is converted.
    const audio::HENCODE enc = audio::Encode_StartACMFile(stream, &form, 0, out.c_str());
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    ReadAll(stream);
    EXPECT_EQ(audio::Encode_Stop(enc), 1);
    audio::StreamFree(stream);

    const std::string bytes = testenv::ReadFile(out);
    ASSERT_GT(bytes.size(), 58u);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(U32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(U32(bytes, 16), 30u);
    EXPECT_EQ(bytes.compare(20, 30, std::string(reinterpret_cast<const char*>(&form), 30)), 0);
    EXPECT_EQ(bytes.substr(50, 4), "data");
    const std::uint32_t data = U32(bytes, 54);
    EXPECT_EQ(58 + data + (data & 1), bytes.size());
    EXPECT_TRUE(StartsWithFrameSync(bytes, 58));

    const audio::HSTREAM decoded = OpenDecoder(out);
    ASSERT_NE(decoded, 0u) << audio::ErrorGetCode();
    const std::vector<std::int16_t> pcm = ReadAll(decoded);
    EXPECT_GE(pcm.size(), kSourceFrames);
    EXPECT_LE(pcm.size(), kSourceFrames + 576 + 1393 + 576);
    const std::vector<std::int16_t> middle(pcm.begin() + 22050, pcm.begin() + 22050 * 2);
    EXPECT_NEAR(ZeroCrossingFrequency(middle, 1, 22050), 500, 2);
    audio::StreamFree(decoded);
}

TEST_F(EncodeMp3, FormatsLameCannotMakeAndFilesThatCannotBeCreatedAreRefused) {
    TempDir dir;
    const audio::HSTREAM stream = ToneStream(dir, 44100, 2, 0.1);
    const audio::MPEGLAYER3WAVEFORMAT good = Choose(stream, 44100, 128000);
    const std::string out = dir.File("x.mp3");
    auto refused = [&](audio::MPEGLAYER3WAVEFORMAT form, const std::string& path, int error) {
        const audio::HENCODE enc =
            audio::Encode_StartACMFile(stream, &form, audio::ENCODE_NOHEAD, path.c_str());
        const int code = audio::ErrorGetCode();
        if (enc) audio::Encode_Stop(enc);
        return enc == 0 && code == error;
    };
    auto bad = good;
    bad.wfx.wFormatTag = 1;
    EXPECT_TRUE(refused(bad, out, audio::ERROR_CODEC));
    bad = good;
    bad.wfx.nAvgBytesPerSec = 1000;  // 8 kbps does not exist at 44.1 kHz
    EXPECT_TRUE(refused(bad, out, audio::ERROR_CODEC));
    bad = good;
    bad.wfx.nSamplesPerSec = 96000;
    EXPECT_TRUE(refused(bad, out, audio::ERROR_CODEC));
    bad = good;
    bad.wfx.nChannels = 3;
    EXPECT_TRUE(refused(bad, out, audio::ERROR_CODEC));
    EXPECT_FALSE(std::filesystem::exists(out));

    EXPECT_TRUE(refused(good, dir.File("missing/x.mp3"), audio::ERROR_CREATE));
    EXPECT_TRUE(refused(good, dir.File(""), audio::ERROR_CREATE));  // a folder
    EXPECT_EQ(audio::Encode_StartACMFile(0x7fffff01, &good, 0, out.c_str()), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    audio::StreamFree(stream);
}

// ---------------------------------------------------------------- WMA (FFmpeg)

const std::string kMusic = "/usr/share/scummvm/drascula/audio/track2.ogg";

// Seconds and bits per second of a file as libavformat measures them, and its codec.
struct Probe {
    double seconds = 0;
    double bitsPerSecond = 0;
    AVCodecID codec = AV_CODEC_ID_NONE;
};

Probe ProbeFile(const std::string& path) {
    Probe p;
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0) return p;
    if (avformat_find_stream_info(ctx, nullptr) >= 0 && ctx->nb_streams == 1) {
        p.codec = ctx->streams[0]->codecpar->codec_id;
        p.seconds = double(ctx->duration) / AV_TIME_BASE;
        p.bitsPerSecond = double(std::filesystem::file_size(path)) * 8 / p.seconds;
    }
    avformat_close_input(&ctx);
    return p;
}

TEST(EncodeWma, RatesForCdAudioAreListedHighestFirstAndEndWithZero) {
    const audio::DWORD* rates = audio::WMA_EncodeGetRates(44100, 2, 0);
    ASSERT_NE(rates, nullptr);
    std::vector<audio::DWORD> list;
    for (; *rates; ++rates) list.push_back(*rates);
    ASSERT_GE(list.size(), 4u);
    EXPECT_TRUE(std::is_sorted(list.rbegin(), list.rend()));
    EXPECT_NE(std::find(list.begin(), list.end(), 128000u), list.end());

    EXPECT_EQ(audio::WMA_EncodeGetRates(96000, 2, 0), nullptr);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOTAVAIL);
    EXPECT_EQ(audio::WMA_EncodeGetRates(44100, 6, 0), nullptr);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOTAVAIL);
}

TEST(EncodeWma, EveryOfferedRateIsTheRateOfTheFileMadeFromMusic) {
    ASSERT_TRUE(std::filesystem::exists(kMusic)) << "scripts/install-deps installs drascula-music";
    TempDir dir;
    const audio::HSTREAM song = OpenDecoder(kMusic);
    ASSERT_NE(song, 0u);
    const std::vector<std::int16_t> pcm = ReadFrames(song, 2, 44100 * 20);
    audio::StreamFree(song);
    ASSERT_EQ(pcm.size(), 44100u * 20 * 2);

    for (const audio::DWORD* rate = audio::WMA_EncodeGetRates(44100, 2, 0); *rate; ++rate) {
        SCOPED_TRACE(*rate);
        const std::string out = dir.File(std::to_string(*rate) + ".wma");
        const audio::HWMENCODE enc =
            audio::WMA_EncodeOpenFile(44100, 2, audio::WMA_ENCODE_STANDARD, *rate, out.c_str());
        ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
        ASSERT_EQ(audio::WMA_EncodeWrite(enc, pcm.data(), audio::DWORD(pcm.size() * 2)), 1);
        ASSERT_EQ(audio::WMA_EncodeClose(enc), 1);
        const Probe probe = ProbeFile(out);
        EXPECT_EQ(probe.codec, AV_CODEC_ID_WMAV2);
        EXPECT_NEAR(probe.seconds, 20.0, 0.2);
        EXPECT_NEAR(probe.bitsPerSecond, double(*rate), 0.1 * *rate);
    }
}

TEST(EncodeWma, WritesOfAnySizeMakeAFileOfTheRightLengthAndPitch) {
    TempDir dir;
    constexpr std::size_t kFrames = 44100 * 5 + 123;
    const std::vector<std::int16_t> tone = Sine(1000, 44100, 2, kFrames);
    const std::string out = dir.File("tone.wma");
    const audio::HWMENCODE enc =
        audio::WMA_EncodeOpenFile(44100, 2, audio::WMA_ENCODE_STANDARD, 128000, out.c_str());
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    // Pieces of every size, odd ones splitting samples and sample frames.
    const auto* bytes = reinterpret_cast<const char*>(tone.data());
    const std::size_t total = tone.size() * 2;
    std::size_t at = 0;
    for (std::size_t i = 0; at < total; ++i) {
        const std::size_t n = std::min(total - at, std::size_t(i % 4 == 0 ? 20000 : i % 9 + 1));
        ASSERT_EQ(audio::WMA_EncodeWrite(enc, bytes + at, audio::DWORD(n)), 1);
        at += n;
    }
    ASSERT_EQ(audio::WMA_EncodeClose(enc), 1);
    EXPECT_EQ(audio::WMA_EncodeClose(enc), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);

    const audio::HSTREAM decoded =
        audio::WMA_StreamCreateFile(0, out.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(decoded, 0u) << audio::ErrorGetCode();
    const std::vector<std::int16_t> pcm = ReadAll(decoded);
    const std::size_t frames = pcm.size() / 2;
    // The last frame's filling and the silence that pushes it out of the encoder come on top.
    EXPECT_GE(frames, kFrames + 500);
    EXPECT_LE(frames, kFrames + 2048 + 2048);
    const std::vector<std::int16_t> middle(pcm.begin() + 44100 * 2, pcm.begin() + 44100 * 2 * 3);
    EXPECT_NEAR(ZeroCrossingFrequency(middle, 2, 44100), 1000, 2);
    EXPECT_GT(Rms(middle.data(), middle.size() / 2, 2), 0.5 * 32767 * 0.7 * 0.8);
    // The tone is there from the first frame to the last one written: the decoded file is
    // neither cut at either end nor shifted.
    EXPECT_GT(Rms(pcm.data() + 100 * 2, 900, 2), 0.5 * 32767 * 0.7 * 0.8);
    const std::size_t tail = std::min(frames, kFrames) - 1000;
    EXPECT_GT(Rms(pcm.data() + tail * 2, 900, 2), 0.5 * 32767 * 0.7 * 0.8);
    EXPECT_LT(Rms(pcm.data() + (kFrames + 500) * 2, frames - kFrames - 500, 2), 0.1 * 32767);
    audio::StreamFree(decoded);
}

TEST(EncodeWma, SettingsTheEncoderRefusesAndFilesThatCannotBeCreated) {
    TempDir dir;
    const std::string out = dir.File("x.wma");
    auto open = [&](audio::DWORD freq, audio::DWORD chans, audio::DWORD bitrate,
                    const std::string& path) {
        return audio::WMA_EncodeOpenFile(freq, chans, audio::WMA_ENCODE_STANDARD, bitrate,
                                         path.c_str());
    };
    EXPECT_EQ(open(44100, 2, 127000, out), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_WMA_CODEC);
    EXPECT_EQ(open(44100, 2, 0, out), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_WMA_CODEC);
    EXPECT_EQ(open(96000, 2, 128000, out), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_WMA_CODEC);
    EXPECT_EQ(open(44100, 3, 128000, out), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_WMA_CODEC);
    EXPECT_FALSE(std::filesystem::exists(out));

    EXPECT_EQ(open(44100, 2, 128000, dir.File("missing/x.wma")), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_CREATE);
    EXPECT_EQ(open(44100, 2, 128000, dir.File("")), 0u);  // a folder
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_CREATE);

    EXPECT_EQ(audio::WMA_EncodeWrite(0x7fffff01, "ab", 2), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_EQ(audio::WMA_EncodeClose(0x7fffff01), 0);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);

    // A mono file at another listed rate opens, takes samples and closes into a WMA file.
    const audio::DWORD* mono = audio::WMA_EncodeGetRates(22050, 1, 0);
    ASSERT_NE(mono, nullptr);
    const audio::HWMENCODE enc = open(22050, 1, mono[0], out);
    ASSERT_NE(enc, 0u) << audio::ErrorGetCode();
    const std::vector<std::int16_t> tone = Sine(300, 22050, 1, 22050);
    EXPECT_EQ(audio::WMA_EncodeWrite(enc, tone.data(), audio::DWORD(tone.size() * 2)), 1);
    EXPECT_EQ(audio::WMA_EncodeClose(enc), 1);
    EXPECT_EQ(ProbeFile(out).codec, AV_CODEC_ID_WMAV2);
}

}  // namespace
