// The file information window ("Info [" + file name + "]"): the database file walked block
// by block from its first byte on a read-only handle of its own, one list line per block.
// The window's creation does the walk; a large file shows a progress window in which
// Escape stops the walk, and the lines found until then stay. The window's placement is
// kept under "QuillNetInfoForm".
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/dialogs.h"

class QListWidget;

namespace qn {

class tDataImageArk;

inline constexpr std::string_view kInfoFormName = "QuillNetInfoForm";
// Files of at least this many bytes show the progress window while they are walked.
inline constexpr int64_t kInfoProgressBytes = 4 << 20;
// The progress window is updated, and asked for Escape, every this many blocks.
inline constexpr int32_t kInfoPollBlocks = 1024;

struct FileInfoScan {
  std::vector<std::string> lines;
  bool stopped = false;  // Escape ended the walk before the end of the file
};

// "Info [" + fileName + "]".
std::string InfoCaption(std::string_view fileName);

// Walks `fileName`. From `progressFrom` bytes on the walk shows its progress through
// `dialogs` and stops when the progress window reports Escape; the last line then says
// where it stopped. A file that cannot be opened gives one line saying so.
FileInfoScan ScanFileInfo(const std::string& fileName, Dialogs& dialogs,
                          int64_t progressFrom = kInfoProgressBytes);

class TInfoForm : public QDialog {
  Q_OBJECT
 public:
  // Walks the file of `db` (which must be open) and lists it; `dialogs` shows the
  // progress of a large file.
  TInfoForm(tDataImageArk& db, Dialogs& dialogs, QWidget* parent = nullptr,
            int64_t progressFrom = kInfoProgressBytes);

  QListWidget* ListBox1() const { return ListBox1_; }

  // Closing in any way saves the placement.
  void done(int result) override;

 private:
  QListWidget* ListBox1_;
};

// ShowFileInfo: the window for the open database, shown modally.
void ShowFileInfo(tDataImageArk& db, Dialogs& dialogs, QWidget* parent);

}  // namespace qn
