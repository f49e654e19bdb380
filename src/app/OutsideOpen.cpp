#include "app/OutsideOpen.h"

#include "app/OpenCommand.h"
#include "app/QuorvelMainDlg.h"

COutsideOpen::COutsideOpen(CQuorvelMainDlg& window) : m_window(window) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(100);
    connect(&m_retry, &QTimer::timeout, this, &COutsideOpen::TryNow);
}

void COutsideOpen::Request(const std::string& path) {
    if (m_window.isVisible()) {
        if (m_window.isMinimized()) m_window.showNormal();
        m_window.raise();
        m_window.activateWindow();
    }
    if (path.empty()) return;
    m_pending = path;
    // Never inside the caller: a drop or a socket's notice must be finished before a question
    // box opens its own event loop.
    QTimer::singleShot(0, this, &COutsideOpen::TryNow);
}

void COutsideOpen::TryNow() {
    if (m_bRunning || !m_pending) return;
    if (!m_window.IsFree()) {
        m_retry.start();
        return;
    }
    const std::string path = std::move(*m_pending);
    m_pending.reset();
    m_bRunning = true;
    if (MayReplaceSong(&m_window))
        OpenChosenFile(m_window.Engine(), m_window.GetDlgItem(520), path);
    m_bRunning = false;
    if (m_pending) m_retry.start();  // arrived while the question or the load ran
}
