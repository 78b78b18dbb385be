#include "content/note_text.h"

#include <array>
#include <cstring>
#include <memory>

#include "env/block_file.h"
#include "env/folders.h"
#include "env/log.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/error_text.h"
#include "store/record_blocks.h"

namespace qn {
namespace {

using NoteBytes = std::array<uint8_t, kNoteTextSize>;

// The note's 8-bit bytes of `text`, line ends as CR LF; a "\r\n" already there stays one
// line end. Characters the code page lacks are left out and the first is named in `fit`.
std::string EncodeNote(std::string_view text, NoteFit& fit) {
  std::string out;
  const std::u32string chars = DecodeUtf8(text);
  for (size_t i = 0; i < chars.size(); ++i) {
    const char32_t c = chars[i];
    if (c == U'\n') {
      out += "\r\n";
      continue;
    }
    if (c == U'\r' && i + 1 < chars.size() && chars[i + 1] == U'\n') continue;
    const int byte = UnicodeToCp1252(c);
    // A zero byte would end the note there and drop the rest unseen.
    if (byte <= 0) {
      if (fit.unencodable.empty()) AppendUtf8(fit.unencodable, c);
      continue;
    }
    out += char(byte);
  }
  fit.bytes = int64_t(out.size());
  return out;
}

}  // namespace

std::string ReadNoteText(tDataImageArk& db) {
  NoteBytes bytes{};
  if (ReadNote(db, bytes) < 0) return {};
  const auto end = std::find(bytes.begin(), bytes.end(), uint8_t(0));
  std::string text;
  for (auto it = bytes.begin(); it != end; ++it) {
    if (*it == '\r' && it + 1 != end && *(it + 1) == '\n') continue;
    text += char(*it);
  }
  return Cp1252ToUtf8(text);
}

NoteFit MeasureNoteText(std::string_view text) {
  NoteFit fit;
  EncodeNote(text, fit);
  return fit;
}

std::string NoteRefusal(const NoteFit& fit) {
  if (fit.unencodable == std::string_view("\0", 1))
    return "Notatet har et nulltegn (tegnkode 0), som ville avslutte notatet der. Notatet er "
           "ikke lagret.";
  if (!fit.unencodable.empty())
    return "Tegnet \"" + fit.unencodable +
           "\" kan ikke lagres i et notat. Notatet er ikke lagret.";
  if (fit.bytes > kNoteTextSize)
    return "Notatet er " + std::to_string(fit.bytes - kNoteTextSize) +
           " tegn for langt (høyst " + std::to_string(kNoteTextSize) +
           " tegn). Notatet er ikke lagret.";
  return {};
}

std::string WriteNoteText(tDataImageArk& db, std::string_view text) {
  NoteFit fit;
  const std::string bytes = EncodeNote(text, fit);
  if (std::string refusal = NoteRefusal(fit); !refusal.empty()) return refusal;
  NoteBytes note{};
  std::memcpy(note.data(), bytes.data(), bytes.size());
  Datapointer& dp = *db.dp;
  int32_t written = -1;
  if (dp.NoteBlock() != 0) {
    written = WriteNote(db, note);
    if (written == kNoteTextSize) return {};
  } else if (AddNote(db, note) == 0) {
    return {};
  }
  return "Notatet kunne ikke lagres" +
         std::string(dp.NoteBlock() != 0 && written < 0 ? ": notatblokken er skadet." : ".");
}

Position NewNote(tDataImageArk& db, tDirection direction, std::string_view name) {
  if (name.empty() || (direction != DirDown && direction != DirRight)) return -1;
  if (AddNamed(db, direction, name) < 0) return -1;
  const NoteBytes empty{};
  AddNote(db, empty);
  return db.dp->CurrentPosition();
}

std::string NoteTempPath() { return veltronapath("tmp") + std::string(kNoteTempFile); }

bool WriteNoteTempFile(std::string_view text) { return WriteNoteTempFile(*DiskFileSystem(), text); }

bool WriteNoteTempFile(FileSystem& files, std::string_view text) {
  const std::string path = NoteTempPath();
  // Made for the owner alone; an older file of other permissions is replaced, not reused.
  std::unique_ptr<BlockFile> file;
  int error = files.CreatePrivate(path, &file);
  if (error != 0) {
    WriteLog("FEIL: kan ikke skrive " + path + ": " + ErrorReason(error));
    return false;
  }
  size_t moved = 0;
  if (!text.empty()) error = file->Write(text.data(), text.size(), &moved);
  file->Close();
  return error == 0 && moved == text.size();
}

NoteEditor::NoteEditor(tDataImageArk& db)
    : db_(db), record_(db.dp->CurrentPosition()), text_(ReadNoteText(db)) {
  WriteNoteTempFile(text_);
}

std::string NoteEditor::Save(std::string_view text) {
  if (std::string refusal = NoteRefusal(MeasureNoteText(text)); !refusal.empty()) return refusal;
  WriteNoteTempFile(text);
  Datapointer& dp = *db_.dp;
  if (dp.CurrentPosition() != record_ && dp.Load(record_) != 0)
    return "Posten notatet hører til finnes ikke lenger. Notatet er ikke lagret.";
  std::string failed = WriteNoteText(db_, text);
  if (failed.empty()) text_ = std::string(text);
  return failed;
}

}  // namespace qn
