// The template editor's rules without a window ("Data definisjon"): a grid of 10 columns
// and 512 rows of texts, row 0 the headings and column 0 the row numbers, of which rows 1
// to 254 are the working rows; the type entry rule each edit runs, the offsets pass, and
// the commands that open, save and reshape a template. The grid is the only state the
// window shows. Every save writes inside a change of the journal, so a stopped save leaves
// the template as it was; a save never changes the row count of a stored template.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/format.h"
#include "templates/template_format.h"

namespace qn {

class tDataImageArk;
struct tLoadedTemplate;

inline constexpr std::string_view kDefFormCaption = "Data definisjon";
inline constexpr std::string_view kNewDefinitionPrompt = "Ny datadefinisjon";
inline constexpr std::string_view kNewPointerPrompt = "Ny peker på valgt definisjon";
inline constexpr std::string_view kSaveQuestion = "Data er endret, vil du lagre ?";
inline constexpr std::string_view kNoMoreInFile = "** INGEN FLERE I FILEN **";
inline constexpr std::string_view kTemplateChooserCaption = "Maler";
inline constexpr std::string_view kReadOnlyDefinition =
    "Databasen er skrivebeskyttet; malen er ikke lagret.";

constexpr int kDefColumns = 10;
constexpr int kDefGridRows = 512;
constexpr int kDefWorkRows = 254;  // rows 1..254 are cleared, saved and shown as Pascal

enum DefColumn : int {
  kColNr = 0,
  kColNavn = 1,
  kColType = 2,
  kColLengd = 3,
  kColDec = 4,
  kColSkjult = 5,
  kColNodvendig = 6,
  kColVisLengde = 7,
  kColDataLengd = 8,
  kColDataType = 9,
};

// The headings of row 0, "nr" .. "Data type".
std::string_view DefHeading(int column);
// The hidden type list: one line per type code, "<description>   (<name>)".
std::vector<std::string> TypeListLines();

// What the editor asks and tells; the window answers through its dialogs, tests from a
// script.
class DefEditorHost {
 public:
  virtual ~DefEditorHost() = default;
  // The text input dialog; empty = cancel.
  virtual std::string Input(std::string_view prompt, std::string_view proposed) = 0;
  virtual bool YesNo(std::string_view question, bool defaultYes) = 0;
  virtual void Message(std::string_view text) = 0;
  // The template chooser ("Maler"); empty = cancel.
  virtual std::string ChooseTemplate(const std::vector<std::string>& names) = 0;
  // The display name of the database's current record.
  virtual std::string CurrentDisplayName() = 0;
};

// The nine texts of a row (columns 1 to 9), as "Kopier" keeps them.
using DefRowTexts = std::array<std::string, kDefColumns - 1>;

class DefEditor {
 public:
  // `db` and `host` must outlive the editor. `ny`: started by "&Mal" (NewTemplate), the
  // template is created by "&Lagre som ....". `rowClipboard`, when given, is the one the
  // owner's editors share ("Kopier" in one, "Lim inn" in the next); without it the editor
  // keeps its own.
  DefEditor(tDataImageArk& db, DefEditorHost& host, bool ny, DefRowTexts* rowClipboard = nullptr);
  DefEditor(const DefEditor&) = delete;
  DefEditor& operator=(const DefEditor&) = delete;

  // ---- The grid ----
  const std::string& Cell(int column, int row) const;
  // Sets a cell without running any rule (the window's own refills use it).
  void SetCell(int column, int row, std::string text);
  // An edit of a cell: sets it, then runs the type entry rule for that column.
  void EditCell(int column, int row, std::string text);
  // The type entry rule for an edit of `column` in `row` (see def_editor.cpp).
  void TypeEntryRule(int column, int row);
  // "Sett offset i kolonne 1": "nr" of the named rows from row 1 on reads "i (offset)", the
  // first unnamed row gets the total; MaxOffset := the total, counted in 16 bits.
  void SetOffsets();
  // "&Slett alle data": rows 1..254 lose columns 1..9 and get back their plain number.
  void ClearAll();
  // A double click on a cell: "Navn" of a row whose "Data type" is "0" asks for a parent
  // template; "Skjult"/"Nødvendig" flip between "Ja" and "Nei". True when the window
  // should show the type list instead ("Type").
  bool DoubleClick(int column, int row);
  // A click on line `line` of the type list: its type name into "Type", then the rule.
  void PickType(int row, int line);

  // ---- The name box ----
  const std::string& NameBox() const { return nameBox_; }
  void SetNameBox(std::string name) { nameBox_ = std::move(name); }
  // Template scan: the sorted names of the templates below "Definitions".
  const std::vector<std::string>& Names() const { return names_; }
  void ScanTemplates();
  // The pointer check: the name box shows the current record's name until a template has
  // been opened or saved in this editor; "Ny peker på valgt definisjon" follows
  // TemplateLoaded.
  void PointerCheck();
  // Choosing `name` in the box: opens it, and the box keeps the chosen name.
  bool Choose(std::string name);

  // ---- Commands ----
  // "Å&pne valgt definisjon": the template named in the box into the grid. False (grid
  // empty) when there is no such template.
  bool Open();
  // "&Lagre": the grid into the template named in the box; "&Lagre som ...." when the
  // editor is new. True when something was stored.
  bool Save();
  // "&Lagre som ....": asks "Ny datadefinisjon" and creates a template of the named rows.
  bool SaveAs();
  // "Kontroller datalengd på arv": "Lengd" of row 1 := the inherited rows' bytes.
  void CheckInheritedLength();
  // "Lim inn original": row `row` from the stored template.
  void PasteOriginal(int row);
  // "Bytt med linje under".
  void SwapWithNext(int row);
  // "Ny RECORD av OBJECT": the loaded template flattened into the grid.
  void RecordOfObject();
  // "Ny peker på valgt definisjon": a second name for the loaded template, below the
  // current record. True when it was made.
  bool NewPointer();
  // "Kopier", "Klipp ut", "Lim inn" on the row clipboard (one for the program).
  void CopyRow(int row);
  void CutRow(int row);
  void PasteRow(int row);
  // Closing: when the grid is not saved, asks "Data er endret, vil du lagre ?" (yes by
  // default) and saves on yes.
  void Close();

  // ---- State ----
  bool Ny() const { return ny_; }
  bool Lagret() const { return lagret_; }
  int16_t AntallDef() const { return antallDef_; }
  uint16_t MaxOffset() const { return maxOffset_; }
  bool CopyPerformed() const { return copyPerformed_; }
  // "&Lagre" and "Å&pne valgt definisjon" are enabled (an existing template is edited).
  bool CanSave() const { return !ny_; }
  // "Ny peker på valgt definisjon" is enabled.
  bool CanMakePointer() const { return pointerEnabled_; }
  // Counted by the last save: rows it could not store, and data records that use the
  // template.
  size_t DroppedRows() const { return droppedRows_; }

  // The template this editor opened or saved, loaded again when something else was
  // loaded meanwhile; nullptr when the editor has none.
  const tLoadedTemplate* Loaded();

  // The row as a template row (the name cut to 51 characters; a cell that is not a number
  // counts as 0).
  TemplateField RowField(int row) const;
  // Fills a row from a template row, as Open does.
  void FillRow(int row, const TemplateField& field);

 private:
  std::string& At(int column, int row);
  // Remembers the template just loaded by the name box's name as the grid's.
  void Opened();
  // On a read-only database: says so and gives true.
  bool RefusedReadOnly();
  // A cell's number, 0 when not a number.
  int64_t Number(int column, int row) const;
  // The rows whose numbers do not fit a template row: a message naming them, else empty.
  std::string CheckNumbers(int lastRow) const;

  tDataImageArk& db_;
  DefEditorHost& host_;
  bool ny_;
  bool lagret_ = true;
  int16_t antallDef_ = 0;
  uint16_t maxOffset_ = 0;
  bool copyPerformed_ = false;
  bool chosen_ = false;  // a template was opened or saved: the name box keeps its name
  bool pointerEnabled_ = false;
  size_t droppedRows_ = 0;
  Position openedRecord_ = 0;  // the grid's template record; 0 when none
  std::string openedName_;     // the name it was loaded by
  std::string nameBox_;
  std::vector<std::string> names_;
  std::vector<std::array<std::string, kDefColumns>> grid_;
  DefRowTexts ownRowClipboard_;
  DefRowTexts& rowClipboard_;
};

// The data records that a template record's layout reads: records with data whose
// templatePos is that record or another template record sharing its data block. One walk.
int64_t CountRecordsUsingTemplate(tDataImageArk& db, Position templateRecord);

// A template of this name can already be found (a second one would never be found by
// its name).
bool TemplateNameTaken(tDataImageArk& db, std::string_view name);

}  // namespace qn
