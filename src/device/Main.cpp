#include "device/Main.h"
#include "app/BusyCursor.h"

#include "app/DialogService.h"
#include "app/PrintPage.h"
#include "app/kxUtility.h"
#include "editor/PresetEditor.h"
#include "library/CompareWindow.h"
#include "library/LibraryWindow.h"
#include "library/PresetLibrary.h"
#include "midi/MidiEventText.h"
#include "mpt/MPTEdit.h"
#include "preset/Preset.h"
#include "preset/PresetError.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QIODevice>
#include <QMenu>
#include <QPrinter>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTimer>
#include <limits>

namespace {

const char* const kObsoleteValues[] = {"ZQN_REQ_DELAY", "LEFT_PANE_WIDTH", "RECT_MAIN", "RECT_MPT"};

const QString kLineBusy = QStringLiteral(
    "Not sent: a backup or listing is running (Ctrl-c in the main window aborts it)");

}  // namespace

TfrmMain::TfrmMain(QWidget* parent, std::shared_ptr<IMidiInDriver> inDriver,
                   std::shared_ptr<IMidiOutDriver> outDriver)
    : TfrmMIDIExplorer(parent, std::move(inDriver), std::move(outDriver)) {
  setObjectName(QStringLiteral("frmMain"));
  timPresetReq = new QTimer(this);
  timPresetReq->setObjectName(QStringLiteral("timPresetReq"));
  timPresetReq->setInterval(10000);
  connect(timPresetReq, &QTimer::timeout, this, &TfrmMain::timPresetReqTimer);
}

TfrmMain::~TfrmMain() {
  DoFormDestroy();
}

void TfrmMain::InitExplorer(TkxRegUtil* regUtil, const QString& appTitle) {
  TfrmMIDIExplorer::InitExplorer(regUtil, appTitle);
  try {
    for (const char* name : kObsoleteValues) regUtil->DeleteValue(QString::fromLatin1(name));
  } catch (const ERegistryError& e) {
    ReportSettingsError(this, e);  // left for the next start
  }

  BuildRequestsMenu();
  BuildPresetsMenu();
  BuildMptMenu();
  // A value that cannot be read is shown and its default taken.
  miPreKinetic->setChecked(ReadSettingOr(
      this, false, [&] { return regUtil->ReadBool(QStringLiteral("PRE_KINETIC"), true, false); }));
  miBypass->setChecked(false);

  RequestDelay = ReadSettingOr(this, DefaultRequestDelay, [&] {
    return regUtil->ReadInteger(QStringLiteral("ZQNReqDelay"), true, DefaultRequestDelay);
  });
  // A zero (or a damaged negative) delay would make every wait and time-out instant. A long one is
  // the user's choice for a slow unit and is kept; the fixed reply time-out copes with it.
  if (RequestDelay <= 0) RequestDelay = DefaultRequestDelay;
  DeviceChannel = static_cast<std::uint8_t>(OutputChannel());
  ApplyPreKineticMode();
  Device.CurrentBank = -1;
  if (!childWindows_) childWindows_ = new TChildWindowList;
}

void TfrmMain::BuildRequestsMenu() {
  miZQNRequests = new QMenu(QStringLiteral("ZQN Tarvo Requests"), this);
  miZQNRequests->setObjectName(QStringLiteral("miZQNRequests"));
  auto add = [this](const char* name, const QString& caption, auto handler) {
    QAction* a = miZQNRequests->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  miGetCurrentPreset = add("miGetCurrentPreset", QStringLiteral("Get current preset only (F10)"),
                           [this] { GetEditPreset(); });
  miGetSaveEach = add("miGetSaveEach", QStringLiteral("Get/Save each preset individually..."),
                      [this] { StartSequence(true); });
  miPrintList = add("miPrintList", QStringLiteral("Print list of presets..."),
                    [this] { StartSequence(false); });
  miBulkDump = add("miBulkDump", QStringLiteral("Get preset bulk dump"), [this] {
    if (LineFree())
      SendRequest(AllPresetsRequestMessage(), true, QStringLiteral("All Preset Request issued"));
  });
  miZQNRequests->addSeparator();
  miGetMPT = add("miGetMPT", QStringLiteral("Get MPT Table"), [this] {
    if (LineFree()) SendRequest(MptRequestMessage(), true, QStringLiteral("MPT Request issued"));
  });
  miBypass = add("miBypass", QStringLiteral("Bypass"), [this] { BypassClick(); });
  miBypass->setCheckable(true);
  miZQNRequests->addSeparator();
  for (int b = 0; b < BankCount; ++b) {
    const QString letter = TDeviceState::BankLetter(b);
    miBank[b] = add(qPrintable("miBank" + letter), QStringLiteral("Select Bank &") + letter,
                    [this, b] { SelectBankClick(b); });
  }
  miZQNRequests->addSeparator();
  miPreKinetic =
      add("miPreKinetic", QStringLiteral("Use Pre-Kinetic options"), [this] { PreKineticClick(); });
  miPreKinetic->setCheckable(true);
  AddMenuBeforeHelp(miZQNRequests);

  // The unit can only be reached with both directions of the cable.
  const bool devices = MidiInput()->NumDevs() > 0 && MidiOutput()->NumDevs() > 0;
  miZQNRequests->setEnabled(devices);
  miZQNRequests->menuAction()->setEnabled(devices);

  pmiEdit = new QAction(QStringLiteral("&Edit..."), this);
  pmiEdit->setObjectName(QStringLiteral("pmiEdit"));
  connect(pmiEdit, &QAction::triggered, this, [this] { EditBuffer(); });
  AddBufferMenuItem(pmiEdit);
}

void TfrmMain::BuildPresetsMenu() {
  miPresets = new QMenu(QStringLiteral("Presets"), this);
  miPresets->setObjectName(QStringLiteral("miPresets"));
  auto add = [this](const char* name, const QString& caption, auto handler) {
    QAction* a = miPresets->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  miOpenPreset = add("miOpenPreset", QStringLiteral("Open current file in editor"),
                     [this] { OpenPresetEditor(); });
  miNewPreset = add("miNewPreset", QStringLiteral("New preset"), [this] { NewPresetEditor(); });
  miPresets->addSeparator();
  miRestore = add("miRestore", QStringLiteral("Restore presets from folder..."),
                  [this] { RestoreClick(); });
  miSnapshot =
      add("miSnapshot", QStringLiteral("Snapshot the whole unit..."), [this] { SnapshotClick(); });
  miPresets->addSeparator();
  miLibrary = add("miLibrary", QStringLiteral("Library..."), [this] { OpenLibrary(); });
  miCompareEditors =
      add("miCompareEditors", QStringLiteral("Compare open editors"), [this] { CompareEditors(); });
  // Opening the menu tests the buffer, which also names the preset in the status bar.
  connect(miPresets, &QMenu::aboutToShow, this, [this] {
    miOpenPreset->setEnabled(BufferHoldsPreset());
    int presetEditors = 0;
    for (QWidget* w : OpenEditors()) presetEditors += qobject_cast<TfrmPresetEditor*>(w) != nullptr;
    miCompareEditors->setEnabled(presetEditors == 2);
  });
  AddMenuBeforeHelp(miPresets);
  miPresets->menuAction()->setEnabled(miZQNRequests->isEnabled());
}

void TfrmMain::BuildMptMenu() {
  miMPT = new QMenu(QStringLiteral("MPT"), this);
  miMPT->setObjectName(QStringLiteral("miMPT"));
  miOpenMPT = miMPT->addAction(QStringLiteral("Open current file in editor"));
  miOpenMPT->setObjectName(QStringLiteral("miOpenMPT"));
  connect(miOpenMPT, &QAction::triggered, this, [this] { OpenMptEditor(); });
  miNewMPT = miMPT->addAction(QStringLiteral("New MPT table"));
  miNewMPT->setObjectName(QStringLiteral("miNewMPT"));
  connect(miNewMPT, &QAction::triggered, this, [this] { NewMptEditor(); });
  connect(miMPT, &QMenu::aboutToShow, this, [this] { miOpenMPT->setEnabled(BufferHoldsMpt()); });
  AddMenuBeforeHelp(miMPT);
  miMPT->menuAction()->setEnabled(miZQNRequests->isEnabled());
}

TfrmMPTEdit* TfrmMain::NewMptEditor() {
  TBusyCursor busy;
  // The editor frees itself when closed; those still open go with the main window.
  auto* editor = new TfrmMPTEdit(this, RegUtil());
  editor->AppTitle = AppTitle();
  editor->OnSendMPT = [this](QIODevice& stream) { return OnSendMPT(stream); };
  editor->show();
  return editor;
}

TfrmMPTEdit* TfrmMain::OpenMptEditor() {
  if (!BufferHoldsMpt()) return nullptr;
  TBusyCursor busy;
  auto* editor = new TfrmMPTEdit(this, RegUtil());
  editor->AppTitle = AppTitle();
  editor->OnSendMPT = [this](QIODevice& stream) { return OnSendMPT(stream); };
  QByteArray bytes(reinterpret_cast<const char*>(MessageBuffer.Bytes.data()), MptDumpLength);
  QBuffer stream(&bytes);
  stream.open(QIODevice::ReadOnly);
  editor->LoadTable(stream);
  // The buffer may have been edited since it was read: the editor names no file. A table opened
  // from a file as such is named by OpenFiles.
  editor->show();
  return editor;
}

void TfrmMain::ConnectEditor(TfrmPresetEditor* editor) {
  editor->AppTitle = AppTitle();
  editor->Settings = RegUtil();
  editor->OnSendPreset = [this](QIODevice& stream) { return OnSendPreset(stream); };
  editor->OnSendRaw = [this, window = QPointer<TfrmPresetEditor>(editor)](const std::uint8_t* bytes,
                                                                          std::uint16_t length) {
    if (!OnSendRaw(bytes, length) && window && SequenceOwnsLine())
      window->ShowSendRefused(kLineBusy);
  };
  editor->OnGetPresetNo = [this] { return OnGetPresetNo(); };
}

TfrmPresetEditor* TfrmMain::OpenPresetEditor() {
  if (!BufferHoldsPreset()) return nullptr;
  TBusyCursor busy;
  TfrmPresetEditor* editor = nullptr;
  for (int i = 0; i < childWindows_->Count() && !editor; ++i) {
    auto* candidate = qobject_cast<TfrmPresetEditor*>(childWindows_->At(i));
    if (candidate && !candidate->isVisible()) editor = candidate;
  }
  if (editor) {
    editor->ResetEditor();
  } else {
    editor = new TfrmPresetEditor(nullptr);
    childWindows_->Add(editor);
  }
  ConnectEditor(editor);
  QByteArray bytes(reinterpret_cast<const char*>(MessageBuffer.Bytes.data()), PresetDumpLength);
  QBuffer stream(&bytes);
  stream.open(QIODevice::ReadOnly);
  try {
    editor->LoadPreset(stream, BufferSourceFile);
  } catch (const EPresetError& e) {
    ShowErrorMessage(this, QString::fromStdString(e.what()));
    return nullptr;
  }
  editor->show();
  return editor;
}

TfrmLibrary* TfrmMain::OpenLibrary() {
  if (!library_) {
    TBusyCursor busy;
    QString file = LibraryDatabaseFile;
    if (file.isEmpty())
      file = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
             QStringLiteral("/preset library.sqlite");
    library_ = new TfrmLibrary(std::make_unique<TPresetLibrary>(file));
    ownedObjects_.append(library_);
    library_->OnOpenFile = [this](const QString& f) { OpenFiles({f}); };
    library_->OnSendDump = [this](const QByteArray& dump) {
      QByteArray bytes = dump;
      QBuffer stream(&bytes);
      stream.open(QIODevice::ReadOnly);
      return OnSendPreset(stream);
    };
    library_->OnStoreDump = [this](const QByteArray& dump, int number, bool sendFirst) {
      if (sendFirst) {
        QByteArray bytes = dump;
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        const QString sent = OnSendPreset(stream);
        if (sent != SentResultText) return sent;
        // The unit needs the time to take the preset into its edit buffer.
        Delay(RequestDelay);
      }
      const QByteArray message = StorePresetMessage(PresetNumberToIndex(number));
      if (!OnSendRaw(reinterpret_cast<const std::uint8_t*>(message.constData()),
                     std::uint16_t(message.size())))
        return QStringLiteral("Not stored: the store message was not sent");
      return QStringLiteral("stored");
    };
    library_->OnRestoreFiles = [this](const QStringList& files) { RestoreFiles(files); };
    library_->OnFetchEditBuffer = [this](QString* why) { return FetchEditPreset(why); };
    library_->OnRevealFile = [this](const QString& f) {
      RevealFile(f);
      raise();
      activateWindow();
    };
    library_->show();
    // The backup's output folder is where a user's presets are, unless they say otherwise.
    const QString backups = OutputDir.isEmpty() ? CurrentFolder() : OutputDir;
    library_->OpenLibrary(backups.isEmpty() ? QStringList() : QStringList{backups});
  }
  library_->show();
  library_->raise();
  library_->activateWindow();
  return library_;
}

void TfrmMain::CompareEditors() {
  QList<TfrmPresetEditor*> editors;
  for (QWidget* w : OpenEditors())
    if (auto* e = qobject_cast<TfrmPresetEditor*>(w)) editors << e;
  if (editors.size() != 2) {
    ShowStatus(QStringLiteral("Open two preset editors to compare them"));
    return;
  }
  auto* window = qobject_cast<TfrmCompare*>(editorCompare_.data());
  if (!window) {
    window = new TfrmCompare(nullptr);
    editorCompare_ = window;
    ownedObjects_.append(window);
  }
  const auto name = [](TfrmPresetEditor* e) {
    return e->FileName().isEmpty() ? QStringLiteral("not saved") : e->FileName();
  };
  window->ShowComparison(editors[0]->Preset(), name(editors[0]), editors[1]->Preset(),
                         name(editors[1]));
  window->show();
  window->raise();
}

TfrmPresetEditor* TfrmMain::NewPresetEditor() {
  TBusyCursor busy;
  // Never reused: it belongs to the main window until the program ends.
  auto* editor = new TfrmPresetEditor(nullptr);
  ownedObjects_.append(editor);
  ConnectEditor(editor);
  editor->show();
  return editor;
}

void TfrmMain::ApplyPreKineticMode() {
  SetPreKineticMode(miPreKinetic->isChecked());
  miBank[0]->setEnabled(!PreKineticMode);
  for (int b = 1; b < BankCount; ++b) miBank[b]->setEnabled(miBank[0]->isEnabled());
}

void TfrmMain::DoFormShow() {
  closing_ = false;
  // The check waits for the unit's answers with the event loop running; started once the show has
  // returned, it lets the window paint at once instead of after the waits.
  QTimer::singleShot(0, this, [this] { OnlineCheck(); });
  TfrmMIDIExplorer::DoFormShow();
}

void TfrmMain::DoFormClose() {
  closing_ = true;
  // A wait under way (a long request delay, a store's pause) would keep the program from ending.
  EndWaits();
  if (TkxRegUtil* reg = RegUtil()) {
    reg->WriteInteger(QStringLiteral("ZQNReqDelay"), RequestDelay);
    reg->WriteBool(QStringLiteral("PRE_KINETIC"), miPreKinetic && miPreKinetic->isChecked());
  }
  TfrmMIDIExplorer::DoFormClose();
}

QList<QWidget*> TfrmMain::OpenEditors() const {
  QList<QWidget*> editors;
  const auto take = [&editors](QObject* o) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && w->isVisible() &&
        (qobject_cast<TfrmPresetEditor*>(w) || qobject_cast<TfrmMPTEdit*>(w)))
      editors.append(w);
  };
  if (childWindows_)
    for (int i = 0; i < childWindows_->Count(); ++i) take(childWindows_->At(i));
  for (QObject* o : ownedObjects_) take(o);
  for (QObject* o : children()) take(o);
  return editors;
}

bool TfrmMain::DoFormCloseQuery() {
  // A question's loop lets other handlers run; an editor that went meanwhile is passed over.
  QList<QPointer<QWidget>> editors;
  for (QWidget* w : OpenEditors()) editors << w;
  // Every question first: a Cancel on the last editor must not find the first ones already gone.
  for (QWidget* w : editors) {
    if (!w) continue;
    w->raise();
    if (auto* preset = qobject_cast<TfrmPresetEditor*>(w)) {
      if (!preset->CloseQuery()) return false;
    } else if (auto* table = qobject_cast<TfrmMPTEdit*>(w)) {
      if (!table->FormCloseQuery()) return false;
    }
  }
  for (QWidget* w : editors) {
    if (auto* preset = qobject_cast<TfrmPresetEditor*>(w))
      preset->CloseAnswered();
    else if (auto* table = qobject_cast<TfrmMPTEdit*>(w))
      table->CloseAnswered();
  }
  // The run would go on talking to ports that are about to close.
  if (Running) AbortSequence();
  RunAbort();
  return true;
}

void TfrmMain::DoFormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  timPresetReq->stop();
  if (Running) StopSequence();
  EndListing();          // a listing begun by a run that never got going
  delete childWindows_;  // frees every editor opened from the buffer
  childWindows_ = nullptr;
  while (!ownedObjects_.isEmpty()) {
    QObject* o = ownedObjects_.takeLast();
    if (!o->parent()) delete o;
  }
  TfrmMIDIExplorer::DoFormDestroy();
}

void TfrmMain::DoFormKeyDown(int& key, Qt::KeyboardModifiers shift) {
  TfrmMIDIExplorer::DoFormKeyDown(key, shift);
  if (key == Qt::Key_F10) {
    GetEditPreset();
    key = 0;
  } else if (key == Qt::Key_C && shift == Qt::ControlModifier && Running) {
    AbortSequence();
    key = 0;
  } else if (key == Qt::Key_C && shift == Qt::ControlModifier && unitRun_) {
    RunAbort();
    key = 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Incoming events

namespace {

// The title of the preset a received dump holds, as the editor will show it.
QString PresetTitle(const TMyMidiEvent& event) {
  TPreset preset;
  try {
    preset.LoadFromImage(event.SysexBytes());
  } catch (const EPresetError&) {
    return {};
  }
  return preset.Title;
}

}  // namespace

int TfrmMain::HandleMidiEvent(std::unique_ptr<TMyMidiEvent> event) {
  if (unitRun_) {
    // A restore, compare or snapshot takes the answer it waits for; any other dump on the line
    // is nobody's answer and is dropped, as during a backup.
    if (TakeRunAnswer(*event)) return -1;
    if (event->HasSysex() &&
        (event->SysexLength == PresetDumpLength || IsMptDump(event->SysexBytes())))
      return -1;
  }
  if (Running) {
    // A request sequence takes a preset dump only as the answer to its own request; anything
    // else on the line (a dump nobody asked for, a broken or overlong message) would be saved in
    // place of the preset. The channel byte is not compared: a unit may answer on another one.
    if (!event->HasSysex() || event->SysexLength != PresetDumpLength) return -1;
    const TBytes dump = event->SysexBytes();
    if (!IsPresetDump(dump) || dump.back() != SysExEnd || !TakeSequenceDump(event->Sysex))
      return -1;
    // The run keeps the dump to itself: the message buffer is the user's.
    decoder_.SetPresetTitle(PreKineticMode ? -1 : Device.CurrentBank, PresetIndex,
                            PresetTitle(*event));
    // A title listing shows what it lists in the monitor too; a backup keeps it quiet, also for
    // its last preset, after which the run has ended.
    const bool saving = SaveToFiles;
    SequenceStep(event->Sysex);
    if (!saving) LogMidiEvent(std::move(event));
    return -1;
  }
  if (event->HasSysex()) {
    if (const auto report = Device.TakeReport(event->SysexBytes())) {
      if (report->BypassChanged) miBypass->setChecked(Device.Bypass);
      if (!report->Status.isEmpty()) ShowStatus(report->Status);
      return -1;
    }
    // Most likely the answer to F10: the status of this batch will say how to open it.
    if (IsPresetDump(event->SysexBytes())) {
      receivedPresetTitle_ = PresetTitle(*event);
      decoder_.SetCurrentPreset(event->Sysex);
    } else if (IsMptDump(event->SysexBytes())) {
      decoder_.SetProgramTable(event->Sysex);
    }
  }
  return LogMidiEvent(std::move(event));
}

void TfrmMain::DevicesChanged(bool anyInput, bool anyOutput) {
  // The three menus of the unit follow whether both directions of the cable are there.
  const bool devices = anyInput && anyOutput;
  for (QMenu* menu : {miZQNRequests, miPresets, miMPT}) {
    if (!menu) continue;
    menu->setEnabled(devices);
    menu->menuAction()->setEnabled(devices);
  }
}

QString TfrmMain::LogLineNote(const TMyMidiEvent& event) const {
  if (event.HasSysex() && IsPresetDump(event.SysexBytes()))
    return QLatin1Char('"') + PresetTitle(event) + QLatin1Char('"');
  return decoder_.Note(event, PreKineticMode ? -1 : Device.CurrentBank);
}

QString TfrmMain::ReceivedStatus(int length) {
  if (!receivedPresetTitle_) return TfrmMIDIExplorer::ReceivedStatus(length);
  const QString preset =
      QStringLiteral("Preset \"") + *receivedPresetTitle_ + QStringLiteral("\" received: ");
  receivedPresetTitle_.reset();
  // The double-click on its line does what the user has set it to do.
  switch (LogAction()) {
    case laEdit:
      return preset + QStringLiteral("double-click its line to open it in the editor");
    case laSend:
      return preset + QStringLiteral(
                          "to edit it, set the log's double-click action to \"Open in Editor\" "
                          "and double-click its line");
    default:
      return preset + QStringLiteral(
                          "double-click its line, then \"Presets\" \u2192 \"Open current file in "
                          "editor\" or the buffer's \"Edit...\"");
  }
}

bool TfrmMain::TakeSequenceDump(const QByteArray& dump) {
  // The unit answers in order, so a dump answers the oldest request still owed an answer. A
  // request made again after a time-out leaves two owed for one preset: one answer may have been
  // lost, or both may still come, the second after the run has moved on.
  const int current = RequestKey();
  while (!requested_.empty()) {
    const int asked = requested_.front();
    requested_.pop_front();
    if (asked == current) {
      lastTakenKey_ = current;
      lastTakenDump_ = dump;
      return true;
    }
    // Owed for the preset taken last: the same bytes again are that late answer.
    if (asked == lastTakenKey_ && dump == lastTakenDump_) return false;
    // Otherwise that request's answer was lost on the line, and this dump answers a later one.
  }
  return false;  // nobody asked for it
}

// ---------------------------------------------------------------------------------------------
// Online check and queries

void TfrmMain::OnlineCheck() {
  if (!MidiOutput() || !MidiOutput()->IsOpen()) return;
  TBusyCursor busy;
  timPresetReq->setInterval(RequestDelayTimes(10));
  timPresetReq->start();
  Device.PendingQueries = 0;
  QueryParam(ParamBypass);
  if (!PreKineticMode) QueryParam(ParamBank);
  QCoreApplication::processEvents();
}

void TfrmMain::QueryParam(std::uint8_t param) {
  // The window may have closed its ports during the previous query's wait.
  if (!MidiOutput() || !MidiOutput()->IsOpen()) return;
  ++Device.PendingQueries;
  SendSysex(QueryParamMessage(param));
  Delay(RequestDelay);
}

void TfrmMain::timPresetReqTimer() {
  if (Running) {
    if (TickCount() - LastRequestTime > RequestTimeoutMs) {
      LogSequenceLine(QStringLiteral("Last request timed out; restarting"));
      ShowStatus(QStringLiteral("Last request timed out; restarting"));
      LogSequenceLine(QStringLiteral("Press Ctrl-c to abort"));
      RequestPreset();
    }
    return;
  }
  if (Device.PendingQueries > 0) {
    Device.PendingQueries = 0;
    ShowStatus(QStringLiteral("No response received from ZQN Tarvo - are you connected properly?"));
  }
  timPresetReq->stop();
}

int TfrmMain::OnGetPresetNo() {
  // The query's report would be dropped by a running sequence anyway.
  if (SequenceOwnsLine()) return -1;
  if (!MidiOutput() || !MidiOutput()->IsOpen()) return -1;
  Device.CurrentPresetNo = -1;
  QueryParam(ParamCurrentPreset);
  QCoreApplication::processEvents();
  if (Device.CurrentPresetNo == -1) Delay(RequestDelay);
  return Device.CurrentPresetNo;
}

// ---------------------------------------------------------------------------------------------
// Commands

void TfrmMain::SendSysex(const QByteArray& message) {
  try {
    MidiOutput()->PutLong(message);
  } catch (const EmidioutputError& e) {
    MessageDlg(this, QStringLiteral("MIDI Out error"), e.Message(), QMessageBox::Critical,
               QMessageBox::Ok);
  }
}

int TfrmMain::RequestDelayTimes(int factor) const {
  return static_cast<int>(
      std::min<qint64>(qint64(factor) * RequestDelay, std::numeric_limits<int>::max()));
}

QString TfrmMain::LineBusyReason() const {
  return SequenceOwnsLine() ? kLineBusy : QString();
}

bool TfrmMain::LineFree() {
  if (!SequenceOwnsLine()) return true;
  ShowStatus(kLineBusy);
  return false;
}

void TfrmMain::SendRequest(const QByteArray& message, bool showMonitor, const QString& status) {
  if (!CheckMidiOut(showMonitor)) return;
  SendSysex(message);
  if (!status.isEmpty()) ShowStatus(status);
}

void TfrmMain::GetEditPreset() {
  if (!LineFree()) return;
  SendRequest(GetEditPresetMessage(), true, QString());
}

void TfrmMain::BypassClick() {
  // The menu has already inverted the check mark; it stays so even when nothing can be sent.
  if (!LineFree()) {
    miBypass->setChecked(!miBypass->isChecked());  // nothing was asked of the unit
    return;
  }
  if (!CheckMidiOut(false)) return;
  if (miBypass->isChecked()) {
    ShowStatus(QStringLiteral("Bypass activation request sent"));
    SendSysex(BypassMessage(true));
  } else {
    ShowStatus(QStringLiteral("Bypass deactivation request sent"));
    SendSysex(BypassMessage(false));
  }
}

void TfrmMain::SelectBankClick(int bank) {
  const QByteArray message = SelectBankMessage(bank);
  if (message.isEmpty() || !LineFree()) return;
  SendRequest(
      message, false,
      QStringLiteral("Bank ") + TDeviceState::BankLetter(bank) + QStringLiteral(" selected"));
}

void TfrmMain::PreKineticClick() {
  // The run's banks, folders and messages were chosen for the mode it started in. Open table
  // editors follow the mode; when one keeps entries only a full table holds, the switch does not
  // happen.
  if (!LineFree() || !SwitchMptEditorsPreKinetic(this, miPreKinetic->isChecked())) {
    miPreKinetic->setChecked(PreKineticMode);
    return;
  }
  ApplyPreKineticMode();
}

// ---------------------------------------------------------------------------------------------
// Buffer and editor services

bool TfrmMain::BufferHoldsPreset() {
  const TMsgBuffer& b = MessageBuffer;
  if (b.BufferLength != PresetDumpLength) return false;
  const TBytes bytes(b.Bytes.data(), static_cast<std::size_t>(b.BufferLength));
  if (!IsPresetDump(bytes)) return false;
  ShowStatus(QStringLiteral("Preset loaded: ") + QuickTitle(bytes));
  return true;
}

bool TfrmMain::BufferHoldsMpt() const {
  const TMsgBuffer& b = MessageBuffer;
  if (b.BufferLength != MptDumpLength) return false;
  return IsMptDump(TBytes(b.Bytes.data(), static_cast<std::size_t>(b.BufferLength)));
}

void TfrmMain::EditBuffer() {
  if (OpenPresetEditor()) return;
  OpenMptEditor();
}

void TfrmMain::OpenFiles(const QStringList& files) {
  for (const QString& file : files) {
    // A file that could not be read has been reported; the buffer holds nothing of it.
    if (!LoadFileIntoBuffer(file) || OpenPresetEditor()) continue;
    // A table opened as a file is saved back to it unless the user chooses another name.
    if (TfrmMPTEdit* table = OpenMptEditor()) table->SetFileName(file);
  }
}

void TfrmMain::UpdateBufferMenu() {
  TfrmMIDIExplorer::UpdateBufferMenu();
  if (pmiEdit)
    pmiEdit->setEnabled(BufferLength() == MptDumpLength || BufferLength() == PresetDumpLength);
}

QString TfrmMain::SendDump(QIODevice& stream, int expectedLength) {
  if (!stream.seek(0)) return QStringLiteral("Stream read error");
  const QByteArray dump = stream.readAll();
  if (dump.isEmpty() || (expectedLength > 0 && dump.size() != expectedLength))
    return QStringLiteral("Stream read error");
  if (SequenceOwnsLine()) return kLineBusy;
  if (closing_) return QStringLiteral("MIDI Out device not available");
  // Only a whole system-exclusive message goes to the unit: one that does not end with F7 would
  // leave the unit waiting for its end and take whatever comes next as part of it.
  if (static_cast<std::uint8_t>(dump.front()) != SysExStart)
    return QStringLiteral(
        "Not sent: the data does not begin with F0, so it is not one whole "
        "message");
  if (static_cast<std::uint8_t>(dump.back()) != SysExEnd)
    return QStringLiteral(
               "Not sent: the data ends with %1 instead of F7, so it is not one whole "
               "message")
        .arg(HexBytes(dump.right(1), 1).trimmed());
  // A data byte of 80 or more would end the message early at the unit and scramble what
  // follows; such a dump comes from a record that was never completed and is not sent.
  for (qsizetype i = 1; i + 1 < dump.size(); ++i) {
    if (static_cast<std::uint8_t>(dump[i]) >= 0x80)
      return QStringLiteral("Not sent: the data holds a byte the unit cannot receive");
  }
  if (!CheckMidiOut(false)) return QStringLiteral("MIDI Out device not available");
  try {
    MidiOutput()->PutLong(dump);
  } catch (const EmidioutputError& e) {
    MessageDlg(this, QStringLiteral("MIDI Out error"), e.Message(), QMessageBox::Critical,
               QMessageBox::Ok);
    return e.Message();
  }
  // The unit holds what it was sent as its current preset.
  if (dump.size() == PresetDumpLength) decoder_.SetCurrentPreset(dump);
  return SentResultText;
}

QString TfrmMain::OnSendPreset(QIODevice& stream) {
  return SendDump(stream, PresetDumpLength);
}
QString TfrmMain::OnSendMPT(QIODevice& stream) {
  if (const QString problem = MptSendProblem(stream.size()); !problem.isEmpty()) return problem;
  return SendDump(stream, MptDumpLength);
}

bool TfrmMain::OnSendRaw(const std::uint8_t* bytes, std::uint16_t length) {
  if (closing_) return false;  // an editor's store whose pause the closing ended
  if (!LineFree()) return false;
  try {
    if (!MidiOutput()) throw EmidioutputError("MIDI Output device not open");
    MidiOutput()->PutLong(bytes, length);
  } catch (const EmidioutputError& e) {
    MessageDlg(this, QStringLiteral("MIDI Out error"), e.Message(), QMessageBox::Critical,
               QMessageBox::Ok);
    return false;
  }
  return true;
}
