// quillnet: start-up, the main window, shut-down.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "engine/database.h"
#include "ui/quill_form.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s %s\n", qn::kProductName.data(), qn::kProductVersion.data());
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("Usage: quillnet [FILE.pdb256 [POSITION]] [--debug] [-install] [-ip ADDRESS] [--user NAME] [--caption TEXT]\n");
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("QuillNet");
  qn::TQuillForm form;
  form.show();
  return app.exec();
}
