#include "ui/dialogs/qt_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <filesystem>

#include "ui/dialogs/def_velg_form.h"
#include "ui/dialogs/input_form.h"
#include "ui/dialogs/list_choice_form.h"
#include "ui/dialogs/ja_nei_form.h"
#include "ui/dialogs/ny_data_form.h"
#include "ui/dialogs/ny_doc_form.h"
#include "ui/dialogs/ny_form.h"
#include "ui/dialogs/ny_linje_form.h"
#include "ui/dialogs/ok_form.h"
#include "ui/dialogs/vis_prosess_form.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {
namespace {

class QtProgressTask : public ProgressTask {
 public:
  explicit QtProgressTask(TVisProsessForm& form) : form_(form) {}
  ~QtProgressTask() override { form_.Finish(); }
  void SetText(std::string_view text) override { form_.SetText(text); }
  void SetPosition(int percent) override { form_.SetPosition(percent); }
  bool Aborted() override { return form_.Aborted(); }

 private:
  TVisProsessForm& form_;
};

// Sets up a file dialog from a request; the dialog's own overwrite question is off, the
// seam asks its own.
void Configure(QFileDialog& dialog, const FileRequest& request) {
  dialog.setWindowTitle(FromUtf8(request.title));
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  QStringList filters;
  for (const std::string& f : QtDialogs::FilterList(request.filter)) {
    filters << FromUtf8(f);
  }
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.folder.empty()) dialog.setDirectory(FromUtf8(request.folder));
  if (!request.fileName.empty()) dialog.selectFile(FromUtf8(request.fileName));
  if (!request.defaultExtension.empty()) dialog.setDefaultSuffix(FromUtf8(request.defaultExtension));
}

}  // namespace

QtDialogs::QtDialogs(QWidget* parent)
    : parent_(parent),
      ny_(std::make_unique<TNyForm>(parent)),
      input_(std::make_unique<TInputForm>(parent)),
      jaNei_(std::make_unique<TJaNeiForm>(parent)),
      ok_(std::make_unique<TOkForm>(parent)),
      defVelg_(std::make_unique<TDefVelgForm>(parent)),
      nyData_(std::make_unique<TNyDataForm>(parent)),
      nyLinje_(std::make_unique<TNyLinjeForm>(parent)),
      nyttNotat_(std::make_unique<TNyLinjeForm>(parent, kNewNoteTexts)),
      nyDoc_(std::make_unique<TNyDocForm>(parent)),
      visProsess_(std::make_unique<TVisProsessForm>(parent)) {}

QtDialogs::~QtDialogs() = default;

std::vector<std::string> QtDialogs::FilterList(std::string_view filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    parts.emplace_back(filter.substr(start, bar == std::string_view::npos ? bar : bar - start));
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    const std::string& label = parts[i];
    std::string patterns = parts[i + 1];
    for (char& c : patterns) {
      if (c == ';') c = ' ';
    }
    const std::string tail = "(" + patterns + ")";
    if (label.size() >= tail.size() && label.compare(label.size() - tail.size(), tail.size(), tail) == 0) {
      out.push_back(label);
    } else {
      out.push_back(label + " " + tail);
    }
  }
  return out;
}

std::string QtDialogs::Prompt(std::string_view caption, std::string_view proposed) {
  return ny_->Ask(caption, proposed);
}

std::string QtDialogs::Input(std::string_view prompt, std::string_view proposed) {
  return input_->Ask(prompt, proposed);
}

bool QtDialogs::YesNo(std::string_view question, bool defaultYes) {
  return jaNei_->Ask(question, defaultYes);
}

bool QtDialogs::Confirm(std::string_view question) { return ok_->Ask(question); }

void QtDialogs::Message(std::string_view caption, std::string_view text, MessageKind kind) {
  const QMessageBox::Icon icon = kind == MessageKind::kError     ? QMessageBox::Critical
                                 : kind == MessageKind::kWarning ? QMessageBox::Warning
                                                                 : QMessageBox::Information;
  QMessageBox box(icon, FromUtf8(caption), FromUtf8(text), QMessageBox::Ok, parent_);
  box.setObjectName("MessageBox");
  ExecOverParent(box);
}

std::optional<std::string> QtDialogs::OpenFile(const FileRequest& request) {
  QFileDialog dialog(parent_);
  Configure(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (ExecOverParent(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtDialogs::SaveFile(const FileRequest& request) {
  FileRequest current = request;
  for (;;) {
    QFileDialog dialog(parent_);
    Configure(dialog, current);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (ExecOverParent(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const std::string chosen = dialog.selectedFiles().first().toStdString();
    std::error_code ec;
    if (!request.askOverwrite || !std::filesystem::exists(chosen, ec)) return chosen;
    if (jaNei_->Ask(chosen + " finnes allerede.\nVil du erstatte den?", false)) return chosen;
    // Back to the dialog, where the user left it.
    const std::filesystem::path p(chosen);
    current.folder = p.parent_path().string();
    current.fileName = p.filename().string();
  }
}

std::optional<std::string> QtDialogs::ChooseFolder(std::string_view title, std::string_view start) {
  const QString folder = QFileDialog::getExistingDirectory(
      parent_, FromUtf8(title), FromUtf8(start),
      QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (folder.isEmpty()) return std::nullopt;
  std::string out = folder.toStdString();
  if (out.back() != '/') out += '/';
  return out;
}

std::string QtDialogs::ChooseTemplate(const std::vector<std::string>& names) {
  return defVelg_->Ask(names);
}

NewDataChoice QtDialogs::ChooseNewData(const std::vector<std::string>& names) {
  return nyData_->Ask(names);
}

NewLineChoice QtDialogs::ChooseNewLine() { return nyLinje_->Ask(); }

std::optional<size_t> QtDialogs::ChooseLine(std::string_view caption, std::string_view label,
                                            const std::vector<std::string>& lines,
                                            std::string_view confirm) {
  ListChoiceForm form(parent_);
  return form.Ask(caption, label, lines, confirm);
}
NewLineChoice QtDialogs::ChooseNewNote() { return nyttNotat_->Ask(); }

NewDocumentChoice QtDialogs::ChooseNewDocument() { return nyDoc_->Ask(); }

std::unique_ptr<ProgressTask> QtDialogs::StartProgress(std::string_view caption,
                                                       std::string_view text) {
  visProsess_->Start(caption, text);
  return std::make_unique<QtProgressTask>(*visProsess_);
}

}  // namespace qn
