#include "device/DeviceState.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

TEST(DeviceState, ReportsAreTakenOnlyWhileAQueryIsOutstanding) {
  TDeviceState s;
  EXPECT_FALSE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03 00 01 F7"))));
  EXPECT_FALSE(s.Bypass);

  s.PendingQueries = 1;
  const auto r = s.TakeReport(AsBytes(Hex("F0 1A 05 15 03 00 01 F7")));  // any channel
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Status, "The ZQN Tarvo is online!");
  EXPECT_EQ(r->Param, ParamBypass);
  EXPECT_TRUE(r->BypassChanged);  // the window sets its check mark from it
  EXPECT_TRUE(s.Bypass);
  EXPECT_EQ(s.PendingQueries, 0);
}

TEST(DeviceState, BankAndCurrentPresetReports) {
  struct Case {
    const char* bytes;
    int bank, preset;
    const char* status;
  };
  const Case cases[] = {
      {"F0 1A 00 15 03 09 02 00 F7", 2, -1,
       "The ZQN Tarvo is online! Your currently selected bank is: C"},
      {"F0 1A 00 15 03 09 03 00 F7", 3, -1,
       "The ZQN Tarvo is online! Your currently selected bank is: D"},  // the last bank
      {"F0 1A 00 15 03 09 04 00 F7", -1, -1, ""},  // no such bank: unknown, nothing shown
      {"F0 1A 00 15 03 40 05 01 F7", -1, 134, ""},
      {"F0 1A 00 15 03 40 7F 00 F7", -1, 128, ""},
      {"F0 1A 00 15 03 40 47 01 F7", -1, 200, ""},  // the last preset
      {"F0 1A 00 15 03 40 48 01 F7", -1, -1, ""},   // 201: no such preset, unknown
      {"F0 1A 00 15 03 77 01 00 F7", -1, -1, ""},   // unknown parameter: only counted
  };
  for (const Case& c : cases) {
    TDeviceState s;
    s.PendingQueries = 2;
    const auto r = s.TakeReport(AsBytes(Hex(c.bytes)));
    ASSERT_TRUE(r) << c.bytes;
    EXPECT_EQ(s.CurrentBank, c.bank) << c.bytes;
    EXPECT_EQ(s.CurrentPresetNo, c.preset) << c.bytes;
    EXPECT_EQ(r->Status, c.status) << c.bytes;
    EXPECT_EQ(r->Param, std::uint8_t(Hex(c.bytes)[5])) << c.bytes;  // the parameter, not its value
    EXPECT_FALSE(r->BypassChanged) << c.bytes;
    EXPECT_EQ(s.PendingQueries, 1);
  }
}

TEST(DeviceState, ShortReportsAreNotReadPastTheirEnd) {
  TDeviceState s;
  s.PendingQueries = 3;
  EXPECT_FALSE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03 00"))));
  EXPECT_FALSE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03 40 05"))));
  EXPECT_FALSE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03"))));
  EXPECT_EQ(s.PendingQueries, 3);
  EXPECT_TRUE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03 40 05 00"))));
  EXPECT_EQ(s.CurrentPresetNo, 6);
  // Bypass and bank reports carry one value byte: seven bytes are enough for them.
  EXPECT_TRUE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03 00 01"))));
  EXPECT_TRUE(s.Bypass);
  EXPECT_TRUE(s.TakeReport(AsBytes(Hex("F0 1A 00 15 03 09 01"))));
  EXPECT_EQ(s.CurrentBank, 1);
  EXPECT_EQ(s.PendingQueries, 0);
}

}  // namespace
