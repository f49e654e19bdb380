#pragma once

#include "ui/TemplateDialog.h"

namespace ui {
class CComboBox;
}

// What the bitrate chooser lists.
enum BitrateListKind {
    kBitrateListWma = 1,  // the WMA encoder's constant bitrates for 44 100 Hz stereo
    kBitrateListAac = 2,  // the rows of AacQualityTable
};

// The Bitrate dialog (dialog 316): one drop-down list of output qualities, asked before an AAC,
// MP4, M4A or WMA file is written. OK ends it with IDOK_BITRATE and leaves the choice in the
// members; anything else is a cancellation.
class QuorvelBitrateDlg : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 316;
    static constexpr int IDC_BITRATE_LIST = 770;
    static constexpr int IDC_BITRATE_OK = 771;
    static constexpr int IDC_BITRATE_CANCEL = 781;
    static constexpr int IDC_BITRATE_PROMPT = 511;
    static constexpr int IDOK_BITRATE = 780;  // the end code of OK

    QuorvelBitrateDlg(int nListKind, QWidget* owner);

    ui::CComboBox* List() const { return m_pList; }
    void OnOK();
    void OnCancel();

    const int m_nListKind;
    int m_nBitrate = 0;                   // WMA: bits per second; AAC: the row's shown kbps
    const char* m_pszOptions = nullptr;   // AAC: the row's encoder options

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;

private:
    ui::CComboBox* m_pList = nullptr;
};

// The question the bitrate chooser asks. The handler gets the dialog, initialised but not shown,
// so that a test can choose an entry and press its buttons; it answers with the end code.
struct BitrateQuestion {
    using Answer = int;
    QWidget* owner = nullptr;
    QuorvelBitrateDlg* dialog = nullptr;
};

// Runs the initialised dialog modally: its end code (IDOK_BITRATE after OK).
int RunBitrateDialog(QuorvelBitrateDlg& dialog);
