#include "cdrip/RipCommands.h"

#include <filesystem>

#include "lang/DataFolder.h"
#include "cdrip/QuorvelRipCDTrackDlg.h"
#include "cdrip/QuorvelRipTrackProgressDlg.h"
#include "engine/PlaybackEngine.h"

void OnRipCD(CPlaybackEngine& engine) {
    engine.OnStop();
    QuorvelRipCDTrackDlg dialog(engine.Window(), &engine);
    dialog.DoModal();
}

bool IsCdTrackPath(const std::string& path) {
    const std::string name = std::filesystem::path(path).filename().string();
    return name.size() > 4 && name.ends_with(".cda");
}

std::string ConvertCdTrackForOpening(const std::string& chosen, QWidget* owner,
                                     CPlaybackEngine* engine) {
    // The folder the data folder lives in: $APPDATA when set, as the behaviour has it.
    const std::string folder = std::filesystem::path(DataFolder()).parent_path().string();
    std::string name = std::filesystem::path(chosen).filename().string();
    if (name.size() >= 3)
        name.replace(name.size() - 3, 3, "wav");
    else
        name += ".wav";
    const std::string destination = folder + "/" + name;
    RunRipTrackProgress(chosen, destination, kOutputWav, owner, engine);
    return destination;
}
