#pragma once

// A track bar for a numeric parameter that can be bound to one 32-bit field of a preset. A bound
// bar shows the field's value when bound, writes every change of its position into the field and
// calls a change callback; an inverted bar stores Max minus its position, for parameters the unit
// counts the other way round.

#include <QSlider>
#include <cstdint>
#include <functional>

class TkxTrackBar : public QSlider {
  Q_OBJECT
 public:
  using TChangeCallback = std::function<void()>;

  explicit TkxTrackBar(QWidget* parent = nullptr);
  explicit TkxTrackBar(Qt::Orientation orientation, QWidget* parent = nullptr);

  int Min() const { return minimum(); }
  int Max() const { return maximum(); }
  int Position() const { return value(); }
  void SetMin(int value) { setMinimum(value); }
  void SetMax(int value) { setMaximum(value); }
  void SetPosition(int value) { setValue(value); }

  // When set, the stored value is Max minus the position.
  bool Inverted() const { return inverted_; }
  void SetInverted(bool inverted) { inverted_ = inverted; }

  // The value the position stands for: the position, or Max minus it when inverted.
  int StoredValue() const;

  // Binds the bar to a field (none unbinds) and moves it to the field's value. A bar already at
  // that value still emits Changed, so the value text beside it is refreshed.
  void Bind(std::int32_t* field);
  std::int32_t* BoundField() const { return field_; }
  void SetChangeCallback(TChangeCallback callback) { onChange_ = std::move(callback); }

 signals:
  // The ordinary change notification, after the field has been written and the callback called.
  void Changed();

 private:
  void PositionChanged();

  std::int32_t* field_ = nullptr;
  TChangeCallback onChange_;
  bool inverted_ = false;
};
