// window_bench: the window's refresh as the user waits for it, painting included. The main
// window (offscreen) on a list of 100, 10,000 and 100,000 records, and on a scattered list
// of 100,000 (two lists grown in turns), with the cursor first, in the middle and last:
//   refresh  the view measured, drawn and painted on the screen (vis, then a repaint);
//   key      the list key Ctrl+Down (Ctrl+Up on the last record): the move, its refresh
//            and the repaint;
//   new      a new line below the cursor ("Linje") made durable in the file (the journal's
//            syncs take most of it), with its refresh and repaint; a "*" marks a refresh
//            that counted the whole list again.
//
//   window_bench [--scale F] [--keep]
#include <stdlib.h>

#include <QAction>
#include <QApplication>
#include <QShortcut>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_lists.h"
#include "bench_support.h"
#include "env/log.h"
#include "env/settings.h"
#include "store/database.h"
#include "store/datapointer.h"
#include "ui/dialogs/scripted_dialogs.h"
#include "ui/window/quill_form.h"

using namespace qn;
using namespace qn::bench;

namespace {

void MeasureWindow(const std::string& dir, int count, int others) {
  const std::string path = dir + "/window-" + std::to_string(count) + "-" + std::to_string(others) + ".pdb256";
  const std::vector<Position> records = BuildLongList(path, count, others);
  ScriptedDialogs dialogs;
  TQuillForm form;
  form.SetDialogs(&dialogs);
  form.FormCreate({path});
  form.setWindowState(Qt::WindowNoState);
  form.resize(800, 600);
  form.show();
  QApplication::processEvents();
  QWidget* box = form.findChild<QWidget*>("PaintBox1");
  Datapointer& dp = *form.dataark().dp;
  // The window's shortcuts for the list keys.
  QShortcut* down = nullptr;
  QShortcut* up = nullptr;
  for (QShortcut* shortcut : form.findChildren<QShortcut*>()) {
    if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_Down)) down = shortcut;
    if (shortcut->key() == QKeySequence(Qt::CTRL | Qt::Key_Up)) up = shortcut;
  }
  if (down == nullptr || up == nullptr) {
    std::puts("the window has no list keys");
    return;
  }
  std::printf("  list of %6d%s:", count, others > 0 ? " (scattered)" : "            ");
  for (const size_t at : {size_t(0), records.size() / 2, records.size() - 1}) {
    dp.Load(records[at]);
    form.vis(0);  // the first refresh on the list counts it
    const double refresh = Best(5, [&] {
      form.vis(0);
      box->repaint();
    });
    const double key = Best(5, [&] {
      const Position before = dp.CurrentPosition();
      emit (dp.Down() > 0 ? down : up)->activated();
      box->repaint();
      if (dp.CurrentPosition() == before) std::puts("the key did not move the cursor");
    });
    bool counted = false;
    const double line = Best(5, [&] {
      dialogs.AnswerNewLine("Ny", DirDown);
      form.MenuItem("Linje1")->trigger();
      counted = counted || form.place().LastCounted();
      box->repaint();
    });
    std::printf("   %s %6.3f ms (key %5.3f, new %5.3f%s)",
                at == 0 ? "first" : at + 1 == records.size() ? "last" : "middle", refresh * 1e3, key * 1e3,
                line * 1e3, counted ? "*" : "");
  }
  std::printf("\n");
  form.close();
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!Start(argc, argv, "window_bench", &options)) return 2;
  // The window's settings and per-user files live in the benchmark's folder.
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::setenv("HOME", options.dir.c_str(), 1);
  ::setenv("APPDATA", (options.dir + "/appdata").c_str(), 1);
  std::filesystem::create_directories(options.dir + "/appdata/Veltrona/etc");
  OpenSettings(options.dir + "/appdata/Veltrona/etc/veltrona.ini");
  LoggingEnabled = false;
  QApplication app(argc, argv);
  std::printf("The window's refresh, a list key and a new line, painting included (30 rows shown):\n");
  for (int count : {100, 10000, 100000}) MeasureWindow(options.dir, std::max(30, int(count * options.scale)), 0);
  MeasureWindow(options.dir, std::max(30, int(100000 * options.scale)), 1);
  Finish(options);
  return 0;
}
