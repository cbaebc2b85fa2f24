#include "ui/qt_translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace korvath {

bool LoadQtTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  const QString folders[] = {
      QDir(QCoreApplication::applicationDirPath()).filePath(u"translations"_qs),
      QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    if (translator->load(u"qtbase_ru"_qs, folder))
      return QCoreApplication::installTranslator(translator);
  }
  delete translator;
  return false;
}

}  // namespace korvath
