#include "ui/LanguageFileBox.h"

#include <QPointer>
#include <QWidget>

#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace ui {

void InstallLanguageFileBox(QWidget* owner) {
    SetMissingLanguageFileReport([owner = QPointer<QWidget>(owner)](const std::string& path) {
        ShowMessage(owner.data(), "Missing Language File", MB_OK,
                    "Can't open the default language file:\n\n   %s", path.c_str());
    });
}

}  // namespace ui
