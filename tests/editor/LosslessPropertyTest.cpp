// Over a generated corpus of presets: opening one, visiting every page and closing gives back
// the very bytes opened, and one movement of any control changes the bytes of its field alone.

#include <gtest/gtest.h>
#include <QListWidget>
#include <QScrollBar>
#include <QTabWidget>
#include <random>
#include <set>

#include "EditorTestUtil.h"
#include "controls/kxLCDmeter.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "preset/ParamTable.h"

namespace {

// Dump offsets of the numeric pairs.
constexpr int MixAt = 17, AnalogAt = 23, DigitalAt = 79, EntriesAt = 149;

class TCorpus {
 public:
  explicit TCorpus(unsigned seed) : rng_(seed) {}

  int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // A value for a field edited by a control of range lo..hi: its ends, just outside them, 0, or
  // anything a pair can carry.
  int Value(int lo, int hi) {
    switch (Pick(0, 6)) {
      case 0:
        return lo;
      case 1:
        return hi;
      case 2:
        return std::max(0, lo - 1);
      case 3:
        return std::min(255, hi + 1);
      case 4:
        return 0;
      case 5:
        return Pick(0, 255);
      default:
        return Pick(lo, hi);
    }
  }

  // A preset of the group, every field drawn as above, the Vexa flags and performance entries
  // at random. Active entries target what is in the chain (others are dropped on showing, as
  // the unit's rule says); the title has no blanks at its ends, which the dump does not keep.
  TPreset Make(int group) {
    TPreset p;
    p.Header[2] = std::uint8_t(Pick(0, 15));
    for (bool& b : p.VexaStates) b = Pick(0, 1);
    for (bool& b : p.AnalogInUse) b = Pick(0, 1);
    p.DigitalGroup = group;
    for (bool& b : p.DigitalInUse) b = Pick(0, 1);
    for (int id = 1; id <= 31; ++id) {
      const TParamDef& d = ParamDef(id);
      *p.ParamField(id) = Value(d.Min, d.Max);
    }
    for (int slot = 0; slot < DigitalSlotCount; ++slot) {
      const TParamDef* d = DigitalSlotParam(group, slot);
      p.DigitalSlots[slot] = d ? Value(d->Min, d->Max) : (Pick(0, 3) ? 0 : Pick(0, 255));
    }
    QString title;
    const int length = Pick(0, TitleLength);
    for (int i = 0; i < length; ++i) title += QChar(Pick(0x20, 0x7E));
    p.Title = title.trimmed();
    for (int e = 0; e < PerfMIDICount; ++e) {
      TPerfMIDI& m = p.PerfMIDI[e];
      m.Controller = Pick(0, 128);
      m.Low = Pick(0, 127);
      m.High = Pick(0, 127);
      m.Extra = Pick(0, 1) ? 255 : Pick(0, 255);
      m.ParamNo = Pick(0, LastParam);
      p.PerfInUse[e] = Pick(0, 1) && TargetPresent(p, m.ParamNo);
      m.InUse = p.PerfInUse[e];
    }
    return p;
  }

 private:
  static bool TargetPresent(const TPreset& p, int paramNo) {
    if (paramNo < FirstAnalogParam) return true;
    if (paramNo < FirstDigitalParam)
      return p.AnalogInUse[AnalogEffectOfSlot(paramNo - FirstAnalogParam)];
    const int slot = paramNo - FirstDigitalParam;
    for (int k = 0; k < GroupEffectCount(p.DigitalGroup); ++k)
      if (slot >= SlotOffset(p.DigitalGroup, k) && slot < SlotOffset(p.DigitalGroup, k + 1))
        return p.DigitalInUse[k];
    return false;
  }

  std::mt19937 rng_;
};

// Shows the dump in the editor as the main window does with a reused editor: reset, loaded,
// shown. The window stays off the screen, which spares the painting and nothing else.
void ShowDump(EditorRig& rig, const QByteArray& dump) {
  rig.editor->ResetEditor();
  QByteArray bytes = dump;
  QBuffer stream(&bytes);
  stream.open(QIODevice::ReadOnly);
  rig.editor->LoadPreset(stream, QString());
  rig.editor->FormShow();
}

// Pages are switched with the window's updates held: each switch would otherwise walk every
// control of the window twice, to hold and to resume its updates.
void VisitEveryPage(TfrmPresetEditor& e) {
  e.setUpdatesEnabled(false);
  for (QTabWidget* pages : {e.pgcAnalogParams, e.pgcDigitalParams})
    for (int i = 0; i < pages->count(); ++i)
      if (pages->isTabVisible(i)) pages->setCurrentIndex(i);
  for (int i = e.pgcPreset->count(); i-- > 0;) e.pgcPreset->setCurrentIndex(i);
  e.setUpdatesEnabled(true);
}

std::string Hex(const QByteArray& a, const QByteArray& b) {
  std::string out;
  for (int i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) out += std::to_string(i) + " ";
  return out;
}

// Presets the corpus holds: every factory preset and generated ones up to 5,000, which stays
// within a couple of seconds; ZQN_LOSSLESS_PRESETS sets another size (docs/reliability.md has
// the figures).
std::size_t CorpusSize() {
  bool ok = false;
  const int wanted = qEnvironmentVariableIntValue("ZQN_LOSSLESS_PRESETS", &ok);
  return ok && wanted > 0 ? std::size_t(wanted) : 5000;
}

TEST(LosslessProperty, OpeningVisitingAndClosingGivesBackTheBytesOfEveryPreset) {
  EditorRig rig;
  TCorpus corpus(20261209);
  const std::size_t size = CorpusSize();
  std::vector<QByteArray> dumps;
  // The factory presets of every bank, one in four (all of them in a corpus of 5,000 or more),
  // then every group in turn.
  const int step = size >= 5000 ? 1 : 4;
  for (int bank = 0; bank < 4; ++bank)
    for (int index = 0; index < 200; index += step)
      dumps.push_back(TUnitSimulator::FactoryPreset(bank, index));
  while (dumps.size() < size) dumps.push_back(ImageBytes(corpus.Make(int(dumps.size() % 54))));

  int failures = 0;
  for (const QByteArray& dump : dumps) {
    rig.sent.clear();
    ShowDump(rig, dump);
    TfrmPresetEditor& e = *rig.editor;
    VisitEveryPage(e);
    const QByteArray shown = ImageBytes(e.Preset());
    const bool ok = shown == dump && !e.Preset().IsModified() &&
                    e.History().UndoList.Count() == 1 && rig.sent.empty() &&
                    e.StatusText().isEmpty() && e.CloseQuery();
    if (!ok && ++failures <= 5)
      ADD_FAILURE() << "changed bytes: " << Hex(dump, shown) << " snapshots "
                    << e.History().UndoList.Count() << " sent " << rig.sent.size();
  }
  EXPECT_EQ(failures, 0) << "of " << dumps.size();
}

// The dump offsets of the field a control edits, and of the entries' current values that follow
// it.
std::set<int> FieldBytes(const TPreset& p, const std::int32_t* field) {
  std::set<int> at;
  int paramNo = 0;
  if (field >= p.Mix.data() && field < p.Mix.data() + MixCount)
    paramNo = FirstMixParam + int(field - p.Mix.data());
  else if (field >= p.AnalogParams.data() && field < p.AnalogParams.data() + AnalogParamCount)
    paramNo = FirstAnalogParam + int(field - p.AnalogParams.data());
  else if (field >= p.DigitalSlots.data() && field < p.DigitalSlots.data() + DigitalSlotCount)
    paramNo = FirstDigitalParam + int(field - p.DigitalSlots.data());
  if (paramNo == 0) return at;
  const int pair = paramNo < FirstAnalogParam    ? MixAt + 2 * (paramNo - FirstMixParam)
                   : paramNo < FirstDigitalParam ? AnalogAt + 2 * (paramNo - FirstAnalogParam)
                                                 : DigitalAt + 2 * (paramNo - FirstDigitalParam);
  at.insert({pair, pair + 1});
  for (int e = 0; e < PerfMIDICount; ++e)
    if (p.PerfMIDI[e].ParamNo == paramNo)
      at.insert({EntriesAt + 12 * e + 8, EntriesAt + 12 * e + 9});
  return at;
}

TEST(LosslessProperty, OneMovementOfAnyControlChangesTheBytesOfItsFieldAlone) {
  EditorRig rig;
  TCorpus corpus(7);
  int moved = 0;
  for (int round = 0; round < 2 * DigitalGroupCount; ++round) {
    TPreset p = corpus.Make(round % DigitalGroupCount);
    p.AnalogInUse.fill(true);
    p.DigitalInUse.fill(true);
    ShowDump(rig, ImageBytes(p));
    TfrmPresetEditor& e = *rig.editor;
    const auto check = [&](const char* name, const std::int32_t* field, const auto& move) {
      if (!field) return;
      const QByteArray before = ImageBytes(e.Preset());
      move();
      const QByteArray after = ImageBytes(e.Preset());
      const std::set<int> allowed = FieldBytes(e.Preset(), field);
      ASSERT_FALSE(allowed.empty()) << name;
      bool fieldChanged = false;
      for (int i = 0; i < 246; ++i) {
        if (before[i] == after[i]) continue;
        EXPECT_TRUE(allowed.count(i))
            << name << " changed byte " << i << " in group " << p.DigitalGroup;
        fieldChanged = fieldChanged || i == *allowed.begin() || i == *allowed.begin() + 1;
      }
      EXPECT_TRUE(fieldChanged) << name << " in group " << p.DigitalGroup;
      ++moved;
    };
    for (TkxTrackBar* bar : e.findChildren<TkxTrackBar*>()) {
      if (!bar->BoundField()) continue;
      const int to = bar->Position() == bar->Min() ? bar->Max() : bar->Min();
      // A stored value the bar cannot show is moved onto one it can.
      const int target = bar->Inverted() ? bar->Max() - to : to;
      if (*bar->BoundField() == target) continue;
      check(qPrintable(bar->objectName()), bar->BoundField(), [&] { bar->SetPosition(to); });
    }
    for (TkxRadioGroup* group : e.findChildren<TkxRadioGroup*>()) {
      if (!group->BoundField() || !group->isEnabled() || group->ButtonCount() < 2) continue;
      const int to = group->ItemIndex() == 0 ? 1 : 0;
      check(qPrintable(group->objectName()), group->BoundField(),
            [&] { group->Button(to)->click(); });
    }
    for (TkxLCDmeter* meter : e.findChildren<TkxLCDmeter*>()) {
      auto* scroll = e.findChild<QScrollBar*>(QStringLiteral("scr") + meter->objectName().mid(3));
      if (!meter->BoundField() || !scroll) continue;
      const int to = scroll->value() == scroll->minimum() ? scroll->maximum() : scroll->minimum();
      check(qPrintable(meter->objectName()), meter->BoundField(), [&] { scroll->setValue(to); });
    }
    for (const auto& [name, effect] :
         {std::pair{"lstPTRbase_key", dePitchTrans}, std::pair{"lstSPTbase_key", deSamplerPtr}}) {
      if (GroupPlaceOf(p.DigitalGroup, effect) < 0) continue;
      auto* list = e.findChild<QListWidget*>(QString::fromLatin1(name));
      const int slot = list ? list->property("Tag").toInt() : -1;
      if (slot < 0 || slot >= DigitalSlotCount) continue;
      const int to = list->currentRow() == 5 ? 6 : 5;
      check(name, &e.Preset().DigitalSlots[slot], [&] { list->setCurrentRow(to); });
    }
    e.timSys->stop();
  }
  EXPECT_GT(moved, 3000);
}

}  // namespace
