#include "ui/forms/window_forms.h"

#include "content/bookmark_explorer.h"
#include "content/global_pointer.h"
#include "content/note_text.h"
#include "templates/def_editor.h"
#include "ui/forms/def_form.h"
#include "ui/forms/global_pointer_form.h"
#include "ui/forms/import_form.h"
#include "ui/forms/index_form.h"
#include "ui/forms/notat_form.h"
#include "ui/forms/program_form.h"
#include "ui/forms/setup_forms.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

bool QtWindowForms::EditNote(NoteEditor& editor, bool readOnly) {
  TNotatForm form(editor, dialogs_, parent_, readOnly);
  return ExecOverParent(form) == QDialog::Accepted;
}

bool QtWindowForms::ExploreBookmarks(BookmarkExplorer& explorer) {
  TIndexForm form(explorer, parent_);
  return ExecOverParent(form) == QDialog::Accepted;
}

bool QtWindowForms::EditGlobalPointer(GlobalPointerEditor& editor) {
  TGlobalPointerForm form(editor, dialogs_, parent_);
  return ExecOverParent(form) == QDialog::Accepted;
}

bool QtWindowForms::EditProgram(ProgramEditor& editor) {
  TProgramForm form(editor, dialogs_, parent_);
  return ExecOverParent(form) == QDialog::Accepted;
}

void QtWindowForms::ShowSetup(SetupDialog dialog) {
  switch (dialog) {
    case SetupDialog::kFolders:
      if (folders_ == nullptr) folders_ = new TMappeOppsettForm(dialogs_, parent_);
      folders_->show();
      folders_->raise();
      break;
    case SetupDialog::kStartup:
      if (startup_ == nullptr) startup_ = new TOppstartForm(parent_);
      ExecOverParent(*startup_);
      break;
    case SetupDialog::kDatabase:
      if (database_ == nullptr) database_ = new TQuillnetOppsettForm(parent_);
      ExecOverParent(*database_);
      break;
  }
}

bool QtWindowForms::EditTemplate(DefEditor& editor) {
  TDefForm form(editor, parent_);
  form.setWindowState(form.windowState() | Qt::WindowMaximized);
  ExecOverParent(form);
  return editor.Lagret();
}

int QtWindowForms::ImportPascal(tDataImageArk& db) {
  TImportForm form(db, dialogs_, parent_);
  ExecOverParent(form);
  return form.Imported();
}

template <typename Result, typename Model>
Result ScriptedWindowForms::Play(std::deque<std::function<Result(Model&)>>& steps, Model& model) {
  ++shown_;
  if (steps.empty()) {
    ++unplayed_;
    return Result();
  }
  const std::function<Result(Model&)> step = std::move(steps.front());
  steps.pop_front();
  return step(model);
}

ScriptedWindowForms& ScriptedWindowForms::OnNote(std::function<bool(NoteEditor&)> step) {
  notes_.push_back(std::move(step));
  return *this;
}

bool ScriptedWindowForms::EditNote(NoteEditor& editor, bool /*readOnly*/) {
  return Play(notes_, editor);
}

ScriptedWindowForms& ScriptedWindowForms::OnExplorer(std::function<bool(BookmarkExplorer&)> step) {
  explorers_.push_back(std::move(step));
  return *this;
}

bool ScriptedWindowForms::ExploreBookmarks(BookmarkExplorer& explorer) {
  return Play(explorers_, explorer);
}

ScriptedWindowForms& ScriptedWindowForms::OnGlobalPointer(
    std::function<bool(GlobalPointerEditor&)> step) {
  globals_.push_back(std::move(step));
  return *this;
}

bool ScriptedWindowForms::EditGlobalPointer(GlobalPointerEditor& editor) {
  return Play(globals_, editor);
}

ScriptedWindowForms& ScriptedWindowForms::OnProgram(std::function<bool(ProgramEditor&)> step) {
  programs_.push_back(std::move(step));
  return *this;
}

bool ScriptedWindowForms::EditProgram(ProgramEditor& editor) {
  const bool ok = Play(programs_, editor);
  editor.Close();  // however the form closes, its fields go back to the record's image
  return ok;
}

ScriptedWindowForms& ScriptedWindowForms::OnTemplate(std::function<void(DefEditor&)> step) {
  templates_.push_back(std::move(step));
  return *this;
}

bool ScriptedWindowForms::EditTemplate(DefEditor& editor) {
  Play(templates_, editor);
  editor.Close();  // as the form's closing does, whichever way it closes
  return editor.Lagret();
}

ScriptedWindowForms& ScriptedWindowForms::OnPascalImport(std::function<int(tDataImageArk&)> step) {
  imports_.push_back(std::move(step));
  return *this;
}

int ScriptedWindowForms::ImportPascal(tDataImageArk& db) { return Play(imports_, db); }

}  // namespace qn
