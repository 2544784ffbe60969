#include "MainWindowFixture.h"
#include "PdfText.h"
#include "device/BkupOpt.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>

namespace {

class Sequencer : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    ASSERT_TRUE(out.isValid());
  }

  // Runs a sequence with the options set by `setup`, answering "Procedure is complete".
  void Run(bool save, const std::function<void(TfrmBkupOpt&)>& setup, int timeoutMs = 20000) {
    dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
      d.SetPath(out.path());
      setup(d);
      return true;
    });
    if (!window->Running) dialogs->PlanButton(QMessageBox::Ok);
    (save ? window->miGetSaveEach : window->miPrintList)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, timeoutMs));
  }

  // The name a backup gives the preset; `untitled` stands in for an empty title.
  QString FileName(int bank, int index, const QString& untitled = {}) {
    QString title = QuickTitle(AsBytes(Memory(bank, index)));
    if (title.isEmpty()) title = untitled;
    return MakeValidFileName(title + ".zqn" + PresetNumberText(index + 1));
  }
  void SetTitle(int bank, int index, const QString& title) {
    auto lock = session->Lock();
    QByteArray dump = session->Unit().Preset(bank, index);
    const QString padded = title.leftJustified(16, ' ');
    for (int i = 0; i < 16; ++i) dump[TitleOffset + 2 * i] = padded[i].toLatin1();
    session->Unit().SetPreset(bank, index, dump);
  }
  QStringList Log() {
    QStringList lines;
    for (int i = 0; i < window->LogCount(); ++i) lines << window->LogLine(i);
    return lines;
  }
  static QString ListingText(const QString& pdf) { return PdfText(pdf).value_or(QString()); }
};

TEST_F(Sequencer, BackupOfTwoBanksLaterBanksFromPresetOne) {
  Start(5);
  QString bankText;
  Run(true, [&](TfrmBkupOpt& d) {
    bankText = d.lblCurrentBank->text();  // the online check found the unit on bank A
    d.SetRange(5, 7);
    d.SetBank(1, false);
    d.SetBank(3, false);
  });
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
  EXPECT_EQ(dialogs->Last().text, "Procedure is complete");
  EXPECT_EQ(dialogs->Last().caption, "Congratulations...");
  EXPECT_EQ(bankText, "Currently selected bank: A");
  EXPECT_EQ(QDir(out.filePath("Bank A")).entryList(QDir::Files).size(), 3);
  EXPECT_EQ(QDir(out.filePath("Bank C")).entryList(QDir::Files).size(), 7);
  for (int i = 4; i <= 6; ++i) EXPECT_EQ(FileBytes("Bank A/" + FileName(0, i)), Memory(0, i)) << i;
  for (int i = 0; i <= 6; ++i) EXPECT_EQ(FileBytes("Bank C/" + FileName(2, i)), Memory(2, i)) << i;
  const QStringList log = Log();
  EXPECT_TRUE(log.contains("Originally selected Bank is: A"));
  EXPECT_TRUE(log.contains("Created subdirectory for bank C"));
  EXPECT_TRUE(log.contains("Begin processing Bank C"));
  EXPECT_TRUE(log.contains("Preset #5 received: " + FileName(0, 4)));
  EXPECT_FALSE(log.join('\n').contains("Sysex (246)"));  // a backup keeps the monitor quiet
  // Progress counted every preset planned over both banks, and is gone once the run ended.
  ASSERT_NE(window->prgSequence, nullptr);
  EXPECT_EQ(window->prgSequence->maximum(), 3 + 7);
  EXPECT_EQ(window->prgSequence->value(), 3 + 7);
  EXPECT_FALSE(window->prgSequence->isVisible());
  unit->WaitIdle();
  auto lock = session->Lock();
  EXPECT_EQ(session->Unit().Bank(), 0);  // the starting bank is selected again
}

TEST_F(Sequencer, FileNamesAreCleanedAndUntitledPresetsFollowTheOption) {
  SetTitle(0, 11, "A/B: test?");
  SetTitle(0, 12, "");
  Start(5);
  Run(true, [](TfrmBkupOpt& d) {
    d.SetRange(12, 13);
    for (int b = 1; b < 4; ++b) d.SetBank(b, false);
  });
  EXPECT_EQ(FileBytes("Bank A/A-B  test .zqn012"), Memory(0, 11));
  EXPECT_TRUE(Log().contains("Preset #13 is untitled (not saved)"));
  EXPECT_EQ(QDir(out.filePath("Bank A")).entryList(QDir::Files).size(), 1);

  Run(true, [](TfrmBkupOpt& d) {
    d.SetRange(13, 13);
    for (int b = 1; b < 4; ++b) d.SetBank(b, false);
    d.SetUntitled(true, "");
  });
  EXPECT_EQ(FileBytes("Bank A/Untitled.zqn013"), Memory(0, 12));
}

TEST_F(Sequencer, ProgramChangeLoopGoesThroughTheUnitsTable) {
  {
    auto lock = session->Lock();
    session->Unit().SetProgramEntry(4, 99);  // program change 5 loads preset 100
  }
  Start(5);
  Run(true, [](TfrmBkupOpt& d) {
    d.SetRange(5, 5);
    d.SetLoopByNumber(false);
    for (int b = 1; b < 4; ++b) d.SetBank(b, false);
  });
  const QStringList files = QDir(out.filePath("Bank A")).entryList(QDir::Files);
  ASSERT_EQ(files.size(), 1);
  EXPECT_TRUE(files[0].endsWith(".zqn005"));
  EXPECT_EQ(FileBytes("Bank A/" + files[0]), Memory(0, 99));
  EXPECT_FALSE(Received().filter("B0 00 00").isEmpty());
}

TEST_F(Sequencer, PreKineticRunHasNoBanksAndListsWithoutBankColumn) {
  {
    auto lock = session->Lock();
    session->Unit().SetPreKinetic(true);
  }
  reg.WriteBool("PRE_KINETIC", true);
  Start(5);
  const QString pdf = out.filePath("listing.pdf");
  window->ListingPrinter()->setOutputFormat(QPrinter::PdfFormat);
  window->ListingPrinter()->setOutputFileName(pdf);
  Run(true, [](TfrmBkupOpt& d) {
    d.SetRange(1, 3);
    d.SetPrint(true);
  });
  EXPECT_EQ(FileBytes(FileName(0, 1)), Memory(0, 1));
  EXPECT_FALSE(QDir(out.filePath("Bank A")).exists());
  EXPECT_TRUE(Received().filter("F0 1A 00 15 03 09").isEmpty());
  EXPECT_TRUE(Log().contains("Begin processing of Pre-Kinetic presets"));
  ASSERT_TRUE(QFile::exists(pdf));
  const QString text = ListingText(pdf);
  if (text.isEmpty()) GTEST_SKIP() << "pdftotext not installed";
  EXPECT_TRUE(text.contains("Preset Listing ZQN-Tarvo"));
  EXPECT_TRUE(text.contains("Preset#"));
  EXPECT_FALSE(text.contains("Bank "));
  EXPECT_TRUE(text.contains(QuickTitle(AsBytes(Memory(0, 2)))));
}

TEST_F(Sequencer, TitleListingPrintsEveryChosenPresetAndShowsTheDumps) {
  Start(5);
  const QString pdf = out.filePath("titles.pdf");
  window->ListingPrinter()->setOutputFormat(QPrinter::PdfFormat);
  window->ListingPrinter()->setOutputFileName(pdf);
  Run(false, [](TfrmBkupOpt& d) {
    d.SetRange(1, 2);
    for (int b = 1; b < 4; ++b) d.SetBank(b, b == 1);
  });
  EXPECT_EQ(Log().filter("Sysex (246)").size(), 4);  // listing only: the dumps are shown
  EXPECT_TRUE(QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
  const QString text = ListingText(pdf);
  if (text.isEmpty()) GTEST_SKIP() << "pdftotext not installed";
  EXPECT_TRUE(text.contains("Bank"));
  EXPECT_TRUE(text.contains("Page: 1"));
  EXPECT_TRUE(text.contains(QuickTitle(AsBytes(Memory(1, 1)))));
}

TEST_F(Sequencer, DroppedRepliesAreRequestedAgainAfterTheTimeOut) {
  Start(5);
  window->RequestTimeoutMs = 150;
  {
    auto lock = session->Lock();
    session->Options().DropEveryNth = 5;
  }
  Run(
      true,
      [](TfrmBkupOpt& d) {
        d.SetRange(1, 12);
        for (int b = 1; b < 4; ++b) d.SetBank(b, false);
      },
      30000);
  EXPECT_EQ(QDir(out.filePath("Bank A")).entryList(QDir::Files).size(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(FileBytes("Bank A/" + FileName(0, i)), Memory(0, i));
  EXPECT_FALSE(Log().filter("Last request timed out; restarting").isEmpty());
}

TEST_F(Sequencer, CtrlCAbortsAtOnceCtrlShiftCDoesNot) {
  int key = Qt::Key_C;
  Start(5);
  window->DoFormKeyDown(key, Qt::ControlModifier);  // nothing runs: nothing happens
  EXPECT_EQ(key, Qt::Key_C);
  {
    auto lock = session->Lock();
    session->Options().Paced = true;
  }
  dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
    d.SetPath(out.path());
    d.SetRange(1, 200);
    return true;
  });
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(window->Running);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return QDir(out.filePath("Bank A")).entryList(QDir::Files).size() >= 1; }, 10000));
  key = Qt::Key_C;
  window->DoFormKeyDown(key, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_TRUE(window->Running);
  key = Qt::Key_C;
  window->DoFormKeyDown(key, Qt::ControlModifier);
  EXPECT_FALSE(window->Running);
  EXPECT_EQ(Log().last(), "Procedure aborted");
  EXPECT_EQ(Status(), "Procedure aborted");
  const int saved = QDir(out.filePath("Bank A")).entryList(QDir::Files).size();
  QTest::qWait(300);
  EXPECT_EQ(QDir(out.filePath("Bank A")).entryList(QDir::Files).size(), saved);
}

TEST_F(Sequencer, UnwritableFolderStopsTheRunWithOneMessage) {
  // A file where the bank folder should be: nothing can be written below it.
  QFile blocker(out.filePath("Bank A"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  Start(5);
  dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
    d.SetPath(out.path());
    d.SetRange(1, 5);
    for (int b = 1; b < 4; ++b) d.SetBank(b, false);
    return true;
  });
  dialogs->PlanButton(QMessageBox::Ok);
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_TRUE(dialogs->Last().text.startsWith("Cannot write the file"))
      << dialogs->Last().text.toStdString();
  EXPECT_TRUE(dialogs->Last().text.contains("Bank A"));
  QTest::qWait(200);
  EXPECT_EQ(dialogs->Asked().size(), 1u);
}

TEST_F(Sequencer, SecondStartIsRefusedAndCancelEndsQuietly) {
  Start(5);
  dialogs->AnswerForm<TfrmBkupOpt>([](TfrmBkupOpt&) { return false; });
  window->miGetSaveEach->trigger();
  EXPECT_EQ(Status(), "Procedure cancelled");
  window->Running = true;
  window->StartSequence(true);
  EXPECT_EQ(Status(), "A backup or listing is already running");
  window->Running = false;
}

}  // namespace

// A crowded, unreliable line during a backup of two banks: random short messages, truncated and
// overlong system exclusive, replies from a unit on another channel, bursts beyond the input ring
// and lost replies between the real ones. Every preset must still be saved exactly as the unit
// holds it, and the monitor keep its limit throughout.
TEST_F(Sequencer, BackupOfTwoBanksSurvivesANoisyLine) {
  Start(5);
  window->RequestTimeoutMs = 1000;
  {
    auto lock = session->Lock();
    session->Options().ChaosSeed = 20261208;
  }
  int mostLines = 0;
  QTimer sample;
  QObject::connect(&sample, &QTimer::timeout,
                   [&] { mostLines = std::max(mostLines, window->LogCount()); });
  sample.start(5);
  Run(
      true,
      [](TfrmBkupOpt& d) {
        d.SetRange(1, 200);
        d.SetBank(1, false);
        d.SetBank(3, false);
        d.SetUntitled(true, "Untitled");
      },
      240000);
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
  EXPECT_EQ(dialogs->Last().text, "Procedure is complete");
  for (const int bank : {0, 2}) {
    const QString folder = QStringLiteral("Bank ") + QChar('A' + bank);
    EXPECT_EQ(QDir(out.filePath(folder)).entryList(QDir::Files).size(), 200) << bank;
    for (int i = 0; i < 200; ++i)
      EXPECT_EQ(FileBytes(folder + "/" + FileName(bank, i, "Untitled")), Memory(bank, i))
          << bank << " " << i;
  }
  EXPECT_LE(mostLines, TfrmMIDIExplorer::MaxLogLines);
  EXPECT_LE(window->LogCount(), TfrmMIDIExplorer::MaxLogLines);
  // The noise was really there: replies were lost and requested again.
  EXPECT_FALSE(Log().filter("Last request timed out; restarting").isEmpty());
}
