#include "app/Application.h"
#include "app/ScriptedDialogService.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <stdexcept>

namespace {

// An error that no handler caught reaches the application object: it is shown with its text in
// the standard error display, and the program goes on handling events.
TEST(Application, AnUncaughtErrorIsShownAndTheProgramGoesOn) {
  ASSERT_NE(qobject_cast<TApplication*>(QCoreApplication::instance()), nullptr);
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::Ok);
  dialogs->PlanButton(QMessageBox::Ok);
  QObject receiver;
  QTimer::singleShot(0, &receiver, [] { throw std::runtime_error("MIDI Output device not open"); });
  QTimer::singleShot(1, &receiver, [] { throw 42; });
  bool later = false;
  QTimer::singleShot(10, &receiver, [&] { later = true; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 2000));

  ASSERT_EQ(dialogs->Asked().size(), 2u);
  EXPECT_EQ(dialogs->Asked()[0].text, "MIDI Output device not open");
  EXPECT_EQ(dialogs->Asked()[0].icon, QMessageBox::Critical);
  EXPECT_FALSE(dialogs->Asked()[1].text.isEmpty());
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

}  // namespace
