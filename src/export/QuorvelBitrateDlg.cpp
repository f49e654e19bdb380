#include "export/QuorvelBitrateDlg.h"

#include <cstdio>

#include "audio/Audio.h"
#include "export/AacQualityTable.h"
#include "lang/LanguageText.h"
#include "ui/ComboBox.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

constexpr DialogItem kItems[] = {
    {QuorvelBitrateDlg::IDC_BITRATE_LIST, ControlKind::ComboBox, "", 7, 22, 118, 70, 0},
    {QuorvelBitrateDlg::IDC_BITRATE_OK, ControlKind::PushButton, "OK", 7, 52, 50, 14,
     ui::kDefaultButton},
    {QuorvelBitrateDlg::IDC_BITRATE_CANCEL, ControlKind::PushButton, "Cancel", 75, 52, 50, 14, 0},
    {QuorvelBitrateDlg::IDC_BITRATE_PROMPT, ControlKind::StaticText,
     "Please choose the output bitrate:", 7, 8, 118, 8, 0},
};

constexpr ui::DialogTemplate kTemplate{
    QuorvelBitrateDlg::IDD, 132, 73, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

QString KbpsText(int kbps) {
    char text[32];
    std::snprintf(text, sizeof text, "%d kbps", kbps);
    return QString::fromLatin1(text);
}

void SetText(ui::CTemplateDialog& dialog, int id, int textNumber) {
    if (QWidget* control = dialog.GetDlgItem(id))
        control->setProperty("text", ui::ToQtText(GetLanguageText(textNumber)));
}

}  // namespace

QuorvelBitrateDlg::QuorvelBitrateDlg(int nListKind, QWidget* owner)
    : ui::CTemplateDialog(kTemplate, owner,
                          Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_nListKind(nListKind) {
    m_pList = GetDlgItem<ui::CComboBox>(IDC_BITRATE_LIST);
    setWindowTitle(QStringLiteral("Bitrate"));
}

bool QuorvelBitrateDlg::OnInitDialog() {
    m_layout.Apply(this, Template(), 96);
    setFixedSize(size());
    if (m_pList) {
        if (m_nListKind == kBitrateListWma) {
            if (const audio::DWORD* rates = audio::WMA_EncodeGetRates(44100, 2, 0))
                for (; *rates; ++rates) {
                    const int index = m_pList->AddString(KbpsText(static_cast<int>(*rates / 1000)));
                    m_pList->SetItemData(index, *rates);
                }
        } else {
            for (const AacQualityRow& row : AacQualityTable)
                m_pList->AddString(KbpsText(row.nShownKbps));
        }
        m_pList->SetCurSel(0);
        m_pList->setFocus();
    }
    setWindowTitle(ui::ToQtText(GetLanguageText(86)));
    SetText(*this, IDC_BITRATE_PROMPT, 89);
    SetText(*this, IDC_BITRATE_OK, 87);
    SetText(*this, IDC_BITRATE_CANCEL, 88);
    return true;
}

void QuorvelBitrateDlg::OnCommand(int id, int /*notifyCode*/) {
    if (id == IDC_BITRATE_OK)
        OnOK();
    else if (id == IDC_BITRATE_CANCEL)
        OnCancel();
}

void QuorvelBitrateDlg::OnOK() {
    const int selected = m_pList ? m_pList->GetCurSel() : -1;
    if (m_nListKind == kBitrateListWma) {
        // An empty list hands back 0, which no encoder accepts: the writer reports it.
        m_nBitrate = selected >= 0 ? static_cast<int>(m_pList->GetItemData(selected)) : 0;
    } else if (selected >= 0 && selected < kAacQualityRows) {
        m_nBitrate = AacQualityTable[selected].nShownKbps;
        m_pszOptions = AacQualityTable[selected].szOptions;
    }
    done(IDOK_BITRATE);
}

void QuorvelBitrateDlg::OnCancel() {
    reject();
}

int RunBitrateDialog(QuorvelBitrateDlg& dialog) {
    dialog.InitDialog();
    return ui::ModalResponder<BitrateQuestion>::Ask(
        BitrateQuestion{dialog.parentWidget(), &dialog},
        [](const BitrateQuestion& question) { return question.dialog->exec(); });
}
