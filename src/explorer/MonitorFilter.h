#pragma once

// What the monitor log shows of the events it is given. A filter only decides what is shown: the
// events still reach the window's handling and any capture to a file.

#include "midi/MidiEvent.h"

#include <QString>
#include <cstdint>

struct TMonitorFilter {
  // Number of kinds of channel messages (note off .. pitch bend), by (status - 0x80) / 16.
  static constexpr int ChannelKinds = 7;

  // Timing clock, start, continue, stop, active sensing and reset (status F8..FF).
  bool HideRealtime = false;
  // Bit k hides channel messages of kind k (0 note off .. 6 pitch bend).
  std::uint8_t HiddenKinds = 0;
  // Bit c hides every channel message on MIDI channel c + 1.
  std::uint16_t HiddenChannels = 0;
  // Shows system exclusive and nothing else.
  bool SysexOnly = false;

  bool Shows(const TMyMidiEvent& event) const {
    const std::uint8_t status = event.MidiMessage;
    if (SysexOnly) return status == 0xF0;
    if (status >= 0xF8) return !HideRealtime;
    if (status >= 0x80 && status < 0xF0) {
      if (HiddenKinds & (1u << ((status - 0x80) >> 4))) return false;
      if (HiddenChannels & (1u << (status & 0x0F))) return false;
    }
    return true;
  }
  // True when the filter shows everything.
  bool ShowsAll() const {
    return !HideRealtime && HiddenKinds == 0 && HiddenChannels == 0 && !SysexOnly;
  }
  bool operator==(const TMonitorFilter&) const = default;
};
