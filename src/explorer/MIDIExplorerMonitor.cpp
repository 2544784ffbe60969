// The monitor side of the explorer window: what the log shows (filters, pause, the program's own
// messages) and the recording of everything received to a file.

#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "explorer/MIDIExplorer.h"
#include "explorer/MonitorCapture.h"
#include "midi/MidiEventText.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

namespace {

const QString kHideRealtime = QStringLiteral("MONITOR_HIDE_REALTIME");
const QString kHiddenKinds = QStringLiteral("MONITOR_HIDDEN_TYPES");
const QString kHiddenChannels = QStringLiteral("MONITOR_HIDDEN_CHANNELS");
const QString kSysexOnly = QStringLiteral("MONITOR_SYSEX_ONLY");
const QString kShowOutgoing = QStringLiteral("MONITOR_SHOW_OUTGOING");

QAction* NewCheck(QObject* owner, const QString& name, const QString& text) {
  auto* a = new QAction(text, owner);
  a->setObjectName(name);
  a->setCheckable(true);
  return a;
}

}  // namespace

void TfrmMIDIExplorer::CreateMonitorMenu() {
  miMonitor = new QMenu(QStringLiteral("Mo&nitor"), this);
  miMonitor->setObjectName(QStringLiteral("miMonitor"));
  miMonitor->menuAction()->setObjectName(QStringLiteral("miMonitorItem"));
  miPauseLog = NewCheck(this, QStringLiteral("miPauseLog"), QStringLiteral("&Pause log"));
  miPauseLog->setStatusTip(QStringLiteral("Stop showing events; they are still received"));
  miHideRealtime =
      NewCheck(this, QStringLiteral("miHideRealtime"), QStringLiteral("Hide &real-time messages"));
  miHideKinds = new QMenu(QStringLiteral("Hide channel messages by &type"), this);
  miHideKinds->setObjectName(QStringLiteral("miHideKinds"));
  for (int k = 0; k < TMonitorFilter::ChannelKinds; ++k) {
    QAction* a = NewCheck(this, QStringLiteral("miHideKind") + QString::number(k),
                          MidiChannelMessageName(static_cast<std::uint8_t>(0x80 + 16 * k)));
    miHideKinds->addAction(a);
    miHideKind.push_back(a);
    connect(a, &QAction::triggered, this, [this] { FilterMenuClick(); });
  }
  miHideChannels = new QMenu(QStringLiteral("Hide &channels"), this);
  miHideChannels->setObjectName(QStringLiteral("miHideChannels"));
  for (int c = 0; c < 16; ++c) {
    QAction* a = NewCheck(this, QStringLiteral("miHideChannel") + QString::number(c + 1),
                          QStringLiteral("Channel ") + QString::number(c + 1));
    miHideChannels->addAction(a);
    miHideChannel.push_back(a);
    connect(a, &QAction::triggered, this, [this] { FilterMenuClick(); });
  }
  miSysexOnly =
      NewCheck(this, QStringLiteral("miSysexOnly"), QStringLiteral("&System exclusive only"));
  miShowAll = new QAction(QStringLiteral("Show &all messages"), this);
  miShowAll->setObjectName(QStringLiteral("miShowAll"));
  miShowOutgoing =
      NewCheck(this, QStringLiteral("miShowOutgoing"), QStringLiteral("Show &outgoing messages"));
  miRecord = new QAction(QStringLiteral("Record MIDI to file..."), this);
  miRecord->setObjectName(QStringLiteral("miRecord"));
  miStopRecord = new QAction(QStringLiteral("Stop r&ecording"), this);
  miStopRecord->setObjectName(QStringLiteral("miStopRecord"));
  miStopRecord->setEnabled(false);

  miMonitor->addAction(miPauseLog);
  miMonitor->addSeparator();
  miMonitor->addAction(miHideRealtime);
  miMonitor->addMenu(miHideKinds);
  miMonitor->addMenu(miHideChannels);
  miMonitor->addAction(miSysexOnly);
  miMonitor->addAction(miShowAll);
  miMonitor->addSeparator();
  miMonitor->addAction(miShowOutgoing);
  miMonitor->addSeparator();
  miMonitor->addAction(miRecord);
  miMonitor->addAction(miStopRecord);
  menuBar()->insertMenu(miHelp->menuAction(), miMonitor);

  connect(miPauseLog, &QAction::triggered, this, [this](bool on) { SetMonitorPaused(on); });
  connect(miHideRealtime, &QAction::triggered, this, [this] { FilterMenuClick(); });
  connect(miSysexOnly, &QAction::triggered, this, [this] { FilterMenuClick(); });
  connect(miShowAll, &QAction::triggered, this, [this] { SetMonitorFilter(TMonitorFilter{}); });
  connect(miShowOutgoing, &QAction::triggered, this, [this](bool on) { SetShowOutgoing(on); });
  connect(miRecord, &QAction::triggered, this, [this] { miRecordClick(); });
  connect(miStopRecord, &QAction::triggered, this, [this] { StopCapture(); });
}

void TfrmMIDIExplorer::ReadMonitorSettings() {
  const auto read = [this](const QString& name) {
    return ReadSettingOr(this, 0, [&] { return regUtil_->ReadInteger(name, true, 0); });
  };
  TMonitorFilter filter;
  filter.HideRealtime = read(kHideRealtime) != 0;
  filter.HiddenKinds = static_cast<std::uint8_t>(read(kHiddenKinds) & 0x7F);
  filter.HiddenChannels = static_cast<std::uint16_t>(read(kHiddenChannels) & 0xFFFF);
  filter.SysexOnly = read(kSysexOnly) != 0;
  filter_ = filter;
  showOutgoing_ = read(kShowOutgoing) != 0;
  miShowOutgoing->setChecked(showOutgoing_);
  ShowFilterMarks();
}

void TfrmMIDIExplorer::ShowFilterMarks() {
  miHideRealtime->setChecked(filter_.HideRealtime);
  for (int k = 0; k < TMonitorFilter::ChannelKinds; ++k)
    miHideKind[static_cast<std::size_t>(k)]->setChecked(filter_.HiddenKinds & (1u << k));
  for (int c = 0; c < 16; ++c)
    miHideChannel[static_cast<std::size_t>(c)]->setChecked(filter_.HiddenChannels & (1u << c));
  miSysexOnly->setChecked(filter_.SysexOnly);
  // With system exclusive only, the finer choices do not apply.
  miHideRealtime->setEnabled(!filter_.SysexOnly);
  miHideKinds->setEnabled(!filter_.SysexOnly);
  miHideChannels->setEnabled(!filter_.SysexOnly);
  miShowAll->setEnabled(!filter_.ShowsAll());
}

void TfrmMIDIExplorer::FilterMenuClick() {
  TMonitorFilter filter;
  filter.HideRealtime = miHideRealtime->isChecked();
  for (int k = 0; k < TMonitorFilter::ChannelKinds; ++k)
    if (miHideKind[static_cast<std::size_t>(k)]->isChecked()) filter.HiddenKinds |= 1u << k;
  for (int c = 0; c < 16; ++c)
    if (miHideChannel[static_cast<std::size_t>(c)]->isChecked()) filter.HiddenChannels |= 1u << c;
  filter.SysexOnly = miSysexOnly->isChecked();
  SetMonitorFilter(filter);
}

void TfrmMIDIExplorer::SetMonitorFilter(const TMonitorFilter& filter) {
  const bool changed = !(filter == filter_);
  filter_ = filter;
  ShowFilterMarks();
  if (!changed) return;
  hiddenEvents_ = 0;
  RememberInt(kHideRealtime, filter_.HideRealtime ? 1 : 0);
  RememberInt(kHiddenKinds, filter_.HiddenKinds);
  RememberInt(kHiddenChannels, filter_.HiddenChannels);
  RememberInt(kSysexOnly, filter_.SysexOnly ? 1 : 0);
}

void TfrmMIDIExplorer::SetMonitorPaused(bool paused) {
  miPauseLog->setChecked(paused);
  if (paused == paused_) return;
  paused_ = paused;
  if (paused_) {
    hiddenEvents_ = 0;
    SetStatusPanels(QStringLiteral("Monitor paused; MIDI is still received"));
  } else {
    SetStatusPanels(QStringLiteral("Monitor resumed; ") + QString::number(hiddenEvents_) +
                    QStringLiteral(" events were not shown"));
    hiddenEvents_ = 0;
  }
  emit StatusShown(StatusText(0));
}

void TfrmMIDIExplorer::SetShowOutgoing(bool show) {
  miShowOutgoing->setChecked(show);
  if (show == showOutgoing_) return;
  showOutgoing_ = show;
  RememberInt(kShowOutgoing, show ? 1 : 0);
}

void TfrmMIDIExplorer::LogOutgoing(std::span<const std::uint8_t> message) {
  if (message.empty()) return;
  auto event = std::make_unique<TMyMidiEvent>();
  const std::uint8_t status = message[0];
  if (status == 0xF0 || status < 0x80 || message.size() > 3) {
    // A system-exclusive message, or bytes that are no single short message: shown as a block.
    event->MidiMessage = 0xF0;
    const std::size_t length = std::min<std::size_t>(message.size(), 0xFFFF);
    event->Sysex =
        QByteArray(reinterpret_cast<const char*>(message.data()), static_cast<qsizetype>(length));
    event->SysexLength = static_cast<std::uint16_t>(length);
  } else {
    event->MidiMessage = status;
    if (message.size() > 1) event->Data1 = message[1];
    if (message.size() > 2) event->Data2 = message[2];
  }
  event->Time = inputClock_.isValid() ? static_cast<std::uint32_t>(inputClock_.elapsed()) : 0;
  LogEventLine(std::move(event), OutgoingMark);
}

const TMonitorCapture* TfrmMIDIExplorer::Capture() const {
  return capture_.get();
}

void TfrmMIDIExplorer::CaptureEvent(const TMyMidiEvent& event) {
  if (capture_->Format() == TMonitorCapture::TFormat::Raw) {
    capture_->AddRaw(event);
  } else {
    QString line = MidiEventText(event);
    if (const QString note = LogLineNote(event); !note.isEmpty()) {
      if (!line.endsWith(QLatin1Char(' '))) line += QLatin1Char(' ');
      line += note;
    }
    capture_->AddLine(event.Time, line);
  }
  if (capture_->Active()) return;
  // The disk refused a write: the recording ends here, and says so once. Only the status bar,
  // as this runs inside the handling of received events.
  const QString text = QStringLiteral("Recording to ") + capture_->FileName() +
                       QStringLiteral(" stopped: ") + capture_->Error();
  capture_.reset();
  miRecord->setEnabled(true);
  miStopRecord->setEnabled(false);
  SetStatusPanels(text);
  emit StatusShown(text);
}

bool TfrmMIDIExplorer::StartCapture(const QString& fileName) {
  StopCapture();
  auto capture = std::make_unique<TMonitorCapture>();
  const QString error = capture->Start(fileName, TMonitorCapture::FormatFor(fileName));
  if (!error.isEmpty()) {
    MessageDlg(this, QStringLiteral("Sorry..."),
               QStringLiteral("Could not write ") + fileName + QStringLiteral(": ") + error,
               QMessageBox::Warning, QMessageBox::Ok);
    return false;
  }
  capture_ = std::move(capture);
  miRecord->setEnabled(false);
  miStopRecord->setEnabled(true);
  ShowStatus(QStringLiteral("Recording MIDI to ") + fileName);
  return true;
}

void TfrmMIDIExplorer::StopCapture() {
  if (!capture_) return;
  const QString error = capture_->Stop();
  const QString text = error.isEmpty()
                           ? QStringLiteral("Recorded ") + QString::number(capture_->Events()) +
                                 QStringLiteral(" events (") + QString::number(capture_->Bytes()) +
                                 QStringLiteral(" bytes) to ") + capture_->FileName()
                           : QStringLiteral("Recording to ") + capture_->FileName() +
                                 QStringLiteral(" stopped: ") + error;
  capture_.reset();
  if (miRecord) miRecord->setEnabled(true);
  if (miStopRecord) miStopRecord->setEnabled(false);
  ShowStatus(text);
}

void TfrmMIDIExplorer::miRecordClick() {
  TFileRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Record MIDI to file");
  request.directory = currentFolder_;
  request.filter = QStringLiteral(
      "MIDI bytes as received (*.syx *.bin);;Text log of the monitor (*.txt);;All files (*)");
  request.selectedFilter = QStringLiteral("MIDI bytes as received (*.syx *.bin)");
  const std::optional<TFileAnswer> answer = Dialogs().SaveFile(request);
  if (!answer) return;
  QString fileName = answer->File();
  if (QFileInfo(fileName).suffix().isEmpty()) {
    fileName += answer->selectedFilter.startsWith(QLatin1String("Text")) ? QStringLiteral(".txt")
                                                                         : QStringLiteral(".syx");
  }
  StartCapture(fileName);
}
