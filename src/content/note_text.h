// Notes: the 8,192-byte note text of a record as the editor and the tool see it, UTF-8 with
// "\n" line ends in memory and Windows-1252 with CR LF in the file. A note is never cut and
// never altered on its way in: a text that does not fit, or holds a character the code page
// has no byte for, is refused with a message and nothing is written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class FileSystem;
class tDataImageArk;

// The captions of the new-note dialog and the editor.
inline constexpr std::string_view kNewNoteCaption = "Legg inn nytt notat";
inline constexpr std::string_view kNoteCaption = "Notat";
// The file in the "tmp" folder the editor keeps the note in while it is open.
inline constexpr std::string_view kNoteTempFile = "temp.txt";

// The note of the record under the cursor: its 8-bit text up to the first zero byte, CR LF
// read as "\n". Empty when the record has no note.
std::string ReadNoteText(tDataImageArk& db);

// How a text fits a note block.
struct NoteFit {
  int64_t bytes = 0;         // the 8-bit length, each line end counted as CR LF
  std::string unencodable;   // the first character the code page cannot hold; empty if none
  bool Fits() const { return unencodable.empty() && bytes <= kNoteTextSize; }
  int64_t Remaining() const { return kNoteTextSize - bytes; }
};
NoteFit MeasureNoteText(std::string_view text);
// The reason a text cannot be stored as a note; empty when it can.
std::string NoteRefusal(const NoteFit& fit);

// Writes `text` as the note of the record under the cursor, making its note block (kind OR
// 256) when it has none. Empty when written; the refusal (NoteRefusal, or a failed write)
// with nothing changed otherwise.
std::string WriteNoteText(tDataImageArk& db, std::string_view text);

// "&Notat": a named line in `direction` (DirDown or DirRight) with `name` and an empty note
// block; the cursor ends on it. Its Position, or -1 when nothing was made.
Position NewNote(tDataImageArk& db, tDirection direction, std::string_view name);

// The note editor (TNotatForm) on one record: the text it opened with and the save. The
// record is remembered by its Position, so the save writes to it wherever the cursor went.
class NoteEditor {
 public:
  // Reads the note of the record under the cursor and writes it to the "tmp" folder's
  // temp.txt (readable by the owner only).
  explicit NoteEditor(tDataImageArk& db);

  const std::string& Text() const { return text_; }
  Position Record() const { return record_; }
  // "&Lagre" with the editor's text: temp.txt rewritten, then the note. Empty when saved;
  // otherwise the message to show, and the editor stays open with nothing changed.
  std::string Save(std::string_view text);

 private:
  tDataImageArk& db_;
  Position record_;
  std::string text_;
};

// The path of the editor's temp.txt; writes `text` there (UTF-8), owner-only. False when
// it could not be written.
std::string NoteTempPath();
bool WriteNoteTempFile(std::string_view text);
// The same through `files`.
bool WriteNoteTempFile(FileSystem& files, std::string_view text);

}  // namespace qn
