#pragma once

// Asks for the location (preset number 1..200) at which the unit is to store the current preset,
// and whether the preset is to be sent first. The preset editor keeps one for its lifetime, so
// the last location and the send-first choice are remembered between stores.

#include <QDialog>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// An up/down arrow pair that steps a position within a range (no wrap-around). Tied to an edit
// field: each click starts from the number the field holds, so a typed number is stepped from.
class TUpDown : public QWidget {
  Q_OBJECT
 public:
  TUpDown(QLineEdit* associate, QWidget* parent = nullptr);

  int Min() const { return min_; }
  int Max() const { return max_; }
  void SetRange(int min, int max);
  int Position() const { return position_; }
  // Clamps into the range and shows the number in the associated field.
  void SetPosition(int value);

  // Steps one up (or down), as a click on that arrow does.
  void Step(bool up);

  QToolButton* btnUp;
  QToolButton* btnDown;

 signals:
  void Clicked(bool up);

 private:
  QLineEdit* associate_;
  int min_ = 0;
  int max_ = 100;
  int position_ = 0;
};

class TfrmStorePrompt : public QDialog {
  Q_OBJECT
 public:
  static constexpr int MinPresetNo = 1;
  static constexpr int MaxPresetNo = 200;

  explicit TfrmStorePrompt(QWidget* parent = nullptr);

  // Clamps into 1..200 and shows the number.
  void SetPresetNo(int value);
  // The number the edit field holds (0 when it holds none).
  int PresetNo() const;
  // Whether the preset is to be sent before the store message.
  bool SendFirst() const;

  // Every way of closing (OK, Cancel, Escape, the window's close box) comes here: the dialog
  // closes only when the field holds a number within 1..200.
  void done(int result) override;

  QCheckBox* chkDoSend;
  QLabel* Label1;
  QLineEdit* edtPresetNo;
  TUpDown* updPresetNo;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
};
