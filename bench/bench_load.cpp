// Loads a song through the player's own main window (offscreen, the loop editor shown) and
// prints one figure:
//   bench_load first-sound SONG   seconds from LoadSong until the playing channel's position (the
//                                 audio heard now) first moves, Play pressed right after loading
//   bench_load ui-stall SONG      the longest time in milliseconds that the event loop was kept
//                                 from running a 1 ms timer while the song loaded, the loop editor
//                                 zoomed in and out five times each, and its picture completed;
//                                 then the longest such time that did not overlap LoadSong
#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "BenchSupport.h"
#include "OffscreenPlayer.h"
#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "ui/ControlId.h"

namespace {

constexpr int IDC_LOOP_BUTTON = 518;

void ShowLoopEditor(CQuorvelMainDlg& window) {
    window.show();
    auto* loop = qobject_cast<QAbstractButton*>(ui::FindChildById(&window, IDC_LOOP_BUTTON));
    if (!loop) bench::Fail("the Loop button");
    loop->click();
    QCoreApplication::processEvents();
}

double FirstSoundSeconds(CQuorvelMainDlg& window, const char* song) {
    // Let the device settle into its rhythm first.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CPlaybackEngine& engine = window.Engine();
    const double start = bench::WallSeconds();
    engine.LoadSong(song);
    if (!engine.m_dwBassStream) bench::Fail("LoadSong");
    engine.OnPlay();
    while (bench::WallSeconds() - start < 30.0) {
        if (audio::ChannelGetPosition(engine.m_dwBassStream) > 0)
            return bench::WallSeconds() - start;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    bench::Fail("waiting for the first sound");
}

struct Stalls {
    double longest = 0;         // ms
    double outsideLoading = 0;  // ms, the longest that did not overlap LoadSong
};

Stalls LongestStalls(CQuorvelMainDlg& window, const char* song) {
    CQuorvelLoopPropertyPage* page = window.LoopPage();
    // The gaps between the ticks of a timer that asks to run every millisecond.
    QElapsedTimer clock;
    qint64 lastTick = -1;
    qint64 longest = 0;
    qint64 outsideLoading = 0;
    qint64 loadStart = -1, loadEnd = -1;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick >= 0) {
            longest = std::max(longest, now - lastTick);
            // LoadSong runs the event loop itself while the file opens: ticks inside it overlap.
            const bool overlapsLoading =
                loadStart >= 0 && now >= loadStart && (loadEnd < 0 || lastTick <= loadEnd);
            if (!overlapsLoading) outsideLoading = std::max(outsideLoading, now - lastTick);
        }
        lastTick = now;
    });
    QEventLoop loop;  // not the application's: quitting that would close the window
    // The user's steps, a few tenths of a second apart as a user's clicks would be.
    int step = 0;
    QTimer user;
    user.setInterval(300);
    QObject::connect(&user, &QTimer::timeout, [&] {
        const int x = CQuorvelLoopPropertyPage::kWaveLeft + page->m_nWaveWidth / 3;
        if (step == 0) {
            loadStart = clock.nsecsElapsed();
            window.Engine().LoadSong(song);
            loadEnd = clock.nsecsElapsed();
            if (!window.Engine().m_dwBassStream) bench::Fail("LoadSong");
        } else if (step <= 5) {
            page->ZoomIn(x);
        } else if (step <= 10) {
            page->ZoomOut(x);
        } else if (page->IsWaveformComplete()) {
            loop.quit();
        }
        ++step;
    });
    clock.start();
    ticker.start();
    user.start();
    QTimer::singleShot(120000, [] { bench::Fail("waiting for the picture"); });
    loop.exec();
    return {double(longest) / 1e6, double(outsideLoading) / 1e6};
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s first-sound|ui-stall SONG\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    bench::OffscreenPlayer player(argc, argv);

    CQuorvelMainDlg window;
    if (!window.InitDialog()) bench::Fail("the main window");
    ShowLoopEditor(window);
    if (mode == "first-sound") {
        std::printf("%.3f\n", FirstSoundSeconds(window, argv[2]));
    } else if (mode == "ui-stall") {
        const Stalls stalls = LongestStalls(window, argv[2]);
        std::printf("%.1f %.1f\n", stalls.longest, stalls.outsideLoading);
    } else {
        std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
        return 2;
    }
    return 0;
}
