#pragma once

#include <QString>
#include <string>

// What an installer would do: when the data folder holds no "Default.lan" yet, copy every shipped
// language file and help page into it (existing files are kept) and make English the current
// language. The sources are the compiled-in resources unless given.
void InstallShippedData(const std::string& dataFolder,
                        const QString& languageSource = QStringLiteral(":/lang"),
                        const QString& helpSource = QStringLiteral(":/help"));
