// Arbitrary bytes as a preset file: decoding may refuse them, but nothing else may go wrong, and
// whatever was decoded must encode to valid MIDI data.

#include <QBuffer>
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "device/DeviceMessages.h"
#include "preset/DigitalCatalogue.h"
#include "preset/PerfAssignments.h"
#include "preset/Preset.h"
#include "preset/PresetError.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
  QBuffer reader(&in);
  reader.open(QIODevice::ReadOnly);
  TPreset preset;
  try {
    preset.LoadFromStream(reader);
  } catch (const EPresetError&) {
    // Refused: the record keeps its defaults; it must still encode.
  }

  QByteArray out;
  QBuffer writer(&out);
  writer.open(QIODevice::WriteOnly);
  preset.SaveToStream(writer);
  if (out.size() != PresetDumpLength) __builtin_trap();
  for (int i = 5; i < PresetDumpLength - 1; ++i)
    if (std::uint8_t(out[i]) >= 0x80) __builtin_trap();
  const bool modified = preset.IsModified();
  if (preset.Loaded && size >= std::size_t(PresetDumpLength) && !modified &&
      QByteArray(in.constData(), PresetDumpLength) != out)
    __builtin_trap();

  // What the editor does next with a damaged record must not fail either.
  for (int e = 0; e < PerfMIDICount; ++e) (void)preset.CatalogueParamId(e);
  QStringList chosen;
  for (int k = 0; k < DigitalPlaceCount; ++k)
    if (preset.DigitalInUse[k] && GroupEffect(preset.DigitalGroup, k) >= 0)
      chosen << EffectName(GroupEffect(preset.DigitalGroup, k));
  (void)AvailableEffects(preset, chosen);
  try {
    DetermineDigitalGroup(preset, chosen);
  } catch (const EPresetError&) {
  }
  (void)DropAbsentAssignments(preset);
  return 0;
}
