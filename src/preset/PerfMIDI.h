#pragma once

#include <cstdint>

// One performance MIDI assignment: an incoming controller sweeps one preset parameter between
// Low and High (High may be below Low for a reversed sweep).
class TPerfMIDI {
 public:
  static constexpr std::int32_t ControllerOff = 128;
  static constexpr std::int32_t DefaultController = 4;  // the foot controller's left pedal

  std::int32_t Controller = DefaultController;
  std::int32_t Low = 0;
  std::int32_t High = 127;
  std::int32_t ParamNo = 0;  // 0 = no target ("MIDI Monitor")
  std::int32_t Extra = 0;    // carried through the dump untouched; the editor sets 255
  // Mirrors the preset's in-use flag after decode; the editor uses it to know whether Low/High
  // were already initialised from the target's range. Never written to the dump.
  bool InUse = false;

  void Reset() { *this = TPerfMIDI(); }
  bool operator==(const TPerfMIDI&) const = default;
};
