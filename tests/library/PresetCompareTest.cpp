// Comparing presets in the listing's own words, and backup folders slot by slot.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTextStream>

#include "LibraryTestUtil.h"
#include "library/PresetCompare.h"

namespace {

using D = TParamDifference;

// One parameter of every page changed; the expected texts are worked out by hand from the
// parameter tables and display scales.
TEST(ComparePresets, OneParameterOfEachPageListsExactlyThoseInTheListingsTexts) {
  TPreset a = GroupNinePreset("Clean");
  a.AnalogInUse[1] = true;  // Expander
  a.PerfInUse[0] = true;
  a.PerfMIDI[0].ParamNo = 4;  // compressor drive
  a.PerfMIDI[0].Low = 0;
  a.PerfMIDI[0].High = 31;

  TPreset b = a;
  b.Title = "Lead";
  b.AnalogInUse[1] = false;
  b.Mix[0] = 15;
  b.AnalogParams[0] = 31;   // compressor drive
  b.AnalogParams[6] = 6;    // expander ratio
  b.AnalogParams[7] = 4;    // distortion type
  b.AnalogParams[15] = 0;   // envelope tuning
  b.AnalogParams[16] = 31;  // noise gate range
  b.AnalogParams[17] = 12;  // equalizer 40 Hz
  b.AnalogParams[24] = 1;   // A.E.S. type
  b.AnalogParams[26] = 6;   // digital contour tuning
  b.AnalogParams[27] = 48;  // master level
  b.DigitalSlots[0] = 4;    // low-pass frequency
  b.DigitalSlots[1] = 70;   // regen DDL delay
  b.DigitalSlots[7] = 20;   // reverb 2 decay
  b.DigitalSlots[13] = 31;  // flanger speed
  b.DigitalSlots[16] = 15;  // panner mod
  b.SetVexaState(5, true);  // "Reverb"
  b.PerfMIDI[0].High = 15;

  const std::vector<D> expected = {
      {"Title", "Title", "Clean", "Lead"},
      {"Chain", "Expander", "on", "off"},
      {"Mix", "dry", "100%", "50%"},
      {"Compressor", "drive", "78%", "100%"},
      {"Expander", "Ratio", "1:3", "1:4"},
      {"Distortion", "Type", "Solid Super", "Jazz Tube"},
      {"EnvelopeFilter", "tuning", "744 Hz", "120 Hz"},
      {"NoiseGate", "range", "50%", "100%"},
      {"Equalizer", "40Hz", "0 db", "+15 db"},
      {"AES", "Type", "OFF", "Dead Room"},
      {"Contour", "Tuning", "350 hz", "2K hz"},
      {"Level", "master", "85%", "100%"},
      {"LowPass", "frequency", "THRU", "1.00 KHz"},
      {"Flanger", "speed", "0.84Hz", "1.28Hz"},
      {"Panner", "mod", "100%", "50%"},
      {"Reverb", "decay", "2.4s", "3.0s"},
      {"RegenDDL", "delay", "100 ms", "350 ms"},
      {"Vexa states", "Reverb", "off", "on"},
      {"Performance MIDI", "Controller #1 high range value", "100%", "50%"},
  };
  const std::vector<D> got = ComparePresets(a, b);
  ASSERT_EQ(got.size(), expected.size()) << qPrintable(DifferencesText(got));
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(got[i].Page, expected[i].Page) << i;
    EXPECT_EQ(got[i].Name, expected[i].Name) << i;
    EXPECT_EQ(got[i].Left, expected[i].Left) << i;
    EXPECT_EQ(got[i].Right, expected[i].Right) << i;
  }
}

TEST(ComparePresets, TheSamePresetOnAnotherChannelHasNoDifferences) {
  TPreset a = GroupNinePreset("Same");
  TPreset b = a;
  b.Header[2] = 9;
  EXPECT_TRUE(ComparePresets(a, b).empty());
  EXPECT_EQ(DifferencesText({}), "No differences\n");
}

TEST(ComparePresets, TheTextGroupsLinesUnderTheirPage) {
  TPreset a = GroupNinePreset("X");
  TPreset b = a;
  b.AnalogParams[0] = 31;
  b.AnalogParams[4] = 50;  // compressor output, double percent
  EXPECT_EQ(DifferencesText(ComparePresets(a, b)),
            "Compressor\n"
            "      drive = 78%  ->  100%\n"
            "      output = 84%  ->  100%\n");
}

TEST(ComparePresets, AnotherGroupShowsTheChainAndTheEffectsOfOneSideOnly) {
  TPreset a = GroupNinePreset("X");
  TPreset b = a;
  b.DigitalGroup = 10;  // Tremolo in the Panner's place and slots
  const std::vector<D> got = ComparePresets(a, b);
  ASSERT_GE(got.size(), 5u) << qPrintable(DifferencesText(got));
  EXPECT_EQ(got[0],
            (D{"Chain", "Digital group", "9. Low Pass, Regen DDL S, Reverb 2, Flanger, Panner",
               "10. Low Pass, Regen DDL S, Reverb 2, Flanger, Tremolo"}));
  EXPECT_EQ(got[1], (D{"Chain", "Panner", "on", "not in the group"}));
  EXPECT_EQ(got[2], (D{"Chain", "Tremolo", "not in the group", "on"}));
  EXPECT_EQ(got[3], (D{"Panner", "mod", "100%", ""}));
  EXPECT_EQ(got[4], (D{"Panner", "speed", "2.16Hz", ""}));  // table entry of raw 40
  EXPECT_EQ(got[5], (D{"Tremolo", "mod", "", "100%"}));
  EXPECT_TRUE(DifferencesText(got).contains("      mod = 100%  ->  (none)\n"));
}

TEST(ComparePresets, PerformanceEntriesOnOneSideListEveryLine) {
  TPreset a = GroupNinePreset("X");
  TPreset b = a;
  b.PerfInUse[2] = true;
  b.PerfMIDI[2].ParamNo = 2;  // digital mix
  b.PerfMIDI[2].Controller = 11;
  b.PerfMIDI[2].High = 31;
  const std::vector<D> got = ComparePresets(a, b);
  const std::vector<D> expected = {
      {"Performance MIDI", "Controller #3", "off", "on"},
      {"Performance MIDI", "Controller #3 is controlling", "", "Mix: digital"},
      {"Performance MIDI", "Controller #3 low range value", "", "0%"},
      {"Performance MIDI", "Controller #3 high range value", "", "100%"},
      {"Performance MIDI", "Controller #3 controller", "", "#11 Expression ctlr"},
  };
  EXPECT_EQ(got, expected) << qPrintable(DifferencesText(got));
}

class CompareFolders : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString older() const { return dir.path() + "/Snapshot 1"; }
  QString newer() const { return dir.path() + "/Snapshot 2"; }
};

TEST_F(CompareFolders, NamesSlotsAddedRemovedAndChangedWithTheirDifferences) {
  TPreset changed = GroupNinePreset("Chimey");
  WriteFile(older() + "/Bank A/Clean.zqn001", TitledDump("Clean"));
  WriteFile(older() + "/Bank A/Chimey.zqn002", DumpOf(changed));
  WriteFile(older() + "/Bank B/Gone.zqn010", TitledDump("Gone"));
  WriteFile(newer() + "/Bank A/Clean.zqn001", TitledDump("Clean"));
  changed.Mix[1] = 15;
  WriteFile(newer() + "/Bank A/Chimey.zqn002", DumpOf(changed));
  WriteFile(newer() + "/Bank C/New one.zqn200", TitledDump("New one"));
  // The same preset received on another channel is no change.
  QByteArray otherChannel = TitledDump("Channel");
  WriteFile(older() + "/Bank D/Channel.zqn005", otherChannel);
  otherChannel[2] = 3;
  WriteFile(newer() + "/Bank D/Channel.zqn005", otherChannel);

  const TFolderComparison c = CompareBackupFolders(older(), newer());
  ASSERT_TRUE(c.Error.isEmpty()) << qPrintable(c.Error);
  ASSERT_EQ(c.Slots.size(), 3u);
  EXPECT_EQ(c.Slots[0].Change, TSlotChange::Changed);
  EXPECT_EQ(c.Slots[0].Bank, 0);
  EXPECT_EQ(c.Slots[0].Index, 1);
  EXPECT_EQ(c.Slots[0].Differences, (std::vector<D>{{"Mix", "digital", "100%", "50%"}}));
  EXPECT_EQ(c.Slots[1].Change, TSlotChange::Removed);
  EXPECT_EQ(c.Slots[1].Bank, 1);
  EXPECT_EQ(c.Slots[1].Index, 9);
  EXPECT_EQ(c.Slots[2].Change, TSlotChange::Added);
  EXPECT_EQ(c.Slots[2].Bank, 2);
  EXPECT_EQ(c.Slots[2].Index, 199);
  EXPECT_EQ(c.Unchanged, 2);
  EXPECT_EQ(FolderComparisonText(c),
            "A-002  Chimey            changed\n"
            "    Mix\n"
            "          digital = 100%  ->  50%\n"
            "B-010  Gone              removed\n"
            "C-200  New one           added\n"
            "1 added, 1 removed, 1 changed, 2 unchanged\n");
}

TEST_F(CompareFolders, AMissingFolderIsAnError) {
  WriteFile(older() + "/Bank A/Clean.zqn001", TitledDump("Clean"));
  EXPECT_FALSE(CompareBackupFolders(older(), dir.path() + "/nowhere").Error.isEmpty());
}

class PresetDiff : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString out, err;
  int Run(const QString& a, const QString& b) {
    out.clear();
    err.clear();
    QTextStream o(&out), e(&err);
    const int rc = RunPresetDiff(a, b, o, e);
    o.flush();
    e.flush();
    return rc;
  }
};

TEST_F(PresetDiff, ExitsZeroForTheSamePresetOneForDifferentOnesTwoForABadFile) {
  const QString a = dir.path() + "/A.zqn", b = dir.path() + "/B.zqn042", c = dir.path() + "/C.zqn";
  WriteFile(a, TitledDump("Clean"));
  WriteFile(b, TitledDump("Clean"));
  WriteFile(c, TitledDump("Dirty"));
  EXPECT_EQ(Run(a, b), 0);
  EXPECT_TRUE(out.endsWith("No differences\n")) << qPrintable(out);
  EXPECT_EQ(Run(a, c), 1);
  EXPECT_TRUE(out.contains("Title\n      Title = Clean  ->  Dirty\n")) << qPrintable(out);

  WriteFile(dir.path() + "/short.zqn", "F0");
  EXPECT_EQ(Run(a, dir.path() + "/short.zqn"), 2);
  EXPECT_TRUE(err.contains("short.zqn: Not a valid preset file")) << qPrintable(err);
  EXPECT_EQ(Run(dir.path() + "/missing.zqn", a), 2);
  EXPECT_TRUE(err.contains("missing.zqn")) << qPrintable(err);
}

TEST_F(PresetDiff, TwoFoldersAreComparedAsBackups) {
  WriteFile(dir.path() + "/one/Bank A/Clean.zqn001", TitledDump("Clean"));
  WriteFile(dir.path() + "/two/Bank A/Clean.zqn001", TitledDump("Clean"));
  EXPECT_EQ(Run(dir.path() + "/one", dir.path() + "/two"), 0);
  EXPECT_EQ(out, "0 added, 0 removed, 0 changed, 1 unchanged\n");
  WriteFile(dir.path() + "/two/Bank A/Dirty.zqn002", TitledDump("Dirty"));
  EXPECT_EQ(Run(dir.path() + "/one", dir.path() + "/two"), 1);
  EXPECT_TRUE(out.contains("A-002  Dirty")) << qPrintable(out);
}

}  // namespace
