// The dialog seam: every question a command asks goes through one Dialogs object. What a
// command sees is plain C++ (std::string, small structs), never a widget, so the command's
// logic runs the same with the real forms (QtDialogs) and with scripted answers in tests
// (ScriptedDialogs). An empty text, or an empty optional, always means the user cancelled.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "content/document_link.h"
#include "store/datapointer.h"

namespace qn {

// The one-line prompt: the entry takes at most 63 characters as typed; "O&k" hands back at
// most 255.
inline constexpr int kPromptEntryLength = 63;
inline constexpr int kPromptResultLength = 255;
// The new-line dialog's entry takes a whole name: at most 255 characters.
inline constexpr int kNewLineTextLength = 255;
// How many characters the prompt's entry takes: 63, or more when the proposed text is
// longer, so a long name proposed for editing is shown whole and never cut unasked.
size_t PromptEntryLimit(std::string_view proposed);

// The prompt of the text input dialog that hides what is typed.
inline constexpr std::string_view kPasswordPrompt = "Passord";
// The per-user settings key that remembers the last text given to the input dialog.
inline constexpr std::string_view kLastInputKey = "LastInputStr";

// A file dialog. `filter` is written as label|patterns pairs, patterns separated by ";":
// "Peker databaser (*.pdb256)|*.pdb256|Alle filer (*.*)|*.*".
struct FileRequest {
  std::string title;
  std::string filter;
  std::string folder;            // where the dialog starts
  std::string fileName;          // proposed name
  std::string defaultExtension;  // without the dot; added to a name that has none
  bool mustExist = false;        // open: only an existing file is accepted
  bool askOverwrite = false;     // save: an existing file is replaced only after a yes
};

// The outcome of the new-data dialog. The direction and the "oppdater data fra merket
// post" flag are the dialog's own state for the whole run: they come back also when the
// user cancels, since closing the dialog in any way keeps the check box's state.
struct NewDataChoice {
  bool ok = false;
  std::string name;                // the chosen template; empty when none was chosen
  tDirection direction = DirNull;  // DirDown, DirLeft or DirRight once a button was used
  bool updateFromMarked = false;
};

// The outcome of the new-line dialog: the text typed and the button that confirmed it.
// "&Avbryt" (or closing the window) gives DirNull and an empty text.
struct NewLineChoice {
  std::string text;
  tDirection direction = DirNull;  // DirDown ("Ny &under") or DirRight ("Ny til &høyre")
};

enum class MessageKind { kInformation, kWarning, kError };

// A running task's progress window. The task polls Aborted() between its steps; Escape in
// the window sets it. Destroying the object closes the window.
class ProgressTask {
 public:
  virtual ~ProgressTask() = default;
  virtual void SetText(std::string_view text) = 0;
  // 0..100.
  virtual void SetPosition(int percent) = 0;
  // True once the user asked to stop; stays true for this task.
  virtual bool Aborted() = 0;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // TNyForm: caption = `caption`, entry preset with `proposed`. Empty = cancel.
  virtual std::string Prompt(std::string_view caption, std::string_view proposed) = 0;
  // TInputForm: `prompt` above the entry, which starts with `proposed` or, when that is
  // empty, with the remembered "LastInputStr". Empty = cancel.
  virtual std::string Input(std::string_view prompt, std::string_view proposed) = 0;
  // TJaNeiForm: true for "&Ja". Closing the window answers `defaultYes`.
  virtual bool YesNo(std::string_view question, bool defaultYes) = 0;
  // TOkForm: true for "O&k".
  virtual bool Confirm(std::string_view question) = 0;
  virtual void Message(std::string_view caption, std::string_view text,
                       MessageKind kind = MessageKind::kInformation) = 0;
  // The chosen file's full path, or nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const FileRequest& request) = 0;
  virtual std::optional<std::string> SaveFile(const FileRequest& request) = 0;
  // The chosen folder, ending in "/", or nothing when cancelled.
  virtual std::optional<std::string> ChooseFolder(std::string_view title,
                                                  std::string_view start) = 0;
  // TDefVelgForm over `names`: the chosen template's name, empty when cancelled.
  virtual std::string ChooseTemplate(const std::vector<std::string>& names) = 0;
  // TNyDataForm over `names`.
  virtual NewDataChoice ChooseNewData(const std::vector<std::string>& names) = 0;
  // TNyLinjeForm, with an empty entry.
  virtual NewLineChoice ChooseNewLine() = 0;
  // A window titled `caption` that lists `lines` in the order given, with `label` above
  // them and a confirm button captioned `confirm` beside "&Avbryt": the index of the line
  // chosen, or nothing when cancelled or when no line was chosen.
  virtual std::optional<size_t> ChooseLine(std::string_view caption, std::string_view label,
                                           const std::vector<std::string>& lines,
                                           std::string_view confirm) = 0;
  // TNyttNotatForm ("Legg inn nytt notat"): the note's name and the button that made it.
  virtual NewLineChoice ChooseNewNote() = 0;
  // TNyDocForm ("Ny dokument tilknytning"); DirNull when cancelled.
  virtual NewDocumentChoice ChooseNewDocument() = 0;
  // TVisProsessForm: shows the window until the returned task is destroyed.
  virtual std::unique_ptr<ProgressTask> StartProgress(std::string_view caption,
                                                      std::string_view text) = 0;
};

}  // namespace qn
