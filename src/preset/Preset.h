#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <span>

#include "PerfMIDI.h"

class QIODevice;

// Analog effects in chain order; the order of AnalogInUse and of the editor's analog list.
inline constexpr int AnalogEffectCount = 9;
inline constexpr int AnalogParamCount = 28;
inline constexpr std::array<const char*, AnalogEffectCount> AnalogEffectNames = {
    "Compressor", "Expander", "Distortion",      "Envelope Filter", "Noise Gate",
    "Equalizer",  "A.E.S.",   "Digital Contour", "Prog. Level"};
// Consecutive AnalogParams slots owned by each analog effect.
inline constexpr std::array<int, AnalogEffectCount> AnalogEffectParamCounts = {5, 2, 5, 4, 1,
                                                                               7, 1, 2, 1};
// First analog slot of effect k.
int AnalogSlotOffset(int effect);
// Analog effect that owns analog slot 0..27, or -1.
int AnalogEffectOfSlot(int slot);

inline constexpr int MixCount = 3;
inline constexpr int DigitalSlotCount = 18;
inline constexpr int DigitalPlaceCount = 5;
inline constexpr int PerfMIDICount = 8;
inline constexpr int VexaStateCount = 10;
inline constexpr int TitleLength = 16;

// Parameter numbers: 0 none, 1..3 mix, 4..31 analog slots, 32..49 digital slots.
inline constexpr int FirstMixParam = 1;
inline constexpr int FirstAnalogParam = 4;
inline constexpr int FirstDigitalParam = 32;
inline constexpr int LastParam = 49;

// Foot-controller checkbox n (1..9) -> VexaStates flag index; entry 0 belongs to no checkbox.
inline constexpr std::array<int, 10> VexaStateMap = {6, 7, 8, 0, 9, 1, 2, 3, 4, 5};

using TPresetImage = std::array<std::uint8_t, 246>;

// One complete sound of the unit and the codec of its 246-byte system-exclusive dump.
class TPreset {
 public:
  std::array<std::uint8_t, 5> Header{};
  std::array<bool, VexaStateCount> VexaStates{};
  std::array<bool, AnalogEffectCount> AnalogInUse{};
  std::int32_t DigitalGroup = -1;  // -1 until worked out from the chain
  std::array<bool, DigitalPlaceCount> DigitalInUse{};
  std::array<std::int32_t, MixCount> Mix{31, 31, 31};  // dry, digital, analog
  std::array<std::int32_t, AnalogParamCount> AnalogParams{};
  std::array<std::int32_t, DigitalSlotCount> DigitalSlots{};
  QString Title = QStringLiteral("My new preset");
  std::array<bool, PerfMIDICount> PerfInUse{};
  std::array<TPerfMIDI, PerfMIDICount> PerfMIDI{};
  std::uint8_t EndByte = 0xF7;
  TPresetImage DumpImage{};  // the dump as last decoded, for IsModified
  bool Loaded = false;

  TPreset();

  // Decodes the dump held by the stream, read from its start. Wrong framing raises "Not a valid
  // preset file" and leaves everything but DumpImage as it was; a short stream raises too.
  void LoadFromStream(QIODevice& stream);
  // Writes exactly 246 bytes at the stream's current position.
  void SaveToStream(QIODevice& stream) const;

  // The same codec on plain bytes; the image must hold at least 246 bytes.
  void LoadFromImage(std::span<const std::uint8_t> image);
  TPresetImage Encode() const;

  // True once decoded and the record no longer encodes to the image it was decoded from.
  bool IsModified() const;

  int GetDigitalGroup() const { return DigitalGroup; }
  void SetDigitalGroup(int n) { DigitalGroup = n; }
  bool GetAnalogInUse(int k) const { return AnalogInUse.at(k); }
  void SetAnalogInUse(int k, bool b) { AnalogInUse.at(k) = b; }
  bool GetDigitalInUse(int k) const { return DigitalInUse.at(k); }
  void SetDigitalInUse(int k, bool b) { DigitalInUse.at(k) = b; }
  // Checkbox n = 1..9 of the editor's foot-controller page.
  void SetVexaState(int n, bool b);
  bool GetVexaState(int n) const;

  // Value of parameter number 1..49 (mix, analog, digital); 0 for any other number.
  std::int32_t ParamValue(int paramNo) const;
  // The field that parameter number 1..49 edits, or nullptr.
  std::int32_t* ParamField(int paramNo);

  // Target of entry e as a number independent of the digital group: ParamNo itself below 32,
  // otherwise the parameter's number in the whole digital catalogue (32..160); -1 when a digital
  // ParamNo points at no effect of the current group.
  int CatalogueParamId(int e) const;

  // Bit test used by decode; bit must be 0..7.
  static bool BitIsSet(std::uint8_t byte, int bit);
};
