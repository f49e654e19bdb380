#include "export/SaveCommands.h"

#include <QApplication>
#include <algorithm>
#include <cctype>

#include "engine/PlaybackEngine.h"
#include "engine/PlaybackState.h"
#include "engine/SongFile.h"
#include "lang/LanguageText.h"
#include "ui/SaveDialog.h"
#include "ui/ShowMessage.h"

namespace {

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

OutputWriter WriterFor(const std::string& destination) {
    static constexpr std::pair<const char*, OutputWriter> kExtensions[] = {
        {".mp3", OutputWriter::Mp3}, {".aac", OutputWriter::Aac}, {".mp4", OutputWriter::Mp4},
        {".m4a", OutputWriter::M4a}, {".wma", OutputWriter::Wma},
    };
    const std::string path = Lowercase(destination);
    for (const auto& [extension, writer] : kExtensions)
        if (path.find(extension) != std::string::npos) return writer;
    return OutputWriter::Wav;
}

void SaveLoopAs(CPlaybackEngine& engine, const std::string& destination) {
    const RenderSettings settings = CurrentRenderSettings(engine);
    engine.SetTitleText("Saving loop as \"" + destination + "\"");
    const bool bWritten = SaveLoop(engine, destination, WriterFor(destination), settings);
    engine.SetTitleText(SongTitleOf(engine.m_strSongPath));
    // A save that wrote nothing leaves the close question to protect the work.
    if (bWritten) g_bModified = 0;
}

void OnSaveAs(CPlaybackEngine& engine) {
    const std::optional<std::string> chosen = ui::RunSaveDialog(engine.Window(), "Save Loop As...");
    if (!chosen) return;
    SaveLoopAs(engine, *chosen);
    engine.m_strSavePath = *chosen;
}

void OnSave(CPlaybackEngine& engine) {
    if (engine.m_strSavePath.empty()) {
        OnSaveAs(engine);
        return;
    }
    // Copied: a save over the song reloads it, and loading forgets the remembered path.
    const std::string destination = engine.m_strSavePath;
    if (ShowMessage(engine.Window(), "Overwrite Existing File?",
                    MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2, GetLanguageText(110),
                    destination.c_str()) == IDYES)
        SaveLoopAs(engine, destination);
}
