#pragma once

// Text forms of received MIDI events: the one-line description of the MIDI monitor, the number of
// bytes an event carries, and the hexadecimal form of a byte block. Pure functions, no state.

#include "midi/MidiEvent.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// One line describing the event: message name, its bytes in hexadecimal and the time stamp as eight
// hexadecimal digits; a system-exclusive event shows its byte count and bytes instead. The line is
// not shortened; a list that shows it cuts it to its own width.
QString MidiEventText(const TMyMidiEvent& e);

// Number of bytes of the message: 3, 2 or 1 for channel and system messages, the held byte count
// for system exclusive, 0 for a status byte below 0x80.
int MidiEventLength(const TMyMidiEvent& e);

// Each of the first `count` bytes as two uppercase hexadecimal digits followed by one blank. A
// count beyond the block is cut to the block.
QString HexBytes(std::span<const std::uint8_t> block, std::uint16_t count);
QString HexBytes(const QByteArray& block, std::uint16_t count);

// Names of channel messages by (status - 0x80) / 16 and of system messages by status - 0xF0.
QString MidiChannelMessageName(std::uint8_t status);
QString MidiSystemMessageName(std::uint8_t status);
