#include "store/format.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace qn {

uint32_t GetU32(std::span<const uint8_t> b, size_t o) {
  return uint32_t(b[o]) | uint32_t(b[o + 1]) << 8 | uint32_t(b[o + 2]) << 16 | uint32_t(b[o + 3]) << 24;
}
int32_t GetI32(std::span<const uint8_t> b, size_t o) { return static_cast<int32_t>(GetU32(b, o)); }
uint16_t GetU16(std::span<const uint8_t> b, size_t o) { return uint16_t(b[o] | b[o + 1] << 8); }
double GetF64(std::span<const uint8_t> b, size_t o) {
  uint64_t v = uint64_t(GetU32(b, o)) | uint64_t(GetU32(b, o + 4)) << 32;
  return std::bit_cast<double>(v);
}
void PutU32(std::span<uint8_t> b, size_t o, uint32_t v) {
  b[o] = uint8_t(v);
  b[o + 1] = uint8_t(v >> 8);
  b[o + 2] = uint8_t(v >> 16);
  b[o + 3] = uint8_t(v >> 24);
}
void PutI32(std::span<uint8_t> b, size_t o, int32_t v) { PutU32(b, o, static_cast<uint32_t>(v)); }
void PutU16(std::span<uint8_t> b, size_t o, uint16_t v) {
  b[o] = uint8_t(v);
  b[o + 1] = uint8_t(v >> 8);
}
void PutF64(std::span<uint8_t> b, size_t o, double v) {
  uint64_t u = std::bit_cast<uint64_t>(v);
  PutU32(b, o, uint32_t(u));
  PutU32(b, o + 4, uint32_t(u >> 32));
}

double RecordView::F64(int o) const {
  return GetF64(std::span<const uint8_t>(in_, kPointerRecordSize), size_t(o));
}

void RecordEdit::PutF64At(int o, double v) {
  PutF64(std::span<uint8_t>(out_, kPointerRecordSize), size_t(o), v);
}

uint32_t BlockSizeOf(std::span<const uint8_t> block) {
  return block.size() >= 4 ? GetU32(block, 0) : 0;
}

Position NameOwnerOf(std::span<const uint8_t> block) { return GetI32(block, kNameOwnerOffset); }

void SetNameOwner(std::span<uint8_t> block, Position owner) { PutI32(block, kNameOwnerOffset, owner); }

void StampSignature(std::span<uint8_t, kPointerRecordSize> image) {
  image[kSignatureOffset] = static_cast<uint8_t>(kSignature.size());
  std::memcpy(image.data() + kSignatureOffset + 1, kSignature.data(), kSignature.size());
}

bool HasPointerSignature(std::span<const uint8_t, kPointerRecordSize> image) {
  return GetU32(image, kSizeOffset) == kPointerRecordSize &&
         image[kSignatureOffset] == kSignature.size() &&
         std::memcmp(image.data() + kSignatureOffset + 1, kSignature.data(), kSignature.size()) == 0;
}

void EncodeFileHeader(std::span<uint8_t, kPointerRecordSize> out) {
  std::memset(out.data(), 0, out.size());
  PutU32(out, kSizeOffset, kPointerRecordSize);
  StampSignature(out);
}

void PointerRecord::Encode(std::span<uint8_t, kPointerRecordSize> out) const {
  std::memset(out.data(), 0, out.size());
  PutU32(out, kSizeOffset, size);
  PutI32(out, kPositionOffset, position);
  PutI32(out, kUpOffset, up);
  PutI32(out, kDownOffset, down);
  PutI32(out, kLeftOffset, left);
  PutI32(out, kRightOffset, right);
  PutI32(out, kInwardOffset, inward);
  PutI32(out, kOutwardOffset, outward);
  PutI32(out, kInheritBlockOffset, inheritBlock);
  PutI32(out, kSourceRecordOffset, sourceRecord);
  PutI32(out, kDataBlockOffset, dataBlock);
  PutI32(out, kUpdateFromOffset, updateFrom);
  PutI32(out, kDataOffsetOffset, dataOffset);
  PutI32(out, kTemplatePosOffset, templatePos);
  PutU32(out, kReserved56Offset, reserved56);
  PutI32(out, kOriginOffset, origin);
  PutI32(out, kKindOffset, kind);
  PutI32(out, kNameBlockOffset, nameBlock);
  PutF64(out, kCreatedOffset, created);
  PutF64(out, kChangedOffset, changed);
  PutF64(out, kReplicatedOffset, replicated);
  PutI32(out, kReplicationOffset, replication);
  PutI32(out, kLinkBlockOffset, linkBlock);
  size_t n = std::min<size_t>(signature.size(), kSignatureFieldSize - 1);
  out[kSignatureOffset] = static_cast<uint8_t>(n);
  std::memcpy(out.data() + kSignatureOffset + 1, signature.data(), n);
  PutI32(out, kNoteBlockOffset, noteBlock);
  PutI32(out, kPictureBlockOffset, pictureBlock);
}

PointerRecord PointerRecord::Decode(std::span<const uint8_t, kPointerRecordSize> in) {
  PointerRecord r;
  Decode(in, r);
  return r;
}

void PointerRecord::Decode(std::span<const uint8_t, kPointerRecordSize> in, PointerRecord& r) {
  r.size = GetU32(in, kSizeOffset);
  r.position = GetI32(in, kPositionOffset);
  r.up = GetI32(in, kUpOffset);
  r.down = GetI32(in, kDownOffset);
  r.left = GetI32(in, kLeftOffset);
  r.right = GetI32(in, kRightOffset);
  r.inward = GetI32(in, kInwardOffset);
  r.outward = GetI32(in, kOutwardOffset);
  r.inheritBlock = GetI32(in, kInheritBlockOffset);
  r.sourceRecord = GetI32(in, kSourceRecordOffset);
  r.dataBlock = GetI32(in, kDataBlockOffset);
  r.updateFrom = GetI32(in, kUpdateFromOffset);
  r.dataOffset = GetI32(in, kDataOffsetOffset);
  r.templatePos = GetI32(in, kTemplatePosOffset);
  r.reserved56 = GetU32(in, kReserved56Offset);
  r.origin = GetI32(in, kOriginOffset);
  r.kind = GetI32(in, kKindOffset);
  r.nameBlock = GetI32(in, kNameBlockOffset);
  r.created = GetF64(in, kCreatedOffset);
  r.changed = GetF64(in, kChangedOffset);
  r.replicated = GetF64(in, kReplicatedOffset);
  r.replication = GetI32(in, kReplicationOffset);
  r.linkBlock = GetI32(in, kLinkBlockOffset);
  size_t n = std::min<size_t>(in[kSignatureOffset], kSignatureFieldSize - 1);
  r.signature.assign(reinterpret_cast<const char*>(in.data()) + kSignatureOffset + 1, n);
  r.noteBlock = GetI32(in, kNoteBlockOffset);
  r.pictureBlock = GetI32(in, kPictureBlockOffset);
}

void NameBlock::Encode(std::span<uint8_t, kNameBlockSize> out) const {
  std::memset(out.data(), 0, out.size());
  PutU16(out, 0, static_cast<uint16_t>(size));
  PutU16(out, 2, 0);
  PutI32(out, kNameOwnerOffset, owner);
  size_t n = std::min<size_t>(text.size(), kNameMaxText);
  out[kNameLengthOffset] = static_cast<uint8_t>(n);
  std::memcpy(out.data() + kNameTextOffset, text.data(), n);
}

NameBlock NameBlock::Decode(std::span<const uint8_t> in) {
  NameBlock b;
  b.size = in.size() >= 4 ? GetU32(in, 0) : 0;
  b.owner = in.size() >= 8 ? GetI32(in, kNameOwnerOffset) : 0;
  if (in.size() > kNameLengthOffset) {
    size_t n = in[kNameLengthOffset];
    size_t avail = in.size() - kNameTextOffset;
    n = std::min(n, avail);
    b.text.assign(reinterpret_cast<const char*>(in.data()) + kNameTextOffset, n);
  }
  return b;
}

void DataHead::Encode(std::span<uint8_t, kDataHeadSize> out) const {
  PutU32(out, 0, size);
  PutU32(out, kDataNextOffset, next);
  PutU32(out, kDataPreviousOffset, previous);
  PutU32(out, kDataTagOffset, tag);
}

DataHead DataHead::Decode(std::span<const uint8_t, kDataHeadSize> in) {
  return DataHead{GetU32(in, 0), GetU32(in, kDataNextOffset), GetU32(in, kDataPreviousOffset),
                  GetU32(in, kDataTagOffset)};
}

std::string KindName(int32_t kind) {
  if (kind >= 1024 && kind <= 1600) return " -- SLETTET --";
  switch (kind) {
    case kKindEmpty: return ", tom peker";
    case kKindNamed: return ", header";
    case kKindData: return ", data";
    case kKindTemplate: return ", mal";
    case kKindTemplateTag: return ", tag til mal";
    case kKindDataWithTemplate: return ", data med mal";
    case kKindProgram: return ", program";
    case kKindIndex: return ", index";
    case kKindRegisterVariable: return ", registervariabel";
    case kKindNote: return ", notat";
    case kKindNamedNote: return ", notat med navn";
    default: return "";
  }
}

}  // namespace qn
