#pragma once

class QWidget;

namespace ui {

// Makes a language file that cannot be read show the "Missing Language File" box over `owner`
// (null: a box of its own) at every text looked up.
void InstallLanguageFileBox(QWidget* owner);

}  // namespace ui
