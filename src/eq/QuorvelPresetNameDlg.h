#pragma once

#include <optional>
#include <string>

#include "ui/TemplateDialog.h"

class QLineEdit;

// What a name dialog says and takes: its title and prompt (language texts), the longest name,
// and whether the blanks around a name are dropped.
struct NameDialogTexts {
    int title;
    int prompt;
    int maxLength;
    bool trimmed;
};

// The New Preset Name dialog (dialog 313): asks for the name of a new equaliser preset, and with
// texts of their own for other names. OK takes the name (without the blanks around it when the
// texts say so); an empty name, or one of blanks only, beeps and keeps the dialog open. Cancel,
// Escape and the close box end it without a name.
class QuorvelPresetNameDlg : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 313;
    static constexpr int IDC_NAME_EDIT = 743;
    static constexpr int IDC_NAME_PROMPT = 508;
    static constexpr int IDC_NAME_OK = 780;
    static constexpr int IDC_NAME_CANCEL = 781;
    // Longer names would not fit the settings file's value whole, and the list shows far less.
    static constexpr int kMaxNameLength = 40;
    static constexpr NameDialogTexts kPresetTexts{74, 77, kMaxNameLength, true};

    explicit QuorvelPresetNameDlg(QWidget* owner = nullptr,
                                  const NameDialogTexts& texts = kPresetTexts);

    QLineEdit* NameEdit() const { return m_pEdit; }
    void OnNameOK();
    void OnNameCancel();

    std::string m_strName;  // the name taken by OK

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;

private:
    QLineEdit* m_pEdit = nullptr;
    NameDialogTexts m_texts;
};

// The question the preset-name dialog asks. The handler gets the dialog, made and initialised but
// not shown, so that a test can type and press its buttons before answering.
struct PresetNameQuestion {
    using Answer = std::optional<std::string>;  // the name; none when cancelled
    QWidget* owner = nullptr;
    QuorvelPresetNameDlg* dialog = nullptr;
};

// Runs the dialog modally over `owner`: the trimmed name, or none when it was not closed with OK.
std::optional<std::string> RunPresetNameDialog(QWidget* owner);
// The same dialog with other texts; it is the same question to a test.
std::optional<std::string> RunNameDialog(QWidget* owner, const NameDialogTexts& texts);
