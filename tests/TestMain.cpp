#include <gtest/gtest.h>

#if defined(ZQN_TEST_APPLICATION)
#include "app/Application.h"
using TestApp = TApplication;
#elif defined(ZQN_TEST_GUI)
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char** argv) {
  // Widget tests never open real windows, also when run (or listed by CTest) outside ./zqn test.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  TestApp app(argc, argv);
  TestApp::setOrganizationName("Marvandel");
  TestApp::setApplicationName("ZQN-Tarvo-Tests");
  return RUN_ALL_TESTS();
}
