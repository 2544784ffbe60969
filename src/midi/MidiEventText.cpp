#include "midi/MidiEventText.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<const char*, 8> kChannelNames = {
    "Note Off",           "Note On",    "Key Aftertouch", "Control Change", "Program Change",
    "Channel Aftertouch", "Pitch Bend", "System Message",
};

constexpr std::array<const char*, 16> kSystemNames = {
    "System Exclusive",
    "MTC Quarter Frame",
    "Song Position Pointer",
    "Song Select",
    "Undefined",
    "Undefined",
    "Tune Request",
    "System Exclusive End",
    "Timing Clock",
    "Undefined",
    "Start",
    "Continue",
    "Stop",
    "Undefined",
    "Active Sensing",
    "System Reset",
};

// Every monitor line is made of these; a table lookup instead of QString::arg keeps a busy
// monitor's text cheap.
constexpr char kHexDigits[] = "0123456789ABCDEF";

QString Hex2(std::uint8_t value) {
  const QChar digits[2] = {QLatin1Char(kHexDigits[value >> 4]),
                           QLatin1Char(kHexDigits[value & 15])};
  return QString(digits, 2);
}

// Five blanks, then the time stamp as its high and low 16-bit halves.
QString TimeSuffix(std::uint32_t time) {
  QString text(13, QLatin1Char(' '));
  for (int i = 0; i < 8; ++i) text[5 + i] = QLatin1Char(kHexDigits[(time >> (28 - 4 * i)) & 15]);
  return text;
}

// The bytes a system-exclusive event really holds; a length field larger than its copy must not
// lead anyone to read past the copy.
std::uint16_t HeldSysexLength(const TMyMidiEvent& e) {
  const auto held = static_cast<std::size_t>(e.Sysex.size());
  return static_cast<std::uint16_t>(std::min<std::size_t>(e.SysexLength, held));
}

}  // namespace

QString MidiChannelMessageName(std::uint8_t status) {
  if (status < 0x80) return {};
  return QString::fromLatin1(kChannelNames[(status - 0x80) / 16]);
}

QString MidiSystemMessageName(std::uint8_t status) {
  if (status < 0xF0) return {};
  return QString::fromLatin1(kSystemNames[status - 0xF0]);
}

QString HexBytes(std::span<const std::uint8_t> block, std::uint16_t count) {
  const std::size_t n = std::min<std::size_t>(count, block.size());
  QString text(static_cast<qsizetype>(n * 3), QLatin1Char(' '));
  QChar* out = text.data();
  for (std::size_t i = 0; i < n; ++i, out += 3) {
    out[0] = QLatin1Char(kHexDigits[block[i] >> 4]);
    out[1] = QLatin1Char(kHexDigits[block[i] & 15]);
  }
  return text;
}

QString HexBytes(const QByteArray& block, std::uint16_t count) {
  return HexBytes(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(block.constData()),
                                    static_cast<std::size_t>(block.size())),
      count);
}

QString MidiEventText(const TMyMidiEvent& e) {
  const std::uint8_t status = e.MidiMessage;
  const QLatin1Char blank(' ');
  if (status < 0x80) return QStringLiteral("Unrecognized MIDI Event");
  if (status == 0xF0) {
    const std::uint16_t length = HeldSysexLength(e);
    return QStringLiteral("Sysex (%1): ").arg(length) + HexBytes(e.SysexBytes(), length);
  }
  if (status < 0xF0) {
    QString text = MidiChannelMessageName(status) + blank + Hex2(status) + blank + Hex2(e.Data1);
    const bool twoDataBytes = status < 0xC0 || status >= 0xE0;
    if (twoDataBytes) text += blank + Hex2(e.Data2);
    return text + TimeSuffix(e.Time);
  }
  QString text = MidiSystemMessageName(status) + blank + Hex2(status);
  switch (status) {
    case 0xF1:
    case 0xF3:
      text += blank + Hex2(e.Data1);
      break;
    case 0xF2:
      text += blank + Hex2(e.Data1) + blank + Hex2(e.Data2);
      break;
    default:
      break;
  }
  return text + TimeSuffix(e.Time);
}

int MidiEventLength(const TMyMidiEvent& e) {
  const std::uint8_t status = e.MidiMessage;
  if (status < 0x80) return 0;
  if (status < 0xC0 || (status >= 0xE0 && status < 0xF0)) return 3;
  if (status < 0xE0) return 2;
  switch (status) {
    case 0xF0:
      return HeldSysexLength(e);
    case 0xF1:
    case 0xF3:
      return 2;
    case 0xF2:
      return 3;
    default:
      return 1;
  }
}
