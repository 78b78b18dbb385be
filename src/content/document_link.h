// Document links: a record whose link-text block holds a file name, opened with the
// desktop's default program. A file name is stored whole or not at all: one longer than a
// link text holds, or with a character the file's code page has no byte for, is refused,
// since a cut or altered name would open another file or none.
#pragma once

#include <string>
#include <string_view>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// The reason `fileName` cannot be a link text; empty when it can.
std::string LinkTextRefusal(std::string_view fileName);

// "Tilknytt dokument": `fileName` becomes the link text of the record under the cursor (a
// record of kind 0 becomes kind 512). Empty when done, else the refusal with nothing changed.
std::string SetDocumentLink(tDataImageArk& db, std::string_view fileName);

// The new-document dialog's outcome (TNyDocForm, "Ny dokument tilknytning").
struct NewDocumentChoice {
  std::string fileName;            // "Filnavn:"
  bool useText = false;            // "Bruk tekstlinje som visning i listen. "
  std::string text;                // eHeader, the line's name when useText
  tDirection direction = DirNull;  // DirRight, DirDown; DirNull when cancelled
};

// A new document link in the chosen direction: with useText a named line (kind 1) carrying
// the link text, otherwise a record of kind 512 that the view shows by its file name. The
// cursor ends on it. Empty when made, else why nothing was made.
std::string NewDocumentLink(tDataImageArk& db, const NewDocumentChoice& choice);

// "Åpne &dokument": the record's link text handed to the desktop's opener. Empty when it
// was started, else a message saying why not (no link, the file is missing, no opener).
std::string OpenDocument(tDataImageArk& db);

}  // namespace qn
