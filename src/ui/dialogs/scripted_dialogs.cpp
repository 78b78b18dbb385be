#include "ui/dialogs/scripted_dialogs.h"

#include <algorithm>

#include "env/text_codec.h"

namespace qn {

class ScriptedDialogs::Task : public ProgressTask {
 public:
  Task(ScriptedDialogs& owner, std::optional<int> abortAtPoll)
      : owner_(owner), abortAtPoll_(abortAtPoll) {}
  void SetText(std::string_view text) override { owner_.progressTexts_.emplace_back(text); }
  void SetPosition(int) override {}
  bool Aborted() override {
    ++polls_;
    if (abortAtPoll_ && polls_ >= *abortAtPoll_) aborted_ = true;
    return aborted_;
  }

 private:
  ScriptedDialogs& owner_;
  std::optional<int> abortAtPoll_;
  int polls_ = 0;
  bool aborted_ = false;
};

ScriptedDialogs& ScriptedDialogs::AnswerText(std::string text) {
  answers_.push_back({AnswerKind::kText, std::move(text)});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::AnswerYes() {
  answers_.push_back({AnswerKind::kYes, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::AnswerCancel() {
  answers_.push_back({AnswerKind::kCancel, {}});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::AnswerNewData(std::string name, tDirection direction,
                                                bool updateFromMarked) {
  answers_.push_back({AnswerKind::kNewData, std::move(name), direction, updateFromMarked});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::AnswerNewLine(std::string text, tDirection direction) {
  answers_.push_back({AnswerKind::kNewLine, std::move(text), direction});
  return *this;
}

ScriptedDialogs& ScriptedDialogs::AnswerNewDocument(NewDocumentChoice choice) {
  Answer answer{AnswerKind::kNewDocument, {}, choice.direction};
  answer.document = std::move(choice);
  answers_.push_back(std::move(answer));
  return *this;
}

ScriptedDialogs& ScriptedDialogs::AbortProgressAtPoll(int polls) {
  abortAtPoll_ = polls;
  return *this;
}

std::optional<ScriptedDialogs::Answer> ScriptedDialogs::Take(
    AskedQuestion question, std::initializer_list<AnswerKind> accepted) {
  asked_.push_back(question);
  if (!answers_.empty()) {
    const AnswerKind next = answers_.front().kind;
    if (next == AnswerKind::kCancel ||
        std::find(accepted.begin(), accepted.end(), next) != accepted.end()) {
      Answer answer = std::move(answers_.front());
      answers_.pop_front();
      return answer;
    }
  }
  unanswered_.push_back(std::move(question));
  return std::nullopt;
}

std::string ScriptedDialogs::Prompt(std::string_view caption, std::string_view proposed) {
  const auto answer = Take({QuestionKind::kPrompt, std::string(caption), std::string(proposed), {}},
                           {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return {};
  // What the entry would hold after the typing, then what "O&k" hands back.
  const std::string typed = CutToCp1252Length(answer->text, PromptEntryLimit(proposed));
  return CutToCp1252Length(typed, kPromptResultLength);
}

std::string ScriptedDialogs::Input(std::string_view prompt, std::string_view proposed) {
  const auto answer = Take({QuestionKind::kInput, std::string(prompt), std::string(proposed), {}},
                           {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return {};
  return answer->text;
}

bool ScriptedDialogs::YesNo(std::string_view question, bool defaultYes) {
  const auto answer = Take({QuestionKind::kYesNo, "?", std::string(question), {}},
                           {AnswerKind::kYes});
  if (!answer || answer->kind == AnswerKind::kCancel) return defaultYes;
  return answer->kind == AnswerKind::kYes;
}

bool ScriptedDialogs::Confirm(std::string_view question) {
  const auto answer = Take({QuestionKind::kConfirm, "Bekreft", std::string(question), {}},
                           {AnswerKind::kYes});
  return answer && answer->kind == AnswerKind::kYes;
}

void ScriptedDialogs::Message(std::string_view caption, std::string_view text, MessageKind) {
  // A message needs no answer: it is only recorded.
  asked_.push_back({QuestionKind::kMessage, std::string(caption), std::string(text), {}});
  if (whenMessage_) whenMessage_(asked_.back());
}

std::optional<std::string> ScriptedDialogs::OpenFile(const FileRequest& request) {
  const auto answer =
      Take({QuestionKind::kOpenFile, request.title, request.folder, {}}, {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return std::nullopt;
  return answer->text;
}

std::optional<std::string> ScriptedDialogs::SaveFile(const FileRequest& request) {
  const auto answer =
      Take({QuestionKind::kSaveFile, request.title, request.folder, {}}, {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return std::nullopt;
  return answer->text;
}

std::optional<std::string> ScriptedDialogs::ChooseFolder(std::string_view title,
                                                         std::string_view start) {
  const auto answer = Take({QuestionKind::kChooseFolder, std::string(title), std::string(start), {}},
                           {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return std::nullopt;
  std::string folder = answer->text;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

std::string ScriptedDialogs::ChooseTemplate(const std::vector<std::string>& names) {
  const auto answer = Take({QuestionKind::kChooseTemplate, "Maler", {}, names}, {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return {};
  return answer->text;
}

NewDataChoice ScriptedDialogs::ChooseNewData(const std::vector<std::string>& names) {
  const auto answer =
      Take({QuestionKind::kChooseNewData, "Ny data-post", {}, names}, {AnswerKind::kNewData});
  newData_.ok = false;
  newData_.name.clear();
  if (answer && answer->kind == AnswerKind::kNewData) {
    newData_.ok = true;
    newData_.name = answer->text;
    if (answer->direction != DirNull) newData_.direction = answer->direction;
    newData_.updateFromMarked = answer->updateFromMarked;
  }
  return newData_;
}

NewLineChoice ScriptedDialogs::ChooseNewLine() {
  const auto answer = Take({QuestionKind::kChooseNewLine, "Ny linje", {}, {}}, {AnswerKind::kNewLine});
  if (!answer || answer->kind != AnswerKind::kNewLine) return {};
  // What the entry would hold after the typing.
  return {CutToCp1252Length(answer->text, kNewLineTextLength), answer->direction};
}

std::optional<size_t> ScriptedDialogs::ChooseLine(std::string_view caption, std::string_view label,
                                                  const std::vector<std::string>& lines,
                                                  std::string_view) {
  const auto answer =
      Take({QuestionKind::kChooseLine, std::string(caption), std::string(label), lines},
           {AnswerKind::kText});
  if (!answer || answer->kind != AnswerKind::kText) return std::nullopt;
  // The answer names the line picked; a text that is no line picks nothing.
  const auto found = std::find(lines.begin(), lines.end(), answer->text);
  if (found == lines.end()) return std::nullopt;
  return static_cast<size_t>(found - lines.begin());
}

NewDocumentChoice ScriptedDialogs::ChooseNewDocument() {
  const auto answer = Take({QuestionKind::kChooseNewDocument, "Ny dokument tilknytning", {}, {}},
                           {AnswerKind::kNewDocument});
  if (!answer || answer->kind != AnswerKind::kNewDocument) return {};
  return answer->document;
}

NewLineChoice ScriptedDialogs::ChooseNewNote() {
  const auto answer =
      Take({QuestionKind::kChooseNewNote, "Legg inn nytt notat", {}, {}}, {AnswerKind::kNewLine});
  if (!answer || answer->kind != AnswerKind::kNewLine) return {};
  return {CutToCp1252Length(answer->text, kNewLineTextLength), answer->direction};
}

std::vector<AskedQuestion> ScriptedDialogs::Asked(QuestionKind kind) const {
  std::vector<AskedQuestion> out;
  for (const AskedQuestion& q : asked_) {
    if (q.kind == kind) out.push_back(q);
  }
  return out;
}

std::unique_ptr<ProgressTask> ScriptedDialogs::StartProgress(std::string_view caption,
                                                             std::string_view text) {
  asked_.push_back({QuestionKind::kProgress, std::string(caption), std::string(text), {}});
  progressTexts_.emplace_back(text);
  auto task = std::make_unique<Task>(*this, abortAtPoll_);
  abortAtPoll_.reset();
  return task;
}

}  // namespace qn
