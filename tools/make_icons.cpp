// Writes the program's icon as PNG files, one per size, for installation.
//
//   kv-make-icons DIR
#include "platform/posix/WindowIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication application(argc, argv);
  for (int size : {256, 128, 48, 32, 16}) {
    const QString folder =
        QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
    QDir().mkpath(folder);
    if (!platform::IconImage(size).save(folder + QStringLiteral("/kolvarin-update.png"), "PNG"))
      return 1;
  }
  return 0;
}
