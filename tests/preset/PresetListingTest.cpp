#include "preset/PresetListing.h"

#include <gtest/gtest.h>

#include "preset/DigitalCatalogue.h"
#include "preset/Preset.h"

namespace {

QStringList Texts(const std::vector<TListingLine>& lines) {
  QStringList t;
  for (const TListingLine& l : lines) t << l.Text;
  return t;
}

// A bar keeps the underscores of its name; its value reads as the label beside it shows it, also
// outside its scale.
TEST(PresetListing, ParameterLinesByControlKind) {
  const struct {
    const char* control;
    int stored;
    const char* line;
  } cases[] = {
      {"trbCMPdrive", 31, "drive = 100%"},     {"ragCMPslope", 3, "Slope = 4:1"},
      {"lcdEQU40Hz", 6, "40Hz = 0 db"},        {"ragDSTtype", 5, "Type = Overdrive "},
      {"trbLVLmaster", 41, "master = "},       {"lstPTRbase_key", 0, "base key = OFF"},
      {"ragREVtype", 9, "Type = Hall-1"},      {"trbSDDleft_delay_lgth", 0, "left_delay_lgth = "},
      {"trbMIXdigital", 15, "digital = 50%"},  {"trb2PTpitch_1", 0, "pitch_1 = "},
      {"trb2PTpan_pos_2", 0, "pan_pos_2 = 0"}, {"trbCMPdrive", 40, "drive = 40"},
  };
  for (const auto& c : cases) {
    const TParamDef* def = nullptr;
    for (const TParamDef& d : ParamTable())
      if (QLatin1String(d.Control) == QLatin1String(c.control) && !def) def = &d;
    ASSERT_NE(def, nullptr) << c.control;
    EXPECT_TRUE(ParameterLine(*def, c.stored).startsWith(QLatin1String(c.line)))
        << c.control << ": " << ParameterLine(*def, c.stored).toStdString();
  }
}

TEST(PresetListing, HeadAnalogDigitalMixAndPerformanceSections) {
  TPreset p;
  p.Title = QStringLiteral("Song");
  p.AnalogInUse[3] = true;  // envelope filter: its page name loses the "ts" only
  p.DigitalGroup = 53;
  p.DigitalInUse = {true, false, true, false, false};
  p.PerfInUse[0] = true;  // MIDI Monitor
  p.PerfMIDI[0].ParamNo = 0;
  p.PerfMIDI[0].Controller = 128;
  const TPresetListing l = BuildPresetListing(
      p, "ZQN-Tarvo", "", [](int n) { return n == 128 ? QStringLiteral("OFF") : QString(); });
  const QStringList head = Texts(l.Head);
  EXPECT_EQ(head, QStringList({"ZQN-Tarvo Preset parameter listing", "", "Title: Song", ""}));
  EXPECT_TRUE(l.Head[0].Bold && l.Head[0].Underline);

  const QStringList analog = Texts(l.Columns[0]);
  EXPECT_EQ(analog.value(0).toStdString(), "Analog effects");
  EXPECT_EQ(analog.value(1).toStdString(), "   EnvelopeFilter");
  EXPECT_EQ(analog.size(), 2 + 4);
  EXPECT_TRUE(analog.value(2).startsWith("      Type = "));

  // Group 53's used places, in page order; each with its effect's rows.
  const QStringList digital = Texts(l.Columns[1]);
  int pages = 0, rows = 0;
  for (const QString& line : digital) {
    if (line.startsWith("      "))
      ++rows;
    else if (line.startsWith("   "))
      ++pages;
  }
  EXPECT_EQ(pages, 2);
  EXPECT_EQ(rows, DigitalCatalogue[GroupEffect(53, 0)].ParamCount +
                      DigitalCatalogue[GroupEffect(53, 2)].ParamCount);

  const QStringList third = Texts(l.Columns[2]);
  EXPECT_EQ(third.mid(0, 6), QStringList({"Mix", "    dry = 100%", "    digital = 100%",
                                          "    analog = 100%", "", "Performance MIDI"}));
  EXPECT_EQ(third.mid(6), QStringList({"Controller #1", "    is controlling: MIDI Monitor: enabled",
                                       "    low range value = ", "    high range value = ",
                                       "    controller = #128 OFF"}));
}

TEST(PresetListing, FileNameLineOnlyWithAName) {
  TPreset p;
  const QStringList head = Texts(BuildPresetListing(p, "T", "/x/a.zqn").Head);
  EXPECT_EQ(head.value(2).toStdString(), "Filename: /x/a.zqn");
  EXPECT_FALSE(BuildPresetListing(p, "T", "/x/a.zqn").Head[2].Bold);
}

TEST(PresetListing, AnInvalidGroupListsNoDigitalEffect) {
  TPreset p;
  p.DigitalGroup = 54;
  p.DigitalInUse.fill(true);
  EXPECT_TRUE(ChosenDigitalEffects(p).empty());
  EXPECT_EQ(BuildPresetListing(p, "T", "").Columns[1].size(), 1u);
}

}  // namespace
