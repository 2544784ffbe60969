#pragma once

#include <QString>
#include <climits>

// Display scales: the unit's own text for a raw parameter value. Every function is pure. A value
// outside a scale's domain gives the empty text (the unit shows nothing for it either).
enum class TScale {
  None,  // named choices: the control shows its item instead
  EighthsPercent,
  LevelPercent,
  MasterLevel,
  DoublePercent,
  SevenStepPercent,
  DistortionOutputPercent,
  EqLevel,
  EnvelopeTuning,
  LfoSpeed,
  Pitch,
  FinePitch,
  DelayLength,
  SampleLength,
  PlainMilliseconds,
  Diffusion,
  Damping,
  ReverbDecay,
  GateDecay,
  LowPassFrequency,
  Detune,
  ReverbPosition,
  PlainNumber,
};
inline constexpr int ScaleCount = int(TScale::PlainNumber) + 1;

struct TScaleDomain {
  int Min;
  int Max;
  bool Contains(int v) const { return v >= Min && v <= Max; }
};

// Raw values a scale accepts; "any" for plain milliseconds and plain number.
TScaleDomain ScaleDomain(TScale scale);
// The scale's name as people here call it: "eighths percent", "EQ level", "LFO speed"...
QString ScaleName(TScale scale);
QString ScaleText(TScale scale, int v);

QString EighthsPercentText(int v);
QString LevelPercentText(int v);
QString MasterLevelText(int v);
QString DoublePercentText(int v);
QString SevenStepPercentText(int v);
QString DistortionOutputPercentText(int v);
QString EqLevelText(int v);
QString EnvelopeTuningText(int v);
QString LfoSpeedText(int v);
QString PitchText(int v);
QString FinePitchText(int v);
QString DelayLengthText(int v);
QString SampleLengthText(int v);
QString PlainMillisecondsText(int v);
QString DiffusionText(int v);
QString DampingText(int v);
QString ReverbDecayText(int v);
QString GateDecayText(int v);
QString LowPassFrequencyText(int v);
QString DetuneText(int v);
QString ReverbPositionText(int v);
QString PlainNumberText(int v);
