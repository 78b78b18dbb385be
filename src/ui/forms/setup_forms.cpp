#include "ui/forms/setup_forms.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "env/folders.h"
#include "env/shell.h"
#include "ui/dialogs/qt_text.h"

namespace qn {
namespace {

template <size_t N>
void AddBoxes(QDialog* form, QVBoxLayout* layout, const std::array<SetupItem, N>& items,
              std::array<QCheckBox*, N>& boxes) {
  for (size_t i = 0; i < N; ++i) {
    boxes[i] = new QCheckBox(FromUtf8(items[i].caption), form);
    boxes[i]->setObjectName(FromUtf8(items[i].key));
    layout->addWidget(boxes[i]);
  }
}

void AddOkButton(QDialog* form, QVBoxLayout* layout) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  auto* ok = new QPushButton("O&k", form);
  ok->setObjectName("OkButton");
  ok->setDefault(true);
  row->addWidget(ok);
  layout->addLayout(row);
  QObject::connect(ok, &QPushButton::clicked, form, &QDialog::accept);
}

}  // namespace

// ---- "Oppstart" ----

TOppstartForm::TOppstartForm(QWidget* parent) : QDialog(parent) {
  setObjectName("OppstartForm");
  setWindowTitle(FromUtf8(kStartupCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  AddBoxes(this, layout, kStartupItems, boxes_);
  AddOkButton(this, layout);
  connect(boxes_[kDeleteTemporaryFilesBox], &QCheckBox::clicked, this, [this] { Enable(); });
}

void TOppstartForm::Enable() {
  boxes_[kDeleteSystemFilesBox]->setEnabled(boxes_[kDeleteTemporaryFilesBox]->isChecked());
}

void TOppstartForm::showEvent(QShowEvent* event) {
  StartupOptions options;
  options.Read();
  for (size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setChecked(options.checked[i]);
  Enable();
  QDialog::showEvent(event);
}

void TOppstartForm::hideEvent(QHideEvent* event) {
  StartupOptions options;
  for (size_t i = 0; i < boxes_.size(); ++i) options.checked[i] = boxes_[i]->isChecked();
  options.Write();
  QDialog::hideEvent(event);
}

// ---- "Oppsett Quillnet Database" ----

TQuillnetOppsettForm::TQuillnetOppsettForm(QWidget* parent) : QDialog(parent) {
  setObjectName("QuillnetOppsettForm");
  setWindowTitle(FromUtf8(kDatabaseSetupCaption));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* head = new QHBoxLayout;
  auto* icon = new QLabel(this);
  icon->setObjectName("ProgramIcon");
  const QIcon programIcon = QApplication::windowIcon().isNull()
                                ? style()->standardIcon(QStyle::SP_ComputerIcon)
                                : QApplication::windowIcon();
  icon->setPixmap(programIcon.pixmap(32, 32));
  auto* product = new QLabel("Veltrona QuillNet", this);
  product->setObjectName("ProductName");
  QFont bold = product->font();
  bold.setBold(true);
  product->setFont(bold);
  head->addWidget(icon);
  head->addWidget(product);
  head->addStretch();
  layout->addLayout(head);
  AddBoxes(this, layout, kDatabaseItems, boxes_);
  AddOkButton(this, layout);
}

void TQuillnetOppsettForm::showEvent(QShowEvent* event) {
  DatabaseOptions options;
  options.Read();
  for (size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setChecked(options.checked[i]);
  QDialog::showEvent(event);
}

void TQuillnetOppsettForm::hideEvent(QHideEvent* event) {
  DatabaseOptions options;
  for (size_t i = 0; i < boxes_.size(); ++i) options.checked[i] = boxes_[i]->isChecked();
  options.Write();
  QDialog::hideEvent(event);
}

// ---- "Oppsett programmapper" ----

TMappeOppsettForm::TMappeOppsettForm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
  setObjectName("MappeOppsettForm");
  setWindowTitle(FromUtf8(kFolderSetupCaption));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  for (size_t i = 0; i < boxes_.size(); ++i) {
    const int row = int(i);
    grid->addWidget(new QLabel(FromUtf8(kFolderItems[i].caption), this), row, 0);
    boxes_[i] = new QLineEdit(this);
    boxes_[i]->setObjectName(QString("Mappe%1").arg(row));
    boxes_[i]->setMinimumWidth(360);
    boxes_[i]->installEventFilter(this);
    grid->addWidget(boxes_[i], row, 1);
    auto* browse = new QPushButton("...", this);
    browse->setObjectName(QString("Bla%1").arg(row));
    browse->setAutoDefault(false);
    grid->addWidget(browse, row, 2);
    QLineEdit* box = boxes_[i];
    connect(browse, &QPushButton::clicked, this, [this, box] {
      const std::string chosen = ChooseFolder(box->text().toStdString(), [this](const std::string& title, const std::string& start) {
        return dialogs_.ChooseFolder(title, start);
      });
      box->setText(FromUtf8(chosen));
    });
  }
  layout->addLayout(grid);
  AddOkButton(this, layout);
}

bool TMappeOppsettForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (QLineEdit* box : boxes_) {
      if (watched == box && !box->text().isEmpty()) {
        OpenWithShell(box->text().toStdString());
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TMappeOppsettForm::showEvent(QShowEvent* event) {
  FolderOptions options;
  options.Read();
  for (size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->setText(FromUtf8(options.folders[i]));
  QDialog::showEvent(event);
}

void TMappeOppsettForm::hideEvent(QHideEvent* event) {
  FolderOptions options;
  for (size_t i = 0; i < boxes_.size(); ++i) options.folders[i] = boxes_[i]->text().toStdString();
  options.Write();
  QDialog::hideEvent(event);
}

}  // namespace qn
