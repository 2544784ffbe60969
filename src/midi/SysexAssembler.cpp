#include "midi/SysexAssembler.h"

namespace {

constexpr std::uint8_t kStart = 0xF0;
constexpr std::uint8_t kEnd = 0xF7;

bool IsRealTime(std::uint8_t b) {
  return b >= 0xF8;
}

QByteArray Bytes(std::span<const std::uint8_t> span) {
  return QByteArray(reinterpret_cast<const char*>(span.data()), qsizetype(span.size()));
}

}  // namespace

std::vector<TSysexAssembler::TPart> TSysexAssembler::Take(std::span<const std::uint8_t> piece) {
  std::vector<TPart> parts;
  std::size_t at = 0;
  const bool opens = pending_.isEmpty();
  if (opens) {
    // Not inside a message: only a system-exclusive start without its end opens one; anything
    // else is handed on exactly as it came.
    if (piece.empty() || piece[0] != kStart || piece.back() == kEnd) {
      if (!piece.empty()) parts.push_back({Bytes(piece), true});
      return parts;
    }
    for (std::size_t i = 1; i < piece.size(); ++i) {
      if (piece[i] >= 0x80 && !IsRealTime(piece[i])) {
        // Cut short by another status byte within the piece itself: not a piece of a longer
        // message but a broken one, handed on as it came.
        parts.push_back({Bytes(piece), true});
        return parts;
      }
    }
    pending_.append(char(kStart));
    at = 1;
  }
  const qsizetype before = pending_.size();
  for (; at < piece.size(); ++at) {
    const std::uint8_t b = piece[at];
    if (IsRealTime(b)) {
      parts.push_back({QByteArray(1, char(b)), true});
    } else if (b < 0x80) {
      pending_.append(char(b));
      if (pending_.size() >= MaxMessage) {
        parts.push_back({pending_, true});
        pending_.clear();
        // The rest of the piece is data without a status byte: handed on as it stands.
        if (at + 1 < piece.size()) parts.push_back({Bytes(piece.subspan(at + 1)), true});
        return parts;
      }
    } else if (b == kEnd) {
      pending_.append(char(kEnd));
      parts.push_back({pending_, true});
      pending_.clear();
      if (at + 1 < piece.size()) {
        for (TPart& p : Take(piece.subspan(at + 1))) parts.push_back(std::move(p));
      }
      return parts;
    } else {
      // Another message begins before this one ended: this one is given up as it stands.
      parts.push_back({pending_, true});
      pending_.clear();
      for (TPart& p : Take(piece.subspan(at))) parts.push_back(std::move(p));
      return parts;
    }
  }
  if (opens || pending_.size() > before) parts.push_back({Bytes(piece), false});
  return parts;
}
