#include "eq/QuorvelPresetNameDlg.h"

#include <QApplication>
#include <QLineEdit>

#include "lang/LanguageText.h"
#include "ui/ModalResponder.h"
#include "ui/QtText.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

constexpr DialogItem kItems[] = {
    {QuorvelPresetNameDlg::IDC_NAME_EDIT, ControlKind::Edit, "", 12, 26, 160, 13, 0},
    {QuorvelPresetNameDlg::IDC_NAME_OK, ControlKind::PushButton, "OK", 37, 50, 50, 14,
     ui::kDefaultButton},
    {QuorvelPresetNameDlg::IDC_NAME_CANCEL, ControlKind::PushButton, "Cancel", 98, 50, 50, 14, 0},
    {QuorvelPresetNameDlg::IDC_NAME_PROMPT, ControlKind::StaticText,
     "Please supply a name for the new Preset:", 13, 10, 163, 8, 0},
};

constexpr ui::DialogTemplate kTemplate{
    QuorvelPresetNameDlg::IDD, 186, 75, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

}  // namespace

QuorvelPresetNameDlg::QuorvelPresetNameDlg(QWidget* owner, const NameDialogTexts& texts)
    : ui::CTemplateDialog(kTemplate, owner,
                          Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_texts(texts) {
    m_pEdit = GetDlgItem<QLineEdit>(IDC_NAME_EDIT);
    setWindowTitle(QStringLiteral("New Preset Name"));
}

bool QuorvelPresetNameDlg::OnInitDialog() {
    m_layout.Apply(this, Template(), 96);
    setFixedSize(size());
    setWindowTitle(ui::ToQtText(GetLanguageText(m_texts.title)));
    if (QWidget* prompt = GetDlgItem(IDC_NAME_PROMPT))
        prompt->setProperty("text", ui::ToQtText(GetLanguageText(m_texts.prompt)));
    if (QWidget* ok = GetDlgItem(IDC_NAME_OK))
        ok->setProperty("text", ui::ToQtText(GetLanguageText(75)));
    if (QWidget* cancel = GetDlgItem(IDC_NAME_CANCEL))
        cancel->setProperty("text", ui::ToQtText(GetLanguageText(76)));
    if (m_pEdit) {
        m_pEdit->clear();
        m_pEdit->setMaxLength(m_texts.maxLength);
        m_pEdit->setFocus();
    }
    return true;
}

void QuorvelPresetNameDlg::OnCommand(int id, int /*notifyCode*/) {
    if (id == IDC_NAME_OK)
        OnNameOK();
    else if (id == IDC_NAME_CANCEL)
        OnNameCancel();
}

void QuorvelPresetNameDlg::OnNameOK() {
    const QString typed = m_pEdit ? m_pEdit->text() : QString();
    const QString name = m_texts.trimmed ? typed.trimmed() : typed;
    if (name.trimmed().isEmpty()) {
        // Nothing to name a preset with: the user types again.
        if (m_pEdit) {
            m_pEdit->selectAll();
            m_pEdit->setFocus();
        }
        QApplication::beep();
        return;
    }
    m_strName = ui::FromQtText(name);
    accept();
}

void QuorvelPresetNameDlg::OnNameCancel() {
    reject();
}

std::optional<std::string> RunPresetNameDialog(QWidget* owner) {
    return RunNameDialog(owner, QuorvelPresetNameDlg::kPresetTexts);
}

std::optional<std::string> RunNameDialog(QWidget* owner, const NameDialogTexts& texts) {
    QuorvelPresetNameDlg dialog(owner, texts);
    dialog.InitDialog();
    return ui::ModalResponder<PresetNameQuestion>::Ask(
        PresetNameQuestion{owner, &dialog},
        [](const PresetNameQuestion& question) -> std::optional<std::string> {
            if (question.dialog->exec() != QDialog::Accepted) return std::nullopt;
            return question.dialog->m_strName;
        });
}
