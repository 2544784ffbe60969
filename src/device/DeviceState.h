#pragma once

// What the program knows of the unit from its parameter reports: online, bypass, bank, current
// preset, and how many queries are still waiting for their report.

#include "device/DeviceMessages.h"

#include <QString>
#include <optional>

struct TDeviceState {
  int PendingQueries = 0;
  int CurrentBank = -1;      // 0..3 for A..D, -1 when unknown
  int CurrentPresetNo = -1;  // 1..200, -1 when unknown
  bool Bypass = false;

  // What taking a report changed, for the window to show.
  struct TReport {
    std::uint8_t Param = 0;
    QString Status;  // empty: nothing to show
    bool BypassChanged = false;
  };

  // Takes the message as a parameter report if a query is outstanding and the message is one;
  // a report too short to carry its value bytes is not one (it is logged like any other event).
  std::optional<TReport> TakeReport(TBytes message);

  static QString BankLetter(int bank) { return QString(QChar('A' + bank)); }
};
