#include "midi/InProcessMidi.h"
#include "midi/MidiInput.h"
#include "midi/MidiOutput.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>
#include <mutex>

namespace {

std::vector<std::uint8_t> Sysex(std::size_t length, std::uint8_t seed = 0) {
  std::vector<std::uint8_t> m(length);
  m.front() = 0xF0;
  for (std::size_t i = 1; i + 1 < length; ++i) m[i] = static_cast<std::uint8_t>((i + seed) & 0x7F);
  m.back() = 0xF7;
  return m;
}

QByteArray Bytes(const std::vector<std::uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

// Records what the far end of a device is sent, in order.
class TRecordingFarEnd : public TMidiFarEnd {
 public:
  void Receive(TInProcessDevice&, std::span<const std::uint8_t> message) override {
    std::lock_guard lock(mutex);
    received.emplace_back(message.begin(), message.end());
  }
  std::vector<std::vector<std::uint8_t>> Received() {
    std::lock_guard lock(mutex);
    return received;
  }
  std::mutex mutex;
  std::vector<std::vector<std::uint8_t>> received;
};

class PortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    driver = std::make_shared<TInProcessMidi>();
    loop = driver->AddDevice("Loopback", std::make_shared<TLoopbackFarEnd>());
    farEnd = std::make_shared<TRecordingFarEnd>();
    recorder = driver->AddDevice("Recorder", farEnd);
  }

  // Opens an input on the named device and collects what it delivers.
  std::unique_ptr<TMidiInput> OpenInput(const QString& name) {
    auto in = std::make_unique<TMidiInput>(nullptr, driver);
    in->SetProductName(name);
    in->OnMidiInput = [this](TMidiInput* port) {
      while (auto e = port->GetMidiEvent()) events.push_back(std::move(*e));
    };
    in->Open();
    in->Start();
    return in;
  }

  std::shared_ptr<TInProcessMidi> driver;
  std::shared_ptr<TInProcessDevice> loop;
  std::shared_ptr<TRecordingFarEnd> farEnd;
  std::shared_ptr<TInProcessDevice> recorder;
  std::vector<TMyMidiEvent> events;
};

template <class F>
QString ErrorOf(F&& f) {
  try {
    f();
  } catch (const EMidiInputError& e) {
    return e.Message();
  } catch (const EmidioutputError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(MidiPortNoDevice, ConstructionAndSelectionWithoutDevices) {
  auto none = std::make_shared<TInProcessMidi>();
  TMidiInput in(nullptr, none);
  EXPECT_EQ(in.DeviceID(), 0);
  EXPECT_TRUE(in.ProductName().isEmpty());
  EXPECT_EQ(in.NumDevs(), 0);
  EXPECT_EQ(ErrorOf([&] { in.SetDeviceID(0); }), "Invalid device ID");
  EXPECT_EQ(ErrorOf([&] { in.Open(); }), "The specified device identifier is out of range.");
  EXPECT_FALSE(in.IsOpen());

  TMidiOutput out(nullptr, none);
  EXPECT_EQ(out.DeviceID(), 0);
  EXPECT_TRUE(out.ProductName().isEmpty());
  EXPECT_EQ(ErrorOf([&] { out.SetDeviceID(0); }), "Invalid device ID");
  EXPECT_FALSE(out.Close());
  EXPECT_FALSE(out.IsOpen());
}

TEST_F(PortTest, SelectionByNameAndItsErrors) {
  TMidiInput in(nullptr, driver);
  EXPECT_EQ(in.ProductName(), "Loopback");  // device 0 by default
  in.SetProductName("Recorder");
  EXPECT_EQ(in.DeviceID(), 1);
  EXPECT_EQ(ErrorOf([&] { in.SetProductName("recorder"); }),
            "MIDI Input Device recorder not installed ");
  EXPECT_EQ(in.DeviceID(), 1);

  TMidiOutput out(nullptr, driver);
  EXPECT_EQ(ErrorOf([&] { out.SetProductName("Nothing"); }),
            "MIDI output Device Nothing not installed");
  out.SetProductName(IMidiOutDriver::MapperName);
  EXPECT_EQ(out.DeviceID(), -1);
  out.SetProductName("Recorder");
  EXPECT_EQ(out.DeviceID(), 1);
  EXPECT_EQ(ErrorOf([&] { out.SetDeviceID(2); }), "Invalid device ID");
}

// Device numbers shift as devices come and go; a port opens the device of its name, never
// whichever device took its old number.
TEST_F(PortTest, APortOpensTheDeviceOfItsNameAfterTheNumbersShifted) {
  TMidiOutput out(nullptr, driver);
  out.SetProductName("Loopback");  // device 0
  TMidiInput in(nullptr, driver);
  in.SetProductName("Loopback");
  // The loopback goes and comes back behind the recorder, which is now device 0.
  driver->RemoveDevice("Loopback");
  loop = driver->AddDevice("Loopback", std::make_shared<TLoopbackFarEnd>());
  ASSERT_EQ(out.DeviceNames(), QStringList({"Recorder", "Loopback"}));
  in.OnMidiInput = [this](TMidiInput* port) {
    while (auto e = port->GetMidiEvent()) events.push_back(std::move(*e));
  };
  ASSERT_TRUE(out.Open());
  in.Open();
  in.Start();
  out.PutShort(0x90, 0x3C, 0x64);
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 1; }, 5000));
  EXPECT_EQ(events[0].MidiMessage, 0x90);
  recorder->WaitIdle();
  EXPECT_TRUE(farEnd->Received().empty()) << "the recorder took the loopback's message";
  out.Close();
  in.Close();

  // Gone altogether: opening says so and opens nothing else.
  driver->RemoveDevice("Loopback");
  EXPECT_EQ(ErrorOf([&] { out.Open(); }), "The specified device identifier is out of range.");
  EXPECT_FALSE(out.IsOpen());
  EXPECT_EQ(ErrorOf([&] { in.Open(); }), "The specified device identifier is out of range.");
  EXPECT_FALSE(in.IsOpen());
}

TEST_F(PortTest, ChangesWhileOpenAreRefused) {
  auto in = OpenInput("Loopback");
  EXPECT_EQ(ErrorOf([&] { in->SetDeviceID(1); }), "Change to DeviceID while device was open");
  EXPECT_EQ(ErrorOf([&] { in->SetProductName("Recorder"); }),
            "Change to ProductName while device was open");
  EXPECT_EQ(ErrorOf([&] { in->SetSysexBufferSize(10); }),
            "Change to SysexBufferSize while device was open");
  EXPECT_EQ(ErrorOf([&] { in->SetSysexBufferCount(10); }),
            "Change to SysexBuffercount while device was open");
  EXPECT_EQ(in->ProductName(), "Loopback");

  TMidiOutput out(nullptr, driver);
  out.Open();
  EXPECT_EQ(ErrorOf([&] { out.SetDeviceID(1); }), "Change to DeviceID while device was open");
  EXPECT_EQ(ErrorOf([&] { out.SetProductName("Recorder"); }),
            "Change to ProductName while device was open");
}

TEST_F(PortTest, ShortAndLongMessagesTravelThroughLoopback) {
  auto in = OpenInput("Loopback");
  TMidiOutput out(nullptr, driver);
  out.SetProductName("Loopback");
  int done = 0;
  out.Onmidioutput = [&](TMidiOutput*) { ++done; };
  ASSERT_TRUE(out.Open());

  out.PutShort(0x90, 0x3C, 0x64);
  out.PutShort(0xC5, 0x07, 0x00);
  const auto dump = Sysex(246);
  out.PutLong(Bytes(dump));
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 3 && done == 1; }, 5000));

  EXPECT_EQ(events[0].MidiMessage, 0x90);
  EXPECT_EQ(events[0].Data1, 0x3C);
  EXPECT_EQ(events[0].Data2, 0x64);
  EXPECT_EQ(events[0].SysexLength, 0);
  EXPECT_FALSE(events[0].HasSysex());
  EXPECT_EQ(events[1].MidiMessage, 0xC5);
  EXPECT_EQ(events[1].Data1, 0x07);
  EXPECT_EQ(events[2].MidiMessage, 0xF0);
  EXPECT_EQ(events[2].Data1, 0);
  EXPECT_EQ(events[2].SysexLength, 246);
  EXPECT_EQ(events[2].Sysex, Bytes(dump));
  EXPECT_EQ(out.PendingLongMessages(), 0);
}

TEST_F(PortTest, ActiveSensingAndClockNeverArrive) {
  auto in = OpenInput("Loopback");
  const std::vector<std::vector<std::uint8_t>> sent = {
      {0x90, 0x40, 0x7F}, {0xFE}, {0xF8}, {0xFC}, {0x80, 0x40, 0x00}};
  for (const auto& m : sent) loop->Send(m);
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 3; }, 5000));
  QTest::qWait(20);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].MidiMessage, 0x90);
  EXPECT_EQ(events[1].MidiMessage, 0xFC);
  EXPECT_EQ(events[2].MidiMessage, 0x80);
}

TEST_F(PortTest, SysexOnlyDropsChannelMessagesAtOnce) {
  auto in = OpenInput("Loopback");
  in->SetSysexOnly(true);
  loop->Send(std::vector<std::uint8_t>{0x90, 0x3C, 0x64});
  loop->Send(std::vector<std::uint8_t>{0xB0, 0x07, 0x64});
  loop->Send(Sysex(6));
  in->SetSysexOnly(false);
  loop->Send(std::vector<std::uint8_t>{0x80, 0x3C, 0x00});
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 2; }, 5000));
  EXPECT_EQ(events[0].MidiMessage, 0xF0);
  EXPECT_EQ(events[0].SysexLength, 6);
  EXPECT_EQ(events[1].MidiMessage, 0x80);
}

TEST_F(PortTest, LongSysexIsSplitAcrossReceiveBuffers) {
  auto in = OpenInput("Loopback");
  const auto big = Sysex(5000, 3);
  loop->Send(big);
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 2; }, 5000));
  EXPECT_EQ(events[0].SysexLength, 4096);
  EXPECT_EQ(events[1].SysexLength, 904);
  EXPECT_EQ(static_cast<std::uint8_t>(events[0].Sysex.front()), 0xF0);
  EXPECT_NE(static_cast<std::uint8_t>(events[0].Sysex.back()), 0xF7);
  EXPECT_EQ(static_cast<std::uint8_t>(events[1].Sysex.back()), 0xF7);
  EXPECT_EQ(events[0].Sysex + events[1].Sysex, Bytes(big));

  // One byte past a full buffer: the last piece is the F7 alone, and it is kept.
  events.clear();
  const auto edge = Sysex(4097, 5);
  loop->Send(edge);
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 2; }, 5000));
  EXPECT_EQ(events[1].SysexLength, 1);
  EXPECT_EQ(events[0].Sysex + events[1].Sysex, Bytes(edge));
}

TEST_F(PortTest, FullRingLosesTheNextEventAndReportsOnce) {
  TMidiInput in(nullptr, driver);
  int overflows = 0;
  in.OnOverflow = [&](TMidiInput*) { ++overflows; };
  in.Open();
  in.Start();
  for (int i = 0; i < 1024; ++i)
    loop->Send(std::vector<std::uint8_t>{0x90, static_cast<std::uint8_t>(i & 0x7F), 1});
  EXPECT_EQ(in.MessageCount(), 1024);
  loop->Send(std::vector<std::uint8_t>{0x91, 0x01, 0x01});
  EXPECT_EQ(in.MessageCount(), 1024);
  QCoreApplication::processEvents();
  EXPECT_EQ(overflows, 1);
  EXPECT_EQ(in.OverflowCount(), 1u);
  int drained = 0;
  while (auto e = in.GetMidiEvent()) {
    EXPECT_EQ(e->MidiMessage, 0x90);  // the lost one never shows up
    ++drained;
  }
  EXPECT_EQ(drained, 1024);
}

TEST_F(PortTest, ReceiveBufferOfALostSysexGoesBackToTheDevice) {
  TMidiInput in(nullptr, driver);
  in.SetCapacity(2);
  in.SetSysexBufferCount(2);
  in.Open();
  in.Start();
  loop->Send(std::vector<std::uint8_t>{0x90, 1, 1});
  loop->Send(std::vector<std::uint8_t>{0x90, 2, 1});
  // Ring full: both sysex messages take a buffer each and are lost.
  loop->Send(Sysex(10));
  loop->Send(Sysex(10));
  QCoreApplication::processEvents();
  while (in.GetMidiEvent()) {
  }
  // Were the two buffers kept out of use, this message would find none.
  EXPECT_TRUE(loop->Send(Sysex(12)));
  EXPECT_TRUE(loop->Send(Sysex(13)));
  auto e = in.GetMidiEvent();
  ASSERT_TRUE(e);
  EXPECT_EQ(e->SysexLength, 12);
}

TEST_F(PortTest, ClosedPortDeliversNothingEvenWithQueuedNotifications) {
  auto in = OpenInput("Loopback");
  loop->Send(std::vector<std::uint8_t>{0x90, 1, 1});
  in->Close();  // the data notification is still queued
  QCoreApplication::processEvents();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(in->MessageCount(), 0);
  EXPECT_EQ(in->GetMidiEvent(), nullptr);
  EXPECT_FALSE(loop->Send(std::vector<std::uint8_t>{0x90, 1, 1}));
  // Reopening works: nothing of the old session was left allocated.
  in->Open();
  in->Start();
  loop->Send(std::vector<std::uint8_t>{0x90, 2, 2});
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 1; }, 5000));
  EXPECT_EQ(events[0].Data1, 2);
}

TEST_F(PortTest, SecondOpenOfAnInputIsRefusedAndLeavesBothUsable) {
  auto first = OpenInput("Loopback");
  TMidiInput second(nullptr, driver);
  EXPECT_EQ(ErrorOf([&] { second.Open(); }), "The specified device is already in use.");
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(second.Error(), MIDI_ALLOCATED);
  loop->Send(std::vector<std::uint8_t>{0x90, 1, 1});
  ASSERT_TRUE(QTest::qWaitFor([&] { return events.size() == 1; }, 5000));
}

TEST_F(PortTest, OutputEventsAndCompletions) {
  TMidiOutput out(nullptr, driver);
  out.SetProductName("Recorder");
  int done = 0;
  out.Onmidioutput = [&](TMidiOutput*) { ++done; };

  TMyMidiEvent dump;
  dump.MidiMessage = 0xF0;
  dump.Sysex = Bytes(Sysex(246));
  dump.SysexLength = 246;
  EXPECT_EQ(ErrorOf([&] { out.PutMidiEvent(dump); }), "MIDI Output device not open");
  EXPECT_EQ(ErrorOf([&] { out.PutShort(0x90, 1, 1); }), "The specified device handle is invalid.");

  out.Open();
  out.PutMidiEvent(dump);
  TMyMidiEvent note;
  note.MidiMessage = 0xB0;
  note.Data1 = 0x20;
  note.Data2 = 0x01;
  out.PutMidiEvent(note);
  std::vector<std::uint8_t> block = Sysex(406);
  out.PutLong(block.data(), static_cast<std::uint16_t>(block.size()));
  block[5] = 0x55;  // the port sent its own copy
  ASSERT_TRUE(QTest::qWaitFor([&] { return done == 2; }, 5000));
  recorder->WaitIdle();
  QTest::qWait(10);
  EXPECT_EQ(done, 2);  // one completion per long message, none for the short one
  EXPECT_EQ(out.PendingLongMessages(), 0);
  const auto got = farEnd->Received();
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(Bytes(got[0]), dump.Sysex);
  EXPECT_EQ(got[1], (std::vector<std::uint8_t>{0xB0, 0x20, 0x01}));
  EXPECT_EQ(got[2], Sysex(406));

  EXPECT_TRUE(out.Close());
  EXPECT_FALSE(out.Close());
  EXPECT_EQ(ErrorOf([&] { out.PutMidiEvent(note); }), "MIDI Output device not open");
}

// Wraps a real driver and fails one chosen operation, to check what the ports leave behind.
class TFailingDriver : public IMidiInDriver, public IMidiOutDriver {
 public:
  explicit TFailingDriver(std::shared_ptr<TInProcessMidi> real) : real_(std::move(real)) {}
  int failPrepareAfter = -1;  // input: fail the n-th PrepareHeader
  bool failLongMsg = false;
  unsigned unknownCode = 0;

  unsigned NumDevs() override { return static_cast<IMidiInDriver&>(*real_).NumDevs(); }
  unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) override {
    return real_->GetDevCaps(id, caps);
  }
  QString ErrorText(unsigned code) override { return MidiResultText(code); }
  using IMidiOutDriver::GetDevCaps;
  using IMidiOutDriver::Open;
  unsigned Open(unsigned id, TMidiCallback cb, void* inst,
                std::unique_ptr<IMidiInConnection>& c) override {
    std::unique_ptr<IMidiInConnection> inner;
    if (unsigned code = real_->Open(id, cb, inst, inner)) return code;
    c = std::make_unique<TIn>(std::move(inner), this);
    return MIDI_NOERROR;
  }

 protected:
  unsigned DevCaps(unsigned id, TMidiOutCaps& caps) override {
    return real_->GetDevCaps(static_cast<int>(id), caps);
  }
  unsigned OpenDevice(unsigned id, TMidiCallback cb, void* inst,
                      std::unique_ptr<IMidiOutConnection>& c) override {
    std::unique_ptr<IMidiOutConnection> inner;
    if (unsigned code = real_->Open(static_cast<int>(id), cb, inst, inner)) return code;
    c = std::make_unique<TOut>(std::move(inner), this);
    return MIDI_NOERROR;
  }

 private:
  struct TIn : IMidiInConnection {
    TIn(std::unique_ptr<IMidiInConnection> i, TFailingDriver* d) : inner(std::move(i)), d(d) {}
    unsigned PrepareHeader(TMidiHeader* h) override {
      if (d->failPrepareAfter-- == 0) return MIDI_NOMEM;
      return inner->PrepareHeader(h);
    }
    unsigned UnprepareHeader(TMidiHeader* h) override { return inner->UnprepareHeader(h); }
    unsigned AddBuffer(TMidiHeader* h) override { return inner->AddBuffer(h); }
    unsigned Start() override { return d->unknownCode ? d->unknownCode : inner->Start(); }
    unsigned Reset() override { return inner->Reset(); }
    unsigned Close() override { return inner->Close(); }
    std::unique_ptr<IMidiInConnection> inner;
    TFailingDriver* d;
  };
  struct TOut : IMidiOutConnection {
    TOut(std::unique_ptr<IMidiOutConnection> i, TFailingDriver* d) : inner(std::move(i)), d(d) {}
    unsigned ShortMsg(std::uint32_t p) override { return inner->ShortMsg(p); }
    unsigned PrepareHeader(TMidiHeader* h) override { return inner->PrepareHeader(h); }
    unsigned UnprepareHeader(TMidiHeader* h) override { return inner->UnprepareHeader(h); }
    unsigned LongMsg(TMidiHeader* h) override {
      return d->failLongMsg ? MIDI_NOTREADY : inner->LongMsg(h);
    }
    unsigned Close() override { return inner->Close(); }
    std::unique_ptr<IMidiOutConnection> inner;
    TFailingDriver* d;
  };
  std::shared_ptr<TInProcessMidi> real_;
};

TEST_F(PortTest, FailedBufferPreparationClosesTheDeviceAgain) {
  auto failing = std::make_shared<TFailingDriver>(driver);
  failing->failPrepareAfter = 3;
  TMidiInput in(nullptr, failing);
  EXPECT_EQ(ErrorOf([&] { in.Open(); }), "Unable to allocate memory for the MIDI buffer.");
  EXPECT_FALSE(in.IsOpen());
  EXPECT_EQ(in.MessageCount(), 0);
  // The device is free again for anyone.
  auto other = OpenInput("Loopback");
  EXPECT_TRUE(other->IsOpen());
}

TEST_F(PortTest, FailedLongSendReleasesItsBufferAndUnknownCodesHaveAText) {
  auto failing = std::make_shared<TFailingDriver>(driver);
  failing->failLongMsg = true;
  TMidiOutput out(nullptr, failing);
  out.Open();
  EXPECT_EQ(ErrorOf([&] { out.PutLong(Bytes(Sysex(10))); }), "The MIDI device is busy.");
  EXPECT_EQ(out.PendingLongMessages(), 0);
  EXPECT_EQ(out.Error(), MIDI_NOTREADY);

  failing->unknownCode = 999;
  TMidiInput in(nullptr, failing);
  in.Open();
  EXPECT_EQ(ErrorOf([&] { in.Start(); }), "Specified error number is out of range");
  EXPECT_EQ(in.Error(), 999);
}

}  // namespace
