#include "device/Main.h"
#include "app/BusyCursor.h"

#include "app/DialogService.h"
#include "app/PrintPage.h"
#include "app/kxUtility.h"
#include "editor/PresetEditor.h"
#include "mpt/MPTEdit.h"
#include "preset/PresetError.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QIODevice>
#include <QMenu>
#include <QPrinter>
#include <QProgressBar>
#include <QTimer>

namespace {

const char* const kObsoleteValues[] = {"ZQN_REQ_DELAY", "LEFT_PANE_WIDTH", "RECT_MAIN", "RECT_MPT"};

// Ten seconds a request, a hundred for the online check's time-out; a larger stored delay is
// damage, and would leave the program waiting for days.
constexpr int MaxRequestDelay = 10000;

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
  // A zero (or a damaged negative) delay would make every wait and time-out instant.
  if (RequestDelay <= 0 || RequestDelay > MaxRequestDelay) RequestDelay = DefaultRequestDelay;
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
    SendRequest(AllPresetsRequestMessage(), true, QStringLiteral("All Preset Request issued"));
  });
  miZQNRequests->addSeparator();
  miGetMPT = add("miGetMPT", QStringLiteral("Get MPT Table"), [this] {
    SendRequest(MptRequestMessage(), true, QStringLiteral("MPT Request issued"));
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
  miOpenPreset = miPresets->addAction(QStringLiteral("Open current file in editor"));
  miOpenPreset->setObjectName(QStringLiteral("miOpenPreset"));
  connect(miOpenPreset, &QAction::triggered, this, [this] { OpenPresetEditor(); });
  miNewPreset = miPresets->addAction(QStringLiteral("New preset"));
  miNewPreset->setObjectName(QStringLiteral("miNewPreset"));
  connect(miNewPreset, &QAction::triggered, this, [this] { NewPresetEditor(); });
  // Opening the menu tests the buffer, which also names the preset in the status bar.
  connect(miPresets, &QMenu::aboutToShow, this,
          [this] { miOpenPreset->setEnabled(BufferHoldsPreset()); });
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
  // A table read from a file is saved back to it unless the user chooses another name.
  editor->SetFileName(BufferSourceFile);
  editor->show();
  return editor;
}

void TfrmMain::ConnectEditor(TfrmPresetEditor* editor) {
  editor->AppTitle = AppTitle();
  editor->Settings = RegUtil();
  editor->OnSendPreset = [this](QIODevice& stream) { return OnSendPreset(stream); };
  editor->OnSendRaw = [this](const std::uint8_t* bytes, std::uint16_t length) {
    OnSendRaw(bytes, length);
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
  // The check waits for the unit's answers with the event loop running; started once the show has
  // returned, it lets the window paint at once instead of after the waits.
  QTimer::singleShot(0, this, [this] { OnlineCheck(); });
  TfrmMIDIExplorer::DoFormShow();
}

void TfrmMain::DoFormClose() {
  if (TkxRegUtil* reg = RegUtil()) {
    reg->WriteInteger(QStringLiteral("ZQNReqDelay"), RequestDelay);
    reg->WriteBool(QStringLiteral("PRE_KINETIC"), miPreKinetic && miPreKinetic->isChecked());
  }
  TfrmMIDIExplorer::DoFormClose();
}

void TfrmMain::DoFormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  timPresetReq->stop();
  if (Running) StopSequence();
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
  }
}

// ---------------------------------------------------------------------------------------------
// Incoming events

int TfrmMain::HandleMidiEvent(std::unique_ptr<TMyMidiEvent> event) {
  if (Running) {
    // A request sequence takes only preset dumps from the unit it asks, on the channel it asks
    // on; anything else on the line (another unit's dump, a broken or overlong message) would be
    // saved in place of the preset.
    if (!event->HasSysex() || event->SysexLength != PresetDumpLength) return -1;
    const TBytes dump = event->SysexBytes();
    if (!IsPresetDump(dump) || dump[2] != DeviceChannel || dump.back() != SysExEnd) return -1;
    MessageBuffer.Clear();
    std::copy(event->Sysex.cbegin(), event->Sysex.cend(), MessageBuffer.Bytes.begin());
    MessageBuffer.BufferLength = PresetDumpLength;
    // A title listing shows what it lists in the monitor too; a backup keeps it quiet, also for
    // its last preset, after which the run has ended.
    const bool saving = SaveToFiles;
    SequenceStep();
    if (!saving) LogMidiEvent(std::move(event));
    return -1;
  }
  if (event->HasSysex()) {
    if (const auto report = Device.TakeReport(event->SysexBytes())) {
      if (report->BypassChanged) miBypass->setChecked(Device.Bypass);
      if (!report->Status.isEmpty()) ShowStatus(report->Status);
      return -1;
    }
  }
  return LogMidiEvent(std::move(event));
}

// ---------------------------------------------------------------------------------------------
// Online check and queries

void TfrmMain::OnlineCheck() {
  if (!MidiOutput() || !MidiOutput()->IsOpen()) return;
  TBusyCursor busy;
  timPresetReq->setInterval(10 * RequestDelay);
  timPresetReq->start();
  Device.PendingQueries = 0;
  QueryParam(ParamBypass);
  if (!PreKineticMode) QueryParam(ParamBank);
  QCoreApplication::processEvents();
}

void TfrmMain::QueryParam(std::uint8_t param) {
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

void TfrmMain::SendRequest(const QByteArray& message, bool showMonitor, const QString& status) {
  if (!CheckMidiOut(showMonitor)) return;
  SendSysex(message);
  if (!status.isEmpty()) ShowStatus(status);
}

void TfrmMain::GetEditPreset() {
  SendRequest(GetEditPresetMessage(), true, QString());
}

void TfrmMain::BypassClick() {
  // The menu has already inverted the check mark; it stays so even when nothing can be sent.
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
  if (message.isEmpty()) return;
  SendRequest(
      message, false,
      QStringLiteral("Bank ") + TDeviceState::BankLetter(bank) + QStringLiteral(" selected"));
}

void TfrmMain::PreKineticClick() {
  // Open table editors follow the mode; when one keeps entries only a full table holds, the
  // switch does not happen.
  if (!SwitchMptEditorsPreKinetic(this, miPreKinetic->isChecked())) {
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
    if (LoadFileIntoBuffer(file)) EditBuffer();
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
  // A data byte of 80 or more would end the message early at the unit and scramble what
  // follows; such a dump comes from a record that was never completed and is not sent.
  for (qsizetype i = 1; i + 1 < dump.size(); ++i) {
    if (static_cast<std::uint8_t>(dump[i]) >= 0x80)
      return QStringLiteral("Not sent: the data holds a byte the unit cannot receive");
  }
  if (!CheckMidiOut(false)) return QStringLiteral("MIDI Out device not available");
  SendSysex(dump);
  return QStringLiteral("MIDI data sent to MIDI Out");
}

QString TfrmMain::OnSendPreset(QIODevice& stream) {
  return SendDump(stream, PresetDumpLength);
}
QString TfrmMain::OnSendMPT(QIODevice& stream) {
  if (const QString problem = MptSendProblem(stream.size()); !problem.isEmpty()) return problem;
  return SendDump(stream, MptDumpLength);
}

void TfrmMain::OnSendRaw(const std::uint8_t* bytes, std::uint16_t length) {
  MidiOutput()->PutLong(bytes, length);
}
