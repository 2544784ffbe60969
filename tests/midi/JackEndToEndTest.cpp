#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"
#include "midi/RtMidiDriver.h"

#include <RtMidi.h>
#include <gtest/gtest.h>

#include <QTest>
#include <mutex>

namespace {

// The far side of the cable: virtual JACK ports made by the test, as another program would.
struct TVirtualPeer {
  std::unique_ptr<RtMidiIn> in;
  std::unique_ptr<RtMidiOut> out;
  std::mutex mutex;
  std::vector<std::vector<unsigned char>> received;

  static void OnMessage(double, std::vector<unsigned char>* m, void* self) {
    auto* peer = static_cast<TVirtualPeer*>(self);
    std::lock_guard lock(peer->mutex);
    peer->received.push_back(*m);
  }
  std::size_t Count() {
    std::lock_guard lock(mutex);
    return received.size();
  }
};

bool JackRunning() {
  try {
    RtMidiOut probe(RtMidi::UNIX_JACK, "zqn-probe");
    probe.setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
    // The dummy server lists its own clients' ports only once a client has connected; a probe
    // that got a client counts ports without warning.
    probe.getPortCount();
    RtMidiIn peer(RtMidi::UNIX_JACK, "zqn-probe-in");
    peer.setErrorCallback([](RtMidiError::Type, const std::string&, void*) {}, nullptr);
    peer.openVirtualPort("probe");
    return true;
  } catch (const RtMidiError&) {
    return false;
  }
}

std::vector<unsigned char> Dump(std::size_t length, unsigned char command) {
  std::vector<unsigned char> m(length);
  m[0] = 0xF0;
  m[1] = 0x1A;
  m[2] = 0x00;
  m[3] = 0x15;
  m[4] = command;
  for (std::size_t i = 5; i + 1 < length; ++i) m[i] = static_cast<unsigned char>((i * 7) & 0x7F);
  m.back() = 0xF7;
  return m;
}

QByteArray Bytes(const std::vector<unsigned char>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

TEST(JackEndToEnd, PortsExchangeDumpsAndShortMessagesByteForByte) {
  if (!JackRunning()) GTEST_SKIP() << "no JACK server running (./zqn test starts one)";

  TVirtualPeer peer;
  peer.in = std::make_unique<RtMidiIn>(RtMidi::UNIX_JACK, "zqn-e2e-peer");
  peer.in->ignoreTypes(false, false, false);
  peer.in->setCallback(&TVirtualPeer::OnMessage, &peer);
  peer.in->openVirtualPort("from-program");
  peer.out = std::make_unique<RtMidiOut>(RtMidi::UNIX_JACK, "zqn-e2e-peer-out");
  peer.out->openVirtualPort("to-program");

  auto system = TRtMidiDriver::Create("ZQN-Tarvo-E2E");
  TMidiInput in(nullptr, system->In());
  TMidiOutput out(nullptr, system->Out());
  in.SetProductName("zqn-e2e-peer-out:to-program");
  out.SetProductName("zqn-e2e-peer:from-program");
  std::vector<TMyMidiEvent> events;
  in.OnMidiInput = [&](TMidiInput* port) {
    while (auto e = port->GetMidiEvent()) events.push_back(std::move(*e));
  };
  int completions = 0;
  out.Onmidioutput = [&](TMidiOutput*) { ++completions; };
  in.Open();
  in.Start();
  ASSERT_TRUE(out.Open());

  const auto preset = Dump(246, 0x05);
  const auto mpt = Dump(406, 0x13);

  // Peer to program.
  peer.out->sendMessage(&preset);
  peer.out->sendMessage(&mpt);
  const std::vector<unsigned char> note = {0x90, 0x3C, 0x64};
  const std::vector<unsigned char> program = {0xC0, 0x05};
  peer.out->sendMessage(&note);
  peer.out->sendMessage(&program);
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() >= 4; }, 10000));
  ASSERT_EQ(events.size(), 4u);
  EXPECT_EQ(events[0].Sysex, Bytes(preset));
  EXPECT_EQ(events[0].SysexLength, 246);
  EXPECT_EQ(events[1].Sysex, Bytes(mpt));
  EXPECT_EQ(events[1].SysexLength, 406);
  EXPECT_EQ(events[2].MidiMessage, 0x90);
  EXPECT_EQ(events[2].Data1, 0x3C);
  EXPECT_EQ(events[2].Data2, 0x64);
  EXPECT_EQ(events[3].MidiMessage, 0xC0);
  EXPECT_EQ(events[3].Data1, 0x05);

  // Program to peer.
  out.PutLong(Bytes(preset));
  out.PutLong(Bytes(mpt));
  out.PutShort(0xB0, 0x20, 0x01);
  out.PutShort(0xC0, 0x01, 0x00);
  ASSERT_TRUE(QTest::qWaitFor([&] { return peer.Count() >= 4 && completions == 2; }, 10000));
  std::lock_guard lock(peer.mutex);
  ASSERT_EQ(peer.received.size(), 4u);
  EXPECT_EQ(peer.received[0], preset);
  EXPECT_EQ(peer.received[1], mpt);
  EXPECT_EQ(peer.received[2], (std::vector<unsigned char>{0xB0, 0x20, 0x01}));
  EXPECT_EQ(peer.received[3], (std::vector<unsigned char>{0xC0, 0x01}));
  EXPECT_EQ(out.PendingLongMessages(), 0);
}

TEST(JackEndToEnd, OwnPortsAreNotListedAndNamesCarryNoAlsaNumbers) {
  EXPECT_EQ(TRtMidiDriver::StableName("Midi Through:Midi Through Port-0 14:0"),
            "Midi Through:Midi Through Port-0");
  EXPECT_EQ(TRtMidiDriver::StableName("zqn:out"), "zqn:out");
  if (!JackRunning()) GTEST_SKIP() << "no JACK server running";
  auto system = TRtMidiDriver::Create("ZQN-Tarvo-List");
  TMidiOutput out(nullptr, system->Out());
  RtMidiIn own(RtMidi::UNIX_JACK, "ZQN-Tarvo-List Own");
  own.openVirtualPort("hidden");
  EXPECT_FALSE(system->OutputNames().join('|').contains("hidden"));
}

}  // namespace
