#include "export/Mp3FormatChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <cstdlib>

#include "ui/ModalResponder.h"
#include "ui/QtText.h"

CMp3FormatDialog::CMp3FormatDialog(const QString& title,
                                   const std::vector<audio::ACMFORMATCHOICE>& formats,
                                   audio::DWORD sourceFreq, QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(title);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Format:"), new QLabel(QStringLiteral("MPEG Layer-3"), this));
    m_pList = new QComboBox(this);
    m_pList->setMaxVisibleItems(16);
    for (const audio::ACMFORMATCHOICE& format : formats) m_pList->addItem(FormatText(format));
    m_pList->setCurrentIndex(DefaultChoice(formats, sourceFreq));
    form->addRow(QStringLiteral("Attributes:"), m_pList);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!formats.empty());
}

int CMp3FormatDialog::Chosen() const {
    return m_pList->currentIndex();
}

QString CMp3FormatDialog::FormatText(const audio::ACMFORMATCHOICE& format) {
    const QLocale english(QLocale::English);
    return QStringLiteral("%1 kbps, %2 Hz, %3")
        .arg(format.bitrate / 1000)
        .arg(english.toString(static_cast<qulonglong>(format.freq)))
        .arg(format.chans == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

int CMp3FormatDialog::DefaultChoice(const std::vector<audio::ACMFORMATCHOICE>& formats,
                                    audio::DWORD sourceFreq) {
    int best = formats.empty() ? -1 : 0;
    long bestScore = -1;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        // The stream's own rate first, then 128 kbps.
        const long rateDistance = std::labs(static_cast<long>(formats[i].freq) - sourceFreq);
        const long bitrateDistance = std::labs(static_cast<long>(formats[i].bitrate) - 128000);
        const long score = rateDistance * 1000 + bitrateDistance / 1000;
        if (bestScore < 0 || score < bestScore) {
            bestScore = score;
            best = static_cast<int>(i);
        }
    }
    return best;
}

namespace {

int AskForMp3Format(const char* title, const audio::ACMFORMATCHOICE* formats, int count,
                    audio::DWORD sourceFreq, void* owner) {
    Mp3FormatQuestion question;
    question.title = title ? title : "Choose the MP3 Format";
    question.formats.assign(formats, formats + std::max(count, 0));
    question.sourceFreq = sourceFreq;
    CMp3FormatDialog dialog(ui::ToQtText(question.title), question.formats, sourceFreq,
                            static_cast<QWidget*>(owner));
    question.dialog = &dialog;
    return ui::ModalResponder<Mp3FormatQuestion>::Ask(question, [](const Mp3FormatQuestion& asked) {
        return asked.dialog->exec() == QDialog::Accepted ? asked.dialog->Chosen() : -1;
    });
}

}  // namespace

void InstallMp3FormatChooser(QWidget* owner) {
    audio::Encode_SetACMChooser(&AskForMp3Format, owner);
}
