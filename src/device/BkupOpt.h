#pragma once

// The options of a backup or title-listing run: which banks, which preset range, how each preset
// is loaded (select-preset message or program change through the program table), whether the
// presets are saved to files, printed as a title listing or both, the output folder and the name
// for untitled presets. The request sequencer presets the fields, shows the dialog modally and
// reads them back after OK.

#include <QDialog>
#include <QString>
#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class TUpDown;

class TfrmBkupOpt : public QDialog {
  Q_OBJECT
 public:
  static constexpr int MinPresetNo = 1;
  static constexpr int MaxPresetNo = 200;
  // The highest preset a program change reaches on a single-bank (Pre-Kinetic) unit.
  static constexpr int MaxProgramChangeNo = 128;

  // Reads PreKineticMode once: in that mode the bank boxes are disabled and the output label is
  // the short one.
  explicit TfrmBkupOpt(QWidget* parent = nullptr);
  ~TfrmBkupOpt() override;

  void SetCurrentBankText(const QString& text);

  // The output folder (edtPath).
  QString Path() const;
  void SetPath(const QString& path);

  // Bank 0..3 = A..D; other numbers read false and are ignored when set.
  bool Bank(int bank) const;
  void SetBank(int bank, bool on);

  // True: "By Preset Number"; false: "By Program Change (MPT)".
  bool LoopByNumber() const;
  void SetLoopByNumber(bool byNumber);

  // "Save to &files"; setting it also applies the rule of a click on that box.
  bool Save() const;
  void SetSave(bool on);
  // "&Print preset list"; setting it also applies the rule of a click on that box.
  bool Print() const;
  void SetPrint(bool on);

  // The numbers taken from the edits when they were last left (and when the dialog closed).
  int FirstNo() const { return firstNo_; }
  int LastNo() const { return lastNo_; }
  // Puts both numbers into their edits (unchecked; the checks run when the edits are left or the
  // dialog closes) and takes them as the current numbers.
  void SetRange(int first, int last);

  // Whether untitled presets are saved, and under which name.
  void SetUntitled(bool save, const QString& name);
  // The name for untitled presets when they are saved ("Untitled" for an empty name), else empty.
  QString UntitledName() const;

  // The printer the set-up button configures. Without one handed in, the dialog keeps its own
  // (made at the first set-up). The printer handed in must outlive the dialog.
  QPrinter* Printer() const;
  void SetPrinter(QPrinter* printer);

  // Every way of closing (OK, Cancel, Escape, the close box) comes here. Both number edits are
  // checked as when they are left; an invalid number keeps the dialog open with that edit
  // focused. Closing with OK is refused as well when the range is not a valid one.
  void done(int result) override;

  QLabel* lblCurrentBank;
  QGroupBox* grpBankOpts;
  QCheckBox* chkBankA;
  QCheckBox* chkBankB;
  QCheckBox* chkBankC;
  QCheckBox* chkBankD;
  QGroupBox* ragLoopMethod;
  QRadioButton* rbByNumber;         // item 0 of ragLoopMethod
  QRadioButton* rbByProgramChange;  // item 1 of ragLoopMethod
  QLabel* Label1;
  QLineEdit* edtFirstNo;
  TUpDown* updFirstNo;
  QLabel* Label2;
  QLineEdit* edtLastNo;
  TUpDown* updLastNo;
  QCheckBox* chkUntitled;
  QLineEdit* edtUntitled;
  QCheckBox* chkSave;
  QCheckBox* chkPrint;
  QPushButton* btnPrtSetup;
  QLabel* lblOutPut;
  QLineEdit* edtPath;
  QPushButton* btnBrowse;
  QPushButton* btnOk;
  QPushButton* btnCancel;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QCheckBox* BankBox(int bank) const;
  void chkSaveClick();
  void chkPrintClick();
  void chkUntitledClick();
  void ragLoopMethodClick();
  void btnBrowseClick();
  void btnPrtSetupClick();
  // The leaving check of one number edit: takes its number into `value`; false (after giving the
  // edit the focus again and showing the error) when the text is no number or the number lies
  // outside 1 .. the last number's current maximum. When the edit is being left the error is
  // shown once the focus change has been delivered, else at once.
  bool CheckNumberEdit(QLineEdit* edit, int& value, bool leaving = false);

  bool preKinetic_ = false;
  bool checking_ = false;  // a check is showing its error or moving the focus back
  bool centred_ = false;
  int firstNo_ = MinPresetNo;
  int lastNo_ = MaxPresetNo;
  QPrinter* printer_ = nullptr;
  std::unique_ptr<QPrinter> ownPrinter_;
};
