#pragma once

// The program's application object. Every event the window system delivers passes through it,
// so an error that no handler caught is shown to the user here, and the program goes on, instead
// of ending with every open window's work.

#include <QApplication>

class TApplication : public QApplication {
  Q_OBJECT
 public:
  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // The standard error display for an error that reached the event loop.
  static void ShowUncaught(const QString& text);
};
