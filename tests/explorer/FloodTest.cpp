// The window under a flood of MIDI, and a picture of it for the record.

#include "ExplorerTestUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTabWidget>
#include <QTimer>
#include <thread>

using namespace explorer_test;

namespace {

constexpr int kShort = 100000;
constexpr int kDumps = 2000;
constexpr int kTotal = kShort + kDumps;

// Message i of the flood: every 51st is a 246-byte dump, the others short messages; each carries
// its own number so the log's order can be checked.
bool IsDump(int i) {
  return i % 51 == 50;
}
int DumpNumber(int i) {
  return i / 51;
}
int ShortNumber(int i) {
  return i - i / 51;
}

std::vector<std::uint8_t> FloodMessage(int i) {
  if (IsDump(i)) {
    std::vector<std::uint8_t> dump = Sysex(246);
    dump[1] = static_cast<std::uint8_t>(DumpNumber(i) & 0x7F);
    dump[2] = static_cast<std::uint8_t>(DumpNumber(i) >> 7);
    return dump;
  }
  const int s = ShortNumber(i);
  return {static_cast<std::uint8_t>(0x90 | (s >> 14)), static_cast<std::uint8_t>((s >> 7) & 0x7F),
          static_cast<std::uint8_t>(s & 0x7F)};
}

using ExplorerFlood = ExplorerFixture;

TEST_F(ExplorerFlood, WindowKeepsTurningAndKeepsTheNewest500) {
  TTestExplorer& w = Open();
  w.Child<QTabWidget>("pgcTab")->setCurrentWidget(w.Child<QWidget>("tsMonitor"));
  std::shared_ptr<TInProcessDevice> device = devices["Tarvo"];

  // The event loop's pulse: the longest time between two ticks of a 5 ms timer.
  QElapsedTimer clock;
  clock.start();
  qint64 lastTick = 0, longestGap = 0;
  int ticks = 0;
  QTimer pulse;
  pulse.setInterval(5);
  QObject::connect(&pulse, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    longestGap = std::max(longestGap, now - lastTick);
    lastTick = now;
    ++ticks;
  });
  pulse.start();
  const int updatesBefore = w.LogModel()->ViewUpdates();

  std::atomic<bool> finished{false};
  std::thread injector([&] {
    for (int i = 0; i < kTotal; ++i) {
      // As fast as the window takes them, without overrunning the port's 1024-slot ring.
      while (i - w.logged.load(std::memory_order_acquire) > 900) std::this_thread::yield();
      const std::vector<std::uint8_t> m = FloodMessage(i);
      // A dump needs a free receive buffer; the window hands them back as it takes the dumps.
      while (!device->Send(m)) std::this_thread::yield();
    }
    finished = true;
  });
  QElapsedTimer limit;
  limit.start();
  while ((!finished || w.logged.load() < kTotal) && limit.elapsed() < 120000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  injector.join();
  const qint64 elapsed = clock.elapsed();
  pulse.stop();
  ASSERT_EQ(w.logged.load(), kTotal) << "events were lost";
  w.FlushLogView();

  EXPECT_GT(ticks, 0);
  EXPECT_LT(longestGap, 250) << "the event loop stalled";
  // Batched view updates: about one per frame, never one per event.
  const int updates = w.LogModel()->ViewUpdates() - updatesBefore;
  EXPECT_LE(updates, elapsed / TMonitorLog::FrameMs + 10) << elapsed << " ms";

  ASSERT_EQ(w.LogCount(), 500);
  EXPECT_EQ(w.Log()->model()->rowCount(), 500);
  for (int line = 0; line < 500; ++line) {
    const int i = kTotal - 500 + line;
    const TMyMidiEvent* e = w.LogEvent(line);
    ASSERT_NE(e, nullptr);
    const std::vector<std::uint8_t> m = FloodMessage(i);
    if (IsDump(i)) {
      ASSERT_EQ(e->SysexLength, 246) << line;
      ASSERT_EQ(static_cast<std::uint8_t>(e->Sysex[1]), m[1]) << line;
      ASSERT_EQ(static_cast<std::uint8_t>(e->Sysex[2]), m[2]) << line;
    } else {
      ASSERT_EQ(e->MidiMessage, m[0]) << line;
      ASSERT_EQ(e->Data1, m[1]) << line;
      ASSERT_EQ(e->Data2, m[2]) << line;
    }
    ASSERT_EQ(w.Log()->model()->index(line, 0).data().toString(), w.LogLine(line));
  }
  EXPECT_EQ(S(w.StatusText(0)), "Received 246 MIDI in bytes");
  RecordProperty("elapsed_ms", static_cast<int>(elapsed));
  RecordProperty("view_updates", updates);
}

TEST_F(ExplorerFlood, Screenshot) {
  WriteFile("Clean Lead.zqn", QByteArray(246, 1));
  WriteFile("Big Hall.zqn", QByteArray(246, 2));
  WriteFile("Table.mpt", QByteArray(406, 3));
  QDir(filesDir.path()).mkdir("Bank A");
  TTestExplorer& w = Open();
  w.resize(1000, 560);
  Inject({0x90, 0x3C, 0x64});
  Inject({0xB0, 0x07, 0x50});
  Inject({0xC0, 0x05});
  Inject(Sysex(246));
  Inject({0x80, 0x3C, 0x00});
  WaitForLog(5);
  w.LoadEventIntoBuffer(*w.LogEvent(3));
  const QString dir = QStringLiteral(ZQN_SCREENSHOT_DIR);
  QDir().mkpath(dir);
  EXPECT_TRUE(w.grab().save(dir + "/explorer-files.png"));
  w.Child<QTabWidget>("pgcTab")->setCurrentWidget(w.Child<QWidget>("tsMonitor"));
  w.FlushLogView();
  QCoreApplication::processEvents();
  EXPECT_TRUE(w.grab().save(dir + "/explorer-monitor.png"));
}

}  // namespace
