// The floor of a Qt program's start: an empty window shown at once.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.resize(409, 305);
  window.show();
  return application.exec();
}
