#include "midi/InProcessMidi.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {
std::uint32_t PackShort(std::span<const std::uint8_t> m) {
  std::uint32_t packed = m[0];
  if (m.size() > 1) packed |= static_cast<std::uint32_t>(m[1]) << 8;
  if (m.size() > 2) packed |= static_cast<std::uint32_t>(m[2]) << 16;
  return packed;
}
}  // namespace

void TLoopbackFarEnd::Receive(TInProcessDevice& device, std::span<const std::uint8_t> message) {
  device.Send(message);
}

// ---------------------------------------------------------------------------------------------
// Connections

struct TInProcessDevice::TInConnection : IMidiInConnection {
  std::shared_ptr<TInProcessDevice> device;
  TMidiCallback cb;
  void* instance;
  // Guarded by the device's inMutex_.
  std::deque<TMidiHeader*> buffers;
  bool started = false;
  std::chrono::steady_clock::time_point startTime;
  bool attached = false;

  unsigned PrepareHeader(TMidiHeader* hdr) override {
    if (!hdr || !hdr->lpData) return MIDI_INVALPARAM;
    hdr->dwFlags |= MHDR_PREPARED;
    return MIDI_NOERROR;
  }
  unsigned UnprepareHeader(TMidiHeader* hdr) override {
    if (!hdr) return MIDI_INVALPARAM;
    if (hdr->dwFlags & MHDR_INQUEUE) return MIDI_STILLPLAYING;
    hdr->dwFlags &= ~MHDR_PREPARED;
    return MIDI_NOERROR;
  }
  unsigned AddBuffer(TMidiHeader* hdr) override {
    if (!hdr) return MIDI_INVALPARAM;
    if (!(hdr->dwFlags & MHDR_PREPARED)) return MIDI_UNPREPARED;
    std::lock_guard lock(device->inMutex_);
    hdr->dwFlags = (hdr->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
    hdr->dwBytesRecorded = 0;
    buffers.push_back(hdr);
    return MIDI_NOERROR;
  }
  unsigned Start() override {
    std::lock_guard lock(device->inMutex_);
    started = true;
    startTime = std::chrono::steady_clock::now();
    return MIDI_NOERROR;
  }
  unsigned Reset() override {
    std::lock_guard lock(device->inMutex_);
    started = false;
    for (TMidiHeader* hdr : buffers) hdr->dwFlags = (hdr->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
    buffers.clear();
    return MIDI_NOERROR;
  }
  unsigned Close() override {
    if (attached) {
      device->DetachInput(this);
      attached = false;
    }
    return MIDI_NOERROR;
  }
  ~TInConnection() override { Close(); }
};

struct TInProcessDevice::TOutConnection : IMidiOutConnection {
  std::shared_ptr<TInProcessDevice> device;
  TMidiCallback cb;
  void* instance;
  bool open = true;

  unsigned ShortMsg(std::uint32_t packed) override {
    if (!open) return MIDI_INVALHANDLE;
    const auto status = static_cast<std::uint8_t>(packed & 0xFF);
    const int length = ShortMessageLength(status);
    if (length == 0) return MIDI_INVALPARAM;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    for (int i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(packed >> (8 * i));
    device->Post(this, std::move(bytes), nullptr);
    return MIDI_NOERROR;
  }
  unsigned PrepareHeader(TMidiHeader* hdr) override {
    if (!hdr || !hdr->lpData) return MIDI_INVALPARAM;
    hdr->dwFlags |= MHDR_PREPARED;
    return MIDI_NOERROR;
  }
  unsigned UnprepareHeader(TMidiHeader* hdr) override {
    if (!hdr) return MIDI_INVALPARAM;
    hdr->dwFlags &= ~MHDR_PREPARED;
    return MIDI_NOERROR;
  }
  unsigned LongMsg(TMidiHeader* hdr) override {
    if (!open) return MIDI_INVALHANDLE;
    if (!hdr || !(hdr->dwFlags & MHDR_PREPARED)) return MIDI_UNPREPARED;
    hdr->dwFlags |= MHDR_INQUEUE;
    device->Post(this, std::vector<std::uint8_t>(hdr->lpData, hdr->lpData + hdr->dwBufferLength),
                 hdr);
    return MIDI_NOERROR;
  }
  unsigned Close() override {
    if (open) {
      device->Cancel(this);
      open = false;
    }
    return MIDI_NOERROR;
  }
  ~TOutConnection() override { Close(); }
};

// ---------------------------------------------------------------------------------------------
// Device

TInProcessDevice::TInProcessDevice(QString name, std::shared_ptr<TMidiFarEnd> farEnd)
    : name_(std::move(name)), farEnd_(std::move(farEnd)) {
  thread_ = std::thread([this] { Run(); });
}

TInProcessDevice::~TInProcessDevice() {
  {
    std::lock_guard lock(queueMutex_);
    stopping_ = true;
  }
  queueChanged_.notify_all();
  thread_.join();
}

unsigned TInProcessDevice::AttachInput(TInConnection* connection) {
  std::lock_guard lock(inMutex_);
  if (input_) return MIDI_ALLOCATED;
  input_ = connection;
  return MIDI_NOERROR;
}

void TInProcessDevice::DetachInput(TInConnection* connection) {
  std::lock_guard lock(inMutex_);
  if (input_ == connection) input_ = nullptr;
}

bool TInProcessDevice::Send(std::span<const std::uint8_t> message) {
  if (message.empty()) return true;
  std::lock_guard lock(inMutex_);
  TInConnection* in = input_;
  if (!in || !in->started) {
    lost_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  const auto time =
      static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - in->startTime)
                                     .count());
  if (message[0] != 0xF0) {
    if (message[0] < 0x80 || message.size() > 3) {
      lost_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    in->cb(in->instance, MIM_DATA, PackShort(message), time);
    return true;
  }
  // A long message fills one receive buffer after the other, like a driver does.
  std::size_t offset = 0;
  while (offset < message.size()) {
    if (in->buffers.empty()) {
      lost_.fetch_add(1, std::memory_order_relaxed);
      return false;
    }
    TMidiHeader* hdr = in->buffers.front();
    in->buffers.pop_front();
    const std::size_t n = std::min<std::size_t>(hdr->dwBufferLength, message.size() - offset);
    std::memcpy(hdr->lpData, message.data() + offset, n);
    hdr->dwBytesRecorded = static_cast<std::uint32_t>(n);
    hdr->dwFlags = (hdr->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
    offset += n;
    in->cb(in->instance, MIM_LONGDATA, reinterpret_cast<std::uintptr_t>(hdr), time);
  }
  return true;
}

void TInProcessDevice::Post(TOutConnection* from, std::vector<std::uint8_t> bytes,
                            TMidiHeader* done) {
  {
    std::lock_guard lock(queueMutex_);
    queue_.push_back({from, std::move(bytes), done});
  }
  queueChanged_.notify_all();
}

void TInProcessDevice::Cancel(TOutConnection* from) {
  std::unique_lock lock(queueMutex_);
  std::erase_if(queue_, [from](const TItem& item) { return item.from == from; });
  // Once this returns, no completion for the connection can run any more.
  queueChanged_.wait(lock, [&] { return busy_ != from; });
}

void TInProcessDevice::WaitIdle() {
  std::unique_lock lock(queueMutex_);
  queueChanged_.wait(lock, [&] { return queue_.empty() && busy_ == nullptr; });
}

void TInProcessDevice::Run() {
  std::unique_lock lock(queueMutex_);
  for (;;) {
    queueChanged_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    TItem item = std::move(queue_.front());
    queue_.pop_front();
    busy_ = item.from;
    lock.unlock();
    farEnd_->Receive(*this, item.bytes);
    if (item.done) {
      item.done->dwFlags = (item.done->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
      item.from->cb(item.from->instance, MOM_DONE, reinterpret_cast<std::uintptr_t>(item.done), 0);
    }
    lock.lock();
    busy_ = nullptr;
    queueChanged_.notify_all();
  }
}

// ---------------------------------------------------------------------------------------------
// Driver

std::shared_ptr<TInProcessDevice> TInProcessMidi::AddDevice(const QString& name,
                                                            std::shared_ptr<TMidiFarEnd> farEnd) {
  auto device = std::make_shared<TInProcessDevice>(name, std::move(farEnd));
  std::lock_guard lock(mutex_);
  std::erase_if(devices_, [&](const auto& d) { return d->Name() == name; });
  devices_.push_back(device);
  return device;
}

void TInProcessMidi::RemoveDevice(const QString& name) {
  std::lock_guard lock(mutex_);
  std::erase_if(devices_, [&](const auto& d) { return d->Name() == name; });
}

std::shared_ptr<TInProcessDevice> TInProcessMidi::Device(const QString& name) const {
  std::lock_guard lock(mutex_);
  for (const auto& d : devices_)
    if (d->Name() == name) return d;
  return nullptr;
}

QStringList TInProcessMidi::Names() const {
  std::lock_guard lock(mutex_);
  QStringList names;
  for (const auto& d : devices_) names << d->Name();
  return names;
}

std::shared_ptr<TInProcessDevice> TInProcessMidi::At(unsigned id) const {
  std::lock_guard lock(mutex_);
  return id < devices_.size() ? devices_[id] : nullptr;
}

unsigned TInProcessMidi::NumDevs() {
  std::lock_guard lock(mutex_);
  return static_cast<unsigned>(devices_.size());
}

unsigned TInProcessMidi::GetDevCaps(unsigned id, TMidiInCaps& caps) {
  auto device = At(id);
  if (!device) return MIDI_BADDEVICEID;
  caps = TMidiInCaps{};
  caps.szPname = device->Name();
  return MIDI_NOERROR;
}

unsigned TInProcessMidi::DevCaps(unsigned id, TMidiOutCaps& caps) {
  auto device = At(id);
  if (!device) return MIDI_BADDEVICEID;
  caps = TMidiOutCaps{};
  caps.szPname = device->Name();
  caps.wTechnology = MOD_MIDIPORT;
  return MIDI_NOERROR;
}

unsigned TInProcessMidi::Open(unsigned id, TMidiCallback cb, void* instance,
                              std::unique_ptr<IMidiInConnection>& connection) {
  auto device = At(id);
  if (!device) return MIDI_BADDEVICEID;
  auto in = std::make_unique<TInProcessDevice::TInConnection>();
  in->device = device;
  in->cb = cb;
  in->instance = instance;
  if (const unsigned code = device->AttachInput(in.get()); code != MIDI_NOERROR) return code;
  in->attached = true;
  connection = std::move(in);
  return MIDI_NOERROR;
}

unsigned TInProcessMidi::OpenDevice(unsigned id, TMidiCallback cb, void* instance,
                                    std::unique_ptr<IMidiOutConnection>& connection) {
  auto device = At(id);
  if (!device) return MIDI_BADDEVICEID;
  auto out = std::make_unique<TInProcessDevice::TOutConnection>();
  out->device = device;
  out->cb = cb;
  out->instance = instance;
  connection = std::move(out);
  return MIDI_NOERROR;
}
