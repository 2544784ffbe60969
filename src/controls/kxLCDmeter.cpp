#include "controls/kxLCDmeter.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>

TkxLCDmeter::TkxLCDmeter(QWidget* parent) : QWidget(parent) {
  // Everything is drawn from the off-screen image; the window system need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  ComputeWanted();
  next_ = wanted_;
}

void TkxLCDmeter::SetMin(int value) {
  SetParams(position_, value, max_);
}

void TkxLCDmeter::SetMax(int value) {
  SetParams(position_, min_, value);
}

void TkxLCDmeter::SetPosition(int value) {
  SetParams(value, min_, max_);
}

void TkxLCDmeter::SetParams(int position, int min, int max) {
  if (min > max) throw EPropertyError(QStringLiteral("Property Out Of Range"));
  position = std::clamp(position, min, max);
  if (min != min_ || max != max_) {
    min_ = min;
    max_ = max;
    // Every pip may change meaning with the range; a full redraw is cheaper than comparing.
    fullRedraw_ = true;
  }
  if (position != position_) {
    position_ = position;
    if (field_) *field_ = position_;
    if (onChange_) onChange_();
  }
  // The pips follow the range as well as the position, so a meter never shows a stale bar.
  ComputeWanted();
  Repaint();
}

void TkxLCDmeter::SetBrightColor(const QColor& color) {
  bright_ = color;
  litRepaint_ = true;
  Repaint();
}

void TkxLCDmeter::SetDimColor(const QColor& color) {
  dim_ = color;
  fullRedraw_ = true;
  Repaint();
}

void TkxLCDmeter::SetColor(const QColor& color) {
  background_ = color;
  fullRedraw_ = true;
  Repaint();
}

void TkxLCDmeter::SetOrientation(TLCDOrientation orientation) {
  orientation_ = orientation;
  fullRedraw_ = true;
  ComputeWanted();
  Repaint();
}

void TkxLCDmeter::SetPipSize(int value) {
  pipSize_ = std::max(value, 2);
  fullRedraw_ = true;
  ComputeWanted();
  Repaint();
}

void TkxLCDmeter::Bind(std::int32_t* field) {
  field_ = field;
  if (field_) SetPosition(*field_);
}

int TkxLCDmeter::PipCount() const {
  const int along = orientation_ == TLCDOrientation::lcdVertical ? height() : width();
  return std::clamp(along / pipSize_, 0, MaxPips);
}

int TkxLCDmeter::LitCount() const {
  const std::int64_t span = std::int64_t{max_} - min_;
  // An empty range has no proportion to show; the meter stays dark rather than divide by zero.
  if (span <= 0) return 0;
  return static_cast<int>((std::int64_t{position_} - min_) * count_ / span);
}

bool TkxLCDmeter::PipLit(int lane, int pip) const {
  if (lane < 0 || lane >= LaneCount || pip < 0 || pip >= count_) return false;
  return wanted_[lane][pip];
}

void TkxLCDmeter::ComputeWanted() {
  count_ = PipCount();
  const int k = LitCount();
  const bool empty = max_ == min_;
  for (auto& lane : wanted_) {
    for (int i = 0; i < MaxPips; ++i) {
      bool lit = false;
      if (i < count_ && !empty) {
        // Vertical meters fill from the bottom and show nothing at Min; horizontal ones fill
        // from the left and always show their first pip, as the unit's own display does.
        lit = orientation_ == TLCDOrientation::lcdVertical ? k >= count_ - i : k >= i;
      }
      lane[i] = lit;
    }
  }
}

QRect TkxLCDmeter::PipRect(int pip, int lane) const {
  const int side = pipSize_ - 1;
  if (orientation_ == TLCDOrientation::lcdVertical)
    return {lane * pipSize_, pip * pipSize_, side, side};
  return {pip * pipSize_, lane * pipSize_, side, side};
}

void TkxLCDmeter::DrawPip(QPainter& painter, int pip, int lane, bool lit) {
  // With a pitch of 2 the rectangle is a single pixel.
  painter.fillRect(PipRect(pip, lane), lit ? bright_ : dim_);
  ++pipsDrawn_;
}

void TkxLCDmeter::FullRedraw(QPainter& painter) {
  painter.fillRect(canvas_.rect(), background_);
  for (int lane = 0; lane < LaneCount; ++lane) {
    for (int pip = 0; pip < count_; ++pip) DrawPip(painter, pip, lane, next_[lane][pip]);
  }
  painted_ = next_;
  fullRedraw_ = false;
  litRepaint_ = false;
}

void TkxLCDmeter::Repaint() {
  next_ = wanted_;
  pipsDrawn_ = 0;
  // A hidden meter, or one not yet painted at its size, is drawn whole by its next paint.
  if (!isVisible() || canvas_.isNull() || canvas_.size() != size()) {
    fullRedraw_ = true;
    update();
    return;
  }
  QPainter painter(&canvas_);
  QRegion dirty;
  if (fullRedraw_) {
    FullRedraw(painter);
    dirty = rect();
  } else if (litRepaint_) {
    // Only the lit pips show the bright colour.
    for (int lane = 0; lane < LaneCount; ++lane) {
      for (int pip = 0; pip < count_; ++pip) {
        if (!next_[lane][pip]) continue;
        DrawPip(painter, pip, lane, true);
        painted_[lane][pip] = true;
        dirty += PipRect(pip, lane);
      }
    }
    litRepaint_ = false;
  } else {
    for (int lane = 0; lane < LaneCount; ++lane) {
      for (int pip = 0; pip < count_; ++pip) {
        if (next_[lane][pip] == painted_[lane][pip]) continue;
        DrawPip(painter, pip, lane, next_[lane][pip]);
        painted_[lane][pip] = next_[lane][pip];
        dirty += PipRect(pip, lane);
      }
    }
  }
  painter.end();
  if (!dirty.isEmpty()) update(dirty);
}

void TkxLCDmeter::paintEvent(QPaintEvent* event) {
  if (canvas_.isNull() || canvas_.size() != size() || fullRedraw_) {
    canvas_ = QImage(size(), QImage::Format_RGB32);
    if (canvas_.isNull()) return;  // zero-sized: nothing to show
    count_ = PipCount();
    QPainter painter(&canvas_);
    pipsDrawn_ = 0;
    FullRedraw(painter);
  }
  QPainter painter(this);
  painter.drawImage(event->rect(), canvas_, event->rect());
}

void TkxLCDmeter::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The pip count depends on the size, so the bar is worked out again for it.
  ComputeWanted();
  next_ = wanted_;
  fullRedraw_ = true;
}
