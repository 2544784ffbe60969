// The main window's request sequences: walking a range of presets of the chosen banks, making the
// unit load each one, and saving each dump to a file, printing its title, or both.

#include "app/DialogService.h"
#include "app/PrintPage.h"
#include "app/kxUtility.h"
#include "device/BkupOpt.h"
#include "device/Main.h"
#include "explorer/FileListing.h"
#include "preset/WholeFileWriter.h"

#include <QDate>
#include <QDir>
#include <QLocale>
#include <QPrinter>
#include <QProgressBar>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>

namespace {
const QString kSeparator = QStringLiteral("  |  ");
}  // namespace

QPrinter* TfrmMain::ListingPrinter() {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  return printer_.get();
}

void TfrmMain::LogSequenceLine(const QString& text) {
  if (LogCount() > MaxLogLines - 1) DeleteLogItem(0);
  AddLogLine(text);
}

int TfrmMain::NextBank() {
  if (PreKineticMode) return -1;
  for (int b = Device.CurrentBank + 1; b < BankCount; ++b)
    if (BankChosen[b]) return b;
  return -1;
}

QString TfrmMain::BankFolder(int bank) const {
  return PreKineticMode
             ? OutputDir
             : OutputDir + QStringLiteral("Bank ") + TDeviceState::BankLetter(bank) + '/';
}

bool TfrmMain::MakeBankFolder(int bank) {
  const QString folder = BankFolder(bank);
  if (QDir(folder).exists()) return false;
  if (QDir().mkdir(folder))
    LogSequenceLine(QStringLiteral("Created subdirectory for bank ") +
                    TDeviceState::BankLetter(bank));
  return true;
}

void TfrmMain::StartSequence(bool save) {
  if (SequenceOwnsLine()) {
    // A second run would interleave its requests with the first one's and mix up the dumps.
    ShowStatus(QStringLiteral("A backup or listing is already running"));
    return;
  }
  if (!CheckMidiOut(true)) return;
  // From here the run owns the line, also through the waits before its first request.
  starting_ = true;
  const auto started = qScopeGuard([this] { starting_ = false; });
  OnlineCheck();
  OutputDir = CurrentFolder();

  TfrmBkupOpt dialog(this);
  dialog.SetSave(save);
  dialog.SetPrint(!save);
  if (PreKineticMode)
    dialog.SetCurrentBankText(QStringLiteral("Pre-Kinetic unit - single bank"));
  else if (Device.CurrentBank >= 0 && Device.CurrentBank < BankCount)
    dialog.SetCurrentBankText(QStringLiteral("Currently selected bank: ") +
                              TDeviceState::BankLetter(Device.CurrentBank));
  else
    dialog.SetCurrentBankText(QStringLiteral("Cannot determine current bank"));
  dialog.SetPath(OutputDir);
  for (int b = 0; b < BankCount; ++b) dialog.SetBank(b, b == 0 || !PreKineticMode);
  dialog.SetLoopByNumber(true);
  dialog.SetPrinter(ListingPrinter());
  const bool accepted = Dialogs().Form(dialog);
  if (!accepted) {
    ShowStatus(QStringLiteral("Procedure cancelled"));
    return;
  }
  OutputDir = dialog.Path();
  for (int b = 0; b < BankCount; ++b) BankChosen[b] = dialog.Bank(b);
  LoopByNumber = dialog.LoopByNumber();
  SaveToFiles = dialog.Save();
  if (dialog.Print()) {
    if (!PrintTitles && !BeginListing()) {
      ShowStatus(QStringLiteral("Procedure cancelled"));
      return;
    }
  } else if (PrintTitles) {
    EndListing();  // a listing left open by a run that never got going
  }
  int first = dialog.FirstNo();
  const int last = dialog.LastNo();
  UntitledName = dialog.UntitledName();

  // A listing begun above stays open until the next stop, also when the run ends here.
  int resumeBank = -1;
  backupJournaled_ = false;
  if (SaveToFiles) {
    if (OutputDir.isEmpty()) return;
    OutputDir = WithTrailingSeparator(OutputDir);
    if (!QDir(OutputDir).exists()) QDir().mkdir(OutputDir);
    if (!PlanBackupJournal(first, last, resumeBank)) {
      ShowStatus(QStringLiteral("Procedure cancelled"));
      return;
    }
  }
  if (!PreKineticMode) {
    const bool known = Device.CurrentBank >= 0 && Device.CurrentBank < BankCount;
    LogSequenceLine(
        QStringLiteral("Originally selected Bank is: ") +
        (known ? TDeviceState::BankLetter(Device.CurrentBank) : QStringLiteral("unknown")));
    StartBank = Device.CurrentBank;
    Device.CurrentBank = resumeBank >= 0 ? resumeBank - 1 : -1;
    Device.CurrentBank = NextBank();
    if (Device.CurrentBank < 0) {
      ShowStatus(QStringLiteral("Invalid bank selection"));
      return;
    }
    if (SaveToFiles) MakeBankFolder(Device.CurrentBank);
    SendRequest(SelectBankMessage(Device.CurrentBank), false,
                QStringLiteral("Bank ") + TDeviceState::BankLetter(Device.CurrentBank) +
                    QStringLiteral(" selected"));
  }
  Delay(RequestDelayTimes(2));
  // The window may have closed, and its ports with it, during the wait.
  if (!MidiOutput() || !MidiOutput()->IsOpen()) return;
  LogSequenceLine(PreKineticMode ? QStringLiteral("Begin processing of Pre-Kinetic presets")
                                 : QStringLiteral("Begin processing of Bank ") +
                                       TDeviceState::BankLetter(Device.CurrentBank));
  PresetIndex = first - 1;
  LastIndex = last - 1;
  Running = true;
  // From here the run itself owns the line, and gives it back when it stops, even while the waits
  // of its first request, inside which it may have run to its end, are still returning.
  starting_ = false;
  requested_.clear();
  lastTakenKey_ = -1;
  LastRequestTime = TickCount();
  timPresetReq->setInterval(RequestDelayTimes(10));
  timPresetReq->start();
  StartProgress();
  if (SaveToFiles) {
    LogSequenceLine(QStringLiteral("Backup in progress"));
    LogSequenceLine(QStringLiteral("Output directory: ") + OutputDir);
  }
  if (PrintTitles) LogSequenceLine(QStringLiteral("Preset title print in progress"));
  LogSequenceLine(QStringLiteral("Press Ctrl-c to abort"));
  ShowStatus(QStringLiteral("Press Ctrl-c to abort"));
  RequestPreset();
}

void TfrmMain::RequestPreset() {
  if (!Running) return;
  const quint64 serial = ++requestSerial_;
  try {
    if (LoopByNumber) {
      MidiOutput()->PutLong(SelectPresetMessage(PresetIndex));
    } else {
      for (const TShortMessage& m : ProgramChangeLoadMessages(PresetIndex))
        MidiOutput()->PutShort(m.status, m.data1, m.data2);
    }
  } catch (const EmidioutputError& e) {
    MessageDlg(this, QStringLiteral("MIDI Out error"), e.Message(), QMessageBox::Critical,
               QMessageBox::Ok);
    return;
  }
  Delay(RequestDelay);
  // Ctrl+C, the end of the run, the answer or a newer request may have come during the wait.
  if (!Running || serial != requestSerial_) return;
  requested_.push_back(RequestKey());
  SendSysex(GetEditPresetMessage());
  ShowStatus(QStringLiteral("Requested preset #") + QString::number(PresetIndex + 1));
}

void TfrmMain::SequenceStep(const QByteArray& bytes) {
  const TBytes dump = AsBytes(bytes);
  const QString number = PresetNumberText(PresetIndex + 1);
  QString title = QuickTitle(dump);
  if (title.isEmpty()) title = UntitledName;
  if (title.isEmpty()) {
    LogSequenceLine(QStringLiteral("Preset #") + QString::number(PresetIndex + 1) +
                    QStringLiteral(" is untitled (not saved)"));
  } else {
    if (PrintTitles) PrintListingLine(title);
    if (SaveToFiles) {
      const QString name = MakeValidFileName(title + QStringLiteral(".zqn") + number);
      const QString path = BankFolder(Device.CurrentBank) + name;
      // Written whole or not at all: an interrupted run never leaves a truncated preset file.
      const QString error = WriteWholeFile(
          path, QByteArray(reinterpret_cast<const char*>(dump.data()), PresetDumpLength));
      if (!error.isEmpty()) {
        // Every later preset would fail the same way; one clear message ends the run.
        StopSequence();
        LogSequenceLine(QStringLiteral("Procedure aborted"));
        MessageDlg(this, QStringLiteral("Backup error"),
                   QStringLiteral("Cannot write the file \"") + QDir::toNativeSeparators(path) +
                       QStringLiteral("\": ") + error,
                   QMessageBox::Critical, QMessageBox::Ok);
        return;
      }
      LogSequenceLine(QStringLiteral("Preset #") + QString::number(PresetIndex + 1) +
                      QStringLiteral(" received: ") + name);
      NoteBackupSlot(TSlotState::Saved);
    }
  }
  if (title.isEmpty()) NoteBackupSlot(TSlotState::Skipped);
  LastRequestTime = TickCount();
  AdvanceProgress();
  if (PresetIndex < LastIndex) {
    ++PresetIndex;
    RequestPreset();
    return;
  }
  const int next = NextBank();
  if (next < 0) {
    if (!PreKineticMode) {
      Device.CurrentBank = StartBank;
      const QByteArray select = SelectBankMessage(StartBank);
      if (!select.isEmpty()) SendSysex(select);
    }
    if (backupJournaled_) {
      backupJournal_.Finished = true;
      SaveRunJournal(backupJournal_, OutputDir);
    }
    StopSequence();
    RefreshFileList();
    ShowStatus(QStringLiteral("Procedure is complete"));
    MessageDlg(this, QStringLiteral("Congratulations..."), QStringLiteral("Procedure is complete"),
               QMessageBox::Information, QMessageBox::Ok);
    return;
  }
  Device.CurrentBank = next;
  // Set before the wait, so a time-out inside it asks for this bank's first preset.
  PresetIndex = 0;
  const quint64 serial = ++requestSerial_;
  if (SaveToFiles) MakeBankFolder(next);
  SendRequest(
      SelectBankMessage(next), false,
      QStringLiteral("Bank ") + TDeviceState::BankLetter(next) + QStringLiteral(" selected"));
  LogSequenceLine(QStringLiteral("Begin processing Bank ") + TDeviceState::BankLetter(next));
  Delay(RequestDelayTimes(2));
  if (!Running || serial != requestSerial_) return;
  RequestPreset();
}

bool TfrmMain::PlanBackupJournal(int& first, int last, int& resumeBank) {
  const int firstBank = PreKineticMode ? 0 : [this] {
    for (int b = 0; b < BankCount; ++b)
      if (BankChosen[b]) return b;
    return -1;
  }();
  if (firstBank < 0) return true;  // "Invalid bank selection" follows
  TRunJournal previous;
  if (previous.Load(OutputDir) && previous.Kind == QLatin1String("backup") && !previous.Finished) {
    int next = -1;
    for (const auto& [key, state] : previous.States) {
      if (state != TSlotState::NotReached) continue;
      next = key;
      break;
    }
    if (next >= 0) {
      const int bank = next / 256, index = next % 256;
      const TQuestionAnswer answer = AskYesNoCancel(
          this, QStringLiteral("Resume backup"),
          QStringLiteral("A backup into this folder stopped before preset ") +
              SlotName(bank, index, PreKineticMode) +
              QStringLiteral(". Resume it there?\n\nNo starts again at the chosen first preset."));
      if (answer == TQuestionAnswer::Cancel) return false;
      if (answer == TQuestionAnswer::Yes) {
        backupJournal_ = previous;
        backupJournaled_ = true;
        resumeBank = PreKineticMode ? -1 : bank;
        first = index + 1;
        return true;
      }
    }
  }
  // Every slot the run will ask for: the first bank from `first`, later banks from preset 1.
  backupJournal_ = TRunJournal();
  backupJournal_.Kind = QStringLiteral("backup");
  for (int b = firstBank; b < (PreKineticMode ? 1 : BankCount); ++b) {
    if (!PreKineticMode && !BankChosen[b]) continue;
    for (int i = b == firstBank ? first - 1 : 0; i < last; ++i)
      backupJournal_.States[b * 256 + i] = TSlotState::NotReached;
  }
  backupJournaled_ = true;
  journalWarned_ = false;
  SaveRunJournal(backupJournal_, OutputDir);
  return true;
}

void TfrmMain::NoteBackupSlot(TSlotState state) {
  if (!backupJournaled_) return;
  const int key = (PreKineticMode ? 0 : std::max(0, Device.CurrentBank)) * 256 + PresetIndex;
  backupJournal_.States[key] = state;
  SaveRunJournal(backupJournal_, OutputDir);
}

void TfrmMain::StopSequence() {
  if (MidiOutput() && MidiOutput()->IsOpen()) {
    try {
      for (const TShortMessage& m : ResetBankSelectMessages())
        MidiOutput()->PutShort(m.status, m.data1, m.data2);
    } catch (const EmidioutputError&) {
      // The run ends whatever the port says; its errors were shown while it ran.
    }
  }
  Running = false;
  backupJournaled_ = false;
  requested_.clear();
  ++requestSerial_;  // every wait still under way returns to find the run gone
  SaveToFiles = false;
  EndListing();
  timPresetReq->stop();
  if (prgSequence) prgSequence->hide();
}

void TfrmMain::AbortSequence() {
  if (!Running) return;
  const bool journaled = backupJournaled_;
  StopSequence();
  if (journaled) {
    int saved = 0;
    for (const auto& [key, state] : backupJournal_.States) saved += state != TSlotState::NotReached;
    LogSequenceLine(QStringLiteral("%1 of %2 presets done, the rest not reached; a backup into the "
                                   "same folder can resume at the first one not done")
                        .arg(saved)
                        .arg(backupJournal_.States.size()));
  }
  LogSequenceLine(QStringLiteral("Procedure aborted"));
  ShowStatus(QStringLiteral("Procedure aborted"));
}

// ---------------------------------------------------------------------------------------------
// Title listing

bool TfrmMain::BeginListing() {
  const QString title = QStringLiteral("Preset Listing ") + AppTitle();
  // Without a printer the user may choose a PDF file; otherwise says before the run that nothing
  // will be printed, so a listing the user wanted is not silently skipped.
  if (PreparePrinter(this, *ListingPrinter(), title)) {
    listing_ = std::make_unique<TPrinterPageWriter>(*ListingPrinter(), font());
    listing_->SetHead([this](TPageWriter& w) { PrintListingHead(w); });
    listingColumnsDue_ = true;
    if (listing_->Begin(title)) {
      PrintTitles = true;
      return true;
    }
    listing_.reset();
  }
  const QMessageBox::StandardButton answer = MessageDlg(
      this, QStringLiteral("Print list of presets"),
      PrintFailureText(*ListingPrinter()) + QStringLiteral("\n\nGo on without the list?"),
      QMessageBox::Question, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
  if (answer != QMessageBox::Yes) return false;
  LogSequenceLine(QStringLiteral("The title listing is not printed: no printer available"));
  return true;
}

void TfrmMain::EndListing() {
  if (listing_) listing_->End();
  listing_.reset();
  PrintTitles = false;
}

void TfrmMain::PrintListingHead(TPageWriter& w) {
  const int lh = w.LineHeight();
  w.TextOut(w.LeftMargin(), 0, QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
  w.TextOut(w.LeftMargin(), lh, QStringLiteral("Page: ") + QString::number(w.PageNumber()));
  w.SetStyle(true, true);
  w.PrintCentred(2 * lh, QStringLiteral("Preset Listing ") + AppTitle());
  w.SetCurrentLine(4 * lh);
  if (listingColumnsDue_) {
    // The column heading stands on the first page only.
    listingColumnsDue_ = false;
    const int x = w.LeftMargin();
    const int cw = w.CharWidth();
    const int y = w.CurrentLine();
    if (PreKineticMode) {
      w.TextOut(x, y, QStringLiteral("Preset#   "));
      w.TextOut(x + 10 * cw, y, kSeparator);
      w.TextOut(x + 15 * cw, y, QStringLiteral("Title                      "));
    } else {
      w.TextOut(x, y, QStringLiteral("Bank       "));
      w.TextOut(x + 10 * cw, y, kSeparator);
      w.TextOut(x + 15 * cw, y, QStringLiteral("Preset#   "));
      w.TextOut(x + 25 * cw, y, kSeparator);
      w.TextOut(x + 30 * cw, y, QStringLiteral("Title                      "));
    }
    w.Advance(1);
  }
  w.SetStyle(false, false);
}

void TfrmMain::PrintListingLine(const QString& title) {
  if (!listing_) return;
  TPageWriter& w = *listing_;
  w.NewPageIfDue();
  const int x = w.LeftMargin();
  const int cw = w.CharWidth();
  const int y = w.CurrentLine();
  const QString number = QString::number(PresetIndex + 1);
  if (PreKineticMode) {
    w.TextOut(x, y, number);
    w.TextOut(x + 10 * cw, y, kSeparator);
    w.TextOut(x + 15 * cw, y, title);
  } else {
    w.TextOut(x, y, TDeviceState::BankLetter(Device.CurrentBank));
    w.TextOut(x + 10 * cw, y, kSeparator);
    w.TextOut(x + 15 * cw, y, number);
    w.TextOut(x + 25 * cw, y, kSeparator);
    w.TextOut(x + 30 * cw, y, title);
  }
  w.Advance(1);
}

// ---------------------------------------------------------------------------------------------
// Progress

void TfrmMain::StartProgress() {
  int planned = LastIndex - PresetIndex + 1;
  // Later banks run from the first preset.
  if (!PreKineticMode)
    for (int b = Device.CurrentBank + 1; b < BankCount; ++b)
      if (BankChosen[b]) planned += LastIndex + 1;
  StartProgressOf(planned);
}

void TfrmMain::StartProgressOf(int planned) {
  if (!prgSequence) {
    prgSequence = new QProgressBar(this);
    prgSequence->setObjectName(QStringLiteral("prgSequence"));
    prgSequence->setMaximumWidth(320);
    prgSequence->setTextVisible(true);
    stbStatBar->addPermanentWidget(prgSequence);
  }
  progressDone_ = 0;
  progressStart_ = TickCount();
  prgSequence->setRange(0, planned);
  prgSequence->setValue(0);
  prgSequence->setFormat(QStringLiteral("%v of %m presets"));
  // Room for the longest text it will show, with the time left.
  const QString longest = QStringLiteral("%1 of %1 presets, 99:59 left").arg(planned);
  prgSequence->setMinimumWidth(prgSequence->fontMetrics().horizontalAdvance(longest) + 24);
  prgSequence->setMaximumWidth(std::max(320, prgSequence->minimumWidth()));
  prgSequence->show();
}

void TfrmMain::AdvanceProgress() {
  if (!prgSequence) return;
  ++progressDone_;
  prgSequence->setValue(progressDone_);
  const qint64 elapsed = TickCount() - progressStart_;
  const int left = prgSequence->maximum() - progressDone_;
  const qint64 secondsLeft = progressDone_ > 0 ? elapsed * left / progressDone_ / 1000 : 0;
  prgSequence->setFormat(QStringLiteral("%v of %m presets, %1:%2 left")
                             .arg(secondsLeft / 60)
                             .arg(secondsLeft % 60, 2, 10, QChar('0')));
}
