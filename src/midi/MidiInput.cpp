#include "midi/MidiInput.h"

#include "midi/MidiHdr.h"
#include "midi/MidiSystem.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
const QEvent::Type DataWaitingEvent = static_cast<QEvent::Type>(QEvent::User + 0x3C3);
const QEvent::Type OverflowEvent = static_cast<QEvent::Type>(QEvent::User + 0x400);

QString ResultText(IMidiInDriver& driver, unsigned code) {
  QString text = driver.ErrorText(code);
  return text.isEmpty() ? QStringLiteral("Specified error number is out of range") : text;
}
}  // namespace

std::shared_ptr<IMidiInDriver> DefaultMidiInDriver() {
  return TMidiSystem::Instance().InDriver();
}

// Everything the driver callback may touch. It lives from the first Open to destruction; the rings
// live from Open to Close.
struct TMidiInput::TControlBlock {
  TMidiInput* port = nullptr;
  std::atomic<TEventRing*> ring{nullptr};
  // Receive buffers whose event did not fit into the ring, to be handed back to the device.
  std::atomic<TEventRing*> lost{nullptr};
  std::atomic<bool> sysexOnly{false};
  // Notifications are coalesced: at most one of each kind waits in the GUI queue.
  std::atomic<bool> dataPosted{false};
  std::atomic<bool> overflowPosted{false};
  std::atomic<std::uint32_t> overflows{0};
  // Released after each notification is built and acquired before the GUI thread reads one, so
  // the hand-over is visible to the memory model (and to ThreadSanitizer) whatever the event
  // queue does inside.
  std::atomic<std::uint32_t> posts{0};

  void Post(QEvent::Type type) {
    auto* e = new QEvent(type);
    posts.fetch_add(1, std::memory_order_release);
    QCoreApplication::postEvent(port, e);
  }
};

TMidiInput::TMidiInput(QObject* owner, std::shared_ptr<IMidiInDriver> driver)
    : QObject(owner), driver_(std::move(driver)) {
  numDevs_ = static_cast<std::uint16_t>(driver_->NumDevs());
  if (numDevs_ > 0) SetDeviceID(0);
  state_ = State::Closed;
}

TMidiInput::~TMidiInput() {
  if (connection_) {
    try {
      Close();
    } catch (const EMidiInputError&) {
      // Nothing sensible can be done with a failing close while the port goes away.
    }
  }
}

unsigned TMidiInput::Check(unsigned code) {
  error_ = static_cast<std::uint16_t>(code);
  if (code != MIDI_NOERROR) throw EMidiInputError(ResultText(*driver_, code));
  return code;
}

void TMidiInput::ReadCaps(std::uint16_t id, TMidiInCaps& caps) {
  Check(driver_->GetDevCaps(id, caps));
}

void TMidiInput::SetDeviceID(std::uint16_t id) {
  if (state_ == State::Open) throw EMidiInputError("Change to DeviceID while device was open");
  if (id >= driver_->NumDevs()) throw EMidiInputError("Invalid device ID");
  TMidiInCaps caps;
  ReadCaps(id, caps);
  deviceId_ = id;
  productName_ = caps.szPname;
  mid_ = caps.wMid;
  pid_ = caps.wPid;
  driverVersion_ = caps.vDriverVersion;
}

void TMidiInput::SetProductName(const QString& name) {
  if (state_ == State::Open) throw EMidiInputError("Change to ProductName while device was open");
  const unsigned count = driver_->NumDevs();
  for (unsigned i = 0; i < count; ++i) {
    TMidiInCaps caps;
    ReadCaps(static_cast<std::uint16_t>(i), caps);
    if (caps.szPname == name) {
      SetDeviceID(static_cast<std::uint16_t>(i));
      return;
    }
  }
  throw EMidiInputError("MIDI Input Device " + name + " not installed ");
}

QStringList TMidiInput::DeviceNames(IMidiInDriver& driver) {
  QStringList names;
  const unsigned count = driver.NumDevs();
  for (unsigned i = 0; i < count; ++i) {
    TMidiInCaps caps;
    names << (driver.GetDevCaps(i, caps) == MIDI_NOERROR ? caps.szPname : QString());
  }
  return names;
}

void TMidiInput::SetSysexBufferSize(std::uint16_t size) {
  if (state_ == State::Open)
    throw EMidiInputError("Change to SysexBufferSize while device was open");
  sysexBufferSize_ = size;
}

void TMidiInput::SetSysexBufferCount(std::uint16_t count) {
  if (state_ == State::Open)
    throw EMidiInputError("Change to SysexBuffercount while device was open");
  sysexBufferCount_ = count;
}

void TMidiInput::SetSysexOnly(bool only) {
  sysexOnly_ = only;
  if (control_) control_->sysexOnly.store(only, std::memory_order_relaxed);
}

void TMidiInput::FreeRing() {
  if (!control_) return;
  delete control_->ring.exchange(nullptr);
  delete control_->lost.exchange(nullptr);
}

void TMidiInput::Open() {
  if (state_ == State::Open) return;
  try {
    if (!control_) {
      control_ = std::make_unique<TControlBlock>();
      control_->port = this;
    }
    if (!control_->ring.load()) control_->ring.store(new TEventRing(capacity_));
    if (!control_->lost.load()) control_->lost.store(new TEventRing(sysexBufferCount_));
    control_->sysexOnly.store(sysexOnly_);
    control_->overflows.store(0);
    control_->dataPosted.store(false);
    control_->overflowPosted.store(false);

    // By name: the device may have another number by now, if others came or went.
    Check(driver_->OpenNamed(deviceId_, productName_, &TMidiInput::Callback, control_.get(),
                             connection_));

    if (sysexBufferCount_ > 0 && sysexBufferSize_ > 0 && connection_) {
      while (buffers_.size() < sysexBufferCount_) {
        auto buffer = std::make_unique<TMyMidiHdr>(sysexBufferSize_);
        TMidiHeader* hdr = buffer->Header();
        hdr->dwFlags = 0;
        hdr->dwBytesRecorded = 0;
        hdr->dwTag = static_cast<std::uint32_t>(buffers_.size() + 1);
        buffers_.push_back(std::move(buffer));
        Check(connection_->PrepareHeader(hdr));
      }
    }
    for (auto& buffer : buffers_) Check(connection_->AddBuffer(buffer->Header()));
    state_ = State::Open;
  } catch (...) {
    // Leave nothing half-open behind: a device that was opened is closed again, so that the
    // next attempt does not find it still allocated.
    if (connection_) {
      connection_->Reset();
      for (auto& buffer : buffers_) connection_->UnprepareHeader(buffer->Header());
      connection_->Close();
      connection_.reset();
    }
    buffers_.clear();
    FreeRing();
    control_.reset();
    throw;
  }
}

void TMidiInput::Start() {
  if (state_ != State::Open) return;
  Check(connection_->Start());
}

void TMidiInput::Close() {
  if (state_ != State::Open) return;
  // Closed first, so that notifications still queued for the GUI thread are ignored.
  state_ = State::Closed;
  // Every step runs even if an earlier one fails; otherwise a failing reset would leave the device
  // open and unusable until the program ends. The first failure is reported afterwards.
  unsigned first = MIDI_NOERROR;
  auto keep = [&first](unsigned code) {
    if (first == MIDI_NOERROR) first = code;
  };
  keep(connection_->Reset());
  for (auto& buffer : buffers_) keep(connection_->UnprepareHeader(buffer->Header()));
  keep(connection_->Close());
  connection_.reset();
  buffers_.clear();
  FreeRing();
  Check(first);
}

std::uint16_t TMidiInput::MessageCount() const {
  if (state_ != State::Open || !control_) return 0;
  TEventRing* ring = control_->ring.load(std::memory_order_acquire);
  return ring ? ring->Count() : 0;
}

std::uint32_t TMidiInput::OverflowCount() const {
  return control_ ? control_->overflows.load(std::memory_order_relaxed) : 0;
}

void TMidiInput::RecycleBuffer(TMyMidiHdr* buffer) {
  TMidiHeader* hdr = buffer->Header();
  hdr->dwBytesRecorded = 0;
  hdr->dwBufferLength = sysexBufferSize_;
  hdr->dwFlags = 0;
  Check(connection_->PrepareHeader(hdr));
  Check(connection_->AddBuffer(hdr));
}

std::unique_ptr<TMyMidiEvent> TMidiInput::GetMidiEvent() {
  if (state_ != State::Open) return nullptr;
  TEventRing* ring = control_->ring.load(std::memory_order_acquire);
  TRingSlot slot;
  if (!ring || !ring->Read(slot)) return nullptr;
  auto event = std::make_unique<TMyMidiEvent>();
  event->Time = slot.Time;
  TMyMidiHdr* buffer = nullptr;
  if (slot.Buffer != 0 && slot.Buffer <= buffers_.size()) {
    buffer = buffers_[slot.Buffer - 1].get();
    const TMidiHeader* hdr = buffer->Header();
    event->MidiMessage = 0xF0;
    event->SysexLength = static_cast<std::uint16_t>(hdr->dwBytesRecorded);
    if (event->SysexLength != 0)
      event->Sysex = QByteArray(reinterpret_cast<const char*>(hdr->lpData), event->SysexLength);
  } else {
    event->MidiMessage = static_cast<std::uint8_t>(slot.ShortMsg & 0xFF);
    event->Data1 = static_cast<std::uint8_t>((slot.ShortMsg >> 8) & 0xFF);
    event->Data2 = static_cast<std::uint8_t>((slot.ShortMsg >> 16) & 0xFF);
  }
  ring->Remove();
  if (buffer) RecycleBuffer(buffer);
  return event;
}

void TMidiInput::ReturnLostBuffers() {
  TEventRing* lost = control_ ? control_->lost.load(std::memory_order_acquire) : nullptr;
  if (!lost) return;
  TRingSlot slot;
  while (lost->Read(slot)) {
    lost->Remove();
    if (slot.Buffer != 0 && slot.Buffer <= buffers_.size())
      RecycleBuffer(buffers_[slot.Buffer - 1].get());
  }
}

bool TMidiInput::event(QEvent* e) {
  if (control_) control_->posts.load(std::memory_order_acquire);
  if (e->type() == DataWaitingEvent) {
    if (control_) control_->dataPosted.store(false, std::memory_order_release);
    if (OnMidiInput && state_ == State::Open && MessageCount() > 0) OnMidiInput(this);
    return true;
  }
  if (e->type() == OverflowEvent) {
    if (control_) control_->overflowPosted.store(false, std::memory_order_release);
    if (state_ == State::Open) {
      ReturnLostBuffers();
      if (OnOverflow) OnOverflow(this);
    }
    return true;
  }
  return QObject::event(e);
}

void TMidiInput::Callback(void* instance, unsigned msg, std::uintptr_t p1, std::uintptr_t p2) {
  if (msg != MIM_DATA && msg != MIM_LONGDATA && msg != MIM_LONGERROR) return;
  auto* control = static_cast<TControlBlock*>(instance);
  if (!control) return;
  // Active sensing and timing clock stream continuously from many devices; they never reach
  // the ring.
  if (msg == MIM_DATA && (p1 == 0xFE || p1 == 0xF8)) return;
  if (msg == MIM_DATA && control->sysexOnly.load(std::memory_order_relaxed)) return;
  TEventRing* ring = control->ring.load(std::memory_order_acquire);
  if (!ring) return;

  TRingSlot slot;
  slot.Time = static_cast<std::uint32_t>(p2);
  if (msg == MIM_DATA) {
    slot.ShortMsg = static_cast<std::uint32_t>(p1);
  } else {
    slot.Buffer = reinterpret_cast<const TMidiHeader*>(p1)->dwTag;
  }

  if (ring->Put(slot)) {
    if (!control->dataPosted.exchange(true, std::memory_order_acq_rel))
      control->Post(DataWaitingEvent);
    return;
  }
  control->overflows.fetch_add(1, std::memory_order_relaxed);
  if (slot.Buffer != 0) {
    if (TEventRing* lost = control->lost.load(std::memory_order_acquire)) lost->Put(slot);
  }
  if (!control->overflowPosted.exchange(true, std::memory_order_acq_rel))
    control->Post(OverflowEvent);
}
