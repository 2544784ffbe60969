#pragma once

// The hexadecimal editor of the message buffer: a plain text editor that only lets hex pairs and
// their separating blanks be typed, knows insert and overwrite mode, and leaves clipboard work to
// its pop-up menu.

#include <QPlainTextEdit>

class TMsgBufEdit : public QPlainTextEdit {
  Q_OBJECT
 public:
  explicit TMsgBufEdit(QWidget* parent = nullptr);

  bool InsertMode() const { return insertMode_; }
  void SetInsertMode(bool insert);
  // Empty when there is no line or the first line is empty.
  bool TextIsEmpty() const;
  // Pastes the clipboard's text if it is hex text; false (and nothing pasted) otherwise.
  bool PasteHex();
  static bool ClipboardHoldsHex();

 signals:
  void InsertModeChanged(bool insert);
  // A key went down that makes the text differ from a loaded file.
  void Edited();
  void DoubleClicked();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void SelectCharAtCaret();
  bool insertMode_ = true;
};
