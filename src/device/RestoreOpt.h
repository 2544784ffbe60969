#pragma once

// The options of a restore or a compare: the backup folder, the banks and the range, and whether
// the presets about to be overwritten are saved first. Shows what the folder holds as the user
// chooses, and offers to resume a restore the folder's journal says did not finish.

#include "device/DeviceMessages.h"
#include "device/RestorePlan.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TfrmRestoreOpt : public QDialog {
  Q_OBJECT
 public:
  enum class TMode { Restore, Compare, Resume };

  explicit TfrmRestoreOpt(QWidget* parent = nullptr);

  void SetFolder(const QString& folder);
  QString Folder() const;
  void SetBank(int bank, bool on);
  bool Bank(int bank) const;
  std::array<bool, BankCount> Banks() const;
  void SetRange(int first, int last);
  int FirstNo() const;
  int LastNo() const;
  void SetSafetyBackup(bool on);
  bool SafetyBackup() const;
  // Where the safety copy goes: a dated folder beside the backup folder.
  QString SafetyFolder() const;
  TMode Mode() const { return mode_; }
  // What the folder holds for the current choice.
  const TBackupScan& Scan() const { return scan_; }
  // The unfinished restore journal of the folder, if any (Resume is offered only with one).
  bool HasUnfinishedRun() const { return unfinished_; }

  // Runs a button as a click would: Restore, Compare and Resume accept the dialog when the folder
  // holds presets for the choice.
  void Choose(TMode mode);

  QLineEdit* edtFolder;
  QPushButton* btnBrowse;
  std::array<QCheckBox*, BankCount> chkBank{};
  QSpinBox* spnFirstNo;
  QSpinBox* spnLastNo;
  QCheckBox* chkSafety;
  QLabel* lblSafety;
  QLabel* lblFound;
  QPushButton* btnRestore;
  QPushButton* btnCompare;
  QPushButton* btnResume;
  QPushButton* btnCancel;

 private:
  void Rescan();
  void BrowseClick();

  TMode mode_ = TMode::Restore;
  TBackupScan scan_;
  bool unfinished_ = false;
  bool singleBank_ = false;
  QString safetyFolder_;
};
