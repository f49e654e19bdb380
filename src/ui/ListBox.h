#pragma once

#include <QListWidget>

namespace ui {

// A single-selection list box of text lines in the order they were added. Like the list box of a
// dialog it reports only what the user does: a click or a key that selects a line (a click on the
// line already selected included). Changes made by the program are silent.
class CListBox : public QListWidget {
    Q_OBJECT
public:
    explicit CListBox(QWidget* parent = nullptr);

    void ResetContent();
    void AddString(const QString& text);
    int GetCount() const { return count(); }
    // The selected line, -1 when none.
    int GetCurSel() const;
    // Selects line `index` and shows it; -1 (or any line that does not exist) clears the
    // selection.
    void SetCurSel(int index);
    QString GetText(int index) const;

signals:
    void selChanged();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_bSilent = false;
};

}  // namespace ui
