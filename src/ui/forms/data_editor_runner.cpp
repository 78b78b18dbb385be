#include "ui/forms/data_editor_runner.h"

#include "commands/command_boundary.h"

namespace qn {

bool SaveAndReport(DataEditor& editor, Dialogs& dialogs, bool readOnly) {
  if (readOnly) {
    dialogs.Message(kErrorCaption, kReadOnlyRefusal, MessageKind::kInformation);
    editor.LesData();
    return true;
  }
  const DataSaveResult result = editor.SkrivData();
  switch (result.status) {
    case DataSaveStatus::kWritten:
      break;
    case DataSaveStatus::kConvertError:
      dialogs.Message(kErrorCaption, result.message, MessageKind::kError);
      return false;
    case DataSaveStatus::kNoTemplate:
    case DataSaveStatus::kNotDataRecord:
      // An editor without fields has nothing to write; it simply closes.
      return true;
    case DataSaveStatus::kNoDataBlock:
    case DataSaveStatus::kBlockTooShort:
    case DataSaveStatus::kWriteFailed:
      dialogs.Message(kErrorCaption, result.message, MessageKind::kError);
      return true;
  }
  if (result.refusedRows.empty()) return true;
  std::string text = "Verdien ble ikke lagret i ";
  for (size_t i = 0; i < result.refusedRows.size(); ++i) {
    if (i > 0) text += i + 1 == result.refusedRows.size() ? " og " : ", ";
    text += "\"" + editor.Name(result.refusedRows[i]) + "\"";
  }
  text += "; feltet beholder sin gamle verdi.";
  dialogs.Message(kErrorCaption, text, MessageKind::kWarning);
  return false;
}

ScriptedDataEditor& ScriptedDataEditor::SaveWith(std::vector<FieldText> values) {
  steps_.push_back({true, std::move(values)});
  return *this;
}

ScriptedDataEditor& ScriptedDataEditor::Cancel() {
  steps_.push_back({false, {}});
  return *this;
}

bool ScriptedDataEditor::Run(DataEditor& editor) {
  editor.LesData();
  std::vector<FieldText> grid;
  for (size_t row = 1; row < editor.RowCount(); ++row) {
    if (!editor.Name(row).empty()) grid.emplace_back(editor.Name(row), editor.Value(row));
  }
  shown_.push_back(std::move(grid));
  if (steps_.empty() || !steps_.front().save) {
    if (!steps_.empty()) steps_.pop_front();
    editor.LesData();  // "&Avbryt" throws the edits away
    return false;
  }
  const Step step = std::move(steps_.front());
  steps_.pop_front();
  for (const auto& [name, value] : step.values) {
    const std::optional<size_t> row = editor.RowOf(name);
    if (row) {
      editor.SetValue(*row, value);
    } else {
      unknown_.push_back(name);
    }
  }
  if (SaveAndReport(editor, dialogs_, ReadOnly())) return true;
  // The editor would stay open; a script has nothing more to type, so it cancels.
  editor.LesData();
  return false;
}

}  // namespace qn
