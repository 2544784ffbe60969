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

struct TRangeCase {
  const char* Control;
  int Effect;
  int P;
  int M;
  const char* Scale;  // name of the scale the text must follow, or "" for Text
  const char* Text;
};

TScale ScaleNamed(const char* name) {
  for (int s = 0; s <= int(TScale::PlainNumber); ++s)
    if (ScaleName(TScale(s)) == QLatin1String(name)) return TScale(s);
  throw std::invalid_argument(name);
}

class RangeValueTextRule : public ::testing::TestWithParam<TRangeCase> {};

TEST_P(RangeValueTextRule, FirstMatchingRuleGivesTheText) {
  const TRangeCase& c = GetParam();
  const QString text = RangeValueText(Row(c.Control, c.Effect), c.P, c.M);
  if (*c.Scale)
    EXPECT_EQ(text, ScaleText(ScaleNamed(c.Scale), c.P)) << c.Control;
  else
    EXPECT_EQ(text.toStdString(), c.Text) << c.Control;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RangeValueTextRule,
    ::testing::Values(TRangeCase{"ragCMPslope", -1, 3, 0, "", "4:1"},
                      TRangeCase{"ragREVtype", deReverb1, 9, 9, "", "Hall-1"},
                      TRangeCase{"ragREVtype", deReverb1, 13, 9, "", "OFF"},
                      TRangeCase{"ragFLAtype", -1, 3, 3, "", "OFF"},
                      TRangeCase{"lstPTRbase_key", -1, 60, 0, "", "C 4"},
                      TRangeCase{"lcdEQU40Hz", -1, 6, 0, "EQ level", ""},
                      TRangeCase{"trbPTRfine", -1, 70, 0, "fine pitch", ""},
                      TRangeCase{"trb2PTfine_1", -1, 70, 0, "fine pitch", ""},
                      TRangeCase{"trbTAPfine", deTappedDdlS, 20, 1, "plain milliseconds", ""},
                      TRangeCase{"trbCHOdelay", -1, 20, 0, "plain milliseconds", ""},
                      TRangeCase{"trbSDDleft_delay_lgth", deStereoDdlL, 126, 0, "delay length", ""},
                      TRangeCase{"trbFLAspeed", -1, 20, 0, "LFO speed", ""},
                      TRangeCase{"trb2PTpitch_2", -1, 3, 0, "pitch", ""},
                      TRangeCase{"trbCMPdrive", -1, 16, 0, "eighths percent", ""},
                      TRangeCase{"trbSDDdamping", deStereoDdlS, 16, 0, "eighths percent", ""},
                      TRangeCase{"trbENVtuning", -1, 35, 0, "envelope tuning", ""},
                      TRangeCase{"trb2PTpan_pos_1", -1, 40, 0, "", "40"},
                      TRangeCase{"trbREVlevel", deReverb3, 63, 0, "level percent", ""},
                      TRangeCase{"trbLVLmaster", -1, 41, 0, "master level", ""},
                      TRangeCase{"trbGATdiffusion", deGateVerb1, 2, 1, "diffusion", ""},
                      TRangeCase{"trbCMPoutput", -1, 50, 0, "", "100%"},
                      TRangeCase{"trbCMPoutput", -1, 0, 0, "", "0%"},
                      TRangeCase{"trbREVdecay", deReverb3, 17, 0, "reverb decay", ""},
                      TRangeCase{"trbGATdecay", deGateVerb2, 7, 0, "gate decay", ""},
                      TRangeCase{"trbSMPlength", deSamplerL, 100, 1, "sample length", ""},
                      TRangeCase{"trbLPFfrequency", -1, 30, 0, "low-pass frequency", ""},
                      TRangeCase{"trbTNRdetune", -1, 50, 0, "detune", ""},
                      TRangeCase{"trbREVdamping", deReverb2, 2, 0, "damping", ""},
                      TRangeCase{"trbREVposition", deReverb1, 0, 0, "", "Front"},
                      TRangeCase{"trbMPNpos", -1, 10, 0, "", "117"},
                      TRangeCase{"trbTAPtaps", deTappedDdlL, 5, 0, "", "5"}));

}  // namespace
