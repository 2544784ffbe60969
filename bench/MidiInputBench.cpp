#include "midi/InProcessMidi.h"
#include "midi/MidiInput.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

namespace {

// The whole input path as the GUI thread pays for it: the driver callback puts a slot and posts
// the (coalesced) notification, the notification runs the handler, the handler takes each event
// with GetMidiEvent and frees it.
void InputPath(benchmark::State& state, std::vector<std::uint8_t> message) {
  auto driver = std::make_shared<TInProcessMidi>();
  auto device = driver->AddDevice("Bench", std::make_shared<TLoopbackFarEnd>());
  TMidiInput in(nullptr, driver);
  std::int64_t taken = 0;
  in.OnMidiInput = [&](TMidiInput* port) {
    while (auto e = port->GetMidiEvent()) {
      benchmark::DoNotOptimize(e->Sysex.constData());
      ++taken;
    }
  };
  in.Open();
  in.Start();
  const int kBatch = static_cast<int>(
      state.range(0));  // receive buffers limit how many sysex messages can wait at once
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) device->Send(message);
    QCoreApplication::sendPostedEvents();
  }
  if (taken != state.iterations() * kBatch) state.SkipWithError("events were lost");
  state.SetItemsProcessed(taken);
  state.SetBytesProcessed(taken * static_cast<std::int64_t>(message.size()));
}

void BM_InputShortMessages(benchmark::State& state) {
  InputPath(state, {0x90, 0x3C, 0x64});
}
BENCHMARK(BM_InputShortMessages)->Arg(1)->Arg(16)->Arg(256);

void BM_InputSysex246(benchmark::State& state) {
  std::vector<std::uint8_t> dump(246, 0x11);
  dump.front() = 0xF0;
  dump.back() = 0xF7;
  InputPath(state, dump);
}
BENCHMARK(BM_InputSysex246)->Arg(1)->Arg(16);

}  // namespace
