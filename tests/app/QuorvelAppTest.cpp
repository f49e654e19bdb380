#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <filesystem>

#include "app/QuorvelApp.h"
#include "app/QuorvelMainDlg.h"
#include "ui/ModalResponder.h"
#include "ui/ShowMessage.h"
#include "ui/TestEnvironment.h"

namespace {

TEST(QuorvelApp, FirstStartInstallsLanguagesShowsTheWindowAndEndsWhenItCloses) {
    ASSERT_TRUE(QFile::exists(":/lang/English.lan")) << "the languages are shipped with the player";
    testenv::TempAppData appData;
    ui::ModalScript<ui::MessageQuestion> boxes(IDOK);
    bool sawWindow = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<CQuorvelMainDlg*>(QApplication::activeModalWidget());
        sawWindow = window && window->isVisible();
        if (window) window->close();
    });
    EXPECT_FALSE(CQuorvelApp().InitInstance());
    EXPECT_TRUE(sawWindow);
    EXPECT_TRUE(boxes.Asked().empty());
    EXPECT_TRUE(std::filesystem::exists(appData.Folder() + "/English.lan"));
    EXPECT_EQ(testenv::ReadFile(appData.Folder() + "/Default.lan"),
              testenv::ReadFile(appData.Folder() + "/English.lan"));
}

}  // namespace
