#include "ui/forms/notat_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "content/note_text.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"

namespace qn {

TNotatForm::TNotatForm(NoteEditor& editor, Dialogs& dialogs, QWidget* parent, bool readOnly)
    : QDialog(parent), editor_(editor), dialogs_(dialogs) {
  setObjectName("NotatForm");
  setWindowTitle(FromUtf8(kNoteCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  Memo_ = new QPlainTextEdit(this);
  Memo_->setObjectName("Memo1");
  Memo_->setTabChangesFocus(false);
  Memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo_->setPlainText(FromUtf8(editor_.Text()));
  Memo_->setReadOnly(readOnly);
  layout->addWidget(Memo_, 1);

  auto* row = new QHBoxLayout;
  RoomLabel_ = new QLabel(this);
  RoomLabel_->setObjectName("RoomLabel");
  row->addWidget(RoomLabel_);
  row->addStretch();
  SaveButton_ = new QPushButton("&Lagre", this);
  SaveButton_->setObjectName(kSaveButtonName);
  SaveButton_->setEnabled(!readOnly);
  auto* cancel = new QPushButton("&Avbryt", this);
  cancel->setObjectName("AvbrytButton");
  row->addWidget(SaveButton_);
  row->addWidget(cancel);
  layout->addLayout(row);
  connect(SaveButton_, &QPushButton::clicked, this, [this] { LagreClick(); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(Memo_, &QPlainTextEdit::textChanged, this, [this] { ShowRoom(); });
  ShowRoom();
  resize(560, 420);
}

void TNotatForm::ShowRoom() {
  const NoteFit fit = MeasureNoteText(Memo_->toPlainText().toStdString());
  std::string text = fit.Remaining() >= 0
                         ? std::to_string(fit.Remaining()) + " tegn igjen"
                         : std::to_string(-fit.Remaining()) + " tegn for mye";
  if (!fit.unencodable.empty()) text += "; \"" + fit.unencodable + "\" kan ikke lagres";
  RoomLabel_->setText(FromUtf8(text));
}

void TNotatForm::LagreClick() {
  const std::string refusal = editor_.Save(Memo_->toPlainText().toStdString());
  if (!refusal.empty()) {
    dialogs_.Message(kErrorCaption, refusal, MessageKind::kWarning);
    return;
  }
  accept();
}

}  // namespace qn
