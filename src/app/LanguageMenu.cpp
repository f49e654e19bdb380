#include "app/LanguageMenu.h"

#include <QMenu>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <algorithm>

#include "lang/DataFolder.h"
#include "lang/LanguageText.h"
#include "lang/SelectLanguage.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"

namespace {

constexpr char kNameProperty[] = "languageName";

// Draws disabled menu entries like enabled ones: the "Language" heading cannot be chosen but
// is not greyed.
class UngreyedMenuStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuItem && item && !(item->state & State_Enabled) &&
            item->menuItemType != QStyleOptionMenuItem::Separator) {
            QStyleOptionMenuItem shown(*item);
            shown.state |= State_Enabled;
            shown.state &= ~State_Selected;
            shown.palette.setCurrentColorGroup(QPalette::Active);
            QProxyStyle::drawControl(element, &shown, painter, widget);
            return;
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

}  // namespace

CLanguageMenu::CLanguageMenu(std::function<void(int)> sendCommand)
    : m_sendCommand(std::move(sendCommand)) {}

CLanguageMenu::~CLanguageMenu() {
    delete m_pLanguagePopup.data();
}

QMenu* CLanguageMenu::Popup() const {
    return m_pLanguagePopup.data();
}

void CLanguageMenu::OnRButtonDown(QWidget* owner, const QPoint& clientPos) {
    if (!m_pLanguagePopup && !Build(owner)) {
        // Later clicks show the menu without languages.
        ShowMessage(owner, "Fatal Error", MB_OK, "No language files found!");
        return;
    }
    RefreshPlayerItems();
    m_pLanguagePopup->popup(owner->mapToGlobal(clientPos));
}

void CLanguageMenu::SetPlayerItems(std::function<void(QMenu&)> appendItems) {
    m_appendPlayerItems = std::move(appendItems);
}

void CLanguageMenu::RefreshPlayerItems() {
    for (const QPointer<QAction>& item : m_playerItems) {
        if (!item) continue;
        if (QMenu* submenu = item->menu()) delete submenu;
        delete item.data();
    }
    m_playerItems.clear();
    if (!m_appendPlayerItems) return;
    QMenu& menu = *m_pLanguagePopup;
    const qsizetype languageItems = menu.actions().size();
    if (languageItems > 0) menu.addSeparator();
    m_appendPlayerItems(menu);
    const QList<QAction*> actions = menu.actions();
    for (qsizetype i = languageItems; i < actions.size(); ++i) m_playerItems.push_back(actions[i]);
}

bool CLanguageMenu::Build(QWidget* owner) {
    // From here on the pop-up counts as built, whatever the folder holds.
    auto* menu = new QMenu(owner);
    auto* style = new UngreyedMenuStyle;
    style->setParent(menu);
    menu->setStyle(style);
    QAction* heading = menu->addAction(QStringLiteral("Language"));
    heading->setData(kLanguageItemId);
    heading->setEnabled(false);
    menu->addSeparator();
    QObject::connect(menu, &QMenu::triggered, menu, [this](QAction* action) {
        bool isCommand = false;
        const int command = action->data().toInt(&isCommand);
        if (isCommand && command != kLanguageItemId && m_sendCommand) m_sendCommand(command);
    });
    m_pLanguagePopup = menu;

    const std::optional<std::vector<std::string>> names = LanguageMenuEntries(DataFolder());
    if (!names) {
        menu->clear();  // the heading heads nothing
        return false;
    }
    unsigned appended = 0;
    for (const std::string& name : *names) {
        const unsigned command = m_nFirstLanguageCommand + appended++;
        QString label = ui::ToQtText(name);
        label.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no mnemonics in file names
        QAction* entry = menu->addAction(label);
        entry->setData(command);
        entry->setProperty(kNameProperty, QByteArray::fromStdString(name));
        m_nLastLanguageCommand = command;
    }
    return true;
}

bool CLanguageMenu::OnCommand(QWidget* owner, unsigned command) {
    if (!m_pLanguagePopup || command < m_nFirstLanguageCommand || command > m_nLastLanguageCommand)
        return false;
    const QList<QAction*> actions = m_pLanguagePopup->actions();
    const auto entry = std::find_if(actions.begin(), actions.end(), [command](QAction* action) {
        return action->data().toUInt() == command && action->property(kNameProperty).isValid();
    });
    if (entry == actions.end()) return false;

    SelectLanguage((*entry)->property(kNameProperty).toByteArray().toStdString());
    // Read after the copy: the message comes in the newly chosen language.
    ShowMessage(owner, "Quorvel", MB_OK, GetLanguageText(122));
    return true;
}
