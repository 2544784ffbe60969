#include "controls/kxRadioGroup.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <algorithm>

TGroupButton::TGroupButton(TkxRadioGroup* group, int index)
    : QRadioButton(group), group_(group), index_(index) {
  connect(this, &QAbstractButton::clicked, this, [this] { group_->ButtonClicked(index_); });
}

void TGroupButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Space) {
    emit group_->ButtonKeyPressed(event->key());
    // Space would select the button; a group that refuses changes swallows it.
    if (!group_->CanModify()) {
      event->accept();
      return;
    }
  }
  QRadioButton::keyPressEvent(event);
}

TkxRadioGroup::TkxRadioGroup(QWidget* parent) : QGroupBox(parent) {}

TkxRadioGroup::TkxRadioGroup(const QString& caption, QWidget* parent)
    : QGroupBox(caption, parent) {}

void TkxRadioGroup::SetItems(const QStringList& items) {
  items_ = items;
  if (reading_) return;
  if (itemIndex_ >= items_.size()) {
    itemIndex_ = static_cast<int>(items_.size()) - 1;
    WriteField();
  }
  if (onChange_) onChange_();
  UpdateButtons();
}

void TkxRadioGroup::SetColumns(int value) {
  value = std::clamp(value, 1, MaxColumns);
  if (value == columns_) return;
  columns_ = value;
  ArrangeButtons();
}

void TkxRadioGroup::SetItemIndex(int value) {
  if (reading_) {
    itemIndex_ = value;
  } else {
    value = std::clamp(value, -1, static_cast<int>(items_.size()) - 1);
    if (value != itemIndex_) {
      itemIndex_ = value;
      CheckButtons();
      emit Changed();
    }
  }
  WriteField();
  if (onChange_) onChange_();
}

void TkxRadioGroup::Bind(std::int32_t* field) {
  field_ = field;
  if (!field_) return;
  // Taken as it is: clamping here would silently rewrite a value the preset holds.
  itemIndex_ = *field_ - dataAddend_;
  UpdateButtons();
  emit Changed();
  emit Clicked();
}

void TkxRadioGroup::EndReading() {
  reading_ = false;
  itemIndex_ = std::clamp(itemIndex_, -1, static_cast<int>(items_.size()) - 1);
  UpdateButtons();
}

TGroupButton* TkxRadioGroup::Button(int index) const {
  if (index < 0 || index >= ButtonCount()) return nullptr;
  return buttons_[index];
}

void TkxRadioGroup::ButtonClicked(int index) {
  if (updating_) return;
  if (!CanModify()) {
    CheckButtons();  // undo the check the click made
    return;
  }
  itemIndex_ = index;
  CheckButtons();
  WriteField();
  if (onChange_) onChange_();
  emit Changed();
  emit Clicked();
}

void TkxRadioGroup::WriteField() {
  // Only a real selection is a value; "none" (or a bound value outside the items, which the
  // field already holds) must not put an invented number into the preset.
  if (!field_ || itemIndex_ < 0 || itemIndex_ >= ButtonCount()) return;
  *field_ = itemIndex_ + dataAddend_;
}

void TkxRadioGroup::UpdateButtons() {
  const int count = static_cast<int>(items_.size());
  while (ButtonCount() > count) {
    // Later, not now: the items may change from inside a handler of this very button's click.
    TGroupButton* surplus = buttons_.back();
    buttons_.pop_back();
    surplus->hide();
    surplus->deleteLater();
  }
  while (ButtonCount() < count) buttons_.push_back(new TGroupButton(this, ButtonCount()));
  updating_ = true;
  for (int i = 0; i < count; ++i) buttons_[i]->setText(items_[i]);
  updating_ = false;
  CheckButtons();
  ArrangeButtons();
}

void TkxRadioGroup::CheckButtons() {
  updating_ = true;
  for (int i = 0; i < ButtonCount(); ++i) {
    TGroupButton* button = buttons_[i];
    const bool wanted = i == itemIndex_;
    if (button->isChecked() == wanted) continue;
    if (wanted) {
      button->setChecked(true);  // unchecks the others of the group
    } else {
      // An auto-exclusive button refuses to be unchecked directly; "no selection" needs this.
      button->setAutoExclusive(false);
      button->setChecked(false);
      button->setAutoExclusive(true);
    }
  }
  updating_ = false;
}

void TkxRadioGroup::ArrangeButtons() {
  const int count = ButtonCount();
  if (count == 0) return;
  const int h = fontMetrics().height();
  const int perColumn = (count + columns_ - 1) / columns_;
  const int w = (width() - 10) / columns_;
  const int available = height() - h - 5;
  const int b = available / perColumn;
  const int top = h + 1 + (available % perColumn) / 2;
  // One batch: the group repaints once, not once per moved button. Only a group that paints
  // may be paused: a group on a page not shown yet reports updates off, and switching them "back"
  // to off would pin them off for good (Qt keeps an explicit off even after the page shows), so
  // such a group would never be drawn.
  const bool pause = updatesEnabled();
  if (pause) setUpdatesEnabled(false);
  for (int i = 0; i < count; ++i) {
    buttons_[i]->setGeometry((i / perColumn) * w + 8, (i % perColumn) * b + top, std::max(w, 0),
                             std::max(b, 0));
    buttons_[i]->setVisible(true);
  }
  if (pause) setUpdatesEnabled(true);
}

void TkxRadioGroup::resizeEvent(QResizeEvent* event) {
  QGroupBox::resizeEvent(event);
  ArrangeButtons();
}

void TkxRadioGroup::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() == QEvent::FontChange) ArrangeButtons();
}
