#include "device/DeviceMessages.h"

#include <gtest/gtest.h>

namespace {

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// Restores the program-wide protocol state each test may change.
class DeviceMessages : public ::testing::Test {
 protected:
  void TearDown() override {
    SetPreKineticMode(false);
    DeviceChannel = 0;
  }
};

TEST_F(DeviceMessages, PresetIndexSplitsIntoLowAndHighByte) {
  struct Case {
    int number;
    std::uint8_t ll, hh;
  };
  for (const Case& c :
       {Case{1, 0x00, 0}, Case{128, 0x7F, 0}, Case{129, 0x00, 1}, Case{200, 0x47, 1}}) {
    const auto w = SplitPresetIndex(PresetNumberToIndex(c.number));
    EXPECT_EQ(w.ll, c.ll) << c.number;
    EXPECT_EQ(w.hh, c.hh) << c.number;
  }
  EXPECT_EQ(PresetNumberText(7), "007");
  EXPECT_EQ(PresetNumberText(200), "200");
}

TEST_F(DeviceMessages, EveryRequestAndCommandAsBytes) {
  DeviceChannel = 0x04;
  EXPECT_EQ(GetEditPresetMessage(), Hex("F0 1A 04 15 45 F7"));
  EXPECT_EQ(SelectPresetMessage(PresetNumberToIndex(130)), Hex("F0 1A 04 15 09 01 01 F7"));
  EXPECT_EQ(StorePresetMessage(PresetNumberToIndex(128)), Hex("F0 1A 04 15 0A 7F 00 F7"));
  EXPECT_EQ(AllPresetsRequestMessage(), Hex("F0 1A 04 15 52 F7"));
  EXPECT_EQ(MptRequestMessage(), Hex("F0 1A 04 15 53 F7"));
  EXPECT_EQ(QueryParamMessage(ParamCurrentPreset), Hex("F0 1A 04 15 43 40 F7"));
  EXPECT_EQ(SelectBankMessage(3), Hex("F0 1A 04 15 03 09 03 F7"));
  EXPECT_EQ(SelectBankMessage(0), Hex("F0 1A 04 15 03 09 00 F7"));  // bank A
  EXPECT_TRUE(SelectBankMessage(4).isEmpty());
  EXPECT_TRUE(SelectBankMessage(-1).isEmpty());
  EXPECT_EQ(BypassMessage(true), Hex("F0 1A 04 15 03 00 01 F7"));
  EXPECT_EQ(BypassMessage(false), Hex("F0 1A 04 15 03 00 00 F7"));
}

TEST_F(DeviceMessages, ProgramChangeRouteAlwaysUsesChannelOne) {
  DeviceChannel = 4;
  const auto load = ProgramChangeLoadMessages(PresetNumberToIndex(130));
  EXPECT_EQ(load[0], (TShortMessage{0xB0, 0x00, 0x00}));
  EXPECT_EQ(load[1], (TShortMessage{0xB0, 0x20, 0x01}));
  EXPECT_EQ(load[2], (TShortMessage{0xC0, 0x01, 0x00}));
  EXPECT_EQ(GetEditPresetMessage(), Hex("F0 1A 04 15 45 F7"));
  const auto reset = ResetBankSelectMessages();
  EXPECT_EQ(reset[0], (TShortMessage{0xB0, 0x00, 0x00}));
  EXPECT_EQ(reset[1], (TShortMessage{0xB0, 0x20, 0x00}));
}

TEST_F(DeviceMessages, PreKineticModeSwitchesItsFourValues) {
  SetPreKineticMode(true);
  EXPECT_TRUE(PreKineticMode);
  EXPECT_EQ(CmdMptDump, 0x0C);
  EXPECT_EQ(CmdMptRequest, 0x4C);
  EXPECT_EQ(CmdAllPresetsRequest, 0x4B);
  EXPECT_EQ(MptDumpLength, 262);
  EXPECT_EQ(AllPresetsRequestMessage(), Hex("F0 1A 00 15 4B F7"));
  EXPECT_EQ(MptRequestMessage(), Hex("F0 1A 00 15 4C F7"));
  SetPreKineticMode(false);
  EXPECT_EQ(CmdMptDump, 0x13);
  EXPECT_EQ(CmdMptRequest, 0x53);
  EXPECT_EQ(CmdAllPresetsRequest, 0x52);
  EXPECT_EQ(MptDumpLength, 406);
}

QByteArray Framed(int length, std::uint8_t command, std::uint8_t channel = 0) {
  QByteArray m(length, '\0');
  m[0] = char(0xF0);
  m[1] = char(0x1A);
  m[2] = char(channel);
  m[3] = char(0x15);
  m[4] = char(command);
  m[length - 1] = char(0xF7);
  return m;
}

TEST_F(DeviceMessages, RepliesAreRecognisedByLengthAndHeaderNeverByChannel) {
  EXPECT_TRUE(IsParameterReport(AsBytes(Hex("F0 1A 05 15 03 00 01 F7"))));
  EXPECT_TRUE(IsParameterReport(AsBytes(Hex("F0 1A 00 15 03"))));  // length is not checked
  EXPECT_FALSE(IsParameterReport(AsBytes(Hex("F0 1A 00 16 03 00 01 F7"))));
  EXPECT_FALSE(IsParameterReport(AsBytes(Hex("F0 1A 00 15"))));

  EXPECT_TRUE(IsPresetDump(AsBytes(Framed(246, 0x05, 0x0F))));
  EXPECT_FALSE(IsPresetDump(AsBytes(Framed(245, 0x05))));
  EXPECT_FALSE(IsPresetDump(AsBytes(Framed(247, 0x05))));
  EXPECT_FALSE(IsPresetDump(AsBytes(Framed(246, 0x06))));

  EXPECT_TRUE(IsMptDump(AsBytes(Framed(406, 0x13, 9))));
  EXPECT_FALSE(IsMptDump(AsBytes(Framed(262, 0x0C))));
  // Length and header must both be right: the right header at a length one off, and the right
  // length under another command, are no table.
  EXPECT_FALSE(IsMptDump(AsBytes(Framed(405, 0x13))));
  EXPECT_FALSE(IsMptDump(AsBytes(Framed(407, 0x13))));
  EXPECT_FALSE(IsMptDump(AsBytes(Framed(406, 0x05))));
  SetPreKineticMode(true);
  EXPECT_FALSE(IsMptDump(AsBytes(Framed(406, 0x13))));
  EXPECT_TRUE(IsMptDump(AsBytes(Framed(262, 0x0C))));
}

TEST_F(DeviceMessages, QuickTitleTakesEveryOtherByteAndTrims) {
  QByteArray dump = Framed(246, 0x05);
  const QByteArray title = "  Clean Chorus\x01 ";
  for (int i = 0; i < 16; ++i) {
    dump[TitleOffset + 2 * i] = title[i];
    dump[TitleOffset + 2 * i + 1] = 'x';  // the other byte of each pair is not title text
  }
  dump[TitleOffset + 2 * 16] = 'Q';  // where a seventeenth character would be: not title text
  EXPECT_EQ(QuickTitle(AsBytes(dump)), "Clean Chorus");
  // A title using all sixteen places keeps them all; only blanks and control characters are
  // trimmed, not the printable character just above the blank.
  const QByteArray full = "!Sixteen places!";
  for (int i = 0; i < 16; ++i) dump[TitleOffset + 2 * i] = full[i];
  EXPECT_EQ(QuickTitle(AsBytes(dump)), "!Sixteen places!");
  for (int i = 0; i < 16; ++i) dump[TitleOffset + 2 * i] = ' ';
  EXPECT_EQ(QuickTitle(AsBytes(dump)), "");
  EXPECT_EQ(QuickTitle(AsBytes(Hex("F0 1A 00 15 05 F7"))), "");  // too short: no title at all
}

}  // namespace
