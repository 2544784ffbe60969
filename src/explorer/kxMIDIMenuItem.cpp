#include "explorer/kxMIDIMenuItem.h"

#include <QAction>

TkxMIDIMenuItem::TkxMIDIMenuItem(const QString& deviceName, int deviceNumber, QObject* actionOwner)
    : menuItem_(new QAction(deviceName, actionOwner)), deviceName_(deviceName) {
  menuItem_->setData(deviceNumber);
  menuItem_->setCheckable(true);
  // A device name may contain "&"; it is a name, not a mnemonic.
  menuItem_->setText(QString(deviceName).replace(QLatin1Char('&'), QStringLiteral("&&")));
}

TkxMIDIMenuItem::~TkxMIDIMenuItem() {
  delete menuItem_;
}

int TkxMIDIMenuItem::DeviceNumber() const {
  return menuItem_->data().toInt();
}
