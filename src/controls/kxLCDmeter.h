#pragma once

// A display-only bar meter drawn as a matrix of small square pips, lit from one end in proportion
// to a position within a range, like a segment display. The editor's equalizer bands use it; it
// can be bound to one 32-bit field of a preset and then writes every change of its position there
// and calls a change callback.
//
// The meter keeps the pips it has drawn in an off-screen image and, when the position moves,
// draws only the pips whose state changed and asks the window system to refresh just those, so a
// scroll bar dragged across the range costs a few pips per step, not a whole redraw.

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>

// A property set to a value the control cannot take. The text is what the user is shown.
class EPropertyError : public std::runtime_error {
 public:
  explicit EPropertyError(const QString& message) : std::runtime_error(message.toStdString()) {}
  QString Message() const { return QString::fromStdString(what()); }
};

enum class TLCDOrientation { lcdHorizontal, lcdVertical };

class TkxLCDmeter : public QWidget {
  Q_OBJECT
 public:
  using TChangeCallback = std::function<void()>;

  static constexpr int LaneCount = 10;
  static constexpr int MaxPips = 256;

  explicit TkxLCDmeter(QWidget* parent = nullptr);

  int Min() const { return min_; }
  int Max() const { return max_; }
  int Position() const { return position_; }
  // Setting Min or Max alone re-clamps the position; a Min above Max raises EPropertyError
  // ("Property Out Of Range") and leaves the range as it was.
  void SetMin(int value);
  void SetMax(int value);
  void SetPosition(int value);
  // The one range operation behind the three setters. Min equal to Max is accepted.
  void SetParams(int position, int min, int max);

  QColor BrightColor() const { return bright_; }
  void SetBrightColor(const QColor& color);
  QColor DimColor() const { return dim_; }
  void SetDimColor(const QColor& color);
  // The background between the pips.
  QColor Color() const { return background_; }
  void SetColor(const QColor& color);

  TLCDOrientation Orientation() const { return orientation_; }
  void SetOrientation(TLCDOrientation orientation);

  // Pitch of the pip grid in pixels; each pip is PipSize - 1 pixels square. Sizes below 2 leave no
  // room for a gap and are raised to 2 (single-pixel pips).
  int PipSize() const { return pipSize_; }
  void SetPipSize(int value);

  // Binds the meter to a field (none unbinds). Binding moves the meter to the field's value,
  // clamped into the range; like any move, that writes the field and reports only when the
  // position actually changes.
  void Bind(std::int32_t* field);
  std::int32_t* BoundField() const { return field_; }
  // Called after the bound field has been written, whenever the position changes.
  void SetChangeCallback(TChangeCallback callback) { onChange_ = std::move(callback); }

  // Pips along the meter for its current size (at most MaxPips).
  int PipCount() const;
  // Lit pips along each lane for the current position; 0 when the range is empty (Min == Max).
  int LitCount() const;
  // Whether the pip at `pip` along lane `lane` is lit in the wanted state.
  bool PipLit(int lane, int pip) const;
  // Pips drawn into the off-screen image by the last repaint (for measuring incremental drawing).
  int PipsDrawnLastRepaint() const { return pipsDrawn_; }

  QSize sizeHint() const override { return {35, 136}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  using TPipMatrix = std::array<std::array<bool, MaxPips>, LaneCount>;

  void ComputeWanted();
  QRect PipRect(int pip, int lane) const;
  void DrawPip(QPainter& painter, int pip, int lane, bool lit);
  void FullRedraw(QPainter& painter);
  void Repaint();

  int min_ = 0;
  int max_ = 10;
  int position_ = 0;
  QColor bright_{0x00, 0xFF, 0xFF};  // aqua
  QColor dim_{0x00, 0x00, 0x80};     // navy
  QColor background_{Qt::black};
  TLCDOrientation orientation_ = TLCDOrientation::lcdVertical;
  int pipSize_ = 3;
  int count_ = 0;

  std::int32_t* field_ = nullptr;
  TChangeCallback onChange_;

  TPipMatrix wanted_{};
  TPipMatrix next_{};
  TPipMatrix painted_{};
  QImage canvas_;  // what the window shows; null until the first paint
  bool fullRedraw_ = true;
  bool litRepaint_ = false;
  int pipsDrawn_ = 0;
};
