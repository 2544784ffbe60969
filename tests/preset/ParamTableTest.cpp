#include <gtest/gtest.h>

#include <QSet>

#include "PresetTestUtil.h"
#include "preset/DigitalCatalogue.h"

namespace {

TEST(ParamTable, NumberingCoversMixAnalogAndTheWholeCatalogue) {
  const auto rows = ParamTable();
  ASSERT_EQ(rows.size(), std::size_t(ParamRowCount));
  ASSERT_EQ(ParamRowCount, 160);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].Id, int(i) + 1);
  EXPECT_STREQ(ParamDef(1).Control, "trbMIXdry");
  EXPECT_STREQ(ParamDef(4).Control, "trbCMPdrive");
  EXPECT_STREQ(ParamDef(31).Control, "trbLVLmaster");
  EXPECT_STREQ(ParamDef(32).Control, "trbLPFfrequency");
  EXPECT_STREQ(ParamDef(160).Control, "trb2PTpan_pos_2");
  EXPECT_THROW(ParamDef(0), std::out_of_range);
  EXPECT_THROW(ParamDef(161), std::out_of_range);
  for (int effect = 0; effect < AnalogEffectCount; ++effect) {
    const auto params = AnalogEffectParams(effect);
    ASSERT_EQ(int(params.size()), AnalogEffectParamCounts[effect]);
    EXPECT_EQ(params.front().Id, FirstAnalogParam + AnalogSlotOffset(effect));
  }
  for (int effect = 0; effect < DigitalEffectCount; ++effect) {
    const auto params = DigitalEffectParams(effect);
    ASSERT_EQ(int(params.size()), DigitalCatalogue[effect].ParamCount) << effect;
    EXPECT_EQ(params.front().Id, FirstCatalogueParamId(effect));
    for (std::size_t p = 0; p < params.size(); ++p) {
      EXPECT_EQ(params[p].Owner, effect);
      EXPECT_EQ(params[p].Position, int(p));
    }
  }
}

TEST(ParamTable, EveryRangeSitsInItsScaleAndEveryDefaultInItsRange) {
  for (const TParamDef& d : ParamTable()) {
    SCOPED_TRACE(d.Control);
    EXPECT_LE(d.Min, d.Max);
    // The unit starts the tapped and regenerating delays' fine delay at 0, below the 1..50 the
    // bar offers; the bar shows it at its minimum and leaves it alone.
    const bool belowTheBar = QLatin1String(d.Control) == QLatin1String("trbTAPfine") ||
                             QLatin1String(d.Control) == QLatin1String("trbREGfine");
    if (belowTheBar)
      EXPECT_EQ(d.Default, d.Min - 1);
    else
      EXPECT_TRUE(d.InRange(d.Default));
    EXPECT_LE(d.Max, 255);  // must travel as one split pair
    EXPECT_GE(d.Min, 0);
    if (d.Kind == TControlKind::TrackBar || d.Kind == TControlKind::LcdMeter) {
      ASSERT_NE(d.Scale, TScale::None);
      EXPECT_TRUE(ScaleDomain(d.Scale).Contains(d.Min));
      EXPECT_TRUE(ScaleDomain(d.Scale).Contains(d.Max));
      EXPECT_TRUE(d.Items.empty());
      for (int v = d.Min; v <= d.Max; ++v) EXPECT_FALSE(d.ValueText(v).isEmpty()) << v;
    } else {
      EXPECT_EQ(d.Max - d.Min + 1, int(d.Items.size()));
      EXPECT_EQ(d.Min, d.Addend);
      for (int v = d.Min; v <= d.Max; ++v) EXPECT_FALSE(d.ValueText(v).isEmpty()) << v;
      EXPECT_TRUE(d.ValueText(d.Max + 1).isEmpty());
    }
  }
}

TEST(ParamTable, ControlNamesCarryKindAndEffectCode) {
  QSet<QString> analogNames;
  for (const TParamDef& d : ParamTable()) {
    const QString name = QString::fromLatin1(d.Control);
    const QString prefix = name.left(3);
    switch (d.Kind) {
      case TControlKind::TrackBar:
        EXPECT_EQ(prefix, QStringLiteral("trb")) << d.Control;
        break;
      case TControlKind::RadioGroup:
        EXPECT_EQ(prefix, QStringLiteral("rag")) << d.Control;
        break;
      case TControlKind::ListBox:
        EXPECT_EQ(prefix, QStringLiteral("lst")) << d.Control;
        break;
      case TControlKind::LcdMeter:
        EXPECT_EQ(prefix, QStringLiteral("lcd")) << d.Control;
        break;
      case TControlKind::CheckBox:
        EXPECT_EQ(prefix, QStringLiteral("chk")) << d.Control;
        break;
    }
    if (d.Area != TParamArea::Digital) {
      EXPECT_FALSE(analogNames.contains(name)) << d.Control;
      analogNames.insert(name);
    }
  }
  // Within one digital effect every slot has its own control.
  for (int effect = 0; effect < DigitalEffectCount; ++effect) {
    QSet<QString> names;
    for (const TParamDef& d : DigitalEffectParams(effect)) names.insert(d.Control);
    EXPECT_EQ(names.size(), DigitalCatalogue[effect].ParamCount);
  }
  EXPECT_EQ(ParamDef(4).ValueLabel(), QStringLiteral("txtCMPdrive"));
  EXPECT_EQ(ParamDef(4 + 17).ValueLabel(), QStringLiteral("txtEQU40Hz"));
  EXPECT_STREQ(ParamDef(4 + 17).Partner, "scrEQU40Hz");
  EXPECT_EQ(ParamDef(5).ValueLabel(), QString());
  EXPECT_EQ(ParamDef(4).ParamName(), QStringLiteral("drive"));
  EXPECT_EQ(ParamDef(4).EffectCode(), QStringLiteral("CMP"));
  EXPECT_EQ(DigitalEffectParams(deStereoDdlS)[0].ParamName(), QStringLiteral("left delay lgth"));
  EXPECT_EQ(DigitalEffectParams(dePitchTrans)[3].ParamName(), QStringLiteral("base key"));
}

TEST(ParamTable, AnalogRangesAndDefaultsAreTheFreshRecord) {
  const int defaults[28] = {24, 3,  1,  3, 42, 23, 5, 2, 46, 5, 4, 43, 0, 28,
                            5,  35, 15, 6, 6,  6,  6, 6, 6,  6, 0, 3,  3, 41};
  // Every analog parameter starts at 0; the tops are the unit's.
  const int maxima[28] = {31, 7,  6,  6,  50, 31, 7,  5,  50, 6,  6,  43, 7, 31,
                          6,  63, 31, 12, 12, 12, 12, 12, 12, 12, 13, 3,  6, 48};
  TPreset p;
  for (int i = 0; i < 28; ++i) {
    EXPECT_EQ(p.AnalogParams[i], defaults[i]) << i;
    EXPECT_EQ(ParamDef(4 + i).Default, defaults[i]) << i;
    EXPECT_EQ(ParamDef(4 + i).Min, 0) << i;
    EXPECT_EQ(ParamDef(4 + i).Max, maxima[i]) << i;
  }
  for (int i = 0; i < 3; ++i) EXPECT_EQ(ParamDef(1 + i).Default, p.Mix[i]);
}

TEST(ParamTable, CatalogueDefaults) {
  const std::vector<std::vector<int>> expected = {
      {30},
      {4, 22, 20, 48, 63},
      {1, 10, 20, 30, 63},
      {3, 12, 63, 0, 0, 63},
      {31, 40},
      {31, 40},
      {64},
      {9, 0, 17, 2, 5, 63},
      {5, 0, 17, 2, 5, 63},
      {1, 0, 17, 2, 4, 3, 63},
      {0, 0, 4, 3, 63},
      {0, 0, 7, 3, 63},
      {0, 0, 7, 3, 63},
      {0, 2, 20, 0, 48, 63},
      {0, 2, 48, 0, 48, 63},
      {20, 0, 48, 63},
      {40, 0, 31, 63},
      {16, 0, 22, 0, 48, 0, 63},
      {50, 0, 25, 0, 28, 0, 63},
      {0, 0, 0, 104, 5, 63},
      {0, 0, 0, 127, 5, 63},
      {0, 0, 0, 100, 5, 12, 63, 0, 63},
      {1, 0, 50, 0},
      {1, 20, 20, 31, 63},
      {3, 12, 63, 12, 63, 0, 63, 31, 31},
  };
  for (int e = 0; e < DigitalEffectCount; ++e)
    EXPECT_EQ(EffectDefaults(e), expected[e]) << DigitalCatalogue[e].Name;
}

TEST(ParamTable, VariantSettings) {
  auto param = [](int effect, const char* control) -> const TParamDef& {
    for (const TParamDef& d : DigitalEffectParams(effect))
      if (QLatin1String(d.Control) == QLatin1String(control)) return d;
    throw std::runtime_error(control);
  };
  struct TMax {
    int Effect;
    const char* Control;
    int Min, Max;
  };
  const TMax maxima[] = {
      {deGateVerb1, "trbGATdecay", 0, 4},
      {deGateVerb2, "trbGATdecay", 0, 7},
      {deGateVerb3, "trbGATdecay", 0, 7},
      {deTappedDdlS, "trbTAPdelay", 0, 118},
      {deTappedDdlL, "trbTAPdelay", 0, 122},
      {deRegenDdlS, "trbREGdelay", 0, 118},
      {deRegenDdlL, "trbREGdelay", 0, 122},
      {deStereoDdlS, "trbSDDleft_delay_lgth", 0, 122},
      {deStereoDdlS, "trbSDDright_delay_lgth", 0, 122},
      {deStereoDdlL, "trbSDDleft_delay_lgth", 0, 126},
      {deStereoDdlL, "trbSDDright_delay_lgth", 0, 126},
      {deSamplerS, "trbSMPlength", 1, 104},
      {deSamplerL, "trbSMPlength", 1, 127},
      {deSamplerPtr, "trbSPTlength", 1, 100},
      {deGateVerb1, "trbGATdiffusion", 1, 3},
      {deTappedDdlS, "trbTAPfine", 1, 50},
      {deFlanger, "ragFLAtype", 3, 11},
      {deReverb1, "ragREVtype", 9, 13},
      {deReverb2, "ragREVtype", 5, 13},
      {deReverb3, "ragREVtype", 1, 13},
  };
  for (const TMax& m : maxima) {
    const TParamDef& d = param(m.Effect, m.Control);
    EXPECT_EQ(d.Min, m.Min) << m.Control << " of " << DigitalCatalogue[m.Effect].Name;
    EXPECT_EQ(d.Max, m.Max) << m.Control << " of " << DigitalCatalogue[m.Effect].Name;
  }
  EXPECT_EQ(ScaleText(TScale::DelayLength, 126), QStringLiteral("1.30 s"));
  EXPECT_EQ(ScaleText(TScale::DelayLength, 122), QStringLiteral("1.10 s"));

  const TParamDef& rev1 = param(deReverb1, "ragREVtype");
  EXPECT_EQ(rev1.Items.size(), 5u);
  EXPECT_EQ(rev1.Addend, 9);
  EXPECT_EQ(rev1.ValueText(9), QStringLiteral("Hall-1"));
  EXPECT_EQ(rev1.ValueText(13), QStringLiteral("OFF"));
  const TParamDef& rev3 = param(deReverb3, "ragREVtype");
  EXPECT_EQ(rev3.Items.size(), 13u);
  for (int code = 1; code <= 13; ++code) EXPECT_EQ(rev3.ValueText(code), ReverbTypeName(code));
  EXPECT_EQ(param(deReverb2, "ragREVtype").ValueText(5), QStringLiteral("Hall-2"));
  EXPECT_EQ(param(deFlanger, "ragFLAtype").ValueText(4), QStringLiteral("Post Reverb"));

  const TParamDef& pan = param(deMidiPan, "trbMPNpos");
  EXPECT_TRUE(pan.Reversed);
  EXPECT_EQ(pan.Max - 63, 64);  // the centre button's position stores 64
  EXPECT_EQ(pan.ValueText(64), QStringLiteral("64"));
  int reversed = 0;
  for (const TParamDef& d : ParamTable()) reversed += d.Reversed;
  EXPECT_EQ(reversed, 1);
  EXPECT_FALSE(param(deSamplerS, "ragSMPstate").Enabled);
  EXPECT_FALSE(param(deSamplerPtr, "ragSPTstate").Enabled);
  EXPECT_EQ(param(deReverb3, "trbREVdiffusion").Scale, TScale::Diffusion);
}

TEST(ParamTable, ScalesOfTheControls) {
  const std::pair<const char*, TScale> cases[] = {
      {"trbMIXdigital", TScale::EighthsPercent},  {"trbCMPoutput", TScale::DoublePercent},
      {"trbDSTbite", TScale::SevenStepPercent},   {"trbDSToutput", TScale::DistortionOutputPercent},
      {"trbENVtuning", TScale::EnvelopeTuning},   {"lcdEQU10KHz", TScale::EqLevel},
      {"trbLVLmaster", TScale::MasterLevel},      {"trbSDDdamping", TScale::EighthsPercent},
      {"trbCHOdelay", TScale::PlainMilliseconds}, {"trbPSRdepth", TScale::LevelPercent},
      {"trbSPTfine", TScale::FinePitch},          {"trb2PTpan_pos_1", TScale::PlainNumber},
      {"trbTAPtaps", TScale::PlainNumber},        {"trbTNRdetune", TScale::Detune},
      {"trbREVposition", TScale::ReverbPosition}, {"trbGATdecay", TScale::GateDecay},
      {"trbSMPstart", TScale::PlainMilliseconds},
  };
  for (const auto& [control, scale] : cases) {
    bool found = false;
    for (const TParamDef& d : ParamTable()) {
      if (QLatin1String(d.Control) != QLatin1String(control)) continue;
      found = true;
      EXPECT_EQ(d.Scale, scale) << control;
    }
    EXPECT_TRUE(found) << control;
  }
}

TEST(ParamTable, BaseKeyItems) {
  const TItems keys = BaseKeyNames();
  ASSERT_EQ(keys.size(), 128u);
  const std::pair<int, const char*> cases[] = {
      {0, "OFF"},  {1, "C#-"},   {2, "D -"},  {9, "A - "},  {10, "A#-"},   {11, "B -"},
      {12, "C 0"}, {21, "A 0 "}, {60, "C 4"}, {69, "A 4 "}, {117, "A 8 "}, {127, "G 9"}};
  for (const auto& [k, text] : cases) EXPECT_STREQ(keys[k], text) << k;
  QSet<QString> distinct;
  for (const char* k : keys) distinct.insert(QString::fromLatin1(k));
  EXPECT_EQ(distinct.size(), 128);
  EXPECT_EQ(DigitalEffectParams(deSamplerPtr)[7].Items.data(), keys.data());
}

TEST(ParamTable, DigitalSlotsOfGroup27) {
  // Low Pass, Regen DDL S, Reverb 3.
  EXPECT_STREQ(DigitalSlotParam(27, 0)->Control, "trbLPFfrequency");
  const char* regen[] = {"trbREGdelay", "trbREGfine", "trbREGregen", "trbREGlevel"};
  for (int i = 0; i < 4; ++i) EXPECT_STREQ(DigitalSlotParam(27, 1 + i)->Control, regen[i]);
  const char* reverb[] = {"ragREVtype",     "ragREVsource",    "trbREVdecay", "trbREVdamping",
                          "trbREVposition", "trbREVdiffusion", "trbREVlevel"};
  for (int i = 0; i < 7; ++i) EXPECT_STREQ(DigitalSlotParam(27, 5 + i)->Control, reverb[i]);
  EXPECT_EQ(DigitalSlotParam(27, 12), nullptr);
  EXPECT_EQ(DigitalSlotParam(-1, 0), nullptr);
}

TEST(ParamTable, PagesAndVexaChecks) {
  ASSERT_EQ(AnalogPages().size(), 9u);
  ASSERT_EQ(DigitalPages().size(), 17u);
  EXPECT_STREQ(AnalogPages()[4].Caption, "NoiseGate");
  for (int e = 0; e < DigitalEffectCount; ++e) EXPECT_LT(DigitalCatalogue[e].Page, 17);
  EXPECT_STREQ(DigitalPages()[DigitalCatalogue[dePitchTrans].Page].Caption, "Pitch Trans");
  EXPECT_STREQ(DigitalPages()[DigitalCatalogue[deGateVerb3].Page].Caption, "Gate Verb");
  EXPECT_STREQ(DigitalPages()[DigitalCatalogue[deDualPtr].Page].Caption, "Dual PTr");
  ASSERT_EQ(VexaChecks().size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(VexaChecks()[i].Number, i + 1);
  EXPECT_STREQ(VexaChecks()[3].Caption, "Expander/Noise gate");
}

TEST(ParamTable, ExactTextsWithTheirQuirks) {
  EXPECT_STREQ(ParamDef(4 + 7).Items[5], "Overdrive ");
  EXPECT_STREQ(ParamDef(4 + 26).Items[2], "230 hx");
  EXPECT_STREQ(ParamDef(2).Caption, "Digital :");
  EXPECT_STREQ(ParamDef(4 + 10).Caption, "Thrust");
  EXPECT_EQ(ParamDef(4 + 24).Columns, 4);
}

}  // namespace

// Every digital parameter of every catalogue entry, in slot order, with its raw range, as the
// catalogue lists them; a change to any one control name, bound or order shows here.
TEST(ParamTable, EveryCatalogueParameterHasItsControlAndRange) {
  struct TRow {
    const char* Control;
    int Min, Max;
  };
  const std::vector<TRow> lowPass = {{"trbLPFfrequency", 0, 30}};
  const std::vector<TRow> flanger = {{"ragFLAtype", 3, 11},
                                     {"trbFLAwidth", 0, 31},
                                     {"trbFLAspeed", 0, 84},
                                     {"trbFLAregen", 0, 63},
                                     {"trbFLAlevel", 0, 63}};
  const std::vector<TRow> chorus = {{"ragCHOtype", 0, 2},
                                    {"trbCHOwidth", 0, 31},
                                    {"trbCHOspeed", 0, 84},
                                    {"trbCHOdelay", 0, 47},
                                    {"trbCHOlevel", 0, 63}};
  const std::vector<TRow> pitch = {{"ragPTRtype", 0, 3},   {"trbPTRpitch", 0, 24},
                                   {"trbPTRfine", 0, 127}, {"lstPTRbase_key", 0, 127},
                                   {"trbPTRregen", 0, 63}, {"trbPTRlevel", 0, 63}};
  const std::vector<TRow> panner = {{"trbPANmod", 0, 31}, {"trbPANspeed", 0, 84}};
  const std::vector<TRow> tremolo = {{"trbTRMmod", 0, 31}, {"trbTRMspeed", 0, 84}};
  const std::vector<TRow> midiPan = {{"trbMPNpos", 0, 127}};
  auto reverb = [](int typeMin, bool diffusion) {
    std::vector<TRow> r = {{"ragREVtype", typeMin, 13},
                           {"ragREVsource", 0, 1},
                           {"trbREVdecay", 0, 47},
                           {"trbREVdamping", 0, 7},
                           {"trbREVposition", 0, 6}};
    if (diffusion) r.push_back({"trbREVdiffusion", 0, 3});
    r.push_back({"trbREVlevel", 0, 63});
    return r;
  };
  auto gate = [](int decayMax) {
    return std::vector<TRow>{{"ragGATtype", 0, 4},
                             {"ragGATsource", 0, 1},
                             {"trbGATdecay", 0, decayMax},
                             {"trbGATdiffusion", 1, 3},
                             {"trbGATlevel", 0, 63}};
  };
  auto tapped = [](int delayMax) {
    return std::vector<TRow>{{"ragTAPtype", 0, 17},        {"trbTAPtaps", 0, 7},
                             {"trbTAPdelay", 0, delayMax}, {"trbTAPfine", 1, 50},
                             {"trbTAPregen", 0, 63},       {"trbTAPlevel", 0, 63}};
  };
  auto regen = [](int delayMax) {
    return std::vector<TRow>{{"trbREGdelay", 0, delayMax},
                             {"trbREGfine", 1, 50},
                             {"trbREGregen", 0, 63},
                             {"trbREGlevel", 0, 63}};
  };
  auto stereo = [](int delayMax) {
    return std::vector<TRow>{{"trbSDDleft_delay_lgth", 0, delayMax},
                             {"trbSDDleft_delay_fine", 0, 50},
                             {"trbSDDright_delay_lgth", 0, delayMax},
                             {"trbSDDright_delay_fine", 0, 50},
                             {"trbSDDregen", 0, 63},
                             {"trbSDDdamping", 0, 31},
                             {"trbSDDlevel", 0, 63}};
  };
  auto sampler = [](int lengthMax) {
    return std::vector<TRow>{{"ragSMPstate", 0, 0},   {"ragSMPrecord", 0, 2},
                             {"ragSMPplay", 0, 4},    {"trbSMPlength", 1, lengthMax},
                             {"trbSMPstart", 0, 100}, {"trbSMPlevel", 0, 63}};
  };
  const std::vector<TRow> samplerPtr = {
      {"ragSPTstate", 0, 0},    {"ragSPTrecord", 0, 2},     {"ragSPTplay", 0, 4},
      {"trbSPTlength", 1, 100}, {"trbSPTstart", 0, 100},    {"trbSPTpitch", 0, 24},
      {"trbSPTfine", 0, 127},   {"lstSPTbase_key", 0, 127}, {"trbSPTlevel", 0, 63}};
  const std::vector<TRow> tuner = {{"ragTNRtype", 0, 3},
                                   {"ragTNRreference", 0, 8},
                                   {"trbTNRdetune", 0, 100},
                                   {"trbTNRlevel", 0, 63}};
  const std::vector<TRow> phaser = {{"ragPSRtype", 0, 2},
                                    {"trbPSRwidth", 0, 31},
                                    {"trbPSRspeed", 0, 84},
                                    {"trbPSRregen", 0, 63},
                                    {"trbPSRdepth", 0, 63}};
  const std::vector<TRow> dualPtr = {
      {"rag2PTtype", 0, 3},     {"trb2PTpitch_1", 0, 24},   {"trb2PTfine_1", 0, 127},
      {"trb2PTpitch_2", 0, 24}, {"trb2PTfine_2", 0, 127},   {"rag2PTregen_feed", 0, 1},
      {"trb2PTlevel", 0, 63},   {"trb2PTpan_pos_1", 0, 63}, {"trb2PTpan_pos_2", 0, 63}};
  const std::vector<std::vector<TRow>> catalogue = {
      lowPass,     flanger,          chorus,           pitch,           panner,     tremolo,
      midiPan,     reverb(9, false), reverb(5, false), reverb(1, true), gate(4),    gate(7),
      gate(7),     tapped(118),      tapped(122),      regen(118),      regen(122), stereo(122),
      stereo(126), sampler(104),     sampler(127),     samplerPtr,      tuner,      phaser,
      dualPtr};
  ASSERT_EQ(int(catalogue.size()), DigitalEffectCount);
  int total = 0;
  for (int e = 0; e < DigitalEffectCount; ++e) {
    const auto params = DigitalEffectParams(e);
    ASSERT_EQ(params.size(), catalogue[e].size()) << DigitalCatalogue[e].Name;
    for (std::size_t p = 0; p < params.size(); ++p) {
      const TRow& want = catalogue[e][p];
      SCOPED_TRACE(std::string(DigitalCatalogue[e].Name) + " " + want.Control);
      EXPECT_STREQ(params[p].Control, want.Control);
      EXPECT_EQ(params[p].Min, want.Min);
      EXPECT_EQ(params[p].Max, want.Max);
    }
    total += int(params.size());
  }
  EXPECT_EQ(total, DigitalParamRows);
}
