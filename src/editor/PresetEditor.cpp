#include "PresetEditor.h"

#include "preset/VexaRules.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "controls/kxLCDmeter.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "device/DeviceMessages.h"
#include "device/StorePrompt.h"
#include "preset/DigitalCatalogue.h"
#include "preset/PerfAssignments.h"
#include "preset/PresetFile.h"

namespace {

constexpr int SettleMilliseconds = 1000;

QToolButton* ToolButton(QToolBar* bar, const char* name, const QString& text, const QString& hint) {
  auto* b = new QToolButton(bar);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(hint);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  bar->addWidget(b);
  return b;
}

// The title travels as one byte a character inside a system-exclusive message: only printable
// 7-bit characters reach it, at most TitleLength. Anything else typed or pasted is left out.
class TTitleValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    QString kept;
    int cursor = pos;
    for (qsizetype i = 0; i < input.size(); ++i) {
      const char16_t c = input[i].unicode();
      if (c >= 0x20 && c < 0x7F)
        kept += input[i];
      else if (i < pos)
        --cursor;
    }
    kept.truncate(TitleLength);
    input = kept;
    pos = std::clamp(cursor, 0, int(kept.size()));
    return Acceptable;
  }
};

}  // namespace

QString TfrmPresetEditor::LastSaveFolder;

TfrmPresetEditor::TfrmPresetEditor(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmPresetEditor"));
  QFont f(QStringLiteral("Times New Roman"));
  f.setPixelSize(15);
  setFont(f);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 4);
  layout->setSpacing(3);
  BuildToolBar();
  layout->addWidget(tbrTools);
  BuildTitleRow();
  BuildSelection();
  BuildPages();

  timSys = new QTimer(this);
  timSys->setObjectName(QStringLiteral("timSys"));
  timSys->setInterval(SettleMilliseconds);
  connect(timSys, &QTimer::timeout, this, &TfrmPresetEditor::TimerTick);

  // The window sees keys before its controls, so F9 and the undo keys work wherever the focus is.
  qApp->installEventFilter(this);

  resize(845, 537);
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  ResetEditor();
}

TfrmPresetEditor::~TfrmPresetEditor() {
  qApp->removeEventFilter(this);
}

void TfrmPresetEditor::BuildToolBar() {
  tbrTools = new QToolBar(this);
  tbrTools->setObjectName(QStringLiteral("tbrTools"));
  btnOpen = ToolButton(tbrTools, "btnOpen", QStringLiteral("&Open"),
                       QStringLiteral("Open another preset..."));
  tbrTools->addSeparator();
  btnUndo = ToolButton(tbrTools, "btnUndo", QStringLiteral("&Undo"),
                       QStringLiteral("Back out last change"));
  btnRedo = ToolButton(tbrTools, "btnRedo", QStringLiteral("&Redo"),
                       QStringLiteral("Redo last undone change"));
  tbrTools->addSeparator();
  btnSaveAs = ToolButton(tbrTools, "btnSaveAs", QStringLiteral("&Save..."),
                         QStringLiteral("Save this preset to a file"));
  btnSendOut = ToolButton(tbrTools, "btnSendOut", QStringLiteral("Sen&d"),
                          QStringLiteral("Send preset to MIDI out (F9)"));
  btnStore = ToolButton(tbrTools, "btnStore", QStringLiteral("Sto&re..."),
                        QStringLiteral("Store the current preset at..."));
  tbrTools->addSeparator();
  btnPrint = ToolButton(tbrTools, "btnPrint", QStringLiteral("&Print"),
                        QStringLiteral("Print preset data"));
  btnPrtSetup = ToolButton(tbrTools, "btnPrtSetup", QStringLiteral("Set&up"),
                           QStringLiteral("Printer selection/configuration"));
  tbrTools->addSeparator();
  btnExit =
      ToolButton(tbrTools, "btnExit", QStringLiteral("&Exit"), QStringLiteral("Just what it says"));

  connect(btnOpen, &QToolButton::clicked, this, [this] { Open(); });
  connect(btnUndo, &QToolButton::clicked, this, [this] { Undo(); });
  connect(btnRedo, &QToolButton::clicked, this, [this] { Redo(); });
  connect(btnSaveAs, &QToolButton::clicked, this, [this] { SaveAs(); });
  connect(btnSendOut, &QToolButton::clicked, this, [this] { SendPreset(); });
  connect(btnStore, &QToolButton::clicked, this, [this] { Store(); });
  connect(btnPrint, &QToolButton::clicked, this, [this] { Print(); });
  connect(btnPrtSetup, &QToolButton::clicked, this, [this] { PrinterSetup(); });
  connect(btnExit, &QToolButton::clicked, this, [this] { close(); });
}

void TfrmPresetEditor::BuildTitleRow() {
  auto* row = new QHBoxLayout;
  lblTitle = new QLabel(QStringLiteral("Title:"), this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  edtTitle = new QLineEdit(this);
  edtTitle->setObjectName(QStringLiteral("edtTitle"));
  // The validator keeps the title to TitleLength after leaving out what the dump cannot carry,
  // so a pasted text is not cut short before that.
  edtTitle->setValidator(new TTitleValidator(edtTitle));
  edtTitle->setMinimumWidth(180);
  lblTitle->setBuddy(edtTitle);
  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  QFont italic = lblStatus->font();
  italic.setItalic(true);
  lblStatus->setFont(italic);
  chkAutoSend = new QCheckBox(QStringLiteral("Auto send"), this);
  chkAutoSend->setObjectName(QStringLiteral("chkAutoSend"));
  chkAutoSend->setToolTip(QStringLiteral("Check on to automatically send changes to MIDI out"));
  row->addWidget(lblTitle);
  row->addWidget(edtTitle);
  row->addSpacing(12);
  row->addWidget(lblStatus, 1);
  row->addWidget(chkAutoSend);
  static_cast<QVBoxLayout*>(layout())->addLayout(row);
  connect(edtTitle, &QLineEdit::textChanged, this, &TfrmPresetEditor::edtTitleChange);
}

void TfrmPresetEditor::BuildSelection() {
  auto* row = new QHBoxLayout;

  grpAnalogFX = new QGroupBox(QStringLiteral("Analog Effects"), this);
  grpAnalogFX->setObjectName(QStringLiteral("grpAnalogFX"));
  auto* analogLayout = new QVBoxLayout(grpAnalogFX);
  cklAnalogSelect = new QListWidget(grpAnalogFX);
  cklAnalogSelect->setObjectName(QStringLiteral("cklAnalogSelect"));
  cklAnalogSelect->setToolTip(QStringLiteral("Click on to add, off to remove effects"));
  // Two columns: the items flow downwards and wrap.
  cklAnalogSelect->setFlow(QListView::TopToBottom);
  cklAnalogSelect->setWrapping(true);
  cklAnalogSelect->setResizeMode(QListView::Adjust);
  const int rowHeight = cklAnalogSelect->fontMetrics().height() + 4;
  cklAnalogSelect->setGridSize(QSize(150, rowHeight));
  cklAnalogSelect->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  cklAnalogSelect->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  for (const char* name : AnalogEffectNames) {
    auto* item = new QListWidgetItem(QString::fromLatin1(name), cklAnalogSelect);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    item->setCheckState(Qt::Unchecked);
  }
  cklAnalogSelect->setFixedHeight(5 * rowHeight + 2 * cklAnalogSelect->frameWidth() + 4);
  cklAnalogSelect->setMinimumWidth(2 * 150 + 2 * cklAnalogSelect->frameWidth() + 4);
  analogLayout->addWidget(cklAnalogSelect);
  connect(cklAnalogSelect, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    if (!loading_) cklAnalogSelectClickCheck(cklAnalogSelect->row(item));
  });
  row->addWidget(grpAnalogFX, 3);

  grpDigFX = new QGroupBox(QStringLiteral("Digital Effects"), this);
  grpDigFX->setObjectName(QStringLiteral("grpDigFX"));
  BuildDigitalSelection(grpDigFX);
  row->addWidget(grpDigFX, 3);

  grpMix = new QGroupBox(QStringLiteral("Mix"), this);
  grpMix->setObjectName(QStringLiteral("grpMix"));
  mixControls_ = BuildParamPage(grpMix, ParamTable().first(MixParamRows));
  row->addWidget(grpMix, 3);

  static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void TfrmPresetEditor::BuildPages() {
  pgcPreset = new QTabWidget(this);
  pgcPreset->setObjectName(QStringLiteral("pgcPreset"));
  pgcPreset->setMinimumHeight(292);

  const auto page = [this](const char* name, const QString& caption) {
    auto* w = new QWidget;
    w->setObjectName(QString::fromLatin1(name));
    pgcPreset->addTab(w, caption);
    return w;
  };
  tsAnalog = page("tsAnalog", QStringLiteral("Analog effects"));
  tsDigital = page("tsDigital", QStringLiteral("Digital effects"));
  tsPerfMIDI = page("tsPerfMIDI", QStringLiteral("Performance MIDI"));
  tsVexastates = page("tsVexastates", QStringLiteral("Vexa states"));

  auto* analogLayout = new QVBoxLayout(tsAnalog);
  analogLayout->setContentsMargins(2, 2, 2, 2);
  pgcAnalogParams = new QTabWidget(tsAnalog);
  pgcAnalogParams->setObjectName(QStringLiteral("pgcAnalogParams"));
  analogLayout->addWidget(pgcAnalogParams);
  // Where the pages go while no analog effect is on: how to start.
  lblStartHint = new QLabel(
      QStringLiteral("No analog effect is on. Tick one under \"Analog Effects\" above to edit it "
                     "here, or add a digital effect from \"Available\"."),
      tsAnalog);
  lblStartHint->setObjectName(QStringLiteral("lblStartHint"));
  lblStartHint->setWordWrap(true);
  lblStartHint->setAlignment(Qt::AlignCenter);
  lblStartHint->hide();
  analogLayout->addWidget(lblStartHint, 1);
  for (int effect = 0; effect < AnalogEffectCount; ++effect) {
    const TPageDef& def = AnalogPages()[effect];
    auto* w = new QWidget;
    w->setObjectName(QString::fromLatin1(def.Name));
    w->setToolTip(QString::fromLatin1(def.Hint));
    for (TParamControl& c : BuildParamPage(w, AnalogEffectParams(effect)))
      analogControls_.push_back(c);
    pgcAnalogParams->addTab(w, QString::fromLatin1(def.Caption));
  }

  // The digital effect pages join this page control; which show follows the digital chain.
  auto* digitalLayout = new QVBoxLayout(tsDigital);
  digitalLayout->setContentsMargins(2, 2, 2, 2);
  pgcDigitalParams = new QTabWidget(tsDigital);
  pgcDigitalParams->setObjectName(QStringLiteral("pgcDigitalParams"));
  digitalLayout->addWidget(pgcDigitalParams);
  BuildDigitalPages();
  BuildPerfPage();
  connect(pgcPreset, &QTabWidget::currentChanged, this, [this] { pgcPresetChange(); });

  auto* vexaLayout = new QGridLayout(tsVexastates);
  int i = 0;
  for (const TVexaCheckDef& def : VexaChecks()) {
    auto* box = new QCheckBox(QString::fromLatin1(def.Caption), tsVexastates);
    box->setObjectName(QString::fromLatin1(def.Control));
    vexaLayout->addWidget(box, i % 5, i / 5);
    VexaBoxes[i] = box;
    // chkVexa...Click: also runs when the program changes the box, as a click would.
    connect(box, &QCheckBox::toggled, this, [this, i](bool checked) { VexaClick(i, checked); });
    ++i;
  }
  vexaLayout->setRowStretch(5, 1);
  vexaLayout->setColumnStretch(2, 1);

  static_cast<QVBoxLayout*>(layout())->addWidget(pgcPreset, 1);
}

// ---------------------------------------------------------------------------------------------
// State

void TfrmPresetEditor::ResetEditor() {
  SetFileName(QString());
  history_.Clear();
  UndoSuppressed = false;
  neverSaved_ = true;
  sendPending_ = false;
  timSys->stop();
  UpdateUndoButtons();
}

void TfrmPresetEditor::LoadPresetFromStream(QIODevice& stream) {
  preset_.LoadFromStream(stream);
  neverSaved_ = false;
}

void TfrmPresetEditor::LoadPreset(QIODevice& stream, const QString& sourceFileName) {
  LoadPresetFromStream(stream);
  SetFileName(sourceFileName);
  if (isVisible()) FormShow();
}

void TfrmPresetEditor::SetFileName(const QString& name) {
  fileName_ = name;
  setWindowTitle(name.isEmpty() ? PresetEditorCaption + QStringLiteral(" <not saved>")
                                : name + QStringLiteral(" - ") + PresetEditorCaption);
}

QString TfrmPresetEditor::StatusText() const {
  return lblStatus->text();
}

void TfrmPresetEditor::SetStatus(const QString& text) {
  lblStatus->setText(text);
}

void TfrmPresetEditor::SetSettleInterval(int milliseconds) {
  timSys->setInterval(milliseconds);
}

std::array<bool, 17> TfrmPresetEditor::DigitalPagesShown() const {
  return DigitalPagesInChain(preset_);
}

// ---------------------------------------------------------------------------------------------
// Showing a preset

void TfrmPresetEditor::BindMixControls() {
  for (int i = 0; i < MixCount; ++i) mixControls_[i].Bind(&preset_.Mix[i]);
}

void TfrmPresetEditor::BindAnalogControls() {
  // The table lists the analog rows in slot order, so row i edits slot A(i).
  for (int slot = 0; slot < AnalogParamCount; ++slot)
    analogControls_[slot].Bind(&preset_.AnalogParams[slot]);
}

void TfrmPresetEditor::ShowAnalogTabs() {
  for (int i = 0; i < AnalogEffectCount; ++i)
    pgcAnalogParams->setTabVisible(i, preset_.AnalogInUse[i]);
}

void TfrmPresetEditor::FillDigitalSelection() {
  lbxDigSel->clear();
  if (preset_.DigitalGroup == -1) DetermineDigitalGroup(preset_, {});
  if (!IsValidGroup(preset_.DigitalGroup)) {
    MessageDlg(this, QStringLiteral("Preset error"),
               QStringLiteral("Digital effect configuration is invalid and will be ignored.\n"
                              "The remaining preset data will be shown as is.\n"
                              "Saving this preset may cause loss of data (but it appears "
                              "corrupted already)."),
               QMessageBox::Warning, QMessageBox::Ok);
    preset_.DigitalGroup = 0;
    preset_.DigitalInUse.fill(false);
  }
  lblDigGrp->setText(QStringLiteral("Group #") + QString::number(preset_.DigitalGroup));
  for (int effect : ChosenDigitalEffects(preset_)) lbxDigSel->addItem(EffectName(effect));
  FillAvailable();
  btnAddDfx->setEnabled(false);
  btnDelDfx->setEnabled(false);
  ShowDigitalPages();
}

void TfrmPresetEditor::RefreshPerformanceAssignments() {
  // An assignment whose parameter left the chain cannot be shown or played; it goes.
  RefreshPerfControllers();
}

void TfrmPresetEditor::InstallChangeCallbacks() {
  // The controls are made with the window and live as long as it does.
  if (callbacksInstalled_) return;
  callbacksInstalled_ = true;
  const auto callback = [this] { BoundControlChanged(); };
  for (TkxTrackBar* c : findChildren<TkxTrackBar*>()) c->SetChangeCallback(callback);
  for (TkxRadioGroup* c : findChildren<TkxRadioGroup*>()) c->SetChangeCallback(callback);
  for (TkxLCDmeter* c : findChildren<TkxLCDmeter*>()) c->SetChangeCallback(callback);
}

void TfrmPresetEditor::FormShow() {
  // Every control is set anew: one repaint at the end instead of one per control and page.
  const bool repaint = updatesEnabled();
  if (repaint) setUpdatesEnabled(false);
  const auto resume = qScopeGuard([this, repaint] {
    if (repaint) setUpdatesEnabled(true);
  });
  loading_ = true;
  {
    // The field shows the title as stored; its character rule is for what the user types.
    const QValidator* rule = edtTitle->validator();
    edtTitle->setValidator(nullptr);
    edtTitle->setText(preset_.Title);
    edtTitle->setValidator(rule);
  }

  for (int i = 0; i < AnalogEffectCount; ++i)
    cklAnalogSelect->item(i)->setCheckState(preset_.AnalogInUse[i] ? Qt::Checked : Qt::Unchecked);
  ShowAnalogTabs();
  BindMixControls();
  BindAnalogControls();

  pgcAnalogParams->setVisible(false);
  for (int i = 0; i < AnalogEffectCount; ++i) {
    if (preset_.AnalogInUse[i]) {
      pgcAnalogParams->setVisible(true);
      pgcAnalogParams->setCurrentIndex(i);
      break;
    }
  }

  ShowStartHint();
  FillDigitalSelection();
  for (int i = 0; i < pgcDigitalParams->count(); ++i) {
    if (pgcDigitalParams->isTabVisible(i)) {
      pgcDigitalParams->setCurrentIndex(i);
      break;
    }
  }

  // The boxes show what the preset holds, each enabled by its family's rule; the refresh then
  // finds no family coming or going and leaves every stored state as it is.
  for (int i = 0; i < int(VexaBoxes.size()); ++i) {
    const QSignalBlocker block(VexaBoxes[i]);
    const int number = VexaChecks()[i].Number;
    vexaEnabled_[i] = VexaFamilyPresent(number);
    VexaBoxes[i]->setEnabled(vexaEnabled_[i]);
    VexaBoxes[i]->setChecked(preset_.GetVexaState(number));
  }
  RefreshVexaStates();

  FillControllerNames(grdPMctl);
  pgcPreset->setCurrentWidget(tsAnalog);
  pgcPresetChange();
  InstallChangeCallbacks();
  chkAutoSend->setChecked(true);
  sendPending_ = false;
  timSys->stop();
  SetStatus(QString());
  RefreshPerformanceAssignments();
  loading_ = false;

  PushUndo();
  UpdateUndoButtons();
}

// ---------------------------------------------------------------------------------------------
// Changes

void TfrmPresetEditor::MarkModified(bool immediate) {
  if (loading_) return;
  SetStatus(QStringLiteral("Modified"));
  if (chkAutoSend->isChecked() && !immediate && !sendPending_) sendPending_ = true;
  if (immediate) {
    // A change that leaves the preset as it was keeps what can still be redone.
    if (PushUndo()) history_.ClearRedo();
    SendPreset();
  } else if (!timSys->isActive()) {
    timSys->start();  // a running timer keeps its first deadline
  }
  UpdateUndoButtons();
}

void TfrmPresetEditor::TimerTick() {
  timSys->stop();
  if (PushUndo()) history_.ClearRedo();
  if (sendPending_) {
    sendPending_ = false;
    SendPreset();
  }
  UpdateUndoButtons();
}

void TfrmPresetEditor::BoundControlChanged() {
  MarkModified(false);
}

bool TfrmPresetEditor::SendPreset() {
  const TPresetImage image = preset_.Encode();
  if (const int at = FirstUnsendableByte(image); at >= 0) {
    // The unit would end the message at that byte and take the rest as garbage.
    MessageDlg(this, QStringLiteral("Sorry..."),
               QStringLiteral("This preset cannot be sent: byte %1 of its data is %2, which MIDI "
                              "cannot carry inside a message.")
                   .arg(at)
                   .arg(QString::number(image[at], 16).toUpper()),
               QMessageBox::Warning, QMessageBox::Ok);
    return false;
  }
  if (OnSendPreset) {
    QBuffer stream;
    stream.setData(reinterpret_cast<const char*>(image.data()), PresetDumpLength);
    stream.open(QIODevice::ReadOnly);
    const QString result = OnSendPreset(stream);
    // Anything but the sender's success text says the preset did not reach the unit; marking it
    // "Sent" would tell the user otherwise.
    if (!result.isEmpty() && result != SentResultText) {
      SetStatus(result);
      return false;
    }
  }
  const QString status = StatusText();
  if (!status.contains(QStringLiteral("Sent")))
    SetStatus(status.isEmpty() ? QStringLiteral("Sent") : status + QStringLiteral(", Sent"));
  return true;
}

void TfrmPresetEditor::edtTitleChange(const QString& text) {
  const QString title = text.left(TitleLength);
  // Showing the title is no edit of it, nor is a character the field left out.
  if (loading_ || title == preset_.Title) return;
  preset_.Title = title;
  MarkModified(true);
}

void TfrmPresetEditor::cklAnalogSelectClickCheck(int i) {
  if (i < 0 || i >= AnalogEffectCount) return;
  const bool on = cklAnalogSelect->item(i)->checkState() == Qt::Checked;
  preset_.AnalogInUse[i] = on;
  if (on) {
    int slot = AnalogSlotOffset(i);
    for (const TParamDef& def : AnalogEffectParams(i)) preset_.AnalogParams[slot++] = def.Default;
    // The controls move to the defaults; that is part of this change, not a movement of its own.
    loading_ = true;
    BindAnalogControls();
    loading_ = false;
  }
  if (!pgcAnalogParams->isVisible() && on) pgcAnalogParams->setVisible(true);
  pgcAnalogParams->setTabVisible(i, on);
  if (on) {
    // The page the effect added, in view.
    pgcPreset->setCurrentWidget(tsAnalog);
    pgcAnalogParams->setCurrentIndex(i);
  }
  RefreshPerformanceAssignments();
  const int current = pgcAnalogParams->currentIndex();
  if (current < 0 || !pgcAnalogParams->isTabVisible(current)) {
    int first = -1;
    for (int p = 0; p < pgcAnalogParams->count() && first < 0; ++p)
      if (pgcAnalogParams->isTabVisible(p)) first = p;
    if (first >= 0) pgcAnalogParams->setCurrentIndex(first);
    pgcAnalogParams->setVisible(first >= 0);
  }
  ShowStartHint();
  RefreshVexaStates();
  MarkModified(true);
}

void TfrmPresetEditor::ShowStartHint() {
  bool any = false;
  for (int i = 0; i < AnalogEffectCount; ++i) any = any || preset_.AnalogInUse[i];
  lblStartHint->setVisible(!any);
}

bool TfrmPresetEditor::VexaFamilyPresent(int number) const {
  return ::VexaFamilyPresent(preset_, number);
}

void TfrmPresetEditor::RefreshVexaStates() {
  TUndoSuppression suppress;
  for (int i = 0; i < int(VexaBoxes.size()); ++i) {
    const int number = VexaChecks()[i].Number;
    const bool present = VexaFamilyPresent(number);
    // A state the user set stays while its family stays in the chain. A family that leaves takes
    // its state with it; one that arrives was just switched on by the user, and so is its state.
    bool state = preset_.GetVexaState(number);
    if (vexaEnabled_[i] && !present) state = false;
    if (!vexaEnabled_[i] && present) state = true;
    vexaEnabled_[i] = present;
    VexaBoxes[i]->setEnabled(present);
    if (state != preset_.GetVexaState(number)) preset_.SetVexaState(number, state);
    // Part of the change that called this, which reports it once: no click of its own.
    const QSignalBlocker block(VexaBoxes[i]);
    VexaBoxes[i]->setChecked(state);
  }
}

void TfrmPresetEditor::VexaClick(int index, bool checked) {
  preset_.SetVexaState(VexaChecks()[index].Number, checked);
  MarkModified(true);
}

// ---------------------------------------------------------------------------------------------
// Keys and closing

bool TfrmPresetEditor::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
  modifiers &= ~Qt::KeypadModifier;
  if (key == Qt::Key_F9) {
    SendPreset();
    return true;
  }
  if (modifiers == Qt::ControlModifier && key == Qt::Key_Z) {
    Undo();
    return true;
  }
  if (modifiers == Qt::ControlModifier && key == Qt::Key_Y) {
    Redo();
    return true;
  }
  return false;
}

bool TfrmPresetEditor::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  // lbxDigAvailExit, lbxDigSelExit: the focus went elsewhere than to the list's own button (the
  // new focus widget is already set when the old one hears of it).
  if (type == QEvent::FocusOut) {
    const QWidget* to = QApplication::focusWidget();
    if (watched == lbxDigAvail && to != btnAddDfx) btnAddDfx->setEnabled(false);
    if (watched == lbxDigSel && to != btnDelDfx) btnDelDfx->setEnabled(false);
  }
  if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
      // Claim the keys so no control's own shortcut (the title's undo) takes them first.
      const Qt::KeyboardModifiers m = key->modifiers() & ~Qt::KeypadModifier;
      if (key->key() == Qt::Key_F9 ||
          (m == Qt::ControlModifier && (key->key() == Qt::Key_Z || key->key() == Qt::Key_Y))) {
        event->accept();
        return true;
      }
      return false;
    }
    // A key reaches the focus widget and, unhandled, its parents: take it only once.
    if (watched == QApplication::focusWidget() || watched == this) {
      if (FormKeyDown(key->key(), key->modifiers())) return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmPresetEditor::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TfrmPresetEditor::CloseAnswered() {
  closeAnswered_ = true;
  close();
  closeAnswered_ = false;  // hidden, not gone: a reused window asks again next time
}

void TfrmPresetEditor::ShowSendRefused(const QString& reason) {
  SetStatus(reason);
}

void TfrmPresetEditor::closeEvent(QCloseEvent* event) {
  if (!closeAnswered_ && !CloseQuery()) {
    event->ignore();
    return;
  }
  // A movement still settling is part of what the user did: it is recorded and, with Auto send,
  // goes to the unit now rather than never.
  if (timSys->isActive() || sendPending_) TimerTick();
  event->accept();  // hidden, not destroyed: the opener may reuse the window
}
