#include "ui/forms/global_pointer_form.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "content/global_pointer.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"

namespace qn {

TGlobalPointerForm::TGlobalPointerForm(GlobalPointerEditor& editor, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), editor_(editor), dialogs_(dialogs) {
  setObjectName("GlobalPointerForm");
  setWindowTitle(FromUtf8(kGlobalPointerCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  eFilnavn_ = new QLineEdit(FromUtf8(editor_.fileName), this);
  eFilnavn_->setObjectName("eFilnavn");
  eFilnavn_->setMaxLength(kNameMaxText);
  eFilnavn_->setMinimumWidth(360);
  auto* browse = new QPushButton("....", this);
  browse->setObjectName("BrowseButton");
  browse->setAutoDefault(false);
  ePosisjon_ = new QLineEdit(FromUtf8(editor_.positionText), this);
  ePosisjon_->setObjectName("ePosisjon");
  eTekst_ = new QLineEdit(FromUtf8(editor_.text), this);
  eTekst_->setObjectName("eTekst");
  eTekst_->setMaxLength(kGlobalTextMax);
  grid->addWidget(new QLabel("Filnavn:", this), 0, 0);
  grid->addWidget(eFilnavn_, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(new QLabel("Posisjon:", this), 1, 0);
  grid->addWidget(ePosisjon_, 1, 1);
  grid->addWidget(new QLabel("Tekst:", this), 2, 0);
  grid->addWidget(eTekst_, 2, 1);
  layout->addLayout(grid);

  auto* group = new QGroupBox(" Tilkobling: ", this);
  group->setObjectName("eMetode");
  auto* column = new QVBoxLayout(group);
  eMetode_ = new QButtonGroup(this);
  const char* methods[] = {"Filnavn og posisjon", "Filnavn og tekst"};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(methods[i], group);
    radio->setObjectName(QString("eMetode%1").arg(i));
    eMetode_->addButton(radio, i);
    column->addWidget(radio);
  }
  if (QAbstractButton* chosen = eMetode_->button(editor_.method)) chosen->setChecked(true);
  // Each method asks only for what it uses: a Position, or a text to look for.
  const auto methodChosen = [this] {
    const bool byText = eMetode_->checkedId() == kMethodText;
    ePosisjon_->setEnabled(!byText);
    eTekst_->setEnabled(byText);
  };
  methodChosen();
  connect(eMetode_, &QButtonGroup::idClicked, this, methodChosen);
  layout->addWidget(group);
  automatisk_ = new QCheckBox("Automatisk", this);
  automatisk_->setObjectName("Automatisk");
  automatisk_->setChecked(editor_.automatic);
  layout->addWidget(automatisk_);

  AddOkCancelButtons(this, layout, [this] { OkClick(); });
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString file = QFileDialog::getOpenFileName(
        this, QString(), eFilnavn_->text(), "Peker databaser (*.pdb256);;Alle filer (*)", nullptr,
        QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty()) eFilnavn_->setText(file);
  });
}

void TGlobalPointerForm::OkClick() {
  editor_.fileName = eFilnavn_->text().toStdString();
  editor_.positionText = ePosisjon_->text().toStdString();
  editor_.text = eTekst_->text().toStdString();
  editor_.method = eMetode_->checkedId() < 0 ? 0 : eMetode_->checkedId();
  editor_.automatic = automatisk_->isChecked();
  const std::string refusal = editor_.Ok();
  if (!refusal.empty()) {
    dialogs_.Message(kErrorCaption, refusal, MessageKind::kError);
    return;
  }
  accept();
}

}  // namespace qn
