// The monitor's filters, its pause, the program's own messages in the log and the recording of
// everything received to a file.

#include "ExplorerTestUtil.h"
#include "MidiEvents.h"
#include "explorer/MonitorCapture.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <thread>

using namespace explorer_test;

namespace {

// ---- The filter's rule, event by event.

TEST(MonitorFilterRule, EachSettingHidesItsMessagesOnly) {
  TMonitorFilter realtime;
  realtime.HideRealtime = true;
  TMonitorFilter noteOn;
  noteOn.HiddenKinds = 1 << 1;
  TMonitorFilter channel10;
  channel10.HiddenChannels = 1 << 9;
  TMonitorFilter sysex;
  sysex.SysexOnly = true;
  struct Row {
    std::uint8_t status;
    bool realtime, noteOn, channel10, sysex;
  };
  const Row rows[] = {
      {0xF8, false, true, true, false},  // timing clock
      {0xFA, false, true, true, false},  // start
      {0xFC, false, true, true, false},  // stop
      {0xFE, false, true, true, false},  // active sensing
      {0xF0, true, true, true, true},    // system exclusive
      {0xF2, true, true, true, false},   // song position is no real-time message
      {0x90, true, false, true, false},  // note on, channel 1
      {0x99, true, false, false, false}, {0x89, true, true, false, false},  // note off, channel 10
      {0xB0, true, true, true, false},   {0xC9, true, true, false, false},
  };
  for (const Row& r : rows) {
    const TMyMidiEvent e = Short(r.status);
    EXPECT_TRUE(TMonitorFilter{}.Shows(e)) << int(r.status);
    EXPECT_EQ(realtime.Shows(e), r.realtime) << int(r.status);
    EXPECT_EQ(noteOn.Shows(e), r.noteOn) << int(r.status);
    EXPECT_EQ(channel10.Shows(e), r.channel10) << int(r.status);
    EXPECT_EQ(sysex.Shows(e), r.sysex) << int(r.status);
  }
}

// ---- Through the window.

// Message i of a mixed stream: notes and controllers on channels 1 and 10, program changes,
// start and stop, and now and then a dump; each short message carries its number.
std::vector<std::uint8_t> Mixed(int i) {
  const auto lo = static_cast<std::uint8_t>(i & 0x7F);
  const auto hi = static_cast<std::uint8_t>((i >> 7) & 0x7F);
  switch (i % 10) {
    case 0:
      return {0x90, hi, lo};
    case 1:
      return {0x99, hi, lo};
    case 2:
      return {0xB0, hi, lo};
    case 3:
      return {0xC9, lo};
    case 4:
      return {0xFA};
    case 5:
      return {0xFC};
    case 6:
      return {0x80, hi, lo};
    case 7:
      return {0xE9, hi, lo};
    case 8:
      return {0xF3, lo};
    default: {
      std::vector<std::uint8_t> m = Sysex(20 + i % 200, static_cast<std::uint8_t>(i));
      m[1] = lo;
      m[2] = hi;
      return m;
    }
  }
}

class MonitorFilterFixture : public ExplorerFixture {
 protected:
  // Sends messages [0, count) from a thread of its own, paced by what the window has taken (the
  // recording counts every event it takes), and waits until all are taken.
  void Flood(int count, const std::function<std::vector<std::uint8_t>(int)>& message) {
    const TMonitorCapture* capture = window->Capture();
    ASSERT_NE(capture, nullptr);
    const std::uint64_t before = capture->Events();
    std::shared_ptr<TInProcessDevice> device = devices["Tarvo"];
    std::atomic<bool> done{false};
    std::thread injector([&] {
      for (int i = 0; i < count; ++i) {
        while (static_cast<std::int64_t>(i) -
                   static_cast<std::int64_t>(capture->Events() - before) >
               900)
          std::this_thread::yield();
        const std::vector<std::uint8_t> m = message(i);
        while (!device->Send(m)) std::this_thread::yield();
      }
      done = true;
    });
    QElapsedTimer limit;
    limit.start();
    while ((!done || capture->Events() - before < static_cast<std::uint64_t>(count)) &&
           limit.elapsed() < 600000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    injector.join();
    ASSERT_EQ(capture->Events() - before, static_cast<std::uint64_t>(count)) << "events lost";
    window->FlushLogView();
  }
  QString RecordTo(const QString& name) {
    const QString path = filesDir.path() + "/" + name;
    dialogs->PlanSaveFile(path);
    window->Action("miRecord")->trigger();
    EXPECT_NE(window->Capture(), nullptr);
    return path;
  }
  static QByteArray Bytes(const std::vector<std::uint8_t>& m) {
    return QByteArray(reinterpret_cast<const char*>(m.data()), static_cast<qsizetype>(m.size()));
  }
  static QByteArray ReadAll(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << S(path);
    return f.readAll();
  }
};

TEST_F(MonitorFilterFixture, FiltersShowOnlyWhatPassesAndTheRecordingKeepsEverything) {
  TTestExplorer& w = Open();
  const QString path = RecordTo("mixed.syx");
  // Real-time, note on, channel 10.
  w.Action("miHideRealtime")->trigger();
  w.Action("miHideKind1")->trigger();
  w.Action("miHideChannel10")->trigger();
  constexpr int kCount = 20000;
  Flood(kCount, Mixed);

  TMonitorFilter expected;
  expected.HideRealtime = true;
  expected.HiddenKinds = 1 << 1;
  expected.HiddenChannels = 1 << 9;
  EXPECT_EQ(w.MonitorFilter(), expected);
  // The shown lines are the newest 500 of those that pass, in order.
  std::vector<int> passing;
  for (int i = 0; i < kCount; ++i) {
    const std::vector<std::uint8_t> m = Mixed(i);
    TMyMidiEvent e = Short(m[0]);
    if (expected.Shows(e)) passing.push_back(i);
  }
  ASSERT_EQ(w.LogCount(), 500);
  for (int line = 0; line < 500; ++line) {
    const std::vector<std::uint8_t> m = Mixed(passing[passing.size() - 500 + line]);
    const TMyMidiEvent* e = w.LogEvent(line);
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->MidiMessage, m[0]) << line;
    if (m[0] == 0xF0)
      ASSERT_EQ(e->Sysex, Bytes(m)) << line;
    else
      ASSERT_EQ(e->Data2, m.size() > 2 ? m[2] : 0) << line;
  }
  EXPECT_GT(w.HiddenEvents(), 0);

  w.Action("miStopRecord")->trigger();
  EXPECT_EQ(w.Capture(), nullptr);
  QByteArray all;
  for (int i = 0; i < kCount; ++i) all += Bytes(Mixed(i));
  EXPECT_TRUE(ReadAll(path) == all) << "the recording is not what was sent";
  EXPECT_TRUE(statuses.last().startsWith("Recorded 20000 events (")) << S(statuses.last());
}

TEST_F(MonitorFilterFixture, SysexOnlyThenShowAll) {
  TTestExplorer& w = Open();
  w.Action("miSysexOnly")->trigger();
  EXPECT_FALSE(w.Action("miHideRealtime")->isEnabled());
  Inject({0x90, 1, 2});
  Inject(Sysex(10));
  Inject({0xFC});
  Inject(Sysex(12));
  WaitForLog(2);
  EXPECT_EQ(w.LogEvent(0)->SysexLength, 10);
  EXPECT_EQ(w.LogEvent(1)->SysexLength, 12);
  w.Action("miShowAll")->trigger();
  EXPECT_TRUE(w.MonitorFilter().ShowsAll());
  EXPECT_FALSE(w.Action("miSysexOnly")->isChecked());
  Inject({0xFC});
  WaitForLog(3);
  EXPECT_EQ(w.LogEvent(2)->MidiMessage, 0xFC);
}

TEST_F(MonitorFilterFixture, FiltersAreRemembered) {
  {
    TTestExplorer& w = Open(false);
    w.Action("miHideRealtime")->trigger();
    w.Action("miHideKind3")->trigger();  // control change
    w.Action("miHideChannel16")->trigger();
    w.Action("miShowOutgoing")->trigger();
  }
  Restart();
  TTestExplorer& w = Open(false);
  EXPECT_TRUE(w.Action("miHideRealtime")->isChecked());
  EXPECT_TRUE(w.Action("miHideKind3")->isChecked());
  EXPECT_FALSE(w.Action("miHideKind4")->isChecked());
  EXPECT_TRUE(w.Action("miHideChannel16")->isChecked());
  EXPECT_FALSE(w.Action("miHideChannel1")->isChecked());
  EXPECT_TRUE(w.Action("miShowOutgoing")->isChecked());
  EXPECT_TRUE(w.ShowOutgoing());
  EXPECT_EQ(w.MonitorFilter().HiddenKinds, 1 << 3);
  EXPECT_EQ(w.MonitorFilter().HiddenChannels, 1 << 15);
  // The pause is for now only.
  EXPECT_FALSE(w.MonitorPaused());
}

TEST_F(MonitorFilterFixture, PauseStopsShowingWhileEventsAreStillReceived) {
  TTestExplorer& w = Open();
  const QString path = RecordTo("paused.syx");
  Flood(100, Mixed);
  ASSERT_EQ(w.LogCount(), 100);
  w.Action("miPauseLog")->trigger();
  EXPECT_TRUE(w.MonitorPaused());
  EXPECT_EQ(S(w.StatusText(0)), "Monitor paused; MIDI is still received");
  Flood(3000, [](int i) { return Mixed(i + 100); });
  EXPECT_EQ(w.LogCount(), 100);
  // Received, only not shown.
  EXPECT_TRUE(w.StatusText(0).startsWith("Received ")) << S(w.StatusText(0));
  EXPECT_EQ(w.HiddenEvents(), 3000);
  w.Action("miPauseLog")->trigger();
  EXPECT_EQ(S(w.StatusText(0)), "Monitor resumed; 3000 events were not shown");
  Flood(1, [](int) { return std::vector<std::uint8_t>{0x90, 0x7F, 0x7F}; });
  ASSERT_EQ(w.LogCount(), 101);
  EXPECT_EQ(w.LogEvent(100)->Data1, 0x7F);
  w.StopCapture();
  QByteArray all;
  for (int i = 0; i < 3100; ++i) all += Bytes(Mixed(i));
  all += QByteArray("\x90\x7F\x7F", 3);
  EXPECT_TRUE(ReadAll(path) == all);
}

// A million events through the in-process device, recorded byte for byte.
TEST_F(MonitorFilterFixture, MillionEventsRecordedByteForByte) {
  TTestExplorer& w = Open();
  const QString path = RecordTo("million.bin");
  constexpr int kCount = 1000000;
  Flood(kCount, Mixed);
  w.StopCapture();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  // Compared piece by piece, so the test does not hold the whole stream twice.
  qint64 offset = 0;
  for (int i = 0; i < kCount; ++i) {
    const QByteArray m = Bytes(Mixed(i));
    const QByteArray got = f.read(m.size());
    ASSERT_TRUE(got == m) << "event " << i << " at byte " << offset;
    offset += m.size();
  }
  EXPECT_TRUE(f.atEnd());
  EXPECT_EQ(w.LogCount(), TfrmMIDIExplorer::MaxLogLines);
}

TEST_F(MonitorFilterFixture, TextRecordingHasTheLinesWithTimeStamps) {
  TTestExplorer& w = Open();
  const QString path = RecordTo("log.txt");
  Inject({0x90, 0x3C, 0x64});
  Inject({0xF0, 0x1A, 0x00, 0x15, 0x45, 0xF7});
  WaitForLog(2);
  w.StopCapture();
  const QStringList lines = QString::fromUtf8(ReadAll(path)).split("\r\n");
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[2].isEmpty());
  // Ten places of milliseconds, two blanks, the event's text.
  EXPECT_TRUE(
      QRegularExpression("^ *\\d+  Note On 90 3C 64     [0-9A-F]{8}$").match(lines[0]).hasMatch())
      << S(lines[0]);
  EXPECT_EQ(lines[0].indexOf("  Note"), 10);
  EXPECT_TRUE(lines[1].endsWith("  Sysex (6): F0 1A 00 15 45 F7 ")) << S(lines[1]);
}

TEST_F(MonitorFilterFixture, RecordingToAFileThatCannotBeWritten) {
  TTestExplorer& w = Open(false);
  dialogs->PlanSaveFile(filesDir.path() + "/no such folder/x.syx");
  dialogs->PlanButton(QMessageBox::Ok);
  w.Action("miRecord")->trigger();
  EXPECT_EQ(w.Capture(), nullptr);
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::Message);
  EXPECT_TRUE(dialogs->Last().text.startsWith("Could not write ")) << S(dialogs->Last().text);
  EXPECT_TRUE(w.Action("miRecord")->isEnabled());
}

TEST_F(MonitorFilterFixture, RecordMenuNamesAndTypedNameGetsTheChosenKind) {
  TTestExplorer& w = Open(false);
  EXPECT_EQ(S(w.Action("miRecord")->text()), "Record MIDI to file...");
  EXPECT_FALSE(w.Action("miStopRecord")->isEnabled());
  dialogs->PlanSaveFile(filesDir.path() + "/typed", "Text log of the monitor (*.txt)");
  w.Action("miRecord")->trigger();
  ASSERT_NE(w.Capture(), nullptr);
  EXPECT_EQ(w.Capture()->Format(), TMonitorCapture::TFormat::Text);
  EXPECT_TRUE(w.Capture()->FileName().endsWith("/typed.txt"));
  EXPECT_FALSE(w.Action("miRecord")->isEnabled());
  EXPECT_TRUE(w.Action("miStopRecord")->isEnabled());
}

// ---- What the program sends, in the log.

TEST_F(MonitorFilterFixture, OutgoingLinesInOrderWithTheReplies) {
  driver = std::make_shared<TInProcessMidi>();
  devices["Tarvo"] = driver->AddDevice("Tarvo", std::make_shared<TLoopbackFarEnd>());
  TTestExplorer& w = Open();
  // Off by default: the log shows only what arrives.
  EXPECT_FALSE(w.ShowOutgoing());
  w.Action("miShowOutgoing")->trigger();
  SetEditorText("F0 1A 00 15 45 F7");
  PressOnEditor(Qt::Key_F9);
  WaitForLog(2);
  w.MidiOutput()->PutShort(0xC0, 0x05, 0);
  WaitForLog(4);
  const QString mark = TfrmMIDIExplorer::OutgoingMark;
  EXPECT_EQ(S(mark), "\u2192 ");
  EXPECT_TRUE(w.LogLine(0).startsWith(mark + "Sysex (6): F0 1A 00 15 45 F7")) << S(w.LogLine(0));
  EXPECT_TRUE(w.LogLine(1).startsWith("Sysex (6): F0 1A 00 15 45 F7")) << S(w.LogLine(1));
  EXPECT_TRUE(w.LogLine(2).startsWith(mark + "Program Change C0 05     ")) << S(w.LogLine(2));
  EXPECT_TRUE(w.LogLine(3).startsWith("Program Change C0 05     ")) << S(w.LogLine(3));
  // An outgoing line keeps its message, for the buffer.
  ASSERT_NE(w.LogEvent(0), nullptr);
  EXPECT_EQ(w.LogEvent(0)->SysexLength, 6);
  // Off again: the replies only.
  w.Action("miShowOutgoing")->trigger();
  w.MidiOutput()->PutShort(0xC0, 0x06, 0);
  WaitForLog(5);
  EXPECT_TRUE(w.LogLine(4).startsWith("Program Change C0 06")) << S(w.LogLine(4));
}

}  // namespace
