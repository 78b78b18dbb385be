// The layout of a .pdb256 database file. The file is a gap-free sequence of blocks, each
// beginning with its total size as an unsigned 32-bit little-endian integer. Position 0
// holds the file header record; every other block is appended at the end and never moved,
// shortened or reused. All integers are little-endian; timestamps are doubles holding days
// since 30 December 1899 (local time), 0.0 meaning never; texts are a length byte followed
// by that many Windows-1252 characters.
//
// Every structure here is read and written field by field through Encode/Decode; nothing
// casts bytes onto a struct.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace qn {

using Position = int32_t;  // byte offset of a block; 0 = none; -1 = none/failure as a result

// ---- Pointer record (and the file header record at Position 0), 256 bytes ----
constexpr int kPointerRecordSize = 256;
constexpr int kSizeOffset = 0;
constexpr int kPositionOffset = 4;
constexpr int kUpOffset = 8;
constexpr int kDownOffset = 12;
constexpr int kLeftOffset = 16;
constexpr int kRightOffset = 20;
constexpr int kInwardOffset = 24;
constexpr int kOutwardOffset = 28;
constexpr int kInheritBlockOffset = 32;
constexpr int kSourceRecordOffset = 36;
constexpr int kDataBlockOffset = 40;
constexpr int kUpdateFromOffset = 44;
constexpr int kDataOffsetOffset = 48;
constexpr int kTemplatePosOffset = 52;
constexpr int kReserved56Offset = 56;
constexpr int kOriginOffset = 60;
constexpr int kKindOffset = 64;
constexpr int kNameBlockOffset = 68;
constexpr int kCreatedOffset = 72;
constexpr int kChangedOffset = 80;
constexpr int kReplicatedOffset = 88;
constexpr int kReplicationOffset = 96;
constexpr int kLinkBlockOffset = 100;
constexpr int kSignatureOffset = 104;  // length byte 31, then the 31 characters
constexpr int kSignatureFieldSize = 32;
constexpr int kNoteBlockOffset = 168;
constexpr int kPictureBlockOffset = 172;

constexpr std::string_view kSignature = "QUILLNET-POINTER-RECORD-R130471";  // 31 characters

// ---- Name block and link-text block, 264 bytes ----
constexpr int kNameBlockSize = 264;
constexpr int kNameOwnerOffset = 4;
constexpr int kNameLengthOffset = 8;
constexpr int kNameTextOffset = 9;
constexpr int kNameMaxText = 255;

// ---- Data block: 16-byte head, then the payload ----
constexpr int kDataHeadSize = 16;
constexpr int kDataNextOffset = 4;
constexpr int kDataPreviousOffset = 8;
constexpr int kDataTagOffset = 12;

// ---- Note block: a data block of fixed size with tag 1 ----
constexpr int kNoteTextSize = 8192;
constexpr int kNoteBlockSize = kDataHeadSize + kNoteTextSize;  // 8208

// A block larger than this ends a walk of the file block by block as damaged.
constexpr uint32_t kMaxScanBlockSize = 65000;

// ---- Record kinds (compared whole unless a rule says otherwise) ----
constexpr int32_t kKindEmpty = 0;
constexpr int32_t kKindNamed = 1;
constexpr int32_t kKindData = 2;
constexpr int32_t kKindTemplate = 4;
constexpr int32_t kKindTemplateTag = 8;
constexpr int32_t kKindDataWithTemplate = 10;
constexpr int32_t kKindProgram = 16;
constexpr int32_t kKindIndex = 32;
constexpr int32_t kKindRegisterVariable = 64;
constexpr int32_t kKindFileLink = 129;
constexpr int32_t kKindNote = 256;
constexpr int32_t kKindNamedNote = 257;
constexpr int32_t kKindLink = 512;
constexpr int32_t kKindNamedLink = 513;
constexpr int32_t kKindGlobalPointer = 640;
constexpr int32_t kKindDeleted = 1024;  // bit set on delete

// Origins of a record.
constexpr int32_t kOriginDirect = 0;
constexpr int32_t kOriginShadow = 2;
constexpr int32_t kOriginDataShadow = 3;
constexpr int32_t kOriginCopy = 4;

// Little-endian helpers over a byte span. REQUIRES: offset + width <= bytes.size().
uint32_t GetU32(std::span<const uint8_t> bytes, size_t offset);
int32_t GetI32(std::span<const uint8_t> bytes, size_t offset);
uint16_t GetU16(std::span<const uint8_t> bytes, size_t offset);
double GetF64(std::span<const uint8_t> bytes, size_t offset);
void PutU32(std::span<uint8_t> bytes, size_t offset, uint32_t value);
void PutI32(std::span<uint8_t> bytes, size_t offset, int32_t value);
void PutU16(std::span<uint8_t> bytes, size_t offset, uint16_t value);
void PutF64(std::span<uint8_t> bytes, size_t offset, double value);

// The pointer record as fields.
struct PointerRecord {
  uint32_t size = kPointerRecordSize;
  Position position = 0;
  Position up = 0;
  Position down = 0;
  Position left = 0;
  Position right = 0;
  Position inward = 0;
  Position outward = 0;
  Position inheritBlock = 0;
  Position sourceRecord = 0;
  Position dataBlock = 0;
  Position updateFrom = 0;
  int32_t dataOffset = 0;
  Position templatePos = 0;
  uint32_t reserved56 = 0;
  int32_t origin = 0;
  int32_t kind = 0;
  Position nameBlock = 0;
  double created = 0.0;
  double changed = 0.0;
  double replicated = 0.0;
  int32_t replication = 0;
  Position linkBlock = 0;
  std::string signature;  // the characters after the length byte at offset 104
  Position noteBlock = 0;
  Position pictureBlock = 0;

  bool IsDeleted() const { return (kind & kKindDeleted) != 0; }

  // Reserved bytes are written as 0; the signature field gets its length byte.
  void Encode(std::span<uint8_t, kPointerRecordSize> out) const;
  static PointerRecord Decode(std::span<const uint8_t, kPointerRecordSize> in);
  // The same into `out`, whose text keeps its room: a walk over many records that decodes
  // each into the same object allocates nothing.
  static void Decode(std::span<const uint8_t, kPointerRecordSize> in, PointerRecord& out);
};

// Writes the signature (length byte 31 and the 31 characters) into a record image.
void StampSignature(std::span<uint8_t, kPointerRecordSize> image);
// True when the image has size 256 and carries the signature.
bool HasPointerSignature(std::span<const uint8_t, kPointerRecordSize> image);

// The image of a new file's header record: size 256, the signature, the rest zero.
void EncodeFileHeader(std::span<uint8_t, kPointerRecordSize> out);

// Name block / link-text block.
struct NameBlock {
  uint32_t size = kNameBlockSize;  // written as u16 264 and u16 0
  Position owner = 0;
  std::string text;  // 8-bit (Windows-1252) characters, at most 255

  void Encode(std::span<uint8_t, kNameBlockSize> out) const;
  // Clamps a damaged length byte to the bytes present; never reads outside `in`.
  static NameBlock Decode(std::span<const uint8_t> in);
};

// Head of a data block (and of a note block).
struct DataHead {
  uint32_t size = kDataHeadSize;  // payload length + 16
  uint32_t next = 0;
  uint32_t previous = 0;
  uint32_t tag = 0;

  void Encode(std::span<uint8_t, kDataHeadSize> out) const;
  static DataHead Decode(std::span<const uint8_t, kDataHeadSize> in);
};

// The text the file information scan appends to a pointer record's line for its kind,
// separator included (", tom peker", " -- SLETTET --"); empty for kinds without one.
std::string KindName(int32_t kind);

}  // namespace qn
