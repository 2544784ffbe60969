// Devices that come and go: the device menus follow the system's devices, a device in use that
// disappears is closed and reported once, and a device of the awaited name is reopened when it
// appears.

#include "explorer/MIDIExplorer.h"
#include "explorer/kxMIDIMenuItem.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

namespace {

QStringList ItemNames(const std::vector<std::unique_ptr<TkxMIDIMenuItem>>& items) {
  QStringList names;
  for (const auto& item : items) names << item->DeviceName();
  return names;
}

}  // namespace

void TfrmMIDIExplorer::NoteStatus(const QString& text) {
  SetStatusPanels(text);
  emit StatusShown(text);
}

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

void TfrmMIDIExplorer::RescanDevices() {
  if (!midiInput_ || !midiOutput_ || rescanning_ || destroyed_) return;
  rescanning_ = true;
  // Listing asks the MIDI services for names only; opening and closing happen only for a device
  // that came or went.
  const QStringList inNames = midiInput_->DeviceNames();
  const QStringList outNames = midiOutput_->DeviceNames();
  const bool inChanged = inNames != ItemNames(inputItems_);
  const bool outChanged = outNames != ItemNames(outputItems_);
  if (inChanged) RebuildDeviceItems(true, inNames);
  if (outChanged) RebuildDeviceItems(false, outNames);

  QStringList news;
  // A conversation with the unit under way (a backup, a restore) has its own handling of a unit
  // that falls silent; its ports are left alone until it ends, and only the menus follow.
  const bool lineBusy = !LineBusyReason().isEmpty();
  if (!lineBusy && midiInput_->IsOpen() && !inNames.contains(midiInput_->ProductName())) {
    const QString name = midiInput_->ProductName();
    try {
      midiInput_->Close();
    } catch (const EMidiInputError&) {
      // The device is gone; what is left of the port is released all the same.
    }
    awaitedIn_ = name;
    news << QStringLiteral("MIDI In device ") + name + QStringLiteral(" was disconnected");
  } else if (!lineBusy && !awaitedIn_.isEmpty() && inNames.contains(awaitedIn_)) {
    const QString name = awaitedIn_;
    awaitedIn_.clear();
    try {
      midiInput_->Close();
      midiInput_->SetProductName(name);
      midiInput_->Open();
      midiInput_->Start();
      inputClock_.start();
      news << QStringLiteral("MIDI In device ") + name + QStringLiteral(" was reopened");
    } catch (const EMidiInputError& e) {
      news << QStringLiteral("MIDI In device ") + name +
                  QStringLiteral(" could not be reopened: ") + e.Message();
    }
  }
  if (!lineBusy && midiOutput_->IsOpen() && !outNames.contains(midiOutput_->ProductName())) {
    const QString name = midiOutput_->ProductName();
    StopSending();
    try {
      midiOutput_->Close();
    } catch (const EmidioutputError&) {
    }
    awaitedOut_ = name;
    news << QStringLiteral("MIDI Out device ") + name + QStringLiteral(" was disconnected");
  } else if (!lineBusy && !awaitedOut_.isEmpty() && outNames.contains(awaitedOut_)) {
    const QString name = awaitedOut_;
    awaitedOut_.clear();
    try {
      midiOutput_->Close();
      midiOutput_->SetProductName(name);
      midiOutput_->Open();
      news << QStringLiteral("MIDI Out device ") + name + QStringLiteral(" was reopened");
    } catch (const EmidioutputError& e) {
      news << QStringLiteral("MIDI Out device ") + name +
                  QStringLiteral(" could not be reopened: ") + e.Message();
    }
  }
  ShowDeviceMarks();
  if (!news.isEmpty()) NoteStatus(news.join(QStringLiteral("; ")));
  rescanning_ = false;
  if (inChanged || outChanged) DevicesChanged();
}
