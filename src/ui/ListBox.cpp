#include "ui/ListBox.h"

#include <QMouseEvent>

#include "ui/ControlColours.h"

namespace ui {

namespace {

// Runs `change` without reporting it as the user's.
template <class Change>
void Silently(bool& bSilent, Change&& change) {
    const bool bWas = bSilent;
    bSilent = true;
    change();
    bSilent = bWas;
}

}  // namespace

CListBox::CListBox(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    // The selected line in the skin's amber, which the thumbs of the sliders also use.
    QPalette colours = palette();
    colours.setColor(QPalette::Highlight, kSkinAmber);
    colours.setColor(QPalette::HighlightedText, Qt::black);
    setPalette(colours);
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_bSilent) emit selChanged();
    });
}

void CListBox::ResetContent() {
    Silently(m_bSilent, [this] { clear(); });
}

void CListBox::AddString(const QString& text) {
    Silently(m_bSilent, [this, &text] { addItem(text); });
}

int CListBox::GetCurSel() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.front());
}

void CListBox::SetCurSel(int index) {
    Silently(m_bSilent, [this, index] {
        QListWidgetItem* line = item(index);
        if (!line) {
            clearSelection();
            setCurrentItem(nullptr);
            return;
        }
        setCurrentItem(line);
        line->setSelected(true);
        scrollToItem(line);
    });
}

QString CListBox::GetText(int index) const {
    const QListWidgetItem* line = item(index);
    return line ? line->text() : QString();
}

void CListBox::mousePressEvent(QMouseEvent* event) {
    // A click on the line already selected changes nothing in the list but is still reported.
    QListWidgetItem* pressed = itemAt(event->position().toPoint());
    const bool bAlreadySelected =
        pressed && event->button() == Qt::LeftButton && pressed->isSelected();
    QListWidget::mousePressEvent(event);
    if (bAlreadySelected && !m_bSilent) emit selChanged();
}

}  // namespace ui
