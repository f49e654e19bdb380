#include "cdrip/QuorvelRipCDTrackDlg.h"

#include <QAbstractItemView>
#include <QPushButton>
#include <algorithm>

#include "audio/Audio.h"
#include "audio/CdTrackFiles.h"
#include "cdrip/QuorvelRipTrackProgressDlg.h"
#include "export/SaveCommands.h"
#include "lang/LanguageText.h"
#include "ui/ComboBox.h"
#include "ui/ListBox.h"
#include "ui/QtText.h"
#include "ui/SaveDialog.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

constexpr DialogItem kItems[] = {
    {QuorvelRipCDTrackDlg::IDC_DRIVE_LIST, ControlKind::ComboBox, "", 7, 18, 119, 14, 0},
    {QuorvelRipCDTrackDlg::IDC_TRACK_LIST, ControlKind::ListBox, "", 7, 48, 119, 140, 0},
    {QuorvelRipCDTrackDlg::IDC_RIP_TRACK, ControlKind::PushButton, "Rip Track", 7, 197, 56, 14,
     ui::kDefaultButton},
    {QuorvelRipCDTrackDlg::IDC_RIP_CLOSE, ControlKind::PushButton, "Close", 70, 197, 56, 14, 0},
    {QuorvelRipCDTrackDlg::IDC_DRIVE_LABEL, ControlKind::StaticText,
     "CD Drive From Which to Rip:", 7, 7, 119, 8, 0},
    {QuorvelRipCDTrackDlg::IDC_TRACK_LABEL, ControlKind::StaticText, "Track to Rip:", 7, 37, 119, 8,
     0},
};

constexpr ui::DialogTemplate kTemplate{
    QuorvelRipCDTrackDlg::IDD, 133, 218, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

int OutputKindFor(const std::string& destination) {
    switch (WriterFor(destination)) {
        case OutputWriter::Mp3:
            return kOutputMp3;
        case OutputWriter::Aac:
            return kOutputAac;
        case OutputWriter::Mp4:
            return kOutputMp4;
        case OutputWriter::M4a:
            return kOutputM4a;
        case OutputWriter::Wma:
            return kOutputWma;
        case OutputWriter::Wav:
            break;
    }
    return kOutputWav;
}

QuorvelRipCDTrackDlg::QuorvelRipCDTrackDlg(QWidget* owner, CPlaybackEngine* engine)
    : ui::CTemplateDialog(kTemplate, owner,
                          Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_pEngine(engine) {
    m_pDrives = GetDlgItem<ui::CComboBox>(IDC_DRIVE_LIST);
    m_pTracks = GetDlgItem<ui::CListBox>(IDC_TRACK_LIST);
    setWindowTitle(QStringLiteral("Rip CD Track"));
}

bool QuorvelRipCDTrackDlg::OnInitDialog() {
    m_layout.Apply(this, Template(), 96);
    setFixedSize(size());
    // The drives as they are now: one plugged in since the last time appears, one taken away
    // goes. The list is in drive order, so that an entry's place is its drive number too.
    audio::CD_RescanDrives();
    audio::CD_INFO info{};
    for (audio::DWORD drive = 0; audio::CD_GetInfo(drive, &info); ++drive) {
        const std::string label =
            info.hasDisc && info.label && *info.label ? info.label : "[EMPTY]";
        const int index =
            m_pDrives->AddString(ui::ToQtText(std::string(info.device) + " - " + label));
        m_pDrives->SetItemData(index, drive);
        audio::CD_Release(drive);
    }
    // Device paths are long for the narrow list: opened, it is as wide as its longest entry.
    int widest = 0;
    for (int i = 0; i < m_pDrives->GetCount(); ++i)
        widest =
            std::max(widest, m_pDrives->fontMetrics().horizontalAdvance(m_pDrives->GetLBText(i)));
    if (m_pDrives->view()) m_pDrives->view()->setMinimumWidth(widest + 24);
    if (m_pDrives->GetCount() > 0) {
        m_pDrives->SetCurSel(0);
        FillTrackList();
    }
    setWindowTitle(ui::ToQtText(GetLanguageText(78)));
    const std::pair<int, int> texts[] = {
        {IDC_RIP_TRACK, 79}, {IDC_RIP_CLOSE, 80}, {IDC_DRIVE_LABEL, 81}, {IDC_TRACK_LABEL, 82}};
    for (const auto& [id, line] : texts)
        if (QWidget* control = GetDlgItem(id))
            control->setProperty("text", ui::ToQtText(GetLanguageText(line)));
    return true;
}

void QuorvelRipCDTrackDlg::OnCommand(int id, int notifyCode) {
    if (id == IDC_DRIVE_LIST && notifyCode == ui::CBN_SELCHANGE)
        FillTrackList();
    else if (id == IDC_RIP_TRACK && notifyCode == ui::BN_CLICKED)
        OnRipTrack();
    else if (id == IDC_RIP_CLOSE && notifyCode == ui::BN_CLICKED)
        done(0);
}

void QuorvelRipCDTrackDlg::FillTrackList() {
    QWidget* ripButton = GetDlgItem(IDC_RIP_TRACK);
    const int selected = m_pDrives->GetCurSel();
    if (selected < 0) {
        if (ripButton) ripButton->setEnabled(false);
        return;
    }
    const auto drive = static_cast<audio::DWORD>(m_pDrives->GetItemData(selected));
    const audio::DWORD tracks = audio::CD_GetTracks(drive);
    if (tracks != audio::DWORD(-1) && tracks > 0 &&
        audio::CD_GetTrackLength(drive, 0) != audio::DWORD(-1)) {
        m_pTracks->ResetContent();
        for (audio::DWORD i = 0; i < tracks; ++i) {
            if (audio::CD_GetTrackLength(drive, i) == audio::DWORD(-1)) continue;
            char text[32];
            std::snprintf(text, sizeof text, "Track%02u.cda", static_cast<unsigned>(i + 1));
            m_pTracks->AddString(QString::fromLatin1(text));
        }
        m_pTracks->SetCurSel(0);
        if (ripButton) ripButton->setEnabled(true);
        audio::CD_Release(drive);
        // The track files the rip will read, written for this disc now.
        RefreshCdTrackFolders();
    } else {
        audio::CD_Release(drive);
        if (ripButton) ripButton->setEnabled(false);
    }
}

void QuorvelRipCDTrackDlg::OnRipTrack() {
    const int selectedDrive = m_pDrives->GetCurSel();
    const int selectedTrack = m_pTracks->GetCurSel();
    if (selectedDrive < 0 || selectedTrack < 0) return;
    const auto drive = static_cast<audio::DWORD>(m_pDrives->GetItemData(selectedDrive));
    const std::string trackText = ui::FromQtText(m_pTracks->GetText(selectedTrack));
    const std::string proposedName = trackText.substr(0, trackText.find('.'));
    const std::string folder = CdTrackFolder(drive);
    const std::string source = folder + "/" + trackText;

    const std::optional<std::string> destination = AskDestination(source, proposedName);
    if (!destination) return;
    RunRipTrackProgress(source, *destination, OutputKindFor(*destination), this, m_pEngine);
}

std::optional<std::string> QuorvelRipCDTrackDlg::AskDestination(const std::string& sourcePath,
                                                                const std::string& proposedName) {
    return ui::RunSaveDialog(this, "Save " + sourcePath + " As...", proposedName);
}
