// Small helpers shared by the list, block and editing commands: the file header record,
// reading and patching a record without moving the cursor, and where a list hangs. Each
// checks every Position against the file before it reads; none of them moves the cursor.
#pragma once

#include <functional>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// The record's own Position, as its image holds it.
Position PositionOf(const RecordImage& image);

// A copy of the cursor's current record image.
RecordImage CurrentImage(const Datapointer& dp);


// True when a record that is not deleted lies at `p` (> 0).
bool IsLiveRecord(tDataImageArk& db, Position p);

// Reads the record at `p`, lets `change` alter the image, and stores it when the bytes
// changed. False when no record lies at `p`.
bool PatchRecord(tDataImageArk& db, Position p, const std::function<void(RecordImage&)>& change);

// Where the list that starts at `first` hangs: its parent (first.left), or the file header
// record when it is the top-level list.
struct ListHead {
  Position parent = 0;    // > 0 for a sub-list
  bool topLevel = false;  // the file header record's `down` is the first record
};
ListHead HeadOf(tDataImageArk& db, const RecordImage& first);

}  // namespace qn
