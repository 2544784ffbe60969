#pragma once

// MIDI ports of the operating system through RtMidi: every API compiled into the RtMidi library
// that starts on this machine (ALSA and JACK on Linux, WinMM on Windows, CoreMIDI on macOS)
// contributes its ports; an API that fails to start contributes none.

#include "midi/MidiDriver.h"

#include <QStringList>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

class TRtMidiDriver : public std::enable_shared_from_this<TRtMidiDriver> {
 public:
  // Ports whose client name starts with clientName are the program's own and never listed.
  static std::shared_ptr<TRtMidiDriver> Create(QString clientName = QStringLiteral("ZQN-Tarvo"));
  ~TRtMidiDriver();

  std::shared_ptr<IMidiInDriver> In();
  std::shared_ptr<IMidiOutDriver> Out();

  QStringList InputNames();
  QStringList OutputNames();

  // Turns a port name as the API reports it into the stable name shown and stored: ALSA appends
  // client and port numbers that can change from session to session.
  static QString StableName(const QString& apiName);

  // Text of the last RtMidi failure, for MIDI_ERROR.
  QString LastError();
  unsigned Fail(const std::string& message);

  struct TPortRef {
    int api;
    unsigned port;
    QString name;
  };
  std::vector<TPortRef> ListInputs();
  std::vector<TPortRef> ListOutputs();
  const QString& ClientName() const { return clientName_; }

 private:
  explicit TRtMidiDriver(QString clientName);
  void Probe();

  const QString clientName_;
  std::mutex mutex_;
  bool probed_ = false;
  std::vector<std::unique_ptr<RtMidiIn>> inProbes_;
  std::vector<std::unique_ptr<RtMidiOut>> outProbes_;
  QString lastError_;
};
