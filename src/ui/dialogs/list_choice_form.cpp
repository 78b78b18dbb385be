#include "ui/dialogs/list_choice_form.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

ListChoiceForm::ListChoiceForm(QWidget* parent) : QDialog(parent) {
  setObjectName("ListChoiceForm");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(this);
  label_->setObjectName("Label1");
  layout->addWidget(label_);
  ListBox1_ = new QListWidget(this);
  ListBox1_->setObjectName("ListBox1");
  ListBox1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  label_->setBuddy(ListBox1_);
  layout->addWidget(ListBox1_);
  AddOkCancelButtons(this, layout);
  confirm_ = findChild<QPushButton*>("OkButton");
  connect(ListBox1_, &QListWidget::currentRowChanged, this,
          [this](int row) { confirm_->setEnabled(row >= 0); });
  connect(ListBox1_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
  resize(640, 400);
}

void ListChoiceForm::Prepare(std::string_view caption, std::string_view label,
                             const std::vector<std::string>& lines, std::string_view confirm) {
  setWindowTitle(FromUtf8(caption));
  label_->setText(FromUtf8(label));
  confirm_->setText(FromUtf8(confirm));
  ListBox1_->clear();
  for (const std::string& line : lines) ListBox1_->addItem(FromUtf8(line));
  ListBox1_->setCurrentRow(lines.empty() ? -1 : 0);
  confirm_->setEnabled(!lines.empty());
  ListBox1_->setFocus();
}

std::optional<size_t> ListChoiceForm::Chosen() const {
  const int row = ListBox1_->currentRow();
  if (row < 0) return std::nullopt;
  return static_cast<size_t>(row);
}

std::optional<size_t> ListChoiceForm::Ask(std::string_view caption, std::string_view label,
                                          const std::vector<std::string>& lines,
                                          std::string_view confirm) {
  Prepare(caption, label, lines, confirm);
  if (ExecOverParent(*this) != QDialog::Accepted) return std::nullopt;
  return Chosen();
}

}  // namespace qn
