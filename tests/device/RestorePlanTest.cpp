// The pieces of restore, compare and snapshot runs that need no unit: reading a backup folder,
// comparing dumps, the journal and the report.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <thread>

#include "device/RestorePlan.h"
#include "device/UnitSimulator.h"

namespace {

// Dump offsets of the documented layout: the mix pairs start at 17, the digital runSlots at 79, the
// title's 16 characters at 115 (one pair each).
constexpr int MixAt = 17, DigitalAt = 79;

QByteArray Factory(int bank, int index) {
  return TUnitSimulator::FactoryPreset(bank, index);
}

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

TEST(BackupFileNumber, ReadsTheLastThreeDigits) {
  const std::pair<const char*, int> cases[] = {
      {"Fat Lead.zqn005", 5}, {"x.zqn200", 200}, {"x.zqn201", 0},
      {"x.zqn000", 0},        {"x.zqn", 0},      {"12", 0},
      {"Lead.zqn1a5", 0},     {"notes.txt", 0},  {"a.zqn099", 99}};
  for (const auto& [name, number] : cases) EXPECT_EQ(BackupFileNumber(name), number) << name;
}

TEST(ScanBackupFolder, TakesEachChosenSlotOnceAndSaysWhatItLeftAside) {
  QTemporaryDir dir;
  const QString root = dir.path() + '/';
  Write(root + "Bank A/Clean Lead.zqn001", Factory(0, 0));
  Write(root + "Bank A/Warm Pad.zqn003", Factory(0, 2));
  Write(root + "Bank A/Beyond.zqn150", Factory(0, 149));  // outside the range
  Write(root + "Bank A/notes.txt", "not a preset");
  Write(root + "Bank A/Short.zqn004", Factory(0, 3).left(100));
  Write(root + "Bank B/Old name.zqn002", Factory(1, 0));
  // A newer file of the same slot wins over the older one.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  Write(root + "Bank B/New name.zqn002", Factory(1, 1));
  Write(root + "Bank C/Skipped bank.zqn001", Factory(2, 0));
  QByteArray broken = Factory(0, 4);
  broken[1] = 0x7E;  // another maker's
  Write(root + "Bank A/Foreign.zqn005", broken);

  const TBackupScan scan = ScanBackupFolder(root, {true, true, false, true}, 1, 10, false);
  ASSERT_TRUE(scan.Error.isEmpty());
  ASSERT_EQ(scan.Slots.size(), 3u);
  EXPECT_EQ(scan.Slots[0].Key(), 0);
  EXPECT_EQ(scan.Slots[0].Dump, Factory(0, 0));
  EXPECT_EQ(scan.Slots[1].Key(), 2);
  EXPECT_EQ(scan.Slots[2].Key(), 256 + 1);
  EXPECT_EQ(scan.Slots[2].Dump, Factory(1, 1));
  EXPECT_TRUE(scan.Slots[2].File.endsWith("New name.zqn002"));
  const QString ignored = scan.Ignored.join('\n');
  EXPECT_TRUE(ignored.contains("notes.txt: not a preset file name")) << qPrintable(ignored);
  EXPECT_TRUE(ignored.contains("Short.zqn004: not a preset (100 bytes)")) << qPrintable(ignored);
  EXPECT_TRUE(ignored.contains("Old name.zqn002: an older file")) << qPrintable(ignored);
  EXPECT_TRUE(ignored.contains("Foreign.zqn005: not a preset dump")) << qPrintable(ignored);
  EXPECT_FALSE(ignored.contains("Skipped bank")) << "a bank not chosen is not read";

  EXPECT_FALSE(
      ScanBackupFolder(root + "missing", {true, true, true, true}, 1, 200, false).Error.isEmpty());
}

TEST(ScanBackupFolder, ASingleBankUnitReadsTheFolderItself) {
  QTemporaryDir dir;
  Write(dir.path() + "/Lead.zqn007", Factory(0, 6));
  Write(dir.path() + "/Bank A/Other.zqn008", Factory(0, 7));
  const TBackupScan scan = ScanBackupFolder(dir.path(), {false, false, false, false}, 1, 200, true);
  ASSERT_EQ(scan.Slots.size(), 1u);
  EXPECT_EQ(scan.Slots[0].Index, 6);
  EXPECT_EQ(scan.Slots[0].Bank, 0);
}

TEST(CompareDumps, TheChannelByteAloneDoesNotCount) {
  const QByteArray a = Factory(0, 9);
  QByteArray b = a;
  b[2] = 5;
  EXPECT_TRUE(SameDump(AsBytes(a), AsBytes(b)));
  EXPECT_EQ(DifferingParameters(AsBytes(a), AsBytes(b)), 0);
  for (int at : {1, 3, 4, 17, 200, 244}) {
    QByteArray c = a;
    c[at] = char(c[at] ^ 1);
    EXPECT_FALSE(SameDump(AsBytes(a), AsBytes(c))) << at;
  }
  EXPECT_FALSE(SameDump(AsBytes(a), AsBytes(a.left(245))));
}

TEST(CompareDumps, CountsEachChangedParameterOnce) {
  const QByteArray a = Factory(1, 20);
  QByteArray b = a;
  b[MixAt] = char(b[MixAt] ^ 1);                          // the dry mix
  b[DigitalAt + 2 * 4] = char(b[DigitalAt + 2 * 4] ^ 2);  // the fifth digital slot
  b[TitleOffset] = 'Z';                                   // the title, one character
  b[TitleOffset + 2] = 'Y';                               // still the one title
  EXPECT_EQ(DifferingParameters(AsBytes(a), AsBytes(b)), 3);
  // Something that is no preset at all differs in everything.
  EXPECT_GT(DifferingParameters(AsBytes(a), AsBytes(QByteArray(246, 0))), 50);
}

TEST(RunJournal, IsWrittenWholeAndReadBack) {
  QTemporaryDir dir;
  TRunJournal j;
  j.Kind = "restore";
  j.Source = "/backups/2026 May";
  j.Safety = "/backups/Before restore 2026-12-09 10.35";
  j.SafetyDone = true;
  j.States[0 * 256 + 4] = TSlotState::Verified;
  j.States[1 * 256 + 199] = TSlotState::Stored;
  j.States[3 * 256 + 0] = TSlotState::NotReached;
  ASSERT_TRUE(j.Save(dir.path()).isEmpty());
  QFile f(dir.filePath(TRunJournal::FileName));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(),
            "ZQN-Tarvo run journal 1\n"
            "kind restore\n"
            "source /backups/2026 May\n"
            "safety /backups/Before restore 2026-12-09 10.35\n"
            "safety-done\n"
            "slot 0 4 verified\n"
            "slot 1 199 stored\n"
            "slot 3 0 pending\n");
  TRunJournal back;
  ASSERT_TRUE(back.Load(dir.path()));
  EXPECT_EQ(back.Text(), j.Text());
  EXPECT_EQ(back.StateOf(1 * 256 + 199), TSlotState::Stored);
  EXPECT_EQ(back.StateOf(2 * 256 + 7), TSlotState::NotReached);
  EXPECT_FALSE(back.Finished);
}

TEST(RunJournal, ADamagedJournalIsRefusedWhole) {
  TRunJournal j;
  j.Kind = "snapshot";
  for (const char* text : {"", "some other file\n", "ZQN-Tarvo run journal 1\nslot 4 0 verified\n",
                           "ZQN-Tarvo run journal 1\nslot 0 200 verified\n",
                           "ZQN-Tarvo run journal 1\nslot 0 1 sparkling\n",
                           "ZQN-Tarvo run journal 1\nslot 0 x verified\n"}) {
    EXPECT_FALSE(j.Parse(text)) << text;
    EXPECT_EQ(j.Kind, "snapshot") << "a refused journal changes nothing";
  }
  QTemporaryDir dir;
  EXPECT_FALSE(j.Load(dir.path())) << "no journal";
}

TEST(RunReport, ListsEverySlotAndSumsUpTheStates) {
  std::vector<TRunSlot> runSlots(4);
  runSlots[0] = {0, 0, {}, {}, "Clean Lead", TSlotState::Verified, 1, 0, {}};
  runSlots[1] = {0, 1, {}, {}, "Warm Pad", TSlotState::Retried, 2, 0, "2 stores"};
  runSlots[2] = {1, 9, {}, {}, "Fat Lead", TSlotState::Verified, 1, 0, {}};
  runSlots[3] = {1, 10, {}, {}, "Glassy", TSlotState::NotReached, 0, 0, {}};
  EXPECT_EQ(RunSummary(runSlots).toStdString(), "2 stored and verified, 1 retried, 1 not reached");
  const QString text = RunReportText("Restore", runSlots, false);
  EXPECT_TRUE(text.startsWith("Restore\n"));
  EXPECT_TRUE(text.contains("A-002  Warm Pad          retried (2 stores)\n")) << qPrintable(text);
  EXPECT_TRUE(text.contains("B-011  Glassy            not reached\n")) << qPrintable(text);
  EXPECT_TRUE(RunReportText("x", runSlots, true).contains("\n010  Fat Lead"));
  EXPECT_EQ(DatedFolderName("Before restore", QDateTime({2026, 12, 9}, {10, 35})),
            "Before restore 2026-12-09 10.35");
}

}  // namespace
