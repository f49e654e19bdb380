#include <QApplication>

#include "app/QuorvelApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    CQuorvelApp app;
    app.InitInstance();
    return 0;
}
