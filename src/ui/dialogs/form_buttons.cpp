#include "ui/dialogs/form_buttons.h"

#include <QBoxLayout>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
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

void AddDirectionButtons(QDialog* dialog, QBoxLayout* layout,
                         std::initializer_list<DirectionButton> buttons, tDirection& chosen,
                         bool withCancel) {
  auto* row = new QHBoxLayout;
  for (const DirectionButton& button : buttons) {
    auto* push = new QPushButton(QString::fromUtf8(button.caption), dialog);
    push->setObjectName(button.objectName);
    push->setDefault(button.direction == DirDown);
    const tDirection direction = button.direction;
    QObject::connect(push, &QPushButton::clicked, dialog, [dialog, &chosen, direction] {
      chosen = direction;
      dialog->accept();
    });
    row->addWidget(push);
  }
  if (withCancel) {
    auto* cancel = new QPushButton("&Avbryt", dialog);
    cancel->setObjectName("AvbrytButton");
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    row->addWidget(cancel);
  }
  layout->addLayout(row);
}

}  // namespace qn
