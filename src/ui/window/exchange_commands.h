// The window's exports and imports: the HTML pages of the whole database ("HTML" under
// "&Eksporter") or of the current list ("Eksporter listen til HTML-tabell"), the text
// export of the current list ("Eksporter listen til tekstfil") and the sequential data
// import ("Sekvensielle data" under "&Importer"). Each runs as one window command; a file
// that cannot be written ends it with the I/O error message.
#pragma once

class QWidget;

namespace qn {

class Dialogs;
class tDataImageArk;

// LagHTML (wholeDatabase) and LagHTMLtabell1Click: asks for the folder ("HTML Mappe", the
// "export\html" folder proposed), writes the pages and keeps the folder as "HtmlMappe".
void LagHTML(tDataImageArk& db, Dialogs& dialogs, bool wholeDatabase);
// CSV1Click: the text export; says afterwards how many lines were cut to 255 characters.
void CSV1Click(tDataImageArk& db, Dialogs& dialogs);
// The import dialog, modal. A write error throws IoError, so the command's change is
// abandoned and nothing of the import stays; a read error or a stop is told with the
// records kept.
void Sekvensielledata1Click(tDataImageArk& db, Dialogs& dialogs, QWidget* parent);

}  // namespace qn
