#include <gtest/gtest.h>

#include <QSet>

#include "preset/Scales.h"

namespace {

struct TSample {
  TScale Scale;
  int Value;
  const char* Text;
};

using enum TScale;

const TSample Samples[] = {
    {EighthsPercent, 0, "0%"},
    {EighthsPercent, 1, "6%"},
    {EighthsPercent, 7, "25%"},
    {EighthsPercent, 15, "50%"},
    {EighthsPercent, 30, "96%"},
    {EighthsPercent, 31, "100%"},
    {LevelPercent, 0, "0%"},
    {LevelPercent, 31, "50%"},
    {LevelPercent, 63, "100%"},
    {MasterLevel, 11, "22%"},
    {MasterLevel, 12, "25%"},
    {MasterLevel, 41, "85%"},
    {MasterLevel, 48, "100%"},
    {DoublePercent, 42, "84%"},
    {DoublePercent, 50, "100%"},
    {SevenStepPercent, 5, "83%"},
    {DistortionOutputPercent, 1, "2%"},
    {DistortionOutputPercent, 2, "4%"},
    {DistortionOutputPercent, 4, "9%"},
    {DistortionOutputPercent, 43, "100%"},
    {EqLevel, 0, "-15 db"},
    {EqLevel, 5, "-2 db"},
    {EqLevel, 6, "0 db"},
    {EqLevel, 12, "+15 db"},
    {EnvelopeTuning, 0, "120 Hz"},
    {EnvelopeTuning, 35, "744 Hz"},
    {EnvelopeTuning, 63, "3200 Hz"},
    {LfoSpeed, 0, "0.04Hz"},
    {LfoSpeed, 31, "1.28Hz"},
    {LfoSpeed, 32, "1.36Hz"},
    {LfoSpeed, 84, "27.30Hz"},
    {Pitch, 0, "-12"},
    {Pitch, 12, "0"},
    {Pitch, 24, "+12"},
    {FinePitch, 1, "-3.87"},
    {FinePitch, 62, "-0.06"},
    {FinePitch, 63, "0.00"},
    {FinePitch, 64, "0.06"},
    {FinePitch, 67, "0.25"},
    {FinePitch, 127, "4.00"},
    {DelayLength, 70, "350 ms"},
    {DelayLength, 71, "360 ms"},
    {DelayLength, 105, "700 ms"},
    {DelayLength, 106, "720 ms"},
    {DelayLength, 119, "980 ms"},
    {DelayLength, 120, "1.00 s"},
    {DelayLength, 121, "1.05 s"},
    {DelayLength, 126, "1.30 s"},
    {SampleLength, 1, "0.01s"},
    {SampleLength, 4, "0.05s"},
    {SampleLength, 104, "1.30s"},
    {SampleLength, 127, "1.58s"},
    {PlainMilliseconds, 47, "47 ms"},
    {Diffusion, 0, "40%"},
    {Diffusion, 3, "100%"},
    {Damping, 3, "21%"},
    {Damping, 4, "29%"},
    {Damping, 7, "50%"},
    {ReverbDecay, 10, "1.0s"},
    {ReverbDecay, 11, "1.2s"},
    {ReverbDecay, 20, "3.0s"},
    {ReverbDecay, 21, "3.5s"},
    {ReverbDecay, 30, "8.0s"},
    {ReverbDecay, 47, "25.0s"},
    {GateDecay, 0, "0.05s"},
    {GateDecay, 1, "0.10s"},
    {GateDecay, 7, "0.40s"},
    {LowPassFrequency, 0, "630 Hz"},
    {LowPassFrequency, 3, "891 Hz"},
    {LowPassFrequency, 4, "1.00 KHz"},
    {LowPassFrequency, 29, "17.80 KHz"},
    {LowPassFrequency, 30, "THRU"},
    {Detune, 0, "-2.00"},
    {Detune, 49, "-0.04"},
    {Detune, 50, "0.00"},
    {Detune, 51, "+0.04"},
    {Detune, 100, "+2.00"},
    {ReverbPosition, 0, "Front"},
    {ReverbPosition, 6, "Rear"},
    {PlainNumber, 5, "5"},
    // Beyond the sample list: table neighbours and the extra stairs of each rule.
    {LevelPercent, 1, "3%"},
    {EnvelopeTuning, 36, "783 Hz"},
    {LfoSpeed, 40, "2.16Hz"},
    {LfoSpeed, 81, "23.00Hz"},
    {FinePitch, 125, "3.87"},
    {FinePitch, 2, "-3.81"},
    {DelayLength, 0, "0 ms"},
    {ReverbDecay, 0, "0.0s"},
    {ReverbDecay, 31, "9.0s"},
    {SampleLength, 0, "0.00s"},
    {ReverbPosition, 3, "50%"},
    {EqLevel, 7, "+2 db"},
    {LowPassFrequency, 5, "1.12 KHz"},
    {LowPassFrequency, 24, "10.00 KHz"},
    {DistortionOutputPercent, 0, "0%"},
    {DistortionOutputPercent, 3, "6%"},
    {DistortionOutputPercent, 5, "11%"},
    {MasterLevel, 0, "0%"},
};

TEST(Scales, SampleOutputs) {
  for (const TSample& s : Samples)
    EXPECT_EQ(ScaleText(s.Scale, s.Value), QString::fromLatin1(s.Text))
        << ScaleName(s.Scale).toStdString() << " " << s.Value;
}

TEST(Scales, DomainsAreTheTables) {
  using S = TScale;
  const std::pair<TScale, TScaleDomain> rows[] = {
      {S::EighthsPercent, {0, 31}},  {S::LevelPercent, {0, 63}},
      {S::MasterLevel, {0, 48}},     {S::DoublePercent, {0, 50}},
      {S::SevenStepPercent, {0, 6}}, {S::DistortionOutputPercent, {0, 43}},
      {S::EqLevel, {0, 12}},         {S::EnvelopeTuning, {0, 63}},
      {S::LfoSpeed, {0, 84}},        {S::Pitch, {0, 24}},
      {S::FinePitch, {0, 127}},      {S::DelayLength, {0, 126}},
      {S::SampleLength, {0, 127}},   {S::Diffusion, {0, 3}},
      {S::Damping, {0, 7}},          {S::ReverbDecay, {0, 47}},
      {S::GateDecay, {0, 7}},        {S::LowPassFrequency, {0, 30}},
      {S::Detune, {0, 100}},         {S::ReverbPosition, {0, 6}},
  };
  for (const auto& [scale, domain] : rows) {
    EXPECT_EQ(ScaleDomain(scale).Min, domain.Min) << ScaleName(scale).toStdString();
    EXPECT_EQ(ScaleDomain(scale).Max, domain.Max) << ScaleName(scale).toStdString();
  }
  for (const TScale any : {S::PlainMilliseconds, S::PlainNumber})
    EXPECT_TRUE(ScaleDomain(any).Contains(INT_MIN) && ScaleDomain(any).Contains(INT_MAX));
}

TEST(Scales, EveryValueOfEveryDomainHasAText) {
  for (int i = 1; i < ScaleCount; ++i) {
    const TScale scale = TScale(i);
    const TScaleDomain d = ScaleDomain(scale);
    const int lo = std::max(d.Min, -300), hi = std::min(d.Max, 300);
    for (int v = lo; v <= hi; ++v)
      EXPECT_FALSE(ScaleText(scale, v).isEmpty()) << ScaleName(scale).toStdString() << " " << v;
  }
}

TEST(Scales, OutsideTheDomainGivesNoText) {
  for (int i = 1; i < ScaleCount; ++i) {
    const TScale scale = TScale(i);
    const TScaleDomain d = ScaleDomain(scale);
    if (d.Min == INT_MIN) continue;
    EXPECT_TRUE(ScaleText(scale, d.Min - 1).isEmpty()) << ScaleName(scale).toStdString();
    EXPECT_TRUE(ScaleText(scale, d.Max + 1).isEmpty()) << ScaleName(scale).toStdString();
  }
  // 127 is no delay length the unit offers.
  EXPECT_EQ(DelayLengthText(127), QString());
}

TEST(Scales, EighthsPercentSkipsThreeAndNinetySeven) {
  QSet<QString> seen;
  int previous = -1;
  for (int v = 0; v <= 31; ++v) {
    const QString text = EighthsPercentText(v);
    seen.insert(text);
    const int n = text.chopped(1).toInt();
    if (previous >= 0) {
      EXPECT_TRUE(n - previous == 3 || n - previous == 4 || (v == 1 && n == 6)) << v;
      if (n - previous == 4) {
        EXPECT_EQ(n % 25, 0) << v;
      }
    }
    previous = n;
  }
  EXPECT_FALSE(seen.contains(QStringLiteral("3%")));
  EXPECT_FALSE(seen.contains(QStringLiteral("97%")));
  for (const char* jump : {"21%", "25%", "46%", "50%", "71%", "75%", "96%", "100%"})
    EXPECT_TRUE(seen.contains(QString::fromLatin1(jump))) << jump;
}

TEST(Scales, FinePitchIsNotSymmetricAroundCentre) {
  EXPECT_EQ(FinePitchText(1), QStringLiteral("-3.87"));
  EXPECT_EQ(FinePitchText(125), QStringLiteral("3.87"));
  EXPECT_EQ(FinePitchText(0), QStringLiteral("-4.00"));
  for (int v = 1; v <= 127; ++v) EXPECT_NE(FinePitchText(v), QStringLiteral("-4.00")) << v;
  // Small negative offsets keep their sign although their whole part is zero.
  for (int v = 60; v <= 62; ++v) EXPECT_TRUE(FinePitchText(v).startsWith(u"-0.")) << v;
}

TEST(Scales, EqLevelIsSymmetricWithLowerCaseDb) {
  for (int v = 0; v < 6; ++v) {
    const QString low = EqLevelText(v), high = EqLevelText(12 - v);
    EXPECT_TRUE(low.startsWith(QLatin1Char('-')));
    EXPECT_EQ(low.mid(1), high.mid(1));
    EXPECT_TRUE(low.endsWith(QStringLiteral(" db")));
  }
}

TEST(Scales, NumericScalesNeverFallWithTheRawValue) {
  // Parse the leading number; the unit's texts rise with the raw value within one unit.
  auto number = [](const QString& t) {
    QString digits;
    for (QChar c : t)
      if (c.isDigit() || c == u'.' || c == u'-') digits += c;
    return digits.toDouble();
  };
  for (TScale scale : {EighthsPercent, LevelPercent, MasterLevel, DoublePercent, SevenStepPercent,
                       DistortionOutputPercent, EnvelopeTuning, LfoSpeed, FinePitch, SampleLength,
                       Damping, ReverbDecay, GateDecay, Detune}) {
    const TScaleDomain d = ScaleDomain(scale);
    for (int v = d.Min + 1; v <= d.Max; ++v) {
      if (scale == FinePitch && v == 1) continue;  // -4.00 then -3.87
      EXPECT_GT(number(ScaleText(scale, v)), number(ScaleText(scale, v - 1)))
          << ScaleName(scale).toStdString() << " " << v;
    }
  }
}

TEST(Scales, NamesAreDistinct) {
  QSet<QString> names;
  for (int i = 0; i < ScaleCount; ++i) names.insert(ScaleName(TScale(i)));
  EXPECT_EQ(names.size(), ScaleCount);
  EXPECT_EQ(ScaleName(EqLevel), QStringLiteral("EQ level"));
}

}  // namespace
