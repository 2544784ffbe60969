#include "mpt/MPTRptOpt.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmMPTRptOpt::TfrmMPTRptOpt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("frmMPTRptOpt"));
  setWindowTitle(QStringLiteral("Select report options"));

  regStyle = new QGroupBox(QStringLiteral("Report Style"), this);
  regStyle->setObjectName(QStringLiteral("regStyle"));
  rbGrid = new QRadioButton(QStringLiteral("Grid layout"), regStyle);
  rbList = new QRadioButton(QStringLiteral("List with filenames"), regStyle);
  styles_ = new QButtonGroup(this);
  styles_->addButton(rbGrid, 0);
  styles_->addButton(rbList, 1);
  auto* styleLayout = new QVBoxLayout(regStyle);
  styleLayout->addWidget(rbGrid);
  styleLayout->addWidget(rbList);

  btnBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  btnOK = btnBox->button(QDialogButtonBox::Ok);
  btnCancel = btnBox->button(QDialogButtonBox::Cancel);
  connect(btnBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(btnBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(regStyle);
  layout->addWidget(btnBox);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

int TfrmMPTRptOpt::ItemIndex() const {
  return styles_->checkedId();
}

void TfrmMPTRptOpt::SetItemIndex(int index) {
  if (QAbstractButton* button = styles_->button(index)) {
    button->setChecked(true);
    return;
  }
  // A group with exclusive buttons cannot uncheck its last checked one.
  styles_->setExclusive(false);
  for (QAbstractButton* button : styles_->buttons()) button->setChecked(false);
  styles_->setExclusive(true);
}
