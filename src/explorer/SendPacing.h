#pragma once

// How the message buffer goes out when it holds several messages: one message at a time with a
// gap between them, and long system-exclusive messages in pieces with a delay between pieces, for
// units that drop bytes when a long buffer arrives at full speed. No pacing sends the buffer in
// one piece, as it always did.

#include <QByteArray>
#include <cstdint>
#include <span>
#include <vector>

struct TSendPacing {
  int GapMs = 0;         // between two messages; 0 sends them back to back
  int ChunkSize = 0;     // largest piece of a system-exclusive message; 0 sends it whole
  int ChunkDelayMs = 0;  // between two pieces of one message
  bool Paced() const { return GapMs > 0 || ChunkSize > 0; }
  bool operator==(const TSendPacing&) const = default;
};

struct TSendPiece {
  QByteArray Bytes;
  int DelayBeforeMs = 0;      // to wait after the previous piece has left
  bool StartsMessage = true;  // false for the second and later pieces of one message
};

// The buffer cut into its messages: a system-exclusive message from F0 to its F7 (or up to the
// next status byte that is no real-time message, for one without an end), a short message with its
// data bytes, and a run of data bytes without a status byte (running status) as one piece.
std::vector<QByteArray> SplitMessages(std::span<const std::uint8_t> buffer);

// The pieces to send, in order, with their delays. Without pacing, the whole buffer as one piece.
std::vector<TSendPiece> PlanSend(std::span<const std::uint8_t> buffer, const TSendPacing& pacing);
