#include "content/program_record.h"

#include <array>

#include "content/system_lists.h"
#include "env/text_codec.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"

namespace qn {
namespace {

std::string TextAt(std::span<const uint8_t, kProgramRecordSize> in, size_t offset, size_t max) {
  const size_t length = std::min<size_t>(in[offset], max);
  return Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(in.data() + offset + 1), length));
}

void PutText(std::span<uint8_t, kProgramRecordSize> out, size_t offset, size_t max,
             std::string_view utf8) {
  const std::string bytes = Utf8ToCp1252(CutToCp1252Length(utf8, max));
  out[offset] = uint8_t(bytes.size());
  std::copy(bytes.begin(), bytes.end(), out.begin() + long(offset) + 1);
}

}  // namespace

tProgramRec tProgramRec::Decode(std::span<const uint8_t, kProgramRecordSize> in) {
  tProgramRec r;
  r.Head = GetI32(in, kProgramHeadOffset);
  r.Zero = GetI32(in, kProgramZeroOffset);
  r.ProgramFile = TextAt(in, kProgramFileOffset, kNameMaxText);
  r.Folder = TextAt(in, kProgramFolderOffset, kNameMaxText);
  r.One = in[kProgramOneOffset];
  r.UseData = in[kProgramUseDataOffset] != 0;
  r.FileType = TextAt(in, kProgramTypeOffset, kProgramTypeMax);
  return r;
}

void tProgramRec::Encode(std::span<uint8_t, kProgramRecordSize> out) const {
  std::fill(out.begin(), out.end(), uint8_t(0));
  PutI32(out, kProgramHeadOffset, Head);
  PutI32(out, kProgramZeroOffset, Zero);
  PutText(out, kProgramFileOffset, kNameMaxText, ProgramFile);
  PutText(out, kProgramFolderOffset, kNameMaxText, Folder);
  out[kProgramOneOffset] = One;
  out[kProgramUseDataOffset] = UseData ? 1 : 0;
  PutText(out, kProgramTypeOffset, kProgramTypeMax, FileType);
}

ProgramEditor::ProgramEditor(tDataImageArk& db) : db_(db) {
  Datapointer& dp = *db.dp;
  if ((dp.Kind() & ~kKindDeleted) != kKindProgram) return;
  std::array<uint8_t, kProgramRecordSize> bytes{};
  if (ReadData(db, bytes) < 0) return;
  record_ = dp.CurrentPosition();
  caption_ = ReadName(db);
  image_ = tProgramRec::Decode(bytes);
  programFile = image_.ProgramFile;
  folder = image_.Folder;
  fileType = image_.FileType.empty() ? "TXT" : image_.FileType;
  useData = image_.UseData;
}

void ProgramEditor::Close() {
  image_.Head = 522;
  image_.Zero = 0;
  image_.One = 1;
  image_.ProgramFile = programFile;
  image_.Folder = folder;
  image_.UseData = useData;
  image_.FileType = CutToCp1252Length(fileType, kProgramTypeMax);
}

std::string ProgramEditor::Ok() {
  Close();
  if (!IsProgram()) return "Posten er ikke et program.";
  Datapointer& dp = *db_.dp;
  if (dp.CurrentPosition() != record_ && dp.Load(record_) != 0) return "Programposten finnes ikke lenger.";
  std::array<uint8_t, kProgramRecordSize> bytes;
  image_.Encode(bytes);
  if (RewriteData(db_, bytes) != 0) return "Programposten kunne ikke lagres.";
  return {};
}

std::vector<ProgramChoice> ListPrograms(tDataImageArk& db) {
  std::vector<ProgramChoice> out;
  ListStandardList(db, kProgramsHeader, [&](Datapointer& dp) {
    out.push_back({ReadName(db), dp.DataBlock()});
    return false;
  });
  return out;
}

int32_t LinkTemplateProgram(tDataImageArk& db, Position programData) {
  CursorRestorer keep(*db.dp);
  if (db.dp->TemplatePos() <= 0 || LoadRecordTemplate(db) != 0) return -1;
  LoadedTemplate(db).Header.ProgramData = programData;
  SaveTemplate(db);
  return 1;
}

}  // namespace qn
