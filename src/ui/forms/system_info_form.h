// TSystemInfoForm, the system information window ("Systeminformasjon"): the engine's
// product constants, the settings files, the open database, the log file and the working
// folders, one fact a line, and a button that saves the log and opens it. Reading the
// facts never creates a folder: a folder shows as registered, or as not registered yet.
#pragma once

#include <QDialog>
#include <string>
#include <string_view>
#include <vector>

namespace qn {

class TSystemInfoForm : public QDialog {
  Q_OBJECT
 public:
  TSystemInfoForm(std::string_view databaseFile, QWidget* parent = nullptr);

  // The lines the window shows, for the database file `databaseFile`.
  static std::vector<std::string> Lines(std::string_view databaseFile);
  // "&Lagre og vis logg": the log is written to its file, which is then opened.
  void SaveAndShowLog();
};

}  // namespace qn
