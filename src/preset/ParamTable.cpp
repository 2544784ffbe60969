#include "ParamTable.h"

#include <array>
#include <stdexcept>
#include <vector>

#include "DigitalCatalogue.h"
#include "Preset.h"

namespace {

// Named choices, in stored-value order.
constexpr const char* CmpSlope[] = {"1:1", "2:1", "3:1", "4:1", "10:1", "LIMIT", "RVRS1", "RVRS2"};
constexpr const char* CmpAttack[] = {"2 ms", "3 ms", "4 ms", "7 ms", "14 ms", "30 ms", "50 ms"};
constexpr const char* CmpRelease[] = {"200 ms", "300 ms", "350 ms", "500 ms",
                                      "750 ms", "1 sec",  "2 sec"};
constexpr const char* ExpRatio[] = {"OFF", "1:1.5", "1:1.8", "1:2", "1:2.5", "1:3", "1:4", "1:5"};
// The trailing blank of "Overdrive " is the unit's own text.
constexpr const char* DstType[] = {"OFF",        "Metal Crunch", "Solid Super",
                                   "Solid Warm", "Jazz Tube",    "Overdrive "};
constexpr const char* EnvType[] = {"Ultra",      "Super",       "Medium",     "Narrow",
                                   "Vexa Sweep", "Reverse Low", "Reverse Hi", "OFF"};
constexpr const char* EnvAttack[] = {"360 ms", "180 ms", "120 ms", "80 ms",
                                     "50 ms",  "40 ms",  "30 ms"};
constexpr const char* AesType[] = {"OFF",          "Dead Room",     "Heavy Carpet",  "Wood/Rug Mix",
                                   "Drape/Carpet", "Wood + Tile",   "Pews/People",   "Wood Baffles",
                                   "Lt Floor Rug", "Ceiling Drape", "Stone Ceiling", "Wall Drapes",
                                   "Natural Wood", "Open Ambience"};
constexpr const char* DgcOutput[] = {"Hi/Lo Split", "High To DigFX", "Low To AnFX", "Bypass"};
// "230 hx" is how the unit spells it.
constexpr const char* DgcTuning[] = {"110 hz", "160 hz", "230 hx", "350 hz",
                                     "560 hz", "1K hz",  "2K hz"};

constexpr const char* FlaType[] = {"OFF",         "Post Reverb",  "Post, Inv L",
                                   "Post, Inv R", "Pos, Inv L+R", "Pre-Reverb",
                                   "Pre, Inv L",  "Pre, Inv R",   "Pre, Inv L+R"};
constexpr const char* ChoType[] = {"OFF", "Post", "Pre"};
constexpr const char* PtrType[] = {"OFF", "Quick", "Normal", "Smooth"};
constexpr const char* RevSource[] = {"Pre DDL", "Post DDL"};
constexpr const char* GatType[] = {"Slope", "Flat", "Reverse A", "Reverse B", "OFF"};
constexpr const char* TapType[] = {
    "Flat-1m", "Flat-1s", "Reverse-1m", "Reverse-1s", "Slope-1m", "Slope-1s",
    "Flat-2m", "Flat-2s", "Reverse-2m", "Reverse-2s", "Slope-2m", "Slope-2s",
    "Flat-3m", "Flat-3s", "Reverse-3m", "Reverse-3s", "Slope-3m", "Slope-3s"};
constexpr const char* SmpState[] = {"Record ready"};
constexpr const char* SmpRecord[] = {"Auto", "Manual", "MIDI"};
constexpr const char* SmpPlay[] = {"Single", "Punch in", "MIDI", "Repeat", "Audio"};
constexpr const char* TnrType[] = {"Bass", "Guitar", "Bass 12F", "Guitar 12F"};
constexpr const char* TnrReference[] = {"OFF",   "E 164", "A 220", "D 284", "G 392",
                                        "B 494", "E 659", "A 440", "Auto"};
constexpr const char* PsrType[] = {"Off", "Post", "Pre"};
constexpr const char* RegenFeed[] = {"Pre", "Post"};

// Each reverb variant offers the tail of the type codes, from its addend on.
constexpr TItems ReverbItems(int addend) {
  return TItems(ReverbTypeNames).subspan(std::size_t(addend - 1));
}

// Base keys: "OFF", then note k as letter, '#' or blank, octave ('-' below octave 0); the A
// items carry a trailing blank.
constexpr auto BaseKeyText = [] {
  constexpr char Letter[] = {'C', 'C', 'D', 'D', 'E', 'F', 'F', 'G', 'G', 'A', 'A', 'B'};
  constexpr bool Sharp[] = {false, true,  false, true,  false, false,
                            true,  false, true,  false, true,  false};
  std::array<std::array<char, 5>, 128> text{};
  text[0] = {'O', 'F', 'F', 0, 0};
  for (int k = 1; k < 128; ++k) {
    const int note = k % 12, octave = k / 12 - 1;
    text[k] = {Letter[note], Sharp[note] ? '#' : ' ', octave < 0 ? '-' : char('0' + octave),
               Letter[note] == 'A' && !Sharp[note] ? ' ' : '\0', 0};
  }
  return text;
}();
constexpr auto BaseKeyItems = [] {
  std::array<const char*, 128> items{};
  for (int k = 0; k < 128; ++k) items[k] = BaseKeyText[k].data();
  return items;
}();

TParamDef Bar(const char* control, const char* caption, int min, int max, TScale scale, int def) {
  TParamDef d;
  d.Control = control;
  d.Kind = TControlKind::TrackBar;
  d.Caption = caption;
  d.Min = min;
  d.Max = max;
  d.Scale = scale;
  d.Default = def;
  return d;
}

TParamDef Reversed(TParamDef d) {
  d.Reversed = true;
  return d;
}

TParamDef Radio(const char* control, const char* caption, TItems items, int def, int columns = 1,
                int addend = 0) {
  TParamDef d;
  d.Control = control;
  d.Kind = TControlKind::RadioGroup;
  d.Caption = caption;
  d.Items = items;
  d.Columns = columns;
  d.Addend = addend;
  d.Min = addend;
  d.Max = addend + int(items.size()) - 1;
  d.Default = def;
  return d;
}

TParamDef Disabled(TParamDef d) {
  d.Enabled = false;
  return d;
}

TParamDef List(const char* control, const char* caption, TItems items, int def) {
  TParamDef d;
  d.Control = control;
  d.Kind = TControlKind::ListBox;
  d.Caption = caption;
  d.Items = items;
  d.Max = int(items.size()) - 1;
  d.Default = def;
  return d;
}

// Equalizer band: the LCD meter is the bound control, the scroll bar beside it a second view.
TParamDef Band(const char* control, const char* caption, const char* scrollBar) {
  TParamDef d;
  d.Control = control;
  d.Kind = TControlKind::LcdMeter;
  d.Caption = caption;
  d.Max = 12;
  d.Scale = TScale::EqLevel;
  d.Default = 6;
  d.Partner = scrollBar;
  return d;
}

struct TOwnerRows {
  TParamArea Area;
  int Owner;
  std::vector<TParamDef> Rows;
};

constexpr TScale Eighths = TScale::EighthsPercent, Level = TScale::LevelPercent,
                 Lfo = TScale::LfoSpeed, Ms = TScale::PlainMilliseconds;

std::vector<TOwnerRows> Declare() {
  using enum TParamArea;
  std::vector<TOwnerRows> t;
  t.push_back({Mix,
               -1,
               {Bar("trbMIXdry", "Dry:", 0, 31, Eighths, 31),
                Bar("trbMIXdigital", "Digital :", 0, 31, Eighths, 31),
                Bar("trbMIXanalog", "Analog:", 0, 31, Eighths, 31)}});

  // Analog effects, slots A0..A27.
  t.push_back(
      {Analog,
       0,
       {Bar("trbCMPdrive", "Drive:", 0, 31, Eighths, 24),
        Radio("ragCMPslope", "Slope", CmpSlope, 3), Radio("ragCMPattack", "Attack", CmpAttack, 1),
        Radio("ragCMPrelease", "Release", CmpRelease, 3),
        Bar("trbCMPoutput", "Output:", 0, 50, TScale::DoublePercent, 42)}});
  t.push_back({Analog,
               1,
               {Bar("trbEXPrange", "Range:", 0, 31, Eighths, 23),
                Radio("ragEXPratio", "Ratio", ExpRatio, 5, 2)}});
  t.push_back({Analog,
               2,
               {Radio("ragDSTtype", "Type", DstType, 2, 2),
                Bar("trbDSTdrive", "Drive:", 0, 50, TScale::DoublePercent, 46),
                Bar("trbDSTbite", "Bite:", 0, 6, TScale::SevenStepPercent, 5),
                Bar("trbDSTthrust", "Thrust", 0, 6, TScale::SevenStepPercent, 4),
                Bar("trbDSToutput", "Output:", 0, 43, TScale::DistortionOutputPercent, 43)}});
  t.push_back({Analog,
               3,
               {Radio("ragENVtype", "Type", EnvType, 0),
                Bar("trbENVthreshold", "Threshold:", 0, 31, Eighths, 28),
                Radio("ragENVattack", "Attack", EnvAttack, 5, 2),
                Bar("trbENVtuning", "Tuning:", 0, 63, TScale::EnvelopeTuning, 35)}});
  t.push_back({Analog, 4, {Bar("trbNGTrange", "Range:", 0, 31, Eighths, 15)}});
  t.push_back(
      {Analog,
       5,
       {Band("lcdEQU40Hz", "40hz", "scrEQU40Hz"), Band("lcdEQU100Hz", "100hz", "scrEQU100Hz"),
        Band("lcdEQU250Hz", "250hz", "scrEQU250Hz"), Band("lcdEQU640Hz", "640hz", "scrEQU640Hz"),
        Band("lcdEQU1600Hz", "1.6Khz", "scrEQU1600Hz"), Band("lcdEQU4KHz", "4Khz", "scrEQU4KHz"),
        Band("lcdEQU10KHz", "10Khz", "scrEQU10KHz")}});
  t.push_back({Analog, 6, {Radio("ragAEStype", "Type", AesType, 0, 4)}});
  t.push_back({Analog,
               7,
               {Radio("ragDGCoutput", "Output", DgcOutput, 3),
                Radio("ragDGCtuning", "Tuning", DgcTuning, 3, 2)}});
  t.push_back({Analog, 8, {Bar("trbLVLmaster", "Master:", 0, 48, TScale::MasterLevel, 41)}});

  // Digital effects in catalogue order; variants of one effect share controls but differ in
  // ranges, items and defaults.
  t.push_back({Digital,
               deLowPass,
               {Bar("trbLPFfrequency", "HF Cut =", 0, 30, TScale::LowPassFrequency, 30)}});
  t.push_back({Digital,
               deFlanger,
               {Radio("ragFLAtype", "Type", FlaType, 4, 2, 3),
                Bar("trbFLAwidth", "Width:", 0, 31, Eighths, 22),
                Bar("trbFLAspeed", "Speed:", 0, 84, Lfo, 20),
                Bar("trbFLAregen", "Regen:", 0, 63, Level, 48),
                Bar("trbFLAlevel", "Level:", 0, 63, Level, 63)}});
  t.push_back(
      {Digital,
       deChorus,
       {Radio("ragCHOtype", "Type", ChoType, 1), Bar("trbCHOwidth", "Width:", 0, 31, Eighths, 10),
        Bar("trbCHOspeed", "Speed:", 0, 84, Lfo, 20), Bar("trbCHOdelay", "Delay:", 0, 47, Ms, 30),
        Bar("trbCHOlevel", "Level:", 0, 63, Level, 63)}});
  t.push_back({Digital,
               dePitchTrans,
               {Radio("ragPTRtype", "Type", PtrType, 3),
                Bar("trbPTRpitch", "Pitch:", 0, 24, TScale::Pitch, 12),
                Bar("trbPTRfine", "Fine:", 0, 127, TScale::FinePitch, 63),
                List("lstPTRbase_key", "Base Key:", BaseKeyItems, 0),
                Bar("trbPTRregen", "Regen:", 0, 63, Level, 0),
                Bar("trbPTRlevel", "Level:", 0, 63, Level, 63)}});
  t.push_back({Digital,
               dePanner,
               {Bar("trbPANmod", "Mod%:", 0, 31, Eighths, 31),
                Bar("trbPANspeed", "Speed:", 0, 84, Lfo, 40)}});
  t.push_back({Digital,
               deTremolo,
               {Bar("trbTRMmod", "Mod%:", 0, 31, Eighths, 31),
                Bar("trbTRMspeed", "Speed:", 0, 84, Lfo, 40)}});
  // The bar runs reversed: the unit's pan value falls as the thumb moves right.
  t.push_back({Digital,
               deMidiPan,
               {Reversed(Bar("trbMPNpos", "Position:", 0, 127, TScale::PlainNumber, 64))}});
  for (int effect : {deReverb1, deReverb2, deReverb3}) {
    const int addend = ReverbTypeAddend(effect);
    std::vector<TParamDef> rows = {
        Radio("ragREVtype", "Type", ReverbItems(addend), addend, 2, addend),
        Radio("ragREVsource", "Source", RevSource, 0),
        Bar("trbREVdecay", "Decay:", 0, 47, TScale::ReverbDecay, 17),
        Bar("trbREVdamping", "Damping:", 0, 7, TScale::Damping, 2),
        Bar("trbREVposition", "Position:", 0, 6, TScale::ReverbPosition,
            effect == deReverb3 ? 4 : 5)};
    if (effect == deReverb3)
      rows.push_back(Bar("trbREVdiffusion", "Diffusion:", 0, 3, TScale::Diffusion, 3));
    rows.push_back(Bar("trbREVlevel", "Level:", 0, 63, Level, 63));
    t.push_back({Digital, effect, rows});
  }
  for (int effect : {deGateVerb1, deGateVerb2, deGateVerb3}) {
    const int decayMax = effect == deGateVerb1 ? 4 : 7;
    t.push_back(
        {Digital,
         effect,
         {Radio("ragGATtype", "Type", GatType, 0), Radio("ragGATsource", "Source", RevSource, 0),
          Bar("trbGATdecay", "Decay:", 0, decayMax, TScale::GateDecay, decayMax),
          Bar("trbGATdiffusion", "Diffusion:", 1, 3, TScale::Diffusion, 3),
          Bar("trbGATlevel", "Level:", 0, 63, Level, 63)}});
  }
  // The fine delays of the tapped and regenerating delays offer 1..50 ms, yet the unit starts a
  // fresh effect at 0; the bar shows that at its minimum and leaves the value alone.
  for (int effect : {deTappedDdlS, deTappedDdlL}) {
    const bool s = effect == deTappedDdlS;
    t.push_back(
        {Digital,
         effect,
         {Radio("ragTAPtype", "Type", TapType, 0, 3),
          Bar("trbTAPtaps", "Taps:", 0, 7, TScale::PlainNumber, 2),
          Bar("trbTAPdelay", "Delay:", 0, s ? 118 : 122, TScale::DelayLength, s ? 20 : 48),
          Bar("trbTAPfine", "Fine:", 1, 50, Ms, 0), Bar("trbTAPregen", "Regen:", 0, 63, Level, 48),
          Bar("trbTAPlevel", "Level:", 0, 63, Level, 63)}});
  }
  for (int effect : {deRegenDdlS, deRegenDdlL}) {
    const bool s = effect == deRegenDdlS;
    t.push_back({Digital,
                 effect,
                 {Bar("trbREGdelay", "Delay:", 0, s ? 118 : 122, TScale::DelayLength, s ? 20 : 40),
                  Bar("trbREGfine", "Fine:", 1, 50, Ms, 0),
                  Bar("trbREGregen", "Regen:", 0, 63, Level, s ? 48 : 31),
                  Bar("trbREGlevel", "Level:", 0, 63, Level, 63)}});
  }
  for (int effect : {deStereoDdlS, deStereoDdlL}) {
    const bool s = effect == deStereoDdlS;
    const int lengthMax = s ? 122 : 126;
    t.push_back({Digital,
                 effect,
                 {Bar("trbSDDleft_delay_lgth", "Left Delay:", 0, lengthMax, TScale::DelayLength,
                      s ? 16 : 50),
                  Bar("trbSDDleft_delay_fine", "Fine:", 0, 50, Ms, 0),
                  Bar("trbSDDright_delay_lgth", "Right Delay:", 0, lengthMax, TScale::DelayLength,
                      s ? 22 : 25),
                  Bar("trbSDDright_delay_fine", "Fine:", 0, 50, Ms, 0),
                  Bar("trbSDDregen", "Regen:", 0, 63, Level, s ? 48 : 28),
                  Bar("trbSDDdamping", "Damping:", 0, 31, Eighths, 0),
                  Bar("trbSDDlevel", "Level:", 0, 63, Level, 63)}});
  }
  for (int effect : {deSamplerS, deSamplerL}) {
    const int lengthMax = effect == deSamplerS ? 104 : 127;
    t.push_back(
        {Digital,
         effect,
         {Disabled(Radio("ragSMPstate", "State", SmpState, 0)),
          Radio("ragSMPrecord", "Record", SmpRecord, 0), Radio("ragSMPplay", "Play", SmpPlay, 0),
          Bar("trbSMPlength", "Length:", 1, lengthMax, TScale::SampleLength, lengthMax),
          Bar("trbSMPstart", "Start:", 0, 100, Ms, 5),
          Bar("trbSMPlevel", "Level:", 0, 63, Level, 63)}});
  }
  t.push_back(
      {Digital,
       deSamplerPtr,
       {Disabled(Radio("ragSPTstate", "State", SmpState, 0)),
        Radio("ragSPTrecord", "Record", SmpRecord, 0), Radio("ragSPTplay", "Play", SmpPlay, 0),
        Bar("trbSPTlength", "Length:", 1, 100, TScale::SampleLength, 100),
        Bar("trbSPTstart", "Start:", 0, 100, Ms, 5),
        Bar("trbSPTpitch", "Pitch:", 0, 24, TScale::Pitch, 12),
        Bar("trbSPTfine", "Fine:", 0, 127, TScale::FinePitch, 63),
        List("lstSPTbase_key", "Base Key:", BaseKeyItems, 0),
        Bar("trbSPTlevel", "Level:", 0, 63, Level, 63)}});
  t.push_back({Digital,
               deTuner,
               {Radio("ragTNRtype", "Type", TnrType, 1),
                Radio("ragTNRreference", "Reference", TnrReference, 0, 2),
                Bar("trbTNRdetune", "Detune:", 0, 100, TScale::Detune, 50),
                Bar("trbTNRlevel", "Level:", 0, 63, Level, 0)}});
  t.push_back(
      {Digital,
       dePhaser,
       {Radio("ragPSRtype", "Type", PsrType, 1), Bar("trbPSRwidth", "Width:", 0, 31, Eighths, 20),
        Bar("trbPSRspeed", "Speed:", 0, 84, Lfo, 20),
        Bar("trbPSRregen", "Regen:", 0, 63, Level, 31),
        Bar("trbPSRdepth", "Depth:", 0, 63, Level, 63)}});
  t.push_back({Digital,
               deDualPtr,
               {Radio("rag2PTtype", "Type", PtrType, 3),
                Bar("trb2PTpitch_1", "Pitch 1:", 0, 24, TScale::Pitch, 12),
                Bar("trb2PTfine_1", "Fine:", 0, 127, TScale::FinePitch, 63),
                Bar("trb2PTpitch_2", "Pitch 2:", 0, 24, TScale::Pitch, 12),
                Bar("trb2PTfine_2", "Fine:", 0, 127, TScale::FinePitch, 63),
                Radio("rag2PTregen_feed", "Regen Feed", RegenFeed, 0, 2),
                Bar("trb2PTlevel", "Level:", 0, 63, Level, 63),
                Bar("trb2PTpan_pos_1", "Pan position 1:", 0, 63, TScale::PlainNumber, 31),
                Bar("trb2PTpan_pos_2", "Pan position 2:", 0, 63, TScale::PlainNumber, 31)}});
  return t;
}

struct TTable {
  std::vector<TParamDef> Rows;
  std::array<int, AnalogEffectCount + 1> AnalogStart{};
  std::array<int, DigitalEffectCount + 1> DigitalStart{};
};

const TTable& Table() {
  static const TTable table = [] {
    TTable t;
    for (TOwnerRows& owner : Declare()) {
      if (owner.Area == TParamArea::Analog) t.AnalogStart[owner.Owner] = int(t.Rows.size());
      if (owner.Area == TParamArea::Digital) t.DigitalStart[owner.Owner] = int(t.Rows.size());
      for (std::size_t p = 0; p < owner.Rows.size(); ++p) {
        TParamDef d = owner.Rows[p];
        d.Id = int(t.Rows.size()) + 1;
        d.Area = owner.Area;
        d.Owner = owner.Owner;
        d.Position = int(p);
        t.Rows.push_back(d);
      }
    }
    t.AnalogStart[AnalogEffectCount] = MixParamRows + AnalogParamRows;
    t.DigitalStart[DigitalEffectCount] = int(t.Rows.size());
    return t;
  }();
  return table;
}

constexpr TPageDef AnalogPageTable[] = {
    {"tsCompressor", "Compressor", "Compressor parameters"},
    {"tsExpander", "Expander", "Expander parameters"},
    {"tsDistortion", "Distortion", "Distortion parameters"},
    {"tsEnvelopeFilter", "Envelope Filter", "Envelope Filter parameters"},
    {"tsNoiseGate", "NoiseGate", "NoiseGate range"},
    {"tsEqualizer", "Equalizer", "Equalizer settings"},
    {"tsAES", "AES", "Acoustic Environment Simulator"},
    {"tsContour", "Dig Contour", "Digital Contour"},
    {"tsLevel", "Prog Level", "Programmable Level"},
};

constexpr TPageDef DigitalPageTable[] = {
    {"tsLowPass", "Low Pass", ""},   {"tsFlanger", "Flanger", ""},
    {"tsChorus", "Chorus", ""},      {"tsPitchTrans", "Pitch Trans", ""},
    {"tsPanner", "Panner", ""},      {"tsTremolo", "Tremolo", ""},
    {"tsMIDIPan", "MIDI Pan", ""},   {"tsReverb", "Reverb", ""},
    {"tsGateVerb", "Gate Verb", ""}, {"tsTappedDDL", "Tapped DDL", ""},
    {"tsRegenDDL", "Regen DDL", ""}, {"tsStereoDDL", "Stereo DDL", ""},
    {"tsSampler", "Sampler", ""},    {"tsSamplerPTr", "Sampler+PTr", ""},
    {"tsTuner", "Tuner", ""},        {"tsPhaser", "Phaser", ""},
    {"tsDualPTr", "Dual PTr", ""},
};

constexpr TVexaCheckDef VexaCheckTable[] = {
    {"chkVexacmp", "Compressor", 1},       {"chkVexadst", "Distortion", 2},
    {"chkVexaequ", "Equalizer", 3},        {"chkVexaexp", "Expander/Noise gate", 4},
    {"chkVexarev", "Reverb", 5},           {"chkVexadly", "Delay", 6},
    {"chkVexaptr", "Pitch Transposer", 7}, {"chkVexafla", "Flanger/Chorus", 8},
    {"chkVexasfx", "Special Effects", 9},
};

}  // namespace

QString TParamDef::ValueLabel() const {
  if (Kind != TControlKind::TrackBar && Kind != TControlKind::LcdMeter) return {};
  return QStringLiteral("txt") + QString::fromLatin1(Control).mid(3);
}

QString TParamDef::ParamName() const {
  return QString::fromLatin1(Control).mid(6).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString TParamDef::EffectCode() const {
  return QString::fromLatin1(Control).mid(3, 3);
}

QString TParamDef::ValueText(int stored) const {
  switch (Kind) {
    case TControlKind::RadioGroup:
    case TControlKind::ListBox: {
      const int index = stored - Addend;
      if (index < 0 || index >= int(Items.size())) return {};
      return QString::fromLatin1(Items[index]);
    }
    case TControlKind::CheckBox:
      return stored ? QStringLiteral("on") : QStringLiteral("off");
    case TControlKind::TrackBar:
    case TControlKind::LcdMeter:
      break;
  }
  return ScaleText(Scale, stored);
}

QString TParamDef::LabelText(int stored) const {
  const QString text = ValueText(stored);
  return text.isEmpty() && Kind != TControlKind::RadioGroup ? QString::number(stored) : text;
}

std::span<const TParamDef> ParamTable() {
  return Table().Rows;
}

const TParamDef& ParamDef(int id) {
  const std::vector<TParamDef>& rows = Table().Rows;
  if (id < 1 || id > int(rows.size())) throw std::out_of_range("parameter number out of range");
  return rows[id - 1];
}

std::span<const TParamDef> AnalogEffectParams(int effect) {
  if (effect < 0 || effect >= AnalogEffectCount) return {};
  const TTable& t = Table();
  return std::span<const TParamDef>(t.Rows).subspan(
      t.AnalogStart[effect], t.AnalogStart[effect + 1] - t.AnalogStart[effect]);
}

std::span<const TParamDef> DigitalEffectParams(int effect) {
  if (effect < 0 || effect >= DigitalEffectCount) return {};
  const TTable& t = Table();
  return std::span<const TParamDef>(t.Rows).subspan(
      t.DigitalStart[effect], t.DigitalStart[effect + 1] - t.DigitalStart[effect]);
}

const TParamDef* DigitalSlotParam(int group, int slot) {
  const int id = CatalogueParamId(slot + 1, group);
  return id < 0 ? nullptr : &ParamDef(id);
}

std::span<const TPageDef> AnalogPages() {
  return AnalogPageTable;
}
std::span<const TPageDef> DigitalPages() {
  return DigitalPageTable;
}
TItems BaseKeyNames() {
  return BaseKeyItems;
}
std::span<const TVexaCheckDef> VexaChecks() {
  return VexaCheckTable;
}
