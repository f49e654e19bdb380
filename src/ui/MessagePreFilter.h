#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace ui {

// Sees every event addressed to a window or to anything inside it (its pages and their controls
// included, separate windows such as message boxes excluded) before it is dispatched. The
// filter returns true to swallow the event. Installed on the application for its lifetime.
class CMessagePreFilter : public QObject {
    Q_OBJECT
public:
    using Filter = std::function<bool(QObject* target, QEvent* event)>;

    CMessagePreFilter(QWidget* window, Filter filter);
    ~CMessagePreFilter() override;

protected:
    bool eventFilter(QObject* target, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    Filter m_filter;
};

}  // namespace ui
