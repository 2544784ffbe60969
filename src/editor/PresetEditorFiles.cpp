// The editor's operations on the preset as a whole: history, files, store and print.

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "PresetEditor.h"
#include "PresetPrint.h"
#include "app/DialogService.h"
#include "app/PrintPage.h"
#include "app/kxUtility.h"
#include "device/DeviceMessages.h"
#include "device/StorePrompt.h"
#include "preset/PresetError.h"
#include "preset/PresetFile.h"

namespace {

const QString SaveChangesQuestion = QStringLiteral("Do you want to save your changes?");

}  // namespace

// ---------------------------------------------------------------------------------------------
// Undo and redo

bool TfrmPresetEditor::PushUndo() {
  return history_.Push(preset_);
}

void TfrmPresetEditor::TakePendingSnapshot() {
  if (!timSys->isActive()) return;
  timSys->stop();
  // The history step about to be shown is sent by itself; a pending send of the movement would
  // only send a state the user is leaving.
  sendPending_ = false;
  if (PushUndo()) history_.ClearRedo();
}

void TfrmPresetEditor::UpdateUndoButtons() {
  btnUndo->setEnabled(history_.CanUndo());
  btnUndo->setToolTip(history_.UndoHint());
  btnRedo->setEnabled(history_.CanRedo());
  btnRedo->setToolTip(history_.RedoHint());
}

void TfrmPresetEditor::ShowSnapshot(QBuffer& snapshot) {
  const int preset = pgcPreset->currentIndex();
  const int analog = pgcAnalogParams->currentIndex();
  const int digital = pgcDigitalParams->currentIndex();
  LoadPresetFromStream(snapshot);
  FormShow();
  pgcPreset->setCurrentIndex(preset);
  if (analog >= 0 && pgcAnalogParams->isTabVisible(analog))
    pgcAnalogParams->setCurrentIndex(analog);
  if (digital >= 0 && pgcDigitalParams->isTabVisible(digital))
    pgcDigitalParams->setCurrentIndex(digital);
}

void TfrmPresetEditor::Undo() {
  TakePendingSnapshot();
  // Showing the step switches automatic sending on; whether this step goes out is the user's
  // choice from before it.
  const bool autoSend = chkAutoSend->isChecked();
  if (QBuffer* target = history_.UndoTarget()) {
    {
      TUndoSuppression suppress;
      ShowSnapshot(*target);
      history_.CommitUndo();
    }
    if (autoSend) SendPreset();
  }
  UpdateUndoButtons();
}

void TfrmPresetEditor::Redo() {
  TakePendingSnapshot();
  const bool autoSend = chkAutoSend->isChecked();
  if (QBuffer* target = history_.RedoTarget()) {
    {
      TUndoSuppression suppress;
      ShowSnapshot(*target);
      history_.CommitRedo();
    }
    if (autoSend) SendPreset();
  }
  UpdateUndoButtons();
}

// ---------------------------------------------------------------------------------------------
// Files

bool TfrmPresetEditor::SaveAs() {
  TFileRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Save preset");
  request.filter = PresetFileFilter;
  request.defaultSuffix = QStringLiteral("zqn");
  if (fileName_.isEmpty()) {
    request.directory = LastSaveFolder;
    const QString name = MakeValidFileName(preset_.Title.trimmed()) + QStringLiteral(".zqn");
    request.fileName = LastSaveFolder.isEmpty() ? name : QDir(LastSaveFolder).filePath(name);
  } else {
    request.directory = QFileInfo(fileName_).absolutePath();
    request.fileName = fileName_;
  }
  const std::optional<TFileAnswer> answer = Dialogs().SaveFile(request);
  if (!answer) return false;
  const QString file = answer->File();
  try {
    SavePresetFile(file, preset_);
  } catch (const EPresetError& e) {
    // The old file (if any) is whole and the record and history unchanged.
    ShowErrorMessage(this, e.Message());
    return false;
  }
  SetFileName(file);
  LastSaveFolder = QDir::toNativeSeparators(QFileInfo(file).absolutePath() + QLatin1Char('/'));
  neverSaved_ = false;
  SetStatus(QStringLiteral("Saved"));
  history_.Clear();
  // The saved state is where undo starts from, as with a preset just shown.
  PushUndo();
  UpdateUndoButtons();
  return true;
}

void TfrmPresetEditor::Open() {
  if (neverSaved_ || preset_.IsModified()) {
    switch (AskYesNoCancel(this, windowTitle(), SaveChangesQuestion)) {
      case TQuestionAnswer::Yes:
        // The edits stay when they could not be saved: the opened file would replace them.
        if (!SaveAs()) return;
        break;
      case TQuestionAnswer::No:
      case TQuestionAnswer::YesToAll:
        break;
      case TQuestionAnswer::Cancel:
        return;
    }
  }
  TFileRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Open preset");
  request.filter = PresetFileFilter;
  request.directory =
      fileName_.isEmpty() ? DefaultFileFolder() : QFileInfo(fileName_).absolutePath();
  request.fileName = PresetFilePattern;
  const std::optional<TFileAnswer> answer = Dialogs().OpenFile(request);
  if (!answer) return;
  const QString file = answer->File();
  QByteArray bytes;
  try {
    bytes = ReadPresetFile(file);
  } catch (const EPresetError& e) {
    // Nothing changes: a later save must not write the old preset over the file just refused.
    ShowErrorMessage(this, e.Message());
    return;
  }
  QBuffer stream(&bytes);
  stream.open(QIODevice::ReadOnly);
  SetFileName(file);
  LoadPresetFromStream(stream);
  FormShow();
}

bool TfrmPresetEditor::CloseQuery() {
  if (!neverSaved_ && !preset_.IsModified()) return true;
  return ConfirmCloseWithSave(this, [this] { return SaveAs(); });
}

// ---------------------------------------------------------------------------------------------
// Store

void TfrmPresetEditor::Store() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  int unitPreset = OnGetPresetNo ? OnGetPresetNo() : -1;
  QApplication::restoreOverrideCursor();
  const bool known =
      unitPreset >= TfrmStorePrompt::MinPresetNo && unitPreset <= TfrmStorePrompt::MaxPresetNo;

  if (!storePrompt_) {
    storePrompt_ = new TfrmStorePrompt(this);
    int proposal = 1;
    if (known) {
      proposal = unitPreset;
    } else if (const int fromName = PresetNumberFromFileName(fileName_); fromName > 0) {
      proposal = fromName;  // a backup file remembers where it came from
    }
    storePrompt_->SetPresetNo(proposal);
  } else if (known) {
    storePrompt_->SetPresetNo(unitPreset);
  }

  if (!Dialogs().Form(*storePrompt_)) return;
  // The location is the one the user confirmed; the prompt may be used again during the wait.
  const QByteArray message = StorePresetMessage(PresetNumberToIndex(storePrompt_->PresetNo()));
  const auto sendRaw = OnSendRaw;
  if (storePrompt_->SendFirst()) {
    // Storing without it would keep whatever the unit holds now under the chosen number.
    if (!SendPreset()) return;
    const TPresetImage sent = preset_.Encode();
    const bool shown = isVisible();
    // The unit needs the time to take the preset into its edit buffer. The window may be closed,
    // reused or edited meanwhile.
    const QPointer<TfrmPresetEditor> self(this);
    Delay(RequestDelay);
    if (!self || (shown && !isVisible())) return;
    if (preset_.Encode() != sent) {
      // The unit may hold either state; storing it would keep one the user did not confirm.
      SetStatus(QStringLiteral("Not stored: the preset changed while it was sent"));
      return;
    }
  }
  if (sendRaw)
    sendRaw(reinterpret_cast<const std::uint8_t*>(message.constData()),
            static_cast<std::uint16_t>(message.size()));
}

// ---------------------------------------------------------------------------------------------
// Print

TPresetListing TfrmPresetEditor::Listing() const {
  // Unless the opener names the controllers, the listing uses the names the grid shows.
  const TControllerNameFn names =
      ControllerName ? ControllerName : [this](int row) { return ControllerNameOf(row); };
  return BuildPresetListing(preset_, AppTitle, fileName_, names);
}

void TfrmPresetEditor::Print() {
  if (pgcPreset->currentWidget() == tsPerfMIDI) pgcPreset->setCurrentWidget(tsAnalog);
  // Without a printer the listing can go to a PDF file; declining prints nothing.
  const QString document =
      fileName_.isEmpty() ? preset_.Title : QFileInfo(fileName_).completeBaseName();
  if (!PreparePrinter(this, printer_, document)) return;
  TPrinterPageWriter writer(printer_);
  if (!writer.Begin(windowTitle())) {
    ShowErrorMessage(this, PrintFailureText(printer_));
    return;
  }
  WritePresetListing(writer, Listing(), TListingLayout::SideBySide);
  writer.End();
}

void TfrmPresetEditor::PrinterSetup() {
  TPrinterRequest request;
  request.parent = this;
  request.printer = &printer_;
  Dialogs().PrinterSetup(request);
}
