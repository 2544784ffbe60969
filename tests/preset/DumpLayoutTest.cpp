// The preset dump pinned to the unit's documented layout: every byte below is written out by
// hand from the layout table, never produced by the codec under test.

#include <gtest/gtest.h>

#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "PresetTestUtil.h"
#include "preset/DigitalCatalogue.h"

namespace {

// Bytes from rows of hexadecimal pairs.
std::vector<std::uint8_t> Hex(std::initializer_list<const char*> rows) {
  std::vector<std::uint8_t> out;
  for (const char* row : rows)
    for (const QString& b : QString::fromLatin1(row).split(u' ', Qt::SkipEmptyParts))
      out.push_back(std::uint8_t(b.toUInt(nullptr, 16)));
  return out;
}

// A dump with something different in every field.
const std::vector<std::uint8_t>& GoldenDump() {
  static const std::vector<std::uint8_t> dump = Hex({
      "F0 1A 05 15 05",     // 0: header, unit on channel 5
      "55 01",              // 5: Vexa flags 0, 2, 4, 6 and 7 (bit 0 of byte 6)
      "02 00",              // 7: Vexa flag 9
      "2A 01",              // 9: analog 1, 3, 5 and 7 (bit 0 of byte 10)
      "01 00",              // 11: analog 8
      "09 00",              // 13: group 9
      "15 00",              // 15: digital places 0, 2 and 4
      "1F 00 10 00 48 01",  // 17: mix dry 31, digital 16, analog 200
      "01 00 0A 00 13 00 1C 00 25 00 2E 00 37 00",        // 23: A0..A6 = 1, 10, 19 ... (k * 9 + 1)
      "40 00 49 00 52 00 5B 00 64 00 6D 00 76 00",        // 37: A7..A13
      "7F 00 08 01 11 01 1A 01 23 01 2C 01 35 01",        // 51: A14..A20 (127, 136, ...)
      "3E 01 47 01 50 01 59 01 62 01 6B 01 74 01",        // 65: A21..A27 (... 244)
      "02 00 0F 00 1C 00 29 00 36 00 43 00",              // 79: D0..D5 = 2, 15, 28 ... (j * 13 + 2)
      "50 00 5D 00 6A 00 77 00 04 01 11 01",              // 91: D6..D11 (... 119, 132, 145)
      "1E 01 2B 01 38 01 45 01 52 01 5F 01",              // 103: D12..D17 (158 ... 223)
      "47 00 6F 00 6C 00 64 00 65 00 6E 00 20 00 64 00",  // 115: "Golden d"
      "75 00 6D 00 70 00 20 00 20 00 20 00 20 00 20 00",  // 131: "ump", five blanks
      "0B 01",                                            // 147: entries 0, 1, 3 and 7 in use
      // 149 + 12e: controller, low, high, target, target's value, extra
      "04 00 00 00 7F 00 00 00 00 00 00 00",  // 149: #4, 0..127, none, 0, extra 0
      "0B 00 03 00 7E 00 03 00 48 01 7F 01",  // 161: #11, 3..126, mix analog = 200, extra 255
      "00 01 06 00 7D 00 04 00 01 00 01 00",  // 173: OFF, 6..125, A0 = 1, extra 1
      "00 00 09 00 7C 00 1F 00 74 01 00 00",  // 185: #0, 9..124, A27 = 244
      "01 00 0C 00 7B 00 20 00 02 00 00 01",  // 197: #1, 12..123, D0 = 2, extra 128
      "40 00 0F 00 7A 00 31 00 5F 01 07 00",  // 209: #64, 15..122, D17 = 223, extra 7
      "7F 00 12 00 79 00 08 00 25 00 00 00",  // 221: #127, 18..121, A4 = 37
      "07 00 15 00 78 00 28 00 6A 00 7F 01",  // 233: #7, 21..120, D8 = 106, extra 255
      "F7",                                   // 245
  });
  return dump;
}

// Header, F7 and blank title cells; every other pair 0.
std::vector<std::uint8_t> BlankDump() {
  std::vector<std::uint8_t> d(246, 0);
  const std::uint8_t head[] = {0xF0, 0x1A, 0x00, 0x15, 0x05};
  std::copy(std::begin(head), std::end(head), d.begin());
  for (int i = 0; i < 16; ++i) d[115 + 2 * i] = 0x20;
  d[245] = 0xF7;
  return d;
}

TPreset Decode(const std::vector<std::uint8_t>& bytes) {
  TPreset p;
  p.LoadFromImage(bytes);
  return p;
}

std::vector<std::uint8_t> Encode(const TPreset& p) {
  const TPresetImage image = p.Encode();
  return {image.begin(), image.end()};
}

TEST(DumpLayout, TheGoldenDumpDecodesFieldByField) {
  ASSERT_EQ(GoldenDump().size(), 246u);
  const TPreset p = Decode(GoldenDump());
  EXPECT_EQ(p.Header, (std::array<std::uint8_t, 5>{0xF0, 0x1A, 0x05, 0x15, 0x05}));
  EXPECT_EQ(p.VexaStates,
            (std::array<bool, 10>{true, false, true, false, true, false, true, true, false, true}));
  EXPECT_EQ(p.AnalogInUse,
            (std::array<bool, 9>{false, true, false, true, false, true, false, true, true}));
  EXPECT_EQ(p.DigitalGroup, 9);
  EXPECT_EQ(p.DigitalInUse, (std::array<bool, 5>{true, false, true, false, true}));
  EXPECT_EQ(p.Mix, (std::array<std::int32_t, 3>{31, 16, 200}));
  for (int k = 0; k < 28; ++k) EXPECT_EQ(p.AnalogParams[k], k * 9 + 1) << "A" << k;
  for (int j = 0; j < 18; ++j) EXPECT_EQ(p.DigitalSlots[j], j * 13 + 2) << "D" << j;
  EXPECT_EQ(p.Title, QStringLiteral("Golden dump"));
  EXPECT_EQ(p.PerfInUse, (std::array<bool, 8>{true, true, false, true, false, false, false, true}));
  struct TEntry {
    int Controller, Low, High, ParamNo, Extra;
  };
  const TEntry entries[8] = {{4, 0, 127, 0, 0},    {11, 3, 126, 3, 255},  {128, 6, 125, 4, 1},
                             {0, 9, 124, 31, 0},   {1, 12, 123, 32, 128}, {64, 15, 122, 49, 7},
                             {127, 18, 121, 8, 0}, {7, 21, 120, 40, 255}};
  for (int e = 0; e < 8; ++e) {
    SCOPED_TRACE(e);
    EXPECT_EQ(p.PerfMIDI[e].Controller, entries[e].Controller);
    EXPECT_EQ(p.PerfMIDI[e].Low, entries[e].Low);
    EXPECT_EQ(p.PerfMIDI[e].High, entries[e].High);
    EXPECT_EQ(p.PerfMIDI[e].ParamNo, entries[e].ParamNo);
    EXPECT_EQ(p.PerfMIDI[e].Extra, entries[e].Extra);
    EXPECT_EQ(p.PerfMIDI[e].InUse, p.PerfInUse[e]);
  }
  EXPECT_EQ(p.EndByte, 0xF7);
  EXPECT_FALSE(p.IsModified());
}

TEST(DumpLayout, TheGoldenDumpEncodesBackByteForByte) {
  const std::vector<std::uint8_t> out = Encode(Decode(GoldenDump()));
  for (int i = 0; i < 246; ++i) EXPECT_EQ(out[i], GoldenDump()[i]) << "offset " << i;
}

// One flag of the layout: its byte and bit, and where the record keeps it.
struct TFlagBit {
  const char* Field;
  int Index;
  int Byte;
  int Bit;
};

std::vector<TFlagBit> FlagBits() {
  std::vector<TFlagBit> bits;
  for (int k = 0; k < 7; ++k) bits.push_back({"VexaStates", k, 5, k});
  bits.push_back({"VexaStates", 7, 6, 0});
  bits.push_back({"VexaStates", 8, 7, 0});
  bits.push_back({"VexaStates", 9, 7, 1});
  for (int k = 0; k < 7; ++k) bits.push_back({"AnalogInUse", k, 9, k});
  bits.push_back({"AnalogInUse", 7, 10, 0});
  bits.push_back({"AnalogInUse", 8, 11, 0});
  for (int k = 0; k < 5; ++k) bits.push_back({"DigitalInUse", k, 15, k});
  for (int k = 0; k < 7; ++k) bits.push_back({"PerfInUse", k, 147, k});
  bits.push_back({"PerfInUse", 7, 148, 0});
  return bits;
}

// Every flag of the record as one list, in the order above.
std::vector<bool> AllFlags(const TPreset& p) {
  std::vector<bool> all(p.VexaStates.begin(), p.VexaStates.end());
  all.insert(all.end(), p.AnalogInUse.begin(), p.AnalogInUse.end());
  all.insert(all.end(), p.DigitalInUse.begin(), p.DigitalInUse.end());
  all.insert(all.end(), p.PerfInUse.begin(), p.PerfInUse.end());
  return all;
}

TEST(DumpLayout, EveryFlagSitsAtItsBit) {
  const std::vector<TFlagBit> bits = FlagBits();
  ASSERT_EQ(bits.size(), 32u);
  for (std::size_t n = 0; n < bits.size(); ++n) {
    const TFlagBit& f = bits[n];
    SCOPED_TRACE(std::string(f.Field) + " " + std::to_string(f.Index));
    std::vector<std::uint8_t> dump = BlankDump();
    dump[std::size_t(f.Byte)] = std::uint8_t(1 << f.Bit);
    const TPreset p = Decode(dump);
    const std::vector<bool> flags = AllFlags(p);
    for (std::size_t m = 0; m < flags.size(); ++m) EXPECT_EQ(flags[m], m == n) << m;
    EXPECT_EQ(Encode(p), dump);
  }
}

// One numeric pair of the layout and the record field it fills.
struct TPairField {
  std::string Name;
  int Offset;
  std::function<int(const TPreset&)> Read;
};

std::vector<TPairField> PairFields() {
  std::vector<TPairField> fields;
  fields.push_back({"group", 13, [](const TPreset& p) { return p.DigitalGroup; }});
  for (int i = 0; i < 3; ++i)
    fields.push_back({"mix " + std::to_string(i), 17 + 2 * i,
                      [i](const TPreset& p) { return p.Mix[std::size_t(i)]; }});
  for (int k = 0; k < 28; ++k)
    fields.push_back({"A" + std::to_string(k), 23 + 2 * k,
                      [k](const TPreset& p) { return p.AnalogParams[std::size_t(k)]; }});
  for (int j = 0; j < 18; ++j)
    fields.push_back({"D" + std::to_string(j), 79 + 2 * j,
                      [j](const TPreset& p) { return p.DigitalSlots[std::size_t(j)]; }});
  for (int e = 0; e < 8; ++e) {
    const int at = 149 + 12 * e;
    const std::string entry = "entry " + std::to_string(e) + " ";
    fields.push_back({entry + "controller", at,
                      [e](const TPreset& p) { return p.PerfMIDI[std::size_t(e)].Controller; }});
    fields.push_back(
        {entry + "low", at + 2, [e](const TPreset& p) { return p.PerfMIDI[std::size_t(e)].Low; }});
    fields.push_back({entry + "high", at + 4,
                      [e](const TPreset& p) { return p.PerfMIDI[std::size_t(e)].High; }});
    fields.push_back({entry + "target", at + 6,
                      [e](const TPreset& p) { return p.PerfMIDI[std::size_t(e)].ParamNo; }});
    fields.push_back({entry + "extra", at + 10,
                      [e](const TPreset& p) { return p.PerfMIDI[std::size_t(e)].Extra; }});
  }
  return fields;
}

TEST(DumpLayout, EveryPairSitsAtItsOffset) {
  const std::vector<TPairField> fields = PairFields();
  for (const TPairField& f : fields) {
    SCOPED_TRACE(f.Name);
    // 0x45 with the top bit set: 197.
    std::vector<std::uint8_t> dump = BlankDump();
    dump[std::size_t(f.Offset)] = 0x45;
    dump[std::size_t(f.Offset + 1)] = 0x01;
    const TPreset p = Decode(dump);
    for (const TPairField& other : fields)
      EXPECT_EQ(other.Read(p), &other == &f ? 197 : 0) << other.Name;
    if (f.Name.find("target") == std::string::npos) {
      EXPECT_EQ(Encode(p), dump);
    }
  }
}

TEST(DumpLayout, AnEntrysFifthPairIsItsTargetsValueAtEncode) {
  // Entry 2 targets digital slot D5 (parameter 37), which holds 0x33.
  std::vector<std::uint8_t> dump = BlankDump();
  dump[79 + 2 * 5] = 0x33;
  dump[173 + 6] = 37;
  dump[173 + 8] = 0x33;
  const TPreset p = Decode(dump);
  EXPECT_EQ(p.PerfMIDI[2].ParamNo, 37);
  EXPECT_EQ(Encode(p), dump);
  // The stored fifth pair is not read: a stale one is rewritten.
  dump[173 + 8] = 0x10;
  EXPECT_EQ(Encode(Decode(dump))[173 + 8], 0x33);
}

TEST(DumpLayout, TitleCellsAreEveryOtherByteFrom115) {
  std::vector<std::uint8_t> dump = BlankDump();
  const char text[] = "0123456789ABCDEF";
  for (int i = 0; i < 16; ++i) dump[std::size_t(115 + 2 * i)] = std::uint8_t(text[i]);
  const TPreset p = Decode(dump);
  EXPECT_EQ(p.Title, QStringLiteral("0123456789ABCDEF"));
  EXPECT_EQ(Encode(p), dump);
}

// ---------------------------------------------------------------------------------------------
// The 54 digital groups, as the unit's manual lists them

const char* const GroupLines[54] = {
    "0. Low Pass, Stereo DDL L, Flanger, Panner",
    "1. Low Pass, Stereo DDL S, Flanger, Panner",
    "2. Low Pass, Stereo DDL S, Chorus, Panner",
    "3. Low Pass, Stereo DDL L, Flanger, Tremolo",
    "4. Low Pass, Stereo DDL S, Flanger, Tremolo",
    "5. Low Pass, Stereo DDL S, Chorus, Tremolo",
    "6. Low Pass, Stereo DDL L, Flanger, MIDI-Pan",
    "7. Low Pass, Stereo DDL S, Flanger, MIDI-Pan",
    "8. Low Pass, Stereo DDL S, Chorus, MIDI-Pan",
    "9. Low Pass, Regen DDL S, Reverb 2, Flanger, Panner",
    "10. Low Pass, Regen DDL S, Reverb 2, Flanger, Tremolo",
    "11. Low Pass, Regen DDL S, Reverb 2, Flanger, MIDI-Pan",
    "12. Low Pass, Regen DDL L, Reverb 1, Flanger, Panner",
    "13. Low Pass, Regen DDL L, Reverb 1, Flanger, Tremolo",
    "14. Low Pass, Regen DDL L, Reverb 1, Flanger, MIDI-Pan",
    "15. Low Pass, Regen DDL S, Reverb 1, Flanger, Panner",
    "16. Low Pass, Regen DDL S, Reverb 1, Flanger, Tremolo",
    "17. Low Pass, Regen DDL S, Reverb 1, Flanger, MIDI-Pan",
    "18. Low Pass, Regen DDL S, Reverb 1, Chorus, Panner",
    "19. Low Pass, Regen DDL S, Reverb 1, Chorus, Tremolo",
    "20. Low Pass, Regen DDL S, Reverb 1, Chorus, MIDI-Pan",
    "21. Low Pass, Regen DDL S, Flanger, Gate Verb 2",
    "22. Low Pass, Regen DDL L, Flanger, Gate Verb 1",
    "23. Low Pass, Regen DDL S, Flanger, Gate Verb 1",
    "24. Low Pass, Regen DDL S, Chorus, Gate Verb 1",
    "25. Low Pass, Regen DDL L, Pitch-Trans",
    "26. Low Pass, Regen DDL S, Pitch-Trans",
    "27. Low Pass, Regen DDL S, Reverb 3",
    "28. Low Pass, Regen DDL S, Gate Verb 3",
    "29. Low Pass, Regen DDL S, Gate Verb 2, Panner",
    "30. Low Pass, Regen DDL L, Gate Verb 1, Panner",
    "31. Low Pass, Regen DDL S, Gate Verb 1, Panner",
    "32. Low Pass, Tapped DDL S, Reverb 2",
    "33. Low Pass, Tapped DDL L, Reverb 1",
    "34. Low Pass, Tapped DDL S, Reverb 1",
    "35. Low Pass, Regen DDL S, Gate Verb 2, Tremolo",
    "36. Low Pass, Regen DDL L, Gate Verb 1, Tremolo",
    "37. Low Pass, Regen DDL S, Gate Verb 1, Tremolo",
    "38. Low Pass, Regen DDL S, Gate Verb 2, MIDI-Pan",
    "39. Low Pass, Regen DDL L, Gate Verb 1, MIDI-Pan",
    "40. Low Pass, Regen DDL S, Gate Verb 1, MIDI-Pan",
    "41. Low Pass, Sampler S, Reverb 2",
    "42. Low Pass, Sampler S, Reverb 1",
    "43. Low Pass, Sampler L",
    "44. Low Pass, Sampler+PTr",
    "45. Low Pass, Regen DDL S, Pitch-Trans, Reverb 1",
    "46. Low Pass, Tuner",
    "47. Low Pass, Stereo DDL L, Phaser, Panner",
    "48. Low Pass, Stereo DDL S, Phaser, Panner",
    "49. Low Pass, Stereo DDL L, Phaser, Tremolo",
    "50. Low Pass, Stereo DDL S, Phaser, Tremolo",
    "51. Low Pass, Stereo DDL L, Phaser, MIDI-Pan",
    "52. Low Pass, Stereo DDL S, Phaser, MIDI-Pan",
    "53. Low Pass, Stereo DDL S, Dual PTr",
};

// Parameters of each catalogue effect, by name.
int ParamCountOf(const QString& name) {
  static const std::pair<const char*, int> counts[] = {
      {"Low Pass", 1},    {"Flanger", 5},      {"Chorus", 5},       {"Pitch-Trans", 6},
      {"Panner", 2},      {"Tremolo", 2},      {"MIDI-Pan", 1},     {"Reverb 1", 6},
      {"Reverb 2", 6},    {"Reverb 3", 7},     {"Gate Verb 1", 5},  {"Gate Verb 2", 5},
      {"Gate Verb 3", 5}, {"Tapped DDL S", 6}, {"Tapped DDL L", 6}, {"Regen DDL S", 4},
      {"Regen DDL L", 4}, {"Stereo DDL S", 7}, {"Stereo DDL L", 7}, {"Sampler S", 6},
      {"Sampler L", 6},   {"Sampler+PTr", 9},  {"Tuner", 4},        {"Phaser", 5},
      {"Dual PTr", 9}};
  for (const auto& [n, c] : counts)
    if (name == QLatin1String(n)) return c;
  return -1;
}

class GroupRowTest : public ::testing::TestWithParam<int> {};

TEST_P(GroupRowTest, RowTextPlacesAndSlotOffsets) {
  const int g = GetParam();
  const QString line = QString::fromLatin1(GroupLines[g]);
  EXPECT_EQ(GroupText(g), line);
  const QStringList names =
      line.mid(line.indexOf(QStringLiteral(". ")) + 2).split(QStringLiteral(", "));
  ASSERT_EQ(GroupEffectCount(g), names.size());
  int offset = 0;
  for (int k = 0; k < GroupPlaceCount; ++k) {
    SCOPED_TRACE(k);
    if (k >= names.size()) {
      EXPECT_EQ(GroupEffect(g, k), -1);
      continue;
    }
    EXPECT_EQ(EffectName(GroupEffect(g, k)), names[k]);
    EXPECT_EQ(SlotOffset(g, k), offset);
    offset += ParamCountOf(names[k]);
  }
  EXPECT_EQ(GroupParamCount(g), offset);
  EXPECT_LE(offset, 18);
}

INSTANTIATE_TEST_SUITE_P(AllGroups, GroupRowTest, ::testing::Range(0, 54));

}  // namespace
