#include "ui/TemplateDialog.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "ui/AutoRepeatButton.h"
#include "ui/BitmapButton.h"
#include "ui/CaptionGroupBox.h"
#include "ui/ComboBox.h"
#include "ui/ControlId.h"
#include "ui/DialogUnits.h"
#include "ui/FocusSink.h"
#include "ui/ListBox.h"
#include "ui/MessagePreFilter.h"
#include "ui/NoRepeatSliderCtrl.h"
#include "ui/QtText.h"
#include "ui/StaticText.h"
#include "ui/UserMessage.h"

namespace ui {

CTemplateDialog::CTemplateDialog(const DialogTemplate& dialogTemplate, QWidget* parent,
                                 Qt::WindowFlags flags)
    : QDialog(parent, flags), m_template(dialogTemplate) {
    CreateControls();
}

CTemplateDialog::~CTemplateDialog() {
    m_preFilter.reset();
    m_layout.Restore();
}

QWidget* CTemplateDialog::GetDlgItem(int id) const {
    return FindChildById(this, id);
}

bool CTemplateDialog::InitDialog() {
    if (!m_bInitialised) {
        m_bInitialised = true;
        m_bInitSucceeded = OnInitDialog();
    }
    return m_bInitSucceeded;
}

int CTemplateDialog::DoModal() {
    if (!InitDialog()) return 0;
    return exec();
}

void CTemplateDialog::InstallMessagePreFilter() {
    m_preFilter = std::make_unique<CMessagePreFilter>(this, [this](QObject* target, QEvent* event) {
        return PreTranslateMessage(target, event);
    });
}

void CTemplateDialog::RemoveMessagePreFilter() {
    m_preFilter.reset();
}

bool CTemplateDialog::event(QEvent* event) {
    if (event->type() >= QEvent::User && event->type() <= QEvent::MaxUser) {
        if (auto* message = dynamic_cast<UserMessageEvent*>(event)) {
            OnUserMessage(message->Number(), message->WParam(), message->LParam());
            return true;
        }
    }
    return QDialog::event(event);
}

void CTemplateDialog::CreateControls() {
    // Until a fixed-scale layout is applied, the controls sit where the template font at the
    // screen's own resolution puts them.
    const int dpi = screen() ? static_cast<int>(screen()->logicalDotsPerInchY()) : 96;
    const QFont font = CreateTemplateFont(m_template, dpi);
    setFont(font);
    const DialogBaseUnits units = MeasureBaseUnits(font, this);
    resize(units.ToPixelsX(m_template.cx), units.ToPixelsY(m_template.cy));

    std::vector<QWidget*> created;
    for (const DialogItem& item : m_template.items) {
        QWidget* control = CreateControl(item);
        SetDlgCtrlID(control, item.id);
        control->setGeometry(ShownRect(item, control, units));
        control->setEnabled(!(item.style & kDisabled));
        // The focus sink is "hidden" by drawing nothing (see CFocusSink).
        control->setVisible(!(item.style & kHidden) || item.kind == ControlKind::FocusSink);
        created.push_back(control);
    }
    // Later siblings are drawn on top; the template's first item must be the topmost.
    for (auto it = created.rbegin(); it != created.rend(); ++it) (*it)->raise();
}

QWidget* CTemplateDialog::CreateControl(const DialogItem& item) {
    const QString caption = ToQtText(item.caption ? item.caption : "");
    switch (item.kind) {
        case ControlKind::BitmapButton:
        case ControlKind::AutoRepeatButton:
        case ControlKind::FocusSink: {
            CBitmapButton* button = nullptr;
            if (item.kind == ControlKind::FocusSink)
                button = new CFocusSink(this);
            else if (item.kind == ControlKind::AutoRepeatButton)
                button = new CAutoRepeatButton(this);
            else
                button = new CBitmapButton(this);
            button->setText(caption);
            connect(button, &QAbstractButton::clicked, this,
                    [this, id = item.id] { OnCommand(id, BN_CLICKED); });
            connect(button, &CBitmapButton::doubleClicked, this,
                    [this, id = item.id] { OnCommand(id, BN_DOUBLECLICKED); });
            return button;
        }
        case ControlKind::Slider:
        case ControlKind::SoundSlider: {
            const Qt::Orientation orientation =
                (item.style & kVertical) ? Qt::Vertical : Qt::Horizontal;
            CSliderCtrl* slider = item.kind == ControlKind::SoundSlider
                                      ? new CNoRepeatSliderCtrl(orientation, this)
                                      : new CSliderCtrl(orientation, this);
            connect(slider, &CSliderCtrl::scrolled, this, [this, slider](int code) {
                if (slider->orientation() == Qt::Horizontal)
                    OnHScroll(code, slider->value(), slider);
                else
                    OnVScroll(code, slider->value(), slider);
            });
            return slider;
        }
        case ControlKind::StaticText: {
            auto* text = new CStaticText((item.style & kCentred) != 0,
                                         (item.style & kEndEllipsis) != 0, this);
            text->setText(caption);
            return text;
        }
        case ControlKind::GroupBox: {
            auto* group = new CCaptionGroupBox((item.style & kNotify) != 0, this);
            group->setTitle(caption);
            connect(group, &CCaptionGroupBox::clicked, this,
                    [this, id = item.id] { OnCommand(id, BN_CLICKED); });
            return group;
        }
        case ControlKind::ListBox: {
            auto* list = new CListBox(this);
            connect(list, &CListBox::selChanged, this,
                    [this, id = item.id] { OnCommand(id, LBN_SELCHANGE); });
            return list;
        }
        case ControlKind::Edit:
            return new QLineEdit(this);
        case ControlKind::PushButton: {
            auto* button = new QPushButton(caption, this);
            // Only the template's default button answers Enter.
            button->setAutoDefault(false);
            button->setDefault((item.style & kDefaultButton) != 0);
            connect(button, &QAbstractButton::clicked, this,
                    [this, id = item.id] { OnCommand(id, BN_CLICKED); });
            return button;
        }
        case ControlKind::ComboBox: {
            auto* combo = new CComboBox((item.style & kSorted) != 0, this);
            connect(combo, &CComboBox::selChanged, this,
                    [this, id = item.id] { OnCommand(id, CBN_SELCHANGE); });
            return combo;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(this);
            bar->setTextVisible(false);
            return bar;
        }
    }
    return new QWidget(this);
}

}  // namespace ui
