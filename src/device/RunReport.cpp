#include "device/RunReport.h"

#include "app/DialogService.h"
#include "preset/WholeFileWriter.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TfrmRunReport::TfrmRunReport(const QString& heading, std::vector<TRunSlot> runSlots,
                             bool singleBank, QWidget* parent)
    : QDialog(parent), heading_(heading), slots_(std::move(runSlots)), singleBank_(singleBank) {
  setObjectName(QStringLiteral("frmRunReport"));
  setWindowTitle(QStringLiteral("Run report"));
  auto* layout = new QVBoxLayout(this);
  lblHeading = new QLabel(heading_, this);
  lblHeading->setObjectName(QStringLiteral("lblHeading"));
  lblHeading->setWordWrap(true);
  layout->addWidget(lblHeading);

  grdSlots = new QTableWidget(int(slots_.size()), 4, this);
  grdSlots->setObjectName(QStringLiteral("grdSlots"));
  grdSlots->setHorizontalHeaderLabels({QStringLiteral("Slot"), QStringLiteral("Title"),
                                       QStringLiteral("State"), QStringLiteral("Detail")});
  grdSlots->verticalHeader()->hide();
  grdSlots->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdSlots->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (int row = 0; row < int(slots_.size()); ++row) {
    const TRunSlot& s = slots_[std::size_t(row)];
    const QStringList cells = {SlotName(s.Bank, s.Index, singleBank_), s.Title,
                               SlotStateText(s.State), s.Detail};
    for (int c = 0; c < cells.size(); ++c)
      grdSlots->setItem(row, c, new QTableWidgetItem(cells[c]));
  }
  grdSlots->resizeColumnsToContents();
  grdSlots->horizontalHeader()->setStretchLastSection(true);
  grdSlots->setMinimumSize(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 70,
                           fontMetrics().height() * 16);
  layout->addWidget(grdSlots, 1);

  lblSummary = new QLabel(RunSummary(slots_), this);
  lblSummary->setObjectName(QStringLiteral("lblSummary"));
  lblSummary->setWordWrap(true);
  layout->addWidget(lblSummary);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  btnSave = new QPushButton(QStringLiteral("&Save as text..."), this);
  btnSave->setObjectName(QStringLiteral("btnSave"));
  btnClose = new QPushButton(QStringLiteral("Close"), this);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setDefault(true);
  buttons->addWidget(btnSave);
  buttons->addWidget(btnClose);
  layout->addLayout(buttons);
  connect(btnSave, &QPushButton::clicked, this, [this] { SaveAs(); });
  connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
}

QString TfrmRunReport::Text() const {
  return RunReportText(heading_, slots_, singleBank_);
}

bool TfrmRunReport::SaveAs() {
  TFileRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Save report as");
  request.fileName = QStringLiteral("ZQN-Tarvo report.txt");
  request.filter = QStringLiteral("Text files (*.txt);;All files (*)");
  request.defaultSuffix = QStringLiteral("txt");
  const std::optional<TFileAnswer> answer = Dialogs().SaveFile(request);
  if (!answer) return false;
  const QString error = WriteWholeFile(answer->File(), Text().toUtf8());
  if (!error.isEmpty()) {
    ShowErrorMessage(this, QStringLiteral("Cannot write the file \"") +
                               QDir::toNativeSeparators(answer->File()) + QStringLiteral("\": ") +
                               error);
    return false;
  }
  return true;
}
