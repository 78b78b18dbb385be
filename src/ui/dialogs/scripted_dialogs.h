// Dialogs answered from a script, for tests of command logic: the test queues the answers
// in the order the command will ask, runs the command, then reads what was asked. Every
// question pops the next answer; a question that finds no answer of its kind is answered
// as a cancel and listed in Unanswered(), so a test can tell a wrong script from a command
// that asked something unexpected.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/dialogs.h"

namespace qn {

enum class QuestionKind {
  kPrompt,
  kInput,
  kYesNo,
  kConfirm,
  kMessage,
  kOpenFile,
  kSaveFile,
  kChooseFolder,
  kChooseTemplate,
  kChooseNewData,
  kChooseNewLine,
  kChooseLine,
  kChooseNewNote,
  kChooseNewDocument,
  kProgress,
};

// One question as the command asked it.
struct AskedQuestion {
  QuestionKind kind;
  std::string caption;            // prompt caption, message caption, dialog title
  std::string text;               // proposed text, question, message text, start folder
  std::vector<std::string> list;  // the names offered by a choice
};

class ScriptedDialogs : public Dialogs {
 public:
  // An answer typed into a prompt or input dialog, a template, file name or listed line
  // picked, a folder chosen. A prompt's answer passes its entry's length rule.
  ScriptedDialogs& AnswerText(std::string text);
  ScriptedDialogs& AnswerYes();
  // Cancels whatever is asked next (a yes/no closed with its window button answers its
  // default).
  ScriptedDialogs& AnswerCancel();
  ScriptedDialogs& AnswerNewData(std::string name, tDirection direction,
                                 bool updateFromMarked = false);
  // The new-line dialog (or the new-note dialog) confirmed with `text` by the button of
  // `direction`.
  ScriptedDialogs& AnswerNewLine(std::string text, tDirection direction);
  // The new-document dialog confirmed with these fields by the button of `direction`.
  ScriptedDialogs& AnswerNewDocument(NewDocumentChoice choice);
  // Called as each message is shown, so a test sees what the program had done by then.
  void WhenMessage(std::function<void(const AskedQuestion&)> seen) { whenMessage_ = std::move(seen); }
  // The next progress window reports Aborted() from its `polls`-th poll on (1 = at once).
  ScriptedDialogs& AbortProgressAtPoll(int polls);

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

  const std::vector<AskedQuestion>& Asked() const { return asked_; }
  // Questions of the kind `kind`, in order.
  std::vector<AskedQuestion> Asked(QuestionKind kind) const;
  const std::vector<AskedQuestion>& Unanswered() const { return unanswered_; }
  // Answers queued but never asked for.
  size_t Pending() const { return answers_.size(); }
  // Texts shown through the progress windows, in order.
  const std::vector<std::string>& ProgressTexts() const { return progressTexts_; }

 private:
  enum class AnswerKind { kText, kYes, kCancel, kNewData, kNewLine, kNewDocument };
  struct Answer {
    AnswerKind kind;
    std::string text;
    tDirection direction = DirNull;
    bool updateFromMarked = false;
    NewDocumentChoice document{};
  };
  class Task;

  // Records the question and takes the next answer when it is one of `accepted` (or a
  // cancel); nothing otherwise.
  std::optional<Answer> Take(AskedQuestion question, std::initializer_list<AnswerKind> accepted);

  std::deque<Answer> answers_;
  std::vector<AskedQuestion> asked_;
  std::vector<AskedQuestion> unanswered_;
  std::vector<std::string> progressTexts_;
  std::optional<int> abortAtPoll_;
  NewDataChoice newData_;  // the new-data dialog's state for the run
  std::function<void(const AskedQuestion&)> whenMessage_;
};

}  // namespace qn
