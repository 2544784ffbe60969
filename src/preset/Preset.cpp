#include "Preset.h"

#include <QIODevice>
#include <algorithm>

#include "DigitalCatalogue.h"
#include "ParamTable.h"
#include "PresetError.h"
#include "SplitByte.h"
#include "device/DeviceMessages.h"

namespace {

// Dump layout: byte offsets from the 0xF0.
constexpr int VexaLowOffset = 5;
constexpr int VexaHighOffset = 7;
constexpr int AnalogLowOffset = 9;
constexpr int AnalogHighOffset = 11;
constexpr int GroupOffset = 13;
constexpr int DigitalInUseOffset = 15;
constexpr int MixOffset = 17;
constexpr int AnalogParamsOffset = 23;
constexpr int DigitalSlotsOffset = 79;
constexpr int PerfInUseOffset = 147;
constexpr int PerfOffset = 149;
constexpr int PerfEntrySize = 12;
constexpr int EndOffset = 245;

static_assert(TitleOffset == 115 && PresetDumpLength == 246);
static_assert(DigitalSlotsOffset + 2 * DigitalSlotCount == TitleOffset);
static_assert(TitleOffset + 2 * TitleLength == PerfInUseOffset);
static_assert(PerfOffset + PerfMIDICount * PerfEntrySize == EndOffset);

constexpr std::array<int, 8> BitWeights = {1, 2, 4, 8, 16, 32, 64, 128};

// Writes v as a split pair. Values outside 0..255 cannot travel as two data bytes: the split would
// leave a byte with its top bit set inside the system-exclusive message, which the unit reads as
// the end of the dump. They are clamped so every data byte of the image stays valid MIDI.
void PutPair(TPresetImage& out, int pos, int v) {
  TSplitByte s(std::clamp(v, 0, 255));
  out[pos] = s.Low;
  out[pos + 1] = s.High;
}

int GetPair(std::span<const std::uint8_t> in, int pos) {
  TSplitByte s;
  return s.SetBytes(in[pos], in[pos + 1]);
}

template <std::size_t N>
int FlagValue(const bool* flags) {
  int v = 0;
  for (std::size_t k = 0; k < N; ++k)
    if (flags[k]) v += BitWeights[k];
  return v;
}

}  // namespace

int AnalogSlotOffset(int effect) {
  int offset = 0;
  for (int k = 0; k < effect && k < AnalogEffectCount; ++k) offset += AnalogEffectParamCounts[k];
  return offset;
}

int AnalogEffectOfSlot(int slot) {
  if (slot < 0) return -1;
  for (int k = 0; k < AnalogEffectCount; ++k) {
    if (slot < AnalogEffectParamCounts[k]) return k;
    slot -= AnalogEffectParamCounts[k];
  }
  return -1;
}

TPreset::TPreset() {
  Header = {SysExStart, ManufacturerId, DeviceChannel, ModelId, CmdPresetDump};
  for (int i = 0; i < AnalogParamCount; ++i)
    AnalogParams[i] = ParamDef(FirstAnalogParam + i).Default;
}

bool TPreset::BitIsSet(std::uint8_t byte, int bit) {
  if (bit < 0 || bit > 7)
    throw EPresetError(QStringLiteral("ERROR! Bit to check is out of range!"));
  return (byte >> bit) & 1;
}

void TPreset::SetVexaState(int n, bool b) {
  VexaStates.at(VexaStateMap.at(n)) = b;
}
bool TPreset::GetVexaState(int n) const {
  return VexaStates.at(VexaStateMap.at(n));
}

std::int32_t TPreset::ParamValue(int paramNo) const {
  const std::int32_t* field = const_cast<TPreset*>(this)->ParamField(paramNo);
  return field ? *field : 0;
}

std::int32_t* TPreset::ParamField(int paramNo) {
  if (paramNo >= FirstMixParam && paramNo < FirstAnalogParam) return &Mix[paramNo - FirstMixParam];
  if (paramNo >= FirstAnalogParam && paramNo < FirstDigitalParam)
    return &AnalogParams[paramNo - FirstAnalogParam];
  if (paramNo >= FirstDigitalParam && paramNo <= LastParam)
    return &DigitalSlots[paramNo - FirstDigitalParam];
  return nullptr;
}

int TPreset::CatalogueParamId(int e) const {
  const int paramNo = PerfMIDI.at(e).ParamNo;
  if (paramNo < FirstDigitalParam) return paramNo;
  return ::CatalogueParamId(paramNo - (FirstDigitalParam - 1), DigitalGroup);
}

void TPreset::LoadFromStream(QIODevice& stream) {
  if (!stream.seek(0)) throw EPresetError(QStringLiteral("Stream read error"));
  TPresetImage image;
  const qint64 got = stream.read(reinterpret_cast<char*>(image.data()), PresetDumpLength);
  if (got != PresetDumpLength) throw EPresetError(QStringLiteral("Stream read error"));
  LoadFromImage(image);
}

void TPreset::LoadFromImage(std::span<const std::uint8_t> in) {
  if (in.size() < std::size_t(PresetDumpLength))
    throw EPresetError(QStringLiteral("Stream read error"));
  std::copy_n(in.begin(), PresetDumpLength, DumpImage.begin());
  if (in[0] != SysExStart || in[1] != ManufacturerId || in[3] != ModelId || in[4] != CmdPresetDump)
    throw EPresetError(QStringLiteral("Not a valid preset file"));

  Loaded = true;
  std::copy_n(in.begin(), Header.size(), Header.begin());

  for (int k = 0; k < 7; ++k) VexaStates[k] = BitIsSet(in[VexaLowOffset], k);
  VexaStates[7] = BitIsSet(in[VexaLowOffset + 1], 0);
  VexaStates[8] = BitIsSet(in[VexaHighOffset], 0);
  VexaStates[9] = BitIsSet(in[VexaHighOffset], 1);

  for (int k = 0; k < 7; ++k) AnalogInUse[k] = BitIsSet(in[AnalogLowOffset], k);
  AnalogInUse[7] = BitIsSet(in[AnalogLowOffset + 1], 0);
  AnalogInUse[8] = BitIsSet(in[AnalogHighOffset], 0);

  DigitalGroup = GetPair(in, GroupOffset);
  for (int k = 0; k < DigitalPlaceCount; ++k) DigitalInUse[k] = BitIsSet(in[DigitalInUseOffset], k);

  for (int i = 0; i < MixCount; ++i) Mix[i] = GetPair(in, MixOffset + 2 * i);
  for (int i = 0; i < AnalogParamCount; ++i)
    AnalogParams[i] = GetPair(in, AnalogParamsOffset + 2 * i);
  for (int i = 0; i < DigitalSlotCount; ++i)
    DigitalSlots[i] = GetPair(in, DigitalSlotsOffset + 2 * i);

  QString title(TitleLength, QLatin1Char(' '));
  for (int i = 0; i < TitleLength; ++i) title[i] = QLatin1Char(char(in[TitleOffset + 2 * i]));
  // QString::trimmed only drops white space; the unit pads with spaces or NULs, and any control
  // character at either end is equally meaningless.
  qsizetype first = 0, last = title.size();
  while (first < last && title[first].unicode() <= 0x20) ++first;
  while (last > first && title[last - 1].unicode() <= 0x20) --last;
  Title = title.mid(first, last - first);

  for (int k = 0; k < 7; ++k) PerfInUse[k] = BitIsSet(in[PerfInUseOffset], k);
  PerfInUse[7] = BitIsSet(in[PerfInUseOffset + 1], 0);

  for (int e = 0; e < PerfMIDICount; ++e) {
    const int at = PerfOffset + PerfEntrySize * e;
    TPerfMIDI& p = PerfMIDI[e];
    p.Controller = GetPair(in, at);
    p.Low = GetPair(in, at + 2);
    p.High = GetPair(in, at + 4);
    p.ParamNo = GetPair(in, at + 6);
    // Pair 5 (the target's current value) is recomputed on encode.
    p.Extra = GetPair(in, at + 10);
    p.InUse = PerfInUse[e];
  }
  EndByte = in[EndOffset];
}

TPresetImage TPreset::Encode() const {
  TPresetImage out{};
  std::copy(Header.begin(), Header.end(), out.begin());

  PutPair(out, VexaLowOffset, FlagValue<8>(VexaStates.data()));
  PutPair(out, VexaHighOffset, FlagValue<2>(VexaStates.data() + 8));
  PutPair(out, AnalogLowOffset, FlagValue<8>(AnalogInUse.data()));
  PutPair(out, AnalogHighOffset, FlagValue<1>(AnalogInUse.data() + 8));
  PutPair(out, GroupOffset, DigitalGroup);
  PutPair(out, DigitalInUseOffset, FlagValue<DigitalPlaceCount>(DigitalInUse.data()));
  for (int i = 0; i < MixCount; ++i) PutPair(out, MixOffset + 2 * i, Mix[i]);
  for (int i = 0; i < AnalogParamCount; ++i)
    PutPair(out, AnalogParamsOffset + 2 * i, AnalogParams[i]);
  for (int i = 0; i < DigitalSlotCount; ++i)
    PutPair(out, DigitalSlotsOffset + 2 * i, DigitalSlots[i]);

  for (int i = 0; i < TitleLength; ++i) {
    char16_t c = i < Title.size() ? Title[i].unicode() : u' ';
    // A title byte with its top bit set would break the message; such characters have no
    // counterpart on the unit's display anyway.
    if (c >= 0x80) c = u'?';
    out[TitleOffset + 2 * i] = std::uint8_t(c);
    out[TitleOffset + 2 * i + 1] = 0;
  }

  PutPair(out, PerfInUseOffset, FlagValue<8>(PerfInUse.data()));
  for (int e = 0; e < PerfMIDICount; ++e) {
    const int at = PerfOffset + PerfEntrySize * e;
    const TPerfMIDI& p = PerfMIDI[e];
    PutPair(out, at, p.Controller);
    PutPair(out, at + 2, p.Low);
    PutPair(out, at + 4, p.High);
    PutPair(out, at + 6, p.ParamNo);
    PutPair(out, at + 8, ParamValue(p.ParamNo));
    PutPair(out, at + 10, p.Extra);
  }
  // EndByte keeps what the dump held; whatever that was, a message the program writes or sends
  // is a whole system-exclusive message.
  out[EndOffset] = SysExEnd;
  return out;
}

void TPreset::SaveToStream(QIODevice& stream) const {
  const TPresetImage image = Encode();
  if (stream.write(reinterpret_cast<const char*>(image.data()), PresetDumpLength) !=
      PresetDumpLength)
    throw EPresetError(QStringLiteral("Stream write error"));
}

bool TPreset::IsModified() const {
  if (!Loaded) return false;
  return Encode() != DumpImage;
}
