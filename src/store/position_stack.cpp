// The position stack of the database object: slots 1 to 254 hold Positions, the top
// index says how many; slots 0 and 255 are never used.
#include "store/database.h"
#include "store/datapointer.h"

namespace qn {

PushedCursor::PushedCursor(tDataImageArk& db)
    : db_(db),
      position_(db.dp->CurrentPosition()),
      direction_(db.dp->LastDirection()),
      pushed_(db.PushPosition() >= 0) {}

PushedCursor::~PushedCursor() {
  if (pushed_) {
    db_.PopPosition();
  } else {
    db_.dp->Load(position_);
  }
  db_.dp->SetLastDirection(direction_);
}

namespace {
}

int32_t tDataImageArk::PushPosition() {
  if (!dp || stackTop_ >= kStackLimit) return -1;
  ++stackTop_;
  stack_[stackTop_] = dp->CurrentPosition();
  return stack_[stackTop_];
}

int32_t tDataImageArk::PopPosition() {
  if (!dp || stackTop_ == 0) return -1;
  dp->Load(stack_[stackTop_]);
  --stackTop_;
  return dp->CurrentPosition();
}

int32_t tDataImageArk::DropPosition() {
  if (!dp || stackTop_ == 0) return -1;
  --stackTop_;
  return dp->CurrentPosition();
}

int32_t tDataImageArk::RemovePositionAt(int index) {
  if (index < 1 || index > stackTop_) return -1;
  const Position removed = stack_[index];
  for (int i = index; i < stackTop_; ++i) stack_[i] = stack_[i + 1];
  stack_[stackTop_] = 0;
  --stackTop_;
  return removed;
}

}  // namespace qn
