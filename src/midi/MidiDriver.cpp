#include "midi/MidiDriver.h"

QString MidiResultText(unsigned code) {
  switch (code) {
    case MIDI_NOERROR:
      return QStringLiteral("The operation completed successfully.");
    case MIDI_ERROR:
      return QStringLiteral("Unspecified error in the MIDI service.");
    case MIDI_BADDEVICEID:
      return QStringLiteral("The specified device identifier is out of range.");
    case MIDI_ALLOCATED:
      return QStringLiteral("The specified device is already in use.");
    case MIDI_INVALHANDLE:
      return QStringLiteral("The specified device handle is invalid.");
    case MIDI_NODRIVER:
      return QStringLiteral("There is no MIDI service on this system.");
    case MIDI_NOMEM:
      return QStringLiteral("Unable to allocate memory for the MIDI buffer.");
    case MIDI_INVALPARAM:
      return QStringLiteral("An invalid parameter was passed to the MIDI service.");
    case MIDI_UNPREPARED:
      return QStringLiteral("The MIDI buffer was not prepared.");
    case MIDI_STILLPLAYING:
      return QStringLiteral("The MIDI buffer is still in the queue.");
    case MIDI_NOTREADY:
      return QStringLiteral("The MIDI device is busy.");
    default:
      return {};
  }
}

unsigned IMidiOutDriver::GetDevCaps(int id, TMidiOutCaps& caps) {
  if (id == MidiMapper) {
    caps = TMidiOutCaps{};
    caps.szPname = MapperName;
    caps.wTechnology = MOD_MAPPER;
    return MIDI_NOERROR;
  }
  if (id < 0) return MIDI_BADDEVICEID;
  return DevCaps(static_cast<unsigned>(id), caps);
}

unsigned IMidiOutDriver::Open(int id, TMidiCallback cb, void* instance,
                              std::unique_ptr<IMidiOutConnection>& connection) {
  if (id == MidiMapper) {
    if (NumDevs() == 0) return MIDI_NODRIVER;
    id = 0;
  }
  if (id < 0) return MIDI_BADDEVICEID;
  return OpenDevice(static_cast<unsigned>(id), cb, instance, connection);
}

namespace {

// The device number of the name: `id` when it still holds it, else wherever it is now; -1 when
// it is gone.
template <class Caps, class Driver>
int FindNamed(Driver& driver, unsigned id, const QString& name) {
  const auto holds = [&](unsigned i) {
    Caps caps;
    return driver.GetDevCaps(i, caps) == MIDI_NOERROR && caps.szPname == name;
  };
  const unsigned count = driver.NumDevs();
  if (id < count && holds(id)) return static_cast<int>(id);
  for (unsigned i = 0; i < count; ++i)
    if (holds(i)) return static_cast<int>(i);
  return -1;
}

}  // namespace

unsigned IMidiInDriver::OpenNamed(unsigned id, const QString& name, TMidiCallback cb,
                                  void* instance, std::unique_ptr<IMidiInConnection>& connection) {
  if (name.isEmpty()) return Open(id, cb, instance, connection);
  const int found = FindNamed<TMidiInCaps>(*this, id, name);
  if (found < 0) return MIDI_BADDEVICEID;
  return Open(static_cast<unsigned>(found), cb, instance, connection);
}

unsigned IMidiOutDriver::OpenNamed(int id, const QString& name, TMidiCallback cb, void* instance,
                                   std::unique_ptr<IMidiOutConnection>& connection) {
  if (id == MidiMapper || name.isEmpty()) return Open(id, cb, instance, connection);
  if (id < 0) return MIDI_BADDEVICEID;
  return OpenDeviceNamed(static_cast<unsigned>(id), name, cb, instance, connection);
}

unsigned IMidiOutDriver::OpenDeviceNamed(unsigned id, const QString& name, TMidiCallback cb,
                                         void* instance,
                                         std::unique_ptr<IMidiOutConnection>& connection) {
  const int found = FindNamed<TMidiOutCaps>(*this, id, name);
  if (found < 0) return MIDI_BADDEVICEID;
  return OpenDevice(static_cast<unsigned>(found), cb, instance, connection);
}

int ShortMessageLength(std::uint8_t status) {
  if (status < 0x80) return 0;
  if (status < 0xC0 || (status >= 0xE0 && status < 0xF0)) return 3;
  if (status < 0xE0) return 2;
  if (status == 0xF1 || status == 0xF3) return 2;
  if (status == 0xF2) return 3;
  return 1;
}
