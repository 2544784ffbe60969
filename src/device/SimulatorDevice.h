#pragma once

// The MIDI cable around the unit simulator: wire-speed pacing both ways, faults (dropped replies,
// failing stores, a unit that drops off the line), and a traffic log. Used by the in-process device
// "ZQN Tarvo Simulator" and by the stand-alone simulator on virtual ports.

#include "device/UnitSimulator.h"
#include "midi/InProcessMidi.h"
#include "midi/SysexAssembler.h"

#include <QString>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>

inline const QString SimulatorDeviceName = QStringLiteral("ZQN Tarvo Simulator");

struct TSimulatorOptions {
  // Replies take as long as on a 31,250-baud DIN cable: 320 microseconds per byte.
  bool Paced = false;
  // Time the unit needs to load a preset after a select or program change.
  int PresetLoadMs = 0;
  // Drop every n-th reply (0: never), to exercise the program's time-outs.
  int DropEveryNth = 0;
  // Mixes noise into the replies, as a crowded MIDI line would: random short messages, truncated
  // and oversized system exclusive, replies on other channels, bursts longer than a receiving
  // ring holds, and replies that never arrive. 0: none; any other value seeds the noise, so a run
  // can be repeated.
  std::uint32_t ChaosSeed = 0;
  // The channel byte of every system-exclusive reply (-1: the unit's own channel), as a unit sends
  // whose replies carry another channel than the one it was addressed on.
  int ReplyChannel = -1;
  // Every n-th store keeps one wrong byte in the stored preset (0: never), as a unit whose memory
  // fails now and then would.
  int StoreFaultEvery = 0;
  // After this many messages from the program the unit drops off the line: it takes and answers
  // nothing more, as when its cable is pulled (0: never; setting 0 again plugs it back in).
  int DropOffAfter = 0;
};

class TSimulatorSession {
 public:
  using TSend = std::function<void(const QByteArray&)>;
  using TLog = std::function<void(const QString&)>;

  TSimulatorSession();

  // Handles what arrived from the program in one piece (a message, or a piece of a long
  // system-exclusive message sent in pieces, which is joined first) and sends the replies through
  // send, paced as set. Runs on the cable's thread.
  void Handle(TBytes piece, const TSend& send);

  // The unit and the options are guarded: lock before touching them from another thread.
  std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }
  TUnitSimulator& Unit() { return unit_; }
  TSimulatorOptions& Options() { return options_; }
  // Called for each message in and out, with a time stamp, when set.
  TLog OnLog;

  static std::chrono::microseconds WireTime(qsizetype bytes) {
    return std::chrono::microseconds(320 * bytes);
  }

 private:
  std::mutex mutex_;
  TUnitSimulator unit_;
  TSimulatorOptions options_;
  void HandleMessage(TBytes message, const TSend& send);
  void Log(const char* direction, TBytes bytes);
  // Sends the noise that goes with one reply; false when the reply itself is to be lost.
  bool SendNoise(TBytes reply, const TSend& send);

  TSysexAssembler assembler_;
  std::uint64_t replies_ = 0;
  std::uint64_t received_ = 0;
  std::uint64_t stores_ = 0;
  std::mt19937 chaos_;
  std::uint32_t chaosSeed_ = 0;
  std::chrono::steady_clock::time_point start_;
};

class TSimulatorFarEnd : public TMidiFarEnd {
 public:
  explicit TSimulatorFarEnd(std::shared_ptr<TSimulatorSession> session)
      : session_(std::move(session)) {}
  void Receive(TInProcessDevice& device, std::span<const std::uint8_t> message) override;
  TSimulatorSession& Session() { return *session_; }

 private:
  std::shared_ptr<TSimulatorSession> session_;
};

// Lists the simulator among the program's MIDI devices (input and output "ZQN Tarvo Simulator").
std::shared_ptr<TSimulatorSession> InstallSimulatorDevice(TInProcessMidi& devices);
