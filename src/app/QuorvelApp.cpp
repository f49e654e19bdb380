#include "app/QuorvelApp.h"

#include <QTimer>

#include "lang/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"
#include "app/SingleInstance.h"

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
    dialog.DoModal();
    return false;
}
