// The message buffer side of the explorer window: parsing, sending, saving and loading the
// hexadecimal editor's content.

#include "app/DialogService.h"
#include "explorer/MIDIExplorer.h"
#include "explorer/MsgBufEdit.h"
#include "preset/WholeFileWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QTextCursor>

namespace {

bool SameFile(const QString& a, const QString& b) {
  const QFileInfo first(a), second(b);
  if (first.exists() && second.exists())
    return first.canonicalFilePath() == second.canonicalFilePath();
  return first.absoluteFilePath() == second.absoluteFilePath();
}

}  // namespace

bool TfrmMIDIExplorer::ParseBuffer() {
  const QString text = memMsgBuf->toPlainText();
  const TParseResult result = ParseHexText(text, MessageBuffer);
  if (result == TParseResult::Ok) return true;
  MessageDlg(this, QStringLiteral("Sorry..."), ParseErrorText(result, text), QMessageBox::Warning,
             QMessageBox::Ok);
  return false;
}

void TfrmMIDIExplorer::SendBuffer() {
  if (const QString busy = LineBusyReason(); !busy.isEmpty()) {
    ShowStatus(busy);
    return;
  }
  if (!CheckMidiOut(false)) return;
  if (MessageBuffer.BufferLength == 0) {
    ShowStatus(QStringLiteral("Buffer is empty; nothing to send"));
    return;
  }
  if (sending_) {
    ShowStatus(QStringLiteral("The message buffer is being sent; Ctrl+C stops it"));
    return;
  }
  // A part of a message would leave the receiver waiting for the rest, and it would take the
  // next message sent as that rest.
  if (const QString problem = WholeMessagesProblem(std::span<const std::uint8_t>(
          MessageBuffer.Bytes.data(), static_cast<std::size_t>(MessageBuffer.BufferLength)));
      !problem.isEmpty()) {
    MessageDlg(this, QStringLiteral("Sorry..."),
               QStringLiteral("Not sent: the buffer does not hold whole MIDI messages: ") +
                   problem + QLatin1Char('.'),
               QMessageBox::Warning, QMessageBox::Ok);
    ShowStatus(QStringLiteral("Not sent: the buffer does not hold whole MIDI messages"));
    return;
  }
  if (pacing_.Paced()) {
    const std::vector<TSendPiece> pieces = PlanSend(
        std::span<const std::uint8_t>(MessageBuffer.Bytes.data(),
                                      static_cast<std::size_t>(MessageBuffer.BufferLength)),
        pacing_);
    if (pieces.size() > 1) {
      SendBufferPaced(pieces);
      return;
    }
  }
  midiOutput_->PutLong(MessageBuffer.Bytes.data(),
                       static_cast<std::uint16_t>(MessageBuffer.BufferLength));
  ShowStatus(QStringLiteral("Message buffer sent to MIDI Out"));
}

void TfrmMIDIExplorer::SendTextBuffer() {
  if (memMsgBuf->TextIsEmpty()) return;
  if (ParseBuffer()) SendBuffer();
}

void TfrmMIDIExplorer::miSendClick() {
  SendTextBuffer();
}

void TfrmMIDIExplorer::miSaveAsClick() {
  if (!memMsgBuf->TextIsEmpty()) SaveBuffer();
}

void TfrmMIDIExplorer::SaveBuffer() {
  if (!ParseBuffer()) return;
  if (MessageBuffer.BufferLength == 0) {
    ShowStatus(QStringLiteral("Buffer is empty; nothing to save"));
    return;
  }
  // What the user asked to save is what the buffer holds now; the dialog's loop lets other
  // handlers run.
  const QByteArray bytes = MessageBuffer.Data();
  const QString truncatedSource = truncatedSource_;
  TFileRequest dlgSave;
  dlgSave.parent = this;
  dlgSave.caption = QStringLiteral("Save message buffer as");
  dlgSave.directory = currentFolder_;
  dlgSave.filter =
      QStringLiteral("Preset files (*.zqn);;MIDI program tables (*.mpt);;All files (*)");
  dlgSave.selectedFilter = QStringLiteral("All files (*)");
  const std::optional<TFileAnswer> answer = Dialogs().SaveFile(dlgSave);
  if (!answer) return;
  const QString fileName = answer->File();
  if (!truncatedSource.isEmpty() && SameFile(fileName, truncatedSource)) {
    // The buffer holds only the start of that file: writing it back would cut the file.
    MessageDlg(this, QStringLiteral("Sorry..."),
               QStringLiteral("Not saved: only the first ") + QString::number(MsgBufferSize) +
                   QStringLiteral(" bytes of ") + fileName +
                   QStringLiteral(" were loaded, and saving over it would lose the rest. Save "
                                  "under another name."),
               QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  // Whole or not at all: a failed save leaves the old file as it was.
  const QString error = WriteWholeFile(fileName, bytes);
  if (!error.isEmpty()) {
    MessageDlg(this, QStringLiteral("Sorry..."),
               QStringLiteral("Could not write ") + fileName + QStringLiteral(": ") + error,
               QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  ShowStatus(QStringLiteral("Saved ") + QString::number(bytes.size()) +
             QStringLiteral(" bytes to ") + fileName);
  RefreshFileList();
}

void TfrmMIDIExplorer::miClearOutClick() {
  memMsgBuf->clear();
  MessageBuffer.Clear();
  truncatedSource_.clear();
}

void TfrmMIDIExplorer::pmiPasteClick() {
  memMsgBuf->PasteHex();
}

void TfrmMIDIExplorer::pmiSelectAllClick() {
  memMsgBuf->setFocus();
  memMsgBuf->selectAll();
}

void TfrmMIDIExplorer::UpdateBufferMenu() {
  const bool hasText = !memMsgBuf->TextIsEmpty();
  pmiUndo->setEnabled(memMsgBuf->document()->isUndoAvailable());
  const bool selection = memMsgBuf->textCursor().hasSelection();
  pmiCopy->setEnabled(selection);
  pmiCut->setEnabled(selection);
  pmiPaste->setEnabled(TMsgBufEdit::ClipboardHoldsHex());
  pmiSendtoMIDIOut->setEnabled(hasText);
  pmiSelectAll->setEnabled(hasText);
  pmiSave->setEnabled(hasText);
  pmiBufClear->setEnabled(hasText);
}

void TfrmMIDIExplorer::ShowBufferBytes(const QString& text) {
  memMsgBuf->setPlainText(text);
  FocusBufferStart(!memMsgBuf->TextIsEmpty() || text.isEmpty());
}

void TfrmMIDIExplorer::FocusBufferStart(bool textShown) {
  if (!textShown) {
    MessageDlg(this, QStringLiteral("Sorry..."), QStringLiteral("File is too large for editor"),
               QMessageBox::Warning, QMessageBox::Ok);
  }
  memMsgBuf->setFocus();
  QTextCursor c = memMsgBuf->textCursor();
  c.movePosition(QTextCursor::Start);
  memMsgBuf->setTextCursor(c);
}

void TfrmMIDIExplorer::SetBufferBytes(const QByteArray& bytes) {
  MessageBuffer.LoadBytes(bytes);
  // Saving now would put these bytes into whatever file the buffer held before.
  BufferSourceFile.clear();
  truncatedSource_.clear();
}

void TfrmMIDIExplorer::LoadEventIntoBuffer(const TMyMidiEvent& event) {
  const QString text = MessageBuffer.LoadEvent(event);
  ShowBufferBytes(text);
  BufferSourceFile.clear();
  truncatedSource_.clear();
}

bool TfrmMIDIExplorer::LoadFileIntoBuffer(const QString& fileName) {
  // A file that cannot be read leaves the buffer as it was; only its tie to a file goes, since
  // what it holds did not come from this one.
  const auto refuse = [this, &fileName](const QString& reason) {
    MessageDlg(this, QStringLiteral("Sorry..."),
               QStringLiteral("Could not read ") + fileName + QStringLiteral(": ") + reason,
               QMessageBox::Warning, QMessageBox::Ok);
    BufferSourceFile.clear();
  };
  const QFileInfo info(fileName);
  if (info.exists() && !info.isFile()) {
    // Opening a pipe would wait for a writer forever; a device has no end.
    refuse(QStringLiteral("Not a regular file"));
    return false;
  }
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    refuse(file.errorString());
    return false;
  }
  const qint64 size = file.size();
  const QByteArray data = file.read(MsgBufferSize);
  if (data.isEmpty() && size > 0) {
    refuse(file.errorString());
    return false;
  }
  file.close();
  // The buffer, its text and its file are set together before any message box, whose loop lets
  // other handlers run: they find the buffer whole and tied to the file it holds.
  setWindowTitle(fileName + QStringLiteral(" - ") + appTitle_);
  const QString text = MessageBuffer.LoadBytes(data);
  truncatedSource_ = size > MsgBufferSize ? fileName : QString();
  memMsgBuf->setPlainText(text);
  BufferSourceFile = fileName;
  const bool shown = !memMsgBuf->TextIsEmpty() || text.isEmpty();
  if (size > MsgBufferSize) {
    ShowStatus(QStringLiteral("Read ") + QString::number(MsgBufferSize) +
               QStringLiteral(" bytes from ") + fileName + QStringLiteral(" (filesize ") +
               QString::number(size) + QStringLiteral(" is too big for buffer)"));
    MessageDlg(this, QStringLiteral("Sorry..."),
               fileName + QStringLiteral(" filesize (") + QString::number(size) +
                   QStringLiteral(" bytes) is too big for buffer.") +
                   QStringLiteral("\nDo not save this file or data loss will occur!"),
               QMessageBox::Warning, QMessageBox::Ok);
  } else {
    ShowStatus(QStringLiteral("Read ") + QString::number(size) + QStringLiteral(" bytes from ") +
               fileName);
  }
  FocusBufferStart(shown);
  // The user may have loaded or typed something else while a box was open.
  return BufferSourceFile == fileName;
}
