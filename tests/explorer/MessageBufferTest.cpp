// The message buffer: typing rules through the real editor, parsing and its refusals, paste, load
// from events and files, send and save.

#include "ExplorerTestUtil.h"
#include "midi/MidiEventText.h"

#include <QClipboard>
#include <QMenu>
#include <QMimeData>

using namespace explorer_test;

namespace {

class MessageBuffer : public ExplorerFixture {
 protected:
  void Type(const QString& keys) {
    QPlainTextEdit* editor = window->Editor();
    editor->setFocus();
    QTest::keyClicks(editor, keys);
  }
  void Caret(int position) {
    QTextCursor c = window->Editor()->textCursor();
    c.setPosition(position);
    window->Editor()->setTextCursor(c);
  }
  QString Text() { return window->Editor()->toPlainText(); }
};

// The rules without the editor: what each typed character becomes where.
TEST(MsgBufferRules, TypedCharacters) {
  struct Row {
    char typed;
    int caret;
    const char* text;
    bool insert;
    char result;  // 0: discarded
    bool replace;
    TTypedChar::TSeparator separator = TTypedChar::NoSeparator;
  };
  const Row rows[] = {
      {'f', 0, "", true, 'F', false},    // lower-case digits become upper-case
      {'0', 1, "F", true, '0', false},   // second digit at the end
      {' ', 2, "F0", true, ' ', false},  // separator position
      // A digit where the blank belongs begins the next pair.
      {'1', 2, "F0", true, '1', false, TTypedChar::InsertSeparator},
      {'1', 2, "F0 1A", true, '1', false, TTypedChar::SkipSeparator},
      {'1', 2, "F0 1A", false, '1', true, TTypedChar::SkipSeparator},
      {'1', 2, "F0 ", false, '1', false, TTypedChar::SkipSeparator},
      {' ', 0, "", true, 0, false},        // a blank where a digit belongs
      {'g', 0, "", true, 0, false},        // no hex digit
      {'\t', 3, "F0 ", true, 0, false},    // Tab and control characters are dropped
      {'\x16', 3, "F0 ", true, 0, false},  // Ctrl+V
      {'7', 0, "F0 1A 00", false, '7', true},
      {'7', 1, "F0 1A 00", false, '7', true},
      {'7', 1, "F01A", false, '7', false},  // second digit into a run of digits: inserted
      {'7', 8, "F0 1A 00", false, '7', false, TTypedChar::InsertSeparator},
      {'7', 9, "F0 1A 00 ", false, '7', false},  // overwrite at the end adds
  };
  for (const Row& r : rows) {
    const TTypedChar t = FilterTypedChar(QChar(r.typed), r.caret, r.text, r.insert);
    EXPECT_EQ(t.ch, r.result ? QChar(r.result) : QChar()) << r.typed << " at " << r.caret;
    if (r.result) {
      EXPECT_EQ(t.replaceNext, r.replace) << r.typed << " at " << r.caret;
      EXPECT_EQ(t.separator, r.separator) << r.typed << " at " << r.caret;
    }
  }
}

TEST(MsgBufferRules, ParsingAndItsRefusalsKeepTheBuffer) {
  TMsgBuffer b;
  ASSERT_EQ(ParseHexText("f0 7F\n00\r\nF7", b), TParseResult::Ok);
  EXPECT_EQ(b.BufferLength, 4);
  EXPECT_EQ(b.Data(), QByteArray::fromHex("f07f00f7"));

  struct Row {
    QString text;
    TParseResult result;
  };
  const Row rows[] = {
      {"F0 1", TParseResult::OddCount},
      {"F0 1G", TParseResult::BadCharacter},
      {QString("00 ").repeated(MsgBufferSize + 1), TParseResult::TooLong},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ParseHexText(row.text, b), row.result);
    EXPECT_EQ(b.BufferLength, 4) << "a refused text changed the buffer";
    EXPECT_EQ(b.Bytes[0], 0xF0);
    EXPECT_FALSE(ParseErrorText(row.result, row.text).isEmpty());
  }
  EXPECT_EQ(ParseHexText(QString("7F ").repeated(MsgBufferSize), b), TParseResult::Ok);
  EXPECT_EQ(b.BufferLength, MsgBufferSize);
  EXPECT_EQ(ParseHexText("  \n", b), TParseResult::Ok);
  EXPECT_EQ(b.BufferLength, 0);
  EXPECT_EQ(b.Bytes[0], 0);
}

TEST(MsgBufferRules, MonitorLinesMatchTheEventTextCut) {
  std::vector<TMyMidiEvent> events;
  for (int length : {0, 1, 2, 79, 80, 81, 82, 246, 4096}) {
    TMyMidiEvent e;
    e.MidiMessage = 0xF0;
    e.SysexLength = static_cast<std::uint16_t>(length);
    const std::vector<std::uint8_t> bytes =
        length >= 2 ? Sysex(length, 9) : std::vector<std::uint8_t>(length, 0xF0);
    if (length > 0) e.Sysex = QByteArray(reinterpret_cast<const char*>(bytes.data()), length);
    events.push_back(e);
  }
  TMyMidiEvent claimsMore;  // a length field beyond the copy
  claimsMore.MidiMessage = 0xF0;
  claimsMore.SysexLength = 300;
  claimsMore.Sysex = QByteArray(10, 0x11);
  events.push_back(claimsMore);
  for (std::uint8_t status : {0x90, 0xC3, 0xF2, 0xFE, 0x10}) {
    TMyMidiEvent e;
    e.MidiMessage = status;
    e.Data1 = 0x3C;
    e.Data2 = 0x7F;
    e.Time = 0x12345678;
    events.push_back(e);
  }
  for (const TMyMidiEvent& e : events) {
    for (int cut : {255, 20}) {
      EXPECT_EQ(S(MonitorLineText(e, cut)), S(MidiEventText(e).left(cut)))
          << int(e.MidiMessage) << " " << e.SysexLength << " cut " << cut;
    }
  }
}

TEST(MsgBufferRules, PasteCheck) {
  for (const char* ok : {"", "f0 7f 00 f7", "F07F", "   "}) EXPECT_TRUE(IsHexPasteText(ok)) << ok;
  for (const char* bad : {"f0 7f\n00 f7", "f0\t7f", "0x7f", "f0,7f"}) {
    EXPECT_FALSE(IsHexPasteText(bad)) << bad;
  }
}

TEST_F(MessageBuffer, TypingInInsertMode) {
  TTestExplorer& w = Open();
  Type("f0 1a");
  EXPECT_EQ(S(Text()), "F0 1A");
  // A digit where the blank belongs begins the next pair; a blank at a digit and a non-hex
  // letter vanish.
  Type("2");
  Type(" x");
  Type("0 ");
  EXPECT_EQ(S(Text()), "F0 1A 20 ");
  // Pairs typed without blanks are read as bytes.
  SetEditorText("");
  Type("f07e7f0601f7");
  EXPECT_EQ(S(Text()), "F0 7E 7F 06 01 F7");
  QTest::keyClick(w.Editor(), Qt::Key_F9);
  EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}}));
  SetEditorText("F0 1A");
  Caret(5);
  Type("2");
  EXPECT_EQ(S(w.StatusText(1)), "Insert");
  // Shortcut keys do not reach the text.
  QTest::keyClick(w.Editor(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(S(Text()), "F0 1A 2");
  // Undo is the pop-up menu's.
  emit w.Child<QMenu>("popMsgBuf")->aboutToShow();
  ASSERT_TRUE(w.Action("pmiUndo")->isEnabled());
  w.Action("pmiUndo")->trigger();
  EXPECT_NE(S(Text()), "F0 1A 2");
}

TEST_F(MessageBuffer, TypingInOverwriteMode) {
  TTestExplorer& w = Open();
  SetEditorText("F0 1A 00");
  Caret(0);
  PressOnEditor(Qt::Key_Insert);
  EXPECT_FALSE(w.InsertMode());
  EXPECT_EQ(S(w.StatusText(1)), "Overwrite");
  Caret(0);
  Type("7");
  EXPECT_EQ(S(Text()), "70 1A 00");
  Type("E 2");
  EXPECT_EQ(S(Text()), "7E 2A 00");
  PressOnEditor(Qt::Key_Insert);
  EXPECT_EQ(S(w.StatusText(1)), "Insert");
}

TEST_F(MessageBuffer, OddDigitCountIsRefusedAndNothingSent) {
  TTestExplorer& w = Open();
  SetEditorText("F0 1A");
  ASSERT_TRUE(w.ParseBuffer());
  SetEditorText("F0 1");
  dialogs->PlanButton(QMessageBox::Ok);
  PressOnEditor(Qt::Key_F9);
  EXPECT_EQ(S(dialogs->Last().text),
            "Invalid hex message data (2 chars required to represent each byte)");
  EXPECT_EQ(S(dialogs->Last().caption), "Sorry...");
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(w.BufferLength(), 2);
}

TEST_F(MessageBuffer, TextLongerThanTheBufferIsRefused) {
  TTestExplorer& w = Open();
  SetEditorText("F0 F7");
  ASSERT_TRUE(w.ParseBuffer());
  SetEditorText(QString("11 ").repeated(MsgBufferSize + 1));
  dialogs->PlanButton(QMessageBox::Ok);
  w.Action("miSend")->trigger();
  EXPECT_EQ(S(dialogs->Last().caption), "Sorry...");
  EXPECT_TRUE(dialogs->Last().text.contains("10001")) << S(dialogs->Last().text);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(w.BufferLength(), 2);
  EXPECT_EQ(w.MessageBuffer.Bytes[0], 0xF0);
}

TEST_F(MessageBuffer, PasteTakesOnlyHexText) {
  TTestExplorer& w = Open();
  auto* popup = w.Child<QMenu>("popMsgBuf");
  QGuiApplication::clipboard()->setText("f0 7f 00 f7");
  emit popup->aboutToShow();
  EXPECT_TRUE(w.Action("pmiPaste")->isEnabled());
  EXPECT_FALSE(w.Action("pmiSendtoMIDIOut")->isEnabled());
  EXPECT_FALSE(w.Action("pmiBufClear")->isEnabled());
  w.Action("pmiPaste")->trigger();
  EXPECT_EQ(S(Text()), "F0 7F 00 F7");
  PressOnEditor(Qt::Key_F9);
  EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x7F, 0x00, 0xF7}}));

  QGuiApplication::clipboard()->setText("f0 7f\r\n00 f7");
  emit popup->aboutToShow();
  EXPECT_FALSE(w.Action("pmiPaste")->isEnabled());
  w.Action("pmiPaste")->trigger();
  EXPECT_EQ(S(Text()), "F0 7F 00 F7");
  EXPECT_TRUE(w.Action("pmiSendtoMIDIOut")->isEnabled());
  EXPECT_TRUE(w.Action("pmiSave")->isEnabled());
  EXPECT_TRUE(w.Action("pmiBufClear")->isEnabled());
  EXPECT_FALSE(w.Action("pmiCopy")->isEnabled());
  w.Action("pmiSelectAll")->trigger();
  emit popup->aboutToShow();
  EXPECT_TRUE(w.Action("pmiCopy")->isEnabled());
  EXPECT_TRUE(w.Action("pmiCut")->isEnabled());
  w.Action("pmiSendtoMIDIOut")->trigger();
  EXPECT_EQ(Sent().size(), 2u);

  // Text put in any other way (a drop, the editor's own paste) is held to the same rule.
  SetEditorText("");
  QGuiApplication::clipboard()->setText("c0 0a");
  w.Editor()->paste();
  EXPECT_EQ(S(Text()), "C0 0A");
  QGuiApplication::clipboard()->setText("no hex");
  w.Editor()->paste();
  EXPECT_EQ(S(Text()), "C0 0A");
}

// The menu item was enabled for the clipboard as it was when the menu opened; a text that is no
// hex by the time the item is chosen is still refused.
TEST_F(MessageBuffer, PasteRefusesWhatIsNoHexByTheTimeItIsChosen) {
  TTestExplorer& w = Open();
  auto* popup = w.Child<QMenu>("popMsgBuf");
  SetEditorText("01");
  QGuiApplication::clipboard()->setText("02 03");
  emit popup->aboutToShow();
  ASSERT_TRUE(w.Action("pmiPaste")->isEnabled());
  QGuiApplication::clipboard()->setText("not hex");
  w.Action("pmiPaste")->trigger();
  EXPECT_EQ(S(Text()), "01");
}

TEST_F(MessageBuffer, DumpFromTheLogIsSentWhole) {
  TTestExplorer& w = Open();
  const std::vector<std::uint8_t> dump = Sysex(246, 3);
  Inject(dump);
  WaitForLog(1);
  w.LoadEventIntoBuffer(*w.LogEvent(0));
  EXPECT_EQ(Text().size(), 246 * 3);
  EXPECT_EQ(w.BufferLength(), 246);
  EXPECT_TRUE(w.BufferSourceFile.isEmpty());
  PressOnEditor(Qt::Key_F9);
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0], dump);
}

TEST_F(MessageBuffer, FileLoadsCutToTheBufferWithAWarning) {
  TTestExplorer& w = Open();
  QByteArray big(12000, 0);
  for (int i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i % 97);
  const QString path = WriteFile("big.bin", big);
  dialogs->PlanButton(QMessageBox::Ok);
  EXPECT_TRUE(w.LoadFileIntoBuffer(path));
  EXPECT_EQ(w.BufferLength(), MsgBufferSize);
  EXPECT_EQ(w.MessageBuffer.Data(), big.left(MsgBufferSize));
  EXPECT_EQ(S(dialogs->Last().text),
            S(path + " filesize (12000 bytes) is too big for buffer.\nDo not save this file or "
                     "data loss will occur!"));
  EXPECT_EQ(S(w.StatusText(0)),
            S("Read 10000 bytes from " + path + " (filesize 12000 is too big for buffer)"));
  EXPECT_EQ(Text().size(), 30000);
  EXPECT_EQ(S(w.BufferSourceFile), S(path));
  EXPECT_EQ(S(w.windowTitle()), S(path + " - ZQN-Tarvo"));
  // An editing key makes the text its own.
  w.Editor()->setFocus();
  QTest::keyClick(w.Editor(), Qt::Key_Right);
  EXPECT_FALSE(w.BufferSourceFile.isEmpty());
  QTest::keyClick(w.Editor(), Qt::Key_Delete);
  EXPECT_TRUE(w.BufferSourceFile.isEmpty());

  const QString small = WriteFile("small.bin", QByteArray::fromHex("f00102f7"));
  EXPECT_TRUE(w.LoadFileIntoBuffer(small));
  EXPECT_EQ(S(Text()), "F0 01 02 F7 ");
  EXPECT_EQ(S(w.StatusText(0)), S("Read 4 bytes from " + small));
}

// Only whole MIDI messages leave the buffer; the reason names the byte where it goes wrong.
TEST(MsgBufferRules, WholeMessages) {
  const struct {
    const char* hex;
    const char* problem;  // empty: whole
  } rows[] = {
      {"", ""},
      {"90 3C 64", ""},
      {"90 3C 64 3E 64", ""},  // running status
      {"C0 05 F8 D0 F8 40", ""},
      {"F0 7E F8 7F 06 01 F7 FE", ""},  // real-time bytes anywhere
      {"F1 20 F2 00 01 F3 05 F6", ""},
      {"F0", "the system-exclusive message that begins at byte 1 has no end (F7)"},
      {"F0 1A 00 C0 05 F7",
       "the system-exclusive message that begins at byte 1 is cut off by C0 at byte 4 before its "
       "end (F7)"},
      {"3C 64", "byte 1 (3C) is a data byte with no status byte before it"},
      {"F0 F7 3C", "byte 3 (3C) is a data byte with no status byte before it"},
      {"F6 3C", "byte 2 (3C) is a data byte with no status byte before it"},
      {"F7", "byte 1 is F7, the end of a system-exclusive message that never began"},
      {"90 3C", "the message 90 at byte 1 needs 2 data bytes but has 1"},
      {"90 3C 64 3E", "the message 90 at byte 4 needs 2 data bytes but has 1"},
      {"B0 07 C0 05", "the message B0 at byte 1 needs 2 data bytes but has 1"},
      {"F2 01", "the message F2 at byte 1 needs 2 data bytes but has 1"},
  };
  for (const auto& row : rows) {
    const QByteArray bytes = QByteArray::fromHex(QByteArray(row.hex).replace(' ', ""));
    EXPECT_EQ(S(WholeMessagesProblem(std::span<const std::uint8_t>(
                  reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size()))),
              row.problem)
        << row.hex;
  }
}

TEST_F(MessageBuffer, PartOfAMessageIsNeverSent) {
  TTestExplorer& w = Open();
  for (const char* text : {"F0", "F0 1A 00 15 45", "90 3C", "3C 64"}) {
    SetEditorText(text);
    dialogs->PlanButton(QMessageBox::Ok);
    PressOnEditor(Qt::Key_F9);
    EXPECT_TRUE(
        dialogs->Last().text.startsWith("Not sent: the buffer does not hold whole MIDI "
                                        "messages: "))
        << text << ": " << S(dialogs->Last().text);
  }
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(S(w.StatusText(0)), "Not sent: the buffer does not hold whole MIDI messages");
}

TEST_F(MessageBuffer, ClearThenF9SendsNothingAndAsksNothing) {
  TTestExplorer& w = Open();
  SetEditorText("F0 F7");
  w.Action("miClearOut")->trigger();
  EXPECT_TRUE(Text().isEmpty());
  EXPECT_EQ(w.BufferLength(), 0);
  PressOnEditor(Qt::Key_F9);
  EXPECT_TRUE(Sent().empty());
  EXPECT_TRUE(dialogs->Asked().empty());
  // Sending an empty buffer directly says so.
  w.SendBuffer();
  EXPECT_EQ(S(w.StatusText(0)), "Buffer is empty; nothing to send");
}

TEST_F(MessageBuffer, SaveWritesExactlyTheBytes) {
  TTestExplorer& w = Open();
  SetEditorText("F0 1A 00 15 45 F7");
  const QString target = filesDir.path() + "/request.syx";
  dialogs->PlanSaveFile(target);
  w.Action("miSaveAs")->trigger();
  QFile f(target);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), QByteArray::fromHex("f01a001545f7"));
  EXPECT_EQ(S(w.StatusText(0)), S("Saved 6 bytes to " + target));
  bool listed = false;
  for (const TFileEntry& e : w.FileEntries()) listed |= e.Caption == "request.syx";
  EXPECT_TRUE(listed);

  // Nothing to save: the status says so and no dialog opens.
  w.Action("miClearOut")->trigger();
  const std::size_t asked = dialogs->Asked().size();
  w.Action("pmiSave")->trigger();
  EXPECT_EQ(S(w.StatusText(0)), "Buffer is empty; nothing to save");
  EXPECT_EQ(dialogs->Asked().size(), asked);
}

TEST_F(MessageBuffer, DoubleClickInTheEditorSends) {
  TTestExplorer& w = Open();
  SetEditorText("B0 07 64 ");
  QTest::mouseDClick(w.Editor()->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{{0xB0, 0x07, 0x64}}));
}

}  // namespace
