#include "midi/MidiOutput.h"

#include "midi/MidiHdr.h"
#include "midi/MidiSystem.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <atomic>
#include <cstring>

namespace {
const QEvent::Type OutputDoneEvent = static_cast<QEvent::Type>(QEvent::User + 0x3C9);

// Carries the finished header to the GUI thread.
class TOutputDoneEvent : public QEvent {
 public:
  explicit TOutputDoneEvent(TMidiHeader* hdr) : QEvent(OutputDoneEvent), Header(hdr) {}
  TMidiHeader* Header;
};
}  // namespace

std::shared_ptr<IMidiOutDriver> DefaultMidiOutDriver() {
  return TMidiSystem::Instance().OutDriver();
}

struct TMidiOutput::TControlBlock {
  TMidiOutput* port = nullptr;
  // Orders the completion's construction before its handling on the GUI thread.
  std::atomic<std::uint32_t> posts{0};
};

TMidiOutput::TMidiOutput(QObject* owner, std::shared_ptr<IMidiOutDriver> driver)
    : QObject(owner), driver_(std::move(driver)) {
  numDevs_ = static_cast<std::uint16_t>(driver_->NumDevs());
}

TMidiOutput::~TMidiOutput() {
  if (open_) {
    try {
      Close();
    } catch (const EmidioutputError&) {
    }
  }
}

unsigned TMidiOutput::Check(unsigned code) {
  error_ = static_cast<std::uint16_t>(code);
  if (code != MIDI_NOERROR) {
    QString text = driver_->ErrorText(code);
    if (text.isEmpty()) text = QStringLiteral("Specified error number is out of range");
    throw EmidioutputError(text);
  }
  return code;
}

void TMidiOutput::SetDeviceID(int id) {
  if (open_) throw EmidioutputError("Change to DeviceID while device was open");
  if (id != IMidiOutDriver::MidiMapper &&
      (id < 0 || static_cast<unsigned>(id) >= driver_->NumDevs()))
    throw EmidioutputError("Invalid device ID");
  TMidiOutCaps caps;
  Check(driver_->GetDevCaps(id, caps));
  deviceId_ = id;
  caps_ = caps;
  productName_ = caps.szPname;
}

void TMidiOutput::SetProductName(const QString& name) {
  if (open_) throw EmidioutputError("Change to ProductName while device was open");
  const int count = static_cast<int>(driver_->NumDevs());
  for (int i = IMidiOutDriver::MidiMapper; i < count; ++i) {
    TMidiOutCaps caps;
    Check(driver_->GetDevCaps(i, caps));
    if (caps.szPname == name) {
      SetDeviceID(i);
      return;
    }
  }
  throw EmidioutputError("MIDI output Device " + name + " not installed");
}

QStringList TMidiOutput::DeviceNames(IMidiOutDriver& driver) {
  QStringList names;
  const int count = static_cast<int>(driver.NumDevs());
  for (int i = 0; i < count; ++i) {
    TMidiOutCaps caps;
    names << (driver.GetDevCaps(i, caps) == MIDI_NOERROR ? caps.szPname : QString());
  }
  return names;
}

bool TMidiOutput::Open() {
  if (open_) return true;
  if (!control_) {
    control_ = std::make_unique<TControlBlock>();
    control_->port = this;
  }
  // By name: the device may have another number by now, if others came or went.
  const unsigned code = driver_->OpenNamed(deviceId_, productName_, &TMidiOutput::Callback,
                                           control_.get(), connection_);
  if (code != MIDI_NOERROR) {
    control_.reset();
    connection_.reset();
    Check(code);
  }
  error_ = 0;
  open_ = true;
  return true;
}

bool TMidiOutput::Close() {
  if (!open_) return false;
  Check(connection_->Close());
  connection_.reset();
  open_ = false;
  // A closed driver no longer touches the buffers; completions still queued find nothing.
  inFlight_.clear();
  return true;
}

void TMidiOutput::PutShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
  if (!connection_) Check(MIDI_INVALHANDLE);
  Check(connection_->ShortMsg(static_cast<std::uint32_t>(status) |
                              static_cast<std::uint32_t>(data1) << 8 |
                              static_cast<std::uint32_t>(data2) << 16));
  if (OnSent) {
    const std::uint8_t bytes[3] = {status, data1, data2};
    OnSent(std::span<const std::uint8_t>(
        bytes, static_cast<std::size_t>(std::max(1, ShortMessageLength(status)))));
  }
}

void TMidiOutput::PutLong(const std::uint8_t* block, std::uint16_t length) {
  if (length == 0) return;  // nothing to send; callers check for an empty buffer first
  if (!connection_) Check(MIDI_INVALHANDLE);
  // The port keeps its own copy, so the caller may change its block as soon as this returns.
  auto buffer = std::make_unique<TMyMidiHdr>(length);
  std::memcpy(buffer->Data(), block, length);
  TMidiHeader* hdr = buffer->Header();
  hdr->dwFlags = 0;
  // On failure the unique_ptr releases the wrapper, which would otherwise leak with every
  // failed send.
  Check(connection_->PrepareHeader(hdr));
  const unsigned code = connection_->LongMsg(hdr);
  if (code != MIDI_NOERROR) {
    connection_->UnprepareHeader(hdr);
    Check(code);
  }
  inFlight_.push_back(std::move(buffer));
  if (OnSent) OnSent(std::span<const std::uint8_t>(block, length));
}

void TMidiOutput::PutLong(const QByteArray& block) {
  if (block.size() > 0xFFFF) throw EmidioutputError("MIDI message too long");
  PutLong(reinterpret_cast<const std::uint8_t*>(block.constData()),
          static_cast<std::uint16_t>(block.size()));
}

void TMidiOutput::PutMidiEvent(const TMyMidiEvent& event) {
  if (!open_) throw EmidioutputError("MIDI Output device not open");
  if (event.HasSysex())
    PutLong(reinterpret_cast<const std::uint8_t*>(event.Sysex.constData()), event.SysexLength);
  else
    PutShort(event.MidiMessage, event.Data1, event.Data2);
}

bool TMidiOutput::event(QEvent* e) {
  if (control_) control_->posts.load(std::memory_order_acquire);
  if (e->type() != OutputDoneEvent) return QObject::event(e);
  TMidiHeader* hdr = static_cast<TOutputDoneEvent*>(e)->Header;
  const auto it = std::find_if(inFlight_.begin(), inFlight_.end(),
                               [hdr](const auto& b) { return b->Header() == hdr; });
  if (it == inFlight_.end()) return true;  // the port was closed meanwhile
  if (connection_) connection_->UnprepareHeader(hdr);
  inFlight_.erase(it);
  if (Onmidioutput) Onmidioutput(this);
  return true;
}

void TMidiOutput::Callback(void* instance, unsigned msg, std::uintptr_t p1, std::uintptr_t) {
  if (msg != MOM_DONE) return;
  auto* control = static_cast<TControlBlock*>(instance);
  auto* e = new TOutputDoneEvent(reinterpret_cast<TMidiHeader*>(p1));
  control->posts.fetch_add(1, std::memory_order_release);
  QCoreApplication::postEvent(control->port, e);
}
