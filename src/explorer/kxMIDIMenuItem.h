#pragma once

// One MIDI device in a device menu: the menu item, which this object creates and frees, and the
// device name, which is also the item's caption. The item's tag (its data) is the device number.

#include <QString>

class QAction;
class QObject;

class TkxMIDIMenuItem {
 public:
  TkxMIDIMenuItem(const QString& deviceName, int deviceNumber, QObject* actionOwner);
  ~TkxMIDIMenuItem();
  TkxMIDIMenuItem(const TkxMIDIMenuItem&) = delete;
  TkxMIDIMenuItem& operator=(const TkxMIDIMenuItem&) = delete;

  QAction* MenuItem() const { return menuItem_; }
  const QString& DeviceName() const { return deviceName_; }
  int DeviceNumber() const;

 private:
  QAction* menuItem_;
  QString deviceName_;
};
