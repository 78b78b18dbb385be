// TVisProsessForm, the progress window of long tasks (imports): a caption, a line of text
// and a bar from 0 to 100. The task runs on the user-interface thread and polls Aborted()
// between its steps; each poll and each update lets the window handle its events, so an
// Escape pressed in it is seen and sets the flag. The window blocks the rest of the
// program while it is shown. Made once and reused; Start resets the flag.
#pragma once

#include <QWidget>
#include <string_view>

class QLabel;
class QProgressBar;

namespace qn {

class TVisProsessForm : public QWidget {
  Q_OBJECT
 public:
  explicit TVisProsessForm(QWidget* parent = nullptr);

  // Shows the window with `caption` and `text`, the bar at 0 and the flag cleared.
  void Start(std::string_view caption, std::string_view text);
  void SetText(std::string_view text);
  void SetPosition(int percent);
  // Handles pending events first, then tells whether Escape was pressed since Start.
  bool Aborted();
  void Finish();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* ProsessLabel_;
  QProgressBar* ProgressBar1_;
  bool aborted_ = false;
};

}  // namespace qn
