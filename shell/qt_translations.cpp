#include "shell/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace veldra {
namespace {

constexpr char kCatalogName[] = "qtbase_ja";

}  // namespace

QStringList QtTranslationFolders() {
  return {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
          QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

std::unique_ptr<QTranslator> LoadQtTranslator(const QStringList& folders) {
  for (const QString& folder : folders) {
    auto translator = std::make_unique<QTranslator>();
    if (translator->load(QString::fromLatin1(kCatalogName), folder)) return translator;
  }
  return nullptr;
}

bool InstallQtTranslations(const QStringList& folders) {
  static QPointer<QTranslator> installed;  // owned by the application object
  if (installed) return true;
  std::unique_ptr<QTranslator> translator = LoadQtTranslator(folders);
  if (!translator) return false;
  translator->setParent(QCoreApplication::instance());
  QCoreApplication::installTranslator(translator.get());
  installed = translator.release();
  return true;
}

void UseJapaneseLocale() { QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan)); }

}  // namespace veldra
