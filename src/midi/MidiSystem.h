#pragma once

// All MIDI devices the program can use: the operating system's ports through RtMidi first, then
// the in-process devices (the unit simulator). The ports use this composite unless given a driver
// of their own.

#include "midi/InProcessMidi.h"
#include "midi/RtMidiDriver.h"

#include <memory>
#include <mutex>

class TMidiSystem {
 public:
  static TMidiSystem& Instance();

  TInProcessMidi& InProcess() { return *inProcess_; }
  std::shared_ptr<IMidiInDriver> InDriver() { return in_; }
  std::shared_ptr<IMidiOutDriver> OutDriver() { return out_; }

  // The operating system's ports are left out when ZQN_NO_SYSTEM_MIDI is set (tests that must
  // see only in-process devices), and listed lazily otherwise.
  bool SystemMidiEnabled() const { return systemEnabled_; }
  std::shared_ptr<TRtMidiDriver> System();

 private:
  TMidiSystem();
  class TCompositeIn;
  class TCompositeOut;

  std::shared_ptr<TInProcessMidi> inProcess_;
  std::once_flag systemMade_;
  std::shared_ptr<TRtMidiDriver> rt_;
  bool systemEnabled_;
  std::shared_ptr<IMidiInDriver> in_;
  std::shared_ptr<IMidiOutDriver> out_;
  std::shared_ptr<IMidiInDriver> rtIn_;
  std::shared_ptr<IMidiOutDriver> rtOut_;
};
