#include "midi/MidiSystem.h"

#include <cstdlib>

// Device numbers run through the in-process devices first, then the system's.
class TMidiSystem::TCompositeIn : public IMidiInDriver {
 public:
  explicit TCompositeIn(TMidiSystem& s) : s_(s) {}
  unsigned NumDevs() override { return Local() + SystemCount(); }
  unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) override {
    const unsigned local = Local();
    if (id < local) return s_.inProcess_->GetDevCaps(id, caps);
    return s_.System() ? s_.rtIn_->GetDevCaps(id - local, caps) : MIDI_BADDEVICEID;
  }
  QString ErrorText(unsigned code) override {
    return s_.System() ? s_.rtIn_->ErrorText(code) : MidiResultText(code);
  }
  unsigned Open(unsigned id, TMidiCallback cb, void* instance,
                std::unique_ptr<IMidiInConnection>& connection) override {
    const unsigned local = Local();
    if (id < local) return s_.inProcess_->Open(id, cb, instance, connection);
    return s_.System() ? s_.rtIn_->Open(id - local, cb, instance, connection) : MIDI_BADDEVICEID;
  }

 private:
  unsigned Local() { return static_cast<IMidiInDriver&>(*s_.inProcess_).NumDevs(); }
  unsigned SystemCount() { return s_.System() ? s_.rtIn_->NumDevs() : 0; }
  TMidiSystem& s_;
};

class TMidiSystem::TCompositeOut : public IMidiOutDriver {
 public:
  explicit TCompositeOut(TMidiSystem& s) : s_(s) {}
  unsigned NumDevs() override { return Local() + (s_.System() ? s_.rtOut_->NumDevs() : 0); }
  QString ErrorText(unsigned code) override {
    return s_.System() ? s_.rtOut_->ErrorText(code) : MidiResultText(code);
  }

 protected:
  unsigned DevCaps(unsigned id, TMidiOutCaps& caps) override {
    const unsigned local = Local();
    if (id < local) return s_.inProcess_->GetDevCaps(static_cast<int>(id), caps);
    if (!s_.System()) return MIDI_BADDEVICEID;
    return s_.rtOut_->GetDevCaps(static_cast<int>(id - local), caps);
  }
  unsigned OpenDevice(unsigned id, TMidiCallback cb, void* instance,
                      std::unique_ptr<IMidiOutConnection>& connection) override {
    const unsigned local = Local();
    if (id < local) return s_.inProcess_->Open(static_cast<int>(id), cb, instance, connection);
    if (!s_.System()) return MIDI_BADDEVICEID;
    return s_.rtOut_->Open(static_cast<int>(id - local), cb, instance, connection);
  }

 private:
  unsigned Local() { return static_cast<IMidiOutDriver&>(*s_.inProcess_).NumDevs(); }
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
  if (!rt_) {
    rt_ = TRtMidiDriver::Create();
    rtIn_ = rt_->In();
    rtOut_ = rt_->Out();
  }
  return rt_;
}
