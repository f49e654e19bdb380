#include "app/OpenCommand.h"

#include <QWidget>
#include <memory>

#include "cdrip/RipCommands.h"
#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "lang/LanguageText.h"
#include "loop/QuorvelLoopPropertyPage.h"
#include "ui/OpenDialog.h"
#include "ui/PreviewPlayer.h"
#include "ui/ShowMessage.h"

namespace {

// The preview player exists exactly while the dialog runs, on every way out.
class PreviewPlayerScope {
public:
    PreviewPlayerScope() { g_pPreviewPlayer = new CPreviewPlayer; }
    ~PreviewPlayerScope() { End(); }
    PreviewPlayerScope(const PreviewPlayerScope&) = delete;
    PreviewPlayerScope& operator=(const PreviewPlayerScope&) = delete;
    void End() {
        delete g_pPreviewPlayer;  // stops and frees its stream
        g_pPreviewPlayer = nullptr;
    }
};

}  // namespace

bool MayReplaceSong(QWidget* window) {
    return !g_bModified ||
           ShowMessage(window, "Quorvel", MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2,
                       GetLanguageText(111)) != IDNO;
}

void OpenChosenFile(CPlaybackEngine& engine, QWidget* focusSink, const std::string& path) {
    g_bModified = 0;
    if (focusSink) focusSink->setFocus();
    // A CD track is converted to a WAV file first, which is loaded whatever the outcome and
    // deleted with the window.
    const bool bCdTrack = IsCdTrackPath(path);
    const std::string song =
        bCdTrack ? ConvertCdTrackForOpening(path, engine.Window(), &engine) : path;
    engine.m_arrOpenedIsTemp.push_back(bCdTrack ? 1 : 0);
    engine.m_arrOpenedFiles.push_back(song);
    engine.LoadSong(song);
}

void OnOpenCommand(QWidget* window, CPlaybackEngine& engine, CQuorvelLoopPropertyPage* loopPage,
                   QWidget* focusSink) {
    if (!MayReplaceSong(window)) return;

    PreviewPlayerScope preview;
    // The move that follows a double click in the dialog must not move the loop start.
    if (loopPage) loopPage->m_bIgnoreNextMove = true;
    const std::optional<std::string> chosen = ui::RunOpenDialog(window);
    if (!chosen) return;

    preview.End();  // the preview stops before the song loads
    OpenChosenFile(engine, focusSink, *chosen);
}
