#include "ui/ToolTipCtrl.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

#include "ui/ControlId.h"
#include "ui/QtText.h"

namespace ui {

CToolTipCtrl::CToolTipCtrl(QWidget* owner) : QObject(owner), m_pOwner(owner) {}

QWidget* CToolTipCtrl::GetOwner() const {
    return m_pOwner.data();
}

bool CToolTipCtrl::AddTool(const ToolInfo& info) {
    QWidget* watched =
        (info.flags & TTF_IDISHWND) ? reinterpret_cast<QWidget*>(info.id) : info.window;
    if (!watched) return false;
    m_tools.push_back({info, watched});
    watched->installEventFilter(this);  // installing twice still filters once
    return true;
}

void CToolTipCtrl::DelTool(const ToolInfo& info) {
    std::erase_if(m_tools, [&](const Tool& tool) {
        return tool.info.window == info.window && tool.info.id == info.id;
    });
}

const CToolTipCtrl::Tool* CToolTipCtrl::FindTool(const QWidget* widget, QPoint pos) const {
    // A disabled control takes no pointer input, so it has nothing to explain; its request goes
    // on to the window behind it.
    if (!widget->isEnabled()) return nullptr;
    for (const Tool& tool : m_tools) {
        if (tool.watched != widget) continue;
        if ((tool.info.flags & TTF_IDISHWND) || tool.info.rect.contains(pos)) return &tool;
    }
    return nullptr;
}

QString CToolTipCtrl::TextAt(const QWidget* widget, QPoint pos) const {
    const Tool* tool = FindTool(widget, pos);
    return tool ? tool->info.text : QString();
}

bool CToolTipCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    auto* help = static_cast<QHelpEvent*>(event);
    const Tool* tool = FindTool(widget, help->pos());
    if (!tool) return false;  // another tooltip, or the window behind, may have one
    const QRect area = (tool->info.flags & TTF_IDISHWND) ? widget->rect() : tool->info.rect;
    QToolTip::showText(help->globalPos(), tool->info.text, widget, area);
    return true;
}

int AddControlTip(CToolTipCtrl& tooltip, int id, const std::string& text) {
    QWidget* owner = tooltip.GetOwner();
    if (!owner) return 0;
    QWidget* control = FindChildById(owner, id);
    if (!control) return 0;
    ToolInfo info;
    info.flags = TTF_IDISHWND | TTF_SUBCLASS;
    info.window = control->parentWidget();
    info.id = reinterpret_cast<quintptr>(control);
    info.text = ToQtText(text);
    tooltip.DelTool(info);
    return tooltip.AddTool(info) ? 1 : 0;
}

int AddAreaTip(CToolTipCtrl& tooltip, QWidget* window, const std::string& text, const QRect& rect,
               quintptr id) {
    ToolInfo info;
    info.flags = TTF_SUBCLASS;
    info.window = window;
    info.id = id;
    info.rect = rect;
    info.text = ToQtText(text);
    return tooltip.AddTool(info) ? 1 : 0;
}

}  // namespace ui
