// Paced sending of the message buffer: message by message with a gap, long system exclusive in
// pieces, remembered, and stopped by Ctrl+C.

#include "ExplorerTestUtil.h"
#include "explorer/SendPacing.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QTimer>

using namespace explorer_test;

namespace {

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}
std::span<const std::uint8_t> Span(const QByteArray& a) {
  return {reinterpret_cast<const std::uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}

TEST(SendPacingPlan, TheBufferIsCutIntoItsMessages) {
  struct Row {
    const char* buffer;
    std::vector<const char*> messages;
  };
  const Row rows[] = {
      {"F0 01 02 F7 F0 03 F7", {"F0 01 02 F7", "F0 03 F7"}},
      {"90 3C 64 C0 05 F0 01 F7 FC", {"90 3C 64", "C0 05", "F0 01 F7", "FC"}},
      // Running status: the data bytes after a message go as one piece of their own.
      {"90 3C 64 3D 64 3E 64", {"90 3C 64", "3D 64 3E 64"}},
      // A clock inside system exclusive stays in it; a system exclusive without end stops at the
      // next status.
      {"F0 01 F8 02 F7", {"F0 01 F8 02 F7"}},
      {"F0 01 02 90 3C 64", {"F0 01 02", "90 3C 64"}},
      {"F0 01 02", {"F0 01 02"}},
      // A short message cut off by the next status.
      {"90 3C C0 05", {"90 3C", "C0 05"}},
  };
  for (const Row& r : rows) {
    const QByteArray buffer = Hex(r.buffer);
    std::vector<QByteArray> expected;
    for (const char* m : r.messages) expected.push_back(Hex(m));
    EXPECT_EQ(SplitMessages(Span(buffer)), expected) << r.buffer;
  }
}

TEST(SendPacingPlan, GapsBetweenMessagesAndDelaysBetweenPieces) {
  const QByteArray buffer = Hex("F0 01 02 03 04 05 06 F7 90 3C 64 F0 07 F7");
  // No pacing: one piece, as the buffer always went.
  std::vector<TSendPiece> plan = PlanSend(Span(buffer), {});
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_EQ(plan[0].Bytes, buffer);

  plan = PlanSend(Span(buffer), {50, 0, 0});
  ASSERT_EQ(plan.size(), 3u);
  EXPECT_EQ(plan[0].DelayBeforeMs, 0);
  EXPECT_EQ(plan[1].DelayBeforeMs, 50);
  EXPECT_EQ(plan[2].DelayBeforeMs, 50);

  // Pieces of at most 3 bytes, only of system exclusive.
  plan = PlanSend(Span(buffer), {20, 3, 5});
  std::vector<std::pair<QByteArray, int>> got;
  for (const TSendPiece& p : plan) got.push_back({p.Bytes, p.DelayBeforeMs});
  const std::vector<std::pair<QByteArray, int>> expected = {{Hex("F0 01 02"), 0},
                                                            {Hex("03 04 05"), 5},
                                                            {Hex("06 F7"), 5},
                                                            {Hex("90 3C 64"), 20},
                                                            {Hex("F0 07 F7"), 20}};
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(plan[0].StartsMessage);
  EXPECT_FALSE(plan[1].StartsMessage);
  EXPECT_TRUE(plan[3].StartsMessage);
}

// Records when each message arrived.
class TTimedFarEnd : public TMidiFarEnd {
 public:
  TTimedFarEnd() { clock_.start(); }
  void Receive(TInProcessDevice&, std::span<const std::uint8_t> m) override {
    std::lock_guard lock(mutex_);
    received_.emplace_back(
        QByteArray(reinterpret_cast<const char*>(m.data()), static_cast<qsizetype>(m.size())),
        clock_.elapsed());
  }
  std::vector<std::pair<QByteArray, qint64>> Received() {
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  std::mutex mutex_;
  QElapsedTimer clock_;
  std::vector<std::pair<QByteArray, qint64>> received_;
};

class SendPacing : public ExplorerFixture {
 protected:
  TTestExplorer& OpenTimed() {
    far = std::make_shared<TTimedFarEnd>();
    devices["Tarvo"] = driver->AddDevice("Tarvo", far);
    return Open();
  }
  void Choose(const char* item) {
    window->Action(item)->trigger();
    QCoreApplication::processEvents();
  }
  std::shared_ptr<TTimedFarEnd> far;
};

TEST_F(SendPacing, MessageByMessageWithTheGap) {
  TTestExplorer& w = OpenTimed();
  EXPECT_EQ(w.SendPacing(), TSendPacing{});
  EXPECT_TRUE(w.Action("miSendGap0")->isChecked());
  Choose("miSendGap50");
  EXPECT_EQ(w.SendPacing().GapMs, 50);
  EXPECT_TRUE(w.Action("miSendGap50")->isChecked());
  SetEditorText("F0 1A 00 15 45 F7 C0 05 F0 1A 00 15 43 09 F7 90 3C 64");
  PressOnEditor(Qt::Key_F9);
  ASSERT_TRUE(QTest::qWaitFor([&] { return far->Received().size() == 4; }, 5000));
  EXPECT_EQ(S(w.StatusText(0)), "Message buffer sent to MIDI Out (4 messages)");
  const auto got = far->Received();
  const char* expected[] = {"F0 1A 00 15 45 F7", "C0 05", "F0 1A 00 15 43 09 F7", "90 3C 64"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(got[i].first, Hex(expected[i])) << i;
    // At least the gap after the one before it (a busy machine may make it longer).
    if (i > 0) {
      EXPECT_GE(got[i].second - got[i - 1].second, 45) << i;
    }
  }
}

TEST_F(SendPacing, LongSystemExclusiveInPieces) {
  TTestExplorer& w = OpenTimed();
  Choose("miSendChunk64");
  EXPECT_TRUE(w.Child<QMenu>("miSendChunkDelay")->isEnabled());
  Choose("miSendChunkDelay10");
  EXPECT_EQ(w.SendPacing(), (TSendPacing{0, 64, 10}));
  const std::vector<std::uint8_t> dump = Sysex(246);
  w.SetBufferBytes(QByteArray(reinterpret_cast<const char*>(dump.data()), 246));
  w.SendBuffer();
  ASSERT_TRUE(QTest::qWaitFor([&] { return far->Received().size() == 4; }, 5000));
  QByteArray joined;
  std::vector<qsizetype> sizes;
  for (const auto& [bytes, at] : far->Received()) {
    joined += bytes;
    sizes.push_back(bytes.size());
  }
  EXPECT_EQ(sizes, (std::vector<qsizetype>{64, 64, 64, 54}));
  EXPECT_EQ(joined, QByteArray(reinterpret_cast<const char*>(dump.data()), 246));
  EXPECT_EQ(S(w.StatusText(0)), "Message buffer sent to MIDI Out (1 messages)");
}

TEST_F(SendPacing, CtrlCStopsALongSend) {
  TTestExplorer& w = OpenTimed();
  Choose("miSendGap200");
  QString text;
  for (int i = 0; i < 10; ++i) text += "F0 1A 00 15 45 F7 ";
  SetEditorText(text);
  // Pressed while the send waits out its gaps.
  QTimer::singleShot(300, [&] { QTest::keyClick(w.Editor(), Qt::Key_C, Qt::ControlModifier); });
  PressOnEditor(Qt::Key_F9);
  ASSERT_FALSE(w.Sending());
  EXPECT_TRUE(w.StatusText(0).startsWith("Sending stopped: ")) << S(w.StatusText(0));
  const std::size_t arrived = far->Received().size();
  EXPECT_GE(arrived, 1u);
  EXPECT_LT(arrived, 10u);
  EXPECT_EQ(S(w.StatusText(0)),
            "Sending stopped: " + std::to_string(arrived) + " of 10 messages sent");
  QTest::qWait(300);
  EXPECT_EQ(far->Received().size(), arrived) << "the send went on after Ctrl+C";
}

TEST_F(SendPacing, SettingsAreRememberedAndOddValuesShown) {
  {
    TTestExplorer& w = Open(false);
    Choose("miSendGap20");
    Choose("miSendChunk128");
    Choose("miSendChunkDelay50");
    (void)w;
  }
  Restart();
  reg.WriteInteger("SEND_GAP_MS", 35);  // set by hand: shown as a choice of its own
  TTestExplorer& w = Open(false);
  EXPECT_EQ(w.SendPacing(), (TSendPacing{35, 128, 50}));
  EXPECT_TRUE(w.Action("miSendGap35")->isChecked());
  EXPECT_EQ(S(w.Action("miSendGap35")->text()), "35 ms");
  EXPECT_TRUE(w.Action("miSendChunk128")->isChecked());
  EXPECT_TRUE(w.Action("miSendChunkDelay50")->isChecked());
  EXPECT_EQ(S(w.Action("miSendChunk0")->text()), "Whole message");
}

}  // namespace
