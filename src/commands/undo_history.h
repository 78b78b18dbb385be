// The window's undo history: every change it stores is one step, kept with its before-
// and after-image (store/journal.h) for as long as the window has the file open. Undo puts
// the last step's before-image back, redo its after-image, each as one journaled change,
// and only once the file holds exactly the other image; the steps go strictly last in,
// first out. A new change drops the steps that were undone. The history keeps at most
// kMaxSteps steps and kMaxBytes of images, the oldest dropped first; a single change
// larger than that is not kept at all: the history is cleared and a note says it cannot be
// undone, so the memory it holds stays bounded whatever one command writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

#include "store/format.h"
#include "store/journal.h"

namespace qn {

class tDataImageArk;

// The name of a step made outside any named command.
inline constexpr std::string_view kUnnamedStep = "Endring";

struct UndoStep {
  std::string name;        // "Slett «Beta»"
  Position startedOn = 0;  // the record current when the command that made it began
  ChangeImages images;
  size_t Bytes() const { return images.before.Bytes() + images.after.Bytes(); }
};

// What an undo or redo did: 0 and the step, or the error (kErrorImageMismatch: the file
// did not hold the step's image and the history was cleared; another code: the file could
// not be written and is as it was) with a message for the user.
struct UndoOutcome {
  int32_t error = 0;
  std::string name;
  Position startedOn = 0;
  std::string message;
};

class UndoHistory {
 public:
  static constexpr size_t kMaxSteps = 200;
  static constexpr size_t kMaxBytes = size_t(64) << 20;
  explicit UndoHistory(size_t maxSteps = kMaxSteps, size_t maxBytes = kMaxBytes)
      : maxSteps_(maxSteps), maxBytes_(maxBytes) {}

  // A command begins with the cursor on `startedOn`: the changes it stores are its steps.
  // Commands nest (a dialog lets another in): the outermost one names the steps.
  void BeginCommand(Position startedOn);
  // The command that began last has ended: at the outermost end its steps get `name`.
  void EndCommand(const std::string& name);
  // A change was stored: one step (the redo steps go).
  void Record(ChangeImages&& images);
  // Forgets every step (another file, or the same one opened again).
  void Clear();

  bool CanUndo() const { return !done_.empty(); }
  bool CanRedo() const { return !undone_.empty(); }
  // The names of the step undo and redo would take; empty when there is none.
  std::string UndoName() const { return done_.empty() ? std::string() : done_.back().name; }
  std::string RedoName() const { return undone_.empty() ? std::string() : undone_.back().name; }
  size_t Steps() const { return done_.size() + undone_.size(); }
  size_t Bytes() const { return bytes_; }

  UndoOutcome Undo(tDataImageArk& db);
  UndoOutcome Redo(tDataImageArk& db);
  // What the status bar is to say about the last change (one that could not be kept), once.
  std::string TakeNote();

 private:
  UndoOutcome Apply(tDataImageArk& db, bool undo);
  void DropOldest();

  size_t maxSteps_;
  size_t maxBytes_;
  std::deque<UndoStep> done_;    // oldest first
  std::deque<UndoStep> undone_;  // the next to redo last
  size_t bytes_ = 0;
  // The steps from this index on in done_ belong to the outermost command now running.
  int commandDepth_ = 0;
  size_t commandFrom_ = 0;
  Position commandStart_ = 0;
  std::string note_;
};

// A step's name from a command's caption: without "&", without a trailing "..." or "....",
// and without a key written into it after a run of blanks ("Flytt &ned    Alt+Pil ned");
// with the record's name in «» after it when there is one.
std::string StepName(std::string_view caption, std::string_view recordName);

}  // namespace qn
