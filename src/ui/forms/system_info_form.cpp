#include "ui/forms/system_info_form.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/database.h"
#include "env/folders.h"
#include "env/log.h"
#include "env/settings.h"
#include "env/shell.h"
#include "ui/dialogs/qt_text.h"

namespace qn {
namespace {

std::string Registered(std::string_view folder) {
  const std::string path = SharedSettings().Get(kFoldersSection, FolderKey(folder));
  return path.empty() ? "(ikke registrert)" : path;
}

}  // namespace

std::vector<std::string> TSystemInfoForm::Lines(std::string_view databaseFile) {
  std::vector<std::string> lines = {
      "Produkt: " + std::string(kProductName),
      "Versjon: " + std::string(kProductVersion),
      "Versjonsdato: " + std::string(kVersionDate),
      "Modus: " + std::string(kCreateMode),
      std::string(kBuildText),
      "",
      "Innstillingsfil: " + IniFileName() + (SettingsReadOnly() ? " (skrivebeskyttet)" : ""),
      "Brukerfil: " + UserSettingsFileName(),
      "Database: " + std::string(databaseFile.empty() ? "(ingen)" : databaseFile),
      "Loggfil: " + LogFileName(),
      "",
      "Mapper:",
      "  (base): " + BaseFolder(),
      "  bin: " + Registered("bin"),
      "  doc: " + Registered("doc"),
  };
  for (const std::string& name : StandardFolderNames()) {
    lines.push_back("  " + name + ": " + Registered(name));
  }
  return lines;
}

TSystemInfoForm::TSystemInfoForm(std::string_view databaseFile, QWidget* parent)
    : QDialog(parent) {
  setObjectName("SystemInfoForm");
  setWindowTitle("Systeminformasjon");
  auto* layout = new QVBoxLayout(this);
  auto* memo = new QPlainTextEdit(this);
  memo->setObjectName("InfoMemo");
  memo->setReadOnly(true);
  memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  QString text;
  for (const std::string& line : Lines(databaseFile)) text += FromUtf8(line) + "\n";
  memo->setPlainText(text);
  layout->addWidget(memo);
  auto* row = new QHBoxLayout;
  auto* log = new QPushButton("&Lagre og vis logg", this);
  log->setObjectName("LoggButton");
  auto* close = new QPushButton("&Lukk", this);
  close->setObjectName("LukkButton");
  close->setDefault(true);
  row->addWidget(log);
  row->addStretch();
  row->addWidget(close);
  layout->addLayout(row);
  connect(log, &QPushButton::clicked, this, [this] { SaveAndShowLog(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  resize(560, 420);
}

void TSystemInfoForm::SaveAndShowLog() {
  SaveLogFile();
  OpenWithShell(LogFileName());
}

}  // namespace qn
