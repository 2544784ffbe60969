// The monitor's texts for what the unit makes of a message.

#include "MidiEvents.h"
#include "device/UnitDecoder.h"

#include <gtest/gtest.h>

namespace {

QByteArray Dump(const TPreset& preset) {
  const TPresetImage image = preset.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()), PresetDumpLength);
}

std::string N(TUnitDecoder& d, const TMyMidiEvent& e, int bank = 1) {
  return d.Note(e, bank).toStdString();
}

TEST(UnitDecoder, ProgramChangeNamesThePresetThroughTheFetchedTable) {
  TUnitDecoder d;
  // No table fetched: the unit's mapping is unknown, so nothing is said.
  EXPECT_EQ(N(d, Short(0xC0, 11)), "");
  Tmpt table;
  table.SetEntry(11, 36);  // program change 12 loads preset 037
  table.SetEntry(0, 199);
  d.SetProgramTable(table.Image());
  d.SetPresetTitle(1, 36, QStringLiteral("Fat Lead"));
  EXPECT_EQ(N(d, Short(0xC0, 11)), "PC 12 \u2192 B-037 Fat Lead");
  // Any channel: the monitor does not know the unit's receive channel.
  EXPECT_EQ(N(d, Short(0xC5, 0)), "PC 1 \u2192 B-200");
  EXPECT_EQ(N(d, Short(0xC0, 11), 2), "PC 12 \u2192 C-037");
  EXPECT_EQ(N(d, Short(0xC0, 11), -1), "PC 12 \u2192 037");
  // Bank select low 1 moves to the table's second half, as the backup's program-change route
  // sends it.
  table.SetEntry(128 + 1, 5);
  d.SetProgramTable(table);
  EXPECT_EQ(N(d, Short(0xB0, 0x20, 1)), "");
  EXPECT_EQ(N(d, Short(0xC0, 1)), "PC 130 \u2192 B-006");
  EXPECT_EQ(N(d, Short(0xB0, 0x20, 0)), "");
  EXPECT_EQ(N(d, Short(0xC0, 1)), "PC 2 \u2192 B-002");
}

TEST(UnitDecoder, ControllerNamesWhatThePresetsAssignmentsMove) {
  TUnitDecoder d;
  EXPECT_EQ(N(d, Short(0xB0, 11, 64)), "");
  TPreset preset;
  preset.PerfInUse[0] = true;
  preset.PerfMIDI[0].Controller = 11;
  preset.PerfMIDI[0].ParamNo = 4;  // the compressor's drive
  preset.PerfInUse[1] = true;
  preset.PerfMIDI[1].Controller = 7;
  preset.PerfMIDI[1].ParamNo = 1;  // the dry mix
  preset.PerfInUse[2] = true;
  preset.PerfMIDI[2].Controller = 7;
  preset.PerfMIDI[2].ParamNo = 4;
  // An assignment not in use says nothing.
  preset.PerfMIDI[3].Controller = 12;
  preset.PerfMIDI[3].ParamNo = 4;
  d.SetCurrentPreset(Dump(preset));
  ASSERT_TRUE(d.CurrentPreset().has_value());
  EXPECT_EQ(N(d, Short(0xB0, 11, 64)), "CC 11 \u2192 Compressor drive");
  EXPECT_EQ(N(d, Short(0xB3, 7, 0)), "CC 7 \u2192 Mix dry, Compressor drive");
  EXPECT_EQ(N(d, Short(0xB0, 12, 0)), "");
  EXPECT_EQ(N(d, Short(0xB0, 1, 0)), "");
  // A message that is no dump leaves the current preset as it was.
  d.SetCurrentPreset(QByteArray(246, 0));
  EXPECT_EQ(N(d, Short(0xB0, 11, 64)), "CC 11 \u2192 Compressor drive");
}

TEST(UnitDecoder, TheUnitsOwnMessagesSpelledOut) {
  TUnitDecoder d;
  struct Row {
    TMyMidiEvent event;
    const char* note;
  };
  const Row rows[] = {
      {Sysex({0xF0, 0x1A, 0x05, 0x15, 0x03, 0x00, 0x01, 0xF7}), "Bypass on"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x03, 0x00, 0x00, 0xF7}), "Bypass off"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x03, 0x09, 0x02, 0xF7}), "Bank C"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x03, 0x09, 0x07, 0xF7}), "Bank 7 (no such bank)"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x03, 0x40, 0x05, 0x01, 0xF7}), "Current preset 134"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x03, 0x40, 0x7F, 0x00, 0xF7}), "Current preset 128"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x43, 0x09, 0xF7}), "Query bank"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x45, 0xF7}), "Get current preset"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x09, 0x47, 0x01, 0xF7}), "Select preset 200"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x0A, 0x00, 0x00, 0xF7}), "Store preset at 001"},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x53, 0xF7}), "Program table request"},
      // Another maker's message, and a report too short to carry its value.
      {Sysex({0xF0, 0x41, 0x00, 0x15, 0x03, 0x00, 0x01, 0xF7}), ""},
      {Sysex({0xF0, 0x1A, 0x00, 0x15, 0x03, 0x00, 0xF7}), ""},
      {Short(0x90, 60, 100), ""},
  };
  for (const Row& r : rows) EXPECT_EQ(N(d, r.event), r.note) << r.note;
}

}  // namespace
