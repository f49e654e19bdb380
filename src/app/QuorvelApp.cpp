#include "app/QuorvelApp.h"

#include "app/DataFolder.h"
#include "app/QuorvelMainDlg.h"
#include "app/ShippedData.h"

bool CQuorvelApp::InitInstance() {
    InstallShippedData(DataFolder());
    CQuorvelMainDlg dialog;
    dialog.DoModal();
    return false;
}
