#include "app/Application.h"

#include "app/DialogService.h"

#include <QTextStream>
#include <exception>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowUncaught(QString::fromStdString(e.what()));
  } catch (...) {
    ShowUncaught(QStringLiteral("An unexpected error occurred."));
  }
  return false;
}

void TApplication::ShowUncaught(const QString& text) {
  // The error box runs its own event loop; an error raised while it is up must not stack boxes.
  static bool showing = false;
  if (showing) {
    QTextStream(stderr) << text << '\n';
    return;
  }
  showing = true;
  try {
    ShowErrorMessage(QApplication::activeWindow(), text);
  } catch (...) {
    QTextStream(stderr) << text << '\n';
  }
  showing = false;
}
