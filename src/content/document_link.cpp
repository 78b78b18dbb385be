#include "content/document_link.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "env/shell.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/record_blocks.h"

namespace qn {

std::string LinkTextRefusal(std::string_view fileName) {
  if (fileName.empty()) return "Dokumentet har ikke noe filnavn.";
  for (char32_t c : DecodeUtf8(fileName)) {
    if (UnicodeToCp1252(c) <= 0) {
      std::string shown;
      AppendUtf8(shown, c);
      return "Filnavnet inneholder tegnet \"" + shown +
             "\", som ikke kan lagres i databasen. Dokumentet er ikke tilknyttet.";
    }
  }
  if (Cp1252Length(fileName) > size_t(kNameMaxText))
    return "Filnavnet er lengre enn " + std::to_string(kNameMaxText) +
           " tegn. Dokumentet er ikke tilknyttet.";
  return {};
}

std::string SetDocumentLink(tDataImageArk& db, std::string_view fileName) {
  if (std::string refusal = LinkTextRefusal(fileName); !refusal.empty()) return refusal;
  WriteLinkText(db, fileName);
  return {};
}

std::string NewDocumentLink(tDataImageArk& db, const NewDocumentChoice& choice) {
  if (choice.direction != DirDown && choice.direction != DirRight) return {};
  if (std::string refusal = LinkTextRefusal(choice.fileName); !refusal.empty()) return refusal;
  if (choice.useText) {
    if (choice.text.empty()) return "Linjen trenger en tekst. Dokumentet er ikke tilknyttet.";
    if (AddNamed(db, choice.direction, choice.text) < 0)
      return "Dokumentlinjen kunne ikke lages her.";
    WriteLinkText(db, choice.fileName);
    return {};
  }
  if (AddLinked(db, choice.direction, choice.fileName) < 0)
    return "Dokumentlinjen kunne ikke lages her.";
  return {};
}

std::string OpenDocument(tDataImageArk& db) {
  if (db.dp->LinkBlock() == 0) return "Posten har ingen dokument-tilknytning.";
  const std::string file = ReadLinkText(db);
  if (file.empty()) return "Dokument-tilknytningen er tom.";
  // An address is the opener's business; a file that is gone is said here, where the user
  // sees it, rather than by an opener that may show nothing.
  const bool address = file.find("://") != std::string::npos;
  std::error_code ec;
  if (!address && !std::filesystem::exists(file, ec))
    return "Finner ikke dokumentet " + file + ".";
  if (OpenWithShell(file) < 0)
    return "Dokumentet " + file + " kunne ikke åpnes: " + std::strerror(errno) + ".";
  return {};
}

}  // namespace qn
