// The main window's runs over the unit's memory beyond the backup: restore from a backup folder
// with every preset read back and compared, compare the unit with a folder, and a snapshot of the
// whole unit. Each run owns the line as a backup does, keeps a journal so a stopped run can
// resume, and ends with a report of every slot.

#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "device/Main.h"
#include "device/RestoreOpt.h"
#include "device/RunReport.h"
#include "preset/WholeFileWriter.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressBar>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>

namespace {

const QString kUntitled = QStringLiteral("Untitled");
constexpr int kRetries = 3;

QString BankList(const std::vector<TRunSlot>& runSlots) {
  QStringList letters;
  for (const TRunSlot& s : runSlots) {
    const QString letter = TDeviceState::BankLetter(s.Bank);
    if (!letters.contains(letter)) letters << letter;
  }
  return (letters.size() == 1 ? QStringLiteral("bank ") : QStringLiteral("banks ")) +
         letters.join(QStringLiteral(", "));
}

QString FetchedFileName(const QByteArray& dump, int index) {
  QString title = QuickTitle(AsBytes(dump));
  if (title.isEmpty()) title = kUntitled;
  return MakeValidFileName(title + QStringLiteral(".zqn") + PresetNumberText(index + 1));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The line during a run

bool TfrmMain::RunStopped() const {
  return runEnd_ != TRunEnd::Running || closing_ || destroyed_;
}

void TfrmMain::RunAbort() {
  if (unitRun_ && runEnd_ == TRunEnd::Running) runEnd_ = TRunEnd::Cancelled;
}

bool TfrmMain::RunWaitFor(const std::function<bool()>& done, int timeoutMs) {
  // Woken at once by the answer or by the port's report that a message has left, so the wait
  // adds no slice of its own to every message of a long run.
  const qint64 start = TickCount();
  QEventLoop* outer = runWake_;
  const auto restore = qScopeGuard([this, outer] { runWake_ = outer; });
  while (!done() && !RunStopped()) {
    const qint64 left = timeoutMs - (TickCount() - start);
    if (left <= 0) return false;
    QEventLoop loop;
    runWake_ = &loop;
    QTimer::singleShot(int(std::min<qint64>(left, 10)), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
    runWake_ = outer;
  }
  return done();
}

void TfrmMain::RunWake() {
  if (runWake_) runWake_->quit();
}

void TfrmMain::RunPortFailed(const QString& reason) {
  runEnd_ = TRunEnd::PortFailed;
  runError_ = reason;
}

void TfrmMain::RunWriteFailed(const QString& reason) {
  runEnd_ = TRunEnd::WriteFailed;
  runError_ = reason;
}

TMidiOutput* TfrmMain::RunPut(const QByteArray& message) {
  if (RunStopped()) return nullptr;
  TMidiOutput* out = MidiOutput();
  if (!out || !out->IsOpen()) {
    RunPortFailed(QStringLiteral("MIDI Out device not available"));
    return nullptr;
  }
  // A long dump goes out in pieces when the send pacing asks for them, as the message buffer's
  // does: a unit that drops bytes of a long message at full speed is restored all the same.
  // The gap between messages is the run's own business (RunSend); only the cutting applies here.
  const TSendPacing cutting{0, SendPacing().ChunkSize, SendPacing().ChunkDelayMs};
  for (const TSendPiece& piece : PlanSend(AsBytes(message), cutting)) {
    if (!piece.StartsMessage) {
      // Each piece's delay counts from the moment the piece before it has left.
      RunWaitFor([&] { return out->PendingLongMessages() == 0 || MidiOutput() != out; },
                 RequestTimeoutMs);
      if (piece.DelayBeforeMs > 0) Delay(piece.DelayBeforeMs);
      if (RunStopped()) return nullptr;
      if (MidiOutput() != out || !out->IsOpen()) {
        RunPortFailed(QStringLiteral("MIDI Out device not available"));
        return nullptr;
      }
    }
    try {
      out->PutLong(piece.Bytes);
    } catch (const EmidioutputError& e) {
      RunPortFailed(e.Message());
      return nullptr;
    }
  }
  return out;
}

bool TfrmMain::RunSend(const QByteArray& message) {
  TMidiOutput* out = RunPut(message);
  if (!out) return false;
  // The pause counts from the moment the message has left: a long dump on a slow line takes a
  // good part of the pause to arrive, and the unit needs the whole pause after it.
  RunWaitFor([&] { return out->PendingLongMessages() == 0 || MidiOutput() != out; },
             RequestTimeoutMs);
  if (RunStopped()) return false;
  if (MidiOutput() != out || !out->IsOpen()) {
    RunPortFailed(QStringLiteral("MIDI Out device not available"));
    return false;
  }
  // The buffer's send pacing holds here too: a unit that needs a longer gap than the request
  // delay gets it.
  Delay(std::max(RequestDelay, SendPacing().GapMs));
  return !RunStopped();
}

bool TfrmMain::RunSelectBank(int bank) {
  if (PreKineticMode || Device.CurrentBank == bank) return !RunStopped();
  if (!RunSend(SelectBankMessage(bank))) return false;
  Device.CurrentBank = bank;
  LogSequenceLine(QStringLiteral("Bank ") + TDeviceState::BankLetter(bank) +
                  QStringLiteral(" selected"));
  Delay(RequestDelay);  // a bank change takes the unit longer than a preset change
  return !RunStopped();
}

bool TfrmMain::RunAwait(const QByteArray& request, bool mpt, QByteArray& answer) {
  for (int attempt = 0; attempt <= kRetries; ++attempt) {
    runAnswer_.clear();
    runAwaiting_ = mpt ? TAwaited::Mpt : TAwaited::Preset;
    const auto done = qScopeGuard([this] { runAwaiting_ = TAwaited::Nothing; });
    if (!RunPut(request)) return false;
    RunWaitFor([this] { return !runAnswer_.isEmpty(); }, RequestTimeoutMs);
    if (RunStopped()) return false;
    if (!runAnswer_.isEmpty()) {
      answer = runAnswer_;
      return true;
    }
    LogSequenceLine(QStringLiteral("No answer from the unit, asking again"));
  }
  runEnd_ = TRunEnd::NoAnswer;
  return false;
}

bool TfrmMain::RunFetch(int bank, int index, QByteArray& dump) {
  if (!RunSelectBank(bank) || !RunSend(SelectPresetMessage(index))) return false;
  if (!RunAwait(GetEditPresetMessage(), false, dump)) return false;
  Decoder().SetPresetTitle(
      PreKineticMode ? -1 : bank, index,
      QuickTitle(TBytes(reinterpret_cast<const std::uint8_t*>(dump.constData()),
                        static_cast<std::size_t>(dump.size()))));
  return true;
}

std::optional<QByteArray> TfrmMain::FetchEditPreset(QString* why) {
  const auto fail = [why](const QString& reason) {
    if (why) *why = reason;
    return std::optional<QByteArray>();
  };
  if (SequenceOwnsLine()) return fail(QStringLiteral("The line is busy with a run over the unit"));
  if (!CheckMidiOut(false)) return fail(QStringLiteral("MIDI Out device not available"));
  // A run of one request: the answer is taken as a restore takes its read-backs, and no other
  // command talks to the unit meanwhile.
  unitRun_ = true;
  runEnd_ = TRunEnd::Running;
  runError_.clear();
  QByteArray dump;
  const bool ok = RunAwait(GetEditPresetMessage(), false, dump);
  const TRunEnd end = runEnd_;
  unitRun_ = false;
  runAwaiting_ = TAwaited::Nothing;
  runEnd_ = TRunEnd::Running;
  if (ok) return dump;
  if (end == TRunEnd::Cancelled) return fail(QStringLiteral("Cancelled"));
  if (end == TRunEnd::PortFailed) return fail(runError_);
  return fail(QStringLiteral("The unit did not answer"));
}

bool TfrmMain::TakeRunAnswer(const TMyMidiEvent& event) {
  if (!event.HasSysex()) return false;
  const TBytes bytes = event.SysexBytes();
  const bool dump = runAwaiting_ == TAwaited::Preset && event.SysexLength == PresetDumpLength &&
                    IsPresetDump(bytes) && bytes.back() == SysExEnd;
  const bool table = runAwaiting_ == TAwaited::Mpt && IsMptDump(bytes) && bytes.back() == SysExEnd;
  if (!dump && !table) return false;
  runAnswer_ = event.Sysex;
  runAwaiting_ = TAwaited::Nothing;
  RunWake();
  return true;
}

void TfrmMain::BeginUnitRun(int planned) {
  unitRun_ = true;
  runEnd_ = TRunEnd::Running;
  runError_.clear();
  runAwaiting_ = TAwaited::Nothing;
  runStartBank_ = Device.CurrentBank;
  // The unit's bank is not known for sure: the first slot selects its own.
  Device.CurrentBank = -1;
  StartProgressOf(planned);
  if (TMidiOutput* out = MidiOutput()) out->Onmidioutput = [this](TMidiOutput*) { RunWake(); };
  LogSequenceLine(QStringLiteral("Press Ctrl-c to abort"));
  ShowStatus(QStringLiteral("Press Ctrl-c to abort"));
}

QString TfrmMain::EndUnitRun(const QString& what) {
  const TRunEnd end = closing_ || destroyed_ ? TRunEnd::Cancelled : runEnd_;
  if (!PreKineticMode && runStartBank_ >= 0 && end != TRunEnd::PortFailed && !closing_) {
    // The unit goes back to the bank it was on, as after a backup.
    if (TMidiOutput* out = MidiOutput(); out && out->IsOpen()) {
      try {
        out->PutLong(SelectBankMessage(runStartBank_));
      } catch (const EmidioutputError&) {
      }
    }
  }
  Device.CurrentBank = runStartBank_;
  if (TMidiOutput* out = MidiOutput()) out->Onmidioutput = nullptr;
  unitRun_ = false;
  runAwaiting_ = TAwaited::Nothing;
  if (prgSequence) prgSequence->hide();
  QString text;
  switch (end) {
    case TRunEnd::Running:
      text = what + QStringLiteral(" is complete");
      break;
    case TRunEnd::Cancelled:
      text = what + QStringLiteral(" was cancelled");
      break;
    case TRunEnd::NoAnswer:
      text = what + QStringLiteral(" stopped: the unit did not answer");
      break;
    case TRunEnd::PortFailed:
      text = what + QStringLiteral(" stopped: the MIDI port failed (") + runError_ + ')';
      break;
    case TRunEnd::WriteFailed:
      text = what + QStringLiteral(" stopped: ") + runError_;
      break;
  }
  runEnd_ = TRunEnd::Running;
  return text;
}

void TfrmMain::ShowRunReport(const QString& heading, const QString& ending, bool resumable) {
  const QString summary = RunSummary(runSlots_);
  LogSequenceLine(ending + QStringLiteral(": ") + summary);
  ShowStatus(ending + QStringLiteral(": ") + summary);
  if (closing_ || destroyed_) return;
  QString text = heading + QStringLiteral("\n") + ending + '.';
  if (resumable)
    text += QStringLiteral(" What was done is kept; Resume in the dialog goes on with the rest.");
  TfrmRunReport report(text, runSlots_, PreKineticMode, this);
  Dialogs().Form(report);
}

QString TfrmMain::SaveRunJournal(const TRunJournal& journal, const QString& folder) {
  const QString error = journal.Save(folder);
  if (!error.isEmpty() && !journalWarned_) {
    // The run itself can go on; only a resume after a stop would have to start over.
    journalWarned_ = true;
    LogSequenceLine(QStringLiteral("The journal cannot be written (") + error +
                    QStringLiteral("); a stopped run cannot resume"));
  }
  return error;
}

// ---------------------------------------------------------------------------------------------
// Restore and compare

void TfrmMain::RestoreFiles(const QStringList& files) {
  if (!LineFree()) return;
  QString base = LibraryDatabaseFile.isEmpty()
                     ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                     : QFileInfo(LibraryDatabaseFile).absolutePath();
  QString folder = QDir(base).filePath(
      QStringLiteral("Library restores/") +
      DatedFolderName(QStringLiteral("Selection"), QDateTime::currentDateTime()));
  // A second restore in the same minute gets a folder of its own.
  for (int n = 2; QFileInfo::exists(folder); ++n)
    folder = folder.section(QStringLiteral(" ("), 0, 0) + QStringLiteral(" (%1)").arg(n);
  for (const QString& file : files) {
    const QFileInfo info(file);
    const QString bankFolder = info.dir().dirName();
    const QString target = PreKineticMode ? folder : QDir(folder).filePath(bankFolder);
    QDir().mkpath(target);
    const QString copy = QDir(target).filePath(info.fileName());
    // Another file of the same slot (another title) gives way to this one.
    const int number = BackupFileNumber(info.fileName());
    for (const QFileInfo& other : QDir(target).entryInfoList(QDir::Files))
      if (BackupFileNumber(other.fileName()) == number) QFile::remove(other.filePath());
    if (!QFile::copy(file, copy)) {
      ShowErrorMessage(this, QStringLiteral("Cannot copy %1 for the restore").arg(file));
      return;
    }
  }
  restoreFolder_ = folder;
  RestoreClick();
}

void TfrmMain::RestoreClick() {
  if (!LineFree() || !CheckMidiOut(true)) return;
  TfrmRestoreOpt dialog(this);
  dialog.SetFolder(restoreFolder_.isEmpty() ? CurrentFolder() : restoreFolder_);
  const bool accepted = Dialogs().Form(dialog);
  if (!accepted || SequenceOwnsLine()) {
    ShowStatus(QStringLiteral("Procedure cancelled"));
    return;
  }
  const QString folder = dialog.Folder();
  restoreFolder_ = folder;
  if (dialog.Mode() == TfrmRestoreOpt::TMode::Compare) {
    runSlots_ = dialog.Scan().Slots;
    RunCompare(folder);
    return;
  }

  TRunJournal journal;
  if (dialog.Mode() == TfrmRestoreOpt::TMode::Resume) {
    if (!journal.Load(folder)) {
      ShowErrorMessage(this, QStringLiteral("The journal of the folder cannot be read"));
      return;
    }
    const std::array<bool, BankCount> all{true, true, true, true};
    runSlots_.clear();
    for (const TRunSlot& s : ScanBackupFolder(folder, all, 1, PresetCount, PreKineticMode).Slots)
      if (journal.States.count(s.Key())) runSlots_.push_back(s);
  } else {
    runSlots_ = dialog.Scan().Slots;
    journal.Kind = QStringLiteral("restore");
    journal.Source = folder;
    if (dialog.SafetyBackup()) journal.Safety = dialog.SafetyFolder();
    for (const TRunSlot& s : runSlots_) journal.States[s.Key()] = TSlotState::NotReached;
  }
  const auto open = std::count_if(runSlots_.begin(), runSlots_.end(), [&](const TRunSlot& s) {
    const TSlotState state = journal.StateOf(s.Key());
    return state == TSlotState::NotReached || state == TSlotState::Saved ||
           state == TSlotState::Stored;
  });
  if (open == 0) {
    ShowMessage(this, QStringLiteral("Every preset of this restore is already done."));
    return;
  }
  QString question = QStringLiteral(
                         "%1 presets of %2 in the unit will be overwritten with the "
                         "files of \"%3\".")
                         .arg(open)
                         .arg(PreKineticMode ? QStringLiteral("the unit") : BankList(runSlots_),
                              QDir::toNativeSeparators(folder));
  question += journal.Safety.isEmpty()
                  ? QStringLiteral("\n\nNo copy of them is saved first.")
                  : QStringLiteral("\n\nThey are saved first into \"") +
                        QDir::toNativeSeparators(journal.Safety) + QStringLiteral("\".");
  question += QStringLiteral("\n\nGo on?");
  if (MessageDlg(this, QStringLiteral("Restore presets"), question, QMessageBox::Warning,
                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
    ShowStatus(QStringLiteral("Procedure cancelled"));
    return;
  }
  RunRestore(folder, journal);
}

void TfrmMain::RunRestore(const QString& folder, TRunJournal& journal) {
  journalWarned_ = false;
  const bool safety = !journal.Safety.isEmpty() && !journal.SafetyDone;
  BeginUnitRun(int(runSlots_.size()) * (safety ? 2 : 1));
  LogSequenceLine(QStringLiteral("Restore from: ") + QDir::toNativeSeparators(folder));
  SaveRunJournal(journal, folder);

  bool ok = true;
  if (safety) {
    LogSequenceLine(QStringLiteral("Saving the presets about to be overwritten into: ") +
                    QDir::toNativeSeparators(journal.Safety));
    for (TRunSlot& s : runSlots_) {
      if (journal.StateOf(s.Key()) != TSlotState::NotReached) {
        AdvanceProgress();
        continue;
      }
      QByteArray dump;
      if (!RunFetch(s.Bank, s.Index, dump)) {
        ok = false;
        break;
      }
      const QString dir = journal.Safety + '/' + BankSubFolder(s.Bank, PreKineticMode);
      QDir().mkpath(dir);
      const QString path = dir + FetchedFileName(dump, s.Index);
      const QString error = WriteWholeFile(path, dump);
      if (!error.isEmpty()) {
        // Without its copy the preset must not be overwritten.
        RunWriteFailed(QStringLiteral("cannot write \"") + QDir::toNativeSeparators(path) +
                       QStringLiteral("\": ") + error);
        ok = false;
        break;
      }
      journal.States[s.Key()] = TSlotState::Saved;
      SaveRunJournal(journal, folder);
      AdvanceProgress();
    }
    if (ok) {
      journal.SafetyDone = true;
      SaveRunJournal(journal, folder);
    }
  }

  for (TRunSlot& s : runSlots_) {
    if (!ok) break;
    const TSlotState before = journal.StateOf(s.Key());
    if (before != TSlotState::NotReached && before != TSlotState::Saved &&
        before != TSlotState::Stored) {
      s.State = TSlotState::Skipped;
      s.Detail = QStringLiteral("%1 in an earlier run").arg(SlotStateText(before));
      AdvanceProgress();
      continue;
    }
    ShowStatus(QStringLiteral("Restoring preset ") + SlotName(s.Bank, s.Index, PreKineticMode) +
               QStringLiteral(" (Ctrl-c aborts)"));
    bool verified = false;
    QByteArray back;
    if (before == TSlotState::Stored) {
      // Stored before the last run stopped, not yet read back: only a mismatch stores it again.
      if (!RunFetch(s.Bank, s.Index, back)) break;
      verified = SameDump(AsBytes(back), AsBytes(s.Dump));
    }
    for (int attempt = 0; !verified && attempt <= kRetries; ++attempt) {
      if (!RunSelectBank(s.Bank) || !RunSend(s.Dump)) {
        ok = false;
        break;
      }
      // Noted before the store goes out: a run stopped during its pause may have stored it, and a
      // resume reads it back before it stores it again.
      ++s.Attempts;
      journal.States[s.Key()] = TSlotState::Stored;
      SaveRunJournal(journal, folder);
      if (!RunSend(StorePresetMessage(s.Index))) {
        ok = false;
        break;
      }
      if (!RunFetch(s.Bank, s.Index, back)) {
        ok = false;
        break;
      }
      verified = SameDump(AsBytes(back), AsBytes(s.Dump));
      if (!verified)
        LogSequenceLine(QStringLiteral("Preset ") + SlotName(s.Bank, s.Index, PreKineticMode) +
                        QStringLiteral(" reads back different"));
    }
    if (!ok) {
      if (journal.StateOf(s.Key()) == TSlotState::Stored) s.State = TSlotState::Stored;
      break;
    }
    if (verified) {
      s.State = s.Attempts > 1 ? TSlotState::Retried : TSlotState::Verified;
      if (s.Attempts > 1) s.Detail = QStringLiteral("%1 stores").arg(s.Attempts);
    } else {
      s.State = TSlotState::Mismatched;
      s.Detail = QStringLiteral("%1 parameters differ after %2 stores")
                     .arg(DifferingParameters(AsBytes(back), AsBytes(s.Dump)))
                     .arg(s.Attempts);
    }
    journal.States[s.Key()] = s.State;
    SaveRunJournal(journal, folder);
    AdvanceProgress();
    LogSequenceLine(QStringLiteral("Preset ") + SlotName(s.Bank, s.Index, PreKineticMode) + ' ' +
                    SlotStateText(s.State));
  }
  ok = ok && !RunStopped();
  if (ok) journal.Finished = true;
  if (!closing_ && !destroyed_) SaveRunJournal(journal, folder);
  const QString ending = EndUnitRun(QStringLiteral("Restore"));
  ShowRunReport(QStringLiteral("Restore from \"") + QDir::toNativeSeparators(folder) + '"', ending,
                !ok);
}

void TfrmMain::RunCompare(const QString& folder) {
  BeginUnitRun(int(runSlots_.size()));
  LogSequenceLine(QStringLiteral("Compare the unit with: ") + QDir::toNativeSeparators(folder));
  for (TRunSlot& s : runSlots_) {
    QByteArray back;
    if (!RunFetch(s.Bank, s.Index, back)) {
      if (runEnd_ == TRunEnd::NoAnswer) s.State = TSlotState::NoAnswer;
      break;
    }
    s.Differences = SameDump(AsBytes(back), AsBytes(s.Dump))
                        ? 0
                        : std::max(1, DifferingParameters(AsBytes(back), AsBytes(s.Dump)));
    s.State = s.Differences == 0 ? TSlotState::Same : TSlotState::Differs;
    if (s.Differences > 0) {
      const QString unitTitle = QuickTitle(AsBytes(back));
      s.Detail = QStringLiteral("%1 parameters differ; the unit holds \"%2\"")
                     .arg(s.Differences)
                     .arg(unitTitle);
    }
    AdvanceProgress();
  }
  const QString ending = EndUnitRun(QStringLiteral("Compare"));
  ShowRunReport(QStringLiteral("Compare the unit with \"") + QDir::toNativeSeparators(folder) + '"',
                ending, false);
}

// ---------------------------------------------------------------------------------------------
// Snapshot

QString TfrmMain::UnfinishedSnapshot(const QString& parent) const {
  const QDir dir(parent);
  const QStringList names =
      dir.entryList({QStringLiteral("Snapshot *")}, QDir::Dirs | QDir::NoDotAndDotDot,
                    QDir::Name | QDir::Reversed);
  for (const QString& name : names) {
    TRunJournal journal;
    if (journal.Load(dir.filePath(name)) && journal.Kind == QLatin1String("snapshot") &&
        !journal.Finished)
      return dir.filePath(name);
  }
  return {};
}

void TfrmMain::SnapshotClick() {
  if (!LineFree() || !CheckMidiOut(true)) return;
  const QString parent = CurrentFolder();
  QString folder;
  TRunJournal journal;
  const QString unfinished = UnfinishedSnapshot(parent);
  if (!unfinished.isEmpty()) {
    const TQuestionAnswer answer = AskYesNoCancel(
        this, QStringLiteral("Snapshot the whole unit"),
        QStringLiteral("The snapshot in \"") + QDir::toNativeSeparators(unfinished) +
            QStringLiteral("\" did not finish. Resume it?\n\nNo starts a new snapshot."));
    if (answer == TQuestionAnswer::Cancel) {
      ShowStatus(QStringLiteral("Procedure cancelled"));
      return;
    }
    if (answer == TQuestionAnswer::Yes) {
      folder = unfinished;
      journal.Load(folder);
    }
  }
  if (folder.isEmpty()) {
    folder = QDir(parent).filePath(
        DatedFolderName(QStringLiteral("Snapshot"), QDateTime::currentDateTime()));
    const QString what = PreKineticMode ? QStringLiteral("its 200 presets")
                                        : QStringLiteral("its four banks of 200 presets");
    if (MessageDlg(this, QStringLiteral("Snapshot the whole unit"),
                   QStringLiteral("Fetch every preset of the unit (") + what +
                       QStringLiteral(") and its program table into \"") +
                       QDir::toNativeSeparators(folder) + QStringLiteral("\"?"),
                   QMessageBox::Question, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Yes) != QMessageBox::Yes) {
      ShowStatus(QStringLiteral("Procedure cancelled"));
      return;
    }
    journal.Kind = QStringLiteral("snapshot");
  }
  if (!QDir().mkpath(folder)) {
    ShowErrorMessage(this, QStringLiteral("Cannot create the folder \"") +
                               QDir::toNativeSeparators(folder) + '"');
    return;
  }
  RunSnapshot(folder, journal);
}

void TfrmMain::RunSnapshot(const QString& folder, TRunJournal& journal) {
  journalWarned_ = false;
  runSlots_.clear();
  for (int bank = 0; bank < (PreKineticMode ? 1 : BankCount); ++bank) {
    for (int index = 0; index < PresetCount; ++index) {
      TRunSlot s;
      s.Bank = bank;
      s.Index = index;
      runSlots_.push_back(s);
    }
  }
  BeginUnitRun(int(runSlots_.size()) + 1);
  LogSequenceLine(QStringLiteral("Snapshot into: ") + QDir::toNativeSeparators(folder));
  SaveRunJournal(journal, folder);
  // Files an earlier, stopped run of this snapshot wrote, by slot.
  std::map<int, QString> written;
  for (const TRunSlot& s :
       ScanBackupFolder(folder, {true, true, true, true}, 1, PresetCount, PreKineticMode).Slots)
    written[s.Key()] = s.File;

  bool ok = true;
  for (TRunSlot& s : runSlots_) {
    if (journal.StateOf(s.Key()) == TSlotState::Saved && written.count(s.Key())) {
      s.File = written[s.Key()];
      QFile file(s.File);
      if (file.open(QIODevice::ReadOnly)) s.Title = QuickTitle(AsBytes(file.readAll()));
      s.State = TSlotState::Skipped;
      s.Detail = QStringLiteral("saved in an earlier run");
      AdvanceProgress();
      continue;
    }
    ShowStatus(QStringLiteral("Fetching preset ") + SlotName(s.Bank, s.Index, PreKineticMode) +
               QStringLiteral(" (Ctrl-c aborts)"));
    QByteArray dump;
    if (!RunFetch(s.Bank, s.Index, dump)) {
      if (runEnd_ == TRunEnd::NoAnswer) s.State = TSlotState::NoAnswer;
      ok = false;
      break;
    }
    const QString dir = folder + '/' + BankSubFolder(s.Bank, PreKineticMode);
    QDir().mkpath(dir);
    s.File = dir + FetchedFileName(dump, s.Index);
    s.Title = QuickTitle(AsBytes(dump));
    const QString error = WriteWholeFile(s.File, dump);
    if (!error.isEmpty()) {
      RunWriteFailed(QStringLiteral("cannot write \"") + QDir::toNativeSeparators(s.File) +
                     QStringLiteral("\": ") + error);
      ok = false;
      break;
    }
    s.State = TSlotState::Saved;
    journal.States[s.Key()] = TSlotState::Saved;
    SaveRunJournal(journal, folder);
    AdvanceProgress();
  }
  if (ok) {
    QByteArray table;
    ok = RunAwait(MptRequestMessage(), true, table);
    if (ok) {
      Decoder().SetProgramTable(table);
      const QString error = WriteWholeFile(folder + QStringLiteral("/Program table.mpt"), table);
      if (!error.isEmpty()) {
        RunWriteFailed(QStringLiteral("cannot write the program table: ") + error);
        ok = false;
      }
    }
    AdvanceProgress();
  }
  ok = ok && !RunStopped();
  if (ok) {
    QString summary = QStringLiteral("Snapshot of the unit, ") +
                      QDateTime::currentDateTime().toString(Qt::ISODate) + '\n';
    for (const TRunSlot& s : runSlots_)
      summary += SlotName(s.Bank, s.Index, PreKineticMode) + QStringLiteral("  ") +
                 (s.Title.isEmpty() ? QStringLiteral("(untitled)") : s.Title) + '\n';
    WriteWholeFile(folder + QStringLiteral("/Summary.txt"), summary.toUtf8());
    journal.Finished = true;
  }
  if (!closing_ && !destroyed_) SaveRunJournal(journal, folder);
  RefreshFileList();
  const QString ending = EndUnitRun(QStringLiteral("Snapshot"));
  ShowRunReport(QStringLiteral("Snapshot into \"") + QDir::toNativeSeparators(folder) + '"', ending,
                !ok);
}
