// The window's exports and imports: the HTML pages of the whole database ("HTML" under
// "&Eksporter") or of the current list ("Eksporter listen til HTML-tabell"), the text
// export of the current list ("Eksporter listen til tekstfil") and the sequential data
// import ("Sekvensielle data" under "&Importer"), and the JSON form of the whole database
// out ("JSON") and into a new database ("JSON (ny database)"). Each runs as one window command; a file
// that cannot be written ends it with the I/O error message.
#pragma once

#include <optional>
#include <string>

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
// "JSON" under "&Eksporter": the whole database as a JSON dump into a file asked for (the
// "export" folder proposed), with progress; a stop writes nothing. True when written.
bool JSON1Click(tDataImageArk& db, Dialogs& dialogs);
// "JSON (ny database)" under "&Importer": a dump asked for becomes a new database under a
// name asked for (never an existing file), with progress. The open database stays open and
// unchanged; the message says where the new one is. Its name when it was made.
std::optional<std::string> JSONnydatabase1Click(Dialogs& dialogs);

}  // namespace qn
