#include "app/PlayerMenuItems.h"

#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>

#include "engine/PlaybackEngine.h"
#include "lang/LanguageText.h"
#include "practice/SongMemoryKeeper.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"

namespace {

// Menu texts take '&' as a mnemonic mark; file names show it as it is.
QString MenuText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return shown;
}

// The engines of the "Time-Stretching" submenu: name and tip texts, in menu order.
struct StretcherItem {
    audio::DWORD stretcher;
    int nameText;
    int tipText;
};
constexpr StretcherItem kStretcherItems[] = {
    {audio::STRETCHER_SOUNDTOUCH, 159, 162},
    {audio::STRETCHER_FINER, 160, 163},
    {audio::STRETCHER_FASTER, 161, 164},
};

void AppendStretcherMenu(QMenu& menu, CSongMemoryKeeper& keeper, CPlaybackEngine& engine) {
    QMenu* stretching = menu.addMenu(MenuText(ui::ToQtText(GetLanguageText(158))));
    stretching->setToolTipsVisible(true);
    auto* choices = new QActionGroup(stretching);
    for (const StretcherItem& item : kStretcherItems) {
        QAction* choice =
            stretching->addAction(MenuText(ui::ToQtText(GetLanguageText(item.nameText))));
        choice->setToolTip(ui::ToQtText(GetLanguageText(item.tipText)));
        choice->setCheckable(true);
        choice->setChecked(keeper.Settings().Stretcher() == item.stretcher);
        choices->addAction(choice);
        QObject::connect(choice, &QAction::triggered, stretching, [&keeper, &engine, item] {
            if (engine.SetStretcher(item.stretcher)) keeper.Settings().SetStretcher(item.stretcher);
        });
    }
}

// "Output Device": "System Default", then the system's devices as it lists them now, the chosen
// one checked. A chosen device that is not there now is listed greyed with its check: the
// choice stands, and the output goes back to it when it returns.
void AppendOutputDeviceMenu(QMenu& menu, CSongMemoryKeeper& keeper, QWidget* window) {
    QMenu* devices = menu.addMenu(MenuText(ui::ToQtText(GetLanguageText(165))));
    auto* choices = new QActionGroup(devices);
    const std::string chosen = keeper.Settings().OutputDevice();
    auto addChoice = [&](const QString& text, const std::string& name, bool bThere) {
        QAction* choice = devices->addAction(MenuText(text));
        choice->setCheckable(true);
        choice->setChecked(name == chosen);
        choice->setEnabled(bThere);
        choices->addAction(choice);
        QObject::connect(choice, &QAction::triggered, devices, [&keeper, window, name] {
            if (audio::SetOutputDevice(name.c_str()))
                keeper.Settings().SetOutputDevice(name);
            else
                ShowMessage(window, "Quorvel", MB_OK | MB_ICONEXCLAMATION, GetLanguageText(167));
        });
    };
    addChoice(ui::ToQtText(GetLanguageText(166)), {}, true);
    bool bChosenThere = chosen.empty();
    audio::DEVICEINFO info{};
    for (audio::DWORD device = 2; audio::GetDeviceInfo(device, &info); ++device) {
        addChoice(ui::ToQtText(info.name), info.name, true);
        bChosenThere = bChosenThere || chosen == info.name;
    }
    if (!bChosenThere) addChoice(ui::ToQtText(chosen), chosen, false);
}

}  // namespace

void AppendPlayerMenuItems(QMenu& menu, CSongMemoryKeeper& keeper, CPlaybackEngine& engine,
                           std::function<void(const std::string&)> openSong) {
    QMenu* recent = menu.addMenu(MenuText(ui::ToQtText(GetLanguageText(126))));
    recent->setToolTipsVisible(true);
    const std::vector<std::string> songs = keeper.RecentSongs();
    if (songs.empty()) recent->addAction(ui::ToQtText(GetLanguageText(138)))->setEnabled(false);
    for (const std::string& path : songs) {
        const QString shownPath = ui::ToQtText(path);
        QAction* song = recent->addAction(MenuText(QFileInfo(shownPath).fileName()));
        song->setToolTip(shownPath);
        QObject::connect(song, &QAction::triggered, recent, [openSong, path] { openSong(path); });
    }

    AppendStretcherMenu(menu, keeper, engine);
    AppendOutputDeviceMenu(menu, keeper, engine.Window());

    QAction* remember = menu.addAction(MenuText(ui::ToQtText(GetLanguageText(125))));
    remember->setCheckable(true);
    remember->setChecked(keeper.Settings().RestoresSongSettings());
    QObject::connect(remember, &QAction::toggled, &menu, [&keeper](bool bChecked) {
        keeper.Settings().SetRestoresSongSettings(bChecked);
    });
}
