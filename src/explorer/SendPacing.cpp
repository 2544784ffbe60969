#include "explorer/SendPacing.h"

#include "midi/MidiDriver.h"

std::vector<QByteArray> SplitMessages(std::span<const std::uint8_t> buffer) {
  std::vector<QByteArray> messages;
  const std::size_t n = buffer.size();
  const auto bytes = [&](std::size_t from, std::size_t to) {
    return QByteArray(reinterpret_cast<const char*>(buffer.data() + from),
                      static_cast<qsizetype>(to - from));
  };
  std::size_t i = 0;
  while (i < n) {
    const std::uint8_t b = buffer[i];
    std::size_t end = i + 1;
    if (b == 0xF0) {
      // Real-time bytes may sit inside a system-exclusive message; any other status ends it.
      while (end < n && buffer[end] != 0xF7 && (buffer[end] < 0x80 || buffer[end] >= 0xF8)) ++end;
      if (end < n && buffer[end] == 0xF7) ++end;
    } else if (b >= 0x80) {
      const std::size_t length = static_cast<std::size_t>(ShortMessageLength(b));
      while (end < n && end < i + length && buffer[end] < 0x80) ++end;
    } else {
      while (end < n && buffer[end] < 0x80) ++end;
    }
    messages.push_back(bytes(i, end));
    i = end;
  }
  return messages;
}

std::vector<TSendPiece> PlanSend(std::span<const std::uint8_t> buffer, const TSendPacing& pacing) {
  std::vector<TSendPiece> pieces;
  if (buffer.empty()) return pieces;
  if (!pacing.Paced()) {
    pieces.push_back({QByteArray(reinterpret_cast<const char*>(buffer.data()),
                                 static_cast<qsizetype>(buffer.size())),
                      0, true});
    return pieces;
  }
  for (const QByteArray& message : SplitMessages(buffer)) {
    const int gap = pieces.empty() ? 0 : pacing.GapMs;
    const bool cut = pacing.ChunkSize > 0 && static_cast<std::uint8_t>(message[0]) == 0xF0 &&
                     message.size() > pacing.ChunkSize;
    if (!cut) {
      pieces.push_back({message, gap, true});
      continue;
    }
    for (qsizetype at = 0; at < message.size(); at += pacing.ChunkSize) {
      const bool first = at == 0;
      pieces.push_back(
          {message.mid(at, pacing.ChunkSize), first ? gap : pacing.ChunkDelayMs, first});
    }
  }
  return pieces;
}
