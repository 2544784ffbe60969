#pragma once

// The small dialog that chooses how the program table is printed: as the grid, or as a list with
// the backup file of each preset.

#include <QDialog>

class QButtonGroup;
class QDialogButtonBox;
class QGroupBox;
class QPushButton;
class QRadioButton;

class TfrmMPTRptOpt : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmMPTRptOpt(QWidget* parent = nullptr);

  // 0 "Grid layout", 1 "List with filenames"; -1 when none is chosen. Setting an index outside
  // the items chooses none.
  int ItemIndex() const;
  void SetItemIndex(int index);

  QGroupBox* regStyle;
  QRadioButton* rbGrid;
  QRadioButton* rbList;
  QDialogButtonBox* btnBox;
  QPushButton* btnOK;
  QPushButton* btnCancel;

 private:
  QButtonGroup* styles_;
};
