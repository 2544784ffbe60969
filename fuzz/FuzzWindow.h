#pragma once

// The program's main window for the fuzz targets that drive it: offscreen, with every question
// answered as a user who cancels.

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

#include "CancellingDialogs.h"
#include "app/kxUtility.h"
#include "device/Main.h"
#include "midi/InProcessMidi.h"

// The program's main window on the given MIDI devices, offscreen, with settings in a folder of
// its own; made once per fuzzing process.
struct TFuzzWindow {
  TFuzzWindow(int* argc, char*** argv, std::shared_ptr<TInProcessMidi> drivers) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QApplication>(*argc, *argv);
    reg.SetStorageFolder(dir.path());
    reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
    reg.WriteInteger(QStringLiteral("ZQNReqDelay"), 1);
    InstallDialogService(std::make_unique<TCancellingDialogs>());
    window = std::make_unique<TfrmMain>(nullptr, drivers, drivers);
    window->InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
  }

  std::unique_ptr<QApplication> app;
  QTemporaryDir dir;
  TkxRegUtil reg;
  std::unique_ptr<TfrmMain> window;
};
