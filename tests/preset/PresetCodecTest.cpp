#include <gtest/gtest.h>

#include <QBuffer>
#include <vector>

#include "PresetTestUtil.h"
#include "device/DeviceMessages.h"
#include "preset/PresetError.h"
#include "preset/SplitByte.h"

namespace {

struct TSplitCase {
  int Value;
  std::uint8_t Low, High;
};

TEST(SplitByte, SplitsIntoSevenBitsAndTopBit) {
  const TSplitCase cases[] = {{0, 0x00, 0},   {1, 0x01, 0},   {127, 0x7F, 0}, {128, 0x00, 1},
                              {200, 0x48, 1}, {255, 0x7F, 1}, {-1, 0xFF, 0}};
  for (const TSplitCase& c : cases) {
    TSplitByte s(c.Value);
    EXPECT_EQ(s.Low, c.Low) << c.Value;
    EXPECT_EQ(s.High, c.High) << c.Value;
  }
}

TEST(SplitByte, JoinInvertsSplitOverEveryByteValue) {
  for (int v = 0; v <= 255; ++v) {
    TSplitByte s(v);
    EXPECT_LT(s.Low, 0x80) << v;
    TSplitByte back;
    EXPECT_EQ(back.SetBytes(s.Low, s.High), v);
  }
}

TEST(SplitByte, FreshObjectIsZero) {
  TSplitByte s;
  EXPECT_EQ(s.GetValue(), 0);
}

std::vector<std::uint8_t> FreshRecordDump(std::uint8_t channel) {
  std::vector<std::uint8_t> d = {0xF0, 0x1A, channel, 0x15, 0x05};
  for (int i = 0; i < 4; ++i) d.insert(d.end(), {0, 0});  // flag pairs
  d.insert(d.end(), {0, 0});                              // group 0
  d.insert(d.end(), {0, 0});                              // digital in use
  for (int i = 0; i < 3; ++i) d.insert(d.end(), {0x1F, 0});
  const int analog[] = {0x18, 0x03, 0x01, 0x03, 0x2A, 0x17, 0x05, 0x02, 0x2E, 0x05,
                        0x04, 0x2B, 0x00, 0x1C, 0x05, 0x23, 0x0F, 6,    6,    6,
                        6,    6,    6,    6,    0x00, 0x03, 0x03, 0x29};
  for (int v : analog) d.insert(d.end(), {std::uint8_t(v), 0});
  for (int i = 0; i < 18; ++i) d.insert(d.end(), {0, 0});
  for (char c : QByteArray("My new preset")) d.insert(d.end(), {std::uint8_t(c), 0});
  for (int i = 0; i < 3; ++i) d.insert(d.end(), {0x20, 0});
  d.insert(d.end(), {0, 0});
  for (int e = 0; e < 8; ++e) d.insert(d.end(), {4, 0, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0, 0});
  d.push_back(0xF7);
  return d;
}

TEST(PresetCodec, FreshRecordWithGroupZeroEncodesByteForByte) {
  const std::uint8_t saved = DeviceChannel;
  DeviceChannel = 9;
  TPreset p;
  DeviceChannel = saved;
  p.SetDigitalGroup(0);
  const std::vector<std::uint8_t> expected = FreshRecordDump(9);
  ASSERT_EQ(expected.size(), 246u);
  const TPresetImage image = p.Encode();
  for (int i = 0; i < 246; ++i) EXPECT_EQ(image[i], expected[i]) << "offset " << i;
}

TEST(PresetCodec, SaveToStreamWritesExactly246BytesAtThePosition) {
  TPreset p;
  p.SetDigitalGroup(0);
  QByteArray bytes("xyz");
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadWrite);
  buffer.seek(3);
  p.SaveToStream(buffer);
  ASSERT_EQ(bytes.size(), 3 + 246);
  EXPECT_EQ(bytes.left(3), QByteArray("xyz"));
  EXPECT_EQ(bytes.mid(3), ToBytes(p.Encode()));
}

TEST(PresetCodec, UndeterminedGroupNeverLeavesAnInvalidDataByte) {
  // A split of -1 has its top bit set and would end the message on the wire.
  TPreset p;
  ASSERT_EQ(p.DigitalGroup, -1);
  const TPresetImage image = p.Encode();
  EXPECT_EQ(image[13], 0);
  EXPECT_EQ(image[14], 0);
}

TEST(PresetCodec, OutOfRangeValuesAreClampedToValidMidiData) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> wild(-100000, 100000);
  for (int round = 0; round < 200; ++round) {
    TPreset p;
    p.DigitalGroup = wild(rng);
    for (int id = 1; id <= LastParam; ++id) *p.ParamField(id) = wild(rng);
    for (TPerfMIDI& m : p.PerfMIDI) m = {wild(rng), wild(rng), wild(rng), wild(rng), wild(rng)};
    p.Title = QStringLiteral("Gr\u00FC\u00DFe \u20AC");
    const TPresetImage image = p.Encode();
    for (int i = 1; i < 245; ++i) {
      if (i != 2) {
        ASSERT_LT(image[i], 0x80) << "offset " << i;
      }
    }
  }
  TPreset p;
  p.Mix[0] = 300;
  p.Mix[1] = 256;
  const TPresetImage image = p.Encode();
  EXPECT_EQ(image[17], 0x7F);
  EXPECT_EQ(image[18], 1);
  EXPECT_EQ(image[19], 0x7F);
  EXPECT_EQ(image[20], 1);
}

TEST(PresetCodec, TitleCellsAndTrimming) {
  TPreset p;
  p.Title = QStringLiteral("Ab");
  TPresetImage image = p.Encode();
  EXPECT_EQ(image[115], 0x41);
  EXPECT_EQ(image[116], 0);
  EXPECT_EQ(image[117], 0x62);
  EXPECT_EQ(image[118], 0);
  for (int i = 2; i < 16; ++i) {
    EXPECT_EQ(image[115 + 2 * i], 0x20);
    EXPECT_EQ(image[116 + 2 * i], 0);
  }

  // Longer titles are cut at 16 characters rather than spilling into the flags.
  p.Title = QStringLiteral("0123456789ABCDEFGHIJ");
  image = p.Encode();
  EXPECT_EQ(image[115 + 30], 'F');
  EXPECT_EQ(image[147], 0);

  // Spaces, NULs and control characters at the ends are trimmed; inner ones stay.
  for (int i = 0; i < 16; ++i) image[115 + 2 * i] = 0x20;
  TPreset q;
  q.LoadFromImage(image);
  EXPECT_EQ(q.Title, QString());
  const char cells[16] = {0,   ' ', '\t', 'L', 'e', 'a',  'd', ' ',
                          ' ', 'O', 'n',  'e', 0,   0x1F, ' ', 0};
  for (int i = 0; i < 16; ++i) image[115 + 2 * i] = std::uint8_t(cells[i]);
  q.LoadFromImage(image);
  EXPECT_EQ(q.Title, QStringLiteral("Lead  One"));

  // Every character below 0x80 is title text and travels as it is, DEL (0x7F) included; only
  // those above stand in as "?".
  p.Title = QStringLiteral("a\x7F~") + QChar(0x80);
  image = p.Encode();
  EXPECT_EQ(image[115], 'a');
  EXPECT_EQ(image[117], 0x7F);
  EXPECT_EQ(image[119], '~');
  EXPECT_EQ(image[121], '?');
}

TEST(PresetCodec, WrongFramingRaisesAndKeepsTheRecord) {
  TPreset good;
  good.SetDigitalGroup(3);
  good.Title = QStringLiteral("Kept");
  for (int offset : {0, 1, 3, 4}) {
    TPresetImage image = good.Encode();
    image[offset] = offset == 1 ? 0x1B : std::uint8_t(image[offset] ^ 0x01);
    TPreset p;
    p.Title = QStringLiteral("Before");
    try {
      LoadBytes(p, ToBytes(image));
      ADD_FAILURE() << "offset " << offset << " accepted";
    } catch (const EPresetError& e) {
      EXPECT_EQ(e.Message(), QStringLiteral("Not a valid preset file"));
    }
    EXPECT_EQ(p.Title, QStringLiteral("Before"));
    EXPECT_FALSE(p.Loaded);
    EXPECT_EQ(p.DumpImage, image);
  }
}

TEST(PresetCodec, ChannelByteAndEndByteAreCopiedUnchecked) {
  TPreset src;
  src.SetDigitalGroup(0);
  TPresetImage image = src.Encode();
  image[2] = 0x6B;
  image[245] = 0x00;
  TPreset p;
  p.LoadFromImage(image);
  EXPECT_EQ(p.Header[2], 0x6B);
  EXPECT_EQ(p.EndByte, 0x00);
  // What the program writes is a whole message, ended by F7; the rest comes back as read.
  TPresetImage expected = image;
  expected[245] = 0xF7;
  EXPECT_EQ(p.Encode(), expected);
}

TEST(PresetCodec, ShortStreamRaises) {
  TPreset src;
  src.SetDigitalGroup(0);
  TPreset p;
  EXPECT_THROW(LoadBytes(p, ToBytes(src.Encode()).left(245)), EPresetError);
  EXPECT_FALSE(p.Loaded);
  EXPECT_THROW(LoadBytes(p, QByteArray()), EPresetError);
}

TEST(PresetCodec, LoadReadsFromTheStartWhateverThePosition) {
  TPreset src;
  src.SetDigitalGroup(5);
  QByteArray bytes = ToBytes(src.Encode());
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  buffer.seek(200);
  TPreset p;
  p.LoadFromStream(buffer);
  EXPECT_EQ(p.DigitalGroup, 5);
}

TEST(PresetCodec, FlagsSitAtTheirBits) {
  // Each flag alone: the bit it sets must be the only one the decoder reads back.
  TPreset base;
  base.SetDigitalGroup(0);
  for (int k = 0; k < VexaStateCount; ++k) {
    TPreset p = base;
    p.VexaStates[k] = true;
    const TPresetImage image = p.Encode();
    const int byte = k < 7 ? 5 : k == 7 ? 6 : 7;
    const int bit = k < 7 ? k : k == 7 ? 0 : k - 8;
    EXPECT_EQ(image[byte], 1 << bit) << "vexa " << k;
    TPreset q;
    q.LoadFromImage(image);
    EXPECT_EQ(q.VexaStates, p.VexaStates);
  }
  for (int k = 0; k < AnalogEffectCount; ++k) {
    TPreset p = base;
    p.AnalogInUse[k] = true;
    const TPresetImage image = p.Encode();
    const int byte = k < 7 ? 9 : k == 7 ? 10 : 11;
    EXPECT_EQ(image[byte], 1 << (k < 7 ? k : 0)) << "analog " << k;
  }
  for (int k = 0; k < DigitalPlaceCount; ++k) {
    TPreset p = base;
    p.DigitalInUse[k] = true;
    EXPECT_EQ(p.Encode()[15], 1 << k);
  }
  for (int k = 0; k < PerfMIDICount; ++k) {
    TPreset p = base;
    p.PerfInUse[k] = true;
    const TPresetImage image = p.Encode();
    EXPECT_EQ(image[k < 7 ? 147 : 148], 1 << (k < 7 ? k : 0)) << "perf " << k;
    TPreset q;
    q.LoadFromImage(image);
    EXPECT_TRUE(q.PerfMIDI[k].InUse);
  }
}

TEST(PresetCodec, IgnoredBytesAreNotReadAndMakeTheRecordModified) {
  TPreset src;
  src.SetDigitalGroup(0);
  for (int offset : {8, 12, 16, 116, 146}) {
    TPresetImage image = src.Encode();
    image[offset] = 0x7F;
    TPreset p;
    p.LoadFromImage(image);
    ExpectSameContent(p, [&] {
      TPreset clean;
      clean.LoadFromImage(src.Encode());
      return clean;
    }());
    EXPECT_TRUE(p.IsModified()) << "offset " << offset;
  }
}

TEST(PresetCodec, IsModified) {
  TPreset fresh;
  EXPECT_FALSE(fresh.IsModified());  // never decoded
  fresh.Mix[0] = 3;
  EXPECT_FALSE(fresh.IsModified());

  TPreset src;
  src.SetDigitalGroup(0);
  TPreset p;
  p.LoadFromImage(src.Encode());
  EXPECT_FALSE(p.IsModified());
  p.AnalogParams[27] = 40;
  EXPECT_TRUE(p.IsModified());
  p.AnalogParams[27] = 41;
  EXPECT_FALSE(p.IsModified());
  p.Title += QLatin1Char('!');
  EXPECT_TRUE(p.IsModified());
}

TEST(PresetCodec, CurrentValueFieldFollowsTheTarget) {
  TPreset p;
  p.SetDigitalGroup(0);
  p.Mix = {1, 2, 29};
  p.AnalogParams[0] = 17;
  p.DigitalSlots[0] = 22;
  p.DigitalSlots[17] = 33;
  const std::pair<int, int> cases[] = {{3, 29}, {4, 17}, {32, 22}, {49, 33},
                                       {0, 0},  {-5, 0}, {50, 0},  {200, 0}};
  for (const auto& [paramNo, value] : cases) {
    p.PerfMIDI[2].ParamNo = paramNo;
    const TPresetImage image = p.Encode();
    TSplitByte s;
    EXPECT_EQ(s.SetBytes(image[149 + 24 + 8], image[149 + 24 + 9]), value) << paramNo;
  }
  // The stored current value is skipped on decode: a stale one reads back as the field's value.
  p.PerfMIDI[2].ParamNo = 3;
  TPresetImage image = p.Encode();
  image[149 + 24 + 8] = 0x05;
  TPreset q;
  q.LoadFromImage(image);
  EXPECT_EQ(q.PerfMIDI[2].ParamNo, 3);
  EXPECT_EQ(q.Encode()[149 + 24 + 8], 29);
}

TEST(PresetCodec, ReversedRangeAndExtraTravel) {
  TPreset p;
  p.SetDigitalGroup(0);
  p.PerfInUse[4] = true;
  p.PerfMIDI[4] = {128, 127, 0, 5, 255, true};
  TPreset q;
  q.LoadFromImage(p.Encode());
  EXPECT_EQ(q.PerfMIDI[4], p.PerfMIDI[4]);
}

TEST(PresetCodec, DecodeOfEncodeIsIdentityForValidRecords) {
  std::mt19937 rng(20240601);
  for (int round = 0; round < 2000; ++round) {
    const TPreset r = RandomPreset(rng);
    TPreset back;
    back.LoadFromImage(r.Encode());
    ExpectSameContent(back, r);
    EXPECT_FALSE(back.IsModified());
    if (HasFailure()) {
      ADD_FAILURE() << "round " << round;
      break;
    }
  }
}

TEST(PresetCodec, EncodeOfDecodeReproducesCleanDumps) {
  // A dump straight from the unit: ignored bytes 0, fifth pairs current.
  std::mt19937 rng(99);
  for (int round = 0; round < 500; ++round) {
    const TPresetImage dump = RandomPreset(rng).Encode();
    TPreset p;
    p.LoadFromImage(dump);
    ASSERT_EQ(p.Encode(), dump) << "round " << round;
  }
}

TEST(PresetCodec, BitIsSet) {
  for (int bit = 0; bit < 8; ++bit) {
    EXPECT_TRUE(TPreset::BitIsSet(std::uint8_t(1 << bit), bit));
    EXPECT_FALSE(TPreset::BitIsSet(std::uint8_t(~(1 << bit)), bit));
  }
  for (int bit : {-1, 8, 100}) {
    try {
      TPreset::BitIsSet(0xFF, bit);
      ADD_FAILURE() << bit;
    } catch (const EPresetError& e) {
      EXPECT_EQ(e.Message(), QStringLiteral("ERROR! Bit to check is out of range!"));
    }
  }
}

TEST(PresetCodec, VexaCheckboxesMapToFlags) {
  const int map[10] = {6, 7, 8, 0, 9, 1, 2, 3, 4, 5};
  for (int n = 1; n <= 9; ++n) {
    TPreset p;
    p.SetVexaState(n, true);
    for (int k = 0; k < VexaStateCount; ++k) EXPECT_EQ(p.VexaStates[k], k == map[n]) << n;
    EXPECT_TRUE(p.GetVexaState(n));
  }
  // Flag 6 has no checkbox; it keeps what the dump said.
  TPreset p;
  p.VexaStates[6] = true;
  for (int n = 1; n <= 9; ++n) p.SetVexaState(n, false);
  EXPECT_TRUE(p.VexaStates[6]);
}

TEST(PresetCodec, ParamNumbersAddressMixAnalogThenDigital) {
  TPreset p;
  EXPECT_EQ(p.ParamField(1), &p.Mix[0]);
  EXPECT_EQ(p.ParamField(3), &p.Mix[2]);
  EXPECT_EQ(p.ParamField(4), &p.AnalogParams[0]);
  EXPECT_EQ(p.ParamField(31), &p.AnalogParams[27]);
  EXPECT_EQ(p.ParamField(32), &p.DigitalSlots[0]);
  EXPECT_EQ(p.ParamField(49), &p.DigitalSlots[17]);
  EXPECT_EQ(p.ParamField(0), nullptr);
  EXPECT_EQ(p.ParamField(50), nullptr);
}

TEST(PresetCodec, FreshRecordDefaults) {
  TPreset p;
  EXPECT_EQ(p.Title, QStringLiteral("My new preset"));
  EXPECT_EQ(p.DigitalGroup, -1);
  EXPECT_FALSE(p.Loaded);
  EXPECT_EQ(p.EndByte, 0xF7);
  for (const TPerfMIDI& m : p.PerfMIDI) EXPECT_EQ(m, TPerfMIDI());
  EXPECT_EQ(TPerfMIDI().Controller, 4);
  EXPECT_EQ(TPerfMIDI().High, 127);
}

}  // namespace
