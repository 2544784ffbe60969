#include "explorer/MsgBufEdit.h"

#include "explorer/MsgBuffer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>

TMsgBufEdit::TMsgBufEdit(QWidget* parent) : QPlainTextEdit(parent) {
  setContextMenuPolicy(Qt::CustomContextMenu);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setLineWrapMode(QPlainTextEdit::WidgetWidth);
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  setTabChangesFocus(true);
  // Dropped files belong to the window (they are loaded into the buffer), not to the text.
  setAcceptDrops(false);
}

void TMsgBufEdit::SetInsertMode(bool insert) {
  if (insertMode_ == insert) return;
  insertMode_ = insert;
  setOverwriteMode(!insert);
  emit InsertModeChanged(insert);
}

bool TMsgBufEdit::TextIsEmpty() const {
  const QTextBlock first = document()->firstBlock();
  return !first.isValid() || first.text().isEmpty();
}

bool TMsgBufEdit::ClipboardHoldsHex() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText() && IsHexPasteText(data->text());
}

bool TMsgBufEdit::PasteHex() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  if (!data || !data->hasText() || !IsHexPasteText(data->text())) return false;
  textCursor().insertText(data->text().toUpper());
  return true;
}

bool TMsgBufEdit::canInsertFromMimeData(const QMimeData* source) const {
  return source && source->hasText() && IsHexPasteText(source->text());
}

void TMsgBufEdit::insertFromMimeData(const QMimeData* source) {
  if (canInsertFromMimeData(source)) textCursor().insertText(source->text().toUpper());
}

void TMsgBufEdit::SelectCharAtCaret() {
  QTextCursor c = textCursor();
  c.clearSelection();
  if (c.position() < document()->characterCount() - 1) {
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
  }
  setTextCursor(c);
}

void TMsgBufEdit::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (key == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
    SetInsertMode(!insertMode_);
  }
  if (KeyClearsSourceFile(key)) emit Edited();
  if (key == Qt::Key_Insert) return;

  // Shortcut keys do not edit here: clipboard and undo work goes through the pop-up menu, where
  // pasted text is checked. Moving the caret with Ctrl stays.
  const bool navigation = key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up ||
                          key == Qt::Key_Down || key == Qt::Key_Home || key == Qt::Key_End ||
                          key == Qt::Key_PageUp || key == Qt::Key_PageDown;
  if (!navigation && ((e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) ||
                      e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut))) {
    e->accept();
    return;
  }
  const QString text = e->text();
  // Backspace and keys without a character (arrows, Home, Delete, ...) do what they always do.
  if (key == Qt::Key_Backspace || text.isEmpty()) {
    QPlainTextEdit::keyPressEvent(e);
    return;
  }
  // Every key that produces characters goes through the hex rules, one character at a time.
  e->accept();
  for (QChar typed : text) {
    QTextCursor c = textCursor();
    const int caret = c.selectionStart();
    const QString all = toPlainText();
    const TTypedChar result = FilterTypedChar(typed, caret, all, insertMode_);
    if (result.ch.isNull()) continue;
    if (result.separator == TTypedChar::SkipSeparator) {
      c.setPosition(caret + 1);
    } else if (result.separator == TTypedChar::InsertSeparator) {
      c.insertText(QStringLiteral(" "));
    }
    if (!c.hasSelection() && result.replaceNext) {
      c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    }
    c.insertText(QString(result.ch));
    setTextCursor(c);
  }
  ensureCursorVisible();
}

void TMsgBufEdit::focusInEvent(QFocusEvent* e) {
  QPlainTextEdit::focusInEvent(e);
  if (!insertMode_) SelectCharAtCaret();
}

void TMsgBufEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  e->accept();
  emit DoubleClicked();
}
