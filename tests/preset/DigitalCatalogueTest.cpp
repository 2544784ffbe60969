#include <gtest/gtest.h>

#include <QSet>
#include <random>

#include "PresetTestUtil.h"
#include "preset/DigitalCatalogue.h"
#include "preset/PresetError.h"

namespace {

QString Raises(const std::function<void()>& f) {
  try {
    f();
  } catch (const EPresetError& e) {
    return e.Message();
  }
  return {};
}

TEST(DigitalCatalogue, GroupTextsAsTheEditorListsThem) {
  const std::pair<int, const char*> cases[] = {
      {0, "0. Low Pass, Stereo DDL L, Flanger, Panner"},
      {9, "9. Low Pass, Regen DDL S, Reverb 2, Flanger, Panner"},
      {21, "21. Low Pass, Regen DDL S, Flanger, Gate Verb 2"},
      {27, "27. Low Pass, Regen DDL S, Reverb 3"},
      {32, "32. Low Pass, Tapped DDL S, Reverb 2"},
      {43, "43. Low Pass, Sampler L"},
      {44, "44. Low Pass, Sampler+PTr"},
      {45, "45. Low Pass, Regen DDL S, Pitch-Trans, Reverb 1"},
      {46, "46. Low Pass, Tuner"},
      {52, "52. Low Pass, Stereo DDL S, Phaser, MIDI-Pan"},
      {53, "53. Low Pass, Stereo DDL S, Dual PTr"},
  };
  for (const auto& [group, text] : cases) EXPECT_EQ(GroupText(group), QString::fromLatin1(text));
}

TEST(DigitalCatalogue, EveryGroupIsWellFormedAndFitsTheSlots) {
  QSet<QString> rows;
  int full = 0;
  for (int g = 0; g < DigitalGroupCount; ++g) {
    const int n = GroupEffectCount(g);
    EXPECT_GE(n, 2) << g;
    EXPECT_EQ(GroupEffect(g, 0), deLowPass) << g;
    for (int k = n; k < GroupPlaceCount; ++k) EXPECT_EQ(GroupRow(g)[k], -1) << g;
    QSet<int> distinct;
    for (int k = 0; k < n; ++k) distinct.insert(GroupEffect(g, k));
    EXPECT_EQ(distinct.size(), n) << g;
    EXPECT_LE(GroupParamCount(g), DigitalSlotCount) << g;
    if (GroupParamCount(g) == DigitalSlotCount) ++full;
    rows.insert(GroupText(g).section(QLatin1Char(' '), 1));
  }
  EXPECT_EQ(rows.size(), DigitalGroupCount);  // no two groups are the same chain
  EXPECT_EQ(full, 8);
  for (int g : {9, 10, 12, 13, 15, 16, 18, 19}) EXPECT_EQ(GroupParamCount(g), 18) << g;
}

TEST(DigitalCatalogue, EveryEffectIsInSomeGroup) {
  for (int e = 0; e < DigitalEffectCount; ++e) {
    bool found = false;
    for (int g = 0; g < DigitalGroupCount; ++g) found = found || GroupContains(g, e);
    EXPECT_TRUE(found) << e;
  }
  int total = 0;
  for (const TDigitalEffect& e : DigitalCatalogue) total += e.ParamCount;
  EXPECT_EQ(total, DigitalCatalogueParamCount);
}

TEST(DigitalCatalogue, EffectIndexByExactName) {
  EXPECT_EQ(EffectIndex(QStringLiteral("Low Pass")), 0);
  EXPECT_EQ(EffectIndex(QStringLiteral("Dual PTr")), 24);
  EXPECT_EQ(EffectIndex(QStringLiteral("Pitch-Trans")), 3);
  EXPECT_EQ(Raises([] { EffectIndex(QStringLiteral("low pass")); }),
            QStringLiteral("Unknown effect low pass"));
  EXPECT_EQ(Raises([] { EffectIndex(QStringLiteral("Pitch Trans")); }),
            QStringLiteral("Unknown effect Pitch Trans"));
}

TEST(DigitalCatalogue, SlotOffsetsOfGroupNine) {
  const int expected[] = {0, 1, 5, 11, 16, 18};
  for (int k = 0; k <= 5; ++k) EXPECT_EQ(SlotOffset(9, k), expected[k]) << k;
}

TEST(DigitalCatalogue, CatalogueParamIdWalksTheRow) {
  // Group 0: Low Pass 1, Stereo DDL L 2..8, Flanger 9..13, Panner 14..15.
  EXPECT_EQ(CatalogueParamId(1, 0), 32);
  EXPECT_EQ(CatalogueParamId(2, 0), FirstCatalogueParamId(deStereoDdlL));
  EXPECT_EQ(CatalogueParamId(9, 0), FirstCatalogueParamId(deFlanger));
  EXPECT_EQ(CatalogueParamId(15, 0), FirstCatalogueParamId(dePanner) + 1);
  EXPECT_EQ(CatalogueParamId(16, 0), -1);  // past the row's effects
  EXPECT_EQ(CatalogueParamId(0, 0), -1);
  EXPECT_EQ(CatalogueParamId(1, -1), -1);
  EXPECT_EQ(CatalogueParamId(1, 54), -1);
  EXPECT_EQ(FirstCatalogueParamId(deDualPtr) + 8, 160);
  for (int id = 32; id <= 160; ++id) {
    const TCatalogueParam p = LocateCatalogueParam(id);
    ASSERT_GE(p.Effect, 0) << id;
    EXPECT_EQ(FirstCatalogueParamId(p.Effect) + p.Position - 1, id);
  }
  EXPECT_EQ(LocateCatalogueParam(31).Effect, -1);
  EXPECT_EQ(LocateCatalogueParam(161).Effect, -1);

  TPreset preset;
  preset.DigitalGroup = 0;
  preset.PerfMIDI[0].ParamNo = 46;
  preset.PerfMIDI[1].ParamNo = 31;
  EXPECT_EQ(preset.CatalogueParamId(0), FirstCatalogueParamId(dePanner) + 1);
  EXPECT_EQ(preset.CatalogueParamId(1), 31);
}

TEST(DigitalCatalogue, DetermineGroupPicksTheLowestHoldingEveryChoice) {
  const std::pair<QStringList, int> cases[] = {
      {{}, 0},
      {{"Tuner"}, 46},
      {{"Low Pass"}, 0},
      {{"Reverb 1", "Chorus"}, 18},
      {{"Reverb 3"}, 27},
      {{"Dual PTr", "Low Pass"}, 53},
      {{"Gate Verb 1", "Regen DDL L", "Tremolo"}, 36},
  };
  for (const auto& [chosen, group] : cases) {
    TPreset p;
    EXPECT_EQ(DetermineDigitalGroup(p, chosen), group) << chosen.join(u',').toStdString();
    EXPECT_EQ(p.DigitalGroup, group);
  }
}

TEST(DigitalCatalogue, FreshChainTakesTheDefaultsAndInUseFlags) {
  TPreset p;
  DetermineDigitalGroup(p, {"Reverb 1", "Chorus"});
  // Group 18: Low Pass, Regen DDL S, Reverb 1, Chorus, Panner.
  const std::int32_t expected[18] = {30, 20, 0, 48, 63, 9,  0,  17, 2,
                                     5,  63, 1, 10, 20, 30, 63, 31, 40};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(p.DigitalSlots[i], expected[i]) << i;
  const std::array<bool, 5> inUse = {false, false, true, true, false};
  EXPECT_EQ(p.DigitalInUse, inUse);
}

TEST(DigitalCatalogue, ImpossibleChainLeavesTheRecordUntouched) {
  TPreset p;
  DetermineDigitalGroup(p, {"Flanger", "Low Pass"});
  p.DigitalSlots[3] = 11;
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = 40;
  const TPreset before = p;
  EXPECT_EQ(Raises([&] {
              DetermineDigitalGroup(p, {"Flanger", "Chorus"});
            }),
            QStringLiteral("Cannot determine digital group"));
  ExpectSameContent(p, before);
  EXPECT_EQ(Raises([&] {
              DetermineDigitalGroup(p, {"Flanger", "Wah"});
            }),
            QStringLiteral("Unknown effect Wah"));
  ExpectSameContent(p, before);
}

TEST(DigitalCatalogue, NineToTenKeepsSharedEffectsAndDefaultsTremolo) {
  TPreset p;
  DetermineDigitalGroup(p, {"Reverb 2", "Panner"});
  ASSERT_EQ(p.DigitalGroup, 9);
  for (int i = 0; i < 18; ++i) p.DigitalSlots[i] = 100 + i;
  DetermineDigitalGroup(p, {"Reverb 2", "Tremolo"});
  ASSERT_EQ(p.DigitalGroup, 10);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p.DigitalSlots[i], 100 + i) << i;
  EXPECT_EQ(p.DigitalSlots[16], 31);
  EXPECT_EQ(p.DigitalSlots[17], 40);
}

TEST(DigitalCatalogue, ZeroToTwoRelaysAndDropsFlangerTargets) {
  TPreset p;
  DetermineDigitalGroup(p, {"Flanger", "Panner", "Stereo DDL L"});
  ASSERT_EQ(p.DigitalGroup, 0);
  for (int i = 0; i < 15; ++i) p.DigitalSlots[i] = 50 + i;
  p.PerfInUse = {true, true, true, true, false, false, false, false};
  p.PerfMIDI[0].ParamNo = 32 + 10;  // Flanger speed
  p.PerfMIDI[1].ParamNo = 46;       // Panner speed
  p.PerfMIDI[2].ParamNo = 2;        // digital mix
  p.PerfMIDI[3].ParamNo = 32;       // Low Pass
  p.PerfMIDI[0].Controller = 7;

  DetermineDigitalGroup(p, {"Chorus", "Panner", "Stereo DDL S"});
  ASSERT_EQ(p.DigitalGroup, 2);
  EXPECT_EQ(p.DigitalSlots[0], 50);                       // Low Pass kept
  const std::int32_t sddS[] = {16, 0, 22, 0, 48, 0, 63};  // Stereo DDL S defaults
  for (int i = 0; i < 7; ++i) EXPECT_EQ(p.DigitalSlots[1 + i], sddS[i]);
  const std::int32_t chorus[] = {1, 10, 20, 30, 63};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(p.DigitalSlots[8 + i], chorus[i]);
  EXPECT_EQ(p.DigitalSlots[13], 50 + 13);  // Panner kept in place
  EXPECT_EQ(p.DigitalSlots[14], 50 + 14);
  for (int i = 15; i < 18; ++i) EXPECT_EQ(p.DigitalSlots[i], 0);

  EXPECT_FALSE(p.PerfInUse[0]);
  EXPECT_EQ(p.PerfMIDI[0], TPerfMIDI());
  EXPECT_TRUE(p.PerfInUse[1]);
  EXPECT_EQ(p.PerfMIDI[1].ParamNo, 46);
  EXPECT_EQ(p.PerfMIDI[2].ParamNo, 2);
  EXPECT_EQ(p.PerfMIDI[3].ParamNo, 32);
}

TEST(DigitalCatalogue, PannerTargetFollowsOrDropsWithTheGroup) {
  for (const auto& [chosen, group, kept] : std::vector<std::tuple<QStringList, int, bool>>{
           {{"Stereo DDL S", "Flanger", "Panner"}, 1, true},
           {{"Stereo DDL S", "Chorus", "Panner"}, 2, true},
           {{"Stereo DDL L", "Tremolo"}, 3, false}}) {
    TPreset p;
    DetermineDigitalGroup(p, {"Stereo DDL L", "Panner"});
    ASSERT_EQ(p.DigitalGroup, 0);
    p.PerfInUse[5] = true;
    p.PerfMIDI[5].ParamNo = 46;
    DetermineDigitalGroup(p, chosen);
    ASSERT_EQ(p.DigitalGroup, group);
    EXPECT_EQ(p.PerfInUse[5], kept) << group;
    EXPECT_EQ(p.PerfMIDI[5].ParamNo, kept ? 46 : 0) << group;
  }
}

TEST(DigitalCatalogue, TargetsAreRenumberedWhenTheirEffectMoves) {
  // Reverb 1 decay sits after Low Pass and a 4-slot Regen DDL in groups 15 and 12, after a
  // 6-slot Tapped DDL in group 33.
  TPreset p;
  DetermineDigitalGroup(p, {"Reverb 1", "Regen DDL S", "Flanger"});
  ASSERT_EQ(p.DigitalGroup, 15);
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = 32 + 5 + 2;  // Reverb 1 decay (third parameter)
  DetermineDigitalGroup(p, {"Reverb 1"});
  ASSERT_EQ(p.DigitalGroup, 12);  // Low Pass, Regen DDL L, Reverb 1, ...: same offset
  EXPECT_EQ(p.PerfMIDI[0].ParamNo, 39);
  DetermineDigitalGroup(p, {"Reverb 1", "Tapped DDL L"});
  ASSERT_EQ(p.DigitalGroup, 33);  // Low Pass, Tapped DDL L (6), Reverb 1
  EXPECT_EQ(p.PerfMIDI[0].ParamNo, 31 + 7 + 3);
  EXPECT_TRUE(p.PerfInUse[0]);
}

TEST(DigitalCatalogue, TargetsPastTheGroupAreDroppedOnChange) {
  TPreset p;
  DetermineDigitalGroup(p, {"Tuner"});
  ASSERT_EQ(p.DigitalGroup, 46);  // five slots
  p.PerfInUse[1] = true;
  p.PerfMIDI[1].ParamNo = 40;  // slot 9: nothing there
  DetermineDigitalGroup(p, {});
  EXPECT_FALSE(p.PerfInUse[1]);
  EXPECT_EQ(p.PerfMIDI[1].ParamNo, 0);
}

TEST(DigitalCatalogue, SameGroupKeepsSlotsAndOnlyRecomputesInUse) {
  TPreset p;
  DetermineDigitalGroup(p, {"Flanger", "Panner"});
  p.DigitalSlots[3] = 77;
  DetermineDigitalGroup(p, {"Panner"});
  EXPECT_EQ(p.DigitalGroup, 0);
  EXPECT_EQ(p.DigitalSlots[3], 77);
  const std::array<bool, 5> inUse = {false, false, false, true, false};
  EXPECT_EQ(p.DigitalInUse, inUse);
}

TEST(DigitalCatalogue, AvailableEffects) {
  TPreset p;
  QStringList all = AvailableEffects(p, {});
  ASSERT_EQ(all.size(), 25);
  EXPECT_EQ(all.first(), QStringLiteral("Low Pass"));
  EXPECT_EQ(all.last(), QStringLiteral("Dual PTr"));

  const QStringList chosen = {"Low Pass", "Flanger"};
  DetermineDigitalGroup(p, chosen);
  const QStringList available = AvailableEffects(p, chosen);
  ASSERT_GE(available.size(), 2);
  EXPECT_EQ(available[0], QStringLiteral("Stereo DDL L"));
  EXPECT_EQ(available[1], QStringLiteral("Panner"));
  EXPECT_FALSE(available.contains(QStringLiteral("Chorus")));
  EXPECT_FALSE(available.contains(QStringLiteral("Flanger")));
  QStringList copy = available;
  EXPECT_EQ(copy.removeDuplicates(), 0);
}

TEST(DigitalCatalogue, RandomEditingAlwaysReachesAValidGroup) {
  std::mt19937 rng(4242);
  for (int walk = 0; walk < 300; ++walk) {
    TPreset p;
    QStringList chosen;
    DetermineDigitalGroup(p, chosen);
    for (int step = 0; step < 30; ++step) {
      const QStringList available = AvailableEffects(p, chosen);
      const bool add = !available.isEmpty() && (chosen.isEmpty() || rng() % 3 != 0);
      if (add) {
        chosen << available[int(rng() % available.size())];
      } else if (!chosen.isEmpty()) {
        chosen.removeAt(int(rng() % chosen.size()));
      }
      ASSERT_NO_THROW(DetermineDigitalGroup(p, chosen)) << chosen.join(u',').toStdString();
      ASSERT_TRUE(IsValidGroup(p.DigitalGroup));
      int inUse = 0;
      for (int k = 0; k < DigitalPlaceCount; ++k) {
        if (!p.DigitalInUse[k]) continue;
        ++inUse;
        EXPECT_TRUE(chosen.contains(EffectName(GroupEffect(p.DigitalGroup, k))));
      }
      EXPECT_EQ(inUse, chosen.size());
      for (int i = GroupParamCount(p.DigitalGroup); i < DigitalSlotCount; ++i)
        EXPECT_EQ(p.DigitalSlots[i], 0) << "slot past the group";
    }
  }
}

TEST(DigitalCatalogue, EveryGroupChangeKeepsSlotsWithinTheirRanges) {
  // Start from each group with its defaults, move to every other: each slot holds a value its
  // control can show, or the catalogue default the unit itself starts with.
  for (int from = 0; from < DigitalGroupCount; ++from) {
    TPreset base;
    QStringList names;
    for (int k = 0; k < GroupEffectCount(from); ++k) names << EffectName(GroupEffect(from, k));
    DetermineDigitalGroup(base, names);
    ASSERT_EQ(base.DigitalGroup, from) << "group " << from << " is not the lowest for its chain";
    for (int to = 0; to < DigitalGroupCount; ++to) {
      TPreset p = base;
      QStringList target;
      for (int k = 0; k < GroupEffectCount(to); ++k) target << EffectName(GroupEffect(to, k));
      DetermineDigitalGroup(p, target);
      for (int s = 0; s < GroupParamCount(p.DigitalGroup); ++s) {
        const TParamDef* d = DigitalSlotParam(p.DigitalGroup, s);
        ASSERT_NE(d, nullptr);
        EXPECT_TRUE(d->InRange(p.DigitalSlots[s]) || p.DigitalSlots[s] == d->Default)
            << from << "->" << to << " slot " << s;
      }
    }
  }
}

TEST(DigitalCatalogue, ReverbTypeCodes) {
  EXPECT_EQ(ReverbTypeName(1), QStringLiteral("Hall-3"));
  EXPECT_EQ(ReverbTypeName(9), QStringLiteral("Hall-1"));
  EXPECT_EQ(ReverbTypeName(12), QStringLiteral("Vocal-1"));
  EXPECT_EQ(ReverbTypeName(13), QStringLiteral("OFF"));
  EXPECT_EQ(ReverbTypeName(0), QString());
  EXPECT_EQ(ReverbTypeName(14), QString());
  EXPECT_EQ(ReverbTypeAddend(deReverb1), 9);
  EXPECT_EQ(ReverbTypeAddend(deReverb2), 5);
  EXPECT_EQ(ReverbTypeAddend(deReverb3), 1);
  EXPECT_EQ(ReverbTypeAddend(deFlanger), 0);
}

}  // namespace
