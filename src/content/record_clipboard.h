// The record clipboard of the open database: which record's data was copied (its Position,
// data block, kind and template), and the pastes that share that data block (a data
// shadow) or copy its payload into a block of its own (a data copy). Also the block
// clipboard: images of the first and last record of a marked block, valid while the
// database's flag says so (Open clears it). The clipboard is empty while its data block
// is 0; a paste from an empty clipboard changes nothing.
#pragma once

#include <cstdint>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// Remembers the current record's data. Its `dataBlock`, or -1 (clipboard unchanged) when
// the record has no data block; a file link's or a register variable's `dataBlock` names
// no data block and is not copied.
int32_t CopyData(tDataImageArk& db);

// Makes the current record share the copied data block: its kind, data block and template
// become the clipboard's, origin 3, source record the copied record. The clipboard's data
// block, or that value (0 or less) with nothing changed when the clipboard is empty; -1
// on the file header record.
int32_t PasteDataShadow(tDataImageArk& db);

// Creates a record below the current one (it becomes current) with the clipboard's
// template and a new data block holding a copy of the copied payload, whatever its size:
// kind 2, origin 4. The result of the data write (0 = complete), or -1 with nothing
// created when the clipboard is empty or its data block is no longer readable.
int32_t PasteDataCopy(tDataImageArk& db);

// A new record below the current one, made a data shadow. With an empty clipboard no
// record is made and the clipboard's data block (0 or less) is returned.
int32_t NewDataShadow(tDataImageArk& db);

// ---- The block clipboard ----
struct BlockClipboardImages {
  RecordImage first{};
  RecordImage last{};
};

// Takes the images of the records at `first` and `last` and sets the database's flag.
// False (nothing changed) when either is not a record.
bool FillBlockClipboard(tDataImageArk& db, Position first, Position last);
// The images while the database's flag is set (and they were taken from it), else null.
const BlockClipboardImages* BlockClipboard(const tDataImageArk& db);

}  // namespace qn
