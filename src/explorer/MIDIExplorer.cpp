#include "explorer/MIDIExplorer.h"
#include "app/BusyCursor.h"

#include "app/DialogService.h"
#include "app/SplashAbout.h"
#include "app/kxUtility.h"
#include "explorer/MonitorCapture.h"
#include "explorer/MonitorLog.h"
#include "explorer/MsgBufEdit.h"
#include "explorer/kxMIDIMenuItem.h"
#include "midi/MidiEventText.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {

const QString kNoDevicesAdvice = QStringLiteral(
    "Please consult your system documentation\r\nfor proper installation and configuration of "
    "MIDI devices.");
const QString kMonitorCaption = QStringLiteral("MIDI Monitor");
const QString kMonitorCaptionNew = QStringLiteral("MIDI Monitor: events received");

QAction* NewAction(QObject* owner, const char* name, const QString& text) {
  auto* a = new QAction(text, owner);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

// The explorer's splitter: once the window has its final size and the page control its remembered
// width, the two panes share every later change of the window's width in proportion to their
// widths, each kept at its minimum. Until then the editor alone takes the changes, so the page
// width restored at start-up is exactly the one saved.
class TPaneSplitter : public QSplitter {
 public:
  using QSplitter::QSplitter;
  // The panes' present widths become the proportion of later resizes.
  void KeepShares() {
    const QList<int> widths = sizes();
    const int total = widths.value(0) + widths.value(1);
    share_ = count() == 2 && total > 0 ? double(widths.value(1)) / total : -1.0;
  }
  // Sets the second pane's width; the first takes the rest of the room.
  void SetSecondWidth(int width) {
    const QList<int> widths = sizes();
    const int total = widths.value(0) + widths.value(1);
    setSizes({std::max(MinimumWidth(0), total - width), width});
  }

 protected:
  void resizeEvent(QResizeEvent* e) override {
    QSplitter::resizeEvent(e);
    if (share_ < 0 || count() != 2) return;
    const QList<int> widths = sizes();
    const int total = widths.value(0) + widths.value(1);
    const int min0 = MinimumWidth(0);
    const int min1 = MinimumWidth(1);
    if (total < min0 + min1) return;
    // From the proportion kept, not from the last widths, so that shrinking and growing back
    // gives the same panes and rounding never drifts.
    const int second =
        std::clamp(static_cast<int>(std::lround(share_ * total)), min1, total - min0);
    if (second != widths.value(1)) setSizes({total - second, second});
  }

 private:
  int MinimumWidth(int i) const {
    const QWidget* w = widget(i);
    if (!w) return 0;
    return w->minimumWidth() > 0 ? w->minimumWidth() : w->minimumSizeHint().width();
  }
  double share_ = -1.0;  // the second pane's part of the room; negative until kept
};

// What an item view adds to the width of a line of text in one of its rows (the text margins of
// the style).
int ItemTextMargin(const QListView* view) {
  QStyleOptionViewItem option;
  option.initFrom(view);
  option.font = view->font();
  option.fontMetrics = view->fontMetrics();
  option.features = QStyleOptionViewItem::HasDisplay;
  option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
  option.text = QStringLiteral("X");
  const int item =
      view->style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), view).width();
  return std::max(0, item - view->fontMetrics().horizontalAdvance(option.text));
}

TPaneSplitter* PaneSplitter(QSplitter* splitter) {
  return static_cast<TPaneSplitter*>(splitter);
}

QMenu* NewMenu(QWidget* owner, const char* name, const QString& title) {
  auto* m = new QMenu(title, owner);
  m->setObjectName(QString::fromLatin1(name));
  m->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
  return m;
}

}  // namespace

TfrmMIDIExplorer::TfrmMIDIExplorer(QWidget* parent, std::shared_ptr<IMidiInDriver> inDriver,
                                   std::shared_ptr<IMidiOutDriver> outDriver)
    : QMainWindow(parent), inDriver_(std::move(inDriver)), outDriver_(std::move(outDriver)) {
  setObjectName(QStringLiteral("frmMIDIExplorer"));
  resize(822, 592);
  QFont font(QStringLiteral("Courier New"));
  font.setStyleHint(QFont::Monospace);
  font.setPixelSize(17);
  setFont(font);
  setAcceptDrops(true);
  CreateControls();
  CreateMenus();
  CreateFilePane();
  // Key preview: the window sees every key before the control that has the focus.
  qApp->installEventFilter(this);
}

TfrmMIDIExplorer::~TfrmMIDIExplorer() {
  qApp->removeEventFilter(this);
  if (!destroyed_) {
    destroyed_ = true;
    // A derived window is gone by now; only this class's part of the clean-up can run.
    TfrmMIDIExplorer::DoFormDestroy();
  }
}

void TfrmMIDIExplorer::CreateControls() {
  splVertical = new TPaneSplitter(Qt::Horizontal, this);
  splVertical->setObjectName(QStringLiteral("splVertical"));
  splVertical->setChildrenCollapsible(false);
  setCentralWidget(splVertical);

  memMsgBuf = new TMsgBufEdit(splVertical);
  memMsgBuf->setObjectName(QStringLiteral("memMsgBuf"));
  memMsgBuf->setToolTip(QStringLiteral("Dbl-click to send to MIDI out"));
  memMsgBuf->setStatusTip(memMsgBuf->toolTip());
  memMsgBuf->setFont(font());
  // The page control never squeezes the editor below a usable width.
  memMsgBuf->setMinimumWidth(50);

  pgcTab = new QTabWidget(splVertical);
  pgcTab->setObjectName(QStringLiteral("pgcTab"));
  tsExplorer = new QWidget;
  tsExplorer->setObjectName(QStringLiteral("tsExplorer"));
  tsMonitor = new QWidget;
  tsMonitor->setObjectName(QStringLiteral("tsMonitor"));
  pgcTab->addTab(tsExplorer, QStringLiteral("File Explorer"));
  pgcTab->addTab(tsMonitor, kMonitorCaption);
  splVertical->addWidget(memMsgBuf);
  splVertical->addWidget(pgcTab);
  splVertical->setStretchFactor(0, 1);
  splVertical->setStretchFactor(1, 0);
  splVertical->setSizes({822 - DesignPageWidth, DesignPageWidth});
  connect(splVertical, &QSplitter::splitterMoved, this, [this] {
    pendingPageWidth_ = pgcTab->width();
    PaneSplitter(splVertical)->KeepShares();
  });

  log_ = new TMonitorLog(this);
  lbxLog = new QListView(tsMonitor);
  lbxLog->setObjectName(QStringLiteral("lbxLog"));
  lbxLog->setModel(log_);
  // One size for every line lets the view lay out 500 lines without measuring each; the model
  // gives that size the widest line's width, so a long line is never cut at the pane's edge.
  lbxLog->setUniformItemSizes(true);
  log_->SetLineWidth([this, margin = -1](const QString& text) mutable {
    if (margin < 0) margin = ItemTextMargin(lbxLog);
    return lbxLog->fontMetrics().horizontalAdvance(text) + margin;
  });
  // A click toggles a line, so the user can gather lines while new ones keep arriving.
  lbxLog->setSelectionMode(QAbstractItemView::MultiSelection);
  lbxLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lbxLog->setContextMenuPolicy(Qt::CustomContextMenu);
  lbxLog->setWordWrap(false);
  lbxLog->setTextElideMode(Qt::ElideNone);
  auto* monitorLayout = new QVBoxLayout(tsMonitor);
  monitorLayout->setContentsMargins(0, 0, 0, 0);
  monitorLayout->addWidget(lbxLog);
  connect(log_, &TMonitorLog::Flushed, this, [this] {
    // The newest line becomes the current one and stays in sight; the lines the user selected
    // stay selected, so a delete or copy acts on them and not on what arrived meanwhile.
    const QModelIndex last = log_->index(log_->rowCount() - 1);
    lbxLog->selectionModel()->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
    lbxLog->scrollToBottom();
  });
  connect(lbxLog, &QListView::doubleClicked, this,
          [this](const QModelIndex& index) { lbxLogDblClick(index); });
  connect(pgcTab, &QTabWidget::currentChanged, this, &TfrmMIDIExplorer::pgcTabChange);

  stbStatBar = new QStatusBar(this);
  stbStatBar->setObjectName(QStringLiteral("stbStatBar"));
  stbStatBar->setSizeGripEnabled(false);
  statusPanel0_ = new QLabel(stbStatBar);
  statusPanel0_->setObjectName(QStringLiteral("stbStatBarPanel0"));
  statusPanel0_->setMinimumWidth(50);
  // A long message on a narrowed window goes on in a second line instead of being cut.
  statusPanel0_->setWordWrap(true);
  statusPanel1_ = new QLabel(QStringLiteral("Insert"), stbStatBar);
  statusPanel1_->setObjectName(QStringLiteral("stbStatBarPanel1"));
  statusPanel1_->setFixedWidth(statusPanel1_->fontMetrics().horizontalAdvance("Overwrite") + 12);
  stbStatBar->addWidget(statusPanel0_, 1);
  stbStatBar->addPermanentWidget(statusPanel1_);
  setStatusBar(stbStatBar);

  connect(memMsgBuf, &TMsgBufEdit::InsertModeChanged, this, [this] { UpdateModePanel(); });
  connect(memMsgBuf, &TMsgBufEdit::Edited, this, [this] { BufferSourceFile.clear(); });
  // Every change of the text unties the buffer from its file, whether it came by a key or from
  // the menus (Cut, Paste, Undo, Clear); a load sets the file again after its text.
  connect(memMsgBuf->document(), &QTextDocument::contentsChanged, this,
          [this] { BufferSourceFile.clear(); });
  connect(memMsgBuf, &TMsgBufEdit::DoubleClicked, this, [this] { SendTextBuffer(); });
}

void TfrmMIDIExplorer::CreateMenus() {
  QMenuBar* mnuMain = menuBar();
  mnuMain->setObjectName(QStringLiteral("mnuMain"));

  miFile = NewMenu(this, "miFile", QStringLiteral("&File"));
  miSaveAs = NewAction(this, "miSaveAs", QStringLiteral("Save message buffer &as..."));
  miClearOut = NewAction(this, "miClearOut", QStringLiteral("&Clear message buffer"));
  miExit = NewAction(this, "miExit", QStringLiteral("E&xit"));
  miFile->addAction(miSaveAs);
  miFile->addAction(miClearOut);
  miFile->addSeparator();
  miFile->addAction(miExit);
  connect(miSaveAs, &QAction::triggered, this, [this] { miSaveAsClick(); });
  connect(miClearOut, &QAction::triggered, this, [this] { miClearOutClick(); });
  connect(miExit, &QAction::triggered, this, [this] { close(); });

  miMIDIIn = NewMenu(this, "miMIDIIn", QStringLiteral("MIDI &In"));
  miClearIn = NewAction(this, "miClearIn", QStringLiteral("&Clear input log"));
  miMIDIIn->addAction(miClearIn);
  miMIDIIn->addSeparator();
  connect(miClearIn, &QAction::triggered, this, [this] { miClearInClick(); });
  inputGroup_ = new QActionGroup(this);
  inputGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

  miMIDIOut = NewMenu(this, "miMIDIOut", QStringLiteral("MIDI &Out"));
  miSend = NewAction(this, "miSend", QStringLiteral("&Send buffer to MIDI out (F9)"));
  miMIDIOut->addAction(miSend);
  connect(miSend, &QAction::triggered, this, [this] { miSendClick(); });
  miTransmitonchannel =
      NewMenu(this, "miTransmitonchannel", QStringLiteral("&Transmit on channel"));
  miMIDIOut->addMenu(miTransmitonchannel);
  auto* channels = new QActionGroup(this);
  for (int tag = 0; tag < 16; ++tag) {
    const QByteArray name = "miChannel" + QByteArray::number(tag + 1);
    QAction* item = NewAction(this, name.constData(), QString::number(tag + 1));
    item->setData(tag);
    item->setCheckable(true);
    item->setActionGroup(channels);
    miTransmitonchannel->addAction(item);
    miChannel.push_back(item);
  }
  miChannel[0]->setChecked(true);
  connect(channels, &QActionGroup::triggered, this, [this](QAction* a) { ChannelClick(a); });
  miMIDIOut->addSeparator();
  outputGroup_ = new QActionGroup(this);
  outputGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);

  miHelp = NewMenu(this, "miHelp", QStringLiteral("&Help"));
  miContents = NewAction(this, "miContents", QStringLiteral("&Contents"));
  miAbout = NewAction(this, "miAbout", QStringLiteral("&About"));
  miAbout->setStatusTip(QStringLiteral("Hey... click me!"));
  miAbout->setToolTip(miAbout->statusTip());
  miHelp->setToolTipsVisible(true);
  miHelp->addAction(miContents);
  miHelp->addAction(miAbout);
  connect(miContents, &QAction::triggered, this, [this] { miContentsClick(); });
  connect(miAbout, &QAction::triggered, this, [this] { miAboutClick(); });

  mnuMain->addMenu(miFile);
  mnuMain->addMenu(miMIDIIn);
  mnuMain->addMenu(miMIDIOut);
  mnuMain->addMenu(miHelp);
  CreateMonitorMenu();
  CreatePacingMenu();

  popInLog = NewMenu(this, "popInLog", QString());
  pmiDelete = NewAction(this, "pmiDelete", QStringLiteral("&Delete selection"));
  pmiClearinputLog = NewAction(this, "pmiClearinputLog", QStringLiteral("&Clear input Log"));
  pmiCopySelectedText =
      NewAction(this, "pmiCopySelectedText", QStringLiteral("Copy selected text"));
  pmiSetDblClickLogOpt =
      NewMenu(this, "pmiSetDblClickLogOpt", QStringLiteral("Set double-click action"));
  pmiSetLogLoadEvent =
      NewAction(this, "pmiSetLogLoadEvent", QStringLiteral("&Load event into buffer"));
  pmiSetLogEdit = NewAction(this, "pmiSetLogEdit", QStringLiteral("Open in Editor"));
  pmiSetLogSend = NewAction(this, "pmiSetLogSend", QStringLiteral("Send to MIDI Out"));
  auto* logActions = new QActionGroup(this);
  for (QAction* a : {pmiSetLogLoadEvent, pmiSetLogEdit, pmiSetLogSend}) {
    a->setCheckable(true);
    a->setActionGroup(logActions);
    pmiSetDblClickLogOpt->addAction(a);
  }
  popInLog->addAction(pmiDelete);
  popInLog->addAction(pmiClearinputLog);
  popInLog->addAction(pmiCopySelectedText);
  popInLog->addSeparator();
  popInLog->addMenu(pmiSetDblClickLogOpt);
  connect(logActions, &QActionGroup::triggered, this, [this](QAction* a) { LogActionClick(a); });
  connect(popInLog, &QMenu::aboutToShow, this, [this] { popInLogPopup(); });
  connect(pmiDelete, &QAction::triggered, this, [this] { pmiDeleteClick(); });
  connect(pmiClearinputLog, &QAction::triggered, this, [this] { miClearInClick(); });
  connect(pmiCopySelectedText, &QAction::triggered, this, [this] { pmiCopySelectedTextClick(); });
  connect(lbxLog, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { popInLog->popup(lbxLog->viewport()->mapToGlobal(p)); });

  popMsgBuf = NewMenu(this, "popMsgBuf", QString());
  pmiUndo = NewAction(this, "pmiUndo", QStringLiteral("&Undo"));
  pmiCut = NewAction(this, "pmiCut", QStringLiteral("Cu&t"));
  pmiCopy = NewAction(this, "pmiCopy", QStringLiteral("&Copy"));
  pmiPaste = NewAction(this, "pmiPaste", QStringLiteral("&Paste"));
  pmiSelectAll = NewAction(this, "pmiSelectAll", QStringLiteral("Select &All"));
  pmiBufClear = NewAction(this, "pmiBufClear", QStringLiteral("&Clear"));
  pmiSendtoMIDIOut = NewAction(this, "pmiSendtoMIDIOut", QStringLiteral("Send to MIDI &Out"));
  pmiSave = NewAction(this, "pmiSave", QStringLiteral("&Save as..."));
  popMsgBuf->addAction(pmiUndo);
  popMsgBuf->addSeparator();
  for (QAction* a : {pmiCut, pmiCopy, pmiPaste, pmiSelectAll, pmiBufClear}) popMsgBuf->addAction(a);
  popMsgBuf->addSeparator();
  popMsgBuf->addAction(pmiSendtoMIDIOut);
  popMsgBuf->addAction(pmiSave);
  connect(popMsgBuf, &QMenu::aboutToShow, this, [this] { UpdateBufferMenu(); });
  connect(pmiUndo, &QAction::triggered, memMsgBuf, &QPlainTextEdit::undo);
  connect(pmiCut, &QAction::triggered, memMsgBuf, &QPlainTextEdit::cut);
  connect(pmiCopy, &QAction::triggered, memMsgBuf, &QPlainTextEdit::copy);
  connect(pmiPaste, &QAction::triggered, this, [this] { pmiPasteClick(); });
  connect(pmiSelectAll, &QAction::triggered, this, [this] { pmiSelectAllClick(); });
  connect(pmiBufClear, &QAction::triggered, this, [this] { miClearOutClick(); });
  connect(pmiSendtoMIDIOut, &QAction::triggered, this, [this] { SendTextBuffer(); });
  connect(pmiSave, &QAction::triggered, this, [this] { SaveBuffer(); });
  connect(memMsgBuf, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& p) { popMsgBuf->popup(memMsgBuf->viewport()->mapToGlobal(p)); });
}

// ---------------------------------------------------------------------------------------------
// Start-up and shutdown

void TfrmMIDIExplorer::InitExplorer(TkxRegUtil* regUtil, const QString& appTitle) {
  regUtil_ = regUtil;
  appTitle_ = appTitle;
  {
    TBusyCursor busy;
    midiInput_ = std::make_unique<TMidiInput>(nullptr, inDriver_);
    // Through the hook, so the most derived window handles the input.
    midiInput_->OnMidiInput = [this](TMidiInput* sender) { ProcessMidiInput(sender); };
    if (midiInput_->NumDevs() == 0) {
      MessageDlg(this, QStringLiteral("Sorry..."),
                 QStringLiteral("No MIDI input device can be detected. ") + kNoDevicesAdvice,
                 QMessageBox::Warning, QMessageBox::Ok);
    }
    midiOutput_ = std::make_unique<TMidiOutput>(nullptr, outDriver_);
    midiOutput_->OnSent = [this](std::span<const std::uint8_t> message) {
      if (showOutgoing_) LogOutgoing(message);
    };
    if (midiOutput_->NumDevs() == 0) {
      MessageDlg(this, QStringLiteral("Sorry..."),
                 QStringLiteral("No MIDI output device can be detected. ") + kNoDevicesAdvice,
                 QMessageBox::Warning, QMessageBox::Ok);
    }

    pgcTab->setCurrentIndex(0);
    memMsgBuf->SetInsertMode(true);
    UpdateModePanel();

    // A value that cannot be read is shown and its default taken: the program still starts.
    const auto readString = [this](const char* name) {
      return ReadSettingOr(this, QString(),
                           [&] { return regUtil_->ReadString(QString::fromLatin1(name)); });
    };
    const auto readInteger = [this](const char* name, int defaultValue) {
      return ReadSettingOr(this, defaultValue, [&] {
        return regUtil_->ReadInteger(QString::fromLatin1(name), true, defaultValue);
      });
    };
    const QString savedIn = readString("MIDI_IN");
    const QString savedOut = readString("MIDI_OUT");
    pendingPageWidth_ = readInteger("LPW", DesignPageWidth);
    // Zero is a page folded away by the user; only a damaged value is negative or beyond any
    // widget's size.
    if (pendingPageWidth_ < 0 || pendingPageWidth_ > QWIDGETSIZE_MAX)
      pendingPageWidth_ = DesignPageWidth;
    splVertical->setSizes({std::max(50, width() - pendingPageWidth_), pendingPageWidth_});
    const int channel = readInteger("MIDI_OUT_CH", 0);
    if (channel < 0 || channel > 15) {
      // A damaged setting must not keep the program from starting: say so and use channel 1.
      ShowErrorMessage(this, QStringLiteral("Invalid MIDI channel (0 thru 15)"));
      outputChannel_ = 0;
    } else {
      outputChannel_ = channel;
    }
    miChannel[static_cast<std::size_t>(outputChannel_)]->setChecked(true);
    fileAction_ = readInteger("DBL_CLICK_FILE_ACTION", 0);
    if (fileAction_ < faEdit || fileAction_ > faSend) fileAction_ = faEdit;
    logAction_ = readInteger("DBL_CLICK_LOG_ACTION", 0);
    if (logAction_ < laLoadEvent || logAction_ > laSend) logAction_ = laLoadEvent;
    pmiSetFileEdit->setData(faEdit);
    pmiSetFileSend->setData(faSend);
    (fileAction_ == faEdit ? pmiSetFileEdit : pmiSetFileSend)->setChecked(true);
    pmiSetLogLoadEvent->setData(laLoadEvent);
    pmiSetLogEdit->setData(laEdit);
    pmiSetLogSend->setData(laSend);
    QAction* logItems[] = {pmiSetLogLoadEvent, pmiSetLogEdit, pmiSetLogSend};
    logItems[logAction_]->setChecked(true);
    ReadMonitorSettings();
    ReadPacingSettings();

    // Input devices: open device 0, then any later device with the remembered name.
    const QStringList inNames = midiInput_->DeviceNames();
    // The items take the names as listed: a device that goes between the listing and here
    // fails only when it is opened, with a message, rather than the start-up.
    for (int i = 0; i < inNames.size(); ++i) {
      auto item = std::make_unique<TkxMIDIMenuItem>(inNames[i], i, this);
      TkxMIDIMenuItem* raw = item.get();
      item->MenuItem()->setActionGroup(inputGroup_);
      item->MenuItem()->setChecked(true);
      miMIDIIn->addAction(item->MenuItem());
      connect(item->MenuItem(), &QAction::triggered, this, [this, raw] { InputDeviceClick(raw); });
      inputItems_.push_back(std::move(item));
    }
    if (!inputItems_.empty()) {
      InputDeviceClick(inputItems_[0].get());
      for (std::size_t i = 1; i < inputItems_.size(); ++i) {
        if (inputItems_[i]->DeviceName() == savedIn) InputDeviceClick(inputItems_[i].get());
      }
    }
    miMIDIIn->setEnabled(!inputItems_.empty());

    const QStringList outNames = midiOutput_->DeviceNames();
    for (int i = 0; i < outNames.size(); ++i) {
      auto item = std::make_unique<TkxMIDIMenuItem>(outNames[i], i, this);
      TkxMIDIMenuItem* raw = item.get();
      item->MenuItem()->setActionGroup(outputGroup_);
      item->MenuItem()->setChecked(true);
      miMIDIOut->addAction(item->MenuItem());
      connect(item->MenuItem(), &QAction::triggered, this, [this, raw] { OutputDeviceClick(raw); });
      outputItems_.push_back(std::move(item));
    }
    if (!outputItems_.empty()) {
      OutputDeviceClick(outputItems_[0].get());
      for (std::size_t i = 1; i < outputItems_.size(); ++i) {
        if (outputItems_[i]->DeviceName() == savedOut) OutputDeviceClick(outputItems_[i].get());
      }
    }
    miMIDIOut->setEnabled(!outputItems_.empty());
    // A remembered device that is not there yet is opened when it appears.
    if (!savedIn.isEmpty() && !inNames.contains(savedIn)) awaitedIn_ = savedIn;
    if (!savedOut.isEmpty() && !outNames.contains(savedOut)) awaitedOut_ = savedOut;
    timRescan_ = new QTimer(this);
    timRescan_->setObjectName(QStringLiteral("timDeviceRescan"));
    timRescan_->setInterval(RescanIntervalMs);
    connect(timRescan_, &QTimer::timeout, this, [this] { RescanDevicesInBackground(); });
    timRescan_->start();
    connect(miMIDIIn, &QMenu::aboutToShow, this, [this] { RescanDevices(); });
    connect(miMIDIOut, &QMenu::aboutToShow, this, [this] { RescanDevices(); });

    ShowStatus(!inputItems_.empty() && !outputItems_.empty()
                   ? QStringLiteral("MIDI devices opened")
                   : QStringLiteral("No MIDI devices found - check installation"));

    sortKey_ = fsName;
    sortAscending_ = true;
    ReadFolderHistory();
    SetFileView(0);
    RefreshFileList();

    BufferSourceFile.clear();
  }
  setWindowTitle(appTitle_);
  initialized_ = true;
  if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
    try {
      regUtil_->LoadFormRect(this);
    } catch (const ERegistryError& e) {
      ReportSettingsError(this, e);  // the window keeps its own size and place
    }
  }
}

void TfrmMIDIExplorer::InputDeviceClick(TkxMIDIMenuItem* item) {
  TBusyCursor busy;
  // The item belongs to the menu, which a rescan rebuilds: only its name is taken.
  const QString name = item->DeviceName();
  QString failure;
  try {
    // Only the input changes; the output stays open on its own device. The user's choice ends
    // any wait for a device that went away.
    awaitedIn_.clear();
    midiInput_->Close();
    midiInput_->SetProductName(name);
    midiInput_->Open();
    midiInput_->Start();
    inputClock_.start();
    ShowStatus(midiInput_->ProductName() + QStringLiteral(" opened for input"));
  } catch (const EMidiInputError& e) {
    failure = e.Message();
  }
  ShowDeviceMarks();
  if (!failure.isEmpty())
    MessageDlg(this, QStringLiteral("MIDI In error"), failure, QMessageBox::Critical,
               QMessageBox::Ok);
}

void TfrmMIDIExplorer::OutputDeviceClick(TkxMIDIMenuItem* item) {
  TBusyCursor busy;
  const QString name = item->DeviceName();
  QString failure;
  try {
    awaitedOut_.clear();
    midiOutput_->Close();
    midiOutput_->SetProductName(name);
    midiOutput_->Open();
    ShowStatus(midiOutput_->ProductName() + QStringLiteral(" opened for output"));
  } catch (const EmidioutputError& e) {
    failure = e.Message();
  }
  ShowDeviceMarks();
  if (!failure.isEmpty())
    MessageDlg(this, QStringLiteral("MIDI Out error"), failure, QMessageBox::Critical,
               QMessageBox::Ok);
}

void TfrmMIDIExplorer::RememberInt(const QString& name, int value) {
  if (!regUtil_) return;
  try {
    regUtil_->WriteInteger(name, value);
  } catch (const ERegistryError& e) {
    ShowErrorMessage(this, e.Message());
  }
}

void TfrmMIDIExplorer::ChannelClick(QAction* item) {
  outputChannel_ = item->data().toInt();
  RememberInt(QStringLiteral("MIDI_OUT_CH"), outputChannel_);
  item->setChecked(true);
}

void TfrmMIDIExplorer::LogActionClick(QAction* item) {
  logAction_ = item->data().toInt();
  RememberInt(QStringLiteral("DBL_CLICK_LOG_ACTION"), logAction_);
  item->setChecked(true);
}

void TfrmMIDIExplorer::FileActionClick(QAction* item) {
  fileAction_ = item->data().toInt();
  RememberInt(QStringLiteral("DBL_CLICK_FILE_ACTION"), fileAction_);
  item->setChecked(true);
}

void TfrmMIDIExplorer::DoFormShow() {}

void TfrmMIDIExplorer::DoFormActivate() {
  if (initialized_) return;
  ShowErrorMessage(this, QStringLiteral("Not Initialized"));
  QCoreApplication::exit(1);
}

void TfrmMIDIExplorer::DoFormKeyDown(int& key, Qt::KeyboardModifiers shift) {
  if (key == Qt::Key_C && shift == Qt::ControlModifier && sending_) {
    StopSending();
    key = 0;
  } else if (key == Qt::Key_F9) {
    miSendClick();
    key = 0;
  } else if (key == Qt::Key_F5) {
    RefreshFileList();
    key = 0;
  }
}

void TfrmMIDIExplorer::DoFormClose() {
  if (timRescan_) timRescan_->stop();
  StopSending();
  StopCapture();
  if (midiInput_) {
    if (!inputItems_.empty() && midiInput_->IsOpen() && regUtil_) {
      regUtil_->WriteString(QStringLiteral("MIDI_IN"), midiInput_->ProductName());
    }
    midiInput_->Close();
  }
  if (midiOutput_) {
    if (!outputItems_.empty() && midiOutput_->IsOpen() && regUtil_) {
      regUtil_->WriteString(QStringLiteral("MIDI_OUT"), midiOutput_->ProductName());
    }
    midiOutput_->Close();
    ShowStatus(QStringLiteral("MIDI devices closed"));
  }
  if (regUtil_) {
    regUtil_->SaveFormRect(this);
    regUtil_->WriteInteger(QStringLiteral("LPW"), pgcTab->width());
    WriteFolderHistory();
  }
}

void TfrmMIDIExplorer::DoFormDestroy() {
  capture_.reset();
  inputItems_.clear();
  outputItems_.clear();
  midiInput_.reset();
  midiOutput_.reset();
  while (log_ && log_->Count() > 0) DeleteLogItem(0);
  selectedFileNames_.clear();
}

void TfrmMIDIExplorer::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  DoFormDestroy();
}

void TfrmMIDIExplorer::FormShow() {
  DoFormShow();
}
void TfrmMIDIExplorer::FormActivate() {
  DoFormActivate();
}
void TfrmMIDIExplorer::FormKeyDown(int& key, Qt::KeyboardModifiers shift) {
  DoFormKeyDown(key, shift);
}
void TfrmMIDIExplorer::FormClose() {
  DoFormClose();
}

void TfrmMIDIExplorer::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  if (!e->spontaneous()) {
    // The window has its size now: the page control gets its remembered width and the editor
    // what is left; from here on both share the window's changes.
    PaneSplitter(splVertical)->SetSecondWidth(pendingPageWidth_);
    PaneSplitter(splVertical)->KeepShares();
    FormShow();
  }
}

void TfrmMIDIExplorer::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TfrmMIDIExplorer::closeEvent(QCloseEvent* e) {
  if (!DoFormCloseQuery()) {
    e->ignore();
    return;
  }
  try {
    FormClose();
  } catch (const ERegistryError& error) {
    ShowErrorMessage(this, error.Message());
  } catch (const EMidiInputError& error) {
    ShowErrorMessage(this, error.Message());
  } catch (const EmidioutputError& error) {
    ShowErrorMessage(this, error.Message());
  }
  e->accept();
}

void TfrmMIDIExplorer::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  if (!isVisible()) return;
  // The panes have shared the change by now (the splitter is laid out before this runs); a
  // later showing keeps the widths they have.
  pendingPageWidth_ = pgcTab->width();
  statusPanel0_->setMaximumWidth(std::max(50, static_cast<int>(std::lround(width() * 0.8))));
}

bool TfrmMIDIExplorer::eventFilter(QObject* watched, QEvent* e) {
  // Every key press is announced by its shortcut check and followed by its release: the next
  // press is a new one even when it comes in the same memory, as presses made one after the
  // other usually do.
  if (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyRelease)
    previewedKey_ = nullptr;
  if (e->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    if (widget->window() == this) {
      // The same event travels up from the focused control to the window; preview it once.
      auto* target = qobject_cast<QWidget*>(previewedTarget_.data());
      const bool again = e == previewedKey_ && target && widget->isAncestorOf(target);
      if (!again) {
        previewedKey_ = e;
        previewedTarget_ = watched;
        auto* ke = static_cast<QKeyEvent*>(e);
        int key = ke->key();
        FormKeyDown(key, ke->modifiers());
        if (key == 0) return true;
      }
      auto* ke = static_cast<QKeyEvent*>(e);
      const bool enter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
      // A view gets keys itself only while no caption is being edited (the editor has them then).
      if (watched == lvwFileList || watched == lvwFileListIcons) {
        if (enter) {
          lvwFileListDblClick();
          return true;
        }
        if (ke->key() == Qt::Key_Delete) {
          pmiDeleteFileClick();
          return true;
        }
      }
      if (enter && watched == cbxFolder->lineEdit()) {
        cbxFolderEnter();
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, e);
}

void TfrmMIDIExplorer::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TfrmMIDIExplorer::dropEvent(QDropEvent* e) {
  const QList<QUrl> urls = e->mimeData()->urls();
  if (urls.isEmpty() || !urls.first().isLocalFile()) return;
  e->acceptProposedAction();
  LoadFileIntoBuffer(urls.first().toLocalFile());
}

// ---------------------------------------------------------------------------------------------
// Status bar and menus

void TfrmMIDIExplorer::SetStatusPanels(const QString& text) {
  statusPanel0_->setText(text);
  UpdateModePanel();
}

void TfrmMIDIExplorer::UpdateModePanel() {
  statusPanel1_->setText(memMsgBuf->InsertMode() ? QStringLiteral("Insert")
                                                 : QStringLiteral("Overwrite"));
}

void TfrmMIDIExplorer::ShowStatus(const QString& text) {
  SetStatusPanels(text);
  emit StatusShown(text);
  // Painted at once, so it is seen during long work; no other handler runs here. Whoever shows a
  // status between reading state and using it can rely on the state holding.
  if (stbStatBar->isVisible()) stbStatBar->repaint();
}

QString TfrmMIDIExplorer::StatusText(int panel) const {
  return panel == 0 ? statusPanel0_->text() : statusPanel1_->text();
}

bool TfrmMIDIExplorer::InsertMode() const {
  return memMsgBuf->InsertMode();
}

void TfrmMIDIExplorer::AddMenuBeforeHelp(QMenu* topItem) {
  menuBar()->insertMenu(miHelp->menuAction(), topItem);
}

void TfrmMIDIExplorer::AddBufferMenuItem(QAction* item) {
  popMsgBuf->addAction(item);
}

bool TfrmMIDIExplorer::CheckMidiOut(bool showMonitor) {
  if (!midiOutput_ || !midiOutput_->IsOpen()) {
    MessageDlg(this, QStringLiteral("MIDI communications error"),
               QStringLiteral("MIDI Out device not available"), QMessageBox::Critical,
               QMessageBox::Ok);
    return false;
  }
  if (showMonitor) pgcTab->setCurrentWidget(tsMonitor);
  return true;
}

QString InstalledGuideFolder(const QString& programDir) {
  // Relative to the program, so an installation works under any prefix it is moved to.
  return QDir::cleanPath(programDir + QLatin1Char('/') + QStringLiteral(ZQN_GUIDE_RELATIVE_DIR));
}

QString GuideFolder(const QString& programDir) {
  const QString guide = QStringLiteral("/contents.htm");
  if (QFileInfo(programDir + guide).isFile()) return programDir;
  const QString installed = InstalledGuideFolder(programDir);
  if (QFileInfo(installed + guide).isFile()) return installed;
  return programDir;
}

QString HelpBrowserProblem(const QString& browserSetting) {
  // The setting may list several browsers; the first is the one tried.
  const QString browser = browserSetting.section(QLatin1Char(':'), 0, 0).trimmed();
  if (!browser.isEmpty()) {
    const QString program = browser.section(QLatin1Char(' '), 0, 0);
    const QString path =
        program.contains(QLatin1Char('/')) ? program : QStandardPaths::findExecutable(program);
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) return QStringLiteral("Browser path not found");
    if (!info.isFile() || !info.isExecutable())
      return QStringLiteral("Browser executable is not valid");
  }
  return QStringLiteral("Cannot find browser to view help file");
}

QString TfrmMIDIExplorer::HelpFolder() const {
  return helpFolder_.isEmpty() ? GuideFolder(QCoreApplication::applicationDirPath()) : helpFolder_;
}

void TfrmMIDIExplorer::miContentsClick() {
  TBusyCursor busy;
  const QString page = WithTrailingSeparator(HelpFolder()) + QStringLiteral("contents.htm");
  QString problem;
  if (!QFileInfo(page).isFile()) {
    problem = QStringLiteral("Help file \"contents.htm\" not found");
  } else if (!OpenUrl(QUrl::fromLocalFile(page))) {
    // No browser could be started: the guide is plain HTML, so the program shows it itself, and
    // the status bar says what kept the browser from showing it.
    ShowHelpWindow(page);
    ShowStatus(HelpBrowserProblem(qEnvironmentVariable("BROWSER")));
  }
  if (!problem.isEmpty()) {
    MessageDlg(this, QStringLiteral("Unable to open help"), problem, QMessageBox::Warning,
               QMessageBox::Ok);
  }
}

void TfrmMIDIExplorer::ShowHelpWindow(const QString& page) {
  if (!helpWindow_) {
    helpWindow_ = new QTextBrowser(this);
    helpWindow_->setWindowFlags(Qt::Window);
    helpWindow_->setObjectName(QStringLiteral("frmHelp"));
    helpWindow_->setWindowTitle(QStringLiteral("Help - ") + appTitle_);
    helpWindow_->setOpenExternalLinks(true);
    helpWindow_->resize(640, 560);
  }
  helpWindow_->setSearchPaths({QFileInfo(page).absolutePath()});
  helpWindow_->setSource(QUrl::fromLocalFile(page));
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void TfrmMIDIExplorer::miAboutClick() {
  ShowSplashAbout(this, true);
}

// ---------------------------------------------------------------------------------------------
// Monitor log

void TfrmMIDIExplorer::ProcessMidiInput(TMidiInput* sender) {
  TMidiInput* port = sender ? sender : midiInput_.get();
  if (!port) return;
  int taken = 0;
  int lastLength = -1;
  while (port->MessageCount() > 0) {
    // A device that sends without pause must not keep the window from repainting and from
    // handling the user: after one ring's worth, the rest waits for the next turn.
    if (taken == MaxEventsPerTurn) {
      ScheduleMidiInput();
      break;
    }
    std::unique_ptr<TMyMidiEvent> event = port->GetMidiEvent();
    if (!event) break;
    ++taken;
    if (capture_) CaptureEvent(*event);
    if (const int length = HandleMidiEvent(std::move(event)); length >= 0) lastLength = length;
  }
  if (lastLength >= 0) ShowReceivedStatus(lastLength);
}

int TfrmMIDIExplorer::HandleMidiEvent(std::unique_ptr<TMyMidiEvent> event) {
  return LogMidiEvent(std::move(event));
}

int TfrmMIDIExplorer::LogMidiEvent(std::unique_ptr<TMyMidiEvent> event) {
  return LogEventLine(std::move(event), QString());
}

int TfrmMIDIExplorer::LogEventLine(std::unique_ptr<TMyMidiEvent> event, const QString& mark) {
  const int length = MidiEventLength(*event);
  if (paused_ || !filter_.Shows(*event)) {
    ++hiddenEvents_;
    return length;
  }
  if (LogCount() > MaxLogLines - 1) DeleteLogItem(0);
  const QString note = LogLineNote(*event);
  const int room = MaxLogLineLength - static_cast<int>(mark.size());
  TNotedLine line;
  if (note.isEmpty()) {
    line.Line = MonitorLineText(*event, room);
  } else {
    line = NotedLineText(*event, note, ShownLogLineLength - static_cast<int>(mark.size()), room);
  }
  if (!mark.isEmpty()) {
    line.Line.prepend(mark);
    if (!line.Full.isEmpty()) line.Full.prepend(mark);
  }
  AddLogLine(line.Line);
  if (LogCount() > 0) {
    if (!line.Full.isEmpty()) log_->SetFullText(LogCount() - 1, line.Full);
    log_->Attach(LogCount() - 1, std::move(event));
  }
  if (pgcTab->currentWidget() != tsMonitor && !monitorMarked_) {
    pgcTab->setTabText(pgcTab->indexOf(tsMonitor), kMonitorCaptionNew);
    monitorMarked_ = true;
  }
  return length;
}

QString TfrmMIDIExplorer::LogLineNote(const TMyMidiEvent&) const {
  return {};
}

QString TfrmMIDIExplorer::ReceivedStatus(int length) {
  return QStringLiteral("Received ") + QString::number(length) + QStringLiteral(" MIDI in bytes");
}

void TfrmMIDIExplorer::ShowReceivedStatus(int length) {
  // One status per batch: the text of the last event is what stays visible anyway.
  SetStatusPanels(ReceivedStatus(length));
}

void TfrmMIDIExplorer::ScheduleMidiInput() {
  if (retryPosted_) return;
  retryPosted_ = true;
  QTimer::singleShot(0, this, [this] {
    retryPosted_ = false;
    if (midiInput_ && midiInput_->MessageCount() > 0) ProcessMidiInput(midiInput_.get());
  });
}

void TfrmMIDIExplorer::AddLogLine(const QString& text) {
  // The view follows in its next batch: it selects the new line and scrolls it into sight.
  log_->Append(text);
}

void TfrmMIDIExplorer::DeleteLogItem(int index) {
  log_->Delete(index);
}

int TfrmMIDIExplorer::LogCount() const {
  return log_->Count();
}
QString TfrmMIDIExplorer::LogLine(int index) const {
  return log_->Line(index);
}
TMyMidiEvent* TfrmMIDIExplorer::LogEvent(int index) const {
  return log_->Event(index);
}
void TfrmMIDIExplorer::FlushLogView() {
  log_->Flush();
}

void TfrmMIDIExplorer::pgcTabChange(int index) {
  if (pgcTab->widget(index) == tsMonitor) {
    pgcTab->setTabText(index, kMonitorCaption);
    monitorMarked_ = false;
  }
}

int TfrmMIDIExplorer::SelectedLogIndex() const {
  const QModelIndex current = lbxLog->currentIndex();
  if (current.isValid() && lbxLog->selectionModel()->isSelected(current)) return current.row();
  const QModelIndexList selected = lbxLog->selectionModel()->selectedRows();
  return selected.isEmpty() ? -1 : selected.first().row();
}

void TfrmMIDIExplorer::popInLogPopup() {
  log_->Flush();
  const bool anySelected = lbxLog->selectionModel()->hasSelection();
  pmiDelete->setEnabled(anySelected);
  pmiClearinputLog->setEnabled(log_->Count() > 0);
  pmiCopySelectedText->setEnabled(anySelected);
}

void TfrmMIDIExplorer::pmiDeleteClick() {
  log_->Flush();
  for (int i = log_->Count() - 1; i >= 0; --i) {
    if (lbxLog->selectionModel()->isRowSelected(i, QModelIndex())) DeleteLogItem(i);
  }
}

void TfrmMIDIExplorer::miClearInClick() {
  log_->Flush();
  for (int n = log_->Count(); n > 0; --n) DeleteLogItem(0);
}

void TfrmMIDIExplorer::pmiCopySelectedTextClick() {
  log_->Flush();
  QString text;
  for (int i = 0; i < log_->Count(); ++i) {
    if (lbxLog->selectionModel()->isRowSelected(i, QModelIndex())) {
      // A line shown shortened is copied whole.
      text += log_->FullText(i) + QStringLiteral("\r\n");
    }
  }
  QGuiApplication::clipboard()->setText(text);
}

void TfrmMIDIExplorer::lbxLogDblClick(const QModelIndex& clicked) {
  // The line under the pointer, followed through the catch-up of the view: lines that arrived
  // since it was drawn must not take its place.
  const QPersistentModelIndex line(clicked);
  log_->Flush();
  if (!line.isValid()) return;  // dropped as the oldest meanwhile
  const int index = line.row();
  const TMyMidiEvent* event = log_->Event(index);
  if (!event) {
    ShowStatus(logAction_ == laEdit
                   ? QStringLiteral("The selected item cannot be edited")
                   : QStringLiteral("MIDI data is unavailable for the selected item"));
    return;
  }
  LoadEventIntoBuffer(*event);
  if (logAction_ == laEdit) {
    EditBuffer();
  } else if (logAction_ == laSend) {
    miSendClick();
  }
}

void TfrmMIDIExplorer::pmiLoadEventIntoBufferClick() {
  log_->Flush();
  const int index = SelectedLogIndex();
  const TMyMidiEvent* event = index < 0 ? nullptr : log_->Event(index);
  if (!event) {
    ShowStatus(QStringLiteral("MIDI data is unavailable for the selected item"));
    return;
  }
  LoadEventIntoBuffer(*event);
}
