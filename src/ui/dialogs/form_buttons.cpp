#include "ui/dialogs/form_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace qn {

void AddOkCancelButtons(QDialog* dialog, QBoxLayout* layout, std::function<void()> onOk) {
  auto* buttons = new QDialogButtonBox(dialog);
  QPushButton* ok = buttons->addButton("O&k", QDialogButtonBox::AcceptRole);
  ok->setObjectName("OkButton");
  ok->setDefault(true);
  QPushButton* cancel = buttons->addButton("&Avbryt", QDialogButtonBox::RejectRole);
  cancel->setObjectName("AvbrytButton");
  if (onOk) {
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, std::move(onOk));
  } else {
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  }
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

}  // namespace qn
