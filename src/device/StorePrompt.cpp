#include "device/StorePrompt.h"

#include "app/DialogService.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TUpDown::TUpDown(QLineEdit* associate, QWidget* parent) : QWidget(parent), associate_(associate) {
  btnUp = new QToolButton(this);
  btnUp->setArrowType(Qt::UpArrow);
  btnUp->setAutoRepeat(true);
  btnDown = new QToolButton(this);
  btnDown->setArrowType(Qt::DownArrow);
  btnDown->setAutoRepeat(true);
  btnUp->setFocusPolicy(Qt::NoFocus);
  btnDown->setFocusPolicy(Qt::NoFocus);
  connect(btnUp, &QToolButton::clicked, this, [this] { Step(true); });
  connect(btnDown, &QToolButton::clicked, this, [this] { Step(false); });
  resize(15, 21);
}

void TUpDown::SetRange(int min, int max) {
  min_ = min;
  max_ = std::max(min, max);
  SetPosition(position_);
}

void TUpDown::SetPosition(int value) {
  position_ = std::clamp(value, min_, max_);
  if (associate_) associate_->setText(QString::number(position_));
}

void TUpDown::Step(bool up) {
  // Start from what the field shows, so a typed number is the one stepped from.
  if (associate_) {
    bool ok = false;
    const int typed = associate_->text().trimmed().toInt(&ok);
    if (ok) position_ = std::clamp(typed, min_, max_);
  }
  SetPosition(position_ + (up ? 1 : -1));
  emit Clicked(up);
}

TfrmStorePrompt::TfrmStorePrompt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("Store Preset"));

  chkDoSend = new QCheckBox(QStringLiteral("Send the current preset before storing"), this);
  chkDoSend->setObjectName(QStringLiteral("chkDoSend"));
  chkDoSend->setToolTip(QStringLiteral("Uncheck = store what's already loaded in the unit itself"));
  chkDoSend->setChecked(true);

  Label1 = new QLabel(QStringLiteral("Store current preset at location:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));

  edtPresetNo = new QLineEdit(this);
  edtPresetNo->setObjectName(QStringLiteral("edtPresetNo"));
  // Room for the largest number, "200", and the box's own margins.
  edtPresetNo->setFixedWidth(edtPresetNo->fontMetrics().horizontalAdvance(QStringLiteral("0000")) +
                             16);
  edtPresetNo->installEventFilter(this);
  Label1->setBuddy(edtPresetNo);

  updPresetNo = new TUpDown(edtPresetNo, this);
  updPresetNo->setObjectName(QStringLiteral("updPresetNo"));
  const int arrowsHeight = edtPresetNo->sizeHint().height();
  updPresetNo->setFixedSize(15, arrowsHeight);
  updPresetNo->btnUp->setGeometry(0, 0, 15, arrowsHeight / 2);
  updPresetNo->btnDown->setGeometry(0, arrowsHeight / 2, 15, arrowsHeight - arrowsHeight / 2);
  updPresetNo->SetRange(MinPresetNo, MaxPresetNo);
  updPresetNo->SetPosition(1);

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));

  // Laid out by the texts' size, whatever font the desktop gives them; never smaller than the
  // classic 240 x 103 and not resizable.
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(chkDoSend);
  auto* location = new QHBoxLayout;
  location->setSpacing(2);
  location->addWidget(Label1);
  location->addSpacing(4);
  location->addWidget(edtPresetNo);
  location->addWidget(updPresetNo);
  location->addStretch(1);
  layout->addLayout(location);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  buttons->addStretch(1);
  layout->addSpacing(4);
  layout->addLayout(buttons);
  setFixedSize(layout->sizeHint().expandedTo(QSize(240, 103)));
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmStorePrompt::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  BringToFront(this);
}

void TfrmStorePrompt::SetPresetNo(int value) {
  updPresetNo->SetPosition(value);
}

int TfrmStorePrompt::PresetNo() const {
  return edtPresetNo->text().trimmed().toInt();
}

bool TfrmStorePrompt::SendFirst() const {
  return chkDoSend->isChecked();
}

void TfrmStorePrompt::done(int result) {
  const QString text = edtPresetNo->text();
  bool ok = false;
  const int value = text.trimmed().toInt(&ok);
  if (!ok) {
    ShowErrorMessage(this, QStringLiteral("'%1' is not a valid integer value").arg(text));
    return;
  }
  SetPresetNo(value);
  if (value < MinPresetNo || value > MaxPresetNo) {
    // The clamped number is now in the field; the user sees it and confirms again.
    MessageDlg(this, QStringLiteral("Invalid entry"), QStringLiteral("Preset number out of range"),
               QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  QDialog::done(result);
}

bool TfrmStorePrompt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtPresetNo && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    if (key->key() == Qt::Key_Backspace) return true;
    // Typed characters other than decimal digits are dropped; keys that type nothing (arrows,
    // Delete, Enter for the default button, Ctrl shortcuts) keep their usual meaning.
    if (text.size() == 1 && text[0].isPrint() && !(text[0] >= u'0' && text[0] <= u'9')) return true;
  }
  return QDialog::eventFilter(watched, event);
}
