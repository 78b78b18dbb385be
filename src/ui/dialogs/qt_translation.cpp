#include "ui/dialogs/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qn {

QTranslator* InstallQtTranslation(QCoreApplication& app, const QString& folder) {
  QLocale::setDefault(QLocale(QLocale::NorwegianBokmal, QLocale::Norway));
  const QString where = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
  for (std::string_view language : kQtLanguages) {
    const QString name = QStringLiteral("qtbase_") + QString::fromLatin1(language.data(), qsizetype(language.size()));
    auto* translator = new QTranslator(&app);
    if (translator->load(name, where) && QCoreApplication::installTranslator(translator)) {
      return translator;
    }
    delete translator;
  }
  return nullptr;
}

}  // namespace qn
