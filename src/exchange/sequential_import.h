// Sequential data files: flat binary files of fixed-length records without a header, each
// laid out like the data of one template (what a Pascal program writes as a typed file of
// that record). The import turns every record of such a file into a new data record of
// the template, below the current record and in file order, its bytes stored exactly as
// read. A file whose size is not a whole number of records, or a template of data size 0,
// imports nothing. A record is imported whole or not at all: an error reading the file
// ends the import with the records before it kept; an error writing the database is
// returned as such, and the caller abandons the change the import ran in, so nothing of
// it stays.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/output_file.h"
#include "env/block_file.h"
#include "store/format.h"

namespace qn {

class tDataImageArk;

// The texts of the import dialog.
inline constexpr std::string_view kImportCaption = "Importer Data";
inline constexpr std::string_view kImportProgressCaption = "Importerer objekt";
inline constexpr std::string_view kImportProgressText = "Leser fil .....";
inline constexpr std::string_view kImportErrorLine1 = "Feil i fil,";
inline constexpr std::string_view kImportErrorLine2 = "eller feil mal";
inline constexpr std::string_view kImportFileFilter =
    "Datafiler (*.D*)|*.D*|Alle filer (*.*)|*.*|Datafil (*.DTA)|*.DTA|Tekstfiler (*.TXT)|*.TXT";

// What the file check shows for a file size and a template.
struct SequentialFileCheck {
  int64_t records = 0;     // file size div data size (0 when the data size is 0)
  int32_t dataSize = 0;    // the template's DataSize
  int32_t fieldCount = 0;  // the template's own rows
  bool fits = false;       // the size is a whole number of records of a data size above 0
};
SequentialFileCheck CheckSequentialFile(int32_t dataSize, int32_t fieldCount, int64_t fileSize);

struct SequentialImportResult {
  enum class Status {
    kDone,        // every record of the file imported
    kDoesNotFit,  // nothing imported: the size is no whole number of records, or no template
    kReadError,   // the file could not be opened or read; `imported` records are kept
    kStopped,     // the user stopped it; `imported` records are kept
    kWriteError,  // the database could not take a record: the change must be abandoned
  };
  Status status = Status::kDone;
  int64_t imported = 0;
  int32_t error = 0;  // the error number of a read or write error
  std::string message;  // empty for kDone: else what the user is told
};

// Imports `fileName` by the loaded template below the current record, which ends on the
// last record imported. `progress` hears after every block of records read.
// REQUIRES: the database is open, writable, and in a change.
SequentialImportResult ImportSequentialFile(tDataImageArk& db, FileSystem& files,
                                            const std::string& fileName,
                                            const ExchangeProgress& progress = {});

// The state of the import dialog, without its widgets: the templates it offers, the file
// and template chosen, the three numbers and whether the red panel shows and the import
// button is enabled.
class ImportDataModel {
 public:
  // The templates as the template chooser offers them; the cursor comes back.
  ImportDataModel(tDataImageArk& db, FileSystem& files);

  const std::vector<std::string>& Templates() const { return templates_; }
  // Loads the template and checks the file again.
  void ChooseTemplate(const std::string& name);
  void SetFile(const std::string& fileName);
  const std::string& FileName() const { return fileName_; }

  const SequentialFileCheck& Check() const { return check_; }
  // The red panel "Feil i fil," / "eller feil mal": a file that cannot be opened, or whose
  // size does not fit the chosen template.
  bool ErrorShown() const { return errorShown_; }
  // "&Importer filen": a file and a template that fit.
  bool CanImport() const;

  // The import; kDoesNotFit when CanImport() is false.
  SequentialImportResult Import(const ExchangeProgress& progress = {});

 private:
  void Recheck();

  tDataImageArk& db_;
  FileSystem& files_;
  std::vector<std::string> templates_;
  std::string templateName_;
  bool templateLoaded_ = false;
  std::string fileName_;
  SequentialFileCheck check_;
  bool errorShown_ = false;
};

}  // namespace qn
