#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <string>
#include <vector>

class QWidget;

namespace ui {

// Tool flags: the tool is a whole control, identified by the control itself, rather than an
// area of a window; the tooltip watches the tool's window for the pointer itself.
constexpr unsigned TTF_IDISHWND = 0x0001;
constexpr unsigned TTF_SUBCLASS = 0x0010;

// One tool of a tooltip: a control (TTF_IDISHWND, `id` is the control) or an area `rect` of
// `window` named by `id`.
struct ToolInfo {
    unsigned flags = 0;
    QWidget* window = nullptr;  // the control's parent, or the window holding the area
    quintptr id = 0;
    QRect rect;
    QString text;
};

// A tooltip control: shows the text of the tool under the resting pointer. A disabled control
// shows no tip. It belongs to its owner window and lives as long as that window.
class CToolTipCtrl : public QObject {
    Q_OBJECT
public:
    explicit CToolTipCtrl(QWidget* owner);

    QWidget* GetOwner() const;
    // Adds a tool (its text is copied); false when it names no window.
    bool AddTool(const ToolInfo& info);
    // Removes the tool with the same window and identifier, if there is one.
    void DelTool(const ToolInfo& info);

    int GetToolCount() const { return static_cast<int>(m_tools.size()); }
    // The text a pointer at `pos` (in `widget`'s coordinates) resting on `widget` shows; null
    // when no tool of this tooltip is there or `widget` is disabled.
    QString TextAt(const QWidget* widget, QPoint pos) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Tool {
        ToolInfo info;
        QPointer<QWidget> watched;  // the control, or the window holding the area
    };
    const Tool* FindTool(const QWidget* widget, QPoint pos) const;

    QPointer<QWidget> m_pOwner;
    std::vector<Tool> m_tools;
};

// Gives the owner's control `id` the tip `text`, replacing the tip this tooltip had for it:
// 1 when the tool was added, 0 when there is no owner, no such control or nothing was done.
int AddControlTip(CToolTipCtrl& tooltip, int id, const std::string& text);

// Gives an area of `window` (in its own coordinates) the tip `text`; 1 when it was added.
int AddAreaTip(CToolTipCtrl& tooltip, QWidget* window, const std::string& text, const QRect& rect,
               quintptr id);

}  // namespace ui
