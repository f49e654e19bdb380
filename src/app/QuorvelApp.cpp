#include "app/QuorvelApp.h"

#include <QDBusConnection>
#include <QTimer>
#include <memory>

#include "app/MprisService.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "app/SingleInstance.h"
#include "lang/DataFolder.h"

bool CQuorvelApp::InitInstance(const std::string& fileToOpen, CInstanceServer* server) {
    InstallShippedData(DataFolder());
    CQuorvelMainDlg dialog;
    if (server)
        QObject::connect(server, &CInstanceServer::Requested, &dialog,
                         [&dialog](const std::string& path) { dialog.OpenFromOutside(path); });
    // From the window's own event loop, so that the window is up first.
    if (!fileToOpen.empty())
        QTimer::singleShot(0, &dialog,
                           [&dialog, fileToOpen] { dialog.OpenFromOutside(fileToOpen); });
    // Media keys and the desktop's player controls, once the window is up; gone before it.
    std::unique_ptr<CMprisService> mpris;
    QTimer::singleShot(0, &dialog, [&dialog, &mpris] {
        mpris = CMprisService::Start(dialog, QDBusConnection::sessionBus());
    });
    dialog.DoModal();
    return false;
}
