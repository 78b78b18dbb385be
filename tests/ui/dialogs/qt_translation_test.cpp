// Qt's own texts in Norwegian: the translation scripts/install-deps installs is found and
// installed, and Qt's standard buttons and file dialog labels then speak it, in Bokmål
// where the program knows the text.
#include "ui/dialogs/qt_translation.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace qn {
namespace {

TEST(QtTranslationTest, QtsOwnTextsSpeakBokmaalOverWhatQtHasAndEnglishWhereNeitherKnowsThem) {
  const QLocale before;
  // Without Qt's translation the program's Bokmål texts still serve the common ones.
  EXPECT_EQ(InstallQtTranslation(*qApp, "/nonexistent-folder"), nullptr);
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Avbryt");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Søk i:");
  EXPECT_EQ(QCoreApplication::translate("QColorDialog", "Hu&e:"), "Hu&e:");
  QCoreApplication::removeTranslator(BokmaalQtTexts());

  QTranslator* translator = InstallQtTranslation(*qApp);
  ASSERT_NE(translator, nullptr) << "Qt's Norwegian translation (qt6-translations-l10n) is missing";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Avbryt");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "Søk i:");
  EXPECT_EQ(QCoreApplication::translate("QShortcut", "Right"), "Pil høyre");
  // The menus show their keys in Norwegian.
  EXPECT_EQ(QKeySequence("Ctrl+Return").toString(QKeySequence::NativeText), "Ctrl+Enter");
  EXPECT_EQ(QKeySequence("Shift+Del").toString(QKeySequence::NativeText), "Skift+Slett");
  EXPECT_NE(QCoreApplication::translate("QColorDialog", "Hu&e:"), "Hu&e:");  // Qt's file
  EXPECT_EQ(QLocale().language(), QLocale::NorwegianBokmal);
  QCoreApplication::removeTranslator(BokmaalQtTexts());
  QCoreApplication::removeTranslator(translator);
  delete translator;
  QLocale::setDefault(before);

  // Every text is one Qt asks for: a source text that Qt's own Norwegian translation does
  // not know would never be asked for, so its Bokmål would never be shown.
  QTranslator qt;
  ASSERT_TRUE(qt.load("qtbase_nn", QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
  for (const QtText& text : BokmaalQtTextTable()) {
    EXPECT_FALSE(qt.translate(text.context, text.source).isEmpty()) << text.context << " / " << text.source;
  }
}

}  // namespace
}  // namespace qn
