#pragma once

#include <QComboBox>

namespace ui {

// A drop-down list of text lines, each with a number of its own (item data). Sorted lists keep
// their lines in alphabetical order as they are added. Like a dialog's combo box it reports only
// the user's changes of the selection; changes made by the program are silent.
class CComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CComboBox(bool bSorted, QWidget* parent = nullptr);

    void ResetContent();
    // Adds a line (in its sorted place when sorted) and returns its index.
    int AddString(const QString& text);
    int GetCount() const { return count(); }
    // The selected line, -1 when none.
    int GetCurSel() const { return currentIndex(); }
    // Selects line `index`; -1 (or a line that does not exist) clears the selection.
    void SetCurSel(int index);
    QString GetLBText(int index) const { return itemText(index); }
    void SetItemData(int index, qint64 data) { setItemData(index, data); }
    qint64 GetItemData(int index) const { return itemData(index).toLongLong(); }

signals:
    void selChanged();

private:
    bool m_bSorted;
    bool m_bSilent = false;
};

}  // namespace ui
