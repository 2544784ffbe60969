// The monitor's lines for what the unit makes of a message, and the conversation with the unit
// with the program's own messages in the log.

#include "MainWindowFixture.h"
#include "preset/Preset.h"

#include "explorer/MonitorLog.h"

#include <QAction>
#include <QRegularExpression>

namespace {

class MonitorDecode : public MainWindow {
 protected:
  // The last line, once the window has `count` lines.
  QString LineWhen(int count) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == count; }, 3000))
        << window->LogCount();
    window->FlushLogView();
    return window->LogLine(window->LogCount() - 1);
  }
  void Action(const char* name) { window->findChild<QAction*>(name)->trigger(); }
  // A line without a note ends with its time stamp.
  static bool Plain(const QString& line) {
    return QRegularExpression(QStringLiteral("     [0-9A-F]{8}$")).match(line).hasMatch();
  }
  // A line's whole text, as a copy gives it (a long one is shown shortened before its note).
  std::string Full(int i) { return window->LogModel()->FullText(i).toStdString(); }
};

TEST_F(MonitorDecode, ProgramChangeNamesThePresetThroughTheFetchedTable) {
  {
    auto lock = session->Lock();
    session->Unit().SetProgramEntry(11, 36);
  }
  Start();
  const QString title = QuickTitle(AsBytes(Memory(1, 36)));
  ASSERT_FALSE(title.isEmpty());
  // Before any table is fetched nothing is guessed.
  unit->Send(AsBytes(QByteArray::fromHex("C00B")));
  EXPECT_TRUE(Plain(LineWhen(1))) << LineWhen(1).toStdString();

  Action("miGetMPT");
  Settle();
  EXPECT_TRUE(LineWhen(2).startsWith("Sysex (406): ")) << LineWhen(2).toStdString();
  ASSERT_TRUE(window->Decoder().ProgramTable().has_value());
  window->Device.CurrentBank = 1;
  // The title as the preset library knows it.
  window->Decoder().SetPresetTitle(1, 36, title);
  unit->Send(AsBytes(QByteArray::fromHex("C00B")));
  const QString line = LineWhen(3);
  EXPECT_TRUE(line.startsWith("Program Change C0 0B     ")) << line.toStdString();
  EXPECT_TRUE(line.endsWith(" PC 12 \u2192 B-037 " + title)) << line.toStdString();
  EXPECT_LE(line.size(), TfrmMIDIExplorer::MaxLogLineLength);
}

TEST_F(MonitorDecode, ControllerNamesWhatTheCurrentPresetMakesItDo) {
  TPreset preset;
  preset.Title = QStringLiteral("Swell");
  preset.PerfInUse[0] = true;
  preset.PerfMIDI[0].Controller = 11;
  preset.PerfMIDI[0].ParamNo = 4;  // the compressor's drive
  const TPresetImage image = preset.Encode();
  {
    auto lock = session->Lock();
    session->Unit().Receive(TBytes(image.data(), image.size()));
  }
  Start();
  QTest::keyClick(window.get(), Qt::Key_F10);
  Settle();
  EXPECT_TRUE(LineWhen(1).endsWith("\"Swell\"")) << LineWhen(1).toStdString();
  unit->Send(AsBytes(QByteArray::fromHex("B00B40")));
  const QString line = LineWhen(2);
  EXPECT_TRUE(line.startsWith("Control Change B0 0B 40     ")) << line.toStdString();
  EXPECT_TRUE(line.endsWith(" CC 11 \u2192 Compressor drive")) << line.toStdString();
  // A controller the preset does not use has no note.
  unit->Send(AsBytes(QByteArray::fromHex("B00C40")));
  EXPECT_TRUE(Plain(LineWhen(3))) << LineWhen(3).toStdString();
}

TEST_F(MonitorDecode, ParameterReportsAreSpelledOut) {
  Start();
  unit->Send(AsBytes(QByteArray::fromHex("F01A0015030001F7")));
  EXPECT_TRUE(LineWhen(1).endsWith(" Bypass on")) << LineWhen(1).toStdString();
  unit->Send(AsBytes(QByteArray::fromHex("F01A0015030903F7")));
  EXPECT_TRUE(LineWhen(2).endsWith(" Bank D")) << LineWhen(2).toStdString();
  unit->Send(AsBytes(QByteArray::fromHex("F01A001503400501F7")));
  EXPECT_TRUE(LineWhen(3).endsWith(" Current preset 134")) << LineWhen(3).toStdString();
}

TEST_F(MonitorDecode, OutgoingLinesInOrderWithTheUnitsReplies) {
  Start();
  Action("miShowOutgoing");
  const QString title = QuickTitle(AsBytes(Memory(0, 0)));
  QTest::keyClick(window.get(), Qt::Key_F10);
  Settle();
  LineWhen(2);
  Action("miBypass");
  Settle();
  LineWhen(3);
  Action("miGetMPT");
  Settle();
  LineWhen(5);
  const QString out = TfrmMIDIExplorer::OutgoingMark;
  EXPECT_EQ(Full(0), (out + "Sysex (6): F0 1A 00 15 45 F7 Get current preset").toStdString());
  EXPECT_TRUE(window->LogLine(0).startsWith(out + "Sysex (6): F0 1A "));
  EXPECT_TRUE(window->LogLine(0).endsWith(" Get current preset"));
  EXPECT_EQ(Full(1).substr(0, 28), "Sysex (246): F0 1A 00 15 05 ");
  EXPECT_TRUE(window->LogLine(1).endsWith("\"" + title + "\"")) << window->LogLine(1).toStdString();
  EXPECT_EQ(Full(2), (out + "Sysex (8): F0 1A 00 15 03 00 01 F7 Bypass on").toStdString());
  EXPECT_EQ(Full(3), (out + "Sysex (6): F0 1A 00 15 53 F7 Program table request").toStdString());
  EXPECT_EQ(Full(4).substr(0, 28), "Sysex (406): F0 1A 00 15 13 ");
  EXPECT_TRUE(window->LogLine(4).endsWith(" Program table")) << window->LogLine(4).toStdString();
}

}  // namespace
