#include "Scales.h"

#include <array>
#include <cstdlib>

namespace {

constexpr std::array<int, 64> LevelPercentTable = {
    0,  3,  4,  6,  7,  9,  10, 12, 14, 15, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 32, 34,
    35, 37, 39, 40, 42, 43, 45, 46, 48, 50, 51, 53, 54, 56, 57, 59, 60, 62, 64, 65, 67, 68,
    70, 71, 73, 75, 76, 78, 79, 81, 82, 84, 85, 87, 89, 90, 92, 93, 95, 96, 98, 100};

constexpr std::array<int, 7> SevenStepTable = {0, 16, 33, 50, 66, 83, 100};

constexpr std::array<int, 13> EqMagnitudeTable = {15, 12, 9, 6, 4, 2, 0, 2, 4, 6, 9, 12, 15};

constexpr std::array<int, 64> EnvelopeTuningTable = {
    120,  126,  133,  140,  148,  156,  164,  173,  182,  192,  202,  213,  224,  236,  249,  262,
    276,  291,  307,  323,  340,  359,  378,  398,  419,  442,  465,  490,  516,  544,  573,  604,
    636,  670,  706,  744,  783,  825,  870,  916,  965,  1017, 1071, 1128, 1189, 1252, 1319, 1390,
    1464, 1543, 1625, 1712, 1804, 1900, 2002, 2109, 2222, 2341, 2466, 2598, 2737, 2883, 3037, 3200};

// LFO speeds for raw 32..84, in hundredths of a hertz: exact decimals, so no float rounding
// can creep into the text.
constexpr std::array<int, 53> LfoSpeedTable = {
    136,  144,  152,  160,  172,  180,  192,  204,  216,  228,  240,  256,  272,  288,
    304,  324,  340,  364,  384,  408,  432,  456,  484,  512,  544,  576,  608,  644,
    684,  724,  768,  812,  860,  912,  968,  1020, 1080, 1140, 1210, 1290, 1360, 1440,
    1530, 1620, 1720, 1820, 1930, 2040, 2160, 2300, 2430, 2580, 2730};

constexpr std::array<int, 30> LowPassTable = {
    630,  708,  794,  891,  1000, 1120, 1260, 1410, 1580, 1780,  2000,  2240,  2510,  2820,  3160,
    3550, 3980, 4470, 5010, 5620, 6310, 7080, 7940, 8910, 10000, 11200, 12600, 14100, 15800, 17800};

constexpr std::array<const char*, 7> ReverbPositionTable = {"Front", "17%", "33%", "50%",
                                                            "67%",   "83%", "Rear"};

// Fixed-point text: value / 10^decimals with exactly that many decimals ("%.2f" of an exact
// decimal). A negative value keeps its sign, also when the integer part is 0.
QString Fixed(int value, int decimals) {
  const int scale = decimals == 1 ? 10 : 100;
  const int a = std::abs(value);
  return QStringLiteral("%1%2.%3")
      .arg(value < 0 ? QStringLiteral("-") : QString())
      .arg(a / scale)
      .arg(a % scale, decimals, 10, QLatin1Char('0'));
}

QString Percent(int n) {
  return QString::number(n) + QLatin1Char('%');
}

}  // namespace

TScaleDomain ScaleDomain(TScale scale) {
  switch (scale) {
    case TScale::EighthsPercent:
      return {0, 31};
    case TScale::LevelPercent:
      return {0, 63};
    case TScale::MasterLevel:
      return {0, 48};
    case TScale::DoublePercent:
      return {0, 50};
    case TScale::SevenStepPercent:
      return {0, 6};
    case TScale::DistortionOutputPercent:
      return {0, 43};
    case TScale::EqLevel:
      return {0, 12};
    case TScale::EnvelopeTuning:
      return {0, 63};
    case TScale::LfoSpeed:
      return {0, 84};
    case TScale::Pitch:
      return {0, 24};
    case TScale::FinePitch:
      return {0, 127};
    case TScale::DelayLength:
      return {0, 126};
    case TScale::SampleLength:
      return {0, 127};
    case TScale::Diffusion:
      return {0, 3};
    case TScale::Damping:
      return {0, 7};
    case TScale::ReverbDecay:
      return {0, 47};
    case TScale::GateDecay:
      return {0, 7};
    case TScale::LowPassFrequency:
      return {0, 30};
    case TScale::Detune:
      return {0, 100};
    case TScale::ReverbPosition:
      return {0, 6};
    case TScale::None:
    case TScale::PlainMilliseconds:
    case TScale::PlainNumber:
      break;
  }
  return {INT_MIN, INT_MAX};
}

QString ScaleName(TScale scale) {
  switch (scale) {
    case TScale::None:
      return QStringLiteral("none");
    case TScale::EighthsPercent:
      return QStringLiteral("eighths percent");
    case TScale::LevelPercent:
      return QStringLiteral("level percent");
    case TScale::MasterLevel:
      return QStringLiteral("master level");
    case TScale::DoublePercent:
      return QStringLiteral("double percent");
    case TScale::SevenStepPercent:
      return QStringLiteral("seven-step percent");
    case TScale::DistortionOutputPercent:
      return QStringLiteral("distortion output percent");
    case TScale::EqLevel:
      return QStringLiteral("EQ level");
    case TScale::EnvelopeTuning:
      return QStringLiteral("envelope tuning");
    case TScale::LfoSpeed:
      return QStringLiteral("LFO speed");
    case TScale::Pitch:
      return QStringLiteral("pitch");
    case TScale::FinePitch:
      return QStringLiteral("fine pitch");
    case TScale::DelayLength:
      return QStringLiteral("delay length");
    case TScale::SampleLength:
      return QStringLiteral("sample length");
    case TScale::PlainMilliseconds:
      return QStringLiteral("plain milliseconds");
    case TScale::Diffusion:
      return QStringLiteral("diffusion");
    case TScale::Damping:
      return QStringLiteral("damping");
    case TScale::ReverbDecay:
      return QStringLiteral("reverb decay");
    case TScale::GateDecay:
      return QStringLiteral("gate decay");
    case TScale::LowPassFrequency:
      return QStringLiteral("low-pass frequency");
    case TScale::Detune:
      return QStringLiteral("detune");
    case TScale::ReverbPosition:
      return QStringLiteral("reverb position");
    case TScale::PlainNumber:
      return QStringLiteral("plain number");
  }
  return {};
}

QString ScaleText(TScale scale, int v) {
  switch (scale) {
    case TScale::None:
      return {};
    case TScale::EighthsPercent:
      return EighthsPercentText(v);
    case TScale::LevelPercent:
      return LevelPercentText(v);
    case TScale::MasterLevel:
      return MasterLevelText(v);
    case TScale::DoublePercent:
      return DoublePercentText(v);
    case TScale::SevenStepPercent:
      return SevenStepPercentText(v);
    case TScale::DistortionOutputPercent:
      return DistortionOutputPercentText(v);
    case TScale::EqLevel:
      return EqLevelText(v);
    case TScale::EnvelopeTuning:
      return EnvelopeTuningText(v);
    case TScale::LfoSpeed:
      return LfoSpeedText(v);
    case TScale::Pitch:
      return PitchText(v);
    case TScale::FinePitch:
      return FinePitchText(v);
    case TScale::DelayLength:
      return DelayLengthText(v);
    case TScale::SampleLength:
      return SampleLengthText(v);
    case TScale::PlainMilliseconds:
      return PlainMillisecondsText(v);
    case TScale::Diffusion:
      return DiffusionText(v);
    case TScale::Damping:
      return DampingText(v);
    case TScale::ReverbDecay:
      return ReverbDecayText(v);
    case TScale::GateDecay:
      return GateDecayText(v);
    case TScale::LowPassFrequency:
      return LowPassFrequencyText(v);
    case TScale::Detune:
      return DetuneText(v);
    case TScale::ReverbPosition:
      return ReverbPositionText(v);
    case TScale::PlainNumber:
      return PlainNumberText(v);
  }
  return {};
}

// Rises in steps of 3 with a step of 4 at every eighth value, so 3% and 97% never appear.
QString EighthsPercentText(int v) {
  if (!ScaleDomain(TScale::EighthsPercent).Contains(v)) return {};
  if (v == 0) return QStringLiteral("0%");
  const int w = v + 1;
  return Percent((w / 8) * 25 + (w % 8) * 3);
}

QString LevelPercentText(int v) {
  if (!ScaleDomain(TScale::LevelPercent).Contains(v)) return {};
  return Percent(LevelPercentTable[v]);
}

QString MasterLevelText(int v) {
  if (!ScaleDomain(TScale::MasterLevel).Contains(v)) return {};
  return Percent((v / 12) * 25 + (v % 12) * 2);
}

QString DoublePercentText(int v) {
  if (!ScaleDomain(TScale::DoublePercent).Contains(v)) return {};
  return Percent(v * 2);
}

QString SevenStepPercentText(int v) {
  if (!ScaleDomain(TScale::SevenStepPercent).Contains(v)) return {};
  return Percent(SevenStepTable[v]);
}

QString DistortionOutputPercentText(int v) {
  if (!ScaleDomain(TScale::DistortionOutputPercent).Contains(v)) return {};
  if (v < 2) return Percent(v * 2);
  const int w = v - 1;
  return Percent((w / 3) * 7 + (w % 3) * 2 + 2);
}

QString EqLevelText(int v) {
  if (!ScaleDomain(TScale::EqLevel).Contains(v)) return {};
  const QString magnitude = QString::number(EqMagnitudeTable[v]);
  if (v < 6) return QLatin1Char('-') + magnitude + QStringLiteral(" db");
  if (v == 6) return QStringLiteral("0 db");
  return QLatin1Char('+') + magnitude + QStringLiteral(" db");
}

QString EnvelopeTuningText(int v) {
  if (!ScaleDomain(TScale::EnvelopeTuning).Contains(v)) return {};
  return QString::number(EnvelopeTuningTable[v]) + QStringLiteral(" Hz");
}

// Linear in steps of 0.04 Hz up to raw 31, then the unit's own table.
QString LfoSpeedText(int v) {
  if (!ScaleDomain(TScale::LfoSpeed).Contains(v)) return {};
  const int hundredths = v < 32 ? (v + 1) * 4 : LfoSpeedTable[v - 32];
  return Fixed(hundredths, 2) + QStringLiteral("Hz");
}

QString PitchText(int v) {
  if (!ScaleDomain(TScale::Pitch).Contains(v)) return {};
  if (v < 12) return QLatin1Char('-') + QString::number(12 - v);
  if (v == 12) return QStringLiteral("0");
  return QLatin1Char('+') + QString::number(v - 12);
}

// Quarter semitones plus 0.06 per remaining step, counted from 63; not symmetric around 63,
// and raw 0 stands alone at -4.00.
QString FinePitchText(int v) {
  if (!ScaleDomain(TScale::FinePitch).Contains(v)) return {};
  if (v == 0) return QStringLiteral("-4.00");
  const int d = v - 63;
  return Fixed((d / 4) * 25 + (d % 4) * 6, 2);
}

QString DelayLengthText(int v) {
  if (v < 0) return {};
  if (v < 71) return QString::number(v * 5) + QStringLiteral(" ms");
  if (v <= 105) return QString::number((v - 70) * 10 + 350) + QStringLiteral(" ms");
  if (v <= 119) return QString::number((v - 105) * 20 + 700) + QStringLiteral(" ms");
  if (v <= 126)
    return QStringLiteral("1.") + QStringLiteral("%1").arg((v - 120) * 5, 2, 10, QLatin1Char('0')) +
           QStringLiteral(" s");
  return {};  // 127 lies outside every length the unit offers
}

QString SampleLengthText(int v) {
  if (!ScaleDomain(TScale::SampleLength).Contains(v)) return {};
  return Fixed((v / 4) * 5 + (v % 4), 2) + QLatin1Char('s');
}

QString PlainMillisecondsText(int v) {
  return QString::number(v) + QStringLiteral(" ms");
}

QString DiffusionText(int v) {
  if (!ScaleDomain(TScale::Diffusion).Contains(v)) return {};
  return Percent(v * 20 + 40);
}

QString DampingText(int v) {
  if (!ScaleDomain(TScale::Damping).Contains(v)) return {};
  return Percent(v < 4 ? v * 7 : v * 7 + 1);
}

QString ReverbDecayText(int v) {
  if (!ScaleDomain(TScale::ReverbDecay).Contains(v)) return {};
  int tenths;
  if (v < 11)
    tenths = v;
  else if (v <= 20)
    tenths = (v - 10) * 2 + 10;
  else if (v <= 30)
    tenths = (v - 20) * 5 + 30;
  else
    tenths = (v - 30) * 10 + 80;
  return Fixed(tenths, 1) + QLatin1Char('s');
}

QString GateDecayText(int v) {
  if (!ScaleDomain(TScale::GateDecay).Contains(v)) return {};
  return QStringLiteral("0.%1s").arg((v + 1) * 5, 2, 10, QLatin1Char('0'));
}

QString LowPassFrequencyText(int v) {
  if (!ScaleDomain(TScale::LowPassFrequency).Contains(v)) return {};
  if (v == 30) return QStringLiteral("THRU");
  const int f = LowPassTable[v];
  if (f >= 1000) return Fixed(f / 10, 2) + QStringLiteral(" KHz");
  return QString::number(f) + QStringLiteral(" Hz");
}

QString DetuneText(int v) {
  if (!ScaleDomain(TScale::Detune).Contains(v)) return {};
  if (v == 50) return QStringLiteral("0.00");
  if (v > 50) return QLatin1Char('+') + Fixed((v - 50) * 4, 2);
  return QLatin1Char('-') + Fixed((50 - v) * 4, 2);
}

QString ReverbPositionText(int v) {
  if (!ScaleDomain(TScale::ReverbPosition).Contains(v)) return {};
  return QString::fromLatin1(ReverbPositionTable[v]);
}

QString PlainNumberText(int v) {
  return QString::number(v);
}
