#pragma once

#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

class CQuorvelMainDlg;

// Files that reach the main window from outside it: named on the command line, handed over by a
// second start of the player, dropped on the window. Each is opened as the Open command opens
// a chosen file (OpenChosenFile), after the same unsaved-changes question.
//
// A request never runs inside something else: while another dialog, a message box or a menu is
// up, or a song is loading (the waveform build lets waiting events through), it waits and is
// tried again every 100 ms. Only one request waits: a newer one replaces it, since a second song
// would only replace the first one at once.
class COutsideOpen : public QObject {
    Q_OBJECT
public:
    explicit COutsideOpen(CQuorvelMainDlg& window);

    // Brings the window to the front and, for a non-empty path, opens it once the window is free
    // (from the event loop, never inside the caller).
    void Request(const std::string& path);
    // A request is waiting or running.
    bool Busy() const { return m_pending.has_value() || m_bRunning; }

private:
    void TryNow();

    CQuorvelMainDlg& m_window;
    QTimer m_retry;
    std::optional<std::string> m_pending;
    bool m_bRunning = false;
};
