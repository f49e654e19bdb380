// Files that are missing, unreadable, empty, not audio, or broken: a clean failure with a fitting
// error code, or for damaged audio the part that is really there, never a crash or a hang.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "AudioTestSupport.h"
#include "support/Files.h"

using namespace audio_test;

namespace {

audio::HSTREAM Open(const std::string& path) {
    return audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
}

TEST(BadInput, FilesThatCannotBeOpenedFailWithFileOpen) {
    TempDir dir;
    EXPECT_EQ(Open(dir.File("missing.mp3")), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    EXPECT_EQ(Open(dir.File("")), 0u);  // the folder itself
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    EXPECT_EQ(audio::StreamCreateFile(0, nullptr, 0, 0, audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);

    // Without read permission (tests may run as root, who reads it anyway: then it must decode).
    const std::string locked = dir.File("locked.wav");
    WriteWav(locked, 44100, 2, Sine(440, 44100, 2, 4410));
    chmod(locked.c_str(), 0);
    const audio::HSTREAM h = Open(locked);
    if (h == 0) {
        EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    } else {
        EXPECT_EQ(audio::ChannelGetLength(h), 4410u * 4);
    }
    audio::StreamFree(h);
}

TEST(BadInput, FilesThatAreNotAudioFailWithFileForm) {
    TempDir dir;
    const std::string empty = dir.File("empty.wav");
    testenv::WriteFile(empty, "");
    EXPECT_EQ(Open(empty), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEFORM);

    const std::string text = dir.File("notes.mp3");
    std::string lines;
    for (int i = 0; i < 200; ++i)
        lines += "This is a shopping list, not a song. Line " + std::to_string(i) + "\n";
    testenv::WriteFile(text, lines);
    EXPECT_EQ(Open(text), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEFORM);

    // A WAV cut off inside its header.
    const std::string wav = dir.File("ok.wav");
    WriteWav(wav, 44100, 2, Sine(440, 44100, 2, 44100));
    const std::string headerOnly = dir.File("cut-header.wav");
    testenv::WriteFile(headerOnly, testenv::ReadFile(wav).substr(0, 30));
    EXPECT_EQ(Open(headerOnly), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEFORM);
}

// A recorder that stopped early leaves a WAV whose header promises more than it holds (or 4 GB):
// it opens with the length of the data really present.
TEST(BadInput, WavWhoseHeaderPromisesMoreOpensWithTheDataPresent) {
    TempDir dir;
    const std::vector<std::int16_t> samples = Sine(440, 44100, 2, 44100);
    const std::string wav = dir.File("ok.wav");
    WriteWav(wav, 44100, 2, samples);
    const std::string bytes = testenv::ReadFile(wav);

    const std::string truncated = dir.File("truncated.wav");
    testenv::WriteFile(truncated,
                       bytes.substr(0, 44 + 10000 * 4 + 3));  // a partial frame at the end
    audio::HSTREAM h = Open(truncated);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(audio::ChannelGetLength(h), 10000u * 4);
    std::vector<std::int16_t> all = ReadAll(h);
    EXPECT_EQ(all, std::vector<std::int16_t>(samples.begin(), samples.begin() + 20000));
    audio::StreamFree(h);

    std::string huge = bytes;
    const std::uint32_t claim = 0xFFFFFFF0u;
    huge.replace(40, 4, reinterpret_cast<const char*>(&claim), 4);  // data size
    huge.replace(4, 4, reinterpret_cast<const char*>(&claim), 4);   // RIFF size
    const std::string hugePath = dir.File("claims-4gb.wav");
    testenv::WriteFile(hugePath, huge);
    h = Open(hugePath);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(audio::ChannelGetLength(h), 44100u * 4);
    EXPECT_EQ(ReadAll(h), samples);
    audio::StreamFree(h);
}

TEST(BadInput, TruncatedAndDamagedMp3DecodesWhatIsThere) {
    TempDir dir;
    const std::string wav = dir.File("s.wav");
    WriteWav(wav, 44100, 2, Sine(440, 44100, 2, 44100 * 2));
    const std::string mp3 = dir.File("s.mp3");
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a libmp3lame -b:a 128k", mp3));
    const std::string bytes = testenv::ReadFile(mp3);

    const std::string cut = dir.File("cut.mp3");
    testenv::WriteFile(cut, bytes.substr(0, bytes.size() / 2 + 77));
    audio::HSTREAM h = Open(cut);
    ASSERT_NE(h, 0u);
    audio::QWORD length = audio::ChannelGetLength(h);
    EXPECT_GT(length, 44100u * 4 * 8 / 10);
    EXPECT_LT(length, 44100u * 4 * 12 / 10);
    EXPECT_EQ(ReadAll(h).size() * 2, length);
    audio::StreamFree(h);

    // Garbage in the middle: the stream still decodes to its length, the damage as silence.
    std::string damaged = bytes;
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 3 + 3000; ++i)
        damaged[i] = static_cast<char>(i * 7919);
    const std::string damagedPath = dir.File("damaged.mp3");
    testenv::WriteFile(damagedPath, damaged);
    h = Open(damagedPath);
    ASSERT_NE(h, 0u);
    length = audio::ChannelGetLength(h);
    EXPECT_EQ(ReadAll(h).size() * 2, length);
    EXPECT_TRUE(audio::ChannelSetPosition(h, length / 2 / 4 * 4));
    EXPECT_FALSE(ReadFrames(h, 2, 1000).empty());
    audio::StreamFree(h);
}

TEST(BadInput, CallsWithBadHandlesOrArgumentsFailWithTheirCodes) {
    EXPECT_EQ(audio::ChannelGetLength(12345), audio::QWORD(-1));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_FALSE(audio::ChannelPlay(0, 0));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_FALSE(audio::ChannelRemoveDSP(0, 0));
    EXPECT_FALSE(audio::ChannelRemoveSync(0, 0));
    EXPECT_FALSE(audio::StreamFree(0));
    EXPECT_FALSE(audio::FXSetParameters(0, nullptr));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_FALSE(audio::Free());
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_INIT);

    TempDir dir;
    const std::string wav = dir.File("s.wav");
    WriteWav(wav, 44100, 2, Sine(440, 44100, 2, 4410));
    EXPECT_EQ(audio::StreamCreateFile(0, wav.c_str(), 0, 0, 0), 0u);  // playable needs Init
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_INIT);
    EXPECT_EQ(
        audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE | audio::SAMPLE_FLOAT),
        0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FORMAT);

    const audio::HSTREAM h = Open(wav);
    ASSERT_NE(h, 0u);
    EXPECT_FALSE(audio::ChannelPlay(h, 0));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_DECODE);
    EXPECT_FALSE(audio::ChannelSetAttributes(h, -1, 101, -101));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    EXPECT_EQ(audio::ChannelSetFX(h, 3, 0), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLTYPE);
    EXPECT_EQ(audio::ChannelSetSync(
                  h, 9, 0, [](audio::HSYNC, audio::DWORD, audio::DWORD, void*) {}, nullptr),
              0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLTYPE);
    EXPECT_EQ(audio::FX_TempoSet(h, 0, 0, 0), 0);  // not a tempo stream
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_HANDLE);
    EXPECT_TRUE(audio::StreamFree(h));
    EXPECT_FALSE(audio::StreamFree(h));
}

TEST(BadInput, VersionAndPluginNames) {
    EXPECT_EQ((audio::GetVersion() >> 16) & 0xFFFF, 0x0203u);
    EXPECT_NE(audio::PluginLoad("bass_aac.dll", 0), 0u);
    EXPECT_NE(audio::PluginLoad("basswma.dll", 0), 0u);
    EXPECT_EQ(audio::PluginLoad("something.dll", 0), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
}

}  // namespace
