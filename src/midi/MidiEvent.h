#pragma once

#include <QByteArray>
#include <cstdint>
#include <span>

// One received MIDI message. System-exclusive events carry status 0xF0 and an owned copy of their
// bytes; short messages carry their status and two data bytes. Whoever takes an event from the
// input port owns it.
struct TMyMidiEvent {
  std::uint8_t MidiMessage = 0;
  std::uint8_t Data1 = 0;
  std::uint8_t Data2 = 0;
  std::uint32_t Time = 0;         // milliseconds since input was started
  std::uint16_t SysexLength = 0;  // 0 for short messages
  QByteArray Sysex;               // null for short messages and for an empty sysex buffer

  bool HasSysex() const { return !Sysex.isNull(); }
  std::span<const std::uint8_t> SysexBytes() const {
    return {reinterpret_cast<const std::uint8_t*>(Sysex.constData()),
            static_cast<std::size_t>(Sysex.size())};
  }
};
