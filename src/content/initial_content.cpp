// The initial content of a new database and the move to the first data record.
#include "content/initial_content.h"

#include "content/bookmark_index.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "store/record_blocks.h"
#include "content/system_lists.h"
#include "env/datetime_text.h"
#include "env/environment.h"
#include "env/settings.h"
#include "templates/template_format.h"
#include "templates/template_store.h"

namespace qn {

namespace {

// The settings of the author's full name and company, in the program's own section.
constexpr std::string_view kUserFactsSection = "STANDARD";
constexpr std::string_view kFullNameKey = "FulltNavn";
constexpr std::string_view kCompanyKey = "Firma_Navn";

constexpr std::string_view kStandardTableName = "Standard";

std::string Setting(std::string_view key) {
  SectionScope section(kUserFactsSection);
  return ReadSettingString(key);
}

void MakeStandardTemplate(tDataImageArk& db) {
  if (CreateTemplate(db, kStandardUserTemplateName) < 0) return;
  for (const TemplateField& row : StandardUserTemplateRows()) AddTemplateField(db, row);
  FinishTemplate(db);
}

}  // namespace

std::vector<std::string> VersionLines(const std::string& fileName) {
  const double now = NowAsDateTime();
  return {
      std::string(kProductName) + " " + std::string(kProductVersion) + " " +
          std::string(kVersionDate),
      std::string(kBuildText),
      "Create Mode: " + std::string(kCreateMode),
      "Program file: " + ProgramFilePath(),
      "Username: " + LogonUserName(),
      "Author: " + Setting(kFullNameKey),
      "Company: " + Setting(kCompanyKey),
      "Created: " + FormatShortDate(now) + " " + FormatLongTime(now),
      "Original File Name: " + fileName,
      "OS: " + WindowsVersionText(),
  };
}

int32_t CreateInitialContent(tDataImageArk& db, bool minimal) {
  Datapointer& dp = *db.dp;
  // On a read-only database no record could be stored: building the content in the
  // cursor's images alone would leave it on records that are not in the file.
  if (db.ReadOnly()) return -1;
  if (dp.Load(0) != 0 || dp.Down() != 0) return -1;

  // 1-2: "System" at the top, "Version" in its sub-list.
  const Position system = AddNamed(db, DirDown, kSystemHeader);
  if (system < 0) return -1;
  const Position version = AddNamed(db, DirRight, kVersionHeader);
  if (version < 0) return -1;

  // 3: the facts, the first to the right of "Version", each further one below.
  tDirection direction = DirRight;
  for (const std::string& line : VersionLines(db.FileName())) {
    AddNamed(db, direction, line);
    direction = DirDown;
  }

  // 4-5: back on "Version"; the standard headers below it, each with its first record.
  dp.Load(version);
  if (!minimal) {
    for (std::string_view header : kStandardHeaders) {
      AddNamed(db, DirDown, header);
      AddNamed(db, DirRight,
               header == kUsersHeader ? kUsersPlaceholderName : kPlaceholderName);
      dp.GoLeft();
      if (header == kIndexHeader) NewTableOfContents(db, kStandardTableName);
    }
  }

  // 6-7: back on "System"; "Data" below it with its first line.
  dp.Load(system);
  AddNamed(db, DirDown, kDataHeader);
  AddNamed(db, DirRight, kNoDataLine);

  // 8: the template of the users list.
  if (!minimal) MakeStandardTemplate(db);
  return 0;
}

tDataImageArk& OpenDatabase(tDataImageArk& db, const std::string& fileName) {
  return OpenDatabase(db, fileName, OpenPolicy::kFromSettings);
}

tDataImageArk& OpenDatabase(tDataImageArk& db, const std::string& fileName, OpenPolicy policy) {
  db.Open(fileName, policy);
  if (!db.IsOpen()) return db;
  // The cursor has just loaded Position 0. When that was no header record (a file shorter
  // than one, or bytes of another kind), there is no tree to fill or to search.
  Datapointer& dp = *db.dp;
  if (dp.CurrentPosition() != 0 || dp.Size() != uint32_t(kPointerRecordSize)) return db;
  // A header record that links to no record: the file holds no records yet.
  if (dp.Down() == 0) {
    // The whole content or none of it: a stop halfway leaves a file that is filled again
    // at its next opening.
    ChangeScope change(db);
    CreateInitialContent(db, db.AutoCreateRecords() == 1);
  }
  GoToFirstData(db);
  return db;
}

Position GoToFirstData(tDataImageArk& db) {
  Datapointer& dp = *db.dp;
  if (ScanForString(db, kDataHeader, true) >= 0) dp.GoRight();
  return dp.CurrentPosition();
}

}  // namespace qn
