#include "device/UnitDecoder.h"

#include "device/DeviceState.h"
#include "preset/PresetListing.h"

namespace {

const QString kArrow = QStringLiteral("\u2192 ");

QString SysexNote(TBytes m) {
  // F0 1A cc 15 command ...; the channel byte is never compared.
  if (m.size() < 6 || m[0] != SysExStart || m[1] != ManufacturerId || m[3] != ModelId) return {};
  const std::uint8_t command = m[4];
  const auto number = [&](std::size_t at) {
    // A preset index as low byte and high byte, shown as its three-digit number.
    const int extra = m.size() > at + 1 && m[at + 1] != SysExEnd ? m[at + 1] : 0;
    return PresetNumberText(PresetIndexToNumber(m[at] + 128 * extra));
  };
  if (command == 0x03 && m.size() >= 8) {
    const std::uint8_t param = m[5];
    const std::uint8_t value = m[6];
    if (param == ParamBypass)
      return value ? QStringLiteral("Bypass on") : QStringLiteral("Bypass off");
    if (param == ParamBank) {
      if (value < BankCount) return QStringLiteral("Bank ") + TDeviceState::BankLetter(value);
      return QStringLiteral("Bank ") + QString::number(value) + QStringLiteral(" (no such bank)");
    }
    if (param == ParamCurrentPreset) return QStringLiteral("Current preset ") + number(6);
    return {};
  }
  if (command == CmdQueryParam && m.size() >= 7) {
    if (m[5] == ParamBypass) return QStringLiteral("Query bypass");
    if (m[5] == ParamBank) return QStringLiteral("Query bank");
    if (m[5] == ParamCurrentPreset) return QStringLiteral("Query current preset");
    return {};
  }
  if (command == CmdGetEditPreset && m.size() == 6) return QStringLiteral("Get current preset");
  if (command == CmdSelectPreset && m.size() >= 8)
    return QStringLiteral("Select preset ") + number(5);
  if (command == CmdStorePreset && m.size() >= 8)
    return QStringLiteral("Store preset at ") + number(5);
  if (command == CmdAllPresetsRequest && m.size() == 6)
    return QStringLiteral("All presets request");
  if (command == CmdMptRequest && m.size() == 6) return QStringLiteral("Program table request");
  if (IsMptDump(m)) return QStringLiteral("Program table");
  return {};
}

}  // namespace

void TUnitDecoder::SetProgramTable(const QByteArray& image) {
  Tmpt table;
  table.SetPreKinetic(image.size() == Tmpt::PreKineticImageSize);
  if (image.size() < table.ImageLength()) return;
  table.LoadFromImage(image);
  table_ = table;
}

void TUnitDecoder::SetCurrentPreset(const QByteArray& dump) {
  const TBytes bytes(reinterpret_cast<const std::uint8_t*>(dump.constData()),
                     static_cast<std::size_t>(dump.size()));
  if (!IsPresetDump(bytes)) return;
  TPreset preset;
  try {
    preset.LoadFromImage(bytes);
  } catch (const std::exception&) {
    return;  // a dump the codec refuses says nothing about the performance assignments
  }
  preset_ = std::move(preset);
}

void TUnitDecoder::SetPresetTitle(int bank, int index, const QString& title) {
  titles_[{bank, index}] = title;
}

QString TUnitDecoder::PresetTitle(int bank, int index) const {
  const auto it = titles_.find({bank, index});
  return it == titles_.end() ? QString() : it->second;
}

void TUnitDecoder::Clear() {
  table_.reset();
  preset_.reset();
  titles_.clear();
  bankSelectLow_ = 0;
}

QString TUnitDecoder::Note(const TMyMidiEvent& event, int bank) {
  const std::uint8_t status = event.MidiMessage;
  if (status == 0xF0) {
    if (!event.HasSysex()) return {};
    const TBytes bytes = event.SysexBytes();
    if (IsPresetDump(bytes)) return QLatin1Char('"') + QuickTitle(bytes) + QLatin1Char('"');
    return SysexNote(bytes);
  }
  if ((status & 0xF0) == 0xB0) {
    if (event.Data1 == 0x20) {
      bankSelectLow_ = event.Data2;
      return {};
    }
    return ControllerNote(event.Data1);
  }
  if ((status & 0xF0) == 0xC0) return ProgramChangeNote(event.Data1 + 128 * bankSelectLow_, bank);
  return {};
}

QString TUnitDecoder::ProgramChangeNote(int program, int bank) const {
  // Without the unit's table nobody can say which preset it loads.
  if (!table_ || program < 0 || program >= table_->EntriesInImage()) return {};
  const int index = table_->Entry(program);
  if (index < 0 || index >= PresetCount) return {};
  QString text = QStringLiteral("PC ") + QString::number(program + 1) + QLatin1Char(' ') + kArrow;
  if (PreKineticMode) bank = -1;
  if (bank >= 0) text += TDeviceState::BankLetter(bank) + QLatin1Char('-');
  text += PresetNumberText(PresetIndexToNumber(index));
  if (const QString title = PresetTitle(bank, index); !title.isEmpty())
    text += QLatin1Char(' ') + title;
  return text;
}

QString TUnitDecoder::ControllerNote(int controller) const {
  if (!preset_) return {};
  QString targets;
  for (int k = 0; k < PerfMIDICount; ++k) {
    if (!preset_->PerfInUse[static_cast<std::size_t>(k)]) continue;
    if (preset_->PerfMIDI[static_cast<std::size_t>(k)].Controller != controller) continue;
    const TPerfTarget target = PerfTarget(*preset_, k);
    if (!target.Valid) continue;
    if (!targets.isEmpty()) targets += QStringLiteral(", ");
    targets += target.Effect + QLatin1Char(' ') + target.Parameter;
  }
  if (targets.isEmpty()) return {};
  return QStringLiteral("CC ") + QString::number(controller) + QLatin1Char(' ') + kArrow + targets;
}
