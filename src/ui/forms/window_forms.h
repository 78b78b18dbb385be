// How the window shows its record forms: the note editor, the bookmark explorer, the global
// pointer, program and setup forms, the template editor and the Pascal import. Each form's state and rules live in a model without Qt
// (content/ and commands/); a WindowForms shows a model and says how it was closed. The
// window uses the real forms (QtWindowForms); tests hand in ScriptedWindowForms, which
// plays each showing with a step the test wrote against the model.
#pragma once

#include <deque>
#include <functional>
#include <vector>

#include "content/program_record.h"

#include "commands/dialogs.h"

class QWidget;

namespace qn {

class BookmarkExplorer;
class DefEditor;
class GlobalPointerEditor;
class NoteEditor;
class tDataImageArk;

// The three setup dialogs of "Oppsett".
enum class SetupDialog { kFolders, kStartup, kDatabase };

class TMappeOppsettForm;
class TOppstartForm;
class TQuillnetOppsettForm;

class WindowForms {
 public:
  virtual ~WindowForms() = default;
  // TNotatForm on `editor`; true when it closed with a save. A `readOnly` editor shows the
  // note with "&Lagre" disabled.
  virtual bool EditNote(NoteEditor& editor, bool readOnly) = 0;
  // TIndexForm on `explorer`, modal; true when it closed by "Hopp til bokmerke".
  virtual bool ExploreBookmarks(BookmarkExplorer& explorer) = 0;
  // TGlobalPointerForm on `editor`; true when "O&k" wrote the pointer.
  virtual bool EditGlobalPointer(GlobalPointerEditor& editor) = 0;
  // TProgramForm on `editor`; true when "O&k" closed it.
  virtual bool EditProgram(ProgramEditor& editor) = 0;
  // A setup dialog: the folder setup without blocking the window, the others modal.
  virtual void ShowSetup(SetupDialog dialog) = 0;
  // TDefForm on `editor`, modal and maximised; however it closes, the editor's Close runs
  // (its question whether to save). True when the editor saved (its Lagret).
  virtual bool EditTemplate(DefEditor& editor) = 0;
  // TImportForm, the import of Pascal declarations as templates into `db`; the number of
  // templates it made.
  virtual int ImportPascal(tDataImageArk& db) = 0;
};

class QtWindowForms : public WindowForms {
 public:
  // `parent` and `dialogs` must outlive this object.
  QtWindowForms(QWidget* parent, Dialogs& dialogs) : parent_(parent), dialogs_(dialogs) {}
  bool EditNote(NoteEditor& editor, bool readOnly) override;
  bool ExploreBookmarks(BookmarkExplorer& explorer) override;
  bool EditGlobalPointer(GlobalPointerEditor& editor) override;
  bool EditProgram(ProgramEditor& editor) override;
  void ShowSetup(SetupDialog dialog) override;
  bool EditTemplate(DefEditor& editor) override;
  int ImportPascal(tDataImageArk& db) override;

 private:
  QWidget* parent_;
  Dialogs& dialogs_;
  // Made at the first showing and shown again after.
  TMappeOppsettForm* folders_ = nullptr;
  TOppstartForm* startup_ = nullptr;
  TQuillnetOppsettForm* database_ = nullptr;
};

// Each showing of a form takes the next step queued for it; a showing without one is
// closed at once as a cancel and counted in Unplayed().
class ScriptedWindowForms : public WindowForms {
 public:
  ScriptedWindowForms& OnNote(std::function<bool(NoteEditor&)> step);
  ScriptedWindowForms& OnExplorer(std::function<bool(BookmarkExplorer&)> step);
  ScriptedWindowForms& OnGlobalPointer(std::function<bool(GlobalPointerEditor&)> step);
  ScriptedWindowForms& OnProgram(std::function<bool(ProgramEditor&)> step);
  // The template editor's step works on the editor as the form's commands would; the
  // editor's Close follows it.
  ScriptedWindowForms& OnTemplate(std::function<void(DefEditor&)> step);
  // The Pascal import's step returns the number of templates it made.
  ScriptedWindowForms& OnPascalImport(std::function<int(tDataImageArk&)> step);

  bool EditNote(NoteEditor& editor, bool readOnly) override;
  bool ExploreBookmarks(BookmarkExplorer& explorer) override;
  bool EditGlobalPointer(GlobalPointerEditor& editor) override;
  bool EditProgram(ProgramEditor& editor) override;
  // Records the dialog asked for.
  void ShowSetup(SetupDialog dialog) override { setups_.push_back(dialog); }
  const std::vector<SetupDialog>& Setups() const { return setups_; }
  bool EditTemplate(DefEditor& editor) override;
  int ImportPascal(tDataImageArk& db) override;

  int Unplayed() const { return unplayed_; }
  int Shown() const { return shown_; }

 private:
  // The next step's result; a showing without a step gives the result's default.
  template <typename Result, typename Model>
  Result Play(std::deque<std::function<Result(Model&)>>& steps, Model& model);

  std::deque<std::function<bool(NoteEditor&)>> notes_;
  std::deque<std::function<bool(BookmarkExplorer&)>> explorers_;
  std::deque<std::function<bool(GlobalPointerEditor&)>> globals_;
  std::deque<std::function<bool(ProgramEditor&)>> programs_;
  std::deque<std::function<void(DefEditor&)>> templates_;
  std::deque<std::function<int(tDataImageArk&)>> imports_;
  std::vector<SetupDialog> setups_;
  int unplayed_ = 0;
  int shown_ = 0;
};

}  // namespace qn
