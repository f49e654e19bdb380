#include "app/PlayerMenuItems.h"

#include <QFileInfo>
#include <QMenu>

#include "lang/LanguageText.h"
#include "practice/SongMemoryKeeper.h"
#include "ui/QtText.h"

namespace {

// Menu texts take '&' as a mnemonic mark; file names show it as it is.
QString MenuText(const QString& text) {
    QString shown = text;
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return shown;
}

}  // namespace

void AppendPlayerMenuItems(QMenu& menu, CSongMemoryKeeper& keeper,
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

    QAction* remember = menu.addAction(MenuText(ui::ToQtText(GetLanguageText(125))));
    remember->setCheckable(true);
    remember->setChecked(keeper.Settings().RestoresSongSettings());
    QObject::connect(remember, &QAction::toggled, &menu, [&keeper](bool bChecked) {
        keeper.Settings().SetRestoresSongSettings(bChecked);
    });
}
