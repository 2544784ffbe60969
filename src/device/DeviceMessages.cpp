#include "device/DeviceMessages.h"

#include "midi/MidiDriver.h"

void SetPreKineticMode(bool on) {
  PreKineticMode = on;
  CmdMptDump = on ? 0x0C : 0x13;
  CmdMptRequest = on ? 0x4C : 0x53;         // "L" / "S"
  CmdAllPresetsRequest = on ? 0x4B : 0x52;  // "K" / "R"
  MptDumpLength = on ? 262 : 406;
}

TPresetWireIndex SplitPresetIndex(int index) {
  if (index > 127) return {static_cast<std::uint8_t>(index - 128), 1};
  return {static_cast<std::uint8_t>(index), 0};
}

QString PresetNumberText(int number) {
  return QString("%1").arg(number, 3, 10, QChar('0'));
}

QByteArray SysexMessage(std::initializer_list<std::uint8_t> commandAndData) {
  QByteArray m;
  m.reserve(static_cast<qsizetype>(commandAndData.size()) + 5);
  m.append(char(SysExStart)).append(char(ManufacturerId)).append(char(DeviceChannel));
  m.append(char(ModelId));
  for (std::uint8_t b : commandAndData) m.append(char(b));
  m.append(char(SysExEnd));
  return m;
}

QByteArray GetEditPresetMessage() {
  return SysexMessage({CmdGetEditPreset});
}

QByteArray SelectPresetMessage(int index) {
  const auto w = SplitPresetIndex(index);
  return SysexMessage({CmdSelectPreset, w.ll, w.hh});
}

QByteArray StorePresetMessage(int index) {
  const auto w = SplitPresetIndex(index);
  return SysexMessage({CmdStorePreset, w.ll, w.hh});
}

QByteArray AllPresetsRequestMessage() {
  return SysexMessage({CmdAllPresetsRequest});
}
QByteArray MptRequestMessage() {
  return SysexMessage({CmdMptRequest});
}
QByteArray QueryParamMessage(std::uint8_t param) {
  return SysexMessage({CmdQueryParam, param});
}

QByteArray SelectBankMessage(int bank) {
  if (bank < 0 || bank >= BankCount) return {};
  return SysexMessage({CmdParameter, ParamBank, static_cast<std::uint8_t>(bank)});
}

QByteArray BypassMessage(bool on) {
  return SysexMessage({CmdParameter, ParamBypass, static_cast<std::uint8_t>(on ? 1 : 0)});
}

QByteArray TShortMessage::Bytes() const {
  QByteArray m;
  m.append(char(status)).append(char(data1));
  if (ShortMessageLength(status) == 3) m.append(char(data2));
  return m;
}

std::array<TShortMessage, 3> ProgramChangeLoadMessages(int index) {
  const auto w = SplitPresetIndex(index);
  return {{{0xB0, 0x00, 0x00}, {0xB0, 0x20, w.hh}, {0xC0, w.ll, 0x00}}};
}

std::array<TShortMessage, 2> ResetBankSelectMessages() {
  return {{{0xB0, 0x00, 0x00}, {0xB0, 0x20, 0x00}}};
}

namespace {
// Byte 2 (the channel) is deliberately skipped: the unit may answer on any channel.
bool HasUnitHeader(TBytes msg, std::uint8_t command) {
  return msg.size() >= 5 && msg[0] == SysExStart && msg[1] == ManufacturerId && msg[3] == ModelId &&
         msg[4] == command;
}
}  // namespace

bool IsParameterReport(TBytes msg) {
  return HasUnitHeader(msg, CmdParameter);
}

bool IsPresetDump(TBytes msg) {
  return msg.size() == PresetDumpLength && HasUnitHeader(msg, CmdPresetDump);
}

bool IsMptDump(TBytes msg) {
  return msg.size() == static_cast<std::size_t>(MptDumpLength) && HasUnitHeader(msg, CmdMptDump);
}

QString QuickTitle(TBytes dump) {
  QString title;
  for (int i = 0; i < 16; ++i) {
    const std::size_t at = static_cast<std::size_t>(TitleOffset + 2 * i);
    if (at >= dump.size()) break;
    title.append(QChar(dump[at]));
  }
  // Trim everything at or below the blank, as the unit pads titles with blanks and may leave
  // control bytes in unused positions.
  qsizetype begin = 0, end = title.size();
  while (begin < end && title[begin].unicode() <= 0x20) ++begin;
  while (end > begin && title[end - 1].unicode() <= 0x20) --end;
  return title.mid(begin, end - begin);
}
