// padscope-icons FOLDER: writes the program's icon as FOLDER/<size>/padscope.png
// for the sizes of the desktop's icon theme, drawn by the same code as the
// window's icon so that the menu and the window show the same picture.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <cstdio>

#include "ui/app/ToolbarIconsQt.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: padscope-icons FOLDER\n", stderr);
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  qputenv("QT_QPA_PLATFORM", "offscreen");  // no display is needed to draw
  QGuiApplication app(argc, argv);
  for (const int size : {16, 32, 48, 64, 128, 256}) {
    const QString dir = folder + QStringLiteral("/%1x%1").arg(size);
    if (!QDir().mkpath(dir) ||
        !padscope::ProgramIconPixmap(size).save(dir + QStringLiteral("/padscope.png"), "PNG")) {
      std::fprintf(stderr, "padscope-icons: cannot write %s/padscope.png\n", qPrintable(dir));
      return 1;
    }
  }
  return 0;
}
