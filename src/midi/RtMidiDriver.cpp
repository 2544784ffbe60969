#include "midi/RtMidiDriver.h"

#include <RtMidi.h>

#include <QRegularExpression>
#include <chrono>
#include <cstring>
#include <deque>

namespace {

// RtMidi reports warnings on stderr unless a handler takes them; a missing JACK server or sound
// card is normal here and not worth a word.
void QuietErrors(RtMidiError::Type, const std::string&, void*) {}

template <class Probe>
std::vector<TRtMidiDriver::TPortRef> ListPorts(std::vector<std::unique_ptr<Probe>>& probes,
                                               const QString& ownClient) {
  std::vector<TRtMidiDriver::TPortRef> ports;
  QStringList seen;
  for (auto& probe : probes) {
    unsigned count = 0;
    try {
      count = probe->getPortCount();
    } catch (const RtMidiError&) {
      continue;
    }
    for (unsigned i = 0; i < count; ++i) {
      QString raw;
      try {
        raw = QString::fromStdString(probe->getPortName(i));
      } catch (const RtMidiError&) {
        continue;
      }
      if (raw.isEmpty() || raw.startsWith(ownClient)) continue;
      QString name = TRtMidiDriver::StableName(raw);
      // Two ports with one name (two identical interfaces) stay apart by a number.
      const QString base = name;
      for (int n = 2; seen.contains(name); ++n) name = QString("%1 (%2)").arg(base).arg(n);
      seen << name;
      ports.push_back({static_cast<int>(probe->getCurrentApi()), i, name});
    }
  }
  return ports;
}

// Finds the port again by its listed name on a fresh RtMidi object, since port numbers can shift
// between listing and opening.
template <class Api>
int FindPort(Api& api, const QString& ownClient, const QString& name) {
  QStringList seen;
  const unsigned count = api.getPortCount();
  for (unsigned i = 0; i < count; ++i) {
    const QString raw = QString::fromStdString(api.getPortName(i));
    if (raw.isEmpty() || raw.startsWith(ownClient)) continue;
    QString candidate = TRtMidiDriver::StableName(raw);
    const QString base = candidate;
    for (int n = 2; seen.contains(candidate); ++n) candidate = QString("%1 (%2)").arg(base).arg(n);
    seen << candidate;
    if (candidate == name) return static_cast<int>(i);
  }
  return -1;
}

// ---------------------------------------------------------------------------------------------

class TRtInConnection : public IMidiInConnection {
 public:
  TRtInConnection(std::shared_ptr<TRtMidiDriver> driver, TMidiCallback cb, void* instance)
      : driver_(std::move(driver)), cb_(cb), instance_(instance) {}
  ~TRtInConnection() override { Close(); }

  unsigned OpenPort(const TRtMidiDriver::TPortRef& ref) {
    try {
      in_ = std::make_unique<RtMidiIn>(static_cast<RtMidi::Api>(ref.api),
                                       (driver_->ClientName() + " In").toStdString(), 1000);
      in_->setErrorCallback(&QuietErrors, nullptr);
      const int port = FindPort(*in_, driver_->ClientName(), ref.name);
      if (port < 0) {
        in_.reset();
        return MIDI_BADDEVICEID;
      }
      // Everything is passed on; the port itself drops active sensing and timing clock.
      in_->ignoreTypes(false, false, false);
      in_->setCallback(&TRtInConnection::OnMessage, this);
      in_->openPort(static_cast<unsigned>(port), "in");
    } catch (const RtMidiError& e) {
      in_.reset();
      return driver_->Fail(e.getMessage());
    }
    return MIDI_NOERROR;
  }

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
    std::lock_guard lock(mutex_);
    hdr->dwFlags = (hdr->dwFlags & ~MHDR_DONE) | MHDR_INQUEUE;
    hdr->dwBytesRecorded = 0;
    buffers_.push_back(hdr);
    return MIDI_NOERROR;
  }
  unsigned Start() override {
    std::lock_guard lock(mutex_);
    started_ = true;
    startTime_ = std::chrono::steady_clock::now();
    return MIDI_NOERROR;
  }
  unsigned Reset() override {
    std::lock_guard lock(mutex_);
    started_ = false;
    for (TMidiHeader* hdr : buffers_) hdr->dwFlags = (hdr->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
    buffers_.clear();
    return MIDI_NOERROR;
  }
  unsigned Close() override {
    // Destroying the RtMidi object joins its thread or closes its JACK client; no callback runs
    // afterwards.
    in_.reset();
    return MIDI_NOERROR;
  }

 private:
  static void OnMessage(double, std::vector<unsigned char>* message, void* self) {
    static_cast<TRtInConnection*>(self)->Deliver(*message);
  }

  void Deliver(const std::vector<unsigned char>& m) {
    if (m.empty()) return;
    std::lock_guard lock(mutex_);
    if (!started_) return;
    const auto time =
        static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                       std::chrono::steady_clock::now() - startTime_)
                                       .count());
    if (m[0] != 0xF0) {
      if (m[0] < 0x80 || m.size() > 3) return;
      std::uint32_t packed = m[0];
      if (m.size() > 1) packed |= static_cast<std::uint32_t>(m[1]) << 8;
      if (m.size() > 2) packed |= static_cast<std::uint32_t>(m[2]) << 16;
      cb_(instance_, MIM_DATA, packed, time);
      return;
    }
    std::size_t offset = 0;
    while (offset < m.size() && !buffers_.empty()) {
      TMidiHeader* hdr = buffers_.front();
      buffers_.pop_front();
      const std::size_t n = std::min<std::size_t>(hdr->dwBufferLength, m.size() - offset);
      std::memcpy(hdr->lpData, m.data() + offset, n);
      hdr->dwBytesRecorded = static_cast<std::uint32_t>(n);
      hdr->dwFlags = (hdr->dwFlags & ~MHDR_INQUEUE) | MHDR_DONE;
      offset += n;
      cb_(instance_, MIM_LONGDATA, reinterpret_cast<std::uintptr_t>(hdr), time);
    }
  }

  std::shared_ptr<TRtMidiDriver> driver_;
  TMidiCallback cb_;
  void* instance_;
  std::unique_ptr<RtMidiIn> in_;
  std::mutex mutex_;
  std::deque<TMidiHeader*> buffers_;
  bool started_ = false;
  std::chrono::steady_clock::time_point startTime_;
};

class TRtOutConnection : public IMidiOutConnection {
 public:
  TRtOutConnection(std::shared_ptr<TRtMidiDriver> driver, TMidiCallback cb, void* instance)
      : driver_(std::move(driver)), cb_(cb), instance_(instance) {}

  unsigned OpenPort(const TRtMidiDriver::TPortRef& ref) {
    try {
      out_ = std::make_unique<RtMidiOut>(static_cast<RtMidi::Api>(ref.api),
                                         (driver_->ClientName() + " Out").toStdString());
      out_->setErrorCallback(&QuietErrors, nullptr);
      const int port = FindPort(*out_, driver_->ClientName(), ref.name);
      if (port < 0) {
        out_.reset();
        return MIDI_BADDEVICEID;
      }
      out_->openPort(static_cast<unsigned>(port), "out");
    } catch (const RtMidiError& e) {
      out_.reset();
      return driver_->Fail(e.getMessage());
    }
    return MIDI_NOERROR;
  }

  unsigned ShortMsg(std::uint32_t packed) override {
    if (!out_) return MIDI_INVALHANDLE;
    const auto status = static_cast<std::uint8_t>(packed & 0xFF);
    const int length = ShortMessageLength(status);
    if (length == 0) return MIDI_INVALPARAM;
    unsigned char bytes[3] = {status, static_cast<unsigned char>(packed >> 8),
                              static_cast<unsigned char>(packed >> 16)};
    return Send(bytes, static_cast<std::size_t>(length));
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
    if (!out_) return MIDI_INVALHANDLE;
    if (!hdr || !(hdr->dwFlags & MHDR_PREPARED)) return MIDI_UNPREPARED;
    if (const unsigned code = Send(hdr->lpData, hdr->dwBufferLength); code != MIDI_NOERROR)
      return code;
    // RtMidi has taken the bytes by now; the completion travels to the port's thread as a
    // driver's would.
    hdr->dwFlags |= MHDR_DONE;
    cb_(instance_, MOM_DONE, reinterpret_cast<std::uintptr_t>(hdr), 0);
    return MIDI_NOERROR;
  }
  unsigned Close() override {
    out_.reset();
    return MIDI_NOERROR;
  }

 private:
  unsigned Send(const unsigned char* bytes, std::size_t size) {
    try {
      out_->sendMessage(bytes, size);
    } catch (const RtMidiError& e) {
      return driver_->Fail(e.getMessage());
    }
    return MIDI_NOERROR;
  }

  std::shared_ptr<TRtMidiDriver> driver_;
  TMidiCallback cb_;
  void* instance_;
  std::unique_ptr<RtMidiOut> out_;
};

class TRtIn : public IMidiInDriver {
 public:
  explicit TRtIn(std::shared_ptr<TRtMidiDriver> d) : d_(std::move(d)) {}
  unsigned NumDevs() override { return static_cast<unsigned>(d_->ListInputs().size()); }
  unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) override {
    const auto ports = d_->ListInputs();
    if (id >= ports.size()) return MIDI_BADDEVICEID;
    caps = TMidiInCaps{};
    caps.szPname = ports[id].name;
    return MIDI_NOERROR;
  }
  QString ErrorText(unsigned code) override {
    return code == MIDI_ERROR ? d_->LastError() : MidiResultText(code);
  }
  unsigned Open(unsigned id, TMidiCallback cb, void* instance,
                std::unique_ptr<IMidiInConnection>& connection) override {
    const auto ports = d_->ListInputs();
    if (id >= ports.size()) return MIDI_BADDEVICEID;
    return OpenPort(ports[id], cb, instance, connection);
  }
  unsigned OpenNamed(unsigned, const QString& name, TMidiCallback cb, void* instance,
                     std::unique_ptr<IMidiInConnection>& connection) override {
    for (const auto& port : d_->ListInputs())
      if (port.name == name) return OpenPort(port, cb, instance, connection);
    return MIDI_BADDEVICEID;
  }

 private:
  unsigned OpenPort(const TRtMidiDriver::TPortRef& port, TMidiCallback cb, void* instance,
                    std::unique_ptr<IMidiInConnection>& connection) {
    auto in = std::make_unique<TRtInConnection>(d_, cb, instance);
    if (const unsigned code = in->OpenPort(port); code != MIDI_NOERROR) return code;
    connection = std::move(in);
    return MIDI_NOERROR;
  }

 private:
  std::shared_ptr<TRtMidiDriver> d_;
};

class TRtOut : public IMidiOutDriver {
 public:
  explicit TRtOut(std::shared_ptr<TRtMidiDriver> d) : d_(std::move(d)) {}
  unsigned NumDevs() override { return static_cast<unsigned>(d_->ListOutputs().size()); }
  QString ErrorText(unsigned code) override {
    return code == MIDI_ERROR ? d_->LastError() : MidiResultText(code);
  }

 protected:
  unsigned DevCaps(unsigned id, TMidiOutCaps& caps) override {
    const auto ports = d_->ListOutputs();
    if (id >= ports.size()) return MIDI_BADDEVICEID;
    caps = TMidiOutCaps{};
    caps.szPname = ports[id].name;
    caps.wTechnology = MOD_MIDIPORT;
    return MIDI_NOERROR;
  }
  unsigned OpenDevice(unsigned id, TMidiCallback cb, void* instance,
                      std::unique_ptr<IMidiOutConnection>& connection) override {
    const auto ports = d_->ListOutputs();
    if (id >= ports.size()) return MIDI_BADDEVICEID;
    return OpenPort(ports[id], cb, instance, connection);
  }
  unsigned OpenDeviceNamed(unsigned, const QString& name, TMidiCallback cb, void* instance,
                           std::unique_ptr<IMidiOutConnection>& connection) override {
    for (const auto& port : d_->ListOutputs())
      if (port.name == name) return OpenPort(port, cb, instance, connection);
    return MIDI_BADDEVICEID;
  }

 private:
  unsigned OpenPort(const TRtMidiDriver::TPortRef& port, TMidiCallback cb, void* instance,
                    std::unique_ptr<IMidiOutConnection>& connection) {
    auto out = std::make_unique<TRtOutConnection>(d_, cb, instance);
    if (const unsigned code = out->OpenPort(port); code != MIDI_NOERROR) return code;
    connection = std::move(out);
    return MIDI_NOERROR;
  }

 private:
  std::shared_ptr<TRtMidiDriver> d_;
};

}  // namespace

std::shared_ptr<TRtMidiDriver> TRtMidiDriver::Create(QString clientName) {
  return std::shared_ptr<TRtMidiDriver>(new TRtMidiDriver(std::move(clientName)));
}

TRtMidiDriver::TRtMidiDriver(QString clientName) : clientName_(std::move(clientName)) {}
TRtMidiDriver::~TRtMidiDriver() = default;

std::shared_ptr<IMidiInDriver> TRtMidiDriver::In() {
  return std::make_shared<TRtIn>(shared_from_this());
}
std::shared_ptr<IMidiOutDriver> TRtMidiDriver::Out() {
  return std::make_shared<TRtOut>(shared_from_this());
}

void TRtMidiDriver::Probe() {
  if (probed_) return;
  probed_ = true;
  std::vector<RtMidi::Api> apis;
  RtMidi::getCompiledApi(apis);
  for (RtMidi::Api api : apis) {
    if (api == RtMidi::RTMIDI_DUMMY) continue;
    try {
      auto in = std::make_unique<RtMidiIn>(api, (clientName_ + " List").toStdString());
      in->setErrorCallback(&QuietErrors, nullptr);
      inProbes_.push_back(std::move(in));
    } catch (const RtMidiError&) {
      // This API does not start here (no sound card, no server): it lists nothing.
    }
    try {
      auto out = std::make_unique<RtMidiOut>(api, (clientName_ + " List").toStdString());
      out->setErrorCallback(&QuietErrors, nullptr);
      outProbes_.push_back(std::move(out));
    } catch (const RtMidiError&) {
    }
  }
}

std::vector<TRtMidiDriver::TPortRef> TRtMidiDriver::ListInputs() {
  std::lock_guard lock(mutex_);
  Probe();
  return ListPorts(inProbes_, clientName_);
}

std::vector<TRtMidiDriver::TPortRef> TRtMidiDriver::ListOutputs() {
  std::lock_guard lock(mutex_);
  Probe();
  return ListPorts(outProbes_, clientName_);
}

QStringList TRtMidiDriver::InputNames() {
  QStringList names;
  for (const auto& p : ListInputs()) names << p.name;
  return names;
}

QStringList TRtMidiDriver::OutputNames() {
  QStringList names;
  for (const auto& p : ListOutputs()) names << p.name;
  return names;
}

QString TRtMidiDriver::StableName(const QString& apiName) {
  static const QRegularExpression alsaNumbers(QStringLiteral("\\s+\\d+:\\d+$"));
  QString name = apiName;
  name.remove(alsaNumbers);
  return name;
}

QString TRtMidiDriver::LastError() {
  std::lock_guard lock(mutex_);
  return lastError_;
}

unsigned TRtMidiDriver::Fail(const std::string& message) {
  std::lock_guard lock(mutex_);
  lastError_ = QString::fromStdString(message);
  return MIDI_ERROR;
}
