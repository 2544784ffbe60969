// Restore with read-back, compare, snapshot and resume, against the in-process simulator: what
// the unit holds afterwards, what went out on the line, and the files a run leaves behind.

#include "MainWindowFixture.h"
#include "device/BkupOpt.h"
#include "device/RestoreOpt.h"
#include "device/RunReport.h"

#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTimer>
#include <map>

namespace {

class Restore : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    ASSERT_TRUE(out.isValid());
    backup = out.filePath("backup");
  }
  void TearDown() override {
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << qPrintable(dialogs->Problems().join('\n'));
    MainWindow::TearDown();
  }

  TfrmMain& StartFast() {
    TfrmMain& w = Start(2);
    w.RequestTimeoutMs = 150;
    dialogs->AnswerForm<TfrmRunReport>([this](TfrmRunReport& r) {
      reports.push_back(r.Text());
      lastSlots = r.Slots();
      return true;
    });
    return w;
  }

  // A backup of presets first..last of banks A and B made by the program, into `backup`.
  void Backup(int first, int last) {
    dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
      d.SetPath(backup);
      d.SetRange(first, last);
      d.SetBank(2, false);
      d.SetBank(3, false);
      return true;
    });
    dialogs->PlanButton(QMessageBox::Ok);  // "Procedure is complete"
    window->miGetSaveEach->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 20000));
  }

  // Every preset file below the folder, by its path relative to it.
  static std::map<QString, QByteArray> Files(const QString& folder) {
    std::map<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QString path = it.next();
      if (!path.contains(".zqn")) continue;
      QFile f(path);
      if (f.open(QIODevice::ReadOnly)) files[QDir(folder).relativeFilePath(path)] = f.readAll();
    }
    return files;
  }
  static int BankOf(const QString& relative) { return relative.at(5).unicode() - 'A'; }
  static int IndexOf(const QString& relative) { return relative.right(3).toInt() - 1; }

  void Overwrite(int bank, int index, const QByteArray& dump) {
    auto lock = session->Lock();
    session->Unit().SetPreset(bank, index, dump);
  }
  // A different preset in every slot of banks A and B up to `last`.
  void ChangeUnit(int last) {
    for (int b = 0; b < 2; ++b)
      for (int i = 0; i < last; ++i) Overwrite(b, i, TUnitSimulator::FactoryPreset(3, 100 + i));
  }

  // Sets the dialog as a user would and presses one of its buttons.
  void PlanRestore(int first, int last, bool safety,
                   TfrmRestoreOpt::TMode mode = TfrmRestoreOpt::TMode::Restore) {
    restoreAnswer = [=, this](TfrmRestoreOpt& d) {
      d.SetFolder(backup);
      d.SetBank(2, false);
      d.SetBank(3, false);
      d.SetRange(first, last);
      d.SetSafetyBackup(safety);
      safetyFolder = d.SafetyFolder();
      found = d.lblFound->text();
      d.Choose(mode);
      return d.result() == QDialog::Accepted;
    };
    dialogs->AnswerForm(restoreAnswer);
  }

  // The preset numbers the unit was told to store, in order, from the traffic log.
  std::vector<int> Stores() {
    unit->WaitIdle();
    std::lock_guard lock(logMutex);
    std::vector<int> stores;
    for (const QString& line : traffic) {
      const qsizetype at = line.indexOf(" <- F0 1A 00 15 0A ");
      if (at < 0) continue;
      const QStringList bytes = line.mid(at + 4).split(' ');
      stores.push_back(bytes[5].toInt(nullptr, 16) + (bytes[6] == "01" ? 128 : 0));
    }
    return stores;
  }
  int StoreMessages() { return int(Stores().size()); }
  // Presses Ctrl+C in the main window, as a user would, once `ready` holds.
  void CtrlCWhen(QTimer& timer, std::function<bool()> ready) {
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, [this, &timer, ready] {
      if (!ready()) return;
      timer.stop();
      int key = Qt::Key_C;
      window->DoFormKeyDown(key, Qt::ControlModifier);
    });
    timer.start();
  }

  QString backup;  // the backup folder; safety copies go beside it
  std::function<bool(TfrmRestoreOpt&)> restoreAnswer;  // how PlanRestore answers the options
  std::vector<QString> reports;
  std::vector<TRunSlot> lastSlots;
  QString safetyFolder;
  QString found;
};

TEST_F(Restore, TwoBanksFromABackupLeaveTheUnitEqualToTheFilesAndTheOldOnesSavedFirst) {
  StartFast();
  Backup(1, 6);
  const auto backedUp = Files(backup);
  ASSERT_EQ(backedUp.size(), 12u);
  ChangeUnit(8);
  std::map<int, QByteArray> before;
  for (int b = 0; b < 2; ++b)
    for (int i = 0; i < 8; ++i) before[b * 256 + i] = Memory(b, i);

  PlanRestore(1, 6, true);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  EXPECT_FALSE(window->UnitRunActive());
  EXPECT_TRUE(found.startsWith("12 preset files found")) << qPrintable(found);
  // The confirmation names how many presets of which banks are overwritten.
  EXPECT_TRUE(dialogs->Last().text.contains("12 presets of banks A, B"))
      << qPrintable(dialogs->Last().text);

  for (const auto& [file, bytes] : backedUp)
    EXPECT_EQ(Memory(BankOf(file), IndexOf(file)), bytes) << qPrintable(file);
  for (int b = 0; b < 2; ++b)
    for (int i = 6; i < 8; ++i) EXPECT_EQ(Memory(b, i), before[b * 256 + i]) << "outside the range";
  ASSERT_EQ(lastSlots.size(), 12u);
  for (const TRunSlot& s : lastSlots) EXPECT_EQ(s.State, TSlotState::Verified) << s.Key();
  EXPECT_EQ(Stores().size(), 12u) << "each preset stored once";

  // The safety copy holds exactly what was overwritten, in the backup's layout.
  ASSERT_FALSE(safetyFolder.isEmpty());
  const auto safety = Files(safetyFolder);
  ASSERT_EQ(safety.size(), 12u);
  for (const auto& [file, bytes] : safety) {
    EXPECT_TRUE(file.startsWith("Bank A/") || file.startsWith("Bank B/")) << qPrintable(file);
    EXPECT_EQ(bytes, before[BankOf(file) * 256 + IndexOf(file)]) << qPrintable(file);
  }
  TRunJournal journal;
  ASSERT_TRUE(journal.Load(backup));
  EXPECT_TRUE(journal.Finished);
  EXPECT_TRUE(Status().startsWith("Restore is complete: 12 stored and verified"))
      << qPrintable(Status());
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_TRUE(reports[0].contains("B-006")) << qPrintable(reports[0]);
}

TEST_F(Restore, WithTheSendPacingLongDumpsGoOutInPiecesAndStillArriveWhole) {
  StartFast();
  Backup(1, 3);
  const auto backedUp = Files(backup);
  ASSERT_EQ(backedUp.size(), 6u);
  ChangeUnit(3);
  window->SetSendPacing(TSendPacing{0, 64, 2});
  {
    std::lock_guard lock(logMutex);
    traffic.clear();
  }
  PlanRestore(1, 3, false);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  for (const auto& [file, bytes] : backedUp)
    EXPECT_EQ(Memory(BankOf(file), IndexOf(file)), bytes) << qPrintable(file);
  EXPECT_TRUE(Status().startsWith("Restore is complete: 6 stored and verified"))
      << qPrintable(Status());
  // Each 246-byte dump came as pieces of 64, 64, 64 and 54 bytes; short messages came whole.
  unit->WaitIdle();
  std::lock_guard lock(logMutex);
  const QStringList pieces = traffic.filter(" <~ ");
  EXPECT_EQ(pieces.size(), 6 * 3);
  for (const QString& line : pieces) EXPECT_TRUE(line.endsWith("(64 bytes)")) << qPrintable(line);
  EXPECT_EQ(traffic.filter(QRegularExpression(" <- F0 1A 00 15 .*\\(246 bytes\\)$")).size(), 6);
}

TEST_F(Restore, AStoreFaultIsCaughtByTheReadBackRetriedAndReported) {
  StartFast();
  Backup(1, 6);
  ChangeUnit(6);
  session->Options().StoreFaultEvery = 3;
  PlanRestore(1, 3, false);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  ASSERT_EQ(lastSlots.size(), 6u);
  // Stores 3 and 6 keep a wrong byte: A-003 and B-001 are stored a second time.
  const std::vector<TSlotState> states = {TSlotState::Verified, TSlotState::Verified,
                                          TSlotState::Retried,  TSlotState::Verified,
                                          TSlotState::Retried,  TSlotState::Verified};
  for (std::size_t i = 0; i < states.size(); ++i)
    EXPECT_EQ(lastSlots[i].State, states[i]) << lastSlots[i].Key();
  EXPECT_EQ(lastSlots[2].Detail, "2 stores");
  for (const TRunSlot& s : lastSlots) EXPECT_EQ(Memory(s.Bank, s.Index), s.Dump) << s.Key();
  EXPECT_TRUE(reports.back().contains("A-003  ")) << qPrintable(reports.back());

  // A unit that keeps every store wrong: listed after three more tries, and the run goes on.
  session->Options().StoreFaultEvery = 1;
  ChangeUnit(6);
  PlanRestore(1, 2, false);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  ASSERT_EQ(lastSlots.size(), 4u);
  for (const TRunSlot& s : lastSlots) {
    EXPECT_EQ(s.State, TSlotState::Mismatched) << s.Key();
    EXPECT_EQ(s.Detail, "1 parameters differ after 4 stores");
  }
}

TEST_F(Restore, CancelKeepsTheJournalAndResumeStoresNothingTwice) {
  StartFast();
  Backup(1, 5);
  ChangeUnit(5);
  PlanRestore(1, 5, true);
  dialogs->PlanButton(QMessageBox::Yes);
  // Ctrl+C once the unit has been told to store four presets.
  QTimer press;
  CtrlCWhen(press, [&] { return StoreMessages() >= 4; });
  window->miRestore->trigger();
  EXPECT_TRUE(Status().startsWith("Restore was cancelled")) << qPrintable(Status());
  int verified = 0, notReached = 0;
  for (const TRunSlot& s : lastSlots) {
    verified += s.State == TSlotState::Verified;
    notReached += s.State == TSlotState::NotReached;
  }
  EXPECT_GE(verified, 3);
  EXPECT_GT(notReached, 0);
  EXPECT_TRUE(reports.back().contains("Resume")) << qPrintable(reports.back());
  TRunJournal journal;
  ASSERT_TRUE(journal.Load(backup));
  EXPECT_FALSE(journal.Finished);
  const QString firstSafety = safetyFolder;
  const auto safetyBefore = Files(firstSafety);
  EXPECT_EQ(safetyBefore.size(), 10u) << "the safety copy is made before the first store";

  // Resume: the rest, each slot stored once over both runs, none of the safety copy again.
  PlanRestore(1, 5, true, TfrmRestoreOpt::TMode::Resume);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  for (const TRunSlot& s : lastSlots) {
    EXPECT_TRUE(s.State == TSlotState::Verified || s.State == TSlotState::Skipped) << s.Key();
    EXPECT_EQ(Memory(s.Bank, s.Index), s.Dump) << s.Key();
  }
  std::map<int, int> perSlot;
  for (int index : Stores()) ++perSlot[index];
  // Stores name the preset number only: two banks, so each number twice.
  for (const auto& [index, count] : perSlot) EXPECT_EQ(count, 2) << index;
  EXPECT_EQ(perSlot.size(), 5u);
  ASSERT_TRUE(journal.Load(backup));
  EXPECT_TRUE(journal.Finished);
  EXPECT_EQ(Files(firstSafety), safetyBefore);
}

TEST_F(Restore, AUnitThatDropsOffTheLineEndsTheRunAndResumeCompletesIt) {
  StartFast();
  Backup(1, 4);
  ChangeUnit(4);
  // Far enough for the safety copy and a few stores, then the cable is out.
  session->Options().DropOffAfter = int(Received().size()) + 40;
  PlanRestore(1, 4, true);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  EXPECT_TRUE(Status().startsWith("Restore stopped: the unit did not answer"))
      << qPrintable(Status());
  TRunJournal journal;
  ASSERT_TRUE(journal.Load(backup));
  EXPECT_FALSE(journal.Finished);

  session->Options().DropOffAfter = 0;  // plugged back in
  PlanRestore(1, 4, true, TfrmRestoreOpt::TMode::Resume);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  EXPECT_TRUE(Status().startsWith("Restore is complete")) << qPrintable(Status());
  for (int b = 0; b < 2; ++b)
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(SameDump(AsBytes(Memory(b, i)), AsBytes(lastSlots[std::size_t(b * 4 + i)].Dump)))
          << b << i;
  std::map<int, int> perSlot;
  for (int index : Stores()) ++perSlot[index];
  for (const auto& [index, count] : perSlot) EXPECT_EQ(count, 2) << "preset " << index + 1;
}

TEST_F(Restore, ANoisyLineDoesNotBreakIt) {
  StartFast();
  Backup(1, 5);
  ChangeUnit(5);
  session->Options().ChaosSeed = 11;
  PlanRestore(1, 5, true);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  session->Options().ChaosSeed = 0;
  ASSERT_EQ(lastSlots.size(), 10u);
  for (const TRunSlot& s : lastSlots) {
    EXPECT_TRUE(s.State == TSlotState::Verified || s.State == TSlotState::Retried) << s.Key();
    EXPECT_TRUE(SameDump(AsBytes(Memory(s.Bank, s.Index)), AsBytes(s.Dump))) << s.Key();
  }
}

TEST_F(Restore, CompareReportsTheDifferingSlotsAndWritesNothing) {
  StartFast();
  Backup(1, 4);
  QByteArray changed = Memory(0, 2);
  changed[17] = char(changed[17] ^ 1);  // the dry mix
  Overwrite(0, 2, changed);
  Overwrite(1, 3, TUnitSimulator::FactoryPreset(2, 50));
  const auto memoryBefore = std::vector<QByteArray>{Memory(0, 2), Memory(1, 3)};
  PlanRestore(1, 4, true, TfrmRestoreOpt::TMode::Compare);
  window->miRestore->trigger();
  EXPECT_EQ(StoreMessages(), 0);
  ASSERT_EQ(lastSlots.size(), 8u);
  for (const TRunSlot& s : lastSlots) {
    const bool differs = s.Key() == 2 || s.Key() == 256 + 3;
    EXPECT_EQ(s.State, differs ? TSlotState::Differs : TSlotState::Same) << s.Key();
  }
  EXPECT_EQ(lastSlots[2].Differences, 1);
  EXPECT_GT(lastSlots[7].Differences, 1);
  EXPECT_EQ(Memory(0, 2), memoryBefore[0]);
  TRunJournal journal;  // the backup's own, untouched
  ASSERT_TRUE(journal.Load(backup));
  EXPECT_EQ(journal.Kind, "backup");
  EXPECT_TRUE(journal.Finished);
  EXPECT_TRUE(Status().startsWith("Compare is complete: 6 same, 2 differs"))
      << qPrintable(Status());
}

TEST_F(Restore, ARestoreNeverStartsWithoutItsConfirmation) {
  StartFast();
  Backup(1, 2);
  ChangeUnit(2);
  PlanRestore(1, 2, true);
  dialogs->PlanButton(QMessageBox::No);
  window->miRestore->trigger();
  EXPECT_EQ(StoreMessages(), 0);
  EXPECT_EQ(Status(), "Procedure cancelled");
  EXPECT_FALSE(QDir(safetyFolder).exists());
}

TEST_F(Restore, ASnapshotHoldsEveryPresetTheProgramTableAndASummary) {
  TfrmMain& w = StartFast();
  w.SetFolder(out.path());
  SetPreKineticMode(false);
  {
    auto lock = session->Lock();
    session->Unit().SetProgramEntry(5, 77);
  }
  dialogs->PlanButton(QMessageBox::Yes);
  // Ctrl+C after the first bank, then the snapshot resumes where it stopped.
  QTimer press;
  CtrlCWhen(press, [&] { return Files(out.path()).size() >= 210; });
  window->miSnapshot->trigger();
  EXPECT_TRUE(Status().startsWith("Snapshot was cancelled")) << qPrintable(Status());
  const QStringList made = QDir(out.path()).entryList({"Snapshot *"}, QDir::Dirs);
  ASSERT_EQ(made.size(), 1);
  const QString folder = out.filePath(made[0]);

  dialogs->PlanButton(QMessageBox::Yes);  // resume the unfinished one
  window->miSnapshot->trigger();
  EXPECT_TRUE(Status().startsWith("Snapshot is complete")) << qPrintable(Status());
  const auto files = Files(folder);
  EXPECT_EQ(files.size(), 800u);
  for (const auto& [file, bytes] : files)
    ASSERT_EQ(bytes, Memory(BankOf(file), IndexOf(file))) << qPrintable(file);
  QFile table(folder + "/Program table.mpt");
  ASSERT_TRUE(table.open(QIODevice::ReadOnly));
  QByteArray expected;
  {
    auto lock = session->Lock();
    expected = session->Unit().MptDump();
  }
  EXPECT_EQ(table.readAll(), expected);
  QFile summary(folder + "/Summary.txt");
  ASSERT_TRUE(summary.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(summary.readAll());
  EXPECT_TRUE(text.contains("D-200  ")) << qPrintable(text.left(200));
  EXPECT_TRUE(text.contains("A-023  (untitled)"));
  EXPECT_EQ(QDir(out.path()).entryList({"Snapshot *"}, QDir::Dirs).size(), 1);
}

}  // namespace

namespace {

TEST_F(Restore, AStoppedBackupResumesAtItsFirstPresetNotDone) {
  StartFast();
  dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
    d.SetPath(backup);
    d.SetRange(1, 10);
    d.SetBank(2, false);
    d.SetBank(3, false);
    return true;
  });
  QTimer press;
  // Stopped in the second bank: the resume finds its place by bank and number.
  CtrlCWhen(press, [&] { return Files(backup).size() >= 13; });
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 20000));
  EXPECT_EQ(Status(), "Procedure aborted");
  const int done = int(Files(backup).size());
  ASSERT_LT(done, 20);
  const int before = int(Received().size());

  dialogs->PlanButton(QMessageBox::Yes);  // resume
  dialogs->PlanButton(QMessageBox::Ok);   // "Procedure is complete"
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 20000));
  EXPECT_TRUE(dialogs->Asked()[0].text.contains("stopped before preset B-"))
      << qPrintable(dialogs->Asked()[0].text);
  EXPECT_EQ(Files(backup).size(), 20u);
  for (const auto& [file, bytes] : Files(backup))
    EXPECT_EQ(bytes, Memory(BankOf(file), IndexOf(file))) << qPrintable(file);
  // The resumed run asks for the presets not done, not for those already saved.
  const QStringList asked = Received().mid(before).filter(" F0 1A 00 15 09 ");
  EXPECT_LE(asked.size(), 20 - done + 1);
  TRunJournal journal;
  ASSERT_TRUE(journal.Load(backup));
  EXPECT_TRUE(journal.Finished);
}

}  // namespace

namespace {

TEST_F(Restore, APortClosedUnderTheRunEndsItAndResumeAfterReopeningCompletesIt) {
  StartFast();
  Backup(1, 4);
  ChangeUnit(4);
  PlanRestore(1, 4, false);
  dialogs->PlanButton(QMessageBox::Yes);
  QTimer pull;
  pull.setInterval(1);
  QObject::connect(&pull, &QTimer::timeout, [&] {
    if (StoreMessages() < 3) return;
    pull.stop();
    window->MidiOutput()->Close();
  });
  pull.start();
  window->miRestore->trigger();
  EXPECT_TRUE(Status().startsWith("Restore stopped: the MIDI port failed")) << qPrintable(Status());
  EXPECT_FALSE(window->UnitRunActive());

  window->MidiOutput()->Open();
  PlanRestore(1, 4, false, TfrmRestoreOpt::TMode::Resume);
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  EXPECT_TRUE(Status().startsWith("Restore is complete")) << qPrintable(Status());
  for (const TRunSlot& s : lastSlots) EXPECT_EQ(Memory(s.Bank, s.Index), s.Dump) << s.Key();
  std::map<int, int> perSlot;
  for (int index : Stores()) ++perSlot[index];
  for (const auto& [index, count] : perSlot) EXPECT_EQ(count, 2) << "preset " << index + 1;
}

TEST_F(Restore, TheReportIsSavedAsText) {
  std::vector<TRunSlot> runSlots(2);
  runSlots[0] = {0, 4, {}, {}, "Fat Lead", TSlotState::Verified, 1, 0, {}};
  runSlots[1] = {1, 9, {}, {}, "Airy Pad", TSlotState::Mismatched, 4, 0, "3 parameters differ"};
  TfrmRunReport report("Restore from \"/x\"", runSlots, false);
  EXPECT_EQ(report.grdSlots->rowCount(), 2);
  EXPECT_EQ(report.grdSlots->item(1, 2)->text(), "mismatched");
  const QString path = out.filePath("report.txt");
  dialogs->PlanSaveFile(path);
  report.btnSave->click();
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()),
            "Restore from \"/x\"\n"
            "A-005  Fat Lead          stored and verified\n"
            "B-010  Airy Pad          mismatched (3 parameters differ)\n"
            "1 stored and verified, 1 mismatched\n");
}

}  // namespace

namespace {

TEST_F(Restore, ASafetyCopyThatCannotBeWrittenStopsTheRunBeforeAnyStore) {
  StartFast();
  Backup(1, 3);
  ChangeUnit(3);
  PlanRestore(1, 3, true);
  dialogs->AnswerForm<TfrmRestoreOpt>([&](TfrmRestoreOpt& d) {
    const bool accepted = restoreAnswer(d);
    // A file where the copy's folder would go.
    QFile blocker(safetyFolder);
    EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
    return accepted;
  });
  dialogs->PlanButton(QMessageBox::Yes);
  window->miRestore->trigger();
  EXPECT_TRUE(Status().startsWith("Restore stopped: cannot write")) << qPrintable(Status());
  EXPECT_EQ(StoreMessages(), 0);
  for (const TRunSlot& s : lastSlots) EXPECT_EQ(s.State, TSlotState::NotReached) << s.Key();
}

}  // namespace
