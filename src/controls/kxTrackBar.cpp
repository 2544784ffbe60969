#include "controls/kxTrackBar.h"

#include <algorithm>

TkxTrackBar::TkxTrackBar(QWidget* parent) : TkxTrackBar(Qt::Horizontal, parent) {}

TkxTrackBar::TkxTrackBar(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
  setRange(0, 10);
  setTickPosition(QSlider::TicksBelow);
  connect(this, &QAbstractSlider::valueChanged, this, &TkxTrackBar::PositionChanged);
}

int TkxTrackBar::StoredValue() const {
  return inverted_ ? maximum() - value() : value();
}

void TkxTrackBar::Bind(std::int32_t* field) {
  field_ = field;
  if (!field_) return;
  const std::int64_t raw = inverted_ ? std::int64_t{maximum()} - *field_ : *field_;
  const int wanted = static_cast<int>(std::clamp<std::int64_t>(raw, minimum(), maximum()));
  if (wanted == value()) {
    // No move, so no valueChanged: report here so the value text is refreshed. A field beyond
    // the range that clamps onto the current position is corrected just as a move would.
    PositionChanged();
    return;
  }
  setValue(wanted);
  if (isVisible()) repaint();
}

void TkxTrackBar::PositionChanged() {
  if (field_) {
    const int stored = StoredValue();
    // A move to the value the field already holds is no change of the preset.
    if (*field_ != stored) {
      *field_ = stored;
      if (onChange_) onChange_();
    }
  } else if (onChange_) {
    onChange_();
  }
  emit Changed();
}
