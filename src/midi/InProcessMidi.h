#pragma once

// MIDI devices that live inside this process. Each device is a MIDI cable whose far end is a C++
// object (the unit simulator, or a loopback): what the program sends to the device's output reaches
// the far end on the device's own thread, and what the far end sends arrives at the device's input
// through the same callback path as a hardware driver's, from a thread other than the GUI's.

#include "midi/MidiDriver.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

class TInProcessDevice;

// The far end of an in-process device.
class TMidiFarEnd {
 public:
  virtual ~TMidiFarEnd() = default;
  // Runs on the device's thread for each message the program sends to the device: one short
  // message of 1..3 bytes, or one long message as it was handed to the output port.
  virtual void Receive(TInProcessDevice& device, std::span<const std::uint8_t> message) = 0;
};

// Sends back every message it receives.
class TLoopbackFarEnd : public TMidiFarEnd {
 public:
  void Receive(TInProcessDevice& device, std::span<const std::uint8_t> message) override;
};

class TInProcessDevice {
 public:
  TInProcessDevice(QString name, std::shared_ptr<TMidiFarEnd> farEnd);
  ~TInProcessDevice();
  TInProcessDevice(const TInProcessDevice&) = delete;
  TInProcessDevice& operator=(const TInProcessDevice&) = delete;

  const QString& Name() const { return name_; }
  TMidiFarEnd& FarEnd() { return *farEnd_; }

  // Delivers one whole message to the program's input, from any thread; the calling thread plays
  // the driver's. Long messages fill as many queued receive buffers as they need. False when the
  // input is not open and started, or when receive buffers ran out (the rest is lost).
  bool Send(std::span<const std::uint8_t> message);
  // Messages lost because no input was listening or no receive buffer was free.
  std::uint64_t LostMessages() const { return lost_.load(); }
  // Waits until everything the program has sent so far has been handled by the far end.
  void WaitIdle();

  // Driver side.
  struct TInConnection;
  struct TOutConnection;
  unsigned AttachInput(TInConnection* connection);
  void DetachInput(TInConnection* connection);
  void Post(TOutConnection* from, std::vector<std::uint8_t> bytes, TMidiHeader* done);
  void Cancel(TOutConnection* from);

 private:
  struct TItem {
    TOutConnection* from;
    std::vector<std::uint8_t> bytes;
    TMidiHeader* done;
  };
  void Run();

  const QString name_;
  std::shared_ptr<TMidiFarEnd> farEnd_;
  std::atomic<std::uint64_t> lost_{0};

  std::mutex inMutex_;  // held while a message is handed to the input callback
  TInConnection* input_ = nullptr;

  std::mutex queueMutex_;
  std::condition_variable queueChanged_;
  std::deque<TItem> queue_;
  TOutConnection* busy_ = nullptr;
  bool stopping_ = false;
  std::thread thread_;
};

// The set of in-process devices, listed as both input and output devices.
class TInProcessMidi : public IMidiInDriver, public IMidiOutDriver {
 public:
  std::shared_ptr<TInProcessDevice> AddDevice(const QString& name,
                                              std::shared_ptr<TMidiFarEnd> farEnd);
  void RemoveDevice(const QString& name);
  std::shared_ptr<TInProcessDevice> Device(const QString& name) const;
  QStringList Names() const;

  unsigned NumDevs() override;
  unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) override;
  unsigned Open(unsigned id, TMidiCallback cb, void* instance,
                std::unique_ptr<IMidiInConnection>& connection) override;
  using IMidiOutDriver::GetDevCaps;
  using IMidiOutDriver::Open;
  QString ErrorText(unsigned code) override { return MidiResultText(code); }

 protected:
  unsigned DevCaps(unsigned id, TMidiOutCaps& caps) override;
  unsigned OpenDevice(unsigned id, TMidiCallback cb, void* instance,
                      std::unique_ptr<IMidiOutConnection>& connection) override;

 private:
  std::shared_ptr<TInProcessDevice> At(unsigned id) const;
  mutable std::mutex mutex_;
  std::vector<std::shared_ptr<TInProcessDevice>> devices_;
};
