#pragma once

// The unit's side of the MIDI message set: a ZQN Tarvo in software. It keeps the unit's memory
// (banks of preset dumps, edit buffer, program table) and answers every message the program sends
// as the unit would, so that everything can be exercised without hardware. Pure logic: the MIDI
// cable around it is an in-process device or a pair of virtual ports.

#include "device/DeviceMessages.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <vector>

class TUnitSimulator {
 public:
  static constexpr int MaxBanks = 4;
  static constexpr int TableSize = 200;

  TUnitSimulator();

  // Mode of the simulated unit: a Pre-Kinetic unit has one bank and a 128-entry table dump.
  bool PreKinetic() const { return preKinetic_; }
  void SetPreKinetic(bool on);
  int Banks() const { return preKinetic_ ? 1 : MaxBanks; }

  // The unit's own device channel; system-exclusive messages for other channels are ignored.
  std::uint8_t Channel() const { return channel_; }
  void SetChannel(std::uint8_t channel) { channel_ = channel & 0x0F; }

  // Handles one whole message from the program and returns the unit's replies in order.
  std::vector<QByteArray> Receive(TBytes message);

  // Memory and state, for tests and the state file.
  const QByteArray& Preset(int bank, int index) const { return memory_.at(bank).at(index); }
  void SetPreset(int bank, int index, const QByteArray& dump);
  const QByteArray& EditBuffer() const { return edit_; }
  int Bank() const { return bank_; }
  void SetBank(int bank) { bank_ = bank; }
  int CurrentPreset() const { return current_; }  // index 0..199
  bool Bypassed() const { return bypass_; }
  const std::array<int, TableSize>& ProgramTable() const { return table_; }
  void SetProgramEntry(int program, int presetIndex) { table_.at(program) = presetIndex; }

  // Restores the factory memory and state.
  void Reset();

  // The unit's memory and state as a file, so a stand-alone simulator keeps what was stored.
  bool SaveState(const QString& path, QString* error = nullptr) const;
  bool LoadState(const QString& path, QString* error = nullptr);

  // The MPT dump of the current table, as the unit sends it.
  QByteArray MptDump() const;
  // The factory dump of one preset: deterministic content with readable titles.
  static QByteArray FactoryPreset(int bank, int index);

 private:
  QByteArray Framed(std::initializer_list<std::uint8_t> body) const;
  QByteArray Report(std::uint8_t param, std::uint8_t value, std::uint8_t extra) const;
  void LoadPreset(int index);

  bool preKinetic_ = false;
  std::uint8_t channel_ = 0;
  std::array<std::array<QByteArray, PresetCount>, MaxBanks> memory_;
  QByteArray edit_;
  int bank_ = 0;
  int current_ = 0;
  bool bypass_ = false;
  std::array<int, TableSize> table_{};
  std::uint8_t bankSelectLsb_ = 0;  // controller 32 on MIDI channel 1
};
