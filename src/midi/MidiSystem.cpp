#include "midi/MidiSystem.h"

#include <cstdlib>

// Device numbers run through the system's ports first, then the in-process devices, so that real
// hardware is device 0 where there is any and the simulator is chosen where there is none.
class TMidiSystem::TCompositeIn : public IMidiInDriver {
 public:
  explicit TCompositeIn(TMidiSystem& s) : s_(s) {}
  unsigned NumDevs() override { return SystemCount() + Local().NumDevs(); }
  unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) override {
    const unsigned system = SystemCount();
    if (id < system) return s_.rtIn_->GetDevCaps(id, caps);
    return Local().GetDevCaps(id - system, caps);
  }
  QString ErrorText(unsigned code) override {
    return s_.System() ? s_.rtIn_->ErrorText(code) : MidiResultText(code);
  }
  unsigned Open(unsigned id, TMidiCallback cb, void* instance,
                std::unique_ptr<IMidiInConnection>& connection) override {
    const unsigned system = SystemCount();
    if (id < system) return s_.rtIn_->Open(id, cb, instance, connection);
    return Local().Open(id - system, cb, instance, connection);
  }
  // By name in each part, as the numbers of the in-process devices move with the system's.
  unsigned OpenNamed(unsigned id, const QString& name, TMidiCallback cb, void* instance,
                     std::unique_ptr<IMidiInConnection>& connection) override {
    const unsigned system = SystemCount();
    if (system > 0) {
      const unsigned code = s_.rtIn_->OpenNamed(id, name, cb, instance, connection);
      if (code != MIDI_BADDEVICEID) return code;
    }
    return Local().OpenNamed(id >= system ? id - system : 0, name, cb, instance, connection);
  }

 private:
  IMidiInDriver& Local() { return *s_.inProcess_; }
  unsigned SystemCount() { return s_.System() ? s_.rtIn_->NumDevs() : 0; }
  TMidiSystem& s_;
};

class TMidiSystem::TCompositeOut : public IMidiOutDriver {
 public:
  explicit TCompositeOut(TMidiSystem& s) : s_(s) {}
  unsigned NumDevs() override { return SystemCount() + Local().NumDevs(); }
  QString ErrorText(unsigned code) override {
    return s_.System() ? s_.rtOut_->ErrorText(code) : MidiResultText(code);
  }

 protected:
  unsigned DevCaps(unsigned id, TMidiOutCaps& caps) override {
    const unsigned system = SystemCount();
    if (id < system) return s_.rtOut_->GetDevCaps(static_cast<int>(id), caps);
    return Local().GetDevCaps(static_cast<int>(id - system), caps);
  }
  unsigned OpenDevice(unsigned id, TMidiCallback cb, void* instance,
                      std::unique_ptr<IMidiOutConnection>& connection) override {
    const unsigned system = SystemCount();
    if (id < system) return s_.rtOut_->Open(static_cast<int>(id), cb, instance, connection);
    return Local().Open(static_cast<int>(id - system), cb, instance, connection);
  }
  unsigned OpenDeviceNamed(unsigned id, const QString& name, TMidiCallback cb, void* instance,
                           std::unique_ptr<IMidiOutConnection>& connection) override {
    const unsigned system = SystemCount();
    if (system > 0) {
      const unsigned code =
          s_.rtOut_->OpenNamed(static_cast<int>(id), name, cb, instance, connection);
      if (code != MIDI_BADDEVICEID) return code;
    }
    return Local().OpenNamed(static_cast<int>(id >= system ? id - system : 0), name, cb, instance,
                             connection);
  }

 private:
  IMidiOutDriver& Local() { return *s_.inProcess_; }
  unsigned SystemCount() { return s_.System() ? s_.rtOut_->NumDevs() : 0; }
  TMidiSystem& s_;
};

TMidiSystem& TMidiSystem::Instance() {
  static TMidiSystem system;
  return system;
}

TMidiSystem::TMidiSystem()
    : inProcess_(std::make_shared<TInProcessMidi>()),
      systemEnabled_(std::getenv("ZQN_NO_SYSTEM_MIDI") == nullptr) {
  in_ = std::make_shared<TCompositeIn>(*this);
  out_ = std::make_shared<TCompositeOut>(*this);
}

std::shared_ptr<TRtMidiDriver> TMidiSystem::System() {
  if (!systemEnabled_) return nullptr;
  // Devices are listed from the window and from the background rescan alike.
  std::call_once(systemMade_, [this] {
    rt_ = TRtMidiDriver::Create();
    rtIn_ = rt_->In();
    rtOut_ = rt_->Out();
  });
  return rt_;
}
