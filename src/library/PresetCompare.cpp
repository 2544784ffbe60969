#include "library/PresetCompare.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <algorithm>
#include <map>

#include "device/RestorePlan.h"
#include "preset/DigitalCatalogue.h"
#include "preset/ParamTable.h"
#include "preset/PerfAssignments.h"
#include "preset/Preset.h"
#include "preset/PresetError.h"
#include "preset/PresetFile.h"

namespace {

const QString OnText = QStringLiteral("on");
const QString OffText = QStringLiteral("off");
const QString NotInGroupText = QStringLiteral("not in the group");
const QString NoneText = QStringLiteral("(none)");

struct TNamedValue {
  QString Name;
  QString Value;
};

// A listing line "      drive = 78%" (or "    is controlling: Mix: dry") as its name and value.
TNamedValue SplitLine(const QString& line) {
  const QString text = line.trimmed();
  qsizetype at = text.indexOf(QStringLiteral(" = "));
  qsizetype skip = 3;
  if (at < 0) {
    at = text.indexOf(QStringLiteral(": "));
    skip = 2;
  }
  if (at < 0) return {text, {}};
  return {text.left(at), text.mid(at + skip)};
}

class TCollector {
 public:
  std::vector<TParamDifference> Out;
  void Add(const QString& page, const QString& name, const QString& left, const QString& right) {
    if (left != right) Out.push_back({page, name, left, right});
  }
  // Two listing lines of the same parameter; a side without it passes an empty line.
  void AddLines(const QString& page, const QString& left, const QString& right,
                const QString& prefix = {}) {
    const TNamedValue l = SplitLine(left), r = SplitLine(right);
    const QString name = l.Name.isEmpty() ? r.Name : l.Name;
    if (left.isEmpty() != right.isEmpty() || l.Value != r.Value)
      Out.push_back({page, prefix + name, left.isEmpty() ? QString() : l.Value,
                     right.isEmpty() ? QString() : r.Value});
  }
};

QString OnOff(bool b) {
  return b ? OnText : OffText;
}

QString GroupName(int group) {
  return IsValidGroup(group) ? GroupText(group) : QStringLiteral("invalid (%1)").arg(group);
}

// The catalogue effects of the group's row, in row order (none for an invalid group).
std::vector<int> RowEffects(int group) {
  std::vector<int> effects;
  for (int p = 0; p < GroupPlaceCount; ++p) {
    const int effect = GroupEffect(group, p);
    if (effect < 0) break;
    effects.push_back(effect);
  }
  return effects;
}

// The listing line of each parameter of the effect in the preset, or nothing when its group has
// no such effect.
std::vector<QString> EffectLines(const TPreset& preset, int effect) {
  std::vector<QString> lines;
  const int place = GroupPlaceOf(preset.DigitalGroup, effect);
  if (!IsValidGroup(preset.DigitalGroup) || place < 0) return lines;
  int slot = SlotOffset(preset.DigitalGroup, place);
  for (const TParamDef& def : DigitalEffectParams(effect)) {
    const int stored = slot < DigitalSlotCount ? preset.DigitalSlots[std::size_t(slot)] : 0;
    ++slot;
    lines.push_back(ParameterLine(def, stored));
  }
  return lines;
}

QString DigitalState(const TPreset& preset, int effect) {
  const int place = GroupPlaceOf(preset.DigitalGroup, effect);
  if (!IsValidGroup(preset.DigitalGroup) || place < 0) return NotInGroupText;
  return OnOff(preset.DigitalInUse[std::size_t(place)]);
}

QString SlotText(int bank, int index, bool singleBank) {
  return SlotName(bank, index, singleBank);
}

bool IsBankLayout(const QString& folder) {
  const QDir dir(folder);
  for (int bank = 0; bank < BankCount; ++bank)
    if (dir.exists(BankSubFolder(bank, false))) return true;
  return false;
}

bool Decode(const QByteArray& dump, TPreset& preset) {
  try {
    preset.LoadFromImage(AsBytes(dump));
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace

std::vector<TParamDifference> ComparePresets(const TPreset& a, const TPreset& b,
                                             const TControllerNameFn& controllerName) {
  TCollector c;
  c.Add(TitlePageName, QStringLiteral("Title"), a.Title, b.Title);

  // The chain: which analog effects are in it, the digital group and which of its effects.
  for (int k = 0; k < AnalogEffectCount; ++k)
    c.Add(ChainPageName, QString::fromLatin1(AnalogEffectNames[std::size_t(k)]),
          OnOff(a.AnalogInUse[std::size_t(k)]), OnOff(b.AnalogInUse[std::size_t(k)]));
  c.Add(ChainPageName, QStringLiteral("Digital group"), GroupName(a.DigitalGroup),
        GroupName(b.DigitalGroup));
  // The effects of either row, by page as the digital page control orders them.
  std::vector<int> effects = RowEffects(a.DigitalGroup);
  for (int e : RowEffects(b.DigitalGroup))
    if (std::find(effects.begin(), effects.end(), e) == effects.end()) effects.push_back(e);
  std::stable_sort(effects.begin(), effects.end(), [](int x, int y) {
    return DigitalCatalogue[std::size_t(x)].Page < DigitalCatalogue[std::size_t(y)].Page;
  });
  for (int e : effects) c.Add(ChainPageName, EffectName(e), DigitalState(a, e), DigitalState(b, e));

  static const char* const MixNames[] = {"dry", "digital", "analog"};
  for (int i = 0; i < MixCount; ++i) {
    const TParamDef& def = ParamDef(FirstMixParam + i);
    c.Add(MixPageName, QString::fromLatin1(MixNames[i]), def.ValueText(a.Mix[std::size_t(i)]),
          def.ValueText(b.Mix[std::size_t(i)]));
  }

  for (int effect = 0; effect < AnalogEffectCount; ++effect) {
    const QString page = ListingPageName(AnalogPages()[std::size_t(effect)]);
    int slot = AnalogSlotOffset(effect);
    for (const TParamDef& def : AnalogEffectParams(effect)) {
      c.AddLines(page, ParameterLine(def, a.AnalogParams[std::size_t(slot)]),
                 ParameterLine(def, b.AnalogParams[std::size_t(slot)]));
      ++slot;
    }
  }

  for (int e : effects) {
    const int pageIndex = DigitalCatalogue[std::size_t(e)].Page;
    QString page = ListingPageName(DigitalPages()[std::size_t(pageIndex)]);
    // Variants share a page; when the two sides hold different variants, say whose lines these are.
    const bool shared = std::count_if(effects.begin(), effects.end(), [&](int x) {
                          return DigitalCatalogue[std::size_t(x)].Page == pageIndex;
                        }) > 1;
    if (shared) page += QStringLiteral(" (") + EffectName(e) + ')';
    const std::vector<QString> left = EffectLines(a, e), right = EffectLines(b, e);
    for (std::size_t i = 0; i < std::max(left.size(), right.size()); ++i)
      c.AddLines(page, i < left.size() ? left[i] : QString(),
                 i < right.size() ? right[i] : QString());
  }

  for (const TVexaCheckDef& box : VexaChecks())
    c.Add(VexaPageName, QString::fromLatin1(box.Caption), OnOff(a.GetVexaState(box.Number)),
          OnOff(b.GetVexaState(box.Number)));

  for (int k = 0; k < PerfMIDICount; ++k) {
    const bool inA = a.PerfInUse[std::size_t(k)], inB = b.PerfInUse[std::size_t(k)];
    if (!inA && !inB) continue;
    const QString entry = AssignmentText(k);
    if (inA != inB)
      c.Add(PerformancePageName, entry, inA ? OnText : OffText, inB ? OnText : OffText);
    const auto la = PerfEntryLines(a, k, controllerName);
    const auto lb = PerfEntryLines(b, k, controllerName);
    for (std::size_t i = 1; i < la.size(); ++i)
      c.AddLines(PerformancePageName, inA ? la[i] : QString(), inB ? lb[i] : QString(),
                 entry + ' ');
    // The sixth field has no display text; it still makes two entries different.
    const int xa = a.PerfMIDI[std::size_t(k)].Extra, xb = b.PerfMIDI[std::size_t(k)].Extra;
    if (inA && inB && xa != xb)
      c.Add(PerformancePageName, entry + QStringLiteral(" extra"), QString::number(xa),
            QString::number(xb));
  }
  return c.Out;
}

QString DifferencesText(const std::vector<TParamDifference>& differences) {
  if (differences.empty()) return QStringLiteral("No differences\n");
  QString text;
  QString page;
  for (const TParamDifference& d : differences) {
    if (d.Page != page || text.isEmpty()) {
      page = d.Page;
      text += page + '\n';
    }
    text += QStringLiteral("      ") + d.Name + QStringLiteral(" = ") +
            (d.Left.isEmpty() ? NoneText : d.Left) + QStringLiteral("  ->  ") +
            (d.Right.isEmpty() ? NoneText : d.Right) + '\n';
  }
  return text;
}

TFolderComparison CompareBackupFolders(const QString& older, const QString& newer) {
  TFolderComparison result;
  result.SingleBank = !IsBankLayout(older) && !IsBankLayout(newer);
  const std::array<bool, BankCount> all = {true, true, true, true};
  const TBackupScan a = ScanBackupFolder(older, all, 1, PresetCount, result.SingleBank);
  const TBackupScan b = ScanBackupFolder(newer, all, 1, PresetCount, result.SingleBank);
  if (!a.Error.isEmpty() || !b.Error.isEmpty()) {
    result.Error = !a.Error.isEmpty() ? a.Error : b.Error;
    return result;
  }
  for (const QString& line : a.Ignored)
    result.Ignored << QDir::toNativeSeparators(older) + ": " + line;
  for (const QString& line : b.Ignored)
    result.Ignored << QDir::toNativeSeparators(newer) + ": " + line;

  std::map<int, const TRunSlot*> before, after;
  for (const TRunSlot& s : a.Slots) before[s.Key()] = &s;
  for (const TRunSlot& s : b.Slots) after[s.Key()] = &s;
  std::vector<int> keys;
  for (const auto& [key, slot] : before) keys.push_back(key);
  for (const auto& [key, slot] : after)
    if (!before.count(key)) keys.push_back(key);
  std::sort(keys.begin(), keys.end());
  for (int key : keys) {
    const auto ia = before.find(key), ib = after.find(key);
    TSlotComparison s;
    s.Bank = key / 256;
    s.Index = key % 256;
    if (ia != before.end()) {
      s.OlderFile = ia->second->File;
      s.OlderTitle = ia->second->Title;
    }
    if (ib != after.end()) {
      s.NewerFile = ib->second->File;
      s.NewerTitle = ib->second->Title;
    }
    if (ia == before.end()) {
      s.Change = TSlotChange::Added;
    } else if (ib == after.end()) {
      s.Change = TSlotChange::Removed;
    } else if (SameDump(AsBytes(ia->second->Dump), AsBytes(ib->second->Dump))) {
      ++result.Unchanged;
      continue;
    } else {
      s.Change = TSlotChange::Changed;
      TPreset pa, pb;
      if (Decode(ia->second->Dump, pa) && Decode(ib->second->Dump, pb))
        s.Differences = ComparePresets(pa, pb);
      // Bytes that are no parameter (the channel, the ignored ones) make no change worth naming.
      if (s.Differences.empty()) {
        ++result.Unchanged;
        continue;
      }
    }
    result.Slots.push_back(s);
  }
  return result;
}

QString FolderComparisonText(const TFolderComparison& comparison) {
  if (!comparison.Error.isEmpty()) return comparison.Error + '\n';
  QString text;
  int added = 0, removed = 0, changed = 0;
  for (const TSlotComparison& s : comparison.Slots) {
    QString what;
    QString title;
    switch (s.Change) {
      case TSlotChange::Added:
        what = QStringLiteral("added");
        title = s.NewerTitle;
        ++added;
        break;
      case TSlotChange::Removed:
        what = QStringLiteral("removed");
        title = s.OlderTitle;
        ++removed;
        break;
      case TSlotChange::Changed:
        what = QStringLiteral("changed");
        title = s.NewerTitle;
        ++changed;
        break;
    }
    text += SlotText(s.Bank, s.Index, comparison.SingleBank) + QStringLiteral("  ") +
            title.leftJustified(TitleLength) + QStringLiteral("  ") + what + '\n';
    if (s.Change == TSlotChange::Changed) {
      for (const QString& line : DifferencesText(s.Differences).split('\n', Qt::SkipEmptyParts))
        text += QStringLiteral("    ") + line + '\n';
    }
  }
  text += QStringLiteral("%1 added, %2 removed, %3 changed, %4 unchanged\n")
              .arg(added)
              .arg(removed)
              .arg(changed)
              .arg(comparison.Unchanged);
  return text;
}

int RunPresetDiff(const QString& a, const QString& b, QTextStream& out, QTextStream& err) {
  const QFileInfo ia(a), ib(b);
  if (ia.isDir() && ib.isDir()) {
    const TFolderComparison comparison = CompareBackupFolders(a, b);
    if (!comparison.Error.isEmpty()) {
      err << "zqn-tarvo: " << comparison.Error << '\n';
      return 2;
    }
    out << FolderComparisonText(comparison);
    return comparison.Slots.empty() ? 0 : 1;
  }
  TPreset pa, pb;
  for (const auto& [name, preset] : {std::pair<const QString&, TPreset*>{a, &pa}, {b, &pb}}) {
    try {
      LoadPresetFile(name, *preset);
    } catch (const std::exception& e) {
      err << "zqn-tarvo: " << QDir::toNativeSeparators(name) << ": " << e.what() << '\n';
      return 2;
    }
  }
  const std::vector<TParamDifference> differences = ComparePresets(pa, pb);
  out << "--- " << QDir::toNativeSeparators(a) << '\n'
      << "+++ " << QDir::toNativeSeparators(b) << '\n'
      << DifferencesText(differences);
  return differences.empty() ? 0 : 1;
}
