#include "ui/OpenDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QUrl>
#include <filesystem>

#include "audio/CdTrackFiles.h"
#include "lang/LanguageText.h"
#include "ui/ControlId.h"
#include "ui/ModalResponder.h"
#include "ui/PreviewPlayer.h"
#include "ui/QtText.h"
#include "ui/UserMessage.h"

int g_bAutoPlayPreview = 1;

namespace ui {

namespace {

// Posted once the dialog is up: only then does a new size stick.
constexpr int kResizeMessage = 1;
constexpr QSize kDialogSize{570, 500};

// A path as the file system spells it.
std::string FileSystemPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

bool IsRegularFile(const QString& path) {
    std::error_code error;
    return !path.isEmpty() && std::filesystem::is_regular_file(FileSystemPath(path), error);
}

}  // namespace

COpenPreviewDialog::COpenPreviewDialog(QWidget* owner)
    : QFileDialog(owner, ToQtText(GetLanguageText(120))) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilters(Filters());
    selectNameFilter(Filters().front());
    // Each CD drive holding a disc is a folder of track files in the side bar, read as the
    // drives are now (one plugged in since the last time appears, one taken away goes).
    audio::CD_RescanDrives();
    for (const CdTrackFolderEntry& cd : RefreshCdTrackFolders())
        m_cdFolders.append(QUrl::fromLocalFile(QFile::decodeName(cd.folder.c_str())));
    setSidebarUrls(sidebarUrls() + m_cdFolders);

    m_pAutoPlayBox = new QCheckBox(this);
    SetDlgCtrlID(m_pAutoPlayBox, IDC_AUTOPLAY);
    m_pAutoPlayBox->setChecked(g_bAutoPlayPreview != 0);
    m_pAutoPlayBox->setText(ToQtText(GetLanguageText(121)));
    // Below the dialog's own rows, across its whole width.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(m_pAutoPlayBox, grid->rowCount(), 0, 1, grid->columnCount());
    else if (layout())
        layout()->addWidget(m_pAutoPlayBox);

    connect(m_pAutoPlayBox, &QCheckBox::clicked, this, &COpenPreviewDialog::OnAutoPlayClicked);
    connect(this, &QFileDialog::currentChanged, this, &COpenPreviewDialog::OnSelectionChanged);
}

COpenPreviewDialog::~COpenPreviewDialog() {
    QList<QUrl> places = sidebarUrls();
    for (const QUrl& folder : m_cdFolders) places.removeAll(folder);
    setSidebarUrls(places);
}

QStringList COpenPreviewDialog::Filters() {
    return {QStringLiteral("Audio Files (wav, mp4, m4a, mp3, mp2, mp1, aac, aif, wma, ogg, cda) "
                           "(*.wav *.mp4 *.m4a *.mp3 *.mp2 *.mp1 *.aac *.aif *.wma *.ogg *.cda)"),
            QStringLiteral("All files (*)")};
}

void COpenPreviewDialog::OnAutoPlayClicked() {
    g_bAutoPlayPreview = m_pAutoPlayBox->isChecked() ? 1 : 0;
    if (!g_bAutoPlayPreview && g_pPreviewPlayer && g_pPreviewPlayer->IsPlaying())
        g_pPreviewPlayer->Stop();
}

void COpenPreviewDialog::OnSelectionChanged(const QString& path) {
    // Folders and vanished files leave the preview alone; a file that cannot be played is
    // simply silent.
    if (!g_pPreviewPlayer || !g_bAutoPlayPreview || !IsRegularFile(path)) return;
    if (g_pPreviewPlayer->IsPlaying()) g_pPreviewPlayer->Stop();
    g_pPreviewPlayer->Load(FileSystemPath(path));
    g_pPreviewPlayer->Play();
}

void COpenPreviewDialog::showEvent(QShowEvent* event) {
    QFileDialog::showEvent(event);
    if (!m_bShown) {
        m_bShown = true;
        PostUserMessage(this, kResizeMessage);
    }
}

bool COpenPreviewDialog::event(QEvent* event) {
    if (event->type() == UserMessageType(kResizeMessage)) {
        resize(kDialogSize);  // keeps the position
        return true;
    }
    return QFileDialog::event(event);
}

std::optional<std::string> RunOpenDialog(QWidget* owner) {
    COpenPreviewDialog dialog(owner);
    return ModalResponder<OpenFileQuestion>::Ask(
        OpenFileQuestion{owner, &dialog},
        [](const OpenFileQuestion& question) -> std::optional<std::string> {
            if (question.dialog->exec() != QDialog::Accepted) return std::nullopt;
            const QStringList files = question.dialog->selectedFiles();
            if (files.isEmpty()) return std::nullopt;
            return FileSystemPath(files.front());
        });
}

}  // namespace ui
