#include "device/SimulatorDevice.h"
#include "device/UnitSimulator.h"
#include "preset/DigitalCatalogue.h"
#include "preset/Preset.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QSet>
#include <QTemporaryDir>

namespace {

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

std::vector<QByteArray> Send(TUnitSimulator& unit, const QByteArray& m) {
  return unit.Receive(AsBytes(m));
}

TPreset Decode(const QByteArray& dump) {
  TPreset p;
  p.LoadFromImage(AsBytes(dump));
  return p;
}

class UnitSimulator : public ::testing::Test {
 protected:
  void TearDown() override {
    SetPreKineticMode(false);
    DeviceChannel = 0;
  }
  TUnitSimulator unit;
};

TEST_F(UnitSimulator, FactoryMemoryIsValidVariedAndDeterministic) {
  QSet<int> groups;
  int untitled = 0, withPerformance = 0;
  for (int b = 0; b < TUnitSimulator::MaxBanks; ++b) {
    QSet<QString> titles;
    for (int i = 0; i < PresetCount; ++i) {
      const QByteArray& dump = unit.Preset(b, i);
      ASSERT_TRUE(IsPresetDump(AsBytes(dump))) << b << " " << i;
      const TPreset p = Decode(dump);
      const TPresetImage again = p.Encode();
      ASSERT_EQ(QByteArray(reinterpret_cast<const char*>(again.data()), 246), dump);
      const QString title = QuickTitle(AsBytes(dump));
      if (title.isEmpty())
        ++untitled;
      else
        titles.insert(title);
      groups.insert(p.GetDigitalGroup());
      withPerformance += p.PerfInUse[0] ? 1 : 0;
    }
    EXPECT_GE(titles.size(), 190) << "titles repeat within bank " << b;
  }
  EXPECT_GT(untitled, 0);
  EXPECT_GE(groups.size(), 40);
  EXPECT_GT(withPerformance, 0);
  EXPECT_EQ(TUnitSimulator::FactoryPreset(2, 17), unit.Preset(2, 17));
}

TEST_F(UnitSimulator, EditPresetRequestRepliesWithItsOwnChannel) {
  unit.SetChannel(5);
  EXPECT_TRUE(Send(unit, Hex("F0 1A 00 15 45 F7")).empty());  // another unit's request
  const auto replies = Send(unit, Hex("F0 1A 05 15 45 F7"));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].size(), 246);
  EXPECT_EQ(replies[0][2], char(5));
  EXPECT_EQ(replies[0].mid(3), unit.EditBuffer().mid(3));
}

TEST_F(UnitSimulator, SelectStoreAndReceivedDumps) {
  DeviceChannel = 0;
  Send(unit, SelectPresetMessage(PresetNumberToIndex(130)));
  EXPECT_EQ(unit.CurrentPreset(), 129);
  EXPECT_EQ(Send(unit, GetEditPresetMessage())[0], unit.Preset(0, 129));

  // A dump sent to the unit becomes its edit buffer; storing keeps it at the location.
  QByteArray edited = unit.Preset(0, 3);
  edited[TitleOffset] = 'Z';
  Send(unit, edited);
  EXPECT_EQ(unit.EditBuffer(), edited);
  Send(unit, StorePresetMessage(PresetNumberToIndex(200)));
  Send(unit, SelectPresetMessage(0));
  EXPECT_NE(unit.EditBuffer(), edited);
  Send(unit, SelectPresetMessage(PresetNumberToIndex(200)));
  EXPECT_EQ(Send(unit, GetEditPresetMessage())[0], edited);
}

TEST_F(UnitSimulator, QueriesBankAndBypass) {
  Send(unit, SelectBankMessage(2));
  Send(unit, BypassMessage(true));
  Send(unit, SelectPresetMessage(129));
  EXPECT_EQ(Send(unit, QueryParamMessage(ParamBypass))[0], Hex("F0 1A 00 15 03 00 01 00 F7"));
  EXPECT_EQ(Send(unit, QueryParamMessage(ParamBank))[0], Hex("F0 1A 00 15 03 09 02 00 F7"));
  EXPECT_EQ(Send(unit, QueryParamMessage(ParamCurrentPreset))[0],
            Hex("F0 1A 00 15 03 40 01 01 F7"));
  EXPECT_EQ(unit.EditBuffer(), unit.Preset(2, 129));
  Send(unit, BypassMessage(false));
  EXPECT_FALSE(unit.Bypassed());
  Send(unit, Hex("F0 1A 00 15 03 09 04 F7"));  // no bank E
  EXPECT_EQ(unit.Bank(), 2);
}

TEST_F(UnitSimulator, BulkDumpIsTheCurrentBank) {
  Send(unit, SelectBankMessage(1));
  const auto replies = Send(unit, AllPresetsRequestMessage());
  ASSERT_EQ(replies.size(), 200u);
  EXPECT_EQ(replies[0], unit.Preset(1, 0));
  EXPECT_EQ(replies[199], unit.Preset(1, 199));
}

TEST_F(UnitSimulator, ProgramTableDumpsAndProgramChangesThroughIt) {
  const QByteArray mpt = Send(unit, MptRequestMessage())[0];
  ASSERT_EQ(mpt.size(), 406);
  EXPECT_TRUE(IsMptDump(AsBytes(mpt)));
  EXPECT_EQ(mpt.mid(0, 9), Hex("F0 1A 00 15 13 00 00 01 00"));
  EXPECT_EQ(mpt.mid(5 + 2 * 199, 2), Hex("47 01"));

  // Program change 131 (bank-select LSB 1, program 2) now loads preset 6.
  QByteArray table = mpt;
  table[5 + 2 * 130] = 5;
  table[6 + 2 * 130] = 0;
  Send(unit, table);
  EXPECT_EQ(unit.ProgramTable()[130], 5);
  for (const TShortMessage& s : ProgramChangeLoadMessages(130)) Send(unit, s.Bytes());
  EXPECT_EQ(unit.CurrentPreset(), 5);
  EXPECT_EQ(unit.EditBuffer(), unit.Preset(0, 5));
}

TEST_F(UnitSimulator, PreKineticUnitHasOneBankAndTheShortTable) {
  unit.SetPreKinetic(true);
  SetPreKineticMode(true);
  EXPECT_TRUE(Send(unit, QueryParamMessage(ParamBank)).empty());
  EXPECT_TRUE(Send(unit, Hex("F0 1A 00 15 53 F7")).empty());  // the newer request is unknown
  // Program changes beyond the 128 entries of the short table load nothing.
  const int current = unit.CurrentPreset();
  unit.SetProgramEntry(128, (current + 1) % 200);
  Send(unit, Hex("B0 20 01"));
  Send(unit, Hex("C0 00"));
  EXPECT_EQ(unit.CurrentPreset(), current);
  const auto mpt = Send(unit, MptRequestMessage());
  ASSERT_EQ(mpt.size(), 1u);
  EXPECT_EQ(mpt[0].size(), 262);
  EXPECT_EQ(mpt[0][4], char(0x0C));
  EXPECT_TRUE(IsMptDump(AsBytes(mpt[0])));
  EXPECT_EQ(Send(unit, AllPresetsRequestMessage()).size(), 200u);
  Send(unit, SelectBankMessage(3));
  EXPECT_EQ(unit.Bank(), 0);
}

TEST_F(UnitSimulator, StateFileKeepsMemoryAndADamagedOneChangesNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("sim.state");
  Send(unit, SelectBankMessage(3));
  QByteArray dump = unit.Preset(3, 10);
  dump[TitleOffset] = 'Q';
  unit.SetPreset(3, 10, dump);
  unit.SetProgramEntry(5, 42);  // entry 0 stays on preset 1, the lowest there is
  ASSERT_TRUE(unit.SaveState(path));

  TUnitSimulator other;
  ASSERT_TRUE(other.LoadState(path));
  EXPECT_EQ(other.Preset(3, 10), dump);
  EXPECT_EQ(other.Bank(), 3);
  EXPECT_EQ(other.ProgramTable()[5], 42);
  EXPECT_EQ(other.ProgramTable()[0], 0);

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  file.resize(file.size() / 2);
  file.close();
  TUnitSimulator fresh;
  QString error;
  EXPECT_FALSE(fresh.LoadState(path, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(fresh.Bank(), 0);
  EXPECT_EQ(fresh.ProgramTable()[5], 5);
}

TEST(SimulatorSession, DropsEveryNthReplyAndComputesWireTime) {
  TSimulatorSession session;
  session.Options().DropEveryNth = 2;
  int sent = 0;
  QStringList log;
  session.OnLog = [&](const QString& line) { log << line; };
  for (int i = 0; i < 4; ++i)
    session.Handle(AsBytes(QueryParamMessage(ParamBypass)), [&](const QByteArray&) { ++sent; });
  EXPECT_EQ(sent, 2);
  EXPECT_EQ(log.filter(" xx ").size(), 2);
  EXPECT_TRUE(log[0].endsWith("<- F0 1A 00 15 43 00 F7")) << log[0].toStdString();
  // A long message shows its first 16 bytes and its length.
  session.Options().DropEveryNth = 0;
  log.clear();
  session.Handle(AsBytes(GetEditPresetMessage()), [](const QByteArray&) {});
  ASSERT_FALSE(log.isEmpty());
  const QString reply = log.back().section(QStringLiteral("-> "), 1);
  EXPECT_TRUE(reply.startsWith("F0 1A 00 15 05 ")) << reply.toStdString();
  EXPECT_TRUE(reply.endsWith(" ... (246 bytes)")) << reply.toStdString();
  EXPECT_EQ(reply.section(QStringLiteral(" ..."), 0, 0).split(' ').size(), 16);
  // A preset dump takes about 79 ms on a DIN cable.
  EXPECT_EQ(TSimulatorSession::WireTime(246).count(), 78720);
}

TEST(SimulatorSession, StoreFaultsAndDroppingOffTheLine) {
  TSimulatorSession session;
  const auto none = [](const QByteArray&) {};
  const QByteArray dump = TUnitSimulator::FactoryPreset(2, 7);
  session.Options().StoreFaultEvery = 2;
  for (int index : {10, 11, 12}) {
    session.Handle(AsBytes(dump), none);
    session.Handle(AsBytes(StorePresetMessage(index)), none);
  }
  // The second store keeps one data byte of the mix one bit off; the others are whole.
  EXPECT_EQ(session.Unit().Preset(0, 10), dump);
  QByteArray kept = session.Unit().Preset(0, 11);
  ASSERT_EQ(kept.size(), dump.size());
  EXPECT_EQ(kept[17], char(dump[17] ^ 1));
  kept[17] = dump[17];
  EXPECT_EQ(kept, dump);
  EXPECT_EQ(session.Unit().Preset(0, 12), dump);

  // After three more messages the unit takes nothing and answers nothing, until plugged back in.
  session.Options().StoreFaultEvery = 0;
  session.Options().DropOffAfter = 6 + 3;
  int replies = 0;
  const auto count = [&](const QByteArray&) { ++replies; };
  for (int i = 0; i < 5; ++i) session.Handle(AsBytes(GetEditPresetMessage()), count);
  EXPECT_EQ(replies, 3);
  session.Handle(AsBytes(StorePresetMessage(13)), none);
  EXPECT_NE(session.Unit().Preset(0, 13), dump);
  session.Options().DropOffAfter = 0;
  session.Handle(AsBytes(GetEditPresetMessage()), count);
  EXPECT_EQ(replies, 4);
}

TEST(SimulatorSession, ADumpSentInPiecesIsJoinedAndStored) {
  TSimulatorSession session;
  QStringList log;
  session.OnLog = [&](const QString& line) { log << line.mid(11); };
  const auto none = [](const QByteArray&) {};
  const QByteArray dump = TUnitSimulator::FactoryPreset(3, 21);
  for (qsizetype at = 0; at < dump.size(); at += 100)
    session.Handle(AsBytes(dump.mid(at, 100)), none);
  session.Handle(AsBytes(StorePresetMessage(40)), none);
  EXPECT_EQ(session.Unit().Preset(0, 40), dump);
  ASSERT_EQ(log.size(), 4);
  EXPECT_TRUE(log[0].startsWith("<~ F0 1A 00 15 ")) << log[0].toStdString();
  EXPECT_TRUE(log[1].startsWith("<~ ")) << log[1].toStdString();
  EXPECT_TRUE(log[2].startsWith("<- F0 1A 00 15 ")) << log[2].toStdString();
  EXPECT_TRUE(log[2].endsWith("(246 bytes)")) << log[2].toStdString();

  // A dump cut off before its end is not taken, and does not spoil the message after it.
  session.Handle(AsBytes(TUnitSimulator::FactoryPreset(1, 2).left(120)), none);
  session.Handle(AsBytes(StorePresetMessage(41)), none);
  EXPECT_EQ(session.Unit().Preset(0, 41), dump) << "the store took the edit buffer as it was";
}

}  // namespace
