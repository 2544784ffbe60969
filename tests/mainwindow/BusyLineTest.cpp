// What a user does while the program talks to the unit: commands pressed inside a backup's waits,
// a closed output under the editors, and closing the main window with editors open.

#include "MainWindowFixture.h"
#include "ModalDialogs.h"
#include "PdfText.h"
#include "app/PrintPage.h"
#include "device/BkupOpt.h"
#include "device/StorePrompt.h"
#include "editor/PresetEditor.h"
#include "mpt/MPTEdit.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QToolButton>

namespace {

const QString kBusy = QStringLiteral(
    "Not sent: a backup or listing is running (Ctrl-c in the main window aborts it)");

class BusyLine : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    ASSERT_TRUE(out.isValid());
  }

  QString FileName(int bank, int index) {
    return MakeValidFileName(QuickTitle(AsBytes(Memory(bank, index))) + ".zqn" +
                             PresetNumberText(index + 1));
  }
  // Every preset of the range in both banks, under its own number, exactly as the unit holds it.
  void ExpectBackupOf(int first, int last, std::initializer_list<int> banks) {
    for (const int bank : banks) {
      const QString folder = QStringLiteral("Bank ") + QChar('A' + bank);
      EXPECT_EQ(QDir(out.filePath(folder)).entryList(QDir::Files).size(), last - first + 1)
          << folder.toStdString() << ": "
          << QDir(out.filePath(folder)).entryList(QDir::Files).join(", ").toStdString();
      for (int i = first - 1; i < last; ++i)
        EXPECT_EQ(FileBytes(folder + "/" + FileName(bank, i)), Memory(bank, i)) << bank << " " << i;
    }
  }
  QString ListingEndedBeforeItRan();
  void PlanBackup(int first, int last, bool print = false) {
    dialogs->AnswerForm<TfrmBkupOpt>([this, first, last, print](TfrmBkupOpt& d) {
      d.SetPath(out.path());
      d.SetRange(first, last);
      d.SetBank(2, false);
      d.SetBank(3, false);
      d.SetPrint(print);
      return true;
    });
  }
  // Messages the unit got that only a user's command sends: dumps, stores, bulk and table
  // requests, bypass. (The run's own start asks for bypass and bank.)
  QStringList UserTraffic() {
    QStringList found;
    for (const QString& line : Received()) {
      const QString bytes = line.mid(line.indexOf(" <- ") + 4);
      for (const char* head :
           {"F0 1A 00 15 05 ", "F0 1A 00 15 0A ", "F0 1A 00 15 52 ", "F0 1A 00 15 53 ",
            "F0 1A 00 15 4B ", "F0 1A 00 15 4C ", "F0 1A 00 15 03 00 "})
        if (bytes.startsWith(QLatin1String(head))) found << bytes.left(20);
    }
    return found;
  }
  void ClearTraffic() {
    unit->WaitIdle();
    std::lock_guard lock(logMutex);
    traffic.clear();
  }
};

// Answers the store prompt as soon as it is up: OK (sending the preset first or not) while `ok`
// holds, else Cancel.
// Answers the store prompts from now on: the user thinks a moment (events run meanwhile, as in
// the prompt's own loop), sets "send first" and confirms while `ok` holds, else cancels.
void AnswerStorePrompts(
    TScriptedDialogService& dialogs, bool sendFirst = true,
    std::function<bool()> ok = [] { return true; }) {
  dialogs.AnswerForm<TfrmStorePrompt>([sendFirst, ok](TfrmStorePrompt& prompt) {
    QTest::qWait(2);
    prompt.chkDoSend->setChecked(sendFirst);
    (ok() ? prompt.btnOK : prompt.btnCancel)->click();
    return prompt.result() == QDialog::Accepted;
  });
}

QByteArray ImageOf(const TPreset& p) {
  const TPresetImage image = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size()));
}

// Every command of the main window and of an open editor, pressed over and over while a backup of
// two banks runs: none reaches the unit, each says why, and the backup saves every preset under its
// own number.
TEST_F(BusyLine, CommandsInsideABackupAreRefusedAndEveryFileIsRight) {
  Start(5);
  TfrmPresetEditor* editor = window->NewPresetEditor();
  TfrmMPTEdit* table = window->NewMptEditor();
  // Something to send from the message buffer: a program change.
  window->SetBufferBytes(QByteArray::fromHex("C005"));
  ClearTraffic();
  QStringList statuses;
  QObject::connect(window.get(), &TfrmMIDIExplorer::StatusShown,
                   [&](const QString& s) { statuses << s; });
  QStringList tableResults;
  bool inStore = false;
  const std::vector<std::function<void()>> commands = {
      [&] { QTest::keyClick(window.get(), Qt::Key_F10); },
      [&] { window->miGetCurrentPreset->trigger(); },
      [&] { window->miBulkDump->trigger(); },
      [&] { window->miGetMPT->trigger(); },
      [&] { window->miBypass->trigger(); },
      [&] { window->miBank[2]->trigger(); },
      [&] { window->miPreKinetic->trigger(); },
      [&] { window->miGetSaveEach->trigger(); },
      [&] { window->miPrintList->trigger(); },
      [&] { window->SendBuffer(); },
      [&] { editor->btnSendOut->click(); },
      [&] { QTest::keyClick(editor, Qt::Key_F9); },
      [&] {
        if (inStore) return;  // its prompt is up: the user is still answering it
        inStore = true;
        // A store confirmed after the run has ended is the user's own, and goes out.
        AnswerStorePrompts(*dialogs, true, [&] { return window->SequenceOwnsLine(); });
        editor->btnStore->click();
        inStore = false;
      },
      [&] {
        QByteArray image(MptDumpLength, 0);
        QBuffer stream(&image);
        stream.open(QIODevice::ReadOnly);
        tableResults << table->OnSendMPT(stream);
      },
  };
  std::size_t next = 0;
  int pressed = 0;
  QTimer presser;
  presser.setInterval(3);
  QObject::connect(&presser, &QTimer::timeout, [&] {
    if (!window->SequenceOwnsLine()) return;
    commands[next++ % commands.size()]();
    ++pressed;
  });
  presser.start();

  PlanBackup(1, 8);
  dialogs->PlanButton(QMessageBox::Ok);  // "Procedure is complete"
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->SequenceOwnsLine(); }, 30000));
  presser.stop();

  EXPECT_GE(pressed, int(commands.size()));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
  EXPECT_EQ(dialogs->Last().text, "Procedure is complete");
  ExpectBackupOf(1, 8, {0, 1});
  EXPECT_TRUE(UserTraffic().isEmpty()) << UserTraffic().join('\n').toStdString();
  // One edit-preset request per preset, and no more.
  EXPECT_EQ(Received().filter(" F0 1A 00 15 45 F7").size(), 16);
  EXPECT_FALSE(Received().join('\n').contains("C0 05"));
  EXPECT_TRUE(statuses.contains(kBusy));
  EXPECT_TRUE(statuses.contains("A backup or listing is already running"));
  EXPECT_EQ(editor->StatusText(), kBusy);
  for (const QString& r : tableResults) EXPECT_EQ(r, kBusy);
  EXPECT_FALSE(window->miPreKinetic->isChecked());
  EXPECT_FALSE(PreKineticMode);
  // The run has ended: the commands work again.
  EXPECT_EQ(Status(), "Procedure is complete");
  ClearTraffic();
  window->miBulkDump->trigger();
  EXPECT_EQ(Received().filter(" F0 1A 00 15 52 F7").size(), 1);
}

// A unit slower than the time-out: each preset is asked for again while the first answer is still
// on its way, and both answers come. The first counts for its preset, the late second one is not
// taken for the next preset, and a wait overtaken by the new request sends nothing.
TEST_F(BusyLine, LateAnswersAfterATimeOutLandUnderTheirOwnNumber) {
  Start(6);
  window->RequestTimeoutMs = 30;
  {
    auto lock = session->Lock();
    session->Options().PresetLoadMs = 45;
  }
  PlanBackup(1, 6);
  dialogs->PlanButton(QMessageBox::Ok);
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 30000));
  EXPECT_EQ(dialogs->Last().text, "Procedure is complete");
  ExpectBackupOf(1, 6, {0, 1});
  // How many requests are made again depends on the machine's timing; the files must be right
  // whatever it was.
}

// A unit whose replies carry another channel byte than the one it was asked on is still backed
// up: only the maker, model and command bytes tell a dump.
TEST_F(BusyLine, RepliesOnAnotherChannelByteAreTaken) {
  {
    auto lock = session->Lock();
    session->Options().ReplyChannel = 9;
  }
  Start(5);
  PlanBackup(3, 5);
  dialogs->PlanButton(QMessageBox::Ok);
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  EXPECT_EQ(dialogs->Last().text, "Procedure is complete");
  for (const int bank : {0, 1})
    for (int i = 2; i < 5; ++i) {
      QByteArray expected = Memory(bank, i);
      expected[2] = char(9);
      const QString folder = QStringLiteral("Bank ") + QChar('A' + bank);
      EXPECT_EQ(FileBytes(folder + "/" + FileName(bank, i)), expected) << bank << " " << i;
    }
}

// The end of a run puts the bank select controllers back to 0, on MIDI channel 1.
TEST_F(BusyLine, EveryEndOfARunResetsBankSelect) {
  Start(5);
  PlanBackup(1, 1);
  dialogs->PlanButton(QMessageBox::Ok);
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  QStringList received = Received();
  ASSERT_GE(received.size(), 2);
  // Selecting the starting bank again, then the two controllers.
  EXPECT_TRUE(received[received.size() - 3].endsWith("F0 1A 00 15 03 09 00 F7"));
  EXPECT_TRUE(received[received.size() - 2].endsWith("<- B0 00 00"));
  EXPECT_TRUE(received[received.size() - 1].endsWith("<- B0 20 00"));

  // An aborted run resets them too, without selecting the bank again.
  ClearTraffic();
  {
    auto lock = session->Lock();
    session->Options().PresetLoadMs = 50;
  }
  PlanBackup(1, 200);
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(window->Running);
  int key = Qt::Key_C;
  window->DoFormKeyDown(key, Qt::ControlModifier);
  received = Received();
  ASSERT_GE(received.size(), 2);
  EXPECT_TRUE(received[received.size() - 2].endsWith("<- B0 00 00"));
  EXPECT_TRUE(received[received.size() - 1].endsWith("<- B0 20 00"));
}

// The time-out of a run is ten seconds whatever the request delay, unless a test shortens it.
TEST_F(BusyLine, TheReplyTimeOutIsTenSeconds) {
  Start(5);
  EXPECT_EQ(window->RequestTimeoutMs, 10000);
  Start(2500);
  EXPECT_EQ(window->RequestTimeoutMs, 10000);
}

// A backup keeps its dumps to itself: the buffer, its text and its file stay what the user loaded,
// and "Open current file in editor" opens that file's preset under its name.
TEST_F(BusyLine, ARunLeavesTheBufferAndItsFileAlone) {
  const QString file = out.filePath("mine.zqn");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Memory(3, 0));
  }
  Start(5);
  ASSERT_TRUE(window->LoadFileIntoBuffer(file));
  EXPECT_EQ(window->BufferSourceFile, file);
  PlanBackup(1, 2);
  dialogs->PlanButton(QMessageBox::Ok);
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  EXPECT_EQ(window->BufferSourceFile, file);
  EXPECT_EQ(window->MessageBuffer.Data(), Memory(3, 0));
  TfrmPresetEditor* editor = window->OpenPresetEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->FileName(), file);
  EXPECT_EQ(ImageOf(editor->Preset()), Memory(3, 0));
}

// "Print list of presets..." with no bank chosen: the listing, to a PDF file, ends before it runs.
QString BusyLine::ListingEndedBeforeItRan() {
  Start(5);
  const QString pdf = out.filePath("titles.pdf");
  window->ListingPrinter()->setOutputFormat(QPrinter::PdfFormat);
  window->ListingPrinter()->setOutputFileName(pdf);
  dialogs->AnswerForm<TfrmBkupOpt>([](TfrmBkupOpt& d) {
    for (int b = 0; b < 4; ++b) d.SetBank(b, false);
    return true;
  });
  window->miPrintList->trigger();
  return pdf;
}

// A listing that ends before it runs (no bank chosen) keeps its document open until the next stop:
// nothing is printed at once.
TEST_F(BusyLine, AListingEndedBeforeItRanStaysOpenUntilTheNextStop) {
  const QString pdf = ListingEndedBeforeItRan();
  EXPECT_EQ(Status(), "Invalid bank selection");
  EXPECT_TRUE(window->PrintTitles);
  EXPECT_FALSE(QFile(pdf).size() > 0);

  PlanBackup(1, 1, true);
  dialogs->PlanButton(QMessageBox::Ok);
  window->miPrintList->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  EXPECT_FALSE(window->PrintTitles);
  EXPECT_GT(QFile(pdf).size(), 0);
}

// The same listing left open, then a run that prints nothing: the listing is ended before that
// run, and none of its titles land in it.
TEST_F(BusyLine, ARunWithoutPrintingEndsAListingLeftOpenFirst) {
  const QString pdf = ListingEndedBeforeItRan();
  ASSERT_TRUE(window->PrintTitles);

  PlanBackup(1, 1, false);
  window->miGetSaveEach->trigger();
  EXPECT_FALSE(window->PrintTitles);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  ASSERT_GT(QFile(pdf).size(), 0);
  const std::optional<QString> text = PdfText(pdf);
  ASSERT_TRUE(text.has_value());
  const QString title = QuickTitle(AsBytes(Memory(0, 0)));
  ASSERT_FALSE(title.isEmpty());
  EXPECT_FALSE(text->contains(title)) << text->toStdString();
}

// ---------------------------------------------------------------------------------------------
// A closed output under the editors

TEST_F(BusyLine, EditorsReportAClosedOutputAndTheProgramGoesOn) {
  Start(5);
  TfrmPresetEditor* editor = window->NewPresetEditor();
  TfrmMPTEdit* table = window->NewMptEditor();
  window->MidiOutput()->Close();
  RequestDelay = 0;

  editor->btnSendOut->click();
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_EQ(dialogs->Last().text, "MIDI Out device not available");
  EXPECT_EQ(editor->StatusText(), "MIDI Out device not available");

  // Store without sending first: the store message itself meets the closed port.
  AnswerStorePrompts(*dialogs, false);
  editor->btnStore->click();
  ASSERT_EQ(dialogs->Asked().size(), 2u);
  EXPECT_EQ(dialogs->Last().caption, "MIDI Out error");
  EXPECT_FALSE(dialogs->Last().text.isEmpty());

  QByteArray image(MptDumpLength, 0);
  image[0] = char(0xF0);
  image[MptDumpLength - 1] = char(0xF7);
  QBuffer stream(&image);
  stream.open(QIODevice::ReadOnly);
  EXPECT_EQ(table->OnSendMPT(stream), "MIDI Out device not available");
  EXPECT_EQ(window->OnGetPresetNo(), -1);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_TRUE(table->isVisible());
}

// ---------------------------------------------------------------------------------------------
// Closing the main window

class ClosingMainWindow : public BusyLine {
 protected:
  // Two editors of presets (one modified), and a table editor (modified from its start).
  void OpenEditors() {
    Start(5);
    window->SetBufferBytes(Memory(0, 4));
    fromBuffer = window->OpenPresetEditor();
    ASSERT_NE(fromBuffer.data(), nullptr);
    fresh = window->NewPresetEditor();
    table = window->NewMptEditor();
    fromBuffer->edtTitle->setText("Changed");
    QApplication::processEvents();
  }
  int Questions() const {
    int n = 0;
    for (const TDialogRecord& r : dialogs->Asked())
      if (r.text == "Do you want to save your changes?") ++n;
    return n;
  }

  QPointer<TfrmPresetEditor> fromBuffer;
  QPointer<TfrmPresetEditor> fresh;
  QPointer<TfrmMPTEdit> table;
};

TEST_F(ClosingMainWindow, CancelOnAnyEditorKeepsEveryWindowOpen) {
  OpenEditors();
  window->show();
  dialogs->PlanButton(QMessageBox::No);      // the modified preset: not saved
  dialogs->PlanButton(QMessageBox::No);      // the new, never saved one
  dialogs->PlanButton(QMessageBox::Cancel);  // the table: keep everything
  EXPECT_FALSE(window->close());
  EXPECT_EQ(Questions(), 3);
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->MidiOutput()->IsOpen());
  ASSERT_TRUE(fromBuffer && fresh && table);
  EXPECT_TRUE(fromBuffer->isVisible());
  EXPECT_TRUE(fresh->isVisible());
  EXPECT_TRUE(table->isVisible());
  EXPECT_EQ(fromBuffer->Preset().Title.trimmed(), "Changed");
}

TEST_F(ClosingMainWindow, EveryEditorClosesFirstEachAskingOnce) {
  OpenEditors();
  window->show();
  for (int i = 0; i < 3; ++i) dialogs->PlanButton(QMessageBox::No);
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
  EXPECT_EQ(Questions(), 3);  // the modified preset, the never saved one and the table, once each
  EXPECT_FALSE(window->MidiOutput()->IsOpen());
  EXPECT_FALSE(fromBuffer && fromBuffer->isVisible());
  EXPECT_FALSE(fresh && fresh->isVisible());
  EXPECT_FALSE(table && table->isVisible());
  // The table editor closed as a user closes it: its settings are written.
  EXPECT_TRUE(reg.ValueExists("MPT_HINT_DIR"));
  // No window is left for the program to run on.
  for (QWidget* w : QApplication::topLevelWidgets())
    EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString();
}

TEST_F(ClosingMainWindow, ClosingDuringABackupAbortsIt) {
  Start(5);
  {
    auto lock = session->Lock();
    session->Options().PresetLoadMs = 20;
  }
  PlanBackup(1, 200);
  window->show();
  window->miGetSaveEach->trigger();
  ASSERT_TRUE(window->Running);
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->Running);
  EXPECT_FALSE(window->MidiOutput()->IsOpen());
  EXPECT_TRUE(window->LogLine(window->LogCount() - 1) == "Procedure aborted");
}

// A store waits for the unit to take the preset first; closing the program in that wait stores
// nothing and reports no error from a port that is gone.
TEST_F(ClosingMainWindow, ClosingDuringAStoresWaitStoresNothing) {
  Start(600);
  window->SetBufferBytes(Memory(0, 4));
  QPointer<TfrmPresetEditor> editor = window->OpenPresetEditor();
  ASSERT_NE(editor.data(), nullptr);
  window->show();
  bool closed = false;
  dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& prompt) {
    prompt.SetPresetNo(9);
    // Once the preset has gone out, the program is closed in the store's wait.
    QTimer::singleShot(150, window.get(), [&] { closed = window->close(); });
    prompt.btnOK->click();
    return prompt.result() == QDialog::Accepted;
  });
  editor->Store();
  EXPECT_TRUE(closed);
  EXPECT_TRUE(Received().filter("F0 1A 00 15 0A").isEmpty()) << Received().join('\n').toStdString();
  EXPECT_TRUE(dialogs->Asked().empty()) << dialogs->Last().text.toStdString();
  EXPECT_EQ(dialogs->Forms().size(), 1u);
}

}  // namespace

namespace {

// With no printer, "Print list of presets..." offers a PDF file; declined, it says before the run
// that nothing will be printed, and the user may cancel or go on without the list.
TEST_F(BusyLine, AListingWithoutAPrinterSaysSoBeforeItRuns) {
  Start(5);
  if (PrinterReady(*window->ListingPrinter())) GTEST_SKIP() << "a printer is installed here";
  PlanBackup(1, 2, true);
  dialogs->PlanCancel();                 // no PDF file
  dialogs->PlanButton(QMessageBox::No);  // and no run without the list
  window->miPrintList->trigger();
  EXPECT_EQ(Status(), "Procedure cancelled");
  EXPECT_FALSE(window->Running);
  ASSERT_EQ(dialogs->Asked().size(), 2u);
  EXPECT_EQ(dialogs->Asked()[1].caption, "Print list of presets");
  EXPECT_TRUE(dialogs->Asked()[1].text.startsWith("No printer is installed"));
  EXPECT_TRUE(Received().filter(" F0 1A 00 15 45 F7").isEmpty());

  dialogs->PlanCancel();
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanButton(QMessageBox::Ok);  // "Procedure is complete"
  window->miPrintList->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
  EXPECT_EQ(dialogs->Last().text, "Procedure is complete");
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

}  // namespace
