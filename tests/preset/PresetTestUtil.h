#pragma once

#include <QBuffer>
#include <QByteArray>
#include <random>

#include "preset/ParamTable.h"
#include "preset/Preset.h"

// A valid random record: every field inside the range the editor keeps it in.
inline TPreset RandomPreset(std::mt19937& rng) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  TPreset p;
  p.Header[2] = std::uint8_t(pick(0, 15));
  for (bool& b : p.VexaStates) b = pick(0, 1);
  for (bool& b : p.AnalogInUse) b = pick(0, 1);
  for (bool& b : p.DigitalInUse) b = pick(0, 1);
  p.DigitalGroup = pick(0, 53);
  for (int id = 1; id <= LastParam; ++id) {
    const TParamDef& d = ParamDef(id <= 31 ? id : FirstDigitalParam + pick(0, 128));
    *p.ParamField(id) = pick(d.Min, d.Max);
  }
  QString title;
  const int length = pick(0, TitleLength);
  for (int i = 0; i < length; ++i) title += QChar(pick(0x20, 0x7E));
  // Blanks at either end do not survive the dump; the unit pads with them.
  p.Title = title.trimmed();
  for (int e = 0; e < PerfMIDICount; ++e) {
    p.PerfInUse[e] = pick(0, 1);
    TPerfMIDI& m = p.PerfMIDI[e];
    m.Controller = pick(0, 128);
    m.Low = pick(0, 127);
    m.High = pick(0, 127);
    m.ParamNo = pick(0, LastParam);
    m.Extra = pick(0, 1) ? 255 : pick(0, 255);
    m.InUse = p.PerfInUse[e];
  }
  return p;
}

inline QByteArray ToBytes(const TPresetImage& image) {
  return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
}

inline void LoadBytes(TPreset& p, QByteArray bytes) {
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  p.LoadFromStream(buffer);
}

// Every field the dump carries, compared one by one so a failure names the field.
inline void ExpectSameContent(const TPreset& a, const TPreset& b) {
  EXPECT_EQ(a.Header, b.Header);
  EXPECT_EQ(a.VexaStates, b.VexaStates);
  EXPECT_EQ(a.AnalogInUse, b.AnalogInUse);
  EXPECT_EQ(a.DigitalGroup, b.DigitalGroup);
  EXPECT_EQ(a.DigitalInUse, b.DigitalInUse);
  EXPECT_EQ(a.Mix, b.Mix);
  EXPECT_EQ(a.AnalogParams, b.AnalogParams);
  EXPECT_EQ(a.DigitalSlots, b.DigitalSlots);
  EXPECT_EQ(a.Title, b.Title);
  EXPECT_EQ(a.PerfInUse, b.PerfInUse);
  for (int e = 0; e < PerfMIDICount; ++e) EXPECT_EQ(a.PerfMIDI[e], b.PerfMIDI[e]) << "entry " << e;
  EXPECT_EQ(a.EndByte, b.EndByte);
}
