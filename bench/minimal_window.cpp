// The floor of a Qt program's start: an empty window shown at once. With --text the window also
// shows a line in the updater's font (Tahoma 11 px), so that loading a font is part of it.
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
  QApplication application(argc, argv);
  QWidget window;
  window.resize(409, 305);
  if (text) {
    auto* label = new QLabel(QStringLiteral("Kolvarin Radyo Güncelleme"), &window);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    label->setFont(font);
    label->move(8, 8);
  }
  window.show();
  return application.exec();
}
