// The player's window for a benchmark: offscreen, over a fresh data folder with the shipped
// texts, as a first start would make it.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <memory>

#include "lang/DataFolder.h"
#include "app/ShippedData.h"

namespace bench {

class OffscreenPlayer {
public:
    OffscreenPlayer(int& argc, char** argv) {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("APPDATA", m_data.path().toUtf8().constData(), 1);
        m_app = std::make_unique<QApplication>(argc, argv);
        InstallShippedData(DataFolder());
    }

private:
    QTemporaryDir m_data;
    std::unique_ptr<QApplication> m_app;
};

}  // namespace bench
