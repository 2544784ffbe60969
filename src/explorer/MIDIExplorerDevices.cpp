// Devices that come and go: the device menus follow the system's devices, a device in use that
// disappears is closed and reported once, and a device of the awaited name is reopened when it
// appears.

#include "explorer/MIDIExplorer.h"
#include "explorer/kxMIDIMenuItem.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QtConcurrent/QtConcurrentRun>

namespace {

QStringList ItemNames(const std::vector<std::unique_ptr<TkxMIDIMenuItem>>& items) {
  QStringList names;
  for (const auto& item : items) names << item->DeviceName();
  return names;
}

}  // namespace

void TfrmMIDIExplorer::RebuildDeviceItems(bool input, const QStringList& names) {
  auto& items = input ? inputItems_ : outputItems_;
  QMenu* menu = input ? miMIDIIn : miMIDIOut;
  QActionGroup* group = input ? inputGroup_ : outputGroup_;
  items.clear();  // each item frees its menu entry
  for (int i = 0; i < names.size(); ++i) {
    auto item = std::make_unique<TkxMIDIMenuItem>(names[i], i, this);
    TkxMIDIMenuItem* raw = item.get();
    item->MenuItem()->setActionGroup(group);
    menu->addAction(item->MenuItem());
    if (input) {
      connect(item->MenuItem(), &QAction::triggered, this, [this, raw] { InputDeviceClick(raw); });
    } else {
      connect(item->MenuItem(), &QAction::triggered, this, [this, raw] { OutputDeviceClick(raw); });
    }
    items.push_back(std::move(item));
  }
  menu->setEnabled(!items.empty());
}

void TfrmMIDIExplorer::ShowDeviceMarks() {
  for (const auto& item : inputItems_) {
    item->MenuItem()->setChecked(midiInput_->IsOpen() &&
                                 item->DeviceName() == midiInput_->ProductName());
  }
  for (const auto& item : outputItems_) {
    item->MenuItem()->setChecked(midiOutput_->IsOpen() &&
                                 item->DeviceName() == midiOutput_->ProductName());
  }
}

namespace {

// One direction's port against the names listed now: closed when its device went, and that
// device waited for unless another already is (the remembered device, missing at start-up, stays
// the one to wait for when the stand-in opened meanwhile goes too); reopened on the device waited
// for as soon as it is there.
template <class Error, class Port, class Closing, class Opened>
void FollowDevice(Port& port, const QStringList& names, QString& awaited, const QString& direction,
                  QStringList& news, Closing closing, Opened opened) {
  if (port.IsOpen() && !names.contains(port.ProductName())) {
    const QString name = port.ProductName();
    closing();
    try {
      port.Close();
    } catch (const Error&) {
      // The device is gone; what is left of the port is released all the same.
    }
    if (awaited.isEmpty()) awaited = name;
    news << direction + QStringLiteral(" device ") + name + QStringLiteral(" was disconnected");
  }
  if (!awaited.isEmpty() && names.contains(awaited)) {
    const QString name = awaited;
    awaited.clear();
    try {
      port.Close();
      port.SetProductName(name);
      port.Open();
      opened();
      news << direction + QStringLiteral(" device ") + name + QStringLiteral(" was reopened");
    } catch (const Error& e) {
      news << direction + QStringLiteral(" device ") + name +
                  QStringLiteral(" could not be reopened: ") + e.Message();
    }
  }
}

}  // namespace

void TfrmMIDIExplorer::RescanDevices() {
  if (!midiInput_ || !midiOutput_ || rescanning_ || destroyed_) return;
  // Listing asks the MIDI services for names only, which is quick; opening and closing happen
  // only for a device that came or went.
  const std::uint64_t scan = ++scansStarted_;
  ApplyDeviceScan(scan, TMidiInput::DeviceNames(*midiInput_->Driver()),
                  TMidiOutput::DeviceNames(*midiOutput_->Driver()));
}

void TfrmMIDIExplorer::RescanDevicesInBackground() {
  if (!midiInput_ || !midiOutput_ || destroyed_) return;
  if (scanWatcher_ && scanWatcher_->isRunning()) return;  // the last one has not come back yet
  if (!scanWatcher_) {
    scanWatcher_ = new QFutureWatcher<TDeviceScan>(this);
    connect(scanWatcher_, &QFutureWatcherBase::finished, this, [this] {
      if (destroyed_ || !scanWatcher_->future().isValid()) return;
      const TDeviceScan found = scanWatcher_->result();
      ApplyDeviceScan(found.Number, found.Inputs, found.Outputs);
    });
  }
  // A MIDI service that is slow to answer (a server starting up, a driver busy with a device
  // that just came) keeps a worker waiting, never the window. The drivers are shared, so a port
  // closed meanwhile leaves the listing something to ask; the answer is taken in the window.
  const std::uint64_t scan = ++scansStarted_;
  const std::shared_ptr<IMidiInDriver> in = midiInput_->Driver();
  const std::shared_ptr<IMidiOutDriver> out = midiOutput_->Driver();
  scanWatcher_->setFuture(QtConcurrent::run([scan, in, out] {
    return TDeviceScan{scan, TMidiInput::DeviceNames(*in), TMidiOutput::DeviceNames(*out)};
  }));
}

void TfrmMIDIExplorer::ApplyDeviceScan(std::uint64_t scan, const QStringList& inNames,
                                       const QStringList& outNames) {
  // A listing that began before one already taken is older than what the menus show.
  if (scan <= scansApplied_ || rescanning_ || destroyed_ || !midiInput_ || !midiOutput_) return;
  scansApplied_ = scan;
  rescanning_ = true;
  const bool inChanged = inNames != ItemNames(inputItems_);
  const bool outChanged = outNames != ItemNames(outputItems_);
  if (inChanged) RebuildDeviceItems(true, inNames);
  if (outChanged) RebuildDeviceItems(false, outNames);

  QStringList news;
  // A conversation with the unit under way (a backup, a restore) has its own handling of a unit
  // that falls silent; its ports are left alone until it ends, and only the menus follow.
  if (LineBusyReason().isEmpty()) {
    FollowDevice<EMidiInputError>(
        *midiInput_, inNames, awaitedIn_, QStringLiteral("MIDI In"), news, [] {},
        [this] {
          midiInput_->Start();
          inputClock_.start();
        });
    FollowDevice<EmidioutputError>(
        *midiOutput_, outNames, awaitedOut_, QStringLiteral("MIDI Out"), news,
        [this] { StopSending(); }, [] {});
  }
  ShowDeviceMarks();
  if (!news.isEmpty()) ShowStatus(news.join(QStringLiteral("; ")));
  rescanning_ = false;
  if (inChanged || outChanged) DevicesChanged(!inNames.isEmpty(), !outNames.isEmpty());
}
