// The dialog seam shown with the real forms. The shared forms (prompt, input, yes/no,
// confirm, template chooser, new-data and new-line dialogs, progress window) are made once, with the
// main window as their parent, and reused for the whole run, so the new-data dialog's
// direction and check box carry from one use to the next. File and folder choices use
// Qt's file dialog; a save over an existing file asks through the yes/no form.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "commands/dialogs.h"

class QWidget;

namespace qn {

class TDefVelgForm;
class TInputForm;
class TJaNeiForm;
class TNyDataForm;
class TNyForm;
class TNyDocForm;
class TNyLinjeForm;
class TOkForm;
class TVisProsessForm;

class QtDialogs : public Dialogs {
 public:
  // `parent` (the main window) must outlive this object.
  explicit QtDialogs(QWidget* parent);
  ~QtDialogs() override;
  QtDialogs(const QtDialogs&) = delete;
  QtDialogs& operator=(const QtDialogs&) = delete;

  std::string Prompt(std::string_view caption, std::string_view proposed) override;
  std::string Input(std::string_view prompt, std::string_view proposed) override;
  bool YesNo(std::string_view question, bool defaultYes) override;
  bool Confirm(std::string_view question) override;
  void Message(std::string_view caption, std::string_view text, MessageKind kind) override;
  std::optional<std::string> OpenFile(const FileRequest& request) override;
  std::optional<std::string> SaveFile(const FileRequest& request) override;
  std::optional<std::string> ChooseFolder(std::string_view title,
                                          std::string_view start) override;
  std::string ChooseTemplate(const std::vector<std::string>& names) override;
  NewDataChoice ChooseNewData(const std::vector<std::string>& names) override;
  NewLineChoice ChooseNewLine() override;
  std::optional<size_t> ChooseLine(std::string_view caption, std::string_view label,
                                   const std::vector<std::string>& lines,
                                   std::string_view confirm) override;
  NewLineChoice ChooseNewNote() override;
  NewDocumentChoice ChooseNewDocument() override;
  std::unique_ptr<ProgressTask> StartProgress(std::string_view caption,
                                              std::string_view text) override;

  TNyDataForm& NyDataForm() { return *nyData_; }
  TVisProsessForm& VisProsessForm() { return *visProsess_; }

  // A label|patterns filter as the file dialog takes it: one entry per pair, the patterns
  // separated by blanks in parentheses after the label ("Programfiler (*.EXE *.COM)"); a
  // label that already ends with its patterns in parentheses is taken as it stands.
  static std::vector<std::string> FilterList(std::string_view filter);

 private:
  QWidget* parent_;
  std::unique_ptr<TNyForm> ny_;
  std::unique_ptr<TInputForm> input_;
  std::unique_ptr<TJaNeiForm> jaNei_;
  std::unique_ptr<TOkForm> ok_;
  std::unique_ptr<TDefVelgForm> defVelg_;
  std::unique_ptr<TNyDataForm> nyData_;
  std::unique_ptr<TNyLinjeForm> nyLinje_;
  std::unique_ptr<TNyLinjeForm> nyttNotat_;
  std::unique_ptr<TNyDocForm> nyDoc_;
  std::unique_ptr<TVisProsessForm> visProsess_;
};

}  // namespace qn
