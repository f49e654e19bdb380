// Saves a whole song through the player's own Save path (the main window's engine, the render
// chain and the writer the name picks) and prints the seconds the save took.
// Usage: bench_save render|mp3|aac SONG OUT
//   render: tempo -20 %, pitch +2, vocal reduction, nine bands not flat, volume 80, as WAV
//   mp3:    neutral settings, 192 kbps at the song's rate
//   aac:    neutral settings, the 129 kbps row
#include <QApplication>
#include <QSlider>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchSupport.h"
#include "OffscreenPlayer.h"
#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "engine/MainWindowIds.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "export/Mp3FormatChooser.h"
#include "export/QuorvelBitrateDlg.h"
#include "export/SaveCommands.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "practice/QuorvelPracticePage.h"
#include "ui/ComboBox.h"
#include "ui/ModalResponder.h"
#include "ui/SliderCtrl.h"

namespace {

void SetSlider(CQuorvelMainDlg& window, int id, int value) {
    qobject_cast<QSlider*>(window.GetDlgItem(id))->setValue(value);
    window.Engine().ApplySlider(id);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s render|mp3|aac SONG OUT\n", argv[0]);
        return 2;
    }
    const std::string mode = argv[1];
    bench::OffscreenPlayer player(argc, argv);

    // The questions a user would answer.
    ui::ScopedModalResponder<Mp3FormatQuestion> mp3([](const Mp3FormatQuestion& q) {
        for (std::size_t i = 0; i < q.formats.size(); ++i)
            if (q.formats[i].bitrate == 192000 && q.formats[i].freq == q.sourceFreq)
                return static_cast<int>(i);
        return -1;
    });
    ui::ScopedModalResponder<BitrateQuestion> bitrate([](const BitrateQuestion& q) {
        q.dialog->List()->SetCurSel(3);  // 129 kbps
        q.dialog->OnOK();
        return q.dialog->result();
    });

    CQuorvelMainDlg window;
    if (!window.InitDialog()) bench::Fail("the main window");
    CPlaybackEngine& engine = window.Engine();
    if (!engine.SetStretcher(bench::StretcherFromEnvironment())) bench::Fail("SetStretcher");
    engine.LoadSong(argv[2]);
    if (!engine.m_dwBassStream) bench::Fail("LoadSong");
    // A user saves after listening, not in the instant the song came in: the loop editor's
    // picture and the song's beat, both found in the background after a load, are complete by
    // then and do not share the processor with the save.
    const double loaded = bench::WallSeconds();
    while (!window.LoopPage()->IsWaveformComplete() || window.PracticePage()->IsFindingBeat()) {
        if (bench::WallSeconds() - loaded > 60) bench::Fail("waiting for the picture and the beat");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    auto* eq = qobject_cast<CQuorvelEQPropertyPage*>(window.EqPage());
    SetSlider(window, IDC_VOLUME, 100);
    if (mode == "render") {
        SetSlider(window, IDC_TEMPO, 80);
        SetSlider(window, IDC_PITCH, 200);
        SetSlider(window, IDC_VOCAL, 128);
        SetSlider(window, IDC_VOLUME, 80);
        for (int band = 0; band < kEqBandCount; ++band) {
            eq->Slider(band)->setValue(band % 2 ? -6 : 4);
            eq->OnEqVScroll(eq->Slider(band));
        }
    }
    const double start = bench::WallSeconds();
    SaveLoopAs(engine, argv[3]);
    const double seconds = bench::WallSeconds() - start;
    std::printf("%.4f\n", seconds);
    return 0;
}
