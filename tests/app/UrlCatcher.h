// File addresses the player hands to the desktop (QDesktopServices::openUrl) while a UrlCatcher
// lives: caught and kept instead of opened in another program.
#pragma once

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

namespace apptest {

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler("file", this, "Open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler("file"); }

    QList<QUrl> urls;

public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

}  // namespace apptest
