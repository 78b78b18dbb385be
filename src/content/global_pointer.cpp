#include "content/global_pointer.h"

#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>

#include "env/text_codec.h"
#include "store/database.h"
#include "store/datapointer.h"

namespace qn {
namespace {

std::string LengthText(std::span<const uint8_t, kGlobalPointerSize> payload, size_t offset,
                       size_t max) {
  const size_t length = std::min<size_t>(payload[offset], max);
  return Cp1252ToUtf8(
      std::string_view(reinterpret_cast<const char*>(payload.data() + offset + 1), length));
}

void PutLengthText(std::span<uint8_t, kGlobalPointerSize> out, size_t offset, size_t max,
                   std::string_view utf8) {
  const std::string bytes = Utf8ToCp1252(CutToCp1252Length(utf8, max));
  out[offset] = uint8_t(bytes.size());
  std::copy(bytes.begin(), bytes.end(), out.begin() + long(offset) + 1);
}

// The first character of `text` the code page has no byte for; empty when none.
std::string Unencodable(std::string_view text) {
  for (char32_t c : DecodeUtf8(text)) {
    if (UnicodeToCp1252(c) < 0) {
      std::string out;
      AppendUtf8(out, c);
      return out;
    }
  }
  return {};
}

}  // namespace

GlobalPointer GlobalPointer::Decode(std::span<const uint8_t, kGlobalPointerSize> payload) {
  GlobalPointer p;
  p.position = GetI32(payload, kGlobalPositionOffset);
  p.method = payload[kGlobalMethodOffset] & 0x7F;
  p.automatic = (payload[kGlobalMethodOffset] & kGlobalAutomaticBit) != 0;
  p.fileName = LengthText(payload, kGlobalFileNameOffset, kNameMaxText);
  p.text = LengthText(payload, kGlobalTextOffset, kGlobalTextMax);
  return p;
}

void GlobalPointer::Encode(std::span<uint8_t, kGlobalPointerSize> out) const {
  std::fill(out.begin(), out.end(), uint8_t(0));
  PutI32(out, kGlobalPositionOffset, position);
  out[kGlobalMethodOffset] = uint8_t((method & 0x7F) | (automatic ? kGlobalAutomaticBit : 0));
  PutLengthText(out, kGlobalFileNameOffset, kNameMaxText, fileName);
  PutLengthText(out, kGlobalTextOffset, kGlobalTextMax, text);
}

std::optional<GlobalPointer> ReadGlobalPointer(tDataImageArk& db) {
  if (!db.IsOpen() || (db.dp->Kind() & ~kKindDeleted) != kKindGlobalPointer) return std::nullopt;
  std::array<uint8_t, kGlobalPointerSize> payload{};
  if (ReadData(db, payload) != kGlobalPointerSize) return std::nullopt;
  return GlobalPointer::Decode(payload);
}

GlobalPointerEditor::GlobalPointerEditor(tDataImageArk& db, bool edit) : db_(db) {
  if (!edit) return;
  const std::optional<GlobalPointer> p = ReadGlobalPointer(db);
  if (!p) {
    unreadable_ = true;
    return;
  }
  record_ = db.dp->CurrentPosition();
  fileName = p->fileName;
  positionText = std::to_string(p->position);
  text = p->text;
  // The radio group has two buttons: the two low bits pick one.
  method = p->method & 0x03;
  automatic = p->automatic;
}

std::string GlobalPointerEditor::Ok() {
  tDataImageArk& db = db_;
  if (unreadable_) return "Den globale pekeren kan ikke leses, og kan ikke endres her.";
  std::string_view digits = Trim(positionText);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  Position position = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), position);
  const bool whole = !digits.empty() && ec == std::errc() && end == digits.data() + digits.size();
  // Only a pointer that goes by Position needs one; one that goes by its text keeps a
  // Position only when a whole number was given.
  if (!whole && method == kMethodPosition)
    return "'" + positionText + "' er ikke en gyldig heltallsverdi";
  if (!whole) position = 0;
  for (const std::string* field : {&fileName, &text}) {
    if (std::string c = Unencodable(*field); !c.empty())
      return "Tegnet \"" + c + "\" kan ikke lagres i en global peker. Ingenting er lagret.";
  }
  GlobalPointer pointer{fileName, position, text, method, automatic};
  std::array<uint8_t, kGlobalPointerSize> payload;
  pointer.Encode(payload);
  if (IsNew()) {
    // A new pointer goes below the current record, as "Ny under" does, whatever way the
    // cursor last moved.
    db.dp->SetLastDirection(DirDown);
    if (AddGlobalPointer(db, payload) < 0) return "Den globale pekeren kunne ikke lages her.";
    record_ = db.dp->CurrentPosition();
    return {};
  }
  if (db.dp->CurrentPosition() != record_ && db.dp->Load(record_) != 0)
    return "Den globale pekeren finnes ikke lenger.";
  if (RewriteData(db, payload) != 0) return "Den globale pekeren kunne ikke lagres.";
  return {};
}

GlobalTarget ResolveGlobalTarget(const GlobalPointer& pointer, std::string_view currentFile) {
  std::filesystem::path file(pointer.fileName);
  if (!pointer.fileName.empty() && file.is_relative())
    file = std::filesystem::path(currentFile).parent_path() / file;
  std::error_code ec;
  const std::filesystem::path full = std::filesystem::absolute(file, ec);
  return {(ec ? file : full).lexically_normal().string(), pointer};
}

std::string GlobalFileRefusal(const std::string& file) {
  std::error_code ec;
  if (file.empty()) return "Den globale pekeren har ikke noe filnavn.";
  if (!std::filesystem::exists(file, ec)) return "Finner ikke databasen " + file + ".";
  if (!std::filesystem::is_regular_file(file, ec)) return file + " er ikke en databasefil.";
  std::ifstream in(file, std::ios::binary);
  std::array<uint8_t, kPointerRecordSize> header{};
  in.read(reinterpret_cast<char*>(header.data()), header.size());
  if (in.gcount() != std::streamsize(header.size()) || !HasPointerSignature(header))
    return file + " er ikke en QuillNet-database.";
  return {};
}

bool GoToGlobalTarget(tDataImageArk& db, const GlobalPointer& pointer) {
  if (!db.IsOpen()) return false;
  Datapointer& dp = *db.dp;
  if (pointer.method == kMethodPosition) {
    return pointer.position > 0 && dp.IsRecordAt(pointer.position) && dp.Load(pointer.position) == 0;
  }
  if (pointer.text.empty()) return false;
  return ScanForString(db, pointer.text, true) >= 0;
}

}  // namespace qn
