#pragma once

#include <cstdint>

// A value 0..255 carried as two MIDI data bytes: the low seven bits, then the top bit (0 or 1).
// Every numeric field of the unit's dumps travels this way, low byte first.
class TSplitByte {
 public:
  std::uint8_t Low = 0;
  std::uint8_t High = 0;

  TSplitByte() = default;
  explicit TSplitByte(int v) { SetValue(v); }

  // Values above 127 lose their top bit into High. The comparison is signed, so a negative value
  // (a group still undetermined, -1) stays in the low branch and yields a low byte above 0x7F.
  void SetValue(int v) {
    if (v <= 127) {
      Low = static_cast<std::uint8_t>(v);
      High = 0;
    } else {
      Low = static_cast<std::uint8_t>((v & 0xFF) - 128);
      High = 1;
    }
  }
  int GetValue() const { return int(High) * 128 + int(Low); }
  int SetBytes(std::uint8_t low, std::uint8_t high) {
    Low = low;
    High = high;
    return GetValue();
  }
};
