// Qt's own texts in Norwegian: the translation scripts/install-deps installs is found and
// installed, and Qt's standard buttons and file dialog labels then speak it.
#include "ui/dialogs/qt_translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QTranslator>

namespace qn {
namespace {

TEST(QtTranslationTest, QtsOwnTextsSpeakNorwegianOnceInstalledAndAFolderWithoutOneLeavesEnglish) {
  const QLocale before;
  EXPECT_EQ(InstallQtTranslation(*qApp, "/nonexistent-folder"), nullptr);
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");

  QTranslator* translator = InstallQtTranslation(*qApp);
  ASSERT_NE(translator, nullptr) << "Qt's Norwegian translation (qt6-translations-l10n) is missing";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Avbryt");
  EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), "Look in:");
  EXPECT_EQ(QLocale().language(), QLocale::NorwegianBokmal);

  QCoreApplication::removeTranslator(translator);
  delete translator;
  QLocale::setDefault(before);
}

}  // namespace
}  // namespace qn
