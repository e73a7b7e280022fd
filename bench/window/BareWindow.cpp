// The baseline for the start-up benchmark: the least a Qt Widgets program
// does to show a window of the main window's size. With --label it also
// draws one line of text, to show what drawing any text costs.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QWidget window;
  window.setWindowTitle("Bare Qt window");
  if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
    auto* label = new QLabel("WWW.ZELTRIN.EXAMPLE.COM", &window);
    label->setGeometry(8, 96, 249, 17);
  }
  window.resize(264, 113);
  window.show();
  return QApplication::exec();
}
