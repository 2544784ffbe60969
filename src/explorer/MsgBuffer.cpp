#include "explorer/MsgBuffer.h"

#include "midi/MidiEventText.h"

#include <Qt>
#include <algorithm>

namespace {

bool IsHexDigit(QChar c) {
  const char16_t u = c.unicode();
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

int HexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return u - 'a' + 10;
}

}  // namespace

void TMsgBuffer::Clear() {
  Bytes.fill(0);
  BufferLength = 0;
}

QString TMsgBuffer::LoadEvent(const TMyMidiEvent& event) {
  Bytes.fill(0);
  if (event.HasSysex()) {
    // The length field may claim more than the copy holds; never read past the copy.
    const int held = std::min<int>(event.SysexLength, static_cast<int>(event.Sysex.size()));
    BufferLength = std::min(held, MsgBufferSize);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(event.Sysex.constData()), BufferLength,
                Bytes.begin());
  } else {
    BufferLength = 3;
    Bytes[0] = event.MidiMessage;
    Bytes[1] = event.Data1;
    Bytes[2] = event.Data2;
  }
  const int shown = std::clamp(MidiEventLength(event), 0, static_cast<int>(BufferLength));
  return HexBytes(std::span<const std::uint8_t>(Bytes.data(), BufferLength),
                  static_cast<std::uint16_t>(shown));
}

QString TMsgBuffer::LoadBytes(const QByteArray& data) {
  Bytes.fill(0);
  BufferLength = static_cast<std::int32_t>(std::min<qsizetype>(data.size(), MsgBufferSize));
  std::copy_n(reinterpret_cast<const std::uint8_t*>(data.constData()), BufferLength, Bytes.begin());
  return Text();
}

QString TMsgBuffer::Text() const {
  return HexBytes(std::span<const std::uint8_t>(Bytes.data(), BufferLength),
                  static_cast<std::uint16_t>(BufferLength));
}

QByteArray TMsgBuffer::Data() const {
  return QByteArray(reinterpret_cast<const char*>(Bytes.data()), BufferLength);
}

TParseResult ParseHexText(const QString& text, TMsgBuffer& buffer) {
  QString digits;
  digits.reserve(text.size());
  for (QChar c : text) {
    if (c == QLatin1Char(' ') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) continue;
    // QPlainTextEdit hands out paragraph separators for its line breaks.
    if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) continue;
    digits += c;
  }
  if (digits.size() % 2 != 0) return TParseResult::OddCount;
  if (!std::all_of(digits.begin(), digits.end(), IsHexDigit)) return TParseResult::BadCharacter;
  if (digits.size() / 2 > MsgBufferSize) return TParseResult::TooLong;
  buffer.Clear();
  for (qsizetype i = 0; i < digits.size(); i += 2) {
    buffer.Bytes[buffer.BufferLength++] =
        static_cast<std::uint8_t>(HexValue(digits[i]) * 16 + HexValue(digits[i + 1]));
  }
  return TParseResult::Ok;
}

QString ParseErrorText(TParseResult result, const QString& text) {
  switch (result) {
    case TParseResult::Ok:
      return {};
    case TParseResult::OddCount:
      return QStringLiteral("Invalid hex message data (2 chars required to represent each byte)");
    case TParseResult::BadCharacter: {
      const auto bad = std::find_if(text.begin(), text.end(), [](QChar c) {
        return !IsHexDigit(c) && c != QLatin1Char(' ') && c != QLatin1Char('\r') &&
               c != QLatin1Char('\n') && c != QChar::ParagraphSeparator &&
               c != QChar::LineSeparator;
      });
      return QStringLiteral("Invalid hex message data (\"%1\" is not a hexadecimal digit)")
          .arg(bad == text.end() ? QString() : QString(*bad));
    }
    case TParseResult::TooLong: {
      qsizetype digits = 0;
      for (QChar c : text) digits += IsHexDigit(c) ? 1 : 0;
      return QStringLiteral("The message has %1 bytes; the buffer holds at most %2 bytes")
          .arg(digits / 2)
          .arg(MsgBufferSize);
    }
  }
  return {};
}

TTypedChar FilterTypedChar(QChar typed, int caret, const QString& text, bool insertMode) {
  const QChar ch =
      (typed >= QLatin1Char('a') && typed <= QLatin1Char('f')) ? typed.toUpper() : typed;
  // Byte k sits at characters 3k and 3k+1, its separator at 3k+2.
  const int col = (caret + 1) % 3;
  if (col == 0 && IsHexDigit(ch)) {
    // Pairs typed without blanks: the digit begins the next pair.
    const bool blankHere = caret < text.size() && text[caret] == QLatin1Char(' ');
    QString after = text;
    if (!blankHere) after.insert(caret, QLatin1Char(' '));
    TTypedChar result = FilterTypedChar(ch, caret + 1, after, insertMode);
    result.separator = blankHere ? TTypedChar::SkipSeparator : TTypedChar::InsertSeparator;
    return result;
  }
  const bool allowed = col == 0 ? ch == QLatin1Char(' ') : IsHexDigit(ch) && !ch.isLower();
  if (!allowed) return {};
  // The second digit of a pair that is not followed by a separator (a pair being typed at the end
  // of the text or into a run of digits) is always inserted.
  if (col == 2 && (caret + 1 >= text.size() || text[caret + 1] != QLatin1Char(' '))) {
    return {ch, false};
  }
  return {ch, !insertMode && caret < text.size()};
}

namespace {

QString HexByte(std::uint8_t b) {
  return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// Data bytes a message with this status byte carries.
int DataBytesOf(std::uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 1;
    case 0xF0:
      return status == 0xF1 || status == 0xF3 ? 1 : status == 0xF2 ? 2 : 0;
    default:
      return 2;
  }
}

}  // namespace

QString WholeMessagesProblem(std::span<const std::uint8_t> bytes) {
  const auto at = [](std::size_t i) { return QString::number(i + 1); };
  std::uint8_t running = 0;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::uint8_t b = bytes[i];
    if (b >= 0xF8) {  // real-time: one byte, anywhere
      ++i;
      continue;
    }
    if (b == 0xF0) {
      std::size_t end = i + 1;
      while (end < bytes.size() && (bytes[end] < 0x80 || bytes[end] >= 0xF8)) ++end;
      if (end == bytes.size())
        return QStringLiteral(
                   "the system-exclusive message that begins at byte %1 has no end "
                   "(F7)")
            .arg(at(i));
      if (bytes[end] != 0xF7)
        return QStringLiteral(
                   "the system-exclusive message that begins at byte %1 is cut off by "
                   "%2 at byte %3 before its end (F7)")
            .arg(at(i), HexByte(bytes[end]), at(end));
      running = 0;
      i = end + 1;
      continue;
    }
    if (b == 0xF7)
      return QStringLiteral(
                 "byte %1 is F7, the end of a system-exclusive message that never "
                 "began")
          .arg(at(i));
    std::size_t first = i + 1;  // the first data byte
    std::uint8_t status = b;
    if (b < 0x80) {
      if (running == 0)
        return QStringLiteral("byte %1 (%2) is a data byte with no status byte before it")
            .arg(at(i), HexByte(b));
      status = running;
      first = i;
    } else {
      running = b < 0xF0 ? b : 0;
    }
    const int need = DataBytesOf(status);
    int have = 0;
    std::size_t j = first;
    while (have < need && j < bytes.size()) {
      if (bytes[j] >= 0xF8) {
        ++j;
        continue;
      }
      if (bytes[j] >= 0x80) break;
      ++have;
      ++j;
    }
    if (have < need)
      return QStringLiteral("the message %1 at byte %2 needs %3 data bytes but has %4")
          .arg(HexByte(status), at(i))
          .arg(need)
          .arg(have);
    i = j;
  }
  return {};
}

bool IsHexPasteText(const QString& text) {
  return std::all_of(text.begin(), text.end(),
                     [](QChar c) { return c == QLatin1Char(' ') || IsHexDigit(c); });
}

bool KeyClearsSourceFile(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Alt:
    case Qt::Key_Tab:
    case Qt::Key_Shift:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
      return false;
    default:
      return true;
  }
}
