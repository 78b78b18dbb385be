// The window's tools, setup and help: the check and repair, the deleted records, the file
// information, the setup dialogs, the format's documentation, the update launcher and the
// system information.
#include "ui/window/window_commands.h"

#include <filesystem>

#include "store/database.h"
#include "store/datapointer.h"
#include "store/error_text.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/window/quill_form.h"
#include "commands/repair.h"
#include "content/system_lists.h"
#include "commands/undelete.h"
#include "env/datetime_text.h"
#include "env/errors.h"
#include "env/folders.h"
#include "env/shell.h"
#include "env/startup.h"
#include "store/consistency_check.h"
#include "store/safe_copy.h"
#include "ui/forms/info_form.h"
#include "ui/forms/system_info_form.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

void Kontrollerogreparer1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  const size_t faults = CheckDatabase(db).size();
  if (faults == 0) {
    w.dialogs().Message(kErrorCaption, "Databasen er uten feil.", MessageKind::kInformation);
    return;
  }
  // The check only reads; the repair writes, which a read-only database refuses.
  if (db.ReadOnly()) {
    w.dialogs().Message(kErrorCaption,
                        "Databasen har " + std::to_string(faults) +
                            " feil. Den er åpnet skrivebeskyttet, så pekerne kan ikke repareres her.",
                        MessageKind::kWarning);
    return;
  }
  if (!w.dialogs().YesNo("Databasen har " + std::to_string(faults) +
                           " feil. Lage sikkerhetskopi og reparere pekerne nå?",
                       true))
    return;
  if (const int32_t error = CopyToBackup(db.Files(), db.FileName()); error != 0) {
    w.dialogs().Message(kErrorCaption,
                      "Sikkerhetskopien kunne ikke lages (" + ReasonAndNumber(error) + "); ingenting er endret.",
                      MessageKind::kError);
    return;
  }
  const double stamp = NowAsDateTime();
  const LinkRepairResult result = RepairLinks(db, stamp);
  // The result is said once the repair is on disk, not before the command ends.
  if (db.InChange()) {
    if (const int32_t error = db.CommitChangeSoFar(); error != 0) {
      throw IoError(error, "Reparasjonen kunne ikke lagres i " + db.FileName() + ": " +
                               ReasonAndNumber(error) + ". Filen er som den var.");
    }
  }
  const size_t left = CheckDatabase(db).size();
  std::string text = std::to_string(result.changes.size()) + " pekere er rettet";
  if (result.found > 0)
    text += ", " + std::to_string(result.found) + " poster som ingen liste nådde er lagt under \"" +
            FoundLineName(stamp) + "\"";
  text += left == 0 ? ". Databasen er nå uten feil." : ". " + std::to_string(left) + " feil er igjen.";
  w.dialogs().Message(kErrorCaption, text, left == 0 ? MessageKind::kInformation : MessageKind::kWarning);
}

void Slettedeposter1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  if (!db.IsOpen()) return;
  std::vector<DeletedRecord> deleted;
  {
    WaitCursor wait;
    deleted = ListDeleted(db);
  }
  if (deleted.empty()) {
    w.dialogs().Message(kErrorCaption, "Databasen har ingen slettede poster.",
                      MessageKind::kInformation);
    return;
  }
  std::vector<std::string> lines;
  lines.reserve(deleted.size());
  for (const DeletedRecord& record : deleted) lines.push_back(DeletedLine(record, true));
  const std::optional<size_t> chosen = w.dialogs().ChooseLine(
      "Slettede poster", "Posisjon, type, slettet, navn. Den valgte settes inn under denne posten:",
      lines, "&Gjenopprett");
  if (!chosen) return;
  const Position target = db.dp->CurrentPosition();
  if (RestoreDeleted(db, deleted[*chosen].position, target) != RestoreStatus::kRestored) {
    w.Tell("Posten kunne ikke settes tilbake her.");
    return;
  }
  w.vis(0);
}

void Dataformat1Click(TQuillForm& w) {
  const std::string page = GetDocFolder() + "html/quillnet/index.htm";
  std::error_code ec;
  if (!std::filesystem::exists(page, ec)) {
    w.dialogs().Message(kErrorCaption, "Finner ikke " + page, MessageKind::kWarning);
    return;
  }
  OpenWithShell(page);
}

void Oppdateringerpinternett1Click(TQuillForm& w) {
  if (!StartUpdate()) {
    w.dialogs().Message(kErrorCaption, "Kan ikke starte oppdateringsprogrammet.",
                      MessageKind::kWarning);
  }
}

void Systeminformasjon1Click(TQuillForm& w) {
  tDataImageArk& db = w.dataark();
  TSystemInfoForm form(db.FileName(), &w);
  ExecOverParent(form);
}

void Informasjonompekere1Click(TQuillForm& w) {
  if (w.dataark().IsOpen()) ShowFileInfo(w.dataark(), w.dialogs(), &w);
}

void ShowSetup(TQuillForm& w, SetupDialog dialog) { w.forms().ShowSetup(dialog); }

}  // namespace qn
