#pragma once

// The unit's MIDI message set: protocol constants, the requests and commands the program sends,
// and the recognisers of the unit's replies. Pure byte logic, shared by the windows, the unit
// simulator and the command-line tools.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <span>

using TBytes = std::span<const std::uint8_t>;

// Fixed protocol values.
inline constexpr std::uint8_t SysExStart = 0xF0;
inline constexpr std::uint8_t SysExEnd = 0xF7;
inline constexpr std::uint8_t ManufacturerId = 0x1A;
inline constexpr std::uint8_t ModelId = 0x15;
inline constexpr std::uint8_t CmdPresetDump = 0x05;
inline constexpr std::uint8_t CmdSelectPreset = 0x09;
inline constexpr std::uint8_t CmdStorePreset = 0x0A;
inline constexpr std::uint8_t CmdGetEditPreset = 0x45;
inline constexpr std::uint8_t CmdQueryParam = 0x43;
inline constexpr std::uint8_t CmdParameter = 0x03;
inline constexpr int TitleOffset = 115;
inline constexpr int PresetDumpLength = 246;

// System parameters addressed by parameter messages.
inline constexpr std::uint8_t ParamBypass = 0x00;
inline constexpr std::uint8_t ParamBank = 0x09;
inline constexpr std::uint8_t ParamCurrentPreset = 0x40;

// Values that follow Pre-Kinetic mode (older single-bank units); see SetPreKineticMode.
inline bool PreKineticMode = false;
inline std::uint8_t CmdAllPresetsRequest = 0x52;
inline std::uint8_t CmdMptRequest = 0x53;
inline std::uint8_t CmdMptDump = 0x13;
inline int MptDumpLength = 406;

// Byte 2 of every system-exclusive message the program builds (0..15).
inline std::uint8_t DeviceChannel = 0;
// Milliseconds that pace requests and set reply time-outs.
inline int RequestDelay = 1000;
// What the main window's dump send answers when the message went out; any other answer says why
// it did not.
inline const QString SentResultText = QStringLiteral("MIDI data sent to MIDI Out");

inline constexpr int PresetCount = 200;  // presets per bank, numbered 1..200
inline constexpr int BankCount = 4;      // banks A..D on current units

// Switches Pre-Kinetic mode and the four protocol values that depend on it.
void SetPreKineticMode(bool on);

// A preset's wire index (number - 1, 0..199) split into the low and high byte the unit expects.
struct TPresetWireIndex {
  std::uint8_t ll = 0;
  std::uint8_t hh = 0;
};
TPresetWireIndex SplitPresetIndex(int index);
inline int PresetNumberToIndex(int number) {
  return number - 1;
}
inline int PresetIndexToNumber(int index) {
  return index + 1;
}
// "001".."200"
QString PresetNumberText(int number);

// System-exclusive message builders (cc = DeviceChannel).
QByteArray SysexMessage(std::initializer_list<std::uint8_t> commandAndData);
QByteArray GetEditPresetMessage();
QByteArray SelectPresetMessage(int index);
QByteArray StorePresetMessage(int index);
QByteArray AllPresetsRequestMessage();
QByteArray MptRequestMessage();
QByteArray QueryParamMessage(std::uint8_t param);
QByteArray SelectBankMessage(int bank);  // empty for a bank outside 0..3
QByteArray BypassMessage(bool on);

// Channel messages, always on MIDI channel 1 whatever DeviceChannel holds.
struct TShortMessage {
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;
  bool operator==(const TShortMessage&) const = default;
  // The message as it travels: two bytes for a program change, three otherwise.
  QByteArray Bytes() const;
};
std::array<TShortMessage, 3> ProgramChangeLoadMessages(int index);
std::array<TShortMessage, 2> ResetBankSelectMessages();

// Reply recognisers; the channel byte is never compared. A parameter report counts as a reply only
// while a query is outstanding, which the caller knows.
bool IsParameterReport(TBytes msg);
bool IsPresetDump(TBytes msg);
bool IsMptDump(TBytes msg);

// The 16 title characters of a preset dump, trimmed of blanks and control characters at both ends.
QString QuickTitle(TBytes dump);

inline TBytes AsBytes(const QByteArray& a) {
  return {reinterpret_cast<const std::uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}
