#include "device/DeviceState.h"

std::optional<TDeviceState::TReport> TDeviceState::TakeReport(TBytes m) {
  if (PendingQueries <= 0 || !IsParameterReport(m)) return std::nullopt;
  const std::size_t needed = (m.size() > 5 && m[5] == ParamCurrentPreset) ? 8 : 7;
  if (m.size() < needed) return std::nullopt;
  --PendingQueries;
  TReport report;
  report.Param = m[5];
  switch (m[5]) {
    case ParamBypass:
      report.Status = QStringLiteral("The ZQN Tarvo is online!");
      Bypass = m[6] == 1;
      report.BypassChanged = true;
      break;
    case ParamBank:
      CurrentBank = m[6];
      if (CurrentBank > 3) {
        CurrentBank = -1;
      } else {
        report.Status =
            QStringLiteral("The ZQN Tarvo is online! Your currently selected bank is: ") +
            BankLetter(CurrentBank);
      }
      break;
    case ParamCurrentPreset:
      CurrentPresetNo = m[6] + 1 + (m[7] == 1 ? 128 : 0);
      // A garbled report names no preset the unit can have.
      if (CurrentPresetNo > PresetCount) CurrentPresetNo = -1;
      break;
    default:
      break;
  }
  return report;
}
