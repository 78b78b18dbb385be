#include "store/record_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "env/text_codec.h"
#include "store/database.h"
#include "store/tree_walk.h"

namespace qn {

RecordReader::RecordReader(tDataImageArk& db) : db_(db) {}

// The file's size is the one the cursor knows: its walks and the reader's share that one
// look at the file, which only grows while the database is open.
int64_t RecordReader::RecordBound() { return db_.dp->RecordBound(); }

bool RecordReader::InFile(int64_t position, int64_t count) { return db_.dp->InFile(position, count); }

int64_t RecordReader::Fit(int64_t position, int64_t count) { return db_.dp->Fit(position, count); }

bool RecordReader::ReadBytes(int64_t position, std::span<uint8_t> out) {
  if (out.empty()) return true;
  if (!InFile(position, int64_t(out.size()))) return false;
  return db_.PeekBlock(position, out.data(), int32_t(out.size())) == 0;
}

bool RecordReader::Image(Position position, RecordImage& out) {
  RecordImage image;
  if (position < 0 || !ReadBytes(position, image)) return false;
  if (!RecordView(image).IsRecordAt(position)) return false;
  out = image;
  return true;
}

const uint8_t* RecordReader::RecordBytes(Position position, RecordImage& room) {
  if (position >= 0 && InFile(position, kPointerRecordSize)) {
    if (const uint8_t* view = db_.View(position, kPointerRecordSize)) {
      const bool here = RecordView(std::span<const uint8_t, kPointerRecordSize>(view, kPointerRecordSize))
                            .IsRecordAt(position);
      if (db_.ViewIntact()) return here ? view : nullptr;
    }
  }
  return Image(position, room) ? room.data() : nullptr;
}

std::optional<std::span<const uint8_t>> RecordReader::WholeFile() {
  const int64_t size = db_.FileSizeOf();
  const uint8_t* bytes = size > 0 ? db_.View(0, size) : nullptr;
  if (bytes == nullptr) return std::nullopt;
  return std::span<const uint8_t>(bytes, size_t(size));
}

std::optional<PointerRecord> RecordReader::Record(Position position) {
  RecordImage image;
  if (!Image(position, image)) return std::nullopt;
  return PointerRecord::Decode(image);
}

bool RecordReader::Read(Position position, PointerRecord& out) {
  // Decoded where it lies in the file's map when it can be, without a copy of its bytes.
  if (position > 0 && InFile(position, kPointerRecordSize)) {
    if (const uint8_t* view = db_.View(position, kPointerRecordSize)) {
      const std::span<const uint8_t, kPointerRecordSize> bytes(view, kPointerRecordSize);
      const bool record = RecordView(bytes).IsRecordAt(position);
      if (record) PointerRecord::Decode(bytes, out);
      if (db_.ViewIntact()) return record;
    }
  }
  RecordImage image;
  if (!Image(position, image)) return false;
  PointerRecord::Decode(image, out);
  return true;
}

bool RecordReader::IsRecordAt(Position position) {
  RecordImage image;
  return position > 0 && Image(position, image);
}

Position RecordReader::TopLevelFirst() {
  RecordImage header;
  if (!ReadBytes(0, header)) return 0;
  return RecordView(header).Down();
}

// ---- Names ----

std::string RecordReader::TextBlock(Position block, bool sizeFirst) {
  std::array<uint8_t, kNameBlockSize> image{};
  int64_t count = Fit(block, kNameBlockSize);
  if (block <= 0 || count < 4) return {};
  if (sizeFirst) {
    std::array<uint8_t, 4> size;
    if (!ReadBytes(block, size)) return {};
    count = std::min<int64_t>(count, BlockSizeOf(size));
    if (count <= 0) return {};
  }
  db_.PeekBlock(block, image.data(), int32_t(count));
  return Cp1252ToUtf8(NameBlock::Decode(std::span<const uint8_t>(image.data(), size_t(count))).text);
}

std::string RecordReader::Name(const PointerRecord& record) {
  return record.nameBlock == 0 ? std::string() : TextBlock(record.nameBlock, true);
}

std::string RecordReader::LinkText(const PointerRecord& record) {
  return record.linkBlock == 0 ? std::string() : TextBlock(record.linkBlock, false);
}

std::string RecordReader::NameBytes(Position block) {
  std::array<uint8_t, kNameBlockSize> image{};
  const int64_t count = Fit(block, kNameBlockSize);
  if (block <= 0 || count < 4) return std::string();
  db_.PeekBlock(block, image.data(), int32_t(count));
  const int64_t size = std::min<int64_t>(BlockSizeOf(image), count);
  size_t length = size > kNameLengthOffset ? image[kNameLengthOffset] : 0;
  length = std::min<size_t>(length, size > kNameTextOffset ? size_t(size - kNameTextOffset) : 0);
  return std::string(reinterpret_cast<const char*>(image.data()) + kNameTextOffset, length);
}

void RecordReader::ReadNameBytes(Position block, std::string& out) {
  out.clear();
  const int64_t count = Fit(block, kNameBlockSize);
  if (block <= 0 || count < 4) return;
  if (const uint8_t* view = db_.View(block, int32_t(count))) {
    const int64_t size = std::min<int64_t>(GetU32(std::span(view, 4), 0), count);
    size_t length = size > kNameLengthOffset ? view[kNameLengthOffset] : 0;
    length = std::min<size_t>(length, size > kNameTextOffset ? size_t(size - kNameTextOffset) : 0);
    out.assign(reinterpret_cast<const char*>(view) + kNameTextOffset, length);
    if (db_.ViewIntact()) return;
  }
  out = NameBytes(block);
}

bool RecordReader::NameIs(Position block, std::string_view name) {
  // The head first: most names differ in length, and their text need not be read.
  const int64_t count = Fit(block, kNameBlockSize);
  if (block <= 0 || count < 4) return name.empty();
  if (const uint8_t* view = db_.View(block, int32_t(count))) {
    // Read where it lies: only the head, and the text when the lengths agree.
    const int64_t size = std::min<int64_t>(GetU32(std::span(view, 4), 0), count);
    size_t length = size > kNameLengthOffset ? view[kNameLengthOffset] : 0;
    length = std::min<size_t>(length, size > kNameTextOffset ? size_t(size - kNameTextOffset) : 0);
    const bool same =
        length == name.size() && (length == 0 || std::memcmp(view + kNameTextOffset, name.data(), length) == 0);
    if (db_.ViewIntact()) return same;
  }
  std::array<uint8_t, kNameTextOffset> head{};
  db_.PeekBlock(block, head.data(), int32_t(std::min<int64_t>(count, kNameTextOffset)));
  // The block's own size, its first four bytes: only the head is read, not a whole block.
  const int64_t size = std::min<int64_t>(GetU32(head, 0), count);
  size_t length = size > kNameLengthOffset ? head[kNameLengthOffset] : 0;
  length = std::min<size_t>(length, size > kNameTextOffset ? size_t(size - kNameTextOffset) : 0);
  if (length != name.size()) return false;
  if (length == 0) return true;
  std::array<uint8_t, kNameBlockSize - kNameTextOffset> text;
  db_.PeekBlock(block + kNameTextOffset, text.data(), int32_t(length));
  return std::memcmp(text.data(), name.data(), length) == 0;
}

// ---- Data ----

std::optional<DataHead> RecordReader::DataHeadAt(Position block) {
  std::array<uint8_t, kDataHeadSize> bytes;
  if (block <= 0 || !ReadBytes(block, bytes)) return std::nullopt;
  return DataHead::Decode(bytes);
}

bool RecordReader::AppendPayload(Position block, int64_t limit, std::vector<uint8_t>& out) {
  // The head and the payload's first bytes (most payloads are shorter than that) at once:
  // where they lie in the file's map when they can be, else in one read; the rest of a
  // longer payload in a second read.
  constexpr int64_t kFirstRead = 512;
  if (block <= 0) return false;
  const int64_t first = Fit(block, kDataHeadSize + std::clamp<int64_t>(limit, 0, kFirstRead));
  if (first < kDataHeadSize) return false;
  const size_t at = out.size();
  const auto take = [&](const uint8_t* bytes) {
    const int64_t n = PayloadCut(block, bytes, limit, first - kDataHeadSize);
    const int64_t have = std::min<int64_t>(n, first - kDataHeadSize);
    out.insert(out.end(), bytes + kDataHeadSize, bytes + kDataHeadSize + have);
    return n;
  };
  int64_t n = -1;
  if (const uint8_t* view = db_.View(block, first)) {
    n = take(view);
    if (!db_.ViewIntact()) {
      out.resize(at);
      n = -1;
    }
  }
  if (n < 0) {
    std::array<uint8_t, kDataHeadSize + kFirstRead> chunk{};
    if (first + db_.PeekBlock(block, chunk.data(), int32_t(first)) < kDataHeadSize) return false;
    n = take(chunk.data());
  }
  const int64_t have = int64_t(out.size() - at);
  if (n > have) {
    out.resize(at + size_t(n));
    db_.PeekBlock(int64_t(block) + kDataHeadSize + have, out.data() + at + size_t(have), int32_t(n - have));
  }
  return true;
}

std::optional<std::vector<uint8_t>> RecordReader::OwnPayload(const PointerRecord& record, int64_t limit) {
  if (!DataHeadAt(record.dataBlock)) return std::nullopt;
  std::vector<uint8_t> payload;
  AppendPayload(record.dataBlock, limit, payload);
  return payload;
}

Position RecordReader::InheritedBlock(const PointerRecord& record) {
  const Position ib = record.inheritBlock;
  if (ib <= 0) return 0;
  RecordImage image;
  if (Image(ib, image) && HasPointerSignature(image)) {
    const Position block = RecordView(image).DataBlock();
    return block > 0 && block != ib && InFile(block, kDataHeadSize) ? block : 0;
  }
  return InFile(ib, kDataHeadSize) ? ib : 0;
}

std::optional<std::vector<uint8_t>> RecordReader::Data(const PointerRecord& record, int64_t limit) {
  if (!DataHeadAt(record.dataBlock)) return std::nullopt;
  std::vector<uint8_t> data;
  if (const Position ib = InheritedBlock(record); ib > 0) AppendPayload(ib, limit, data);
  const size_t first = data.size();
  AppendPayload(record.dataBlock, limit - int64_t(first), data);
  UpdateFromSource(record, first, data);
  return data;
}

bool RecordReader::ShownPayload(const PointerRecord& record, int64_t limit, std::vector<uint8_t>& out) {
  out.clear();
  if (!AppendPayload(record.dataBlock, limit, out)) return false;
  UpdateFromSource(record, 0, out);
  return true;
}

std::optional<std::span<const uint8_t>> RecordReader::OwnPayloadView(const PointerRecord& record, int64_t limit) {
  const Position block = record.dataBlock;
  if ((db_.autoUpdate && record.updateFrom > 0) || block <= 0 || limit <= 0) return std::nullopt;
  const int64_t first = Fit(block, kDataHeadSize + limit);
  if (first < kDataHeadSize) return std::nullopt;
  const uint8_t* view = db_.View(block, first);
  if (view == nullptr) return std::nullopt;
  // All of it lies in the view: the limit and the file's end are what cut the view.
  return std::span<const uint8_t>(view + kDataHeadSize, size_t(PayloadCut(block, view, limit, first - kDataHeadSize)));
}

int64_t RecordReader::PayloadCut(Position block, const uint8_t* head, int64_t limit, int64_t known) {
  const int64_t payload =
      int64_t(DataHead::Decode(std::span<const uint8_t, kDataHeadSize>(head, kDataHeadSize)).size) - kDataHeadSize;
  if (payload <= 0 || limit <= 0) return 0;
  // A payload inside the bytes known to be in the file needs no look at the file's end.
  return std::min(payload <= known ? payload : Fit(int64_t(block) + kDataHeadSize, payload), limit);
}

void RecordReader::UpdateFromSource(const PointerRecord& record, size_t first, std::vector<uint8_t>& data) {
  if (!db_.autoUpdate || record.updateFrom <= 0) return;  // before a record is made to read into
  std::optional<PointerRecord> source;
  if ((source = Record(record.updateFrom)) && source->dataBlock != record.dataBlock && DataHeadAt(source->dataBlock)) {
    std::vector<uint8_t> fresh;
    AppendPayload(source->dataBlock, int64_t(data.size() - first), fresh);
    std::copy(fresh.begin(), fresh.end(), data.begin() + std::ptrdiff_t(first));
  }
}

// ---- Walks ----

int64_t RecordReader::WalkDown(Position first, const std::function<bool(const PointerRecord&)>& visit) {
  PointerRecord record;
  if (!Read(first, record)) return 0;
  int64_t visited = 1;
  if (!visit(record)) return visited;
  for (int64_t steps = RecordBound(); steps > 0 && record.down > 0; --steps) {
    if (!Read(record.down, record)) break;
    ++visited;
    if (!visit(record)) break;
  }
  return visited;
}

PointerRecord RecordReader::FirstOfList(PointerRecord from) {
  for (int64_t steps = RecordBound(); from.up > 0 && from.up != from.position && steps > 0; --steps) {
    if (!Read(from.up, from)) break;
  }
  return from;
}

Position RecordReader::FindNamed(Position first, std::string_view name) {
  Position found = 0;
  // Straight over the file's map when it has one: each record's links and its name's
  // length read where they lie, the text only when the lengths agree.
  if (const std::optional<std::span<const uint8_t>> file = WholeFile()) {
    const int64_t size = int64_t(file->size());
    const uint8_t* bytes = file->data();
    const bool walked = WalkView(*this, *file, first, [&](Position p, std::span<const uint8_t, kPointerRecordSize> record, int) {
      const Position block = RecordView(record).NameBlock();
      bool match;
      if (block <= 0 || block > size - 4) {
        match = name.empty();
      } else {
        const uint8_t* head = bytes + block;
        const int64_t count = std::min<int64_t>(kNameBlockSize, size - block);
        const int64_t own = std::min<int64_t>(int64_t(head[0]) | int64_t(head[1]) << 8 | int64_t(head[2]) << 16 |
                                                  int64_t(head[3]) << 24,
                                              count);
        size_t length = own > kNameLengthOffset ? head[kNameLengthOffset] : 0;
        length = std::min<size_t>(length, own > kNameTextOffset ? size_t(own - kNameTextOffset) : 0);
        match = length == name.size() &&
                (length == 0 || std::memcmp(head + kNameTextOffset, name.data(), length) == 0);
      }
      if (match) found = p;
      return !match;
    });
    if (walked) return found;
    found = 0;  // the file was cut short under the walk: read it again
  }
  WalkFrom(*this, first, [&](Position p, std::span<const uint8_t, kPointerRecordSize> record, int) {
    const Position block = RecordView(record).NameBlock();
    const bool match = block == 0 ? name.empty() : NameIs(block, name);
    if (match) found = p;
    return !match;
  });
  return found;
}

}  // namespace qn
