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
  const bool allowed = col == 0 ? ch == QLatin1Char(' ') : IsHexDigit(ch) && !ch.isLower();
  if (!allowed) return {};
  // The second digit of a pair that is not followed by a separator (a pair being typed at the end
  // of the text or into a run of digits) is always inserted.
  if (col == 2 && (caret + 1 >= text.size() || text[caret + 1] != QLatin1Char(' '))) {
    return {ch, false};
  }
  return {ch, !insertMode && caret < text.size()};
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
