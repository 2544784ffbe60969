#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/Main.h"
#include "device/RestoreOpt.h"
#include "device/RunReport.h"
#include "device/SimulatorDevice.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

namespace {

// A restore of a full bank with every preset read back, into the simulator receiving and replying
// at DIN speed, set against the protocol's own minimum. Per preset the run sends the dump, the
// store and the select, each followed by the request delay, then asks for the edit preset and
// waits for the 246-byte answer: three delays plus 514 bytes at 31,250 baud (320 us each). The
// bank select before the first preset adds its 8 bytes and two delays.
void BM_WireSpeedRestore200(benchmark::State& state) {
  constexpr int kDelay = 50;
  for (auto _ : state) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("backup");
    QDir().mkpath(folder + "/Bank A");
    for (int i = 0; i < PresetCount; ++i) {
      QFile f(folder + "/Bank A/Preset.zqn" + PresetNumberText(i + 1));
      f.open(QIODevice::WriteOnly);
      f.write(TUnitSimulator::FactoryPreset(3, i));
    }
    TkxRegUtil reg;
    reg.SetStorageFolder(dir.path());
    reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
    reg.WriteInteger("ZQNReqDelay", kDelay);
    auto devices = std::make_shared<TInProcessMidi>();
    auto session = InstallSimulatorDevice(*devices);
    session->Options().Paced = true;
    TScriptedDialogs dialogs;
    dialogs->PlanButton(QMessageBox::Yes);
    TfrmMain window(nullptr, devices, devices);
    window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    dialogs->AnswerForm<TfrmRestoreOpt>([&](TfrmRestoreOpt& d) {
      d.SetFolder(folder);
      for (int b = 1; b < BankCount; ++b) d.SetBank(b, false);
      d.SetSafetyBackup(false);
      d.Choose(TfrmRestoreOpt::TMode::Restore);
      return true;
    });
    int verified = 0;
    dialogs->AnswerForm<TfrmRunReport>([&](TfrmRunReport& r) {
      for (const TRunSlot& s : r.Slots()) verified += s.State == TSlotState::Verified;
      return true;
    });
    QElapsedTimer timer;
    timer.start();
    window.miRestore->trigger();
    const double elapsed = static_cast<double>(timer.elapsed());
    const double minimum =
        2 * kDelay + 8 * 0.32 + PresetCount * (3 * kDelay + (246 + 8 + 8 + 6 + 246) * 0.32);
    state.SetIterationTime(elapsed / 1000.0);
    state.counters["minimum_ms"] = minimum;
    state.counters["overhead_pct"] = 100.0 * (elapsed - minimum) / minimum;
    state.counters["verified"] = verified;
    window.close();
  }
}
BENCHMARK(BM_WireSpeedRestore200)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
