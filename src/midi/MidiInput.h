#pragma once

#include "midi/EventRing.h"
#include "midi/MidiDriver.h"
#include "midi/MidiEvent.h"

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class TMyMidiHdr;

class EMidiInputError : public std::runtime_error {
 public:
  explicit EMidiInputError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

std::shared_ptr<IMidiInDriver> DefaultMidiInDriver();

// One MIDI input device: a ring of received events filled on the driver's thread, a set of receive
// buffers for system exclusive, and notifications delivered on the thread that owns the port.
class TMidiInput : public QObject {
  Q_OBJECT
 public:
  using TNotify = std::function<void(TMidiInput* sender)>;

  explicit TMidiInput(QObject* owner = nullptr,
                      std::shared_ptr<IMidiInDriver> driver = DefaultMidiInDriver());
  ~TMidiInput() override;

  std::uint16_t DeviceID() const { return deviceId_; }
  void SetDeviceID(std::uint16_t id);
  const QString& ProductName() const { return productName_; }
  void SetProductName(const QString& name);
  std::uint16_t Capacity() const { return capacity_; }
  void SetCapacity(std::uint16_t count) { capacity_ = count; }
  std::uint16_t Error() const { return error_; }
  std::uint16_t SysexBufferSize() const { return sysexBufferSize_; }
  void SetSysexBufferSize(std::uint16_t size);
  std::uint16_t SysexBufferCount() const { return sysexBufferCount_; }
  void SetSysexBufferCount(std::uint16_t count);
  bool SysexOnly() const { return sysexOnly_; }
  void SetSysexOnly(bool only);

  std::uint16_t NumDevs() const { return numDevs_; }
  std::uint16_t Mid() const { return mid_; }
  std::uint16_t Pid() const { return pid_; }
  std::uint32_t DriverVersion() const { return driverVersion_; }
  bool IsOpen() const { return state_ == State::Open; }
  // Names of all input devices, in device-number order.
  QStringList DeviceNames() const { return DeviceNames(*driver_); }
  // The names of the driver's devices, by device number; safe on any thread that holds the
  // driver, as the drivers guard their lists.
  static QStringList DeviceNames(IMidiInDriver& driver);
  const std::shared_ptr<IMidiInDriver>& Driver() const { return driver_; }

  void Open();
  void Start();
  void Close();
  std::uint16_t MessageCount() const;
  // The oldest waiting event, owned by the caller; null when closed or nothing is waiting.
  std::unique_ptr<TMyMidiEvent> GetMidiEvent();

  // Events lost to a full ring since the port was opened.
  std::uint32_t OverflowCount() const;

  TNotify OnMidiInput;
  TNotify OnOverflow;

 protected:
  bool event(QEvent* e) override;

 private:
  enum class State { Creating, Closed, Open };
  struct TControlBlock;

  static void Callback(void* instance, unsigned msg, std::uintptr_t p1, std::uintptr_t p2);
  unsigned Check(unsigned code);
  void ReadCaps(std::uint16_t id, TMidiInCaps& caps);
  void RecycleBuffer(TMyMidiHdr* buffer);
  void ReturnLostBuffers();
  void FreeRing();

  std::shared_ptr<IMidiInDriver> driver_;
  State state_ = State::Creating;
  std::uint16_t deviceId_ = 0;
  QString productName_;
  std::uint16_t capacity_ = 1024;
  std::uint16_t error_ = 0;
  std::uint16_t sysexBufferSize_ = 4096;
  std::uint16_t sysexBufferCount_ = 16;
  bool sysexOnly_ = false;
  std::uint16_t numDevs_ = 0;
  std::uint16_t mid_ = 0, pid_ = 0;
  std::uint32_t driverVersion_ = 0;

  std::unique_ptr<IMidiInConnection> connection_;
  std::unique_ptr<TControlBlock> control_;
  std::vector<std::unique_ptr<TMyMidiHdr>> buffers_;
};
