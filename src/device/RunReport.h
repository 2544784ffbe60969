#pragma once

// The report at the end of a restore, compare or snapshot: every slot with what became of it, the
// summary, and the text savable as a file.

#include "device/RestorePlan.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

class TfrmRunReport : public QDialog {
  Q_OBJECT
 public:
  TfrmRunReport(const QString& heading, std::vector<TRunSlot> runSlots, bool singleBank,
                QWidget* parent = nullptr);

  QString Text() const;
  // Asks for a file through the dialog service and writes the text whole; false when cancelled
  // or the file could not be written (which is shown).
  bool SaveAs();
  const std::vector<TRunSlot>& Slots() const { return slots_; }

  QLabel* lblHeading;
  QTableWidget* grdSlots;
  QLabel* lblSummary;
  QPushButton* btnSave;
  QPushButton* btnClose;

 private:
  QString heading_;
  std::vector<TRunSlot> slots_;
  bool singleBank_;
};
