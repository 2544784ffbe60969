#pragma once

// A window with the differences of two presets, in the listing's texts (see PresetCompare.h).
// Not modal: the user keeps it open beside the library or the editors.

#include <QWidget>

#include "library/PresetCompare.h"

class QLabel;
class QPlainTextEdit;
class TPreset;

class TfrmCompare : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmCompare(QWidget* parent = nullptr);

  // Shows what differs from a (named leftName) to b.
  void ShowComparison(const TPreset& a, const QString& leftName, const TPreset& b,
                      const QString& rightName);
  // Shows a text of its own, as the comparison of two backup folders.
  void ShowText(const QString& caption, const QString& left, const QString& right,
                const QString& text, const QString& summary);
  const std::vector<TParamDifference>& Differences() const { return differences_; }
  QString Text() const;

  QLabel* lblLeft = nullptr;
  QLabel* lblRight = nullptr;
  QLabel* lblCount = nullptr;
  QPlainTextEdit* memDifferences = nullptr;

 private:
  std::vector<TParamDifference> differences_;
};
