#include <QApplication>
#include <QLabel>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName("Marvandel");
  QApplication::setApplicationName("ZQN-Tarvo");
  QMainWindow window;
  window.setWindowTitle("ZQN-Tarvo");
  window.setCentralWidget(new QLabel("ZQN-Tarvo", &window));
  window.resize(640, 400);
  window.show();
  return app.exec();
}
