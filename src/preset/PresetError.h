#pragma once

#include <QString>
#include <stdexcept>

// Failure of the preset model: a damaged dump, an unknown effect, an impossible chain. Carries the
// message the user is shown.
class EPresetError : public std::runtime_error {
 public:
  explicit EPresetError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromStdString(what()); }
};
