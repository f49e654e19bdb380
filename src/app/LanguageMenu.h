#pragma once

#include <QPointer>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QMenu;
class QPoint;
class QWidget;

// The pop-up menu of the main window's surface that lists the installed languages (menu 790)
// and the commands it sends. It is built on the first right click and kept for the run.
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

    // Takes a language command: makes that language current and says so. False for any other
    // command (and for every command before the pop-up is built).
    bool OnCommand(QWidget* owner, unsigned command);

    QMenu* Popup() const;

private:
    // Creates the pop-up with an entry per language file; false when there is no such file.
    bool Build(QWidget* owner);

    std::function<void(int)> m_sendCommand;
    QPointer<QMenu> m_pLanguagePopup;  // null until built
    unsigned m_nFirstLanguageCommand = kFirstLanguageCommand;
    unsigned m_nLastLanguageCommand = kFirstLanguageCommand;
};
