#include "device/BkupOpt.h"

#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "device/DeviceMessages.h"
#include "device/StorePrompt.h"

#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {

const QString UntitledDefault = QStringLiteral("Untitled");

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, bool checked,
                        const QRect& geometry) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setChecked(checked);
  box->setGeometry(geometry);
  return box;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption,
                  const QRect& geometry) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(geometry);
  return label;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption,
                        const QRect& geometry) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  button->setGeometry(geometry);
  return button;
}

// A number edit with its up/down pair at its right.
QLineEdit* MakeNumberEdit(QWidget* parent, const char* name, const char* upDownName, int x, int y,
                          int position, TUpDown*& upDown) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setGeometry(x, y, 41, 21);
  upDown = new TUpDown(edit, parent);
  upDown->setObjectName(QString::fromLatin1(upDownName));
  upDown->setGeometry(x + 41, y, 15, 21);
  upDown->btnUp->setGeometry(0, 0, 15, 10);
  upDown->btnDown->setGeometry(0, 11, 15, 10);
  upDown->SetRange(TfrmBkupOpt::MinPresetNo, TfrmBkupOpt::MaxPresetNo);
  upDown->SetPosition(position);
  return edit;
}

}  // namespace

TfrmBkupOpt::TfrmBkupOpt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      preKinetic_(PreKineticMode) {
  setObjectName(QStringLiteral("frmBkupOpt"));
  setWindowTitle(QStringLiteral("Automated backup and print options"));
  QFont dialogFont(QStringLiteral("MS Sans Serif"));
  dialogFont.setPixelSize(13);
  setFont(dialogFont);
  setFixedSize(419, 404);

  lblCurrentBank =
      MakeLabel(this, "lblCurrentBank", QStringLiteral("Current Bank: A"), QRect(8, 8, 403, 16));

  grpBankOpts = new QGroupBox(QStringLiteral("Get presets for"), this);
  grpBankOpts->setObjectName(QStringLiteral("grpBankOpts"));
  grpBankOpts->setGeometry(8, 30, 403, 50);
  chkBankA =
      MakeCheckBox(grpBankOpts, "chkBankA", QStringLiteral("Bank &A"), true, QRect(16, 22, 80, 17));
  chkBankB = MakeCheckBox(grpBankOpts, "chkBankB", QStringLiteral("Bank &B"), true,
                          QRect(112, 22, 80, 17));
  chkBankC = MakeCheckBox(grpBankOpts, "chkBankC", QStringLiteral("Bank &C"), true,
                          QRect(208, 22, 80, 17));
  chkBankD = MakeCheckBox(grpBankOpts, "chkBankD", QStringLiteral("Bank &D"), true,
                          QRect(304, 22, 80, 17));

  // A radio group of two columns: one row with both items.
  ragLoopMethod = new QGroupBox(QStringLiteral("Loop thru presets"), this);
  ragLoopMethod->setObjectName(QStringLiteral("ragLoopMethod"));
  ragLoopMethod->setGeometry(8, 88, 403, 50);
  rbByNumber = new QRadioButton(QStringLiteral("By Preset Number"), ragLoopMethod);
  rbByNumber->setObjectName(QStringLiteral("rbByNumber"));
  rbByNumber->setGeometry(16, 22, 180, 17);
  rbByNumber->setChecked(true);
  rbByProgramChange = new QRadioButton(QStringLiteral("By Program Change (MPT)"), ragLoopMethod);
  rbByProgramChange->setObjectName(QStringLiteral("rbByProgramChange"));
  rbByProgramChange->setGeometry(200, 22, 198, 17);

  Label1 =
      MakeLabel(this, "Label1", QStringLiteral("Start with preset no."), QRect(8, 152, 150, 16));
  edtFirstNo = MakeNumberEdit(this, "edtFirstNo", "updFirstNo", 160, 150, MinPresetNo, updFirstNo);
  Label2 = MakeLabel(this, "Label2", QStringLiteral("thru preset no."), QRect(232, 152, 108, 16));
  edtLastNo = MakeNumberEdit(this, "edtLastNo", "updLastNo", 342, 150, MaxPresetNo, updLastNo);

  chkUntitled = MakeCheckBox(this, "chkUntitled", QStringLiteral("&Save untitled presets as:"),
                             false, QRect(8, 190, 180, 17));
  edtUntitled = new QLineEdit(this);
  edtUntitled->setObjectName(QStringLiteral("edtUntitled"));
  edtUntitled->setGeometry(192, 188, 160, 21);
  edtUntitled->setEnabled(false);
  // The caption keeps its whole text in any font; the name box follows it.
  chkUntitled->resize(std::max(chkUntitled->width(), chkUntitled->sizeHint().width()),
                      chkUntitled->height());
  edtUntitled->move(std::max(edtUntitled->x(), chkUntitled->geometry().right() + 5),
                    edtUntitled->y());

  chkSave =
      MakeCheckBox(this, "chkSave", QStringLiteral("Save to &files"), true, QRect(8, 226, 160, 17));
  chkPrint = MakeCheckBox(this, "chkPrint", QStringLiteral("&Print preset list"), false,
                          QRect(8, 256, 160, 17));
  btnPrtSetup = MakeButton(this, "btnPrtSetup", QStringLiteral("Set&up"), QRect(192, 252, 85, 25));
  btnPrtSetup->setToolTip(QStringLiteral("Printer selection/configuration"));
  btnPrtSetup->setIcon(QIcon::fromTheme(QStringLiteral("document-print"),
                                        style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
  btnPrtSetup->setDefault(true);

  lblOutPut =
      MakeLabel(this, "lblOutPut",
                QStringLiteral("Output directory (bank subdirectories will be created as needed)"),
                QRect(8, 290, 403, 32));
  lblOutPut->setWordWrap(true);
  edtPath = new QLineEdit(this);
  edtPath->setObjectName(QStringLiteral("edtPath"));
  edtPath->setGeometry(8, 328, 318, 21);
  btnBrowse = MakeButton(this, "btnBrowse", QStringLiteral("B&rowse"), QRect(336, 326, 75, 25));

  btnOk = MakeButton(this, "btnOk", QStringLiteral("OK"), QRect(252, 370, 75, 25));
  btnCancel = MakeButton(this, "btnCancel", QStringLiteral("Cancel"), QRect(336, 370, 75, 25));
  // A click on OK or Cancel leaves the focus where it is: closing checks the number edits itself,
  // so an invalid number is reported once, not once for the lost focus and again for the close.
  btnOk->setFocusPolicy(Qt::TabFocus);
  btnCancel->setFocusPolicy(Qt::TabFocus);

  edtFirstNo->installEventFilter(this);
  edtLastNo->installEventFilter(this);

  connect(chkSave, &QCheckBox::clicked, this, [this] { chkSaveClick(); });
  connect(chkPrint, &QCheckBox::clicked, this, [this] { chkPrintClick(); });
  connect(chkUntitled, &QCheckBox::clicked, this, [this] { chkUntitledClick(); });
  connect(rbByProgramChange, &QRadioButton::toggled, this, [this] { ragLoopMethodClick(); });
  connect(btnBrowse, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
  connect(btnPrtSetup, &QPushButton::clicked, this, [this] { btnPrtSetupClick(); });
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  // Creation.
  if (preKinetic_) {
    for (int bank = 0; bank < BankCount; ++bank) BankBox(bank)->setEnabled(false);
    lblOutPut->setText(QStringLiteral("Output directory:"));
  }
  edtUntitled->setText(UntitledDefault);
}

TfrmBkupOpt::~TfrmBkupOpt() = default;

void TfrmBkupOpt::SetCurrentBankText(const QString& text) {
  lblCurrentBank->setText(text);
}

QString TfrmBkupOpt::Path() const {
  return edtPath->text();
}

void TfrmBkupOpt::SetPath(const QString& path) {
  edtPath->setText(path);
}

QCheckBox* TfrmBkupOpt::BankBox(int bank) const {
  switch (bank) {
    case 0:
      return chkBankA;
    case 1:
      return chkBankB;
    case 2:
      return chkBankC;
    case 3:
      return chkBankD;
    default:
      return nullptr;
  }
}

bool TfrmBkupOpt::Bank(int bank) const {
  const QCheckBox* box = BankBox(bank);
  return box && box->isChecked();
}

void TfrmBkupOpt::SetBank(int bank, bool on) {
  if (QCheckBox* box = BankBox(bank)) box->setChecked(on);
}

bool TfrmBkupOpt::LoopByNumber() const {
  return rbByNumber->isChecked();
}

void TfrmBkupOpt::SetLoopByNumber(bool byNumber) {
  (byNumber ? rbByNumber : rbByProgramChange)->setChecked(true);
}

bool TfrmBkupOpt::Save() const {
  return chkSave->isChecked();
}

void TfrmBkupOpt::SetSave(bool on) {
  chkSave->setChecked(on);
  chkSaveClick();
}

bool TfrmBkupOpt::Print() const {
  return chkPrint->isChecked();
}

void TfrmBkupOpt::SetPrint(bool on) {
  chkPrint->setChecked(on);
  chkPrintClick();
}

void TfrmBkupOpt::SetRange(int first, int last) {
  edtFirstNo->setText(QString::number(first));
  edtLastNo->setText(QString::number(last));
  firstNo_ = first;
  lastNo_ = last;
}

void TfrmBkupOpt::SetUntitled(bool save, const QString& name) {
  edtUntitled->setText(name);
  chkUntitled->setChecked(save);
  chkUntitledClick();
}

QString TfrmBkupOpt::UntitledName() const {
  if (!chkUntitled->isChecked()) return {};
  const QString name = edtUntitled->text();
  return name.isEmpty() ? UntitledDefault : name;
}

QPrinter* TfrmBkupOpt::Printer() const {
  return printer_;
}

void TfrmBkupOpt::SetPrinter(QPrinter* printer) {
  printer_ = printer;
}

void TfrmBkupOpt::chkSaveClick() {
  const bool save = chkSave->isChecked();
  edtPath->setEnabled(save);
  btnBrowse->setEnabled(save);
  chkPrintClick();
}

void TfrmBkupOpt::chkPrintClick() {
  btnOk->setEnabled(chkSave->isChecked() || chkPrint->isChecked());
}

void TfrmBkupOpt::chkUntitledClick() {
  const bool on = chkUntitled->isChecked();
  edtUntitled->setEnabled(on);
  if (on && edtUntitled->text().isEmpty()) edtUntitled->setText(UntitledDefault);
}

void TfrmBkupOpt::ragLoopMethodClick() {
  const int max = preKinetic_ && rbByProgramChange->isChecked() ? MaxProgramChangeNo : MaxPresetNo;
  updLastNo->SetRange(MinPresetNo, max);
  updLastNo->SetPosition(max);
  // The first edit keeps its text: a number beyond the new maximum is refused when it is left.
  const QString firstText = edtFirstNo->text();
  updFirstNo->SetRange(MinPresetNo, max);
  edtFirstNo->setText(firstText);
}

void TfrmBkupOpt::btnBrowseClick() {
  QString folder = edtPath->text();
  if (!BrowseFolder(QStringLiteral("Select output folder:"), folder)) return;
  if (!folder.endsWith(u'/') && !folder.endsWith(u'\\')) folder += QDir::separator();
  edtPath->setText(folder);
}

void TfrmBkupOpt::btnPrtSetupClick() {
  if (!printer_) {
    ownPrinter_ = std::make_unique<QPrinter>();
    printer_ = ownPrinter_.get();
  }
  TPrinterRequest request;
  request.parent = this;
  request.printer = printer_;
  Dialogs().PrinterSetup(request);
}

bool TfrmBkupOpt::CheckNumberEdit(QLineEdit* edit, int& value, bool leaving) {
  const QString text = edit->text();
  bool ok = false;
  const int number = text.trimmed().toInt(&ok);
  QString error;
  if (!ok) {
    error = QStringLiteral("'%1' is not a valid integer value").arg(text);
  } else {
    value = number;
    if (number < MinPresetNo || number > updLastNo->Max())
      error = QStringLiteral("Invalid preset number");
  }
  if (error.isEmpty()) return true;
  checking_ = true;
  edit->setFocus(Qt::OtherFocusReason);
  if (leaving) {
    // The focus change that left the edit is still being delivered (a mouse press on another
    // control, say); the error box waits until it is done, so that its own event loop does not
    // swallow the rest of that press.
    QTimer::singleShot(0, this, [this, error] { ShowErrorMessage(this, error); });
  } else {
    ShowErrorMessage(this, error);
  }
  checking_ = false;
  return false;
}

void TfrmBkupOpt::done(int result) {
  if (checking_) return;
  if (!CheckNumberEdit(edtFirstNo, firstNo_) || !CheckNumberEdit(edtLastNo, lastNo_)) return;
  if (result == QDialog::Accepted &&
      (firstNo_ > lastNo_ || firstNo_ < MinPresetNo || lastNo_ > updLastNo->Max())) {
    MessageDlg(this, QStringLiteral("Error"), QStringLiteral("Invalid preset number range"),
               QMessageBox::Critical, QMessageBox::Ok);
    return;
  }
  QDialog::done(result);
}

bool TfrmBkupOpt::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edtFirstNo || watched == edtLastNo) {
    auto* edit = static_cast<QLineEdit*>(watched);
    if (event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      const QString text = key->text();
      if (key->key() == Qt::Key_Backspace) return true;
      // Typed characters other than decimal digits are dropped; keys that type nothing (arrows,
      // Delete, Enter for the default button, Ctrl shortcuts) keep their usual meaning.
      if (text.size() == 1 && text[0].isPrint() && !(text[0] >= u'0' && text[0] <= u'9'))
        return true;
    } else if (event->type() == QEvent::FocusOut && !checking_) {
      // Leaving the edit for another control of the dialog; a focus lost to another window (a
      // message box, another program) is no leaving.
      switch (static_cast<QFocusEvent*>(event)->reason()) {
        case Qt::ActiveWindowFocusReason:
        case Qt::PopupFocusReason:
        case Qt::MenuBarFocusReason:
          break;
        default:
          // A refused number has already taken the focus back; the edit must not act on the
          // focus it lost for a moment.
          if (!CheckNumberEdit(edit, edit == edtFirstNo ? firstNo_ : lastNo_, true)) return true;
          break;
      }
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmBkupOpt::showEvent(QShowEvent* event) {
  // Centred on the screen, not on the parent, the first time it is shown.
  if (!centred_) {
    centred_ = true;
    if (const QScreen* where = screen())
      move(where->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  QDialog::showEvent(event);
  BringToFront(this);
}
