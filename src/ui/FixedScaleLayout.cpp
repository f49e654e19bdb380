#include "ui/FixedScaleLayout.h"

#include "ui/DialogTemplate.h"

namespace ui {

void CFixedScaleLayout::Apply(QWidget* dialog, const DialogTemplate& dialogTemplate, int dpi) {
    Restore();
    m_pTemplate = &dialogTemplate;
    m_dialog = dialog;

    m_font = CreateTemplateFont(dialogTemplate, dpi);
    m_oldFont = dialog->font();
    dialog->setFont(m_font);
    m_baseUnits = MeasureBaseUnits(m_font, dialog);

    dialog->resize(m_baseUnits.ToPixelsX(dialogTemplate.cx),
                   m_baseUnits.ToPixelsY(dialogTemplate.cy));
    WalkTemplateControls(dialog, dialogTemplate, [this](const DialogItem& item, QWidget* control) {
        control->setFont(m_font);
        control->setGeometry(ShownRect(item, control, m_baseUnits));
    });
}

void CFixedScaleLayout::Restore() {
    if (!m_pTemplate) return;
    if (QWidget* dialog = m_dialog.data()) {
        dialog->setFont(m_oldFont);
        WalkTemplateControls(dialog, *m_pTemplate, [this](const DialogItem&, QWidget* control) {
            control->setFont(m_oldFont);
        });
    }
    m_dialog = nullptr;
    m_pTemplate = nullptr;
    m_font = QFont();
    m_oldFont = QFont();
}

}  // namespace ui
