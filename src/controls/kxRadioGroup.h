#pragma once

// A group box of radio buttons, one per item, for a named choice, that can be bound to one 32-bit
// field of a preset. A bound group shows the field's value when bound, writes every change of the
// selection into the field (plus an addend, since several effects number their choices from an
// offset) and calls a change callback.

#include <QGroupBox>
#include <QRadioButton>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class TkxRadioGroup;

// One button of a radio group. Clicks reach the group; backspace and space pressed on the button
// are reported to the group as well.
class TGroupButton : public QRadioButton {
  Q_OBJECT
 public:
  TGroupButton(TkxRadioGroup* group, int index);
  int Index() const { return index_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TkxRadioGroup* group_;
  int index_;
};

class TkxRadioGroup : public QGroupBox {
  Q_OBJECT
 public:
  using TChangeCallback = std::function<void()>;

  static constexpr int MaxColumns = 16;

  explicit TkxRadioGroup(QWidget* parent = nullptr);
  TkxRadioGroup(const QString& caption, QWidget* parent = nullptr);

  const QStringList& Items() const { return items_; }
  // One button per item. A selection beyond the new list moves to its last item and is written.
  void SetItems(const QStringList& items);

  // 1..16; other values are brought into that range.
  int Columns() const { return columns_; }
  void SetColumns(int value);

  // The selected item, -1 for none. Setting it clamps into -1..count - 1, then writes
  // index + DataAddend into the bound field and calls the change callback, even when the
  // selection did not change. A group bound to a value outside its items (see Bind) reports that
  // value minus DataAddend here and checks no button.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int value);

  // Added to ItemIndex when the value is written to the field, subtracted when it is read.
  int DataAddend() const { return dataAddend_; }
  void SetDataAddend(int value) { dataAddend_ = value; }

  // Binds the group to a field (none unbinds) and shows the field's value. The value is taken as
  // it is: one outside the items checks no button and is not written back, so the preset keeps it
  // until the user chooses. Emits Changed and Clicked, not the change callback.
  void Bind(std::int32_t* field);
  std::int32_t* BoundField() const { return field_; }
  void SetChangeCallback(TChangeCallback callback) { onChange_ = std::move(callback); }

  // While reading, the control is being set up: ItemIndex and Items are only stored, and
  // EndReading brings the selection into range and refreshes the buttons.
  void BeginReading() { reading_ = true; }
  void EndReading();
  bool Reading() const { return reading_; }

  // Whether the user may change the selection; clicks on the buttons are accepted only then.
  virtual bool CanModify() const { return true; }

  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  TGroupButton* Button(int index) const;

 signals:
  // The ordinary notifications: the selection changed / a button was clicked (or the group bound).
  void Changed();
  void Clicked();
  // Backspace or space pressed on one of the buttons.
  void ButtonKeyPressed(int key);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  friend class TGroupButton;

  void ButtonClicked(int index);
  void WriteField();
  void UpdateButtons();
  void CheckButtons();
  void ArrangeButtons();

  QStringList items_;
  std::vector<TGroupButton*> buttons_;
  int columns_ = 1;
  int itemIndex_ = -1;
  int dataAddend_ = 0;
  std::int32_t* field_ = nullptr;
  TChangeCallback onChange_;
  bool reading_ = false;
  bool updating_ = false;
};
