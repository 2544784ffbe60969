#pragma once

// What a MIDI message means to this unit, as far as the program knows the unit: a program change
// names the preset the unit's program table makes it load (and the preset's title where one is
// known), a controller names what the current preset's performance assignments make it move,
// and the unit's own system-exclusive messages are spelled out. The monitor shows the text after
// the event's own.

#include "device/DeviceMessages.h"
#include "midi/MidiEvent.h"
#include "mpt/Mpt.h"
#include "preset/Preset.h"

#include <QString>
#include <map>
#include <optional>
#include <utility>

class TUnitDecoder {
 public:
  // The table the unit answered with last; program changes are decoded through it.
  void SetProgramTable(const Tmpt& table) { table_ = table; }
  void SetProgramTable(const QByteArray& image);
  const std::optional<Tmpt>& ProgramTable() const { return table_; }
  // The preset the unit holds as its current one: the last dump it sent, or the last one sent to
  // it. An image that is no preset dump is ignored.
  void SetCurrentPreset(const QByteArray& dump);
  const std::optional<TPreset>& CurrentPreset() const { return preset_; }
  // The title of preset index 0..199 of a bank (0..3, or -1 for a single-bank unit), as a backup,
  // a listing or the preset library knows it.
  void SetPresetTitle(int bank, int index, const QString& title);
  QString PresetTitle(int bank, int index) const;
  void Clear();

  // The text for one message, empty when there is nothing to add. `bank` is the unit's current
  // bank (0..3) or -1 when it is not known or the unit has a single bank. A bank select (controller
  // 32) is kept for the program changes after it.
  QString Note(const TMyMidiEvent& event, int bank);

 private:
  QString ProgramChangeNote(int program, int bank) const;
  QString ControllerNote(int controller) const;

  std::optional<Tmpt> table_;
  std::optional<TPreset> preset_;
  std::map<std::pair<int, int>, QString> titles_;
  int bankSelectLow_ = 0;
};
