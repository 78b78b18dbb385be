// Qt's own texts in Norwegian: the labels and buttons of the file dialogs, the standard
// buttons of message boxes and the context menus of entry fields. The program's own
// captions and filters are Norwegian already and are not touched.
#pragma once

#include <QString>
#include <span>
#include <string_view>

class QCoreApplication;
class QTranslator;

namespace qn {

// The languages tried, best first: Norwegian Bokmål, Norwegian, then Norwegian Nynorsk,
// which Debian's Qt translations carry where they have no Bokmål.
inline constexpr std::string_view kQtLanguages[] = {"nb", "no", "nn"};

// Installs the first of Qt's translations for kQtLanguages found in `folder` (Qt's own
// translations folder when empty) on `app`, which owns it, and makes Norwegian Bokmål the
// default locale. Unless a Bokmål translation was found, the program's own Bokmål texts
// for the Qt dialogs it shows (BokmaalQtTexts) are installed over it, so that those speak
// Bokmål with the rest of the program. The Qt translation installed, or nullptr when none
// was found (Qt's other texts then stay English).
QTranslator* InstallQtTranslation(QCoreApplication& app, const QString& folder = {});

// One of Qt's texts in Bokmål: Qt's context and source text, and the translation.
struct QtText {
  const char* context;
  const char* source;
  const char* bokmaal;
};
// The texts of Qt's standard buttons, file dialog, entry-field menus, scroll bar menu,
// message box details and key names that the program's windows show.
std::span<const QtText> BokmaalQtTextTable();
// The translator that gives them; one for the whole program, not installed by itself.
QTranslator* BokmaalQtTexts();

}  // namespace qn
