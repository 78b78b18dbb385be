// The data editor's rules without a window: the grid of field names and value texts of
// one data record (DataEditor: LesData fills it, SkrivData writes it back), and the making
// of a new data record on a chosen template (NewDataRecord), whose question the window
// answers through a callback. SkrivData writes the whole payload in one read-modify-write
// inside the record's data block: bytes it has no text for are written back as they were.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/datapointer.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kDataFormCaption = "Data";
inline constexpr std::string_view kFieldNameHeading = "Feltnavn";
inline constexpr std::string_view kFieldValueHeading = "Verdi";

enum class DataSaveStatus {
  kWritten,        // every field was converted and the payload is in the file
  kNoTemplate,     // no template is loaded: nothing written
  kNotDataRecord,  // the record's kind is not a data kind: nothing written
  kNoDataBlock,    // the record has no data block in the file: nothing written
  kBlockTooShort,  // the data block is shorter than the template's fields: nothing written
  kConvertError,   // a TDATETIME text is not a date: the fields before it are written
  kWriteFailed,    // the file did not take the write (read-only database, write error)
};

struct DataSaveResult {
  DataSaveStatus status = DataSaveStatus::kWritten;
  std::string message;              // what the window shows when status is not kWritten
  size_t stoppedAtRow = 0;          // kConvertError: the grid row of the field
  std::vector<size_t> refusedRows;  // rows whose text the field could not take (bytes kept)

  bool Written() const { return status == DataSaveStatus::kWritten; }
  // Raises qn::ConvertError with the message when the status is kConvertError.
  void ThrowIfConvertError() const;
};

// Which rows SkrivData converts.
enum class SaveRows {
  kAll,     // every row, as "&Lagre" does
  kEdited,  // only rows changed through SetValue; the others keep their bytes untouched
};

class DataEditor {
 public:
  // Edits the record under the cursor. `db` must outlive the editor.
  explicit DataEditor(tDataImageArk& db);
  DataEditor(const DataEditor&) = delete;
  DataEditor& operator=(const DataEditor&) = delete;

  // EditData's loading: the template named by the record at the current record's
  // templatePos (that record itself taken first). 0, or -1 when it cannot be loaded.
  int32_t LoadTemplate();
  // Column 0 of rows 1.. := the names of the fields of DataType other than 0, in order.
  void FixDataTabell();
  // Fills the grid from the record (data refreshed from updateFrom first when automatic
  // update is on). Without a loaded template the grid keeps its headings only.
  void LesData();
  // Writes the value texts into the record's payload; the pointer record is not stored.
  DataSaveResult SkrivData(SaveRows rows = SaveRows::kAll);

  // The grid: row 0 holds the headings; after LesData 1 + the expanded row count rows.
  size_t RowCount() const { return rows_.size(); }
  const std::string& Name(size_t row) const { return rows_.at(row).name; }
  const std::string& Value(size_t row) const { return rows_.at(row).value; }
  // Edits a value cell; false for the heading row and rows past the end.
  bool SetValue(size_t row, std::string text);
  // Rows whose value can be typed in: those below the headings that name a field.
  bool IsValueRow(size_t row) const { return row > 0 && row < rows_.size() && !rows_[row].name.empty(); }
  // The row's field is a PASSWORD, which the window shows masked.
  bool IsPassword(size_t row) const { return row < rows_.size() && rows_[row].password; }
  // The keyboard's way between the value cells from `row`: Tab (kNext) and Shift+Tab
  // (kPrevious) go round from the last value row to the first and back, Enter (kBelow)
  // stops at the last. Nothing when there is no other value row to go to.
  enum class Hop { kNext, kPrevious, kBelow };
  std::optional<size_t> HopFrom(size_t row, Hop hop) const;
  // The first row whose field is named `name` (UTF-8), if any.
  std::optional<size_t> RowOf(std::string_view name) const;
  // The record being edited.
  Position Record() const { return record_; }

 private:
  struct Row {
    std::string name;
    std::string value;
    bool edited = false;
    bool password = false;
  };
  // Puts the cursor on the edited record.
  bool OnRecord();

  tDataImageArk& db_;
  Position record_;
  std::vector<Row> rows_;
};

// EditData: the data editor on the current record. `show` runs the dialog modally (its
// showing calls LesData, "&Lagre" SkrivData) and says whether it closed with "&Lagre".
bool EditData(tDataImageArk& db, const std::function<bool(DataEditor&)>& show);

// ---------------------------------------------------------------------------------------
// A new data record ("Ny data-post").

// What the dialog is shown with.
struct NewDataQuestion {
  std::vector<std::string> templates;  // the listing of "Definitions"
  bool merk = false;                   // "oppdater data fra merket post"
  tDirection direction = DirNull;      // the direction of the last use
};

// How the dialog closed (the window's NewDataChoice field for field).
struct NewDataAnswer {
  bool ok = false;
  std::string name;                // the selected entry
  tDirection direction = DirNull;  // the button used; DirNull: a double click, which keeps
                                   // the direction of the last use
  bool updateFromMarked = false;   // the check box, taken however the dialog closed
};

struct NewDataOutcome {
  enum class Status {
    kCancelled,          // nothing chosen; nothing made
    kCreated,            // the record was made and the editor shown on it
    kTemplateNotLoaded,  // the chosen template could not be loaded; nothing made
    kNotCreated,         // the record could not be made (read-only database, full file)
  };
  Status status = Status::kCancelled;
  std::string name;       // the chosen template's name; empty when cancelled
  Position record = -1;   // the new record
  tDirection direction = DirNull;  // the direction it was made in
  bool edited = false;    // the editor closed with "&Lagre"
};

// The new-data dialog's logic. One object lives for the whole run, so InnDirection and
// UpdateFromMarked keep their values from one use to the next.
class NewDataRecord {
 public:
  using Ask = std::function<NewDataAnswer(const NewDataQuestion&)>;
  // EditData on the new record, which is current when it is called.
  using Edit = std::function<bool(tDataImageArk&)>;

  // Asks for a template and a direction, makes the record next to the current one and
  // opens the editor on it. A double click before any button was used in the run (no
  // direction yet) makes the record below the current one.
  NewDataOutcome Run(tDataImageArk& db, const Ask& ask, const Edit& edit);

  tDirection InnDirection() const { return innDirection_; }
  bool UpdateFromMarked() const { return updateFromMarked_; }

 private:
  tDirection innDirection_ = DirNull;
  bool updateFromMarked_ = false;
};

// The payload a new data record of the loaded template gets: DataSize -
// InheritedDataLength bytes, but never less than the template's fields take.
int64_t NewDataPayloadLength(tDataImageArk& db);
// Makes a data record of the loaded template next to the current one (DirDown below,
// DirRight into its sub-list, DirLeft to its left) with a zero payload; its templatePos is
// the template record and its updateFrom `updateFrom` when that is > 0. The cursor ends
// on it. Its Position, or -1 when nothing was made (no template loaded, another
// direction, a read-only database, a payload the file cannot take).
Position CreateDataRecord(tDataImageArk& db, tDirection direction, Position updateFrom = 0);

}  // namespace qn
