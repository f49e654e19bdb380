#include "ui/QtText.h"

namespace ui {

QString ToQtText(std::string_view utf8) {
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

std::string FromQtText(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace ui
