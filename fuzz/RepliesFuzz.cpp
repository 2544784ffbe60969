// Arbitrary messages to the reply recognisers, the device state and the unit simulator. Input: a
// flag byte (bit 0 Pre-Kinetic mode, bits 1-4 the simulated unit's channel, bits 5-7 the queries
// outstanding), then messages, each as two length bytes (low first, the length taken modulo 1024
// and cut to what is left) and its bytes. Every message goes to the recognisers, to
// TDeviceState::TakeReport and to the simulator; each of the simulator's replies is checked, and
// the first eight of each message go to the recognisers and the state again, as the program takes
// them.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzMessages.h"
#include "device/DeviceMessages.h"
#include "device/DeviceState.h"
#include "device/UnitSimulator.h"

namespace {

// Building the factory memory takes a while; every input starts from a copy.
const TUnitSimulator& Pristine() {
  static const TUnitSimulator sim;
  return sim;
}

void Recognise(TBytes m, TDeviceState& state) {
  if (IsPresetDump(m)) {
    if (m.size() != std::size_t(PresetDumpLength)) __builtin_trap();
  }
  if (IsMptDump(m)) {
    if (m.size() != std::size_t(MptDumpLength) || m[4] != CmdMptDump) __builtin_trap();
  }
  const QString title = QuickTitle(m);
  if (title.size() > 16) __builtin_trap();
  if (!title.isEmpty() && (title.front().unicode() <= 0x20 || title.back().unicode() <= 0x20))
    __builtin_trap();

  const int pending = state.PendingQueries;
  const auto report = state.TakeReport(m);
  if (report) {
    if (pending <= 0 || !IsParameterReport(m) || m.size() < 7) __builtin_trap();
    if (state.PendingQueries != pending - 1) __builtin_trap();
    if (report->Param != m[5]) __builtin_trap();
  } else if (state.PendingQueries != pending) {
    __builtin_trap();
  }
  if (state.CurrentBank < -1 || state.CurrentBank > 3) __builtin_trap();
}

void CheckSimulator(const TUnitSimulator& sim) {
  if (sim.Bank() < 0 || sim.Bank() >= sim.Banks()) __builtin_trap();
  if (sim.CurrentPreset() < 0 || sim.CurrentPreset() >= PresetCount) __builtin_trap();
  if (sim.EditBuffer().size() != PresetDumpLength) __builtin_trap();
  for (int v : sim.ProgramTable())
    if (v < 0 || v >= PresetCount) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  const bool preKinetic = flags & 1;
  SetPreKineticMode(preKinetic);
  TUnitSimulator sim = Pristine();
  sim.SetPreKinetic(preKinetic);
  sim.SetChannel(std::uint8_t(flags >> 1));
  TDeviceState state;
  state.PendingQueries = flags >> 5;

  ForEachMessage(data, size, 1, [&](TBytes message) {
    Recognise(message, state);
    const std::vector<QByteArray> replies = sim.Receive(message);
    CheckSimulator(sim);
    for (std::size_t n = 0; n < replies.size(); ++n) {
      const TBytes r = AsBytes(replies[n]);
      // Everything the unit sends is a whole system-exclusive message on its own channel.
      if (r.size() < 6 || r[0] != SysExStart || r.back() != SysExEnd || r[2] != sim.Channel())
        __builtin_trap();
      if (r[4] == CmdParameter) {
        if (!IsParameterReport(r) || r.size() != 9) __builtin_trap();
        // A report the program is waiting for is always taken.
        TDeviceState waiting;
        waiting.PendingQueries = 1;
        if (!waiting.TakeReport(r) || waiting.PendingQueries != 0) __builtin_trap();
      }
      if (r[4] == CmdPresetDump && !IsPresetDump(r)) __builtin_trap();
      if (r[4] == CmdMptDump && (!IsMptDump(r) || r.size() != std::size_t(MptDumpLength)))
        __builtin_trap();
      // An all-presets request brings 200 dumps of one shape; the program's side takes the first
      // few, so one such message does not cost as much as thousands of others.
      if (n < 8) Recognise(r, state);
    }
  });
  SetPreKineticMode(false);
  return 0;
}
