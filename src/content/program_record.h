// Program records (kind 16 in "Programs"): the 534-byte tProgramRec that describes an
// outside program, the program dialog's model (TProgramForm), the list the link dialog
// offers (TLinkProgramForm) and the link of a template to one program.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/format.h"
#include "templates/template_store.h"

namespace qn {

class tDataImageArk;

// ---- tProgramRec, 534 bytes, little-endian; strings 8-bit with a length byte ----
constexpr int kProgramHeadOffset = 0;       // i32: 522 once the dialog wrote it
constexpr int kProgramZeroOffset = 4;       // i32: 0
constexpr int kProgramFileOffset = 8;       // at most 255 characters
constexpr int kProgramFolderOffset = 264;   // at most 255 characters
constexpr int kProgramOneOffset = 520;      // u8: 1
constexpr int kProgramUseDataOffset = 521;  // u8: 1 = pass the database reference
constexpr int kProgramTypeOffset = 522;     // at most 11 characters
constexpr int kProgramTypeMax = 11;

struct tProgramRec {
  int32_t Head = 0;
  int32_t Zero = 0;
  std::string ProgramFile;  // UTF-8
  std::string Folder;       // the exchange file's folder, or the "Parameter" text
  uint8_t One = 0;
  bool UseData = false;     // "Send referanse til databasefil"
  std::string FileType;

  static tProgramRec Decode(std::span<const uint8_t, kProgramRecordSize> in);
  // Texts are cut to their room; bytes the layout does not name are zero.
  void Encode(std::span<uint8_t, kProgramRecordSize> out) const;
};

inline constexpr std::string_view kProgramNamePrompt = "Navn på program";

// The program dialog on the program record under the cursor. The fields are copied back
// into the record's image however the dialog closes (Close); only "O&k" writes it.
class ProgramEditor {
 public:
  explicit ProgramEditor(tDataImageArk& db);

  const std::string& Caption() const { return caption_; }  // the record's name
  bool IsProgram() const { return record_ > 0; }

  std::string programFile;  // "&Programfil som skal kjøres:"
  std::string folder;       // "Mappe" / "Parameter"
  std::string fileType;     // "Filtype"; "TXT" in a record that has none
  bool useData = false;     // "Send referanse til databasefil"

  // With the reference option the folder entry, the file type and its label are disabled
  // and the folder's label reads "Parameter".
  bool FolderEnabled() const { return !useData; }
  std::string_view FolderLabel() const { return useData ? "Parameter" : "Mappe"; }

  // The fields into the record's image (522, 0, 1 written; the file type cut to 11).
  void Close();
  const tProgramRec& Record() const { return image_; }
  // "O&k": Close, then the record written back to its data block. Empty when written.
  std::string Ok();

 private:
  tDataImageArk& db_;
  Position record_ = 0;
  std::string caption_;
  tProgramRec image_;
};

// The records the link dialog lists: every record of "Programs" after its placeholder, by
// name, with its data block.
struct ProgramChoice {
  std::string name;
  Position dataBlock = 0;
};
std::vector<ProgramChoice> ListPrograms(tDataImageArk& db);

// "&Tilknytt": the current record's template gets the program whose data block is at
// `programData`. 1, or -1 (nothing changed) when the record has no template. The cursor
// comes back.
int32_t LinkTemplateProgram(tDataImageArk& db, Position programData);

}  // namespace qn
