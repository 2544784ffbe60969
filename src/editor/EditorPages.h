#pragma once

// Parameter pages generated from the parameter table: for each row the control it names (track
// bar, radio group, or equalizer meter with its scroll bar), the caption label and the value
// text label, each carrying its name as object name. The window binds the controls to the
// preset's fields; the value texts follow the controls by themselves.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

#include "preset/ParamTable.h"

class QLabel;
class QListWidget;
class QObject;
class QScrollBar;
class QTableWidget;
class QWidget;
class TkxLCDmeter;
class TkxRadioGroup;
class TkxTrackBar;

// One generated parameter control and the widgets that go with it.
struct TParamControl {
  const TParamDef* Def = nullptr;
  TkxTrackBar* TrackBar = nullptr;
  TkxRadioGroup* RadioGroup = nullptr;
  TkxLCDmeter* Meter = nullptr;
  QScrollBar* ScrollBar = nullptr;  // the meter's second view (equalizer)
  QListWidget* ListBox = nullptr;   // a plain list: the window writes its slot on a click
  QLabel* ValueText = nullptr;      // "txt..." beside a bar or under a meter
  QLabel* Caption = nullptr;        // the caption beside a bar or above a list
  // The row the value text reads by; a shared page follows the variant last bound to it.
  std::shared_ptr<const TParamDef*> TextDef;

  QWidget* Control() const;
  // Takes the variant's row: range, reversal, items and addend. The control is unbound first,
  // so no setting is written into the field it showed before; bind it again afterwards.
  void ApplyVariant(const TParamDef& def);
  // Binds the control to the field (it moves to the field's value) and shows the value text.
  void Bind(std::int32_t* field);
  // The stored value the control shows.
  int StoredValue() const;
  // Rewrites the value text from the control's position.
  void RefreshValueText() const;
};

// Calls `clicked` for every click on the list, as a list box reports them: each change of its
// selection (by the mouse, the keys or the program), and also a mouse click, or the space, enter
// or return key, on the item already selected, which changes no selection and is a click all the
// same. One click is reported once.
void OnListClick(QListWidget* list, QObject* context, std::function<void()> clicked);

// As OnListClick, for the clicks that leave an item of the single-selection list chosen: the
// current item is the selected one. The current item a list takes by itself on getting the
// focus, unselected, is no choice.
void OnListChoice(QListWidget* list, QObject* context, std::function<void()> chosen);

// Calls `clicked` once for every click on the grid: each move of its current row (by the mouse,
// the keys or the program), and a mouse click within the row already current.
void OnGridClick(QTableWidget* grid, QObject* context, std::function<void()> clicked);

// Places the rows' controls on the page (which gets a layout) and returns them in row order.
// Track bars stand in a column with their caption and value text, radio groups beside them,
// equalizer bands side by side.
std::vector<TParamControl> BuildParamPage(QWidget* page, std::span<const TParamDef> rows);
