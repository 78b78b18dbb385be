#include "commands/undo_history.h"

#include <utility>

#include "env/number_text.h"
#include "store/database.h"

namespace qn {

void UndoHistory::BeginCommand(Position startedOn) {
  if (commandDepth_++ > 0) return;
  commandFrom_ = done_.size();
  commandStart_ = startedOn;
}

void UndoHistory::EndCommand(const std::string& name) {
  if (commandDepth_ == 0 || --commandDepth_ > 0) return;
  for (size_t i = commandFrom_; i < done_.size(); ++i) done_[i].name = name;
}

void UndoHistory::Record(ChangeImages&& images) {
  for (const UndoStep& step : undone_) bytes_ -= step.Bytes();
  undone_.clear();
  UndoStep step;
  step.name = std::string(kUnnamedStep);
  step.startedOn = commandDepth_ > 0 ? commandStart_ : 0;
  step.images = std::move(images);
  if (step.Bytes() > maxBytes_) {
    // Keeping it would hold more than the whole bound: it cannot be undone, and the steps
    // before it can no longer be reached past it.
    Clear();
    note_ = "Endringen kan ikke angres: den er større enn angrehistorien kan holde (" +
            GroupedNumber(int64_t((maxBytes_ + (1 << 20) - 1) >> 20)) + " MiB).";
    return;
  }
  bytes_ += step.Bytes();
  done_.push_back(std::move(step));
  while (done_.size() > maxSteps_ || bytes_ > maxBytes_) DropOldest();
}

void UndoHistory::DropOldest() {
  bytes_ -= done_.front().Bytes();
  done_.pop_front();
  if (commandFrom_ > 0) --commandFrom_;
}

void UndoHistory::Clear() {
  done_.clear();
  undone_.clear();
  bytes_ = 0;
  commandFrom_ = 0;
}

std::string UndoHistory::TakeNote() { return std::exchange(note_, std::string()); }

UndoOutcome UndoHistory::Undo(tDataImageArk& db) { return Apply(db, true); }
UndoOutcome UndoHistory::Redo(tDataImageArk& db) { return Apply(db, false); }

UndoOutcome UndoHistory::Apply(tDataImageArk& db, bool undo) {
  std::deque<UndoStep>& from = undo ? done_ : undone_;
  std::deque<UndoStep>& to = undo ? undone_ : done_;
  UndoOutcome out;
  if (from.empty()) return out;
  UndoStep& step = from.back();
  out.name = step.name;
  out.startedOn = step.startedOn;
  const FileImage& expected = undo ? step.images.after : step.images.before;
  const FileImage& target = undo ? step.images.before : step.images.after;
  out.error = db.ApplyImage(expected, target);
  if (out.error == kErrorImageMismatch) {
    Clear();
    out.message = std::string(undo ? "Kan ikke angre " : "Kan ikke gjøre om ") + out.name +
                  ": databasen er ikke slik endringen forlot den. Ingenting er endret, og "
                  "angrehistorien er tømt.";
    return out;
  }
  if (out.error != 0) {
    out.message = std::string(undo ? "Kan ikke angre " : "Kan ikke gjøre om ") + out.name +
                  ": " + ErrorText(out.error) + " (" + std::to_string(out.error) + "). Filen er som den var.";
    return out;
  }
  to.push_back(std::move(step));
  from.pop_back();
  return out;
}

std::string StepName(std::string_view caption, std::string_view recordName) {
  std::string name;
  for (char c : caption) {
    if (c != '&') name += c;
  }
  if (const size_t keys = name.find("  "); keys != std::string::npos) name.erase(keys);
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  if (!recordName.empty()) name += " «" + std::string(recordName) + "»";
  return name;
}

}  // namespace qn
