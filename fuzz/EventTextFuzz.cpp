// Arbitrary received events to the monitor's text forms. Input: status, two data bytes, four time
// bytes, two length-field bytes, a byte choosing whether a sysex copy is held at all, then the
// bytes of that copy; the length field need not match the copy.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "midi/MidiEvent.h"
#include "midi/MidiEventText.h"

namespace {

constexpr std::size_t HeaderSize = 10;

bool IsHexText(const QString& text, std::size_t pairs) {
  if (text.size() != qsizetype(pairs * 3)) return false;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text[i].unicode();
    if (i % 3 == 2) {
      if (c != u' ') return false;
    } else if (!((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'))) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < HeaderSize) return 0;
  TMyMidiEvent e;
  e.MidiMessage = data[0];
  e.Data1 = data[1];
  e.Data2 = data[2];
  e.Time = std::uint32_t(data[3]) | std::uint32_t(data[4]) << 8 | std::uint32_t(data[5]) << 16 |
           std::uint32_t(data[6]) << 24;
  e.SysexLength = std::uint16_t(data[7] | data[8] << 8);
  if (data[9] & 1)
    e.Sysex =
        QByteArray(reinterpret_cast<const char*>(data + HeaderSize), qsizetype(size - HeaderSize));
  const std::size_t held = std::size_t(e.Sysex.size());

  const QString text = MidiEventText(e);
  if (text.isEmpty()) __builtin_trap();
  const int length = MidiEventLength(e);
  if (e.MidiMessage < 0x80) {
    if (length != 0) __builtin_trap();
  } else if (e.MidiMessage == 0xF0) {
    const std::size_t shown = std::min<std::size_t>(e.SysexLength, held);
    if (length != int(shown)) __builtin_trap();
    const QString prefix = QStringLiteral("Sysex (%1): ").arg(shown);
    if (!text.startsWith(prefix)) __builtin_trap();
    if (!IsHexText(text.mid(prefix.size()), shown)) __builtin_trap();
  } else {
    if (length < 1 || length > 3) __builtin_trap();
    // Name, bytes and an eight-digit time stamp.
    const QString stamp = QStringLiteral("%1").arg(e.Time, 8, 16, QLatin1Char('0')).toUpper();
    if (!text.endsWith(stamp)) __builtin_trap();
  }

  // Hex forms of the held block for counts at, beyond and below its size, through both forms of
  // the block; every shorter form is the start of the whole one.
  const std::span<const std::uint8_t> block = e.SysexBytes();
  const QString whole = HexBytes(block, std::uint16_t(held + 1));
  if (!IsHexText(whole, held)) __builtin_trap();
  for (const std::uint16_t count : {e.SysexLength, std::uint16_t(0), std::uint16_t(data[1])}) {
    const qsizetype pairs = qsizetype(std::min<std::size_t>(count, held));
    if (HexBytes(e.Sysex, count) != whole.left(3 * pairs)) __builtin_trap();
  }
  if (e.MidiMessage >= 0x80) {
    const QString name = e.MidiMessage >= 0xF0 ? MidiSystemMessageName(e.MidiMessage)
                                               : MidiChannelMessageName(e.MidiMessage);
    if (name.isEmpty() || !text.startsWith(e.MidiMessage == 0xF0 ? QStringLiteral("Sysex") : name))
      __builtin_trap();
  }
  return 0;
}
