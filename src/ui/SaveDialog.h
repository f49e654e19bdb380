#pragma once

#include <QFileDialog>
#include <optional>
#include <string>

namespace ui {

// The save box of Save As and of the rip dialog: Qt's own file dialog with the six output file
// types (WAV first and preselected), the default extension "wav" (or the chosen type's, as
// desktop save boxes do) added to a name typed without one, and the question before replacing an
// existing file.
class CSaveOutputDialog : public QFileDialog {
    Q_OBJECT
public:
    CSaveOutputDialog(QWidget* owner, const QString& title, const QString& proposedName);

    // The file types, in order: display text with its pattern.
    static QStringList FileTypes();
};

// The question the save box asks: where to write. The handler gets the dialog, made but not
// shown, so that a test can look at it before answering.
struct SaveFileQuestion {
    using Answer = std::optional<std::string>;  // the chosen path; none when cancelled
    QWidget* owner = nullptr;
    std::string title;
    std::string proposedName;
    CSaveOutputDialog* dialog = nullptr;
};

// Runs the save box modally: the chosen file's full path, or none when cancelled.
std::optional<std::string> RunSaveDialog(QWidget* owner, const std::string& title,
                                         const std::string& proposedName = {});

}  // namespace ui
