// Arbitrary text to the hex editor's rules: ParseHexText, the paste check and the typing filter.
// Input: a flag byte, then the text (UTF-8 or raw UTF-16 by flag bit 0). Flag bit 1 repeats the
// text until it is past the buffer's size, so the length limit is reached; bit 2 chooses insert or
// overwrite for typing.

#include <QByteArray>
#include <QChar>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "explorer/MsgBuffer.h"

namespace {

bool IsBlank(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\r') || c == QLatin1Char('\n') ||
         c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

bool IsUpperHexDigit(QChar c) {
  const char16_t u = c.unicode();
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t flags = data[0];
  const char* body = reinterpret_cast<const char*>(data + 1);
  const qsizetype bodySize = qsizetype(size - 1);
  QString text;
  if (flags & 1) {
    text = QString(bodySize / 2, Qt::Uninitialized);
    std::memcpy(text.data(), body, std::size_t(text.size()) * sizeof(QChar));
  } else {
    text = QString::fromUtf8(body, bodySize);
  }
  if ((flags & 2) && !text.isEmpty())
    text = text.repeated((2 * MsgBufferSize + 2) / text.size() + (flags >> 6));

  // A buffer that already holds a message: a refused text must leave it exactly so.
  TMsgBuffer buffer;
  (void)buffer.LoadBytes(QByteArrayLiteral("\xF0\x1A\x00\x15\x43\x00\xF7"));
  const TMsgBuffer before = buffer;
  const TParseResult result = ParseHexText(text, buffer);
  if (buffer.BufferLength < 0 || buffer.BufferLength > MsgBufferSize) __builtin_trap();
  if (result != TParseResult::Ok) {
    if (buffer.BufferLength != before.BufferLength || buffer.Bytes != before.Bytes)
      __builtin_trap();
    if (ParseErrorText(result, text).isEmpty()) __builtin_trap();
  } else {
    const qsizetype digits =
        text.size() - std::count_if(text.begin(), text.end(), [](QChar c) { return IsBlank(c); });
    if (qsizetype(buffer.BufferLength) * 2 != digits) __builtin_trap();
    // The buffer's own text reads back to the same bytes (checked on short messages only: the
    // text of a full buffer takes long to build and would slow every other input down).
    TMsgBuffer again;
    if (buffer.BufferLength <= 512 &&
        (ParseHexText(buffer.Text(), again) != TParseResult::Ok || again.Data() != buffer.Data()))
      __builtin_trap();
  }

  // Text that passes the paste check holds no character the parser refuses.
  if (IsHexPasteText(text) && result == TParseResult::BadCharacter) __builtin_trap();

  // Each character typed at each place of a short prefix of the text.
  const QString shortText = text.left(48);
  const bool insertMode = flags & 4;
  for (qsizetype k = 0; k < std::min<qsizetype>(shortText.size(), 16); ++k) {
    const QChar typed = shortText[k];
    for (int caret = 0; caret <= int(shortText.size()); ++caret) {
      const TTypedChar t = FilterTypedChar(typed, caret, shortText, insertMode);
      if (t.ch.isNull()) {
        if (t.replaceNext) __builtin_trap();
        continue;
      }
      if (t.ch != QLatin1Char(' ') && !IsUpperHexDigit(t.ch)) __builtin_trap();
      if (t.replaceNext && (insertMode || caret >= shortText.size())) __builtin_trap();
    }
  }
  return 0;
}
