#include <gtest/gtest.h>

#include <cstring>

#include "preset/DigitalCatalogue.h"
#include "preset/ParamTable.h"
#include "preset/PerfAssignments.h"
#include "preset/Scales.h"

namespace {

// The row of a control, for the variant of the effect given (-1: the first row of that name).
const TParamDef& Row(const char* control, int effect = -1) {
  for (const TParamDef& def : ParamTable())
    if (std::strcmp(def.Control, control) == 0 &&
        (effect < 0 || (def.Area == TParamArea::Digital && def.Owner == effect)))
      return def;
  throw std::invalid_argument(control);
}

TScale ScaleNamed(const char* name) {
  for (int s = 0; s <= int(TScale::PlainNumber); ++s)
    if (ScaleName(TScale(s)) == QLatin1String(name)) return TScale(s);
  throw std::invalid_argument(name);
}

// Named choices read as their items, from the range bar's minimum.
TEST(RangeValueText, NamedChoicesReadAsTheirItems) {
  EXPECT_EQ(RangeValueText(Row("ragCMPslope"), 3, 0), QStringLiteral("4:1"));
  EXPECT_EQ(RangeValueText(Row("ragREVtype", deReverb1), 9, 9), QStringLiteral("Hall-1"));
  EXPECT_EQ(RangeValueText(Row("ragREVtype", deReverb1), 13, 9), QStringLiteral("OFF"));
  EXPECT_EQ(RangeValueText(Row("ragFLAtype"), 3, 3), QStringLiteral("OFF"));
  EXPECT_EQ(RangeValueText(Row("lstPTRbase_key"), 60, 0), QStringLiteral("C 4"));
  EXPECT_EQ(RangeValueText(Row("lcdEQU40Hz"), 6, 0), QStringLiteral("0 db"));
}

// The range texts the page shows are the listing's: the parameter's display scale. These read
// "5" by the page's old name rules.
TEST(RangeValueText, TheParametersThatReadAsPlainNumbersBeforeFollowTheirScale) {
  EXPECT_EQ(RangeValueText(Row("trbDSTdrive"), 5, 0), QStringLiteral("10%"));
  EXPECT_EQ(RangeValueText(Row("trbDSTbite"), 5, 0), QStringLiteral("83%"));
  EXPECT_EQ(RangeValueText(Row("trbDSToutput"), 5, 0), QStringLiteral("11%"));
  EXPECT_EQ(RangeValueText(Row("trbSMPstart", deSamplerS), 5, 0), QStringLiteral("5 ms"));
  EXPECT_EQ(RangeValueText(Row("trbSPTstart"), 5, 0), QStringLiteral("5 ms"));
  // MIDI Pan's bar runs reversed: position 10 stands for the stored 117.
  EXPECT_EQ(RangeValueText(Row("trbMPNpos"), 10, 0), QStringLiteral("117"));
}

struct TScaleOfControl {
  const char* Control;
  const char* Scale;
};

// Which parameter uses which scale, as the unit's manual tables it.
constexpr TScaleOfControl ScaleOfControl[] = {
    {"trbMIXdry", "eighths percent"},
    {"trbMIXdigital", "eighths percent"},
    {"trbMIXanalog", "eighths percent"},
    {"trbCMPdrive", "eighths percent"},
    {"trbCMPoutput", "double percent"},
    {"trbEXPrange", "eighths percent"},
    {"trbDSTdrive", "double percent"},
    {"trbDSTbite", "seven-step percent"},
    {"trbDSTthrust", "seven-step percent"},
    {"trbDSToutput", "distortion output percent"},
    {"trbENVthreshold", "eighths percent"},
    {"trbENVtuning", "envelope tuning"},
    {"trbNGTrange", "eighths percent"},
    {"lcdEQU40Hz", "EQ level"},
    {"lcdEQU10KHz", "EQ level"},
    {"trbLVLmaster", "master level"},
    {"trbLPFfrequency", "low-pass frequency"},
    {"trbFLAwidth", "eighths percent"},
    {"trbCHOwidth", "eighths percent"},
    {"trbPANmod", "eighths percent"},
    {"trbTRMmod", "eighths percent"},
    {"trbPSRwidth", "eighths percent"},
    {"trbSDDdamping", "eighths percent"},
    {"trbFLAspeed", "LFO speed"},
    {"trbCHOspeed", "LFO speed"},
    {"trbPANspeed", "LFO speed"},
    {"trbTRMspeed", "LFO speed"},
    {"trbPSRspeed", "LFO speed"},
    {"trbFLAregen", "level percent"},
    {"trbFLAlevel", "level percent"},
    {"trbCHOlevel", "level percent"},
    {"trbPTRregen", "level percent"},
    {"trbPTRlevel", "level percent"},
    {"trbREVlevel", "level percent"},
    {"trbGATlevel", "level percent"},
    {"trbTAPregen", "level percent"},
    {"trbTAPlevel", "level percent"},
    {"trbREGregen", "level percent"},
    {"trbREGlevel", "level percent"},
    {"trbSDDregen", "level percent"},
    {"trbSDDlevel", "level percent"},
    {"trbSMPlevel", "level percent"},
    {"trbSPTlevel", "level percent"},
    {"trbTNRlevel", "level percent"},
    {"trbPSRregen", "level percent"},
    {"trbPSRdepth", "level percent"},
    {"trb2PTlevel", "level percent"},
    {"trbCHOdelay", "plain milliseconds"},
    {"trbTAPfine", "plain milliseconds"},
    {"trbREGfine", "plain milliseconds"},
    {"trbSDDleft_delay_fine", "plain milliseconds"},
    {"trbSDDright_delay_fine", "plain milliseconds"},
    {"trbSMPstart", "plain milliseconds"},
    {"trbSPTstart", "plain milliseconds"},
    {"trbPTRpitch", "pitch"},
    {"trbSPTpitch", "pitch"},
    {"trb2PTpitch_1", "pitch"},
    {"trb2PTpitch_2", "pitch"},
    {"trbPTRfine", "fine pitch"},
    {"trbSPTfine", "fine pitch"},
    {"trb2PTfine_1", "fine pitch"},
    {"trb2PTfine_2", "fine pitch"},
    {"trbTAPdelay", "delay length"},
    {"trbREGdelay", "delay length"},
    {"trbSDDleft_delay_lgth", "delay length"},
    {"trbSDDright_delay_lgth", "delay length"},
    {"trbSMPlength", "sample length"},
    {"trbSPTlength", "sample length"},
    {"trbREVdecay", "reverb decay"},
    {"trbREVdamping", "damping"},
    {"trbREVposition", "reverb position"},
    {"trbREVdiffusion", "diffusion"},
    {"trbGATdiffusion", "diffusion"},
    {"trbGATdecay", "gate decay"},
    {"trbTNRdetune", "detune"},
    {"trbTAPtaps", "plain number"},
    {"trb2PTpan_pos_1", "plain number"},
    {"trb2PTpan_pos_2", "plain number"},
};

TEST(RangeValueText, EveryPositionOfEveryVariantReadsByTheParametersScaleAsTheListingDoes) {
  for (const TScaleOfControl& c : ScaleOfControl) {
    const TScale scale = ScaleNamed(c.Scale);
    bool seen = false;
    for (const TParamDef& def : ParamTable()) {
      if (std::strcmp(def.Control, c.Control) != 0) continue;
      seen = true;
      for (int p = def.Min; p <= def.Max; ++p) {
        EXPECT_EQ(RangeValueText(def, p, def.Min), ScaleText(scale, p)) << c.Control << " " << p;
        EXPECT_EQ(RangeValueText(def, p, def.Min), def.ValueText(p)) << c.Control << " " << p;
      }
    }
    EXPECT_TRUE(seen) << c.Control;
  }
}

}  // namespace
