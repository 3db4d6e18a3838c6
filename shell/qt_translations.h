// Qt's own texts in Japanese: the buttons of the message boxes, the file and folder
// dialogs, the overwrite question, the print dialog and the system menu of a child window;
// and the Japanese locale for the application's own dates, sizes and file types.
#pragma once

#include <QStringList>
#include <memory>

class QTranslator;

namespace veldra {

// Where Qt's translations are looked for, in order: "translations" next to the executable
// (an installation moved elsewhere), then Qt's own folder.
QStringList QtTranslationFolders();

// Qt's Japanese translations ("qtbase_ja.qm") from the first of folders that has them;
// nullptr when none has.
std::unique_ptr<QTranslator> LoadQtTranslator(const QStringList& folders);

// Installs Qt's Japanese translations ("qtbase_ja.qm") from the first of folders that has
// them, once per run. false when none has them (Qt then speaks English).
bool InstallQtTranslations(const QStringList& folders = QtTranslationFolders());

// Makes Japanese (Japan) the locale of the application's texts whatever the system's locale
// is: the user interface is Japanese throughout.
void UseJapaneseLocale();

}  // namespace veldra
