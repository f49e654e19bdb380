// The practice memory's costs, printed as one figure in milliseconds:
//   bench_memory lookup SONG STORE   fingerprinting SONG and reading its memory from the store at
//                                    STORE, filled first with 10 000 practised songs (best of 5)
//   bench_memory write SONG          the longest the player's window spent remembering a change
//                                    while SONG played for 20 s: the named loops changed every
//                                    100 ms, each change check timed on the user-interface thread
//                                    (a change that the sound follows, the loop or the tempo,
//                                    makes the real-time threads take a core for a moment too;
//                                    that is the sound's cost, not the memory's)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchSupport.h"
#include "OffscreenPlayer.h"
#include "app/QuorvelMainDlg.h"
#include "memory/PracticeMemory.h"
#include "memory/SongFingerprint.h"
#include "practice/QuorvelPracticePage.h"
#include "practice/SongMemoryKeeper.h"

namespace {

constexpr int kStoreSongs = 10000;

memory::SongSettings Practised(int n) {
    memory::SongSettings settings;
    settings.tempo = 50 + n % 50;
    settings.eqPreset = "Rock";
    settings.loopStart = static_cast<std::uint64_t>(n) * 4;
    settings.loopEnd = settings.loopStart + 176400;
    settings.namedLoops = {{"intro", 0, 88200}, {"solo", 176400, 352800}};
    return settings;
}

double Lookup(const std::string& song, const std::string& storePath) {
    const std::optional<std::string> fingerprint = memory::SongFingerprint(song);
    if (!fingerprint) bench::Fail("reading " + song);
    if (!std::filesystem::exists(storePath)) {
        memory::PracticeStore store(storePath);
        for (int n = 0; n < kStoreSongs; ++n) {
            const std::string name = n == kStoreSongs / 2 ? *fingerprint : "song " + std::to_string(n);
            store.Write({name, "/music/" + std::to_string(n) + ".mp3", n, Practised(n), 4242});
        }
    }
    memory::PracticeMemory memory(storePath);
    double best = 1e9;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer clock;
        clock.start();
        const std::optional<std::string> found = memory::SongFingerprint(song);
        const std::optional<memory::SongMemory> remembered = memory.Recall(found.value());
        best = std::min(best, clock.nsecsElapsed() / 1e6);
        if (!remembered || remembered->settings.namedLoops.size() != 2) bench::Fail("the memory");
    }
    return best;
}

double LongestWrite(const std::string& song) {
    CQuorvelMainDlg window;
    if (!window.InitDialog()) bench::Fail("the window");
    window.Engine().LoadSong(song);
    if (!window.Engine().m_dwBassStream) bench::Fail("loading " + song);
    window.Engine().OnPlay();
    CSongMemoryKeeper& keeper = *window.MemoryKeeper();
    double longest = 0;
    int changes = 0;
    QTimer change;
    QObject::connect(&change, &QTimer::timeout, [&] {
        ++changes;
        window.PracticePage()->SetSongLoops(
            {{"loop " + std::to_string(changes), 0, 4 * static_cast<audio::QWORD>(changes)}});
        QElapsedTimer clock;
        clock.start();
        keeper.RememberChanges(false);
        longest = std::max(longest, clock.nsecsElapsed() / 1e6);
    });
    change.start(100);
    QTimer::singleShot(20000, [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    keeper.Memory().Flush();
    return longest;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) bench::Fail("usage: bench_memory lookup SONG STORE | write SONG");
    bench::OffscreenPlayer player(argc, argv);
    const std::string mode = argv[1];
    if (mode == "lookup" && argc == 4)
        std::printf("%.3f\n", Lookup(argv[2], argv[3]));
    else if (mode == "write")
        std::printf("%.3f\n", LongestWrite(argv[2]));
    else
        bench::Fail("unknown mode " + mode);
    return 0;
}
