#pragma once

#include <QFileDialog>
#include <QUrl>
#include <optional>
#include <string>

class QCheckBox;

// State of the open dialog's auto-play box (1 ticked): starts ticked, kept for the run, not saved.
extern int g_bAutoPlayPreview;

namespace ui {

constexpr int IDC_AUTOPLAY = 772;

// The file-open dialog with a box that plays every file the user selects at once, through
// the running preview player (g_pPreviewPlayer). Qt's own dialog, so that it can hold the box.
class COpenPreviewDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit COpenPreviewDialog(QWidget* owner);
    // Takes the CD folders out of the side bar first: Qt keeps the side bar for every later file
    // dialog, where those folders would outlive their discs.
    ~COpenPreviewDialog() override;

    QCheckBox* AutoPlayBox() const { return m_pAutoPlayBox; }

    // The two filters, in order: audio files, then everything.
    static QStringList Filters();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    void OnSelectionChanged(const QString& path);
    void OnAutoPlayClicked();

    QCheckBox* m_pAutoPlayBox = nullptr;
    QList<QUrl> m_cdFolders;  // what the side bar got for the CD drives
    bool m_bShown = false;
};

// The question the open dialog asks: which file to open. The handler gets the dialog, made and
// hooked up but not shown, so that a test can drive it like a user before answering.
struct OpenFileQuestion {
    using Answer = std::optional<std::string>;  // the chosen path; none when cancelled
    QWidget* owner = nullptr;
    COpenPreviewDialog* dialog = nullptr;
};

// Runs the open dialog modally: the chosen file's full path, or none when cancelled.
std::optional<std::string> RunOpenDialog(QWidget* owner);

}  // namespace ui
