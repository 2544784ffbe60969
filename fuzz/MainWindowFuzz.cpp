// Arbitrary incoming MIDI to the whole main window, delivered through an in-process device as a
// driver would deliver it. Input: a flag byte (bit 0 Pre-Kinetic mode, bits 1-4 the unit's
// channel, bits 5-7 the parameter queries outstanding), then messages, each as two length bytes
// (low first, the length taken modulo 1024 and cut to what is left) and its bytes. A message
// starting with F0 goes out as one long message however it ends; anything else goes out as a short
// message of up to three bytes (the device drops what no driver could deliver). The window takes
// the events as it takes a real unit's: parameter reports, preset and table dumps, replies of every
// length, garbage.

#include <QAction>
#include <cstdlib>

#include "FuzzMessages.h"
#include "FuzzWindow.h"
#include "midi/MidiInput.h"

namespace {

// The unit's end of the cable: the fuzzer plays the unit, so requests are dropped.
class TSilentFarEnd : public TMidiFarEnd {
 public:
  void Receive(TInProcessDevice&, std::span<const std::uint8_t>) override {}
};

struct TWorld {
  std::shared_ptr<TInProcessMidi> drivers = std::make_shared<TInProcessMidi>();
  std::shared_ptr<TInProcessDevice> unit =
      drivers->AddDevice(QStringLiteral("Fuzz Unit"), std::make_shared<TSilentFarEnd>());
  std::unique_ptr<TFuzzWindow> fuzz;
  QAction* clearLog = nullptr;
};

TWorld* World = nullptr;

void Drain(TfrmMain& window) {
  // The device hands events over on this thread, so they all wait in the input port now; the
  // window takes at most a ring's worth a turn, as it does from a real driver.
  for (int turn = 0; turn < 64 && window.MidiInput()->MessageCount() > 0; ++turn)
    window.ProcessMidiInput(window.MidiInput());
  QCoreApplication::sendPostedEvents();
  window.FlushLogView();
}

void Check(TfrmMain& window, int pendingBefore) {
  if (window.LogCount() > TfrmMIDIExplorer::MaxLogLines) __builtin_trap();
  const TDeviceState& d = window.Device;
  if (d.PendingQueries < 0 || d.PendingQueries > pendingBefore) __builtin_trap();
  if (d.CurrentBank < -1 || d.CurrentBank > 3) __builtin_trap();
  if (d.CurrentPresetNo != -1 && (d.CurrentPresetNo < 1 || d.CurrentPresetNo > 200))
    __builtin_trap();
  if (window.BufferLength() < 0 || window.BufferLength() > MsgBufferSize) __builtin_trap();
  for (int i = 0; i < window.LogCount(); ++i)
    if (window.LogLine(i).size() > TfrmMIDIExplorer::MaxLogLineLength) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  World = new TWorld;
  World->fuzz = std::make_unique<TFuzzWindow>(argc, argv, World->drivers);
  TfrmMain& window = *World->fuzz->window;
  if (!window.MidiInput() || !window.MidiInput()->IsOpen()) std::abort();
  World->clearLog = window.findChild<QAction*>(QStringLiteral("miClearIn"));
  if (!World->clearLog) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  TfrmMain& window = *World->fuzz->window;
  const bool preKinetic = data[0] & 1;
  if (preKinetic != PreKineticMode) SetPreKineticMode(preKinetic);
  DeviceChannel = std::uint8_t((data[0] >> 1) & 15);
  window.Device = TDeviceState();
  window.Device.PendingQueries = data[0] >> 5;
  ForEachMessage(data, size, 1,
                 [](std::span<const std::uint8_t> message) { World->unit->Send(message); });
  Drain(window);
  Check(window, data[0] >> 5);

  // Every run starts with an empty monitor; what a run allocates is freed by its end, so the
  // fuzzer's leak check only looks where something was really lost.
  World->clearLog->trigger();
  window.FlushLogView();
  return 0;
}
