#include "exchange/record_fields.h"

#include "store/database.h"
#include "store/datapointer.h"
#include "templates/field_io.h"
#include "templates/template_store.h"
#include "templates/type_table.h"

namespace qn {

bool LoadTemplateOfRecord(tDataImageArk& db) {
  const tLoadedTemplate& t = LoadedTemplate(db);
  if (t.TemplateLoaded && t.TemplateRecordPos > 0 && t.TemplateRecordPos == db.dp->TemplatePos())
    return true;
  return LoadRecordTemplate(db) == 0 && LoadedTemplate(db).TemplateLoaded;
}

bool VisitFieldValues(tDataImageArk& db, const std::function<void(size_t index, const TemplateField& field)>& visit) {
  const bool found = SeekToFieldValues(db, false) >= 0;
  const tLoadedTemplate& t = LoadedTemplate(db);
  for (size_t i = 0; i < t.Fields.size(); ++i) {
    if (t.Fields[i].DataType == kTypeInherited) continue;
    ReadFieldValue(db, i);
    visit(i, t.Fields[i]);
  }
  return found;
}

bool HasFieldValues(tDataImageArk& db) { return SeekToFieldValues(db, false) >= 0; }

}  // namespace qn
