// Global pointers: a record of kind 640 whose 640-byte payload names another database file
// and a Position or a record name in it. The editor's model (TGlobalPointerForm, "Global
// Peker") and where following a pointer leads; closing one database and opening the other
// is the window's.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "content/display_name.h"
#include "store/record_blocks.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kGlobalPointerCaption = "Global Peker";

// The connection methods of the radio group " Tilkobling: ".
inline constexpr int kMethodPosition = 0;  // "Filnavn og posisjon"
inline constexpr int kMethodText = 1;      // "Filnavn og tekst"

// The payload's fields. The file name holds at most 255 characters and the text 127, in
// the file's 8-bit form.
struct GlobalPointer {
  std::string fileName;
  Position position = 0;
  std::string text;
  int method = kMethodPosition;  // bits 0-6 of the method byte
  bool automatic = false;        // bit 7

  static GlobalPointer Decode(std::span<const uint8_t, kGlobalPointerSize> payload);
  // Every byte the layout does not name is written as zero.
  void Encode(std::span<uint8_t, kGlobalPointerSize> out) const;
};

// The pointer of the record under the cursor; nothing when it is no global pointer or its
// payload cannot be read whole.
std::optional<GlobalPointer> ReadGlobalPointer(tDataImageArk& db);

// The dialog's fields as typed and its "O&k".
class GlobalPointerEditor {
 public:
  // With `edit`, the pointer of the record under the cursor, to be rewritten in place;
  // otherwise a new pointer with every field empty or zero.
  GlobalPointerEditor(tDataImageArk& db, bool edit);

  bool IsNew() const { return record_ == 0; }
  std::string fileName;      // "Filnavn:"
  std::string positionText;  // "Posisjon:"
  std::string text;          // "Tekst:"
  int method = kMethodPosition;
  bool automatic = false;

  // "O&k": for "Filnavn og posisjon" the Position must be a whole number (the conversion
  // error otherwise, and nothing is written); "Filnavn og tekst" does not need one. The
  // texts are cut to their room; a character the code page lacks is refused with a
  // message. A new pointer is made below the current record (kind 640); an edited one is
  // rewritten in its record. Empty when written.
  std::string Ok();

 private:
  tDataImageArk& db_;
  Position record_ = 0;
  bool unreadable_ = false;  // an edit of a record whose payload could not be read
};

// Where following a pointer leads: the other file's full path (a relative name is taken
// from the folder of `currentFile`) and the pointer.
struct GlobalTarget {
  std::string file;
  GlobalPointer pointer;
};
GlobalTarget ResolveGlobalTarget(const GlobalPointer& pointer, std::string_view currentFile);

// Why `file` cannot be opened as the other database (missing, not a file, not a database);
// empty when it can be.
std::string GlobalFileRefusal(const std::string& file);

// In the database now open: method 0 loads the Position when a record is there; method 1
// with a text finds the first record of that name from the top. Anything else leaves the
// cursor where the opening put it. True when the cursor moved.
bool GoToGlobalTarget(tDataImageArk& db, const GlobalPointer& pointer);

}  // namespace qn
