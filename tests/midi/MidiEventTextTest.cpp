#include "MidiEvents.h"
#include "midi/MidiDriver.h"
#include "midi/MidiEventText.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

struct TextRow {
  const char* what;
  TMyMidiEvent event;
  const char* text;
  int length;
};

class MidiEventTextTable : public ::testing::TestWithParam<TextRow> {};

TEST_P(MidiEventTextTable, TextAndLength) {
  const TextRow& row = GetParam();
  EXPECT_EQ(MidiEventText(row.event).toStdString(), row.text) << row.what;
  EXPECT_EQ(MidiEventLength(row.event), row.length) << row.what;
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, MidiEventTextTable,
    ::testing::Values(
        TextRow{"note on at 0x12345", Short(0x90, 0x3C, 0x64, 74565),
                "Note On 90 3C 64     00012345", 3},
        TextRow{"note off, channel 16", Short(0x8F, 0x40, 0x00, 1),
                "Note Off 8F 40 00     00000001", 3},
        TextRow{"key aftertouch", Short(0xA2, 0x7F, 0x7F, 0xFFFFFFFF),
                "Key Aftertouch A2 7F 7F     FFFFFFFF", 3},
        TextRow{"control change", Short(0xB0, 0x07, 0x0A, 0x0001000A),
                "Control Change B0 07 0A     0001000A", 3},
        TextRow{"program change shows one data byte", Short(0xC5, 0x07, 0x55, 0),
                "Program Change C5 07     00000000", 2},
        TextRow{"channel aftertouch", Short(0xDF, 0x12, 0x34, 0xABCDEF),
                "Channel Aftertouch DF 12     00ABCDEF", 2},
        TextRow{"pitch bend", Short(0xE3, 0x00, 0x40, 0x10000), "Pitch Bend E3 00 40     00010000",
                3},
        TextRow{"pitch bend, channel 1", Short(0xE0, 0x7F, 0x3F, 0),
                "Pitch Bend E0 7F 3F     00000000", 3},
        TextRow{"channel aftertouch, channel 1", Short(0xD0, 0x01, 0x02, 0),
                "Channel Aftertouch D0 01     00000000", 2},
        TextRow{"6-byte sysex ends with a blank", Sysex({0xF0, 0x1A, 0x00, 0x15, 0x45, 0xF7}),
                "Sysex (6): F0 1A 00 15 45 F7 ", 6},
        TextRow{"empty sysex", Sysex({}), "Sysex (0): ", 0},
        TextRow{"MTC quarter frame", Short(0xF1, 0x23, 0x45, 2),
                "MTC Quarter Frame F1 23     00000002", 2},
        TextRow{"song position pointer", Short(0xF2, 0x01, 0x02, 3),
                "Song Position Pointer F2 01 02     00000003", 3},
        TextRow{"song select", Short(0xF3, 0x05, 0x09, 4), "Song Select F3 05     00000004", 2},
        TextRow{"undefined F4", Short(0xF4, 0x11, 0x22, 5), "Undefined F4     00000005", 1},
        TextRow{"undefined F5", Short(0xF5), "Undefined F5     00000000", 1},
        TextRow{"tune request", Short(0xF6), "Tune Request F6     00000000", 1},
        TextRow{"sysex end", Short(0xF7), "System Exclusive End F7     00000000", 1},
        TextRow{"timing clock", Short(0xF8), "Timing Clock F8     00000000", 1},
        TextRow{"undefined F9", Short(0xF9), "Undefined F9     00000000", 1},
        TextRow{"start", Short(0xFA), "Start FA     00000000", 1},
        TextRow{"continue", Short(0xFB), "Continue FB     00000000", 1},
        TextRow{"stop", Short(0xFC, 0, 0, 0xBEEF), "Stop FC     0000BEEF", 1},
        TextRow{"undefined FD", Short(0xFD), "Undefined FD     00000000", 1},
        TextRow{"active sensing", Short(0xFE), "Active Sensing FE     00000000", 1},
        TextRow{"system reset", Short(0xFF), "System Reset FF     00000000", 1},
        TextRow{"status below 0x80", Short(0x7F, 1, 2, 3), "Unrecognized MIDI Event", 0},
        TextRow{"status 0", Short(0x00), "Unrecognized MIDI Event", 0}));

struct LengthRow {
  std::uint8_t from;
  std::uint8_t to;
  int length;
};

// Every status byte, not only the samples above: a range boundary off by one shows up here.
TEST(MidiEventLength, EveryStatusByte) {
  const LengthRow rows[] = {{0x00, 0x7F, 0}, {0x80, 0xBF, 3}, {0xC0, 0xDF, 2}, {0xE0, 0xEF, 3},
                            {0xF1, 0xF1, 2}, {0xF2, 0xF2, 3}, {0xF3, 0xF3, 2}, {0xF4, 0xFF, 1}};
  for (const LengthRow& row : rows) {
    for (int s = row.from; s <= row.to; ++s) {
      EXPECT_EQ(MidiEventLength(Short(static_cast<std::uint8_t>(s))), row.length)
          << "status " << std::hex << s;
      // The ports cut short messages by the same table.
      EXPECT_EQ(ShortMessageLength(static_cast<std::uint8_t>(s)), row.length)
          << "status " << std::hex << s;
    }
  }
}

TEST(MidiEventText, ChannelNameFollowsTheHighNibbleForEveryChannel) {
  const char* names[] = {"Note Off",       "Note On",        "Key Aftertouch",
                         "Control Change", "Program Change", "Channel Aftertouch",
                         "Pitch Bend"};
  for (int kind = 0; kind < 7; ++kind) {
    for (int channel = 0; channel < 16; ++channel) {
      const auto status = static_cast<std::uint8_t>(0x80 + kind * 16 + channel);
      const QString text = MidiEventText(Short(status, 1, 2));
      EXPECT_TRUE(text.startsWith(QString::fromLatin1(names[kind]) + ' ')) << text.toStdString();
    }
  }
}

TEST(MidiEventText, SysexLengthFieldBeyondTheHeldBytesIsCutToTheBytes) {
  TMyMidiEvent e = Sysex({0xF0, 0x01, 0xF7});
  e.SysexLength = 200;  // a damaged record must not make anyone read past the copy
  EXPECT_EQ(MidiEventText(e).toStdString(), "Sysex (3): F0 01 F7 ");
  EXPECT_EQ(MidiEventLength(e), 3);
}

TEST(HexBytes, FormatsEachByteWithATrailingBlank) {
  const std::uint8_t bytes[] = {0x00, 0x0A, 0xF0, 0xFF, 0x7F};
  EXPECT_EQ(HexBytes(bytes, 5).toStdString(), "00 0A F0 FF 7F ");
  EXPECT_EQ(HexBytes(bytes, 2).toStdString(), "00 0A ");
  EXPECT_TRUE(HexBytes(bytes, 0).isEmpty());
  EXPECT_EQ(HexBytes(bytes, 9).toStdString(), "00 0A F0 FF 7F ");
  EXPECT_EQ(HexBytes(QByteArray("\x01\xab", 2), 2).toStdString(), "01 AB ");
}

TEST(HexBytes, LongBlockKeepsEveryByte) {
  QByteArray block(246, '\0');
  for (int i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i);
  const QString text = HexBytes(block, 246);
  EXPECT_EQ(text.size(), 246 * 3);
  EXPECT_EQ(text.mid(3 * 0xAB, 3).toStdString(), "AB ");
}

}  // namespace
