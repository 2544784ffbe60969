#pragma once

// Received events as a port delivers them, for tests of what is made of them.

#include "midi/MidiEvent.h"

#include <cstdint>
#include <initializer_list>

inline TMyMidiEvent Short(std::uint8_t status, std::uint8_t d1 = 0, std::uint8_t d2 = 0,
                          std::uint32_t time = 0) {
  TMyMidiEvent e;
  e.MidiMessage = status;
  e.Data1 = d1;
  e.Data2 = d2;
  e.Time = time;
  return e;
}

inline TMyMidiEvent Sysex(std::initializer_list<std::uint8_t> bytes) {
  TMyMidiEvent e;
  e.MidiMessage = 0xF0;
  e.SysexLength = static_cast<std::uint16_t>(bytes.size());
  for (std::uint8_t b : bytes) e.Sysex.append(static_cast<char>(b));
  return e;
}
