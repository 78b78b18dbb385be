#include "ui/forms/point_form.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "store/database.h"
#include "ui/dialogs/button_icons.h"
#include "commands/command_boundary.h"
#include "ui/dialogs/form_buttons.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

namespace {

constexpr int kBoxWidth = 110;

// The boxes the user may type into; their texts go back to the logic before it acts.
constexpr const char* kEditableBoxes[] = {
    "eHeader",  "header",    "VerdiEdit", "datapos",  "pekestatus", "forrige",  "neste",
    "venstre",  "hogre",     "inn",       "ut",       "dataer",     "pekelengd", "Arvdata",
    "dataslutt", "datastart", "Memodata", "ThumbData", "Opprettet", "Endret",   "Replikert"};
constexpr const char* kReadOnlyBoxes[] = {"dl", "netto", "dn", "df", "dr", "FilAttr", "headerstr"};

QFormLayout* NewPage(QTabWidget* tabs, const char* name, const char* caption) {
  auto* page = new QWidget(tabs);
  page->setObjectName(name);
  auto* form = new QFormLayout(page);
  tabs->addTab(page, FromUtf8(caption));
  return form;
}

}  // namespace

TPointForm::TPointForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), logic_(db), readOnly_(db.ReadOnly()) {
  setObjectName("PointForm");
  setWindowTitle(FromUtf8(kPointFormCaption));
  auto* column = new QVBoxLayout(this);

  auto* top = new QLineEdit(this);
  top->setObjectName("headerstr");
  top->setReadOnly(true);
  column->addWidget(top);
  column->addWidget(BuildSpeedButtons());

  PageControl_ = new QTabWidget(this);
  PageControl_->setObjectName("PageControl");
  BuildNamePage();
  BuildPointersPage();
  BuildDataPage();
  BuildReplicationPage();
  BuildFilePage();
  column->addWidget(PageControl_, 1);

  column->addLayout(BuildCloseButtons());
  WireSpeedButtons();
  PageControl_->setCurrentIndex(static_cast<int>(logic_.FirstPage()));
}

QWidget* TPointForm::BuildSpeedButtons() {
  auto* speed = new QWidget(this);
  speed->setObjectName("SpeedPanel");
  auto* speedRow = new QHBoxLayout(speed);
  speedRow->setContentsMargins(0, 0, 0, 0);
  speedRow->setSpacing(0);
  AddSpeedButton(speed, "FirstKnapp", "Første i listen", int(ButtonPicture::kListFirst));
  AddSpeedButton(speed, "UpKnapp", "Opp", int(ButtonPicture::kUp));
  AddSpeedButton(speed, "DownKnapp", "Ned", int(ButtonPicture::kDown));
  AddSpeedButton(speed, "LastKnapp", "Siste i listen", int(ButtonPicture::kListLast));
  AddSpeedButton(speed, "LeftKnapp", "Venstre", int(ButtonPicture::kLeft));
  AddSpeedButton(speed, "RightKnapp", "Høyre", int(ButtonPicture::kRight));
  AddSpeedButton(speed, "InKnapp", "Inn", int(ButtonPicture::kInward));
  AddSpeedButton(speed, "OutKnapp", "Ut", int(ButtonPicture::kOutward));
  AddSpeedButton(speed, "HomeKnapp", "Filhodet (posisjon 0)", int(ButtonPicture::kFirstData));
  AddSpeedButton(speed, "SpeedButton3", "Filhodet (posisjon 0)", int(ButtonPicture::kListFirst));
  AddSpeedButton(speed, "SpeedButton2", "Merk av denne posisjon (push)", int(ButtonPicture::kMark));
  AddSpeedButton(speed, "PopKnapp", "Hopp til siste merket posisjon (pop)",
                 int(ButtonPicture::kPopMark));
  speedRow->addStretch();
  return speed;
}

void TPointForm::BuildNamePage() {
  QFormLayout* navn = NewPage(PageControl_, "NavnSide", "&Navn");
  navn->addRow("Navn", AddBox(this, "eHeader"));
  navn->addRow("Posisjon", AddBox(this, "header"));
  auto* copyRow = new QHBoxLayout;
  auto* copy = new QPushButton("Kopier posisjon", this);
  copy->setObjectName("KopierHeader");
  auto* paste = new QPushButton("Lim inn posisjon", this);
  paste->setObjectName("LimInnheader");
  copyRow->addWidget(copy);
  copyRow->addWidget(paste);
  copyRow->addStretch();
  navn->addRow(copyRow);
  VerdiLabel_ = new QLabel("Verdi", this);
  VerdiLabel_->setObjectName("VerdiLabel");
  QLineEdit* value = AddBox(this, "VerdiEdit");
  value->setMinimumWidth(240);
  navn->addRow(VerdiLabel_, value);
  auto* saveValue = new QPushButton("Lagre verdi", this);
  saveValue->setObjectName("VerdiKnapp");
  navn->addRow(saveValue);
  connect(copy, &QPushButton::clicked, this, [this] { Keep(&PointProperties::KopierHeaderClick); });
  connect(paste, &QPushButton::clicked, this,
          [this] { Keep(&PointProperties::LimInnheaderClick); });
  saveValue->setEnabled(!readOnly_);
  connect(saveValue, &QPushButton::clicked, this, [this] { VerdiKnappClick(); });
}

void TPointForm::BuildPointersPage() {
  QFormLayout* pekere = NewPage(PageControl_, "PekereSide", "&Pekere");
  pekere->addRow("Denne", AddBox(this, "datapos"));
  pekere->addRow("S&tatus:", AddBox(this, "pekestatus"));
  pekere->addRow("Opp", AddBox(this, "forrige"));
  pekere->addRow("Ned", AddBox(this, "neste"));
  pekere->addRow("Venstre", AddBox(this, "venstre"));
  pekere->addRow(FromUtf8("Høyre"), AddBox(this, "hogre"));
  pekere->addRow("Inn", AddBox(this, "inn"));
  pekere->addRow("Ut", AddBox(this, "ut"));
}

void TPointForm::BuildDataPage() {
  QFormLayout* data = NewPage(PageControl_, "DataSide", "&Data");
  data->addRow("Posisjon til data", AddBox(this, "dataer"));
  data->addRow("Posisjon til mal", AddBox(this, "pekelengd"));
  data->addRow("Posisjon til dataarv", AddBox(this, "Arvdata"));
  data->addRow("Posisjon i data", AddBox(this, "dataslutt"));
  data->addRow("Oppdateringsdata", AddBox(this, "datastart"));
  data->addRow("Notat", AddBox(this, "Memodata"));
  data->addRow("Bilde", AddBox(this, "ThumbData"));
  auto* head = new QGroupBox("Data header", this);
  head->setObjectName("DataHeader");
  auto* headForm = new QFormLayout(head);
  auto* lengthRow = new QHBoxLayout;
  lengthRow->addWidget(AddBox(head, "dl", true));
  lengthRow->addWidget(AddBox(head, "netto", true));
  headForm->addRow("Lengd (bytes)", lengthRow);
  headForm->addRow("Neste blokk", AddBox(head, "dn", true));
  headForm->addRow("Forrige blokk", AddBox(head, "df", true));
  headForm->addRow("Data Tag", AddBox(head, "dr", true));
  data->addRow(head);
}

void TPointForm::BuildReplicationPage() {
  QFormLayout* repl = NewPage(PageControl_, "ReplikeringSide", "&Replikering");
  repl->addRow("Opprettet", AddBox(this, "Opprettet"));
  repl->addRow("Endret", AddBox(this, "Endret"));
  repl->addRow("Replikert", AddBox(this, "Replikert"));
  ReplStatus_ = new QComboBox(this);
  ReplStatus_->setObjectName("ReplStatus");
  for (std::string_view line : kReplicationLines) ReplStatus_->addItem(FromUtf8(line));
  repl->addRow("Status", ReplStatus_);
}

void TPointForm::BuildFilePage() {
  QFormLayout* fil = NewPage(PageControl_, "FilSide", "Fil");
  fil->addRow("Filattributt:", AddBox(this, "FilAttr", true));
}

QHBoxLayout* TPointForm::BuildCloseButtons() {
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* lukk = new QPushButton("&Lukk", this);
  lukk->setObjectName("LukkKnapp");
  lukk->setDefault(true);
  auto* avbryt = new QPushButton("&Avbryt", this);
  avbryt->setObjectName("AvbrytKnapp");
  auto* save = new QPushButton("Lagre", this);
  save->setObjectName(kSaveButtonName);
  save->setEnabled(!readOnly_);
  buttons->addWidget(lukk);
  buttons->addWidget(avbryt);
  buttons->addWidget(save);
  connect(lukk, &QPushButton::clicked, this, &QDialog::accept);
  connect(avbryt, &QPushButton::clicked, this, &QDialog::reject);
  connect(save, &QPushButton::clicked, this, [this] { LagreClick(); });
  return buttons;
}

void TPointForm::WireSpeedButtons() {
  const std::pair<const char*, int32_t (PointProperties::*)()> walks[] = {
      {"FirstKnapp", &PointProperties::FirstKnappClick},
      {"UpKnapp", &PointProperties::UpKnappClick},
      {"DownKnapp", &PointProperties::DownKnappClick},
      {"LastKnapp", &PointProperties::LastKnappClick},
      {"LeftKnapp", &PointProperties::LeftKnappClick},
      {"RightKnapp", &PointProperties::RightKnappClick},
      {"InKnapp", &PointProperties::InKnappClick},
      {"OutKnapp", &PointProperties::OutKnappClick},
      {"HomeKnapp", &PointProperties::HomeKnappClick},
      {"SpeedButton3", &PointProperties::HomeKnappClick},
      {"PopKnapp", &PointProperties::PopKnappClick},
  };
  for (const auto& [name, click] : walks) {
    auto* button = findChild<QToolButton*>(name);
    connect(button, &QToolButton::clicked, this, [this, click = click] { Reread(click); });
  }
  connect(findChild<QToolButton*>("SpeedButton2"), &QToolButton::clicked, this, [this] {
    FromWidgets();
    logic_.SpeedButton2Click();
    ToWidgets();
  });
}

QLineEdit* TPointForm::AddBox(QWidget* parent, const char* name, bool readOnly) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setReadOnly(readOnly);
  box->setMinimumWidth(kBoxWidth);
  return box;
}

QToolButton* TPointForm::AddSpeedButton(QWidget* row, const char* name, const char* hint,
                                        int picture) {
  auto* button = new QToolButton(row);
  button->setObjectName(name);
  button->setAutoRaise(true);
  button->setIcon(ButtonIcon(static_cast<ButtonPicture>(picture)));
  button->setIconSize(QSize(20, 20));
  button->setToolTip(FromUtf8(hint));
  button->setAccessibleName(FromUtf8(hint));
  button->setFocusPolicy(Qt::NoFocus);
  row->layout()->addWidget(button);
  return button;
}

void TPointForm::ToWidgets() {
  // A text longer than its box shows its start; the display name shows whole as a tip.
  const auto fill = [this](const char* name) {
    auto* box = findChild<QLineEdit*>(name);
    box->setText(FromUtf8(logic_.Box(name)));
    box->setCursorPosition(0);
  };
  for (const char* name : kEditableBoxes) fill(name);
  for (const char* name : kReadOnlyBoxes) fill(name);
  auto* displayName = findChild<QLineEdit*>("headerstr");
  // Rich text, so a long name wraps in the tip instead of running off the screen.
  displayName->setToolTip(QStringLiteral("<p>") + displayName->text().toHtmlEscaped() +
                          QStringLiteral("</p>"));
  ReplStatus_->setCurrentIndex(logic_.ReplStatus());
  for (std::string_view name : kPointButtons) {
    if (auto* button = findChild<QAbstractButton*>(FromUtf8(name))) {
      button->setEnabled(logic_.Enabled(name));
    }
  }
  const bool value = logic_.ValueShown();
  VerdiLabel_->setVisible(value);
  findChild<QLineEdit*>("VerdiEdit")->setVisible(value);
  findChild<QPushButton*>("VerdiKnapp")->setVisible(value);
}

void TPointForm::FromWidgets() {
  for (const char* name : kEditableBoxes) {
    logic_.SetBox(name, findChild<QLineEdit*>(name)->text().toStdString());
  }
  logic_.SetReplStatus(ReplStatus_->currentIndex());
}

void TPointForm::Reread(int32_t (PointProperties::*click)()) {
  (logic_.*click)();
  ToWidgets();
}

void TPointForm::Keep(void (PointProperties::*click)()) {
  FromWidgets();
  (logic_.*click)();
  ToWidgets();
}

void TPointForm::ShowRefusal(const std::string& message) {
  dialogs_.Message(kPointFormCaption, message, MessageKind::kWarning);
}

void TPointForm::LagreClick() {
  if (RefusedReadOnly()) return;
  FromWidgets();
  const std::string refusal = logic_.LagreClick();
  if (!refusal.empty()) {
    ShowRefusal(refusal);
    return;  // the typed texts stay for correcting
  }
  ToWidgets();
}

bool TPointForm::RefusedReadOnly() {
  if (!readOnly_) return false;
  dialogs_.Message(kPointFormCaption, kReadOnlyRefusal, MessageKind::kInformation);
  ToWidgets();  // what was typed is not stored, so the boxes show the record again
  return true;
}

void TPointForm::VerdiKnappClick() {
  if (RefusedReadOnly()) return;
  FromWidgets();
  const std::string refusal = logic_.VerdiKnappClick();
  if (!refusal.empty()) ShowRefusal(refusal);
  ToWidgets();
}

void TPointForm::showEvent(QShowEvent* event) {
  if (!read_) {
    read_ = true;
    logic_.LesData();
    ToWidgets();
  }
  QDialog::showEvent(event);
}

void TPointForm::done(int result) {
  // Closing a read-only dialog stores nothing; it only showed the record.
  if (read_ && !readOnly_) {
    FromWidgets();
    const std::string refusal = logic_.SkrivData();
    if (!refusal.empty()) {
      ShowRefusal(refusal);
      if (result == QDialog::Accepted) return;  // "&Lukk": correct the box, or cancel
    }
  }
  QDialog::done(result);
}

int ShowPointerProperties(tDataImageArk& db, Dialogs& dialogs, QWidget* parent) {
  if (!db.IsOpen()) return -1;
  TPointForm form(db, dialogs, parent);
  return ExecOverParent(form) == QDialog::Accepted ? 1 : -1;
}

}  // namespace qn
