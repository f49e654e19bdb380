#pragma once

#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPoint;
class QWidget;

// The pop-up menu of the main window's surface: the installed languages (menu 790) and the
// commands they send, then the player's own items. The languages are read on the first right
// click and kept for the run; the player's items are made anew each time the menu opens. Without
// language files the menu holds the player's items only.
class CLanguageMenu {
public:
    static constexpr int kLanguageItemId = 100;
    static constexpr unsigned kFirstLanguageCommand = 2000;

    // `sendCommand` delivers a chosen entry's command to the window, as any command.
    explicit CLanguageMenu(std::function<void(int command)> sendCommand);
    ~CLanguageMenu();
    CLanguageMenu(const CLanguageMenu&) = delete;
    CLanguageMenu& operator=(const CLanguageMenu&) = delete;

    // Right-button press at a point of the owner: builds the pop-up once, then shows it there.
    void OnRButtonDown(QWidget* owner, const QPoint& clientPos);
    // `appendItems` adds the player's own items after the languages, each time the menu opens.
    void SetPlayerItems(std::function<void(QMenu& menu)> appendItems);

    // Takes a language command: makes that language current and says so. False for any other
    // command (and for every command before the pop-up is built).
    bool OnCommand(QWidget* owner, unsigned command);

    QMenu* Popup() const;

private:
    // Creates the pop-up with an entry per language file; false when there is no such file.
    bool Build(QWidget* owner);
    // Replaces the player's items of the last opening by new ones.
    void RefreshPlayerItems();

    std::function<void(int)> m_sendCommand;
    std::function<void(QMenu&)> m_appendPlayerItems;
    std::vector<QPointer<QAction>> m_playerItems;  // what the last opening added
    QPointer<QMenu> m_pLanguagePopup;  // null until built
    unsigned m_nFirstLanguageCommand = kFirstLanguageCommand;
    unsigned m_nLastLanguageCommand = kFirstLanguageCommand;
};
