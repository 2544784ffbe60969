#include "preset/VexaRules.h"

#include "preset/Preset.h"
#include "preset/PresetListing.h"

#include <initializer_list>

namespace {

struct TVexaRule {
  std::initializer_list<int> Analog;
  std::initializer_list<int> DigitalPages;
};
// Digital page indices in the order of the editor's pages.
enum : int {
  pgLowPass,
  pgFlanger,
  pgChorus,
  pgPitchTrans,
  pgPanner,
  pgTremolo,
  pgMidiPan,
  pgReverb,
  pgGateVerb,
  pgTappedDdl,
  pgRegenDdl,
  pgStereoDdl,
  pgSampler,
  pgSamplerPtr,
  pgTuner,
  pgPhaser,
  pgDualPtr,
};
enum : int { aeCompressor, aeExpander, aeDistortion, aeEnvelope, aeNoiseGate, aeEqualizer, aeAes };

// Indexed by check box number - 1.
const TVexaRule VexaRules[9] = {
    {{aeCompressor}, {}},
    {{aeDistortion}, {}},
    {{aeEqualizer}, {pgLowPass}},
    {{aeExpander, aeNoiseGate}, {}},
    {{}, {pgReverb, pgGateVerb}},
    {{}, {pgTappedDdl, pgRegenDdl, pgStereoDdl}},
    {{}, {pgPitchTrans, pgDualPtr}},
    {{}, {pgFlanger, pgPhaser, pgChorus}},
    {{aeAes, aeEnvelope}, {pgPanner, pgMidiPan, pgTuner, pgSampler, pgSamplerPtr, pgTremolo}},
};

}  // namespace

bool VexaFamilyPresent(const TPreset& preset, int number) {
  if (number < 1 || number > 9) return false;
  const TVexaRule& rule = VexaRules[number - 1];
  for (int effect : rule.Analog)
    if (preset.AnalogInUse[static_cast<std::size_t>(effect)]) return true;
  const std::array<bool, 17> pages = DigitalPagesInChain(preset);
  for (int page : rule.DigitalPages)
    if (pages[static_cast<std::size_t>(page)]) return true;
  return false;
}

void ApplyVexaRule(TPreset& preset) {
  for (int number = 1; number <= 9; ++number)
    preset.SetVexaState(number, VexaFamilyPresent(preset, number));
}
