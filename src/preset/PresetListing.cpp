#include "PresetListing.h"

#include <algorithm>

#include "DigitalCatalogue.h"
#include "PerfAssignments.h"
#include "Preset.h"

namespace {

TListingLine Bold(const QString& text) {
  return {text, true, false};
}
TListingLine BoldUnderlined(const QString& text) {
  return {text, true, true};
}
TListingLine Plain(const QString& text) {
  return {text, false, false};
}

const QString PageIndent = QStringLiteral("   ");
const QString ControlIndent = QStringLiteral("      ");

}  // namespace

QString ParameterLine(const TParamDef& def, int stored) {
  const QString is = QStringLiteral(" = ");
  switch (def.Kind) {
    case TControlKind::RadioGroup:
    case TControlKind::CheckBox:
      return QString::fromLatin1(def.Caption) + is + def.ValueText(stored);
    case TControlKind::ListBox:
      return def.ParamName() + is + def.ValueText(stored);
    case TControlKind::TrackBar:
    case TControlKind::LcdMeter:
      break;
  }
  // A bar or meter is listed by its name as it is ("left_delay_lgth"), with what its value text
  // shows.
  return QString::fromLatin1(def.Control).mid(6) + is + def.LabelText(stored);
}

QString ListingPageName(const TPageDef& page) {
  return QString::fromLatin1(page.Name).mid(2);
}

std::vector<int> ChosenDigitalEffects(const TPreset& preset) {
  std::vector<int> effects;
  if (!IsValidGroup(preset.DigitalGroup)) return effects;
  for (int p = 0; p < GroupPlaceCount; ++p) {
    const int effect = GroupEffect(preset.DigitalGroup, p);
    if (effect < 0) break;
    if (preset.DigitalInUse[p]) effects.push_back(effect);
  }
  return effects;
}

std::array<bool, 17> DigitalPagesInChain(const TPreset& preset) {
  std::array<bool, 17> shown{};
  for (int effect : ChosenDigitalEffects(preset)) shown.at(DigitalCatalogue[effect].Page) = true;
  return shown;
}

TPerfTarget PerfTarget(const TPreset& preset, int k) {
  TPerfTarget t;
  const int paramNo = preset.PerfMIDI.at(k).ParamNo;
  if (paramNo < FirstMixParam) {
    t.Effect = QStringLiteral("MIDI Monitor");
    t.Parameter = QStringLiteral("enabled");
    t.Valid = true;
    return t;
  }
  if (paramNo < FirstAnalogParam) {
    t.Def = &ParamDef(paramNo);
    t.Effect = QStringLiteral("Mix");
  } else if (paramNo < FirstDigitalParam) {
    t.Def = &ParamDef(paramNo);
    t.Effect = QString::fromLatin1(AnalogPages()[t.Def->Owner].Caption);
  } else {
    const int id = preset.CatalogueParamId(k);
    if (id < FirstDigitalParam) return t;
    t.Def = &ParamDef(id);
    t.Effect = QString::fromLatin1(DigitalPages()[DigitalCatalogue[t.Def->Owner].Page].Caption);
  }
  t.Parameter = t.Def->ParamName();
  t.Valid = true;
  return t;
}

std::array<QString, 5> PerfEntryLines(const TPreset& preset, int k,
                                      const TControllerNameFn& controllerName) {
  const TControllerNameFn names = controllerName ? controllerName : BuiltInControllerName;
  const TPerfMIDI& perf = preset.PerfMIDI.at(k);
  const TPerfTarget target = PerfTarget(preset, k);
  const auto valueText = [&](int v) { return target.Def ? target.Def->ValueText(v) : QString(); };
  return {AssignmentText(k),
          QStringLiteral("    is controlling: ") + target.Effect + QStringLiteral(": ") +
              target.Parameter,
          QStringLiteral("    low range value = ") + valueText(perf.Low),
          QStringLiteral("    high range value = ") + valueText(perf.High),
          QStringLiteral("    controller = #") + QString::number(perf.Controller) +
              QStringLiteral(" ") + names(perf.Controller)};
}

TPresetListing BuildPresetListing(const TPreset& preset, const QString& appTitle,
                                  const QString& fileName,
                                  const TControllerNameFn& controllerName) {
  TPresetListing l;
  l.Head.push_back(BoldUnderlined(appTitle + QStringLiteral(" Preset parameter listing")));
  l.Head.push_back({});
  if (!fileName.isEmpty()) {
    l.Head.push_back(Plain(QStringLiteral("Filename: ") + fileName));
    l.Head.push_back({});
  }
  l.Head.push_back(BoldUnderlined(QStringLiteral("Title: ") + preset.Title));
  l.Head.push_back({});

  auto& analog = l.Columns[0];
  analog.push_back(Bold(QStringLiteral("Analog effects")));
  for (int effect = 0; effect < AnalogEffectCount; ++effect) {
    if (!preset.AnalogInUse[effect]) continue;
    analog.push_back(Plain(PageIndent + ListingPageName(AnalogPages()[effect])));
    const int first = AnalogSlotOffset(effect);
    int slot = first;
    for (const TParamDef& def : AnalogEffectParams(effect))
      analog.push_back(Plain(ControlIndent + ParameterLine(def, preset.AnalogParams[slot++])));
  }

  auto& digital = l.Columns[1];
  digital.push_back(Bold(QStringLiteral("Digital effects")));
  // Pages in page order, as the page control shows them; each with the slots of its effect.
  std::vector<std::pair<int, int>> pages;  // page, place in the group's row
  if (IsValidGroup(preset.DigitalGroup)) {
    for (int p = 0; p < GroupPlaceCount; ++p) {
      const int effect = GroupEffect(preset.DigitalGroup, p);
      if (effect < 0) break;
      if (preset.DigitalInUse[p]) pages.emplace_back(DigitalCatalogue[effect].Page, p);
    }
  }
  std::stable_sort(pages.begin(), pages.end());
  for (const auto& [page, place] : pages) {
    const int effect = GroupEffect(preset.DigitalGroup, place);
    digital.push_back(Plain(PageIndent + ListingPageName(DigitalPages()[page])));
    int slot = SlotOffset(preset.DigitalGroup, place);
    for (const TParamDef& def : DigitalEffectParams(effect)) {
      const int stored = slot < DigitalSlotCount ? preset.DigitalSlots[slot] : 0;
      ++slot;
      digital.push_back(Plain(ControlIndent + ParameterLine(def, stored)));
    }
  }

  auto& third = l.Columns[2];
  third.push_back(Bold(QStringLiteral("Mix")));
  static const char* const MixNames[] = {"    dry = ", "    digital = ", "    analog = "};
  for (int i = 0; i < MixCount; ++i)
    third.push_back(Plain(QString::fromLatin1(MixNames[i]) +
                          ParamDef(FirstMixParam + i).LabelText(preset.Mix[i])));
  third.push_back({});
  third.push_back(Bold(QStringLiteral("Performance MIDI")));
  for (int k = 0; k < PerfMIDICount; ++k) {
    if (!preset.PerfInUse[k]) continue;
    for (const QString& line : PerfEntryLines(preset, k, controllerName))
      third.push_back(Plain(line));
  }
  return l;
}
