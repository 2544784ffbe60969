#include "device/StorePrompt.h"

#include "app/DialogService.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
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
  setFixedSize(240, 103);

  chkDoSend = new QCheckBox(QStringLiteral("Send the current preset before storing"), this);
  chkDoSend->setObjectName(QStringLiteral("chkDoSend"));
  chkDoSend->setToolTip(QStringLiteral("Uncheck = store what's already loaded in the unit itself"));
  chkDoSend->setChecked(true);
  chkDoSend->setGeometry(8, 8, 225, 17);

  Label1 = new QLabel(QStringLiteral("Store current preset at location:"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(8, 38, 166, 17);

  edtPresetNo = new QLineEdit(this);
  edtPresetNo->setObjectName(QStringLiteral("edtPresetNo"));
  edtPresetNo->setGeometry(176, 36, 41, 21);
  edtPresetNo->installEventFilter(this);

  updPresetNo = new TUpDown(edtPresetNo, this);
  updPresetNo->setObjectName(QStringLiteral("updPresetNo"));
  updPresetNo->setGeometry(217, 36, 15, 21);
  updPresetNo->btnUp->setGeometry(0, 0, 15, 10);
  updPresetNo->btnDown->setGeometry(0, 11, 15, 10);
  updPresetNo->SetRange(MinPresetNo, MaxPresetNo);
  updPresetNo->SetPosition(1);

  btnOK = new QPushButton(QStringLiteral("OK"), this);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setDefault(true);
  btnOK->setGeometry(40, 70, 75, 25);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnCancel->setGeometry(124, 70, 75, 25);
  connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
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
