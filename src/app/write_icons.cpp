// quillnet-icons DIR: writes the program's icon into DIR as an icon theme's folders hold
// it (DIR/16x16/apps/quillnet.png ... DIR/256x256/apps/quillnet.png). The build runs it;
// it is not installed.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "ui/dialogs/program_icon.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("Usage: quillnet-icons DIR\n", stderr);
    return 2;
  }
  // Painting into an image needs no screen.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString root = QString::fromLocal8Bit(argv[1]);
  for (int side : qn::kProgramIconSizes) {
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(root).arg(side);
    if (!QDir().mkpath(folder) ||
        !qn::ProgramIconImage(side).save(folder + QStringLiteral("/quillnet.png"), "PNG")) {
      std::fprintf(stderr, "quillnet-icons: cannot write %s\n", qPrintable(folder));
      return 1;
    }
  }
  return 0;
}
