// Exact lengths and sample-accurate seeking for every supported format: reading from the start up
// to a frame gives the same samples as seeking to that frame and reading on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/FileDecoder.h"
#include "audio/PacketIndexBuilder.h"

using namespace audio_test;

namespace {

constexpr int kRate = 44100;
constexpr std::size_t kFrames = kRate * 3;

// Two different tones, one per channel, under a slow swell: every block differs from the next.
std::vector<std::int16_t> SourceSignal() {
    std::vector<std::int16_t> s(kFrames * 2);
    for (std::size_t i = 0; i < kFrames; ++i) {
        const double t = double(i) / kRate;
        const double swell = 0.35 + 0.25 * std::sin(2 * std::numbers::pi * 0.7 * t);
        s[2 * i] =
            static_cast<std::int16_t>(32767 * swell * std::sin(2 * std::numbers::pi * 440 * t));
        s[2 * i + 1] =
            static_cast<std::int16_t>(32767 * swell * std::sin(2 * std::numbers::pi * 659.3 * t));
    }
    return s;
}

struct Format {
    const char* name;
    const char* file;
    const char* options;  // ffmpeg encoding options; nullptr: our own WAV
    bool lossless;
    bool trueLength;  // the container tells the encoder's delay and padding
    bool exactSeek;   // the codec settles on identical samples after a seek
};

std::ostream& operator<<(std::ostream& os, const Format& f) {
    return os << f.name;
}

class DecodingTest : public ::testing::TestWithParam<Format> {};

// Seeking `h` to frames all over the song and reading on gives the samples of `all`, the song
// decoded from the start: exactly, or within what a codec's own noise allows.
void ExpectSeeksLandOn(audio::HSTREAM h, const std::vector<std::int16_t>& all, bool exactSeek) {
    const int frameBytes = 4;
    const std::size_t frames = all.size() / 2;
    ASSERT_GT(frames, std::size_t(kRate));
    const std::size_t targets[] = {
        0, 1, 577, 1151, 1152, 4095, 33333, frames / 2 + 7, frames - 3000, frames - 1};
    for (std::size_t target : targets) {
        ASSERT_TRUE(audio::ChannelSetPosition(h, target * frameBytes)) << target;
        EXPECT_EQ(audio::ChannelGetPosition(h), target * frameBytes);
        const std::vector<std::int16_t> got = ReadFrames(h, 2, 2048);
        const std::size_t expectFrames = std::min<std::size_t>(2048, frames - target);
        ASSERT_EQ(got.size(), expectFrames * 2) << "at " << target;
        std::size_t worst = 0;
        for (std::size_t i = 0; i < got.size(); ++i)
            worst = std::max<std::size_t>(worst, std::abs(got[i] - all[target * 2 + i]));
        if (exactSeek)
            EXPECT_EQ(worst, 0u) << "after seeking to " << target;
        else
            EXPECT_LE(worst, 400u) << "after seeking to " << target;
    }
}

// Makes the song of `format` at `path` from `source`; false when ffmpeg fails.
bool MakeSong(const Format& format, const std::vector<std::int16_t>& source, const TempDir& dir,
              const std::string& path) {
    const std::string wav = dir.File("source.wav");
    WriteWav(format.options ? wav : path, kRate, 2, source);
    return !format.options || Ffmpeg("-i '" + wav + "' " + format.options, path);
}

TEST_P(DecodingTest, LengthIsExactAndSeekingIsSampleAccurate) {
    const Format& format = GetParam();
    TempDir dir;
    const std::vector<std::int16_t> source = SourceSignal();
    const std::string wav = dir.File("source.wav");
    WriteWav(wav, kRate, 2, source);
    std::string path = wav;
    if (format.options) {
        path = dir.File(format.file);
        ASSERT_TRUE(Ffmpeg("-i '" + wav + "' " + format.options, path));
    }

    const audio::HSTREAM h = audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(h, 0u) << "error " << audio::ErrorGetCode();
    audio::CHANNELINFO info{};
    ASSERT_TRUE(audio::ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 2u);
    const int frameBytes = 4;

    const audio::QWORD length = audio::ChannelGetLength(h);
    const std::vector<std::int16_t> all = ReadAll(h);
    EXPECT_EQ(all.size() * 2, length) << "the length must be what decoding delivers";
    EXPECT_EQ(audio::ChannelIsActive(h), audio::ACTIVE_STOPPED);
    EXPECT_EQ(audio::ChannelGetPosition(h), length);
    if (format.lossless) {
        EXPECT_EQ(all, source);
    }
    if (format.trueLength) {
        EXPECT_EQ(length, kFrames * frameBytes);
        // In place, not shifted: close to the source all along.
        double signal = 0, error = 0;
        for (std::size_t i = 0; i < std::min(all.size(), source.size()); ++i) {
            signal += double(source[i]) * source[i];
            error += double(all[i] - source[i]) * (all[i] - source[i]);
        }
        EXPECT_GT(10 * std::log10(signal / error), 20.0);
    }
    // No stretch of the tone is missing (a packet placed wrongly would leave silence).
    const std::size_t window = kRate / 50;
    for (std::size_t w = kRate / 10; w + window < all.size() / 2 - kRate / 10; w += window)
        ASSERT_GT(Rms(all.data() + 2 * w, window, 2), 1000.0) << "silent at frame " << w;

    ExpectSeeksLandOn(h, all, format.exactSeek);
    // The end itself is a valid position; beyond it is not.
    EXPECT_TRUE(audio::ChannelSetPosition(h, length));
    EXPECT_FALSE(audio::ChannelSetPosition(h, length + frameBytes));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_POSITION);
    EXPECT_TRUE(audio::StreamFree(h));
}

// A file opened again while unchanged (the loop editor's reader after the load, a reload after a
// save) may reuse what the first opening learnt about it: it must decode and seek exactly as that
// one did. A file written since is learnt anew.
TEST_P(DecodingTest, OpeningTheSameFileAgainDecodesAndSeeksTheSame) {
    const Format& format = GetParam();
    TempDir dir;
    const std::string path = dir.File(format.options ? format.file : "song.wav");
    std::vector<std::int16_t> source = SourceSignal();
    ASSERT_TRUE(MakeSong(format, source, dir, path));
    ASSERT_TRUE(Age(path, 3600));

    const audio::HSTREAM first =
        audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(first, 0u) << "error " << audio::ErrorGetCode();
    const audio::QWORD length = audio::ChannelGetLength(first);
    const std::vector<std::int16_t> all = ReadAll(first);
    // The second opening while the first is still open, as the reader's is.
    const audio::HSTREAM second =
        audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(second, 0u) << "error " << audio::ErrorGetCode();
    EXPECT_TRUE(audio::StreamFree(first));
    EXPECT_EQ(audio::ChannelGetLength(second), length);
    ExpectSeeksLandOn(second, all, format.exactSeek);
    ASSERT_TRUE(audio::ChannelSetPosition(second, 0));
    if (format.exactSeek) {
        EXPECT_EQ(ReadAll(second), all);
    }
    EXPECT_TRUE(audio::StreamFree(second));

    // Written again, a second shorter, under the same name.
    source.resize(source.size() - 2 * kRate);
    ASSERT_TRUE(MakeSong(format, source, dir, path));
    ASSERT_TRUE(Age(path, 1800));
    const audio::HSTREAM third =
        audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(third, 0u) << "error " << audio::ErrorGetCode();
    const std::vector<std::int16_t> shorter = ReadAll(third);
    EXPECT_EQ(shorter.size() * 2, audio::ChannelGetLength(third));
    EXPECT_NEAR(audio::ChannelBytes2Seconds(third, length - audio::ChannelGetLength(third)), 1.0,
                0.05);
    ExpectSeeksLandOn(third, shorter, format.exactSeek);
    EXPECT_TRUE(audio::StreamFree(third));
}

// Decoded ahead on a thread of its own, a stream gives what it gives without: the same samples
// in reads of any size, the same positions, the same seeks (each dropping what was decoded
// ahead), the same end; and it may be freed with its reader's thread mid-way.
TEST_P(DecodingTest, ReadingAheadChangesNothingTheReaderSees) {
    const Format& format = GetParam();
    TempDir dir;
    const std::string path = dir.File(format.options ? format.file : "song.wav");
    ASSERT_TRUE(MakeSong(format, SourceSignal(), dir, path));
    const audio::HSTREAM direct =
        audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(direct, 0u) << "error " << audio::ErrorGetCode();
    const std::vector<std::int16_t> all = ReadAll(direct);
    EXPECT_TRUE(audio::StreamFree(direct));

    const audio::HSTREAM ahead = audio::StreamCreateFile(
        0, path.c_str(), 0, 0, audio::STREAM_DECODE | audio::STREAM_READAHEAD);
    ASSERT_NE(ahead, 0u) << "error " << audio::ErrorGetCode();
    EXPECT_EQ(audio::ChannelGetLength(ahead), all.size() * 2);
    // Reads of odd sizes, across the ring's turns, with the position followed all along.
    std::vector<std::int16_t> got;
    const std::size_t sizes[] = {1, 4095, 333, 8192, 4097, 20000};
    for (std::size_t i = 0;; ++i) {
        EXPECT_EQ(audio::ChannelGetPosition(ahead), got.size() * 2);
        const std::vector<std::int16_t> part = ReadFrames(ahead, 2, sizes[i % std::size(sizes)]);
        if (part.empty()) break;
        got.insert(got.end(), part.begin(), part.end());
    }
    EXPECT_TRUE(got == all) << "the samples read ahead differ";
    EXPECT_EQ(audio::ChannelIsActive(ahead), audio::ACTIVE_STOPPED);
    ExpectSeeksLandOn(ahead, all, format.exactSeek);
    ASSERT_TRUE(audio::ChannelSetPosition(ahead, 0));
    if (format.exactSeek) {
        EXPECT_TRUE(ReadAll(ahead) == all);
    }
    // Freed while its thread is decoding ahead.
    ASSERT_TRUE(audio::ChannelSetPosition(ahead, 4 * 1000));
    EXPECT_EQ(ReadFrames(ahead, 2, 10).size(), 20u);
    EXPECT_TRUE(audio::StreamFree(ahead));
}

// AAC with noise substitution and Opus synthesize noise from a running generator: a decode that
// starts elsewhere makes other (equally valid) noise, so those compare within a tolerance.
INSTANTIATE_TEST_SUITE_P(
    Formats, DecodingTest,
    ::testing::Values(Format{"Wav", "", nullptr, true, true, true},
                      Format{"Aiff", "t.aiff", "-c:a pcm_s16be", true, true, true},
                      Format{"Flac", "t.flac", "-c:a flac", true, true, true},
                      Format{"Mp3Cbr", "t.mp3", "-c:a libmp3lame -b:a 128k", false, true, true},
                      Format{"Mp3Vbr", "t.mp3", "-c:a libmp3lame -q:a 4", false, true, true},
                      Format{"Mp3VbrWithoutXing", "t.mp3", "-c:a libmp3lame -q:a 4 -write_xing 0",
                             false, false, true},
                      Format{"Mp3CbrWithoutXing", "t.mp3", "-c:a libmp3lame -b:a 96k -write_xing 0",
                             false, false, true},
                      Format{"Mp2", "t.mp2", "-c:a mp2 -b:a 192k", false, false, true},
                      Format{"OggVorbis", "t.ogg", "-c:a libvorbis -q:a 4", false, true, true},
                      Format{"M4a", "t.m4a", "-c:a aac -aac_pns 0 -b:a 128k", false, true, true},
                      Format{"Wma", "t.wma", "-c:a wmav2 -b:a 128k", false, false, true},
                      Format{"AacAdts", "t.aac", "-c:a aac -b:a 128k", false, false, false},
                      Format{"Opus", "t.opus", "-c:a libopus -ar 48000", false, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// A real recording (libVorbis 1.2.3, from Debian's drascula-music) whose Ogg pages make the
// demuxer state wrong durations for some packets: the length and every sample must still be
// those of a decode from the start, the same as ffmpeg's.
TEST(Decoding, VorbisWhosePacketDurationsTheDemuxerMisjudges) {
    const std::string song = "/usr/share/scummvm/drascula/audio/track28.ogg";
    ASSERT_TRUE(std::filesystem::exists(song)) << "scripts/install-deps installs drascula-music";
    TempDir dir;
    const std::string raw = dir.File("ffmpeg.raw");
    ASSERT_TRUE(Ffmpeg("-i '" + song + "' -f s16le", raw));
    const std::vector<std::int16_t> expected = test_audio::ReadRawSamples(raw);

    const audio::HSTREAM h = audio::StreamCreateFile(0, song.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(audio::ChannelGetLength(h), expected.size() * 2);
    EXPECT_TRUE(ReadAll(h) == expected) << "decoded samples differ from ffmpeg's";
    const std::size_t frames = expected.size() / 2;
    for (std::size_t target : {std::size_t{6000}, frames / 3, frames - 5000}) {
        ASSERT_TRUE(audio::ChannelSetPosition(h, target * 4));
        const std::vector<std::int16_t> got = ReadFrames(h, 2, 1024);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), expected.begin() + 2 * target))
            << "after seeking to " << target;
    }
    audio::StreamFree(h);
}

// Recordings joined one after another by FFmpeg state a slightly larger total in their last Ogg
// page than their packets hold (the joins' timestamp gaps). Such a file opens from its packets,
// without decoding it all first, and plays exactly what ffmpeg decodes from it.
TEST(Decoding, JoinedVorbisRecordingsOpenWithoutDecodingToCount) {
    TempDir dir;
    const std::string wav = dir.File("take.wav");
    WriteWav(wav, kRate, 2, SourceSignal());
    const std::string take = dir.File("take.ogg");
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a libvorbis", take));
    const std::string joined = dir.File("joined.ogg");
    ASSERT_TRUE(Ffmpeg("-stream_loop 2 -i '" + take + "' -c:a libvorbis", joined));
    const std::string raw = dir.File("ffmpeg.raw");
    ASSERT_TRUE(Ffmpeg("-i '" + joined + "' -f s16le", raw));
    const std::vector<std::int16_t> expected = test_audio::ReadRawSamples(raw);

    const std::uint64_t countedBefore = audio::detail::FilesCountedByDecoding();
    const audio::HSTREAM h = audio::StreamCreateFile(0, joined.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(audio::detail::FilesCountedByDecoding(), countedBefore)
        << "the file was decoded to count it";
    EXPECT_EQ(audio::ChannelGetLength(h), expected.size() * 2);
    EXPECT_TRUE(ReadAll(h) == expected) << "decoded samples differ from ffmpeg's";
    ExpectSeeksLandOn(h, expected, true);
    audio::StreamFree(h);
}

// Every frame of `decoder` from where it stands, in reads of 1000.
std::vector<std::int16_t> ReadDecoder(audio::detail::FileDecoder& decoder) {
    std::vector<std::int16_t> all;
    std::vector<std::int16_t> block(1000 * decoder.Channels());
    while (const int n = decoder.Read(block.data(), 1000))
        all.insert(all.end(), block.begin(), block.begin() + n * decoder.Channels());
    return all;
}

// A seek that loses its place decodes from the beginning instead, and gives what reading from
// the start gives. Its place is lost here by an index that sends the seek to the wrong packet:
// one after the target, or one far before it, among packets the index does not expect there.
TEST(Decoding, ASeekThatLosesItsPlaceDecodesFromTheBeginningInstead) {
    using audio::detail::ContainerFilter;
    using audio::detail::FileDecoder;
    TempDir dir;
    const std::string wav = dir.File("song.wav");
    std::vector<std::int16_t> source;
    for (int i = 0; i < 4; ++i) {
        const std::vector<std::int16_t> part = SourceSignal();
        source.insert(source.end(), part.begin(), part.end());
    }
    WriteWav(wav, kRate, 2, source);
    const std::string mp3 = dir.File("song.mp3");
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a libmp3lame -q:a 4", mp3));
    int error = 0;
    const auto decoder = FileDecoder::Open(mp3, ContainerFilter::Any, nullptr, error);
    ASSERT_TRUE(decoder) << error;
    const std::vector<std::int16_t> all = ReadDecoder(*decoder);
    const FileDecoder::Twin twin = decoder->TwinOf();
    ASSERT_TRUE(twin.index);
    ASSERT_GT(twin.index->entries.size(), 330u);

    const std::size_t target = 300;  // a seek to this packet starts at the 8th before it
    const std::uint64_t frame = twin.index->entries[target].publicStart + 100;
    for (const long wrongBy : {20L, -200L}) {
        auto misleading = std::make_shared<audio::detail::PacketIndex>(*twin.index);
        misleading->entries[target - 8].pos = twin.index->entries[target - 8 + wrongBy].pos;
        const auto misled =
            FileDecoder::OpenTwin({twin.path, twin.filter, std::move(misleading)}, error);
        ASSERT_TRUE(misled) << error;
        ASSERT_TRUE(misled->Seek(frame));
        const std::vector<std::int16_t> got = ReadDecoder(*misled);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), all.begin() + 2 * frame, all.end()))
            << "seek sent " << wrongBy << " packets off";
        EXPECT_EQ(got.size(), all.size() - 2 * frame);
    }
}

TEST(Decoding, ReportsTheFilesOwnRateAndChannelCount) {
    TempDir dir;
    const std::string wav = dir.File("mono.wav");
    WriteWav(wav, 22050, 1, Sine(300, 22050, 1, 22050));
    const std::string ogg = dir.File("mono.ogg");
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a libvorbis", ogg));
    for (const std::string& path : {wav, ogg}) {
        const audio::HSTREAM h =
            audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
        ASSERT_NE(h, 0u) << path;
        audio::CHANNELINFO info{};
        ASSERT_TRUE(audio::ChannelGetInfo(h, &info));
        EXPECT_EQ(info.freq, 22050u);
        EXPECT_EQ(info.chans, 1u);
        EXPECT_EQ(info.flags & audio::STREAM_DECODE, audio::STREAM_DECODE);
        EXPECT_STREQ(info.filename, path.c_str());
        // (The Vorbis decoder drops the first short block of this file: 256 frames.)
        EXPECT_NEAR(double(audio::ChannelGetLength(h)), 22050.0 * 2, path == wav ? 0 : 512);
        EXPECT_DOUBLE_EQ(audio::ChannelBytes2Seconds(h, 22050 * 2), 1.0);
        EXPECT_EQ(audio::ChannelSeconds2Bytes(h, 0.5f), 11025u * 2);
        audio::StreamFree(h);
    }
}

TEST(Decoding, LevelsAreTwentyMillisecondPeaksThatAdvanceTheDecoder) {
    TempDir dir;
    const std::string wav = dir.File("levels.wav");
    std::vector<std::int16_t> s(kRate * 2, 0);  // 1 s stereo: left 1000, right -32768
    for (std::size_t i = 0; i < s.size(); i += 2) s[i] = 1000, s[i + 1] = -32768;
    WriteWav(wav, kRate, 2, s);
    const audio::HSTREAM h = audio::StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(audio::ChannelGetLevel(h), 1000u | (32768u << 16));
    EXPECT_EQ(audio::ChannelGetPosition(h), 882u * 4);
    int readings = 1;
    while (audio::ChannelGetLevel(h) != audio::DWORD(-1)) ++readings;
    EXPECT_EQ(readings, 50);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
    audio::StreamFree(h);
}

// A four-channel module of one pattern: a square-wave sample struck on the first row.
std::string TinyModule() {
    std::string mod(20, '\0');  // title
    for (int i = 0; i < 31; ++i) {
        std::string sample(30, '\0');
        if (i == 0) {
            sample[22] = 0, sample[23] = 16;  // length in words: 32 bytes
            sample[25] = 64;                  // volume
            sample[26] = 0, sample[27] = 0;   // loop start
            sample[28] = 0, sample[29] = 16;  // loop length: the whole sample
        }
        mod += sample;
    }
    mod += char(1);                 // song length
    mod += char(127);               // restart
    mod += std::string(128, '\0');  // order: pattern 0
    mod += "M.K.";
    std::string pattern(64 * 4 * 4, '\0');
    pattern[0] = 0x10;        // sample 1 (high nibble of the sample number)...
    pattern[1] = char(0xD6);  // ...period 214 (C-3)
    mod += pattern;
    for (int i = 0; i < 32; ++i) mod += char(i < 16 ? 100 : -100);
    return mod;
}

TEST(Decoding, LoadsTrackerModulesThroughMusicLoad) {
    TempDir dir;
    const std::string path = dir.File("tiny.mod");
    std::ofstream(path, std::ios::binary) << TinyModule();
    const audio::HMUSIC h = audio::MusicLoad(0, path.c_str(), 0, 0, audio::MUSIC_DECODE, 44100);
    ASSERT_NE(h, 0u) << audio::ErrorGetCode();
    audio::CHANNELINFO info{};
    ASSERT_TRUE(audio::ChannelGetInfo(h, &info));
    EXPECT_EQ(info.ctype, audio::CTYPE_MUSIC_MOD);
    EXPECT_EQ(info.freq, 44100u);
    const audio::QWORD length = audio::ChannelGetLength(h);
    const std::vector<std::int16_t> all = ReadAll(h);
    EXPECT_EQ(all.size() * 2, length);
    EXPECT_GT(length, 44100u);  // 64 rows at the default speed: several seconds
    const std::size_t target = all.size() / 4 / 2;
    ASSERT_TRUE(audio::ChannelSetPosition(h, target * 4));
    EXPECT_EQ(ReadFrames(h, 2, 1000),
              std::vector<std::int16_t>(all.begin() + target * 2, all.begin() + target * 2 + 2000));
    EXPECT_TRUE(audio::MusicFree(h));
}

// A module seeks by opening its file again. Once the file has gone, a seek is refused and the
// rest reads as silence, as a file that broke off does.
TEST(Decoding, AModuleWhoseFileWentAwayRefusesSeeksAndReadsOnAsSilence) {
    TempDir dir;
    const std::string path = dir.File("tiny.mod");
    std::ofstream(path, std::ios::binary) << TinyModule();
    const audio::HMUSIC h = audio::MusicLoad(0, path.c_str(), 0, 0, audio::MUSIC_DECODE, 44100);
    ASSERT_NE(h, 0u) << audio::ErrorGetCode();
    ASSERT_EQ(ReadFrames(h, 2, 1000).size(), 2000u);
    ASSERT_EQ(std::remove(path.c_str()), 0);

    EXPECT_FALSE(audio::ChannelSetPosition(h, 4 * 5000));
    const std::vector<std::int16_t> rest = ReadAll(h);
    EXPECT_EQ(audio::ChannelGetPosition(h), audio::ChannelGetLength(h));
    EXPECT_TRUE(std::all_of(rest.begin(), rest.end(), [](std::int16_t v) { return v == 0; }));
    EXPECT_FALSE(audio::ChannelSetPosition(h, 0));
    EXPECT_TRUE(audio::MusicFree(h));
}

TEST(Decoding, MusicLoadRefusesWhatIsNotAModule) {
    TempDir dir;
    const std::string wav = dir.File("plain.wav");
    WriteWav(wav, kRate, 2, Sine(440, kRate, 2, 4410));
    EXPECT_EQ(audio::MusicLoad(0, wav.c_str(), 0, 0, audio::MUSIC_DECODE, 0), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEFORM);
}

TEST(Decoding, Mp4AndWmaCallsAcceptOnlyTheirContainers) {
    TempDir dir;
    const std::string wav = dir.File("s.wav");
    WriteWav(wav, kRate, 2, Sine(440, kRate, 2, kRate / 2));
    const std::string m4a = dir.File("s.m4a"), wma = dir.File("s.wma");
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a aac", m4a));
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a wmav2", wma));

    audio::HSTREAM h = audio::MP4_StreamCreateFile(0, m4a.c_str(), 0, 0, audio::STREAM_DECODE);
    EXPECT_NE(h, 0u);
    audio::StreamFree(h);
    EXPECT_EQ(audio::MP4_StreamCreateFile(0, wav.c_str(), 0, 0, audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEFORM);

    h = audio::WMA_StreamCreateFile(0, wma.c_str(), 0, 0, audio::STREAM_DECODE);
    EXPECT_NE(h, 0u);
    audio::StreamFree(h);
    EXPECT_EQ(audio::WMA_StreamCreateFile(0, m4a.c_str(), 0, 0, audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEFORM);
}

}  // namespace

namespace {

// A background reader that is no longer wanted calls off its opening rather than wait for it.
TEST(Decoding, OpeningsCalledOffFailWithTheirOwnCodeOnTheirThreadOnly) {
    TempDir dir;
    const std::string wav = dir.File("song.wav");
    WriteWav(wav, kRate, 2, SourceSignal());
    const std::string mp3 = dir.File("song.mp3");
    ASSERT_TRUE(Ffmpeg("-i '" + wav + "' -c:a libmp3lame -q:a 4", mp3));
    const auto open = [](const std::string& path) {
        return audio::StreamCreateFile(0, path.c_str(), 0, 0, audio::STREAM_DECODE);
    };

    std::atomic<bool> calledOff{true};
    audio::SetOpenCancelFlag(&calledOff);
    for (const std::string& path : {wav, mp3}) {
        EXPECT_EQ(open(path), 0u) << path;
        EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_OPEN_CANCELLED) << path;
    }
    EXPECT_EQ(audio::MusicLoad(0, mp3.c_str(), 0, 0, audio::MUSIC_DECODE, 0), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_OPEN_CANCELLED);
    // Other threads open as before.
    audio::HSTREAM elsewhere = 0;
    std::thread([&] { elsewhere = open(mp3); }).join();
    EXPECT_NE(elsewhere, 0u);

    // The flag lowered, or taken away: openings go through, and decode what they did before.
    calledOff = false;
    const audio::HSTREAM lowered = open(mp3);
    ASSERT_NE(lowered, 0u) << "error " << audio::ErrorGetCode();
    audio::SetOpenCancelFlag(nullptr);
    calledOff = true;
    const audio::HSTREAM unflagged = open(mp3);
    ASSERT_NE(unflagged, 0u) << "error " << audio::ErrorGetCode();
    EXPECT_EQ(audio::ChannelGetLength(lowered), audio::ChannelGetLength(elsewhere));
    EXPECT_EQ(ReadAll(lowered), ReadAll(elsewhere));
    for (const audio::HSTREAM h : {elsewhere, lowered, unflagged})
        EXPECT_TRUE(audio::StreamFree(h));
}

}  // namespace
