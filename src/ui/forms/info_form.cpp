#include "ui/forms/info_form.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QStringList>
#include <QVBoxLayout>

#include "env/block_file.h"
#include "store/block_scan.h"
#include "store/error_text.h"
#include "store/database.h"
#include "env/user_state.h"
#include "ui/dialogs/qt_text.h"
#include "ui/dialogs/wait_cursor.h"
#include "ui/dialogs/dialog_place.h"

namespace qn {

namespace {

ScreenSize AvailableScreen() {
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect r = screen->availableGeometry();
    return {r.width(), r.height()};
  }
  return {1024, 768};
}

}  // namespace

std::string InfoCaption(std::string_view fileName) {
  return "Info [" + std::string(fileName) + "]";
}

FileInfoScan ScanFileInfo(const std::string& fileName, Dialogs& dialogs, int64_t progressFrom) {
  FileInfoScan scan;
  std::unique_ptr<ProgressTask> task;
  int64_t stoppedAt = 0;
  const auto check = [&](const ScanProgress& p) {
    if (p.fileSize < progressFrom || p.blocks % kInfoPollBlocks != 0) return true;
    if (!task) task = dialogs.StartProgress(InfoCaption(fileName), "Leser blokkene i filen ...");
    task->SetPosition(p.fileSize > 0 ? static_cast<int>(p.position * 100 / p.fileSize) : 100);
    if (task->Aborted()) {
      stoppedAt = p.position;
      return false;
    }
    return true;
  };
  const int32_t error = ScanDatabaseFile(
      *DiskFileSystem(), fileName, [&scan](const std::string& line) { scan.lines.push_back(line); },
      check, &scan.stopped);
  task.reset();
  if (error != 0) {
    scan.lines.push_back("Kan ikke åpne filen " + fileName + ": " + ReasonAndNumber(error));
  } else if (scan.stopped) {
    scan.lines.push_back("Avbrutt ved pos:" + std::to_string(stoppedAt));
  }
  return scan;
}

TInfoForm::TInfoForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent, int64_t progressFrom)
    : QDialog(parent) {
  WaitCursor hourglass;
  setObjectName("InfoForm");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  ListBox1_ = new QListWidget(this);
  ListBox1_->setObjectName("ListBox1");
  ListBox1_->setUniformItemSizes(true);  // long lists lay out without measuring each line
  layout->addWidget(ListBox1_);
  resize(520, 420);

  WindowGeometry geometry{x(), y(), width(), height(), false};
  std::string text;
  if (WindowPositionStored(kInfoFormName)) {
    LoadWindowPosition(geometry, kInfoFormName, text, AvailableScreen());
  } else if (parent != nullptr) {
    // Until the user has closed it once, it stands centred over the window it is opened
    // from; the placement it is closed with is the one kept from then on.
    const QPoint centre = parent->window()->frameGeometry().center();
    geometry.left = centre.x() - geometry.width / 2;
    geometry.top = centre.y() - geometry.height / 2;
  }
  move(geometry.left, geometry.top);
  resize(geometry.width, geometry.height);
  if (geometry.maximized) setWindowState(windowState() | Qt::WindowMaximized);
  setWindowTitle(FromUtf8(InfoCaption(db.FileName())));

  const FileInfoScan scan = ScanFileInfo(db.FileName(), dialogs, progressFrom);
  QStringList lines;
  lines.reserve(static_cast<qsizetype>(scan.lines.size()));
  for (const std::string& line : scan.lines) lines.append(FromUtf8(line));
  ListBox1_->addItems(lines);
}

void TInfoForm::done(int result) {
  const WindowGeometry geometry{x(), y(), width(), height(), isMaximized()};
  SaveWindowPosition(geometry, kInfoFormName, "");
  QDialog::done(result);
}

void ShowFileInfo(tDataImageArk& db, Dialogs& dialogs, QWidget* parent) {
  TInfoForm form(db, dialogs, parent);
  ExecOverParent(form);
}

}  // namespace qn
