// The CD family over CUE/BIN images the tests write: drives and discs, track lengths, track
// streams whose samples are the image's bytes exactly (whole and after seeks), track files that
// lie, and discs that cannot be read to the end.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "AudioTestSupport.h"
#include "audio/CdStream.h"
#include "support/CdImage.h"
#include "support/Files.h"
#include "support/StderrCapture.h"

using namespace audio_test;
using namespace cd_test;
using namespace std::chrono_literals;

namespace {

constexpr audio::DWORD kFail = audio::DWORD(-1);

class Cd : public ::testing::Test {
protected:
    void TearDown() override { audio::CD_SetDrives(nullptr, 0); }

    void UseDrives(const std::vector<std::string>& devices) {
        std::vector<const char*> list;
        for (const std::string& d : devices) list.push_back(d.c_str());
        audio::CD_SetDrives(list.data(), static_cast<audio::DWORD>(list.size()));
    }

    // A decoding stream of track `number` (from 1) of `device`, through a track file.
    audio::HSTREAM OpenTrack(const std::string& device, int number, audio::DWORD flags = 0) {
        const std::string file = m_dir.File("Track" + std::to_string(number) + ".cda");
        WriteTrackFile(file, device, number);
        return audio::CD_StreamCreateFile(file.c_str(), flags | audio::STREAM_DECODE);
    }

    // Opens the track file holding `content` and returns the error code (0 when it opened).
    int OpenTrackFileWith(const std::string& content) {
        const std::string file = m_dir.File("forged.cda");
        testenv::WriteFile(file, content);
        const audio::HSTREAM h = audio::CD_StreamCreateFile(file.c_str(), audio::STREAM_DECODE);
        if (h == 0) return audio::ErrorGetCode();
        audio::StreamFree(h);
        return 0;
    }

    TempDir m_dir;
};

std::string ReadAllBytes(audio::HSTREAM h, audio::DWORD block) {
    std::string bytes;
    std::vector<char> buffer(block);
    for (;;) {
        const audio::DWORD n = audio::ChannelGetData(h, buffer.data(), block);
        if (n == kFail || n == 0) break;
        bytes.append(buffer.data(), n);
    }
    return bytes;
}

std::string ReadBytes(audio::HSTREAM h, std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const audio::DWORD n =
            audio::ChannelGetData(h, bytes.data() + got, static_cast<audio::DWORD>(count - got));
        if (n == kFail || n == 0) break;
        got += n;
    }
    bytes.resize(got);
    return bytes;
}

TEST_F(Cd, DiscOfTwoAudioTracksIsListedWithItsTitleAndLengths) {
    const CdImage disc(m_dir.File(""), "album", {Audio(40), Audio(75)}, "Practice Songs");
    UseDrives({disc.Cue()});

    audio::CD_INFO info{};
    ASSERT_TRUE(audio::CD_GetInfo(0, &info));
    EXPECT_STREQ(info.device, disc.Cue().c_str());
    EXPECT_STREQ(info.label, "Practice Songs");
    EXPECT_TRUE(info.hasDisc);
    EXPECT_EQ(audio::CD_GetTracks(0), 2u);
    EXPECT_EQ(audio::CD_GetTrackLength(0, 0), 40u * kSectorBytes);
    EXPECT_EQ(audio::CD_GetTrackLength(0, 1), 75u * kSectorBytes);
    EXPECT_EQ(audio::CD_GetTrackLength(0, 2), kFail);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_CDTRACK);
    EXPECT_TRUE(audio::CD_Release(0));

    // Past the last drive.
    EXPECT_FALSE(audio::CD_GetInfo(1, &info));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    EXPECT_EQ(audio::CD_GetTracks(1), kFail);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
    EXPECT_FALSE(audio::CD_Release(1));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ILLPARAM);
}

TEST_F(Cd, TrackStreamGivesTheImagesBytesExactly) {
    const CdImage disc(m_dir.File(""), "album", {Audio(40), Audio(75)});
    UseDrives({disc.Cue()});
    for (int track = 1; track <= 2; ++track) {
        const audio::HSTREAM h = OpenTrack(disc.Cue(), track);
        ASSERT_NE(h, 0u) << "error " << audio::ErrorGetCode();
        audio::CHANNELINFO ci{};
        ASSERT_TRUE(audio::ChannelGetInfo(h, &ci));
        EXPECT_EQ(ci.freq, 44100u);
        EXPECT_EQ(ci.chans, 2u);
        EXPECT_EQ(ci.ctype, audio::CTYPE_STREAM_CD);
        EXPECT_EQ(ci.origres, 16u);
        EXPECT_EQ(audio::ChannelGetLength(h), disc.TrackBytes(track - 1).size());
        // The rip's own block size, which ends inside sectors.
        const std::string bytes = ReadAllBytes(h, 20000);
        EXPECT_TRUE(bytes == disc.TrackBytes(track - 1)) << "track " << track;
        EXPECT_EQ(audio::ChannelIsActive(h), audio::ACTIVE_STOPPED);
        char frame[4];
        EXPECT_EQ(audio::ChannelGetData(h, frame, 4), kFail);
        EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_ENDED);
        audio::StreamFree(h);
    }
}

TEST_F(Cd, SeeksLandOnTheExactFrame) {
    const CdImage disc(m_dir.File(""), "album", {Audio(20), Audio(30)});
    UseDrives({disc.Cue()});
    const std::string track = disc.TrackBytes(1);
    const audio::HSTREAM h = OpenTrack(disc.Cue(), 2);
    ASSERT_NE(h, 0u);
    // Inside a sector, either side of sector boundaries, backwards, and up to the very end.
    const std::vector<std::size_t> frames = {1000, 587, 588,          589,           17 * 588 - 1,
                                             3,    0,   30 * 588 - 5, 12 * 588 + 300};
    for (std::size_t frame : frames) {
        ASSERT_TRUE(audio::ChannelSetPosition(h, frame * 4)) << frame;
        EXPECT_EQ(audio::ChannelGetPosition(h), frame * 4);
        const std::size_t want = std::min<std::size_t>(3000 * 4, track.size() - frame * 4);
        const std::string got = ReadBytes(h, want);
        EXPECT_TRUE(got == track.substr(frame * 4, want)) << "after a seek to frame " << frame;
        EXPECT_EQ(audio::ChannelGetPosition(h), frame * 4 + want);
    }
    EXPECT_TRUE(audio::ChannelSetPosition(h, track.size()));
    char frame[4];
    EXPECT_EQ(audio::ChannelGetData(h, frame, 4), kFail);
    EXPECT_FALSE(audio::ChannelSetPosition(h, track.size() + 4));
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_POSITION);
    audio::StreamFree(h);
}

TEST_F(Cd, DataTracksHaveNoLengthAndNoStream) {
    // A data track first (its volume label names the disc), and one between two audio tracks.
    const CdImage dataFirst(m_dir.File(""), "mixed", {Data(30), Audio(20)}, "", "HOLIDAY_2009");
    const CdImage dataBetween(m_dir.File(""), "extra", {Audio(25), Data(40), Audio(15)});
    UseDrives({dataFirst.Cue(), dataBetween.Cue()});

    audio::CD_INFO info{};
    ASSERT_TRUE(audio::CD_GetInfo(0, &info));
    EXPECT_STREQ(info.label, "HOLIDAY_2009");
    EXPECT_EQ(audio::CD_GetTracks(0), 2u);
    EXPECT_EQ(audio::CD_GetTrackLength(0, 0), kFail);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_CDTRACK);
    EXPECT_EQ(audio::CD_GetTrackLength(0, 1), 20u * kSectorBytes);
    EXPECT_EQ(OpenTrack(dataFirst.Cue(), 1), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_CDTRACK);

    ASSERT_TRUE(audio::CD_GetInfo(1, &info));
    EXPECT_STREQ(info.label, "");  // neither CD-Text nor a file system
    EXPECT_EQ(audio::CD_GetTracks(1), 3u);
    EXPECT_EQ(audio::CD_GetTrackLength(1, 0), 25u * kSectorBytes);
    EXPECT_EQ(audio::CD_GetTrackLength(1, 1), kFail);
    EXPECT_EQ(audio::CD_GetTrackLength(1, 2), 15u * kSectorBytes);
    EXPECT_EQ(OpenTrack(dataBetween.Cue(), 2), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_CDTRACK);

    // The audio after the data track is its own, not the data's.
    for (int track : {1, 3}) {
        const audio::HSTREAM h = OpenTrack(dataBetween.Cue(), track);
        ASSERT_NE(h, 0u);
        EXPECT_TRUE(ReadAllBytes(h, 4 * 1000) == dataBetween.TrackBytes(track - 1));
        audio::StreamFree(h);
    }
}

TEST_F(Cd, EmptyDrivesStayListedWithoutADisc) {
    const CdImage disc(m_dir.File(""), "album", {Audio(10)}, "First");
    const CdImage other(m_dir.File(""), "second", {Audio(12), Audio(14)}, "Second");
    const std::string nothing = m_dir.File("no-disc.cue");
    UseDrives({disc.Cue(), nothing, other.Cue()});

    audio::CD_INFO info{};
    ASSERT_TRUE(audio::CD_GetInfo(1, &info));
    EXPECT_STREQ(info.device, nothing.c_str());
    EXPECT_STREQ(info.label, "");
    EXPECT_FALSE(info.hasDisc);
    EXPECT_EQ(audio::CD_GetTracks(1), kFail);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOCD);
    EXPECT_EQ(audio::CD_GetTrackLength(1, 0), kFail);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOCD);
    EXPECT_EQ(OpenTrack(nothing, 1), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_NOCD);

    // Each drive has its own disc.
    ASSERT_TRUE(audio::CD_GetInfo(0, &info));
    EXPECT_STREQ(info.label, "First");
    EXPECT_EQ(audio::CD_GetTracks(0), 1u);
    ASSERT_TRUE(audio::CD_GetInfo(2, &info));
    EXPECT_STREQ(info.label, "Second");
    EXPECT_EQ(audio::CD_GetTracks(2), 2u);
    EXPECT_EQ(audio::CD_GetTrackLength(2, 1), 14u * kSectorBytes);

    // A disc put into the empty drive is seen at the next use.
    const CdImage late(m_dir.File(""), "no-disc", {Audio(5), Audio(6), Audio(7)}, "Late");
    EXPECT_EQ(audio::CD_GetTracks(1), 3u);
    ASSERT_TRUE(audio::CD_GetInfo(1, &info));
    EXPECT_STREQ(info.label, "Late");
    EXPECT_TRUE(info.hasDisc);
}

TEST_F(Cd, AReleasedDriveSeesTheNextDisc) {
    const std::string device = m_dir.File("tray.cue");
    CdImage(m_dir.File(""), "tray", {Audio(10), Audio(10)}, "Before");
    UseDrives({device});
    audio::CD_INFO info{};
    ASSERT_TRUE(audio::CD_GetInfo(0, &info));
    const char* firstLabel = info.label;
    EXPECT_EQ(audio::CD_GetTracks(0), 2u);
    ASSERT_TRUE(audio::CD_Release(0));

    CdImage(m_dir.File(""), "tray", {Audio(10), Audio(10), Audio(10), Audio(10)}, "After");
    EXPECT_EQ(audio::CD_GetTracks(0), 4u);
    ASSERT_TRUE(audio::CD_GetInfo(0, &info));
    EXPECT_STREQ(info.label, "After");
    EXPECT_STREQ(firstLabel, "Before");  // what was handed out stays valid
}

TEST_F(Cd, EnvironmentVariableStandsImagesInForDrives) {
    const CdImage disc(m_dir.File(""), "album", {Audio(10)}, "From The Environment");
    const std::string value = disc.Cue() + "::" + m_dir.File("empty.cue");
    setenv("QUORVEL_CD_DRIVES", value.c_str(), 1);
    audio::CD_SetDrives(nullptr, 0);
    audio::CD_INFO info{};
    EXPECT_TRUE(audio::CD_GetInfo(0, &info));
    EXPECT_STREQ(info.label, "From The Environment");
    EXPECT_TRUE(audio::CD_GetInfo(1, &info));
    EXPECT_FALSE(info.hasDisc);
    EXPECT_FALSE(audio::CD_GetInfo(2, &info));
    unsetenv("QUORVEL_CD_DRIVES");
}

TEST_F(Cd, ForgedTrackFilesAreRefused) {
    const CdImage disc(m_dir.File(""), "album", {Audio(10), Audio(10)});
    const CdImage stranger(m_dir.File(""), "stranger", {Audio(10)});
    UseDrives({disc.Cue()});
    const std::string dev = "device=" + disc.Cue() + "\n";

    EXPECT_EQ(OpenTrackFileWith(dev + "track=2\n"), 0);
    EXPECT_EQ(OpenTrackFileWith("track=2\r\ndevice=" + disc.Cue() + "\r\n"), 0);

    // Devices that are not drives of the list, even when they are real images or files.
    EXPECT_EQ(OpenTrackFileWith("device=/etc/passwd\ntrack=1\n"), audio::ERROR_FILEFORM);
    EXPECT_EQ(OpenTrackFileWith("device=" + stranger.Cue() + "\ntrack=1\n"), audio::ERROR_FILEFORM);
    EXPECT_EQ(OpenTrackFileWith("device=" + disc.Cue() + "/\ntrack=1\n"), audio::ERROR_FILEFORM);
    EXPECT_EQ(OpenTrackFileWith("device=" + disc.Bin() + "\ntrack=1\n"), audio::ERROR_FILEFORM);
    // Tracks the disc does not have.
    EXPECT_EQ(OpenTrackFileWith(dev + "track=3\n"), audio::ERROR_CDTRACK);
    EXPECT_EQ(OpenTrackFileWith(dev + "track=99\n"), audio::ERROR_CDTRACK);
    // Malformed.
    for (const std::string& bad : std::vector<std::string>{
             std::string(), std::string("\n\n"), dev, "track=1\n", dev + "track=0\n",
             dev + "track=100\n", dev + "track=-1\n", dev + "track=+1\n", dev + "track= 1\n",
             dev + "track=1x\n", dev + "track=\n", "device=\ntrack=1\n", dev + "track=1\ntrack=1\n",
             dev + dev + "track=1\n", dev + "track=1\nextra=yes\n", dev + "track=1\n\n",
             "DEVICE=" + disc.Cue() + "\ntrack=1\n", dev + "track=1" + std::string(1, '\0'),
             std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)}) {
        EXPECT_EQ(OpenTrackFileWith(bad), audio::ERROR_FILEFORM) << bad;
    }
    // Far too large to be a track file, though it starts like one.
    EXPECT_EQ(OpenTrackFileWith(dev + "track=1\n" + std::string(1 << 20, '#')),
              audio::ERROR_FILEFORM);

    // Not a readable regular file: missing, a folder, a FIFO nobody writes to (must not hang).
    EXPECT_EQ(audio::CD_StreamCreateFile(m_dir.File("missing.cda").c_str(), audio::STREAM_DECODE),
              0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    EXPECT_EQ(audio::CD_StreamCreateFile(m_dir.File("").c_str(), audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    const std::string fifo = m_dir.File("fifo.cda");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(audio::CD_StreamCreateFile(fifo.c_str(), audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);
    EXPECT_EQ(audio::CD_StreamCreateFile(nullptr, audio::STREAM_DECODE), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FILEOPEN);

    // Flags: floating point is refused; a playable stream needs the device.
    const std::string good = m_dir.File("good.cda");
    WriteTrackFile(good, disc.Cue(), 1);
    EXPECT_EQ(audio::CD_StreamCreateFile(good.c_str(), audio::STREAM_DECODE | audio::SAMPLE_FLOAT),
              0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_FORMAT);
    EXPECT_EQ(audio::CD_StreamCreateFile(good.c_str(), 0), 0u);
    EXPECT_EQ(audio::ErrorGetCode(), audio::ERROR_INIT);
}

// A disc that cannot be read to its end: the sectors still there are the image's, the rest is
// silence of the track's full length, and reading ends.
TEST_F(Cd, UnreadableSectorsBecomeSilence) {
    const CdImage disc(m_dir.File(""), "scratched", {Audio(20), Audio(40)});
    UseDrives({disc.Cue()});
    const audio::HSTREAM h = OpenTrack(disc.Cue(), 2);
    ASSERT_NE(h, 0u);
    const std::size_t readable = 15;  // whole sectors of track 2 left in the BIN
    disc.TruncateBin(disc.TrackOffset(1) + readable * kSectorBytes + 1000);

    const std::string bytes = ReadAllBytes(h, 20000);
    const std::string track = disc.TrackBytes(1);
    ASSERT_EQ(bytes.size(), track.size());
    EXPECT_TRUE(bytes.substr(0, readable * kSectorBytes) ==
                track.substr(0, readable * kSectorBytes));
    const std::size_t lost = (readable + 1) * kSectorBytes;
    EXPECT_EQ(bytes.find_first_not_of('\0', lost), std::string::npos);
    // What the retries could not read is counted, in whole sectors, within the part that is gone.
    const audio::QWORD unreadable = audio::CD_StreamGetUnreadable(h);
    EXPECT_GT(unreadable, 0u);
    EXPECT_LE(unreadable, track.size() - readable * kSectorBytes);
    EXPECT_EQ(unreadable % kSectorBytes, 0u);

    // A seek into the part that is gone reads silence, a seek back the image again.
    ASSERT_TRUE(audio::ChannelSetPosition(h, 30 * kSectorBytes + 8));
    EXPECT_EQ(ReadBytes(h, 5000), std::string(5000, '\0'));
    ASSERT_TRUE(audio::ChannelSetPosition(h, 2 * kSectorBytes + 8));
    EXPECT_TRUE(ReadBytes(h, 5000) == track.substr(2 * kSectorBytes + 8, 5000));
    // Starting on every sector about the damage.
    for (std::size_t sector = readable - 2; sector <= readable + 3; ++sector) {
        ASSERT_TRUE(audio::ChannelSetPosition(h, sector * kSectorBytes));
        const std::string got = ReadBytes(h, 3 * kSectorBytes);
        ASSERT_EQ(got.size(), 3 * kSectorBytes);
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string one = got.substr(i * kSectorBytes, kSectorBytes);
            if (sector + i < readable) {
                EXPECT_TRUE(one == track.substr((sector + i) * kSectorBytes, kSectorBytes))
                    << "sector " << sector + i << " read from " << sector;
            } else if (sector + i > readable) {
                EXPECT_EQ(one, std::string(kSectorBytes, '\0'))
                    << "sector " << sector + i << " read from " << sector;
            }
        }
    }
    audio::StreamFree(h);

    // Opened afresh, the disc ends where its image does; the track before the damage is whole.
    const audio::HSTREAM again = OpenTrack(disc.Cue(), 2);
    ASSERT_NE(again, 0u);
    const std::string rest = ReadAllBytes(again, 20000);
    EXPECT_GE(rest.size(), readable * kSectorBytes);
    EXPECT_LT(rest.size(), track.size());
    EXPECT_TRUE(rest == track.substr(0, rest.size()));
    audio::StreamFree(again);
    const audio::HSTREAM first = OpenTrack(disc.Cue(), 1);
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(ReadAllBytes(first, 20000) == disc.TrackBytes(0));
    EXPECT_EQ(audio::CD_StreamGetUnreadable(first), 0u);
    audio::StreamFree(first);
}

void ZeroRight(audio::HDSP, audio::DWORD, void* buffer, audio::DWORD length, void*) {
    auto* s = static_cast<std::int16_t*>(buffer);
    for (audio::DWORD i = 1; i < length / 2; i += 2) s[i] = 0;
}

void BackToStart(audio::HSYNC, audio::DWORD channel, audio::DWORD, void* user) {
    ++*static_cast<int*>(user);
    audio::ChannelSetPosition(channel, 0);
}

TEST_F(Cd, DspsAndSyncsActOnATrackStream) {
    const CdImage disc(m_dir.File(""), "album", {Audio(10)});
    UseDrives({disc.Cue()});
    const audio::HSTREAM h = OpenTrack(disc.Cue(), 1);
    ASSERT_NE(h, 0u);
    int fired = 0;
    ASSERT_NE(audio::ChannelSetDSP(h, &ZeroRight, nullptr, 0), 0u);
    ASSERT_NE(audio::ChannelSetSync(h, audio::SYNC_POS | audio::SYNC_MIXTIME | audio::SYNC_ONETIME,
                                    1000 * 4, &BackToStart, &fired),
              0u);
    const std::string bytes = ReadBytes(h, 1500 * 4);
    EXPECT_EQ(fired, 1);
    ASSERT_EQ(bytes.size(), 1500u * 4);
    std::string expected = disc.TrackBytes(0).substr(0, 1000 * 4);
    expected += disc.TrackBytes(0).substr(0, 500 * 4);
    for (std::size_t f = 0; f < 1500; ++f) expected[4 * f + 2] = expected[4 * f + 3] = 0;
    EXPECT_TRUE(bytes == expected);
    audio::StreamFree(h);
}

// Everything written to file descriptor 2 while `work` runs.
template <typename Work>
std::string StderrOf(const TempDir& dir, Work work) {
    testenv::StderrCapture capture(dir.File("stderr.txt"));
    work();
    return capture.Text();
}

TEST_F(Cd, EverydayEventsAreNotWrittenToTheTerminal) {
    const CdImage disc(m_dir.File(""), "scratched", {Audio(20), Data(20), Audio(20)});
    const std::string text = StderrOf(m_dir, [&] {
        UseDrives({disc.Cue(), m_dir.File("no-disc.cue"), "/dev/no-such-drive"});
        audio::CD_INFO info{};
        for (audio::DWORD drive = 0; audio::CD_GetInfo(drive, &info); ++drive) {
            audio::CD_GetTracks(drive);
            audio::CD_GetTrackLength(drive, 1);
            audio::CD_Release(drive);
        }
        const audio::HSTREAM h = OpenTrack(disc.Cue(), 3);
        disc.TruncateBin(disc.TrackOffset(2) + 5 * kSectorBytes);
        ReadAllBytes(h, 20000);
        audio::ChannelSetPosition(h, 15 * kSectorBytes);
        ReadAllBytes(h, 20000);
        audio::StreamFree(h);
    });
    EXPECT_EQ(text, "");
}

// What a playing track stream reads ahead of the mixer: everything, in order, across the ring's
// wrap, from wherever it was moved to. The reader hands out only what is ready, so this waits
// for the thread (bounded, against a hang).
std::string ReadAhead(audio::detail::CdReadAhead& ahead, std::size_t frames) {
    std::string bytes;
    std::vector<char> block(4 * 1000);
    for (int idle = 0; bytes.size() < frames * 4 && idle < 20000;) {
        const int want = static_cast<int>(std::min<std::size_t>(1000, frames - bytes.size() / 4));
        const int n = ahead.Read(reinterpret_cast<std::int16_t*>(block.data()), want, {});
        if (n == 0) {
            ++idle;
            std::this_thread::sleep_for(1ms);
            continue;
        }
        bytes.append(block.data(), std::size_t(n) * 4);
    }
    return bytes;
}

TEST_F(Cd, PlayingStreamsReadAheadEverythingInOrder) {
    const CdImage disc(m_dir.File(""), "album", {Audio(400)});  // longer than the 2 s ahead
    UseDrives({disc.Cue()});
    const std::string track = disc.TrackBytes(0);
    auto reader = std::make_unique<audio::detail::CdSectorReader>();
    ASSERT_EQ(reader->Open(disc.Cue(), 0), audio::ERROR_OK);
    audio::detail::CdReadAhead ahead(std::move(reader));
    EXPECT_EQ(ahead.Length(), 400u * kFramesPerSector);

    EXPECT_TRUE(ReadAhead(ahead, 250 * kFramesPerSector) == track.substr(0, 250 * kSectorBytes));
    EXPECT_EQ(ahead.Position(), 250u * kFramesPerSector);
    // Moved back, then forward into a sector; to the end.
    ASSERT_TRUE(ahead.Seek(777));
    EXPECT_TRUE(ReadAhead(ahead, 5000) == track.substr(777 * 4, 5000 * 4));
    const std::size_t late = 300 * kFramesPerSector + 123;
    ASSERT_TRUE(ahead.Seek(late));
    EXPECT_TRUE(ReadAhead(ahead, track.size() / 4 - late) == track.substr(late * 4));
    EXPECT_TRUE(ahead.AtEnd());
    std::int16_t frame[2];
    EXPECT_EQ(ahead.Read(frame, 1, {}), 0);
    EXPECT_FALSE(ahead.Seek(400 * kFramesPerSector + 1));
}

void Ended(audio::HSYNC, audio::DWORD, audio::DWORD, void* user) {
    static_cast<std::atomic<bool>*>(user)->store(true);
}

TEST_F(Cd, PlayableTrackStreamPlaysToItsEnd) {
    const CdImage disc(m_dir.File(""), "album", {Audio(30)});  // 0.4 s
    UseDrives({disc.Cue()});
    ASSERT_TRUE(audio::Init(-1, 44100, 0, nullptr, nullptr));
    const std::string file = m_dir.File("Track01.cda");
    WriteTrackFile(file, disc.Cue(), 1);
    const audio::HSTREAM h = audio::CD_StreamCreateFile(file.c_str(), 0);
    ASSERT_NE(h, 0u) << audio::ErrorGetCode();
    std::atomic<bool> ended{false};
    ASSERT_NE(audio::ChannelSetSync(h, audio::SYNC_END, 0, &Ended, &ended), 0u);
    ASSERT_TRUE(audio::ChannelPlay(h, 0));
    // Moved while it plays: it goes on from there.
    ASSERT_TRUE(audio::ChannelSetPosition(h, 25u * kSectorBytes));
    // Waits for the end however slowly the machine plays (bounded only against a hang).
    for (int i = 0; i < 6000 && !ended; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(ended);
    EXPECT_EQ(audio::ChannelIsActive(h), audio::ACTIVE_STOPPED);
    EXPECT_EQ(audio::ChannelGetPosition(h), 30u * kSectorBytes);
    audio::StreamFree(h);
    audio::Free();
}

}  // namespace
