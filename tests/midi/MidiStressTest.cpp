#include "midi/InProcessMidi.h"
#include "midi/MidiInput.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <atomic>
#include <random>
#include <thread>

namespace {

QByteArray Short(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
  QByteArray m(3, '\0');
  m[0] = char(status);
  m[1] = char(d1);
  m[2] = char(d2);
  return m;
}

// A producer thread pushes a long random mix of short and sysex messages through an in-process
// device as fast as it can while this (the GUI) thread drains the port. Whatever fits in the ring
// must arrive exactly once, in order, byte for byte; the rest must be counted as lost.
TEST(MidiStress, RingUnderFullSpeedProducer) {
  auto driver = std::make_shared<TInProcessMidi>();
  auto device = driver->AddDevice("Stress", std::make_shared<TLoopbackFarEnd>());
  TMidiInput in(nullptr, driver);
  std::vector<QByteArray> received;
  in.OnMidiInput = [&](TMidiInput* port) {
    while (auto e = port->GetMidiEvent()) {
      if (e->MidiMessage == 0xF0)
        received.push_back(e->Sysex);
      else
        received.push_back(Short(e->MidiMessage, e->Data1, e->Data2));
    }
  };
  in.Open();
  in.Start();

  constexpr int kMessages = 200000;
  std::vector<QByteArray> sent;
  sent.reserve(kMessages);
  std::mt19937 rng(12345);
  for (int i = 0; i < kMessages; ++i) {
    if (rng() % 8 == 0) {
      QByteArray m(static_cast<qsizetype>(8 + rng() % 300), '\0');
      m[0] = char(0xF0);
      // A sequence number makes every sysex unique.
      m[1] = char(i & 0x7F);
      m[2] = char((i >> 7) & 0x7F);
      m[3] = char((i >> 14) & 0x7F);
      for (qsizetype k = 4; k + 1 < m.size(); ++k) m[k] = char(rng() & 0x7F);
      m[m.size() - 1] = char(0xF7);
      sent.push_back(m);
    } else {
      const auto status = static_cast<char>(0x80 | (rng() % 0x70));  // 0x80..0xEF
      const int len = ((status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0) ? 2 : 3;
      const auto d1 = static_cast<std::uint8_t>(rng() & 0x7F);
      const auto d2 = static_cast<std::uint8_t>(len == 2 ? 0 : rng() & 0x7F);
      sent.push_back(Short(static_cast<std::uint8_t>(status), d1, d2));
    }
  }

  std::atomic<bool> finished{false};
  std::thread producer([&] {
    for (const QByteArray& m : sent) {
      const int len = (static_cast<std::uint8_t>(m[0]) == 0xF0)
                          ? static_cast<int>(m.size())
                          : (((m[0] & 0xF0) == 0xC0 || (m[0] & 0xF0) == 0xD0) ? 2 : 3);
      device->Send(
          {reinterpret_cast<const std::uint8_t*>(m.constData()), static_cast<std::size_t>(len)});
    }
    finished = true;
  });
  while (!finished) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  producer.join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return in.MessageCount() == 0; }, 5000));
  QCoreApplication::processEvents();

  // Every received message matches the next sent one at or after the previous match.
  std::size_t at = 0;
  for (const QByteArray& r : received) {
    while (at < sent.size() && sent[at] != r) ++at;
    ASSERT_LT(at, sent.size()) << "a message arrived out of order, twice or altered";
    ++at;
  }
  const std::uint64_t lost = in.OverflowCount() + device->LostMessages();
  EXPECT_EQ(received.size() + lost, sent.size());
  EXPECT_GT(received.size(), 0u);
  RecordProperty("received", static_cast<int>(received.size()));
  RecordProperty("lost", static_cast<int>(lost));
}

}  // namespace
