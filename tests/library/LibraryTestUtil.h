#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "preset/Preset.h"

// A preset in group 9 (Low Pass, Regen DDL S, Reverb 2, Flanger, Panner), every effect of the row
// in use, the slots at the catalogue's defaults, every analog effect at its table default.
inline TPreset GroupNinePreset(const QString& title) {
  TPreset p;
  p.Title = title;
  p.DigitalGroup = 9;
  for (int k = 0; k < DigitalPlaceCount; ++k) p.DigitalInUse[std::size_t(k)] = true;
  const int values[DigitalSlotCount] = {30,                      // Low Pass
                                        20, 0,  48, 63,          // Regen DDL S
                                        5,  0,  17, 2,  5,  63,  // Reverb 2
                                        4,  22, 20, 48, 63,      // Flanger
                                        31, 40};                 // Panner
  for (int s = 0; s < DigitalSlotCount; ++s) p.DigitalSlots[std::size_t(s)] = values[s];
  return p;
}

inline QByteArray DumpOf(const TPreset& p) {
  const TPresetImage image = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()), qsizetype(image.size()));
}

inline QByteArray TitledDump(const QString& title, int group = 9) {
  TPreset p = GroupNinePreset(title);
  p.DigitalGroup = group;
  return DumpOf(p);
}

inline void WriteFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
}
