// The rules of the pointer properties dialog ("Peker-data") without a window: every field
// of the record under the cursor as the text of a named box, read by LesData and stored
// back by SkrivData, the buttons that step the cursor through the structure, and which
// buttons are enabled. SkrivData checks every changed box before anything is stored: a
// refused box leaves the record, in memory and in the file, exactly as it was.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kPointFormCaption = "Peker-data";
// Shown for a `replicated` time of 0.0.
inline constexpr std::string_view kNeverReplicated = "Aldri";
// The lines of the replication status box, by the record's `replication` value.
inline constexpr std::array<std::string_view, 3> kReplicationLines = {
    "Ingen replikering", "Begrenset replikering", "Replikeres alltid"};

// The dialog's pages, in order.
enum class PointPage { kNavn = 0, kPekere = 1, kData = 2, kReplikering = 3, kFil = 4 };

// The buttons whose enabling LesData decides.
inline constexpr std::array<std::string_view, 15> kPointButtons = {
    "KopierHeader", "LimInnheader", "PopKnapp",     "FirstKnapp",   "UpKnapp",
    "DownKnapp",    "LastKnapp",    "InKnapp",      "OutKnapp",     "LeftKnapp",
    "RightKnapp",   "HomeKnapp",    "SpeedButton3", "SpeedButton2", "VerdiKnapp"};

class PointProperties {
 public:
  // Shows and edits the record under `db`'s cursor. REQUIRES: `db` is open and outlives
  // this object.
  explicit PointProperties(tDataImageArk& db);
  PointProperties(const PointProperties&) = delete;
  PointProperties& operator=(const PointProperties&) = delete;

  // The page the dialog opens on: "&Navn" for a named line (kind 1), else "&Pekere".
  PointPage FirstPage() const;

  // Fills every box from the record under the cursor and sets the enabling.
  void LesData();
  // Stores the boxes into the record under the cursor, then LesData. Returns "" when
  // stored, else the message saying why nothing was stored: a box that is not a number
  // or a date and time (the conversion message), a changed "Denne", a pointer box that
  // names no pointer record, a block box that names no block inside the file.
  std::string SkrivData();

  // The text of a box by its component name ("eHeader", "forrige", "Opprettet"...); ""
  // for a name that is no box.
  const std::string& Box(std::string_view name) const;
  // Sets the text of an editable box; false for read-only boxes and unknown names.
  bool SetBox(std::string_view name, std::string text);
  // The selected line of "Status" on the replication page, -1 when the record's value
  // has no line (a value that is then stored unchanged).
  int ReplStatus() const { return replStatus_; }
  void SetReplStatus(int line);

  bool Enabled(std::string_view button) const;
  // The register variable's value box, its label and "Lagre verdi": only for kind 64.
  bool ValueShown() const { return valueShown_; }
  // The record the boxes were read from.
  Position Record() const { return record_; }

  // ---- Buttons; each rereads the boxes unless it says otherwise ----
  // "Lagre": SkrivData.
  std::string LagreClick() { return SkrivData(); }
  // "Lagre verdi": the value box becomes the register variable's value (by the record's
  // name, in "SystemRegister"). "" when stored, else why not.
  std::string VerdiKnappClick();
  // "Kopier posisjon": remembers the name block's Position while the database stays
  // open; no reread.
  void KopierHeaderClick();
  // "Lim inn posisjon": the name block box takes the remembered Position and the name
  // box that block's name, so the next store shares the block without renaming its
  // other records. No reread.
  void LimInnheaderClick();
  // Walks along one pointer; -1 (the boxes reread all the same) when the cursor did not
  // move.
  int32_t UpKnappClick();
  int32_t DownKnappClick();
  int32_t LeftKnappClick();
  int32_t RightKnappClick();
  int32_t InKnappClick();
  int32_t OutKnappClick();
  int32_t FirstKnappClick();
  int32_t LastKnappClick();
  // HomeKnapp and SpeedButton3: the file header record at Position 0.
  int32_t HomeKnappClick();
  // SpeedButton2: pushes the cursor's Position on the position stack; no reread. -1
  // when the stack is full.
  int32_t SpeedButton2Click();
  // PopKnapp: pops the position stack and shows the popped record.
  int32_t PopKnappClick();

 private:
  // SkrivData's steps, in order. The first two only read and check; a refusal from
  // either leaves the record untouched.
  struct BoxEdits;
  // The changed boxes parsed into `edits`; the conversion message of the first box that
  // is not a number or a date and time, else "".
  std::string ReadChangedBoxes(const RecordImage& image, BoxEdits& edits);
  // Why a changed Position cannot go into its field; "" when all can.
  std::string CheckChangedPositions(const BoxEdits& edits);
  // Writes `edits` over `image` and stores the record; the cursor rereads it.
  void StoreRecord(const BoxEdits& edits, RecordImage& image);
  // Writes the name when its box was changed.
  void StoreName();

  int32_t AfterMove(int32_t result);
  // Why `value` cannot go into the box `name`; "" when it can.
  std::string CheckPointer(std::string_view label, Position value);
  std::string CheckBlock(std::string_view label, Position value, uint32_t exactSize,
                         uint32_t minSize);
  // The file's size, or 0 when unknown.
  int64_t FileSize();
  // Reads `count` bytes at `position`; false when they are not all in the file.
  bool ReadAt(Position position, uint8_t* out, int32_t count);

  tDataImageArk& db_;
  std::map<std::string, std::string, std::less<>> boxes_;
  std::map<std::string, std::string, std::less<>> shown_;  // the texts LesData put there
  std::map<std::string, bool, std::less<>> enabled_;
  int replStatus_ = -1;
  int shownReplStatus_ = -1;
  bool valueShown_ = false;
  Position record_ = 0;
};

}  // namespace qn
