// The player with a practice session played into it: opens the song given, sets 80 %, two
// semitones down, some vocal reduction, "Rock", a loop and two named loops, prints "changed"
// and runs until it is ended. The tests end it the hard way (SIGKILL) and the polite one
// (SIGTERM) and read what its memory kept.
#include <QApplication>
#include <cstdio>

#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "app/TerminationSignals.h"
#include "engine/MainWindowIds.h"
#include "eq/QuorvelEQPropertyPage.h"
#include "eq/QuorvelPresetNameDlg.h"
#include "lang/DataFolder.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "practice/QuorvelPracticePage.h"
#include "ui/ListBox.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    QApplication application(argc, argv);
    QuitOnTerminationSignals();
    InstallShippedData(DataFolder());
    ui::ModalScript<ui::MessageQuestion> boxes{IDOK};
    ui::ModalScript<PresetNameQuestion> names;
    CQuorvelMainDlg dialog;
    if (!dialog.InitDialog()) return 1;
    CPlaybackEngine& engine = dialog.Engine();
    engine.LoadSong(argv[1]);
    if (!engine.m_dwBassStream) return 1;

    engine.SetSoundSlider(IDC_TEMPO, 80);
    engine.SetSoundSlider(IDC_PITCH, -200);
    engine.SetSoundSlider(IDC_VOCAL, 100);
    auto* eq = qobject_cast<CQuorvelEQPropertyPage*>(dialog.EqPage());
    for (int line = 0; line < eq->PresetList()->GetCount(); ++line)
        if (eq->PresetList()->GetText(line) == QStringLiteral("Rock")) eq->PresetList()->SetCurSel(line);
    eq->OnPresetSelChange();
    CQuorvelLoopPropertyPage* loop = dialog.LoopPage();
    const struct {
        const char* name;
        audio::QWORD start, end;
    } loops[] = {{"intro", 0, 176400}, {"solo", 264600, 441000}};
    for (const auto& named : loops) {
        loop->SetLoopStart(named.start, true);
        loop->SetLoopEnd(named.end, true);
        names.Queue(std::string(named.name));
        dialog.PracticePage()->OnLoopCreate();
    }
    std::puts("changed");
    std::fflush(stdout);
    return QApplication::exec();
}
