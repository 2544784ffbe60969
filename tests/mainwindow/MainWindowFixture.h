#pragma once

#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/Main.h"
#include "device/SimulatorDevice.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <mutex>

// The whole main window against the in-process simulator, with settings in a temporary folder,
// scripted dialogs and a short request delay.
class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    reg.SetStorageFolder(dir.path());
    reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
    drivers = std::make_shared<TInProcessMidi>();
    session = InstallSimulatorDevice(*drivers);
    unit = drivers->Device(SimulatorDeviceName);
    session->OnLog = [this](const QString& line) {
      std::lock_guard lock(logMutex);
      traffic << line;
    };
  }
  void TearDown() override {
    if (window) {
      window->close();
      window.reset();
    }
    SetPreKineticMode(false);
    DeviceChannel = 0;
    RequestDelay = 1000;
  }

  // Starts the window as the program does, without showing it (showing runs the online check).
  TfrmMain& Start(int requestDelay = 20) {
    if (requestDelay > 0) reg.WriteInteger(QStringLiteral("ZQNReqDelay"), requestDelay);
    window = std::make_unique<TfrmMain>(nullptr, drivers, drivers);
    window->InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    return *window;
  }

  // Shows the window at its default size, as a first start does, and lets the online check end.
  void Show() {
    Start();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    Settle();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->Device.PendingQueries == 0; }, 3000));
  }

  QStringList Received() {
    unit->WaitIdle();
    std::lock_guard lock(logMutex);
    return traffic.filter(" <- ");
  }
  // Waits until the simulator has answered and the window has taken the answers.
  void Settle() {
    unit->WaitIdle();
    QTest::qWait(30);
  }
  QString Status() { return window->StatusText(0); }
  // A file below the test's output folder, empty when it cannot be read.
  QByteArray FileBytes(const QString& relative) {
    QFile f(out.filePath(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  // A preset as the simulated unit holds it.
  QByteArray Memory(int bank, int index) {
    auto lock = session->Lock();
    return session->Unit().Preset(bank, index);
  }

  QTemporaryDir dir;
  QTemporaryDir out;  // where backups and listings go
  TkxRegUtil reg;
  std::shared_ptr<TInProcessMidi> drivers;
  std::shared_ptr<TSimulatorSession> session;
  std::shared_ptr<TInProcessDevice> unit;
  std::unique_ptr<TfrmMain> window;
  TScriptedDialogs dialogs;
  std::mutex logMutex;
  QStringList traffic;
};
