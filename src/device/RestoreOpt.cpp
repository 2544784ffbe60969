#include "device/RestoreOpt.h"

#include "app/DialogService.h"
#include "app/kxUtility.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

TfrmRestoreOpt::TfrmRestoreOpt(QWidget* parent) : QDialog(parent), singleBank_(PreKineticMode) {
  setObjectName(QStringLiteral("frmRestoreOpt"));
  setWindowTitle(QStringLiteral("Restore presets from folder"));
  auto* layout = new QVBoxLayout(this);

  auto* folderRow = new QHBoxLayout;
  auto* folderLabel = new QLabel(QStringLiteral("Backup &folder:"), this);
  edtFolder = new QLineEdit(this);
  edtFolder->setObjectName(QStringLiteral("edtFolder"));
  edtFolder->setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 48);
  folderLabel->setBuddy(edtFolder);
  btnBrowse = new QPushButton(QStringLiteral("B&rowse..."), this);
  btnBrowse->setObjectName(QStringLiteral("btnBrowse"));
  btnBrowse->setAutoDefault(false);
  folderRow->addWidget(folderLabel);
  folderRow->addWidget(edtFolder, 1);
  folderRow->addWidget(btnBrowse);
  layout->addLayout(folderRow);

  auto* banks = new QGroupBox(
      singleBank_ ? QStringLiteral("Pre-Kinetic unit - single bank") : QStringLiteral("Banks"),
      this);
  banks->setObjectName(QStringLiteral("grpBanks"));
  auto* bankRow = new QHBoxLayout(banks);
  for (int b = 0; b < BankCount; ++b) {
    auto* box = new QCheckBox(QStringLiteral("Bank &") + QChar('A' + b), banks);
    box->setObjectName(QStringLiteral("chkBank") + QChar('A' + b));
    box->setChecked(true);
    box->setEnabled(!singleBank_);
    if (singleBank_ && b > 0) box->hide();
    bankRow->addWidget(box);
    chkBank[std::size_t(b)] = box;
  }
  layout->addWidget(banks);

  auto* rangeRow = new QHBoxLayout;
  auto* firstLabel = new QLabel(QStringLiteral("Presets from no."), this);
  spnFirstNo = new QSpinBox(this);
  spnFirstNo->setObjectName(QStringLiteral("spnFirstNo"));
  spnFirstNo->setRange(1, PresetCount);
  auto* lastLabel = new QLabel(QStringLiteral("thru no."), this);
  spnLastNo = new QSpinBox(this);
  spnLastNo->setObjectName(QStringLiteral("spnLastNo"));
  spnLastNo->setRange(1, PresetCount);
  spnLastNo->setValue(PresetCount);
  rangeRow->addWidget(firstLabel);
  rangeRow->addWidget(spnFirstNo);
  rangeRow->addWidget(lastLabel);
  rangeRow->addWidget(spnLastNo);
  rangeRow->addStretch(1);
  layout->addLayout(rangeRow);

  chkSafety =
      new QCheckBox(QStringLiteral("&Save the presets about to be overwritten first"), this);
  chkSafety->setObjectName(QStringLiteral("chkSafety"));
  chkSafety->setChecked(true);
  layout->addWidget(chkSafety);
  lblSafety = new QLabel(this);
  lblSafety->setObjectName(QStringLiteral("lblSafety"));
  lblSafety->setWordWrap(true);
  layout->addWidget(lblSafety);
  lblFound = new QLabel(this);
  lblFound->setObjectName(QStringLiteral("lblFound"));
  lblFound->setWordWrap(true);
  layout->addWidget(lblFound);

  auto* buttons = new QHBoxLayout;
  btnRestore = new QPushButton(QStringLiteral("&Restore"), this);
  btnRestore->setObjectName(QStringLiteral("btnRestore"));
  btnCompare = new QPushButton(QStringLiteral("&Compare unit with folder"), this);
  btnCompare->setObjectName(QStringLiteral("btnCompare"));
  btnResume = new QPushButton(QStringLiteral("Res&ume"), this);
  btnResume->setObjectName(QStringLiteral("btnResume"));
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  for (QPushButton* b : {btnRestore, btnCompare, btnResume, btnCancel}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  btnRestore->setDefault(true);
  layout->addLayout(buttons);

  connect(btnBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
  connect(edtFolder, &QLineEdit::textChanged, this, [this] { Rescan(); });
  for (QCheckBox* box : chkBank) connect(box, &QCheckBox::toggled, this, [this] { Rescan(); });
  connect(spnFirstNo, &QSpinBox::valueChanged, this, [this] { Rescan(); });
  connect(spnLastNo, &QSpinBox::valueChanged, this, [this] { Rescan(); });
  connect(chkSafety, &QCheckBox::toggled, this, [this] { Rescan(); });
  connect(btnRestore, &QPushButton::clicked, this, [this] { Choose(TMode::Restore); });
  connect(btnCompare, &QPushButton::clicked, this, [this] { Choose(TMode::Compare); });
  connect(btnResume, &QPushButton::clicked, this, [this] { Choose(TMode::Resume); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  Rescan();
}

void TfrmRestoreOpt::SetFolder(const QString& folder) {
  edtFolder->setText(QDir::toNativeSeparators(folder));
}

QString TfrmRestoreOpt::Folder() const {
  return QDir::fromNativeSeparators(edtFolder->text().trimmed());
}

void TfrmRestoreOpt::SetBank(int bank, bool on) {
  chkBank.at(std::size_t(bank))->setChecked(on);
}

bool TfrmRestoreOpt::Bank(int bank) const {
  return singleBank_ ? bank == 0 : chkBank.at(std::size_t(bank))->isChecked();
}

std::array<bool, BankCount> TfrmRestoreOpt::Banks() const {
  std::array<bool, BankCount> banks{};
  for (int b = 0; b < BankCount; ++b) banks[std::size_t(b)] = Bank(b);
  return banks;
}

void TfrmRestoreOpt::SetRange(int first, int last) {
  spnFirstNo->setValue(first);
  spnLastNo->setValue(last);
}

int TfrmRestoreOpt::FirstNo() const {
  return std::min(spnFirstNo->value(), spnLastNo->value());
}

int TfrmRestoreOpt::LastNo() const {
  return std::max(spnFirstNo->value(), spnLastNo->value());
}

void TfrmRestoreOpt::SetSafetyBackup(bool on) {
  chkSafety->setChecked(on);
}

bool TfrmRestoreOpt::SafetyBackup() const {
  return chkSafety->isChecked();
}

QString TfrmRestoreOpt::SafetyFolder() const {
  return safetyFolder_;
}

void TfrmRestoreOpt::Rescan() {
  const QString folder = Folder();
  scan_ = ScanBackupFolder(folder, Banks(), FirstNo(), LastNo(), singleBank_);
  // The safety copy goes beside the backup folder, named by the time of the run.
  const QFileInfo info(folder);
  safetyFolder_.clear();
  if (!folder.isEmpty()) {
    // Never into the copy of an earlier restore of the same minute.
    const QString base = QDir(info.absolutePath())
                             .filePath(DatedFolderName(QStringLiteral("Before restore"),
                                                       QDateTime::currentDateTime()));
    safetyFolder_ = base;
    for (int n = 2; QFileInfo::exists(safetyFolder_); ++n)
      safetyFolder_ = base + QStringLiteral(" (%1)").arg(n);
  }
  lblSafety->setText(SafetyBackup() && !safetyFolder_.isEmpty()
                         ? QStringLiteral("Saved into: ") + QDir::toNativeSeparators(safetyFolder_)
                         : QString());
  TRunJournal journal;
  unfinished_ =
      journal.Load(folder) && journal.Kind == QLatin1String("restore") && !journal.Finished;
  btnResume->setEnabled(unfinished_);
  QString found;
  if (!scan_.Error.isEmpty()) {
    found = scan_.Error;
  } else {
    found = QString::number(scan_.Slots.size()) +
            QStringLiteral(" preset files found for the chosen banks and range");
    if (!scan_.Ignored.isEmpty())
      found += QStringLiteral("; ") + QString::number(scan_.Ignored.size()) +
               QStringLiteral(" other files are left aside");
  }
  if (unfinished_) found += QStringLiteral(". An unfinished restore from this folder can resume.");
  lblFound->setText(found);
  btnRestore->setEnabled(!scan_.Slots.empty());
  btnCompare->setEnabled(!scan_.Slots.empty());
}

void TfrmRestoreOpt::BrowseClick() {
  QString folder = Folder();
  if (BrowseFolder(QStringLiteral("Select backup folder:"), folder)) SetFolder(folder);
}

void TfrmRestoreOpt::Choose(TMode mode) {
  if (mode == TMode::Resume ? !unfinished_ : scan_.Slots.empty()) return;
  mode_ = mode;
  accept();
}
