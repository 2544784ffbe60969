#include "PerfAssignments.h"

#include <array>
#include <utility>

#include "DigitalCatalogue.h"
#include "ParamTable.h"
#include "Preset.h"
#include "Scales.h"

namespace {

constexpr std::pair<int, const char*> BuiltInNames[] = {
    {1, "Mod wheel"},
    {2, "Breath ctl"},
    {4, "Foot controller"},
    {5, "Portamento time"},
    {6, "Data entry"},
    {7, "Channel volume"},
    {8, "Balance"},
    {10, "Pan"},
    {11, "Expression ctlr"},
    {16, "General #1"},
    {17, "General #2"},
    {18, "General #3"},
    {19, "General #4"},
    {64, "Damper pedal"},
    {65, "Portamento"},
    {66, "Sustenuto"},
    {67, "Soft pedal"},
    {68, "Legato Footswitch"},
    {69, "Hold 2"},
    {80, "General #5"},
    {81, "General #6"},
    {82, "General #7"},
    {83, "General #8"},
    {91, "Ext FX depth"},
    {92, "Tremolo depth"},
    {93, "Chorus depth"},
    {94, "Celeste depth"},
    {95, "Phase depth"},
    // 121..127 are the unit's non-controller sources, not channel-mode messages.
    {121, "Note Off key number"},
    {122, "Note Off key velocity"},
    {123, "Note On key number"},
    {124, "Note On key velocity"},
    {125, "Polyphonic aftertouch"},
    {126, "Channel pressure"},
    {127, "Pitch bend"},
    {128, "OFF"},
};

}  // namespace

QString BuiltInControllerName(int number) {
  for (const auto& [n, name] : BuiltInNames)
    if (n == number) return QString::fromLatin1(name);
  return {};
}

QString AssignmentText(int k) {
  return QStringLiteral("Controller #") + QString::number(k + 1);
}

std::optional<int> AddAssignment(TPreset& preset) {
  for (int k = 0; k < PerfMIDICount; ++k) {
    if (!preset.PerfInUse[k]) {
      preset.PerfMIDI[k].Reset();
      preset.PerfInUse[k] = true;
      return k;
    }
  }
  return std::nullopt;
}

void DeleteAssignment(TPreset& preset, int k) {
  preset.PerfInUse.at(k) = false;
  preset.PerfMIDI.at(k).Reset();
}

void SetController(TPreset& preset, int k, int number) {
  preset.PerfMIDI.at(k).Controller = number;
}

bool TargetIsPresent(const TPreset& preset, int k) {
  const int paramNo = preset.PerfMIDI.at(k).ParamNo;
  if (paramNo < 0 || paramNo > LastParam) return false;
  if (paramNo < FirstAnalogParam) return true;
  if (paramNo < FirstDigitalParam) {
    const int effect = AnalogEffectOfSlot(paramNo - FirstAnalogParam);
    return effect >= 0 && preset.AnalogInUse[effect];
  }
  const int slot = paramNo - FirstDigitalParam;
  const int group = preset.DigitalGroup;
  for (int place = 0; place < GroupEffectCount(group); ++place) {
    const int first = SlotOffset(group, place);
    if (slot >= first && slot < SlotOffset(group, place + 1)) return preset.DigitalInUse[place];
  }
  return false;  // a slot beyond the group's effects belongs to nothing in the chain
}

std::vector<int> DropAbsentAssignments(TPreset& preset) {
  std::vector<int> kept;
  for (int k = 0; k < PerfMIDICount; ++k) {
    if (!preset.PerfInUse[k]) continue;
    if (TargetIsPresent(preset, k))
      kept.push_back(k);
    else
      DeleteAssignment(preset, k);
  }
  return kept;
}

QString RangeValueText(const TParamDef& def, int p, int m) {
  switch (def.Kind) {
    case TControlKind::RadioGroup:
    case TControlKind::ListBox: {
      const int index = p - m;
      return index >= 0 && index < int(def.Items.size()) ? QString::fromLatin1(def.Items[index])
                                                         : QString();
    }
    case TControlKind::CheckBox:
      return p == 1 ? QStringLiteral("on") : QStringLiteral("off");
    case TControlKind::LcdMeter:
    case TControlKind::TrackBar:
      break;
  }
  // The same text the parameter's page and the printed listing show: its display scale, of the
  // stored value the position stands for.
  return def.ValueText(def.Reversed ? def.Max - p : p);
}
