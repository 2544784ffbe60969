#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/BkupOpt.h"
#include "device/Main.h"
#include "device/SimulatorDevice.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>

namespace {

// A backup of a full bank from the simulator replying at DIN speed, through the in-process cable
// (no MIDI server cycles in the way), set against the protocol's own minimum: per preset the
// request delay plus 260 bytes at 31,250 baud (320 us each).
void BM_WireSpeedBackup200(benchmark::State& state) {
  constexpr int kDelay = 50;
  for (auto _ : state) {
    QTemporaryDir dir;
    TkxRegUtil reg;
    reg.SetStorageFolder(dir.path());
    reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
    reg.WriteInteger("ZQNReqDelay", kDelay);
    auto devices = std::make_shared<TInProcessMidi>();
    auto session = InstallSimulatorDevice(*devices);
    session->Options().Paced = true;
    TScriptedDialogs dialogs;
    dialogs->PlanButton(QMessageBox::Ok);
    TfrmMain window(nullptr, devices, devices);
    window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
      d.SetPath(dir.path());
      for (int b = 1; b < BankCount; ++b) d.SetBank(b, false);
      return true;
    });
    window.miGetSaveEach->trigger();
    QElapsedTimer timer;
    timer.start();
    while (window.Running) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    const double elapsed = static_cast<double>(timer.elapsed());
    const double minimum = PresetCount * (kDelay + 260 * 0.32);
    state.SetIterationTime(elapsed / 1000.0);
    state.counters["minimum_ms"] = minimum;
    state.counters["overhead_pct"] = 100.0 * (elapsed - minimum) / minimum;
    window.close();
  }
}
BENCHMARK(BM_WireSpeedBackup200)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
