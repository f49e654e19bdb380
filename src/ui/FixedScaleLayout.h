#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "ui/ControlId.h"
#include "ui/DialogTemplate.h"
#include "ui/DialogUnits.h"

namespace ui {

// Lays a dialog and its template's controls out in pixels computed from dialog units with the
// template font made as at a given resolution, so that controls land on the same pixels of the
// fixed-size skin whatever the screen's setting. Restore() gives the old fonts back.
class CFixedScaleLayout {
public:
    CFixedScaleLayout() = default;
    ~CFixedScaleLayout() { Restore(); }
    CFixedScaleLayout(const CFixedScaleLayout&) = delete;
    CFixedScaleLayout& operator=(const CFixedScaleLayout&) = delete;

    void Apply(QWidget* dialog, const DialogTemplate& dialogTemplate, int dpi);
    void Restore();

    bool IsApplied() const { return m_dialog != nullptr; }
    const QFont& Font() const { return m_font; }
    const DialogBaseUnits& BaseUnits() const { return m_baseUnits; }

private:
    const DialogTemplate* m_pTemplate = nullptr;
    QPointer<QWidget> m_dialog;
    QFont m_font;
    QFont m_oldFont;
    DialogBaseUnits m_baseUnits;
};

// Visits the template's items in order with the controls found for them: each search starts
// below the previous match, and the walk stops at the first item whose control is not found.
template <class Visit>
void WalkTemplateControls(const QWidget* dialog, const DialogTemplate& dialogTemplate,
                          Visit&& visit) {
    const std::vector<QWidget*> children = ChildWindowsTopFirst(dialog);
    size_t cursor = 0;
    for (const DialogItem& item : dialogTemplate.items) {
        while (cursor < children.size() && GetDlgCtrlID(children[cursor]) != item.id) ++cursor;
        if (cursor == children.size()) return;
        visit(item, children[cursor]);
        ++cursor;
    }
}

}  // namespace ui
