#pragma once

// The platform side of the MIDI ports: what a MIDI service must offer so that TMidiInput and
// TMidiOutput can run on it (list devices by name, open with a callback, hand over receive buffers,
// send short and long messages with completion, turn result codes into text). Two real drivers sit
// behind this interface: RtMidi (ALSA, JACK, WinMM, CoreMIDI) and the in-process devices whose far
// end is a C++ object, such as the unit simulator.

#include <QString>
#include <cstdint>
#include <memory>

// Result codes. The numbers follow the usual multimedia conventions so that logs read familiar.
enum : unsigned {
  MIDI_NOERROR = 0,
  MIDI_ERROR = 1,          // unspecified failure of the MIDI service
  MIDI_BADDEVICEID = 2,    // device number out of range, or the device is gone
  MIDI_ALLOCATED = 4,      // device already open
  MIDI_INVALHANDLE = 5,    // operation on a device that is not open
  MIDI_NODRIVER = 6,       // no MIDI service available
  MIDI_NOMEM = 7,          // out of memory
  MIDI_INVALPARAM = 11,    // bad argument
  MIDI_UNPREPARED = 64,    // buffer header was not prepared
  MIDI_STILLPLAYING = 65,  // buffer still queued
  MIDI_NOTREADY = 67,      // device busy
};

// Messages passed to the port callback.
enum : unsigned {
  MIM_OPEN = 0x3C1,
  MIM_CLOSE = 0x3C2,
  MIM_DATA = 0x3C3,      // p1 = packed short message, p2 = time stamp
  MIM_LONGDATA = 0x3C4,  // p1 = TMidiHeader*, p2 = time stamp
  MIM_ERROR = 0x3C5,
  MIM_LONGERROR = 0x3C6,  // like MIM_LONGDATA, for a message received with an error
  MOM_DONE = 0x3C9,       // p1 = TMidiHeader* of a long message that has been sent
};

// Header flags.
enum : std::uint32_t { MHDR_DONE = 1, MHDR_PREPARED = 2, MHDR_INQUEUE = 4 };

// One buffer handed between a port and its driver.
struct TMidiHeader {
  std::uint8_t* lpData = nullptr;
  std::uint32_t dwBufferLength = 0;
  std::uint32_t dwBytesRecorded = 0;
  void* dwUser = nullptr;  // the TMyMidiHdr wrapper that owns this header
  std::uint32_t dwFlags = 0;
  std::uint32_t dwTag = 0;  // port's own number for the buffer (input: index + 1)
};

// Runs on the driver's thread. It must not block, allocate or touch windows.
using TMidiCallback = void (*)(void* instance, unsigned msg, std::uintptr_t p1, std::uintptr_t p2);

// Text of the shared result codes; empty for an unknown code.
QString MidiResultText(unsigned code);

struct TMidiInCaps {
  std::uint16_t wMid = 0;  // manufacturer id
  std::uint16_t wPid = 0;  // product id
  std::uint32_t vDriverVersion = 0;
  QString szPname;
};

struct TMidiOutCaps {
  std::uint16_t wMid = 0;
  std::uint16_t wPid = 0;
  std::uint32_t vDriverVersion = 0;
  QString szPname;
  std::uint16_t wTechnology = 0;
  std::uint16_t wVoices = 0;
  std::uint16_t wNotes = 0;
  std::uint16_t wChannelMask = 0xFFFF;
  std::uint32_t dwSupport = 0;
};

inline constexpr std::uint16_t MOD_MIDIPORT = 1;
inline constexpr std::uint16_t MOD_MAPPER = 5;

class IMidiInConnection {
 public:
  virtual ~IMidiInConnection() = default;
  virtual unsigned PrepareHeader(TMidiHeader* hdr) = 0;
  virtual unsigned UnprepareHeader(TMidiHeader* hdr) = 0;
  virtual unsigned AddBuffer(TMidiHeader* hdr) = 0;
  virtual unsigned Start() = 0;
  // Stops input and returns every queued buffer, marked done.
  virtual unsigned Reset() = 0;
  // After Close returns no callback runs any more.
  virtual unsigned Close() = 0;
};

class IMidiOutConnection {
 public:
  virtual ~IMidiOutConnection() = default;
  virtual unsigned ShortMsg(std::uint32_t packed) = 0;
  virtual unsigned PrepareHeader(TMidiHeader* hdr) = 0;
  virtual unsigned UnprepareHeader(TMidiHeader* hdr) = 0;
  // Queues the buffer; its completion is reported through MOM_DONE.
  virtual unsigned LongMsg(TMidiHeader* hdr) = 0;
  virtual unsigned Close() = 0;
};

class IMidiInDriver {
 public:
  virtual ~IMidiInDriver() = default;
  virtual unsigned NumDevs() = 0;
  virtual unsigned GetDevCaps(unsigned id, TMidiInCaps& caps) = 0;
  // Empty when the driver has no text for the code.
  virtual QString ErrorText(unsigned code) { return MidiResultText(code); }
  virtual unsigned Open(unsigned id, TMidiCallback cb, void* instance,
                        std::unique_ptr<IMidiInConnection>& connection) = 0;
  // Opens the device of that name, device `id` when it was last listed. Device numbers shift as
  // devices come and go, so the name decides: a driver finds it in the same listing it opens
  // from where it can. MIDI_BADDEVICEID when no device of that name is there.
  virtual unsigned OpenNamed(unsigned id, const QString& name, TMidiCallback cb, void* instance,
                             std::unique_ptr<IMidiInConnection>& connection);
};

class IMidiOutDriver {
 public:
  static constexpr int MidiMapper = -1;
  static inline const QString MapperName = QStringLiteral("MIDI Mapper");

  virtual ~IMidiOutDriver() = default;
  virtual unsigned NumDevs() = 0;
  virtual QString ErrorText(unsigned code) { return MidiResultText(code); }

  // Device -1 is the mapper: it forwards to the first output device.
  unsigned GetDevCaps(int id, TMidiOutCaps& caps);
  unsigned Open(int id, TMidiCallback cb, void* instance,
                std::unique_ptr<IMidiOutConnection>& connection);
  // As IMidiInDriver::OpenNamed; the mapper is opened by its number.
  unsigned OpenNamed(int id, const QString& name, TMidiCallback cb, void* instance,
                     std::unique_ptr<IMidiOutConnection>& connection);

 protected:
  virtual unsigned DevCaps(unsigned id, TMidiOutCaps& caps) = 0;
  virtual unsigned OpenDevice(unsigned id, TMidiCallback cb, void* instance,
                              std::unique_ptr<IMidiOutConnection>& connection) = 0;
  virtual unsigned OpenDeviceNamed(unsigned id, const QString& name, TMidiCallback cb,
                                   void* instance,
                                   std::unique_ptr<IMidiOutConnection>& connection);
};

// Bytes in a short message with the given status: 1..3, or 0 for a byte that is no status.
int ShortMessageLength(std::uint8_t status);
