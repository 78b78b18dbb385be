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

// The six links of a pointer record, for code that treats them alike (a walk in a
// direction, a check that a link is answered by the record it names).
enum class RecordLink : uint8_t { kUp, kDown, kLeft, kRight, kInward, kOutward };

// A typed view of a pointer-record image that lives elsewhere (the cursor's record, a read
// buffer, a record cache). Each field is read where it lies: nothing is copied or decoded
// whole, and the bytes the program does not interpret stay as they are. The image must
// outlive the view.
class RecordView {
 public:
  explicit RecordView(std::span<const uint8_t, kPointerRecordSize> image) : in_(image.data()) {}

  uint32_t Size() const { return U32(kSizeOffset); }
  Position OwnPosition() const { return I32(kPositionOffset); }
  Position Up() const { return I32(kUpOffset); }
  Position Down() const { return I32(kDownOffset); }
  Position Left() const { return I32(kLeftOffset); }
  Position Right() const { return I32(kRightOffset); }
  Position Inward() const { return I32(kInwardOffset); }
  Position Outward() const { return I32(kOutwardOffset); }
  Position InheritBlock() const { return I32(kInheritBlockOffset); }
  Position SourceRecord() const { return I32(kSourceRecordOffset); }
  Position DataBlock() const { return I32(kDataBlockOffset); }
  Position UpdateFrom() const { return I32(kUpdateFromOffset); }
  int32_t DataOffset() const { return I32(kDataOffsetOffset); }
  Position TemplatePos() const { return I32(kTemplatePosOffset); }
  int32_t Origin() const { return I32(kOriginOffset); }
  int32_t Kind() const { return I32(kKindOffset); }
  Position NameBlock() const { return I32(kNameBlockOffset); }
  double Created() const { return F64(kCreatedOffset); }
  double Changed() const { return F64(kChangedOffset); }
  double Replicated() const { return F64(kReplicatedOffset); }
  int32_t Replication() const { return I32(kReplicationOffset); }
  Position LinkBlock() const { return I32(kLinkBlockOffset); }
  Position NoteBlock() const { return I32(kNoteBlockOffset); }
  Position PictureBlock() const { return I32(kPictureBlockOffset); }
  Position Link(RecordLink link) const { return I32(LinkOffset(link)); }

  bool IsDeleted() const { return (Kind() & kKindDeleted) != 0; }
  // The kind without the bit a delete sets.
  int32_t LiveKind() const { return Kind() & ~kKindDeleted; }
  // True when the image is the record that lies at `position`: size 256 and its own
  // Position there.
  bool IsRecordAt(Position position) const {
    return Size() == uint32_t(kPointerRecordSize) && OwnPosition() == position;
  }

  static int LinkOffset(RecordLink link) {
    constexpr int kOffsets[] = {kUpOffset,    kDownOffset,   kLeftOffset,
                                kRightOffset, kInwardOffset, kOutwardOffset};
    return kOffsets[static_cast<int>(link)];
  }

 protected:
  uint32_t U32(int o) const {
    return uint32_t(in_[o]) | uint32_t(in_[o + 1]) << 8 | uint32_t(in_[o + 2]) << 16 |
           uint32_t(in_[o + 3]) << 24;
  }
  int32_t I32(int o) const { return static_cast<int32_t>(U32(o)); }
  double F64(int o) const;

 private:
  const uint8_t* in_;
};

// The same view with the fields changed in place.
class RecordEdit : public RecordView {
 public:
  explicit RecordEdit(std::span<uint8_t, kPointerRecordSize> image)
      : RecordView(image), out_(image.data()) {}

  void SetSize(uint32_t v) { PutU32At(kSizeOffset, v); }
  void SetOwnPosition(Position v) { PutI32At(kPositionOffset, v); }
  void SetUp(Position v) { PutI32At(kUpOffset, v); }
  void SetDown(Position v) { PutI32At(kDownOffset, v); }
  void SetLeft(Position v) { PutI32At(kLeftOffset, v); }
  void SetRight(Position v) { PutI32At(kRightOffset, v); }
  void SetInward(Position v) { PutI32At(kInwardOffset, v); }
  void SetOutward(Position v) { PutI32At(kOutwardOffset, v); }
  void SetInheritBlock(Position v) { PutI32At(kInheritBlockOffset, v); }
  void SetSourceRecord(Position v) { PutI32At(kSourceRecordOffset, v); }
  void SetDataBlock(Position v) { PutI32At(kDataBlockOffset, v); }
  void SetUpdateFrom(Position v) { PutI32At(kUpdateFromOffset, v); }
  void SetDataOffset(int32_t v) { PutI32At(kDataOffsetOffset, v); }
  void SetTemplatePos(Position v) { PutI32At(kTemplatePosOffset, v); }
  void SetOrigin(int32_t v) { PutI32At(kOriginOffset, v); }
  void SetKind(int32_t v) { PutI32At(kKindOffset, v); }
  void SetNameBlock(Position v) { PutI32At(kNameBlockOffset, v); }
  void SetCreated(double v) { PutF64At(kCreatedOffset, v); }
  void SetChanged(double v) { PutF64At(kChangedOffset, v); }
  void SetReplicated(double v) { PutF64At(kReplicatedOffset, v); }
  void SetReplication(int32_t v) { PutI32At(kReplicationOffset, v); }
  void SetLinkBlock(Position v) { PutI32At(kLinkBlockOffset, v); }
  void SetNoteBlock(Position v) { PutI32At(kNoteBlockOffset, v); }
  void SetPictureBlock(Position v) { PutI32At(kPictureBlockOffset, v); }
  void SetLink(RecordLink link, Position v) { PutI32At(LinkOffset(link), v); }

 private:
  void PutU32At(int o, uint32_t v) {
    out_[o] = uint8_t(v);
    out_[o + 1] = uint8_t(v >> 8);
    out_[o + 2] = uint8_t(v >> 16);
    out_[o + 3] = uint8_t(v >> 24);
  }
  void PutI32At(int o, int32_t v) { PutU32At(o, static_cast<uint32_t>(v)); }
  void PutF64At(int o, double v);

  uint8_t* out_;
};

// The size every block begins with (unsigned 32-bit); 0 when fewer than 4 bytes are given.
uint32_t BlockSizeOf(std::span<const uint8_t> block);
// The owner Position of a name or link-text block image (at least 8 bytes).
Position NameOwnerOf(std::span<const uint8_t> block);
void SetNameOwner(std::span<uint8_t> block, Position owner);

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
