#include "device/UnitSimulator.h"

#include "preset/DigitalCatalogue.h"
#include "preset/Preset.h"
#include "preset/VexaRules.h"

#include <QBuffer>
#include <QDataStream>
#include <QFile>
#include <QSaveFile>

namespace {

constexpr std::uint8_t PkAllPresets = 0x4B, PkMptRequest = 0x4C, PkMptDump = 0x0C;
constexpr std::uint8_t AllPresets = 0x52, MptRequest = 0x53, MptDumpCmd = 0x13;

// Small deterministic generator: the factory memory is the same on every run and machine.
struct TLcg {
  std::uint32_t state;
  std::uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

const char* const kAdjectives[] = {"Clean",  "Crunch",  "Warm",   "Bright", "Dark",  "Fat",
                                   "Glassy", "Lush",    "Dirty",  "Smooth", "Heavy", "Airy",
                                   "Twangy", "Vintage", "Modern", "Spacey"};
const char* const kNouns[] = {"Chorus", "Lead",    "Rhythm", "Delay", "Verb", "Flange",
                              "Solo",   "Chime",   "Drive",  "Swell", "Pad",  "Slap",
                              "Echo",   "Shimmer", "Blues",  "Funk"};

int PresetIndexFromWire(std::uint8_t ll, std::uint8_t hh) {
  return (hh ? 128 : 0) + ll;
}

}  // namespace

TUnitSimulator::TUnitSimulator() {
  Reset();
}

void TUnitSimulator::Reset() {
  for (int b = 0; b < MaxBanks; ++b)
    for (int i = 0; i < PresetCount; ++i) memory_[b][i] = FactoryPreset(b, i);
  bank_ = 0;
  current_ = 0;
  bypass_ = false;
  bankSelectLsb_ = 0;
  for (int i = 0; i < TableSize; ++i) table_[i] = i;
  edit_ = memory_[0][0];
}

void TUnitSimulator::SetPreKinetic(bool on) {
  preKinetic_ = on;
  if (on) bank_ = 0;
}

void TUnitSimulator::SetPreset(int bank, int index, const QByteArray& dump) {
  memory_.at(bank).at(index) = dump;
}

QByteArray TUnitSimulator::FactoryPreset(int bank, int index) {
  TLcg rng{static_cast<std::uint32_t>(bank * 1000 + index + 1) * 2654435761u};
  TPreset p;
  // Every 23rd preset is left untitled, as a user's empty slots are.
  if (index % 23 == 22) {
    p.Title = QString(TitleLength, ' ');
  } else {
    const QString words =
        QString("%1 %2").arg(kAdjectives[(index / 16 + bank * 5) % 16], kNouns[index % 16]);
    // The number keeps titles distinct within a bank.
    p.Title = QString("%1 %2%3")
                  .arg(words.left(TitleLength - 5))
                  .arg(QChar('A' + bank))
                  .arg(index + 1, 3, 10, QChar('0'));
  }
  for (int k = 0; k < AnalogEffectCount; ++k) p.SetAnalogInUse(k, rng.Below(3) == 0);
  for (int m = 0; m < MixCount; ++m) p.Mix[m] = 16 + rng.Below(16);

  const int group = (index * 7 + bank * 11) % DigitalGroupCount;
  p.SetDigitalGroup(group);
  for (int k = 0; k < DigitalPlaceCount; ++k) p.SetDigitalInUse(k, k < GroupEffectCount(group));
  for (int k = 0; k < GroupEffectCount(group); ++k) {
    const std::vector<int> defaults = EffectDefaults(GroupEffect(group, k));
    const int offset = SlotOffset(group, k);
    for (std::size_t j = 0; j < defaults.size() && offset + static_cast<int>(j) < DigitalSlotCount;
         ++j)
      p.DigitalSlots[static_cast<std::size_t>(offset) + j] = defaults[j];
  }
  // A foot-pedal sweep of the digital mix on some presets, a second one on fewer.
  if (index % 3 == 0) {
    p.PerfInUse[0] = true;
    p.PerfMIDI[0].Controller = 4;
    p.PerfMIDI[0].ParamNo = FirstMixParam + 1;
    p.PerfMIDI[0].Low = 0;
    p.PerfMIDI[0].High = 31;
  }
  if (index % 9 == 0) {
    p.PerfInUse[1] = true;
    p.PerfMIDI[1].Controller = 7;
    p.PerfMIDI[1].ParamNo = FirstMixParam;
    p.PerfMIDI[1].Low = 31;
    p.PerfMIDI[1].High = 0;
  }
  // The foot controller's states follow the chain, as the unit and the editor keep them.
  ApplyVexaRule(p);
  const TPresetImage image = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()),
                    static_cast<qsizetype>(image.size()));
}

QByteArray TUnitSimulator::Framed(std::initializer_list<std::uint8_t> body) const {
  QByteArray m;
  m.append(char(SysExStart)).append(char(ManufacturerId)).append(char(channel_));
  m.append(char(ModelId));
  for (std::uint8_t b : body) m.append(char(b));
  m.append(char(SysExEnd));
  return m;
}

QByteArray TUnitSimulator::Report(std::uint8_t param, std::uint8_t value,
                                  std::uint8_t extra) const {
  return Framed({CmdParameter, param, value, extra});
}

QByteArray TUnitSimulator::MptDump() const {
  const int entries = preKinetic_ ? 128 : TableSize;
  QByteArray m;
  m.append(char(SysExStart)).append(char(ManufacturerId)).append(char(channel_));
  m.append(char(ModelId)).append(char(preKinetic_ ? PkMptDump : MptDumpCmd));
  for (int i = 0; i < entries; ++i) {
    const int v = table_[i];
    m.append(char(v < 128 ? v : v - 128)).append(char(v < 128 ? 0 : 1));
  }
  m.append(char(SysExEnd));
  return m;
}

void TUnitSimulator::LoadPreset(int index) {
  if (index < 0 || index >= PresetCount) return;
  current_ = index;
  edit_ = memory_[bank_][index];
}

std::vector<QByteArray> TUnitSimulator::Receive(TBytes m) {
  std::vector<QByteArray> replies;
  if (m.empty()) return replies;

  // Channel messages: bank select and program change on MIDI channel 1, through the table.
  if (m[0] == 0xB0 && m.size() >= 3) {
    if (m[1] == 0x20) bankSelectLsb_ = m[2];
    return replies;
  }
  if (m[0] == 0xC0 && m.size() >= 2) {
    const int program = (bankSelectLsb_ ? 128 : 0) + m[1];
    const int entries = preKinetic_ ? 128 : TableSize;
    if (program < entries) LoadPreset(table_[program]);
    return replies;
  }

  if (m.size() < 6 || m[0] != SysExStart || m[1] != ManufacturerId || m[3] != ModelId ||
      m.back() != SysExEnd)
    return replies;
  if (m[2] != channel_) return replies;  // addressed to another unit
  const std::uint8_t cmd = m[4];
  const std::size_t n = m.size();

  if (cmd == CmdGetEditPreset) {
    QByteArray dump = edit_;
    dump[2] = char(channel_);
    replies.push_back(dump);
  } else if (cmd == CmdSelectPreset && n >= 8) {
    LoadPreset(PresetIndexFromWire(m[5], m[6]));
  } else if (cmd == CmdStorePreset && n >= 8) {
    const int index = PresetIndexFromWire(m[5], m[6]);
    if (index < PresetCount) {
      memory_[bank_][index] = edit_;
      current_ = index;
    }
  } else if (cmd == CmdPresetDump && n == static_cast<std::size_t>(PresetDumpLength)) {
    edit_ = QByteArray(reinterpret_cast<const char*>(m.data()), static_cast<qsizetype>(n));
  } else if (cmd == CmdQueryParam && n >= 7) {
    switch (m[5]) {
      case ParamBypass:
        replies.push_back(Report(ParamBypass, bypass_ ? 1 : 0, 0));
        break;
      case ParamBank:
        // A single-bank unit knows no banks and stays silent.
        if (!preKinetic_) replies.push_back(Report(ParamBank, static_cast<std::uint8_t>(bank_), 0));
        break;
      case ParamCurrentPreset:
        replies.push_back(Report(ParamCurrentPreset, static_cast<std::uint8_t>(current_ & 0x7F),
                                 current_ > 127 ? 1 : 0));
        break;
      default:
        break;
    }
  } else if (cmd == CmdParameter && n >= 8) {
    if (m[5] == ParamBank && !preKinetic_ && m[6] < MaxBanks) bank_ = m[6];
    if (m[5] == ParamBypass) bypass_ = m[6] == 1;
  } else if (cmd == (preKinetic_ ? PkAllPresets : AllPresets)) {
    for (int i = 0; i < PresetCount; ++i) {
      QByteArray dump = memory_[bank_][i];
      dump[2] = char(channel_);
      replies.push_back(dump);
    }
  } else if (cmd == (preKinetic_ ? PkMptRequest : MptRequest)) {
    replies.push_back(MptDump());
  } else if (cmd == (preKinetic_ ? PkMptDump : MptDumpCmd) &&
             n == static_cast<std::size_t>(preKinetic_ ? 262 : 406)) {
    const int entries = preKinetic_ ? 128 : TableSize;
    for (int i = 0; i < entries; ++i) {
      const int v = m[6 + 2 * i] * 128 + m[5 + 2 * i];
      if (v < PresetCount) table_[i] = v;
    }
  }
  return replies;
}

namespace {
constexpr quint32 kStateMagic = 0x5A515331;  // "ZQS1"
}

bool TUnitSimulator::SaveState(const QString& path, QString* error) const {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  QDataStream out(&file);
  out << kStateMagic << preKinetic_ << quint8(channel_) << qint32(bank_) << qint32(current_)
      << bypass_;
  for (int v : table_) out << qint32(v);
  for (const auto& bank : memory_)
    for (const QByteArray& dump : bank) out << dump;
  out << edit_;
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

bool TUnitSimulator::LoadState(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  QDataStream in(&file);
  quint32 magic = 0;
  bool pk = false, bypass = false;
  quint8 channel = 0;
  qint32 bank = 0, current = 0;
  in >> magic >> pk >> channel >> bank >> current >> bypass;
  std::array<int, TableSize> table{};
  for (int& v : table) {
    qint32 x = 0;
    in >> x;
    v = x;
  }
  std::array<std::array<QByteArray, PresetCount>, MaxBanks> memory;
  for (auto& b : memory)
    for (QByteArray& dump : b) in >> dump;
  QByteArray edit;
  in >> edit;
  // Everything is checked before anything is taken, so a damaged file changes nothing.
  bool ok = in.status() == QDataStream::Ok && magic == kStateMagic && bank >= 0 &&
            bank < MaxBanks && current >= 0 && current < PresetCount && channel < 16 &&
            edit.size() == PresetDumpLength;
  for (int v : table) ok = ok && v >= 0 && v < PresetCount;
  for (const auto& b : memory)
    for (const QByteArray& dump : b) ok = ok && IsPresetDump(AsBytes(dump));
  if (!ok) {
    if (error) *error = QStringLiteral("Not a simulator state file, or a damaged one");
    return false;
  }
  preKinetic_ = pk;
  channel_ = channel;
  bank_ = bank;
  current_ = current;
  bypass_ = bypass;
  table_ = table;
  memory_ = memory;
  edit_ = edit;
  return true;
}
