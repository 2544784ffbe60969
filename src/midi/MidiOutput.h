#pragma once

#include "midi/MidiDriver.h"
#include "midi/MidiEvent.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <vector>

class TMyMidiHdr;

class EmidioutputError : public std::runtime_error {
 public:
  explicit EmidioutputError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

std::shared_ptr<IMidiOutDriver> DefaultMidiOutDriver();

// One MIDI output device. Short messages go out at once; a long message is copied into a buffer
// of the port's own, handed to the driver and released on this thread when the driver reports it
// sent.
class TMidiOutput : public QObject {
  Q_OBJECT
 public:
  using TNotify = std::function<void(TMidiOutput* sender)>;

  explicit TMidiOutput(QObject* owner = nullptr,
                       std::shared_ptr<IMidiOutDriver> driver = DefaultMidiOutDriver());
  ~TMidiOutput() override;

  int DeviceID() const { return deviceId_; }
  void SetDeviceID(int id);
  const QString& ProductName() const { return productName_; }
  void SetProductName(const QString& name);
  std::uint16_t NumDevs() const { return numDevs_; }
  std::uint16_t Error() const { return error_; }
  const TMidiOutCaps& Caps() const { return caps_; }
  bool IsOpen() const { return open_; }
  // Names of all output devices, in device-number order (the mapper not included).
  QStringList DeviceNames() const { return DeviceNames(*driver_); }
  // The names of the driver's devices, by device number; safe on any thread that holds the
  // driver, as the drivers guard their lists.
  static QStringList DeviceNames(IMidiOutDriver& driver);
  const std::shared_ptr<IMidiOutDriver>& Driver() const { return driver_; }

  virtual bool Open();
  virtual bool Close();
  virtual void PutMidiEvent(const TMyMidiEvent& event);
  virtual void PutShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
  virtual void PutLong(const std::uint8_t* block, std::uint16_t length);
  void PutLong(const QByteArray& block);

  // Long messages handed to the driver whose completion has not been handled yet.
  int PendingLongMessages() const { return static_cast<int>(inFlight_.size()); }

  TNotify Onmidioutput;
  // Called with the bytes of every message the port has handed to the driver, right after it
  // did, whoever sent it: the one place where everything the program sends can be seen.
  std::function<void(std::span<const std::uint8_t> message)> OnSent;

 protected:
  bool event(QEvent* e) override;

 private:
  struct TControlBlock;
  static void Callback(void* instance, unsigned msg, std::uintptr_t p1, std::uintptr_t p2);
  unsigned Check(unsigned code);

  std::shared_ptr<IMidiOutDriver> driver_;
  bool open_ = false;
  int deviceId_ = 0;
  QString productName_;
  std::uint16_t numDevs_ = 0;
  std::uint16_t error_ = 0;
  TMidiOutCaps caps_;
  // Buffers of long messages the driver has not reported sent yet.
  std::vector<std::unique_ptr<TMyMidiHdr>> inFlight_;
  std::unique_ptr<IMidiOutConnection> connection_;
  std::unique_ptr<TControlBlock> control_;
};
