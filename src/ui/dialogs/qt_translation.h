// Qt's own texts in Norwegian: the labels and buttons of the file dialogs, the standard
// buttons of message boxes and the context menus of entry fields. The program's own
// captions and filters are Norwegian already and are not touched.
#pragma once

#include <QString>
#include <string_view>

class QCoreApplication;
class QTranslator;

namespace qn {

// The languages tried, best first: Norwegian Bokmål, Norwegian, then Norwegian Nynorsk,
// which Debian's Qt translations carry where they have no Bokmål.
inline constexpr std::string_view kQtLanguages[] = {"nb", "no", "nn"};

// Installs the first of Qt's translations for kQtLanguages found in `folder` (Qt's own
// translations folder when empty) on `app`, which owns it, and makes Norwegian Bokmål the
// default locale. The translator installed, or nullptr when none was found (Qt then
// speaks English).
QTranslator* InstallQtTranslation(QCoreApplication& app, const QString& folder = {});

}  // namespace qn
