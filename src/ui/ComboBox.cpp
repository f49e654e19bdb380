#include "ui/ComboBox.h"

namespace ui {

CComboBox::CComboBox(bool bSorted, QWidget* parent) : QComboBox(parent), m_bSorted(bSorted) {
    setEditable(false);
    setMaxVisibleItems(12);
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_bSilent) emit selChanged();
    });
}

void CComboBox::ResetContent() {
    m_bSilent = true;
    clear();
    m_bSilent = false;
}

int CComboBox::AddString(const QString& text) {
    int index = count();
    if (m_bSorted)
        for (int i = 0; i < count(); ++i)
            if (QString::compare(text, itemText(i), Qt::CaseInsensitive) < 0) {
                index = i;
                break;
            }
    m_bSilent = true;
    insertItem(index, text);
    // A first line would otherwise become the selection by itself.
    if (count() == 1) setCurrentIndex(-1);
    m_bSilent = false;
    return index;
}

void CComboBox::SetCurSel(int index) {
    m_bSilent = true;
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    m_bSilent = false;
}

}  // namespace ui
