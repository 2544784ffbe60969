#include <gtest/gtest.h>

#include <algorithm>

#include "preset/Preset.h"
#include "preset/VexaRules.h"

namespace {

// Which foot-controller states each analog effect alone makes meaningful, by check box number:
// Compressor 1, Distortion 2, Equalizer 3, Expander and Noise Gate 4, A.E.S. and Envelope Filter
// 9 (Special Effects); Digital Contour and Prog. Level belong to no family.
TEST(VexaRules, EachAnalogEffectAloneTurnsOnItsOwnFamilyOnly) {
  const std::vector<std::vector<int>> families = {
      {1}, {4}, {2}, {9}, {4}, {3}, {9}, {}, {},
  };
  ASSERT_EQ(int(families.size()), AnalogEffectCount);
  for (int effect = 0; effect < AnalogEffectCount; ++effect) {
    TPreset p;
    p.AnalogInUse.fill(false);
    p.AnalogInUse[static_cast<std::size_t>(effect)] = true;
    p.DigitalGroup = -1;  // no digital chain
    for (int number = 1; number <= 9; ++number) {
      const bool expected = std::find(families[effect].begin(), families[effect].end(), number) !=
                            families[effect].end();
      EXPECT_EQ(VexaFamilyPresent(p, number), expected)
          << "analog effect " << effect << ", check box " << number;
    }
  }
}

TEST(VexaRules, NumbersOutsideTheNineBoxesHaveNoFamily) {
  TPreset p;
  p.AnalogInUse.fill(true);
  for (int number : {0, 10, -1}) EXPECT_FALSE(VexaFamilyPresent(p, number)) << number;
}

}  // namespace
