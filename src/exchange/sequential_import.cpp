// The file check, the import loop and the import dialog's state.
#include "exchange/sequential_import.h"

#include <algorithm>
#include <memory>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/error_text.h"
#include "store/record_blocks.h"
#include "templates/template_store.h"

namespace qn {

namespace {

// The file is read in blocks of whole records of about this many bytes.
constexpr int64_t kReadBlockBytes = 1 << 20;

std::string Counted(int64_t records) {
  return std::to_string(records) + (records == 1 ? " post er importert." : " poster er importert.");
}

SequentialImportResult ReadFailed(const std::string& fileName, int32_t code, int64_t imported) {
  SequentialImportResult result;
  result.status = SequentialImportResult::Status::kReadError;
  result.error = code;
  result.imported = imported;
  result.message = "Feil ved lesing av " + fileName + ": " + ReasonAndNumber(code) + ". " + Counted(imported);
  return result;
}

}  // namespace

SequentialFileCheck CheckSequentialFile(int32_t dataSize, int32_t fieldCount, int64_t fileSize) {
  SequentialFileCheck check;
  check.dataSize = dataSize;
  check.fieldCount = fieldCount;
  if (dataSize > 0 && fileSize >= 0) {
    check.records = fileSize / dataSize;
    check.fits = fileSize % dataSize == 0;
  }
  return check;
}

SequentialImportResult ImportSequentialFile(tDataImageArk& db, FileSystem& files,
                                            const std::string& fileName,
                                            const ExchangeProgress& progress) {
  using Status = SequentialImportResult::Status;
  Datapointer& dp = *db.dp;
  SequentialImportResult result;
  const tLoadedTemplate& t = LoadedTemplate(db);
  const int32_t dataSize = t.TemplateLoaded ? t.Header.DataSize : 0;
  const Position templatePos = t.TemplateRecordPos;

  std::unique_ptr<BlockFile> file;
  if (int r = files.Open(fileName, true, &file); r != 0 || !file) return ReadFailed(fileName, r != 0 ? r : 2, 0);
  const int64_t size = file->Size();
  if (size < 0) return ReadFailed(fileName, kErrorReadFault, 0);
  const SequentialFileCheck check = CheckSequentialFile(dataSize, t.Header.FieldCount, size);
  if (!check.fits || templatePos <= 0) {
    result.status = Status::kDoesNotFit;
    result.message = dataSize <= 0
                         ? "Malen har datalengde 0; ingenting er importert."
                         : "Filen er " + std::to_string(size) + " byte, ikke et helt antall poster på " +
                               std::to_string(dataSize) + " byte; ingenting er importert.";
    return result;
  }

  const int64_t perBlock = std::max<int64_t>(1, kReadBlockBytes / dataSize);
  std::vector<uint8_t> buffer(size_t(std::min(perBlock, check.records) * dataSize));
  const int32_t writeErrorBefore = db.FirstWriteError();
  for (int64_t done = 0; done < check.records;) {
    const int64_t count = std::min(perBlock, check.records - done);
    const size_t wanted = size_t(count * dataSize);
    size_t moved = 0;
    int r = file->Seek(done * dataSize);
    if (r == 0) r = file->Read(buffer.data(), wanted, &moved);
    // A file that shrank under the import gives fewer bytes: what it gave whole is taken.
    const int64_t whole = int64_t(moved) / dataSize;
    for (int64_t k = 0; k < whole; ++k) {
      dp.SetLastDirection(DirDown);
      const std::span<const uint8_t> bytes(buffer.data() + k * dataSize, size_t(dataSize));
      bool stored = dp.NewInDirection() == 0;
      if (stored) {
        dp.SetTemplatePos(templatePos);
        stored = AddData(db, bytes) == 0;
      }
      if (!stored || db.FirstWriteError() != writeErrorBefore) {
        result.status = Status::kWriteError;
        result.error = db.FirstWriteError() != 0 ? db.FirstWriteError() : kErrorWriteFault;
        result.imported = 0;
        result.message = "Databasen kunne ikke skrives: " + ReasonAndNumber(result.error) +
                         ". Ingenting er importert.";
        return result;
      }
      ++result.imported;
    }
    done += whole;
    if (r != 0 || moved < wanted) return ReadFailed(fileName, r != 0 ? r : kErrorReadFault, result.imported);
    if (progress && !progress(done, check.records)) {
      result.status = done < check.records ? Status::kStopped : Status::kDone;
      if (done < check.records) result.message = "Importen ble stoppet. " + Counted(result.imported);
      return result;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------------------
// The dialog's state

ImportDataModel::ImportDataModel(tDataImageArk& db, FileSystem& files)
    : db_(db), files_(files), templates_(ListTemplateNames(db)) {}

void ImportDataModel::ChooseTemplate(const std::string& name) {
  templateName_ = name;
  templateLoaded_ = LoadTemplate(db_, name) == 0;
  Recheck();
}

void ImportDataModel::SetFile(const std::string& fileName) {
  fileName_ = fileName;
  Recheck();
}

void ImportDataModel::Recheck() {
  const tLoadedTemplate& t = LoadedTemplate(db_);
  const int32_t dataSize = templateLoaded_ ? t.Header.DataSize : 0;
  const int32_t fieldCount = templateLoaded_ ? t.Header.FieldCount : 0;
  int64_t size = -1;
  std::unique_ptr<BlockFile> file;
  if (!fileName_.empty() && files_.Open(fileName_, true, &file) == 0 && file) {
    size = file->Size();
    file->Close();
  }
  check_ = CheckSequentialFile(dataSize, fieldCount, size);
  // Without a template there is nothing to check the file against yet.
  errorShown_ = templateLoaded_ && !fileName_.empty() && !check_.fits;
}

bool ImportDataModel::CanImport() const { return templateLoaded_ && !fileName_.empty() && check_.fits; }

SequentialImportResult ImportDataModel::Import(const ExchangeProgress& progress) {
  // The template is loaded again: the view may have loaded others since it was chosen.
  if (!CanImport() || LoadTemplate(db_, templateName_) != 0) {
    SequentialImportResult refused;
    refused.status = SequentialImportResult::Status::kDoesNotFit;
    refused.message = std::string(kImportErrorLine1) + " " + std::string(kImportErrorLine2);
    return refused;
  }
  return ImportSequentialFile(db_, files_, fileName_, progress);
}

}  // namespace qn
