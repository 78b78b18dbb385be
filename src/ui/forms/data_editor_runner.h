// How the window shows the data editor: a DataEditorRunner takes the editor of the current
// record (DataEditor, the grid as rows of strings), shows it modally and says whether it
// closed with "&Lagre". The window uses the real form (TDataForm); tests hand in the
// scripted runner, which fills in values and answers "&Lagre" or "&Avbryt". Both save
// through SaveAndReport, so a refused or failed save is handled the same way in either.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "templates/data_editor.h"
#include "commands/dialogs.h"

namespace qn {

class DataEditorRunner {
 public:
  virtual ~DataEditorRunner() = default;
  // Shows the editor on its record; true when it closed with "&Lagre".
  virtual bool Run(DataEditor& editor) = 0;
  // While set, the editor shows the record but "&Lagre" writes nothing: the form's button
  // is disabled and a save that is reached all the same is refused with one message.
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
  bool ReadOnly() const { return readOnly_; }

 private:
  bool readOnly_ = false;
};

// "&Lagre": writes the grid into the record. A TDATETIME text that is not a date shows
// its conversion error and a text a field cannot hold is named in a warning; in both
// cases the editor stays open so the value can be put right (the fields before a
// conversion error are written already). A record that cannot take the values at all is
// reported and the editor closes. With `readOnly` nothing is written: the refusal is shown,
// the typed values are dropped and the editor closes. True when the editor may close.
bool SaveAndReport(DataEditor& editor, Dialogs& dialogs, bool readOnly);

// A field's name and the text typed into its value cell.
using FieldText = std::pair<std::string, std::string>;

// The data editor answered from a script, one entry per showing, in order. A showing
// with no entry left is cancelled.
class ScriptedDataEditor : public DataEditorRunner {
 public:
  // `dialogs` shows what a save reports; it must outlive this object.
  explicit ScriptedDataEditor(Dialogs& dialogs) : dialogs_(dialogs) {}

  // Types `values` into the cells of the fields of those names, then "&Lagre".
  ScriptedDataEditor& SaveWith(std::vector<FieldText> values);
  // "&Avbryt".
  ScriptedDataEditor& Cancel();

  bool Run(DataEditor& editor) override;

  // The grid of each showing as it was filled, name and value of every field row.
  const std::vector<std::vector<FieldText>>& Shown() const { return shown_; }
  // Field names of the script that the grid did not have.
  const std::vector<std::string>& UnknownFields() const { return unknown_; }

 private:
  struct Step {
    bool save = false;
    std::vector<FieldText> values;
  };
  Dialogs& dialogs_;
  std::deque<Step> steps_;
  std::vector<std::vector<FieldText>> shown_;
  std::vector<std::string> unknown_;
};

}  // namespace qn
