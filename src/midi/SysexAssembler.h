#pragma once

// Joins a system-exclusive message that arrives in pieces, as a sender that paces long messages
// sends it, back into one message, as a unit reading the byte stream off its cable sees it.
// Everything else passes through as it came: whole system-exclusive messages, short messages and
// running-status data. Real-time bytes inside a message being joined are passed on at once, as
// they are on the wire.

#include <QByteArray>
#include <cstdint>
#include <span>
#include <vector>

class TSysexAssembler {
 public:
  struct TPart {
    QByteArray Bytes;
    // True for a message that is complete (or given up on) and to be acted on; false for a piece
    // taken into a message that is not yet complete.
    bool Message = true;
  };

  // What the piece completes or passes through, in order. A piece that only adds to an unfinished
  // system-exclusive message yields one part with Message false (for a traffic log). A status byte
  // other than real-time or F7 inside an unfinished message ends it: the unfinished message is
  // handed on as it stands (without F7), then the rest of the piece is taken on its own.
  std::vector<TPart> Take(std::span<const std::uint8_t> piece);

  bool Joining() const { return !pending_.isEmpty(); }
  // Longest message joined; a longer one is handed on unfinished so that a sender that never
  // ends its message cannot make the joiner grow without end.
  static constexpr qsizetype MaxMessage = 65536;

 private:
  QByteArray pending_;
};
