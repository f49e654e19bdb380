#include "ui/SaveDialog.h"

#include <QFile>
#include <QRegularExpression>

#include "ui/ModalResponder.h"
#include "ui/QtText.h"

namespace ui {

namespace {

// "WAV (*.wav)" gives "wav".
QString ExtensionOf(const QString& fileType) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)\\)$"));
    const QRegularExpressionMatch match = pattern.match(fileType);
    return match.hasMatch() ? match.captured(1) : QStringLiteral("wav");
}

}  // namespace

CSaveOutputDialog::CSaveOutputDialog(QWidget* owner, const QString& title,
                                     const QString& proposedName)
    : QFileDialog(owner, title) {
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(FileTypes());
    selectNameFilter(FileTypes().front());
    setDefaultSuffix(QStringLiteral("wav"));
    // Choosing MP3 and typing "song" means song.mp3.
    connect(this, &QFileDialog::filterSelected, this,
            [this](const QString& type) { setDefaultSuffix(ExtensionOf(type)); });
    if (!proposedName.isEmpty()) selectFile(proposedName);
}

QStringList CSaveOutputDialog::FileTypes() {
    return {QStringLiteral("WAV (*.wav)"),
            QStringLiteral("MPEG-Layer 3 (*.mp3)"),
            QStringLiteral("Advanced Audio Coding (*.aac)"),
            QStringLiteral("MPEG-4 (*.mp4)"),
            QStringLiteral("MP4 Audio (*.m4a)"),
            QStringLiteral("Windows Media (*.wma)")};
}

std::optional<std::string> RunSaveDialog(QWidget* owner, const std::string& title,
                                         const std::string& proposedName) {
    CSaveOutputDialog dialog(owner, ToQtText(title), ToQtText(proposedName));
    return ModalResponder<SaveFileQuestion>::Ask(
        SaveFileQuestion{owner, title, proposedName, &dialog},
        [](const SaveFileQuestion& question) -> std::optional<std::string> {
            if (question.dialog->exec() != QDialog::Accepted) return std::nullopt;
            const QStringList files = question.dialog->selectedFiles();
            if (files.isEmpty()) return std::nullopt;
            return QFile::encodeName(files.front()).toStdString();
        });
}

}  // namespace ui
