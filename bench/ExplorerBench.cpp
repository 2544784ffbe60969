#include "app/kxUtility.h"
#include "explorer/MIDIExplorer.h"
#include "midi/InProcessMidi.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <functional>

namespace {

class TBenchExplorer : public TfrmMIDIExplorer {
 public:
  using TfrmMIDIExplorer::TfrmMIDIExplorer;
  void EditBuffer() override {}
};

// The monitor's cost per received event with the log at its 500-line cap, so every event also
// drops the oldest line and frees its event: ProcessMidiInput takes the events the port has waiting
// (GetMidiEvent, the event text, the log line) and the view is told in batches. The device delivers
// `/N` events per notification. The view is brought up to date every 4096 events: a window fed at
// full USB-MIDI speed (some 330,000 events/s) gets one update per frame, about every 5,500 events.
void ProcessEvents(benchmark::State& state, std::vector<std::uint8_t> message,
                   const std::function<void(TfrmMIDIExplorer&, const QString&)>& setUp = {}) {
  auto driver = std::make_shared<TInProcessMidi>();
  auto device = driver->AddDevice("Bench", std::make_shared<TLoopbackFarEnd>());
  QTemporaryDir settings;
  TkxRegUtil reg;
  reg.SetStorageFolder(settings.path());
  reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo-Bench"));
  TBenchExplorer window(nullptr, driver, driver);
  window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
  if (setUp) setUp(window, settings.path());
  const int batch = static_cast<int>(state.range(0));
  while (window.LogCount() < TfrmMIDIExplorer::MaxLogLines) {
    device->Send(message);
    QCoreApplication::sendPostedEvents();
  }
  window.FlushLogView();
  std::int64_t events = 0;
  for (auto _ : state) {
    for (int i = 0; i < batch; ++i) device->Send(message);
    QCoreApplication::sendPostedEvents();
    events += batch;
    if (events % 4096 < batch) window.FlushLogView();
  }
  if (window.LogCount() != TfrmMIDIExplorer::MaxLogLines) state.SkipWithError("log not at its cap");
  state.SetItemsProcessed(events);
  window.FormDestroy();
}

void BM_MonitorShortMessages(benchmark::State& state) {
  ProcessEvents(state, {0x90, 0x3C, 0x64});
}
BENCHMARK(BM_MonitorShortMessages)->Arg(1)->Arg(16)->Arg(256);

void BM_MonitorSysex246(benchmark::State& state) {
  std::vector<std::uint8_t> dump(246, 0x11);
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  ProcessEvents(state, dump);
}
BENCHMARK(BM_MonitorSysex246)->Arg(1)->Arg(16);

// The same with filters on that the events pass (real-time, note off and channel 10 hidden): the
// cost the filters add to a shown line.
void BM_MonitorFilteredShortMessages(benchmark::State& state) {
  ProcessEvents(state, {0x90, 0x3C, 0x64}, [](TfrmMIDIExplorer& w, const QString&) {
    TMonitorFilter filter;
    filter.HideRealtime = true;
    filter.HiddenKinds = 1;
    filter.HiddenChannels = 1 << 9;
    w.SetMonitorFilter(filter);
  });
}
BENCHMARK(BM_MonitorFilteredShortMessages)->Arg(16)->Arg(256);

// The same while every event is also recorded to a raw file: the recording's cost per event is
// the difference to BM_MonitorShortMessages.
void BM_MonitorRecordingShortMessages(benchmark::State& state) {
  ProcessEvents(state, {0x90, 0x3C, 0x64}, [](TfrmMIDIExplorer& w, const QString& folder) {
    w.StartCapture(folder + QStringLiteral("/bench.syx"));
  });
}
BENCHMARK(BM_MonitorRecordingShortMessages)->Arg(16)->Arg(256);

}  // namespace
