#include "device/SimulatorDevice.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

// Request to reply through the in-process simulator: the edit preset asked for and its 246-byte
// dump taken from the input port. Paced, the reply takes as long as on a DIN cable (about 79 ms);
// instant, only the program's and the simulator's own work remains.
void EditPresetRoundTrip(benchmark::State& state, bool paced) {
  auto devices = std::make_shared<TInProcessMidi>();
  auto session = InstallSimulatorDevice(*devices);
  session->Options().Paced = paced;
  TMidiInput in(nullptr, devices);
  TMidiOutput out(nullptr, devices);
  in.Open();
  in.Start();
  out.Open();
  const QByteArray request = GetEditPresetMessage();
  for (auto _ : state) {
    out.PutLong(request);
    std::unique_ptr<TMyMidiEvent> reply;
    while (!(reply = in.GetMidiEvent())) QCoreApplication::processEvents();
    if (reply->SysexLength != PresetDumpLength) state.SkipWithError("no preset dump");
  }
  QCoreApplication::sendPostedEvents();
}

void BM_SimulatorEditPresetInstant(benchmark::State& state) {
  EditPresetRoundTrip(state, false);
}
BENCHMARK(BM_SimulatorEditPresetInstant)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_SimulatorEditPresetPaced(benchmark::State& state) {
  EditPresetRoundTrip(state, true);
}
BENCHMARK(BM_SimulatorEditPresetPaced)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
