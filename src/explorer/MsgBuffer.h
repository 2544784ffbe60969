#pragma once

// The message buffer behind the explorer's hexadecimal editor: a fixed block of bytes with its
// valid length, the rules that turn the editor's text into bytes and back, and the typing and
// pasting rules that keep the text a clean sequence of hex pairs. Pure QtCore so the rules can be
// tested without a window.

#include "midi/MidiEvent.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

inline constexpr int MsgBufferSize = 10000;

struct TMsgBuffer {
  std::array<std::uint8_t, MsgBufferSize> Bytes{};
  std::int32_t BufferLength = 0;  // valid bytes at the start of Bytes, 0 .. MsgBufferSize

  void Clear();
  // The event's bytes (its system-exclusive block, or status and two data bytes); returns the
  // text to show, which holds only as many bytes as the message really has.
  QString LoadEvent(const TMyMidiEvent& event);
  // At most MsgBufferSize bytes of `data`; returns the text of what was kept.
  QString LoadBytes(const QByteArray& data);
  // The valid bytes as hex pairs, each followed by a blank.
  QString Text() const;
  QByteArray Data() const;
};

enum class TParseResult { Ok, OddCount, BadCharacter, TooLong };

// Reads the editor's text (blanks and line breaks ignored) into the buffer. On any failure the
// buffer keeps its previous content, so a refused text never leaves half a message behind.
TParseResult ParseHexText(const QString& text, TMsgBuffer& buffer);
// What the user is told about a refused text.
QString ParseErrorText(TParseResult result, const QString& text);

// What becomes of one typed character in the hex editor.
struct TTypedChar {
  // A digit typed where a separator belongs starts the next pair: the caret first steps over the
  // separator there, or a blank is put in when there is none.
  enum TSeparator { NoSeparator, SkipSeparator, InsertSeparator };
  QChar ch;                  // the character to insert; null when it is discarded
  bool replaceNext = false;  // overwrite: the character at the caret is replaced
  TSeparator separator = NoSeparator;
};

// `caret` counts characters from 0 in `text`. Backspace is not a typed character here: the editor
// passes it on before asking.
TTypedChar FilterTypedChar(QChar typed, int caret, const QString& text, bool insertMode);

// Why the bytes are not a sequence of whole MIDI messages (a status byte with all its data
// bytes, running status allowed; a system-exclusive message from F0 to F7; real-time bytes
// anywhere), or empty when they are. Bytes are counted from 1.
QString WholeMessagesProblem(std::span<const std::uint8_t> bytes);

// True for a text the editor may paste: only blanks and hex digits (any case); empty passes.
bool IsHexPasteText(const QString& text);

// Whether a key that goes down in the editor makes the text differ from the file it was loaded
// from (everything except navigation and modifier keys).
bool KeyClearsSourceFile(int qtKey);
