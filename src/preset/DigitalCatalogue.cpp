#include "DigitalCatalogue.h"

#include <algorithm>

#include "ParamTable.h"
#include "Preset.h"
#include "PresetError.h"

namespace {

constexpr int LP = deLowPass, FLA = deFlanger, CHO = deChorus, PTR = dePitchTrans, PAN = dePanner,
              TRM = deTremolo, MPN = deMidiPan, RV1 = deReverb1, RV2 = deReverb2, RV3 = deReverb3,
              GV1 = deGateVerb1, GV2 = deGateVerb2, GV3 = deGateVerb3, TPS = deTappedDdlS,
              TPL = deTappedDdlL, RGS = deRegenDdlS, RGL = deRegenDdlL, SDS = deStereoDdlS,
              SDL = deStereoDdlL, SMS = deSamplerS, SML = deSamplerL, SPT = deSamplerPtr,
              TNR = deTuner, PSR = dePhaser, DPT = deDualPtr, NO = -1;

constexpr std::array<TGroupRow, DigitalGroupCount> Groups = {{
    {LP, SDL, FLA, PAN, NO},  // 0
    {LP, SDS, FLA, PAN, NO},  {LP, SDS, CHO, PAN, NO},  {LP, SDL, FLA, TRM, NO},
    {LP, SDS, FLA, TRM, NO},  {LP, SDS, CHO, TRM, NO},  {LP, SDL, FLA, MPN, NO},
    {LP, SDS, FLA, MPN, NO},  {LP, SDS, CHO, MPN, NO},  {LP, RGS, RV2, FLA, PAN},  // 9
    {LP, RGS, RV2, FLA, TRM}, {LP, RGS, RV2, FLA, MPN}, {LP, RGL, RV1, FLA, PAN},
    {LP, RGL, RV1, FLA, TRM}, {LP, RGL, RV1, FLA, MPN}, {LP, RGS, RV1, FLA, PAN},
    {LP, RGS, RV1, FLA, TRM}, {LP, RGS, RV1, FLA, MPN}, {LP, RGS, RV1, CHO, PAN},
    {LP, RGS, RV1, CHO, TRM}, {LP, RGS, RV1, CHO, MPN}, {LP, RGS, FLA, GV2, NO},  // 21
    {LP, RGL, FLA, GV1, NO},  {LP, RGS, FLA, GV1, NO},  {LP, RGS, CHO, GV1, NO},
    {LP, RGL, PTR, NO, NO},   {LP, RGS, PTR, NO, NO},   {LP, RGS, RV3, NO, NO},
    {LP, RGS, GV3, NO, NO},   {LP, RGS, GV2, PAN, NO},  {LP, RGL, GV1, PAN, NO},
    {LP, RGS, GV1, PAN, NO},  {LP, TPS, RV2, NO, NO},  // 32
    {LP, TPL, RV1, NO, NO},   {LP, TPS, RV1, NO, NO},   {LP, RGS, GV2, TRM, NO},
    {LP, RGL, GV1, TRM, NO},  {LP, RGS, GV1, TRM, NO},  {LP, RGS, GV2, MPN, NO},
    {LP, RGL, GV1, MPN, NO},  {LP, RGS, GV1, MPN, NO},  {LP, SMS, RV2, NO, NO},  // 41
    {LP, SMS, RV1, NO, NO},   {LP, SML, NO, NO, NO},    {LP, SPT, NO, NO, NO},
    {LP, RGS, PTR, RV1, NO},  {LP, TNR, NO, NO, NO},    {LP, SDL, PSR, PAN, NO},  // 47
    {LP, SDS, PSR, PAN, NO},  {LP, SDL, PSR, TRM, NO},  {LP, SDS, PSR, TRM, NO},
    {LP, SDL, PSR, MPN, NO},  {LP, SDS, PSR, MPN, NO},  {LP, SDS, DPT, NO, NO},
}};

bool ValidEffect(int effect) {
  return effect >= 0 && effect < DigitalEffectCount;
}

}  // namespace

QString ReverbTypeName(int code) {
  if (code < 1 || code > int(ReverbTypeNames.size())) return {};
  return QString::fromLatin1(ReverbTypeNames[code - 1]);
}

int ReverbTypeAddend(int effect) {
  switch (effect) {
    case deReverb1:
      return 9;
    case deReverb2:
      return 5;
    case deReverb3:
      return 1;
    default:
      return 0;
  }
}

bool IsValidGroup(int group) {
  return group >= 0 && group < DigitalGroupCount;
}

const TGroupRow& GroupRow(int group) {
  return Groups.at(group);
}

int GroupEffect(int group, int k) {
  if (!IsValidGroup(group) || k < 0 || k >= GroupPlaceCount) return -1;
  return Groups[group][k];
}

int GroupEffectCount(int group) {
  int n = 0;
  while (GroupEffect(group, n) >= 0) ++n;
  return n;
}

int GroupParamCount(int group) {
  return SlotOffset(group, GroupEffectCount(group));
}

QString GroupText(int group) {
  QStringList names;
  for (int k = 0; k < GroupEffectCount(group); ++k) names << EffectName(GroupEffect(group, k));
  return QString::number(group) + QStringLiteral(". ") + names.join(QStringLiteral(", "));
}

int EffectIndex(const QString& name) {
  for (int i = 0; i < DigitalEffectCount; ++i)
    if (name == QLatin1String(DigitalCatalogue[i].Name)) return i;
  throw EPresetError(QStringLiteral("Unknown effect ") + name);
}

QString EffectName(int effect) {
  return ValidEffect(effect) ? QString::fromLatin1(DigitalCatalogue[effect].Name) : QString();
}

bool GroupContains(int group, int effect) {
  return GroupPlaceOf(group, effect) >= 0;
}

int GroupPlaceOf(int group, int effect) {
  if (!IsValidGroup(group) || effect < 0) return -1;
  for (int k = 0; k < GroupPlaceCount; ++k)
    if (Groups[group][k] == effect) return k;
  return -1;
}

int SlotOffset(int group, int k) {
  int offset = 0;
  for (int i = 0; i < k; ++i) {
    const int effect = GroupEffect(group, i);
    if (effect < 0) break;
    offset += DigitalCatalogue[effect].ParamCount;
  }
  return offset;
}

std::vector<int> EffectDefaults(int effect) {
  std::vector<int> values;
  if (!ValidEffect(effect)) return values;
  const int first = FirstCatalogueParamId(effect);
  for (int p = 0; p < DigitalCatalogue[effect].ParamCount; ++p)
    values.push_back(ParamDef(first + p).Default);
  return values;
}

int FirstCatalogueParamId(int effect) {
  int id = FirstDigitalParam;
  for (int i = 0; i < effect && i < DigitalEffectCount; ++i) id += DigitalCatalogue[i].ParamCount;
  return id;
}

int CatalogueParamId(int slotNumber, int group) {
  if (!IsValidGroup(group) || slotNumber < 1) return -1;
  int before = 0;
  for (int k = 0; k < GroupPlaceCount; ++k) {
    const int effect = Groups[group][k];
    if (effect < 0) break;
    const int count = DigitalCatalogue[effect].ParamCount;
    if (slotNumber <= before + count)
      return FirstCatalogueParamId(effect) + slotNumber - before - 1;
    before += count;
  }
  return -1;
}

TCatalogueParam LocateCatalogueParam(int id) {
  for (int effect = 0; effect < DigitalEffectCount; ++effect) {
    const int first = FirstCatalogueParamId(effect);
    if (id >= first && id < first + DigitalCatalogue[effect].ParamCount)
      return {effect, id - first + 1};
  }
  return {};
}

int DetermineDigitalGroup(TPreset& preset, const QStringList& chosenNames) {
  const int oldGroup = preset.DigitalGroup;
  std::array<int, PerfMIDICount> oldIds{};
  for (int e = 0; e < PerfMIDICount; ++e) oldIds[e] = preset.CatalogueParamId(e);

  std::vector<int> chosen;
  for (const QString& name : chosenNames) chosen.push_back(EffectIndex(name));

  int newGroup = -1;
  if (chosen.empty()) {
    newGroup = 0;
  } else {
    for (int g = 0; g < DigitalGroupCount && newGroup < 0; ++g) {
      if (std::all_of(chosen.begin(), chosen.end(), [g](int e) { return GroupContains(g, e); }))
        newGroup = g;
    }
  }
  if (newGroup < 0) throw EPresetError(QStringLiteral("Cannot determine digital group"));

  preset.DigitalGroup = newGroup;
  if (newGroup != oldGroup) {
    std::array<std::int32_t, DigitalSlotCount> relaid{};
    for (int k = 0; k < GroupEffectCount(newGroup); ++k) {
      const int effect = GroupEffect(newGroup, k);
      const int to = SlotOffset(newGroup, k);
      const int oldPlace = GroupPlaceOf(oldGroup, effect);
      if (oldPlace >= 0) {
        const int from = SlotOffset(oldGroup, oldPlace);
        for (int p = 0; p < DigitalCatalogue[effect].ParamCount; ++p)
          relaid[to + p] = preset.DigitalSlots[from + p];
      } else {
        const std::vector<int> defaults = EffectDefaults(effect);
        std::copy(defaults.begin(), defaults.end(), relaid.begin() + to);
      }
    }
    preset.DigitalSlots = relaid;

    for (int e = 0; e < PerfMIDICount; ++e) {
      if (preset.PerfMIDI[e].ParamNo < FirstDigitalParam) continue;  // mix and analog targets
      // A digital target that pointed past the old group's effects (a damaged dump) maps to no
      // parameter; it is dropped like a target whose effect left the chain.
      const TCatalogueParam target = LocateCatalogueParam(oldIds[e]);
      const int place = GroupPlaceOf(newGroup, target.Effect);
      if (place < 0) {
        preset.PerfInUse[e] = false;
        preset.PerfMIDI[e].Reset();
      } else {
        preset.PerfMIDI[e].ParamNo =
            FirstDigitalParam - 1 + SlotOffset(newGroup, place) + target.Position;
      }
    }
  }

  for (int k = 0; k < DigitalPlaceCount; ++k) {
    const int effect = GroupEffect(newGroup, k);
    preset.DigitalInUse[k] =
        effect >= 0 && std::find(chosen.begin(), chosen.end(), effect) != chosen.end();
  }
  return newGroup;
}

QStringList AvailableEffects(const TPreset& preset, const QStringList& chosenNames) {
  QStringList result;
  if (chosenNames.isEmpty()) {
    for (const TDigitalEffect& effect : DigitalCatalogue)
      result << QString::fromLatin1(effect.Name);
    return result;
  }
  std::vector<int> inUse;
  for (int k = 0; k < DigitalPlaceCount; ++k) {
    const int effect = GroupEffect(preset.DigitalGroup, k);
    if (effect >= 0 && preset.DigitalInUse[k]) inUse.push_back(effect);
  }
  for (int g = 0; g < DigitalGroupCount; ++g) {
    if (!std::all_of(inUse.begin(), inUse.end(), [g](int e) { return GroupContains(g, e); }))
      continue;
    for (int k = 0; k < GroupEffectCount(g); ++k) {
      const QString name = EffectName(GroupEffect(g, k));
      if (!chosenNames.contains(name) && !result.contains(name)) result << name;
    }
  }
  return result;
}
