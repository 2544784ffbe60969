#include <gtest/gtest.h>

#include "PresetTestUtil.h"
#include "preset/DigitalCatalogue.h"
#include "preset/PerfAssignments.h"

namespace {

TEST(PerfAssignments, EightAtMostAndFreedPlacesAreReused) {
  TPreset p;
  for (int k = 0; k < 8; ++k) {
    p.PerfMIDI[k].Controller = 99;  // stale values are replaced by the defaults
    EXPECT_EQ(AddAssignment(p), k);
    EXPECT_EQ(p.PerfMIDI[k].Controller, 4);
  }
  const TPreset full = p;
  EXPECT_EQ(AddAssignment(p), std::nullopt);
  ExpectSameContent(p, full);

  p.PerfMIDI[2].ParamNo = 7;
  DeleteAssignment(p, 2);
  EXPECT_FALSE(p.PerfInUse[2]);
  EXPECT_EQ(p.PerfMIDI[2], TPerfMIDI());
  const std::optional<int> again = AddAssignment(p);
  ASSERT_EQ(again, 2);
  EXPECT_EQ(AssignmentText(*again), QStringLiteral("Controller #3"));
  const TPerfMIDI fresh = p.PerfMIDI[2];
  EXPECT_EQ(fresh.Controller, 4);
  EXPECT_EQ(fresh.Low, 0);
  EXPECT_EQ(fresh.High, 127);
  EXPECT_EQ(fresh.ParamNo, 0);
}

TEST(PerfAssignments, SetController) {
  TPreset p;
  SetController(p, 6, TPerfMIDI::ControllerOff);
  EXPECT_EQ(p.PerfMIDI[6].Controller, 128);
  SetController(p, 6, RightPedalController);
  EXPECT_EQ(p.PerfMIDI[6].Controller, 11);
}

TEST(PerfAssignments, AnalogTargetsFollowTheirEffect) {
  // ParamNo 4 + slot; the owning effects by slot run 5, 2, 5, 4, 1, 7, 1, 2, 1.
  const int owners[28] = {0, 0, 0, 0, 0, 1, 1, 2, 2, 2, 2, 2, 3, 3,
                          3, 3, 4, 5, 5, 5, 5, 5, 5, 5, 6, 7, 7, 8};
  for (int slot = 0; slot < 28; ++slot) {
    for (bool on : {false, true}) {
      TPreset p;
      p.AnalogInUse.fill(!on);
      p.AnalogInUse[owners[slot]] = on;
      p.PerfInUse[0] = true;
      p.PerfMIDI[0].ParamNo = 4 + slot;
      EXPECT_EQ(TargetIsPresent(p, 0), on) << slot;
      const std::vector<int> kept = DropAbsentAssignments(p);
      EXPECT_EQ(kept.size(), on ? 1u : 0u) << slot;
      EXPECT_EQ(p.PerfInUse[0], on);
    }
  }
}

TEST(PerfAssignments, MonitorAndMixAreAlwaysPresent) {
  TPreset p;
  p.DigitalGroup = 0;
  for (int paramNo : {0, 1, 2, 3}) {
    p.PerfInUse[0] = true;
    p.PerfMIDI[0].ParamNo = paramNo;
    EXPECT_EQ(DropAbsentAssignments(p), std::vector<int>{0});
  }
}

TEST(PerfAssignments, DigitalTargetsFollowTheInUsePlaces) {
  TPreset p;
  DetermineDigitalGroup(p, {"Flanger"});  // group 0: Low Pass, Stereo DDL L, Flanger, Panner
  p.PerfInUse = {true, true, true, true, true, false, false, false};
  p.PerfMIDI[0].ParamNo = 32 + 8;   // Flanger: in use
  p.PerfMIDI[1].ParamNo = 32 + 0;   // Low Pass: in the row, not chosen
  p.PerfMIDI[2].ParamNo = 32 + 14;  // Panner: not chosen
  p.PerfMIDI[3].ParamNo = 32 + 15;  // past the group's 15 slots
  p.PerfMIDI[4].ParamNo = 60;       // no such parameter
  p.PerfMIDI[5].ParamNo = 32 + 9;   // Flanger, but entry not active: left alone
  EXPECT_TRUE(TargetIsPresent(p, 0));
  EXPECT_FALSE(TargetIsPresent(p, 1));
  EXPECT_FALSE(TargetIsPresent(p, 3));
  EXPECT_EQ(DropAbsentAssignments(p), std::vector<int>{0});
  const std::array<bool, 8> inUse = {true, false, false, false, false, false, false, false};
  EXPECT_EQ(p.PerfInUse, inUse);
  EXPECT_EQ(p.PerfMIDI[5].ParamNo, 41);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(p.PerfMIDI[k], TPerfMIDI()) << k;
}

TEST(PerfAssignments, InvalidGroupHasNoDigitalTargets) {
  TPreset p;
  p.DigitalGroup = 77;
  p.DigitalInUse.fill(true);
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = 32;
  EXPECT_FALSE(TargetIsPresent(p, 0));
}

TEST(PerfAssignments, BuiltInControllerNames) {
  const std::pair<int, const char*> named[] = {{1, "Mod wheel"},
                                               {4, "Foot controller"},
                                               {11, "Expression ctlr"},
                                               {66, "Sustenuto"},
                                               {68, "Legato Footswitch"},
                                               {95, "Phase depth"},
                                               {121, "Note Off key number"},
                                               {125, "Polyphonic aftertouch"},
                                               {127, "Pitch bend"},
                                               {128, "OFF"}};
  for (const auto& [n, name] : named)
    EXPECT_EQ(BuiltInControllerName(n), QString::fromLatin1(name));
  int count = 0;
  for (int n = 0; n < ControllerNameCount; ++n)
    if (!BuiltInControllerName(n).isEmpty()) ++count;
  EXPECT_EQ(count, 36);
  for (int n : {0, 3, 9, 12, 20, 63, 70, 96, 120, 129, -1})
    EXPECT_EQ(BuiltInControllerName(n), QString()) << n;
  EXPECT_EQ(BuiltInControllerName(LeftPedalController), QStringLiteral("Foot controller"));
  EXPECT_EQ(BuiltInControllerName(RightPedalController), QStringLiteral("Expression ctlr"));
}

}  // namespace
