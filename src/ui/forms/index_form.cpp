#include "ui/forms/index_form.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "content/bookmark_explorer.h"
#include "ui/dialogs/qt_text.h"

namespace qn {
namespace {

QLineEdit* Field(QWidget* parent, const char* name, bool readOnly) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setReadOnly(readOnly);
  return edit;
}

}  // namespace

TIndexForm::TIndexForm(BookmarkExplorer& explorer, QWidget* parent)
    : QDialog(parent), explorer_(explorer) {
  setObjectName("IndexForm");
  setWindowTitle(FromUtf8(kBookmarkExplorerCaption));
  setModal(true);
  auto* grid = new QGridLayout;
  Edit1_ = Field(this, "Edit1", true);
  Edit3_ = Field(this, "Edit3", false);
  ipos_ = Field(this, "ipos", true);
  inr_ = Field(this, "inr", true);
  indexpos_ = Field(this, "indexpos", true);
  ilabel_ = new QLabel(this);
  ilabel_->setObjectName("ilabel");
  ilabel_->setMinimumWidth(24);
  finnes_ = new QCheckBox("Finnes i pos:", this);
  finnes_->setObjectName("finnes");
  auto_ = new QCheckBox(QString::fromUtf8("Auto søk etter brukt index"), this);
  auto_->setObjectName("auto");
  grid->addWidget(new QLabel("Innholdsfortegnelse", this), 0, 0);
  grid->addWidget(Edit1_, 0, 1, 1, 4);
  grid->addWidget(new QLabel("Bokmerke", this), 1, 0);
  grid->addWidget(Edit3_, 1, 1, 1, 4);
  grid->addWidget(new QLabel("nr.", this), 2, 0);
  grid->addWidget(inr_, 2, 1);
  grid->addWidget(ilabel_, 2, 2);
  auto* previous = new QToolButton(this);
  previous->setObjectName("SpeedButton2");
  previous->setArrowType(Qt::LeftArrow);
  auto* next = new QToolButton(this);
  next->setObjectName("SpeedButton1");
  next->setArrowType(Qt::RightArrow);
  auto* arrows = new QHBoxLayout;
  arrows->addWidget(previous);
  arrows->addWidget(next);
  grid->addLayout(arrows, 2, 3);
  grid->addWidget(new QLabel("pos.", this), 3, 0);
  grid->addWidget(ipos_, 3, 1);
  grid->addWidget(finnes_, 4, 0);
  grid->addWidget(indexpos_, 4, 1);
  grid->addWidget(auto_, 5, 0, 1, 3);

  auto* buttons = new QHBoxLayout;
  const std::pair<const char*, const char*> names[] = {
      {"FremButton", "&Frem"},     {"ResetButton", "&Reset"},
      {"HentButton", "&Hent"},     {"TilbakeButton", "&Tilbake"},
      {"HoppButton", "Hopp til bokmerke"}, {"LagreButton", "&Lagre"}};
  QPushButton* made[6] = {};
  int i = 0;
  for (const auto& [name, caption] : names) {
    made[i] = new QPushButton(QString::fromUtf8(caption), this);
    made[i]->setObjectName(name);
    made[i]->setAutoDefault(false);
    buttons->addWidget(made[i]);
    ++i;
  }
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(next, &QToolButton::clicked, this, [this] { Act(&BookmarkExplorer::NextCharacter); });
  connect(previous, &QToolButton::clicked, this,
          [this] { Act(&BookmarkExplorer::PreviousCharacter); });
  connect(made[0], &QPushButton::clicked, this, [this] { Act(&BookmarkExplorer::Forward); });
  connect(made[1], &QPushButton::clicked, this, [this] { Act(&BookmarkExplorer::Reset); });
  connect(made[2], &QPushButton::clicked, this, [this] { Act(&BookmarkExplorer::Fetch); });
  connect(made[3], &QPushButton::clicked, this, [this] { Act(&BookmarkExplorer::Back); });
  connect(made[4], &QPushButton::clicked, this, [this] { HoppClick(); });
  // "&Lagre" has nothing to store: every step is written as it is made.
  ShowFields();
  // The prefix is the one entry the user types in; the others only show the model.
  Edit3_->setFocus();
}

void TIndexForm::TakeFields() {
  explorer_.SetNodeName(Edit3_->text().toStdString());
  explorer_.SetExists(finnes_->isChecked());
  explorer_.SetAutoSearch(auto_->isChecked());
}

void TIndexForm::ShowFields() {
  Edit1_->setText(FromUtf8(explorer_.TableName()));
  Edit3_->setText(FromUtf8(explorer_.NodeName()));
  ipos_->setText(QString::number(explorer_.ChildPosition()));
  inr_->setText(QString::number(explorer_.Teller()));
  ilabel_->setText(FromUtf8(explorer_.Character()));
  finnes_->setChecked(explorer_.Exists());
  indexpos_->setText(QString::number(explorer_.Target()));
  auto_->setChecked(explorer_.AutoSearch());
}

void TIndexForm::Act(void (BookmarkExplorer::*action)()) {
  TakeFields();
  (explorer_.*action)();
  ShowFields();
}

void TIndexForm::HoppClick() {
  TakeFields();
  if (explorer_.Jump()) accept();
}

}  // namespace qn
