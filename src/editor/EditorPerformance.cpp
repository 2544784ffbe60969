// The "Performance MIDI" page of the preset editor: the assignments in use, the choice of the
// parameter each one moves and its range, and the controller grid with the user's names, which
// live in the settings so every editor shows them.

#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "PresetEditor.h"
#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "controls/kxLCDmeter.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "preset/DigitalCatalogue.h"
#include "preset/PerfAssignments.h"

namespace {

const QString MonitorItem = QStringLiteral("MIDI Monitor");
const QString MixItem = QStringLiteral("Mix");
const QString PresetErrorCaption = QStringLiteral("Preset error");
constexpr int GridRowHeight = 20;

QLabel* Caption(const QString& text, QWidget* parent) {
  return new QLabel(text, parent);
}

// Range of stored values a parameter control offers, and the value it shows.
struct TControlRange {
  int Min = 0;
  int Max = 0;
  int Current = 0;
  bool Reversed = false;  // the range bar's position p stands for Max - p
};

TControlRange RangeOf(const TParamControl& c) {
  if (c.TrackBar)
    return {c.TrackBar->Min(), c.TrackBar->Max(), c.TrackBar->Position(), c.TrackBar->Inverted()};
  if (c.RadioGroup) {
    const int addend = c.RadioGroup->DataAddend();
    return {addend, addend + c.RadioGroup->ButtonCount() - 1, c.RadioGroup->ItemIndex() + addend,
            false};
  }
  if (c.ListBox) return {0, c.ListBox->count() - 1, c.ListBox->currentRow(), false};
  // An equalizer band: its range bar runs over the stored levels, like the meter.
  return {c.Def->Min, c.Def->Max, c.Meter ? c.Meter->Position() : 0, false};
}

}  // namespace

void TfrmPresetEditor::BuildPerfPage() {
  auto* grid = new QGridLayout(tsPerfMIDI);

  lbxPMIdefctl = new QListWidget(tsPerfMIDI);
  lbxPMIdefctl->setObjectName(QStringLiteral("lbxPMIdefctl"));
  lbxPMIdefctl->setSortingEnabled(true);
  lbxPMIdefctl->setToolTip(QStringLiteral("Right-click for options..."));
  lbxPMIdefctl->setContextMenuPolicy(Qt::CustomContextMenu);
  popPMIctldef = new QMenu(this);
  popPMIctldef->setObjectName(QStringLiteral("popPMIctldef"));
  pmiAddController = popPMIctldef->addAction(QStringLiteral("&Add controller"));
  pmiAddController->setObjectName(QStringLiteral("pmiAddController"));
  pmiDeleteController = popPMIctldef->addAction(QStringLiteral("Delete Controller"));
  pmiDeleteController->setObjectName(QStringLiteral("pmiDeleteController"));
  btnPMIadd = new QToolButton(tsPerfMIDI);
  btnPMIadd->setObjectName(QStringLiteral("btnPMIadd"));
  btnPMIadd->setText(QStringLiteral("+"));
  btnPMIadd->setToolTip(QStringLiteral("Add new controller"));
  btnPMIdel = new QToolButton(tsPerfMIDI);
  btnPMIdel->setObjectName(QStringLiteral("btnPMIdel"));
  btnPMIdel->setText(QStringLiteral("-"));
  btnPMIdel->setToolTip(QStringLiteral("Delete controller"));
  auto* defColumn = new QVBoxLayout;
  defColumn->addWidget(Caption(QStringLiteral("Controllers defined:"), tsPerfMIDI));
  defColumn->addWidget(lbxPMIdefctl, 1);
  auto* defButtons = new QHBoxLayout;
  defButtons->addWidget(btnPMIadd);
  defButtons->addWidget(btnPMIdel);
  defButtons->addStretch(1);
  defColumn->addLayout(defButtons);
  grid->addLayout(defColumn, 0, 0);

  lbxCtlParam = new QListWidget(tsPerfMIDI);
  lbxCtlParam->setObjectName(QStringLiteral("lbxCtlParam"));
  lbxParamNames = new QListWidget(tsPerfMIDI);
  lbxParamNames->setObjectName(QStringLiteral("lbxParamNames"));
  auto* paramColumn = new QVBoxLayout;
  paramColumn->addWidget(Caption(QStringLiteral("Effect / parameter  to control:"), tsPerfMIDI));
  auto* paramLists = new QHBoxLayout;
  paramLists->addWidget(lbxCtlParam);
  paramLists->addWidget(lbxParamNames);
  paramColumn->addLayout(paramLists, 1);
  grid->addLayout(paramColumn, 0, 1);

  const auto rangeBar = [this](const char* name, const char* valueName, const QString& hint,
                               QLabel*& text) {
    auto* bar = new QScrollBar(Qt::Horizontal, tsPerfMIDI);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setToolTip(hint);
    bar->setPageStep(1);
    bar->setMinimumWidth(150);
    text = new QLabel(tsPerfMIDI);
    text->setObjectName(QString::fromLatin1(valueName));
    text->setAlignment(Qt::AlignHCenter);
    return bar;
  };
  scrLowValue = rangeBar("scrLowValue", "lblPMILowValue",
                         QStringLiteral("The minimum parameter value (may be > max to specify a "
                                        "reversed range)"),
                         lblPMILowValue);
  scrHighValue = rangeBar("scrHighValue", "lblPMIHighValue",
                          QStringLiteral("The maximum parameter value (may be < min to specify a "
                                         "reversed range)"),
                          lblPMIHighValue);
  lblPMIcurrval = new QLabel(tsPerfMIDI);
  lblPMIcurrval->setObjectName(QStringLiteral("lblPMIcurrval"));
  lblPMIcurrval->setAlignment(Qt::AlignHCenter);
  lblPMIcurrval->setToolTip(QStringLiteral("The current value of the selected parameter"));
  auto* rangeColumn = new QVBoxLayout;
  rangeColumn->addWidget(Caption(QStringLiteral("Low range value:"), tsPerfMIDI));
  rangeColumn->addWidget(scrLowValue);
  rangeColumn->addWidget(lblPMILowValue);
  rangeColumn->addWidget(Caption(QStringLiteral("High range value:"), tsPerfMIDI));
  rangeColumn->addWidget(scrHighValue);
  rangeColumn->addWidget(lblPMIHighValue);
  rangeColumn->addWidget(Caption(QStringLiteral("Current value:"), tsPerfMIDI));
  rangeColumn->addWidget(lblPMIcurrval);
  rangeColumn->addStretch(1);
  grid->addLayout(rangeColumn, 0, 2);

  grdPMctl = new QTableWidget(ControllerNameCount, 2, tsPerfMIDI);
  grdPMctl->setObjectName(QStringLiteral("grdPMctl"));
  grdPMctl->setToolTip(
      QStringLiteral("The controller no. to be monitored for these parameter changes (you can key "
                     "in your own controller names)"));
  grdPMctl->horizontalHeader()->hide();
  grdPMctl->verticalHeader()->hide();
  grdPMctl->verticalHeader()->setDefaultSectionSize(GridRowHeight);
  grdPMctl->setSelectionMode(QAbstractItemView::SingleSelection);
  grdPMctl->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdPMctl->setMinimumWidth(200);
  for (int row = 0; row < ControllerNameCount; ++row) {
    auto* number = new QTableWidgetItem;
    number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);  // the fixed column
    grdPMctl->setItem(row, 0, number);
    grdPMctl->setItem(row, 1, new QTableWidgetItem);
  }
  btnVexaleft = new QPushButton(QStringLiteral("Vexa &left"), tsPerfMIDI);
  btnVexaleft->setObjectName(QStringLiteral("btnVexaleft"));
  btnVexaleft->setToolTip(
      QStringLiteral("This selects the default controller used by the Vexa's left pedal"));
  btnVexaright = new QPushButton(QStringLiteral("Vexa &right"), tsPerfMIDI);
  btnVexaright->setObjectName(QStringLiteral("btnVexaright"));
  btnVexaright->setToolTip(
      QStringLiteral("This selects the default controller used by the Vexa's right pedal"));
  auto* gridColumn = new QVBoxLayout;
  gridColumn->addWidget(Caption(QStringLiteral("MIDI Controller assignment:"), tsPerfMIDI));
  gridColumn->addWidget(grdPMctl, 1);
  auto* vexa = new QHBoxLayout;
  vexa->addWidget(btnVexaleft);
  vexa->addWidget(btnVexaright);
  gridColumn->addLayout(vexa);
  grid->addLayout(gridColumn, 0, 3);
  grid->setColumnStretch(3, 1);

  // The lists act on every click that chooses an item, by the mouse or the keys, also on the item
  // already chosen; a change the page makes itself, or a current item a list only takes on
  // getting the focus, is no choice.
  OnListChoice(lbxPMIdefctl, this, [this] {
    if (!perfUpdating_) lbxPMIdefctlClick();
  });
  connect(lbxPMIdefctl, &QListWidget::itemSelectionChanged, this,
          [this] { UpdatePerfAddDelete(); });
  connect(lbxPMIdefctl, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    popPMIctldefPopup();
    popPMIctldef->popup(lbxPMIdefctl->viewport()->mapToGlobal(at));
  });
  connect(pmiAddController, &QAction::triggered, this, [this] { btnPMIaddClick(); });
  connect(pmiDeleteController, &QAction::triggered, this, [this] { btnPMIdelClick(); });
  connect(btnPMIadd, &QToolButton::clicked, this, [this] { btnPMIaddClick(); });
  connect(btnPMIdel, &QToolButton::clicked, this, [this] { btnPMIdelClick(); });
  OnListChoice(lbxCtlParam, this, [this] {
    if (!perfUpdating_) lbxCtlParamClick();
  });
  OnListChoice(lbxParamNames, this, [this] {
    if (!perfUpdating_) lbxParamNamesClick();
  });
  connect(scrLowValue, &QScrollBar::valueChanged, this, [this] { scrLowValueChange(); });
  connect(scrHighValue, &QScrollBar::valueChanged, this, [this] { scrHighValueChange(); });
  // One click on a row is one choice of its controller, whether or not it moves the grid's row.
  OnGridClick(grdPMctl, this, [this] { grdPMctlClick(); });
  connect(grdPMctl, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
    if (!namesFilling_ && item->column() == 1) grdPMctlSetEditText(item->row(), item->text());
  });
  connect(btnVexaleft, &QPushButton::clicked, this, [this] { btnVexaleftClick(); });
  connect(btnVexaright, &QPushButton::clicked, this, [this] { btnVexarightClick(); });
}

// ---------------------------------------------------------------------------------------------
// Controller names

TkxRegUtil& TfrmPresetEditor::ControllerStore() {
  if (Settings) return *Settings;
  if (!ownSettings_) ownSettings_ = std::make_unique<TkxRegUtil>();
  ownSettings_->SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/") + AppTitle);
  return *ownSettings_;
}

void TfrmPresetEditor::FillControllerNames(QTableWidget* grid) {
  namesFilling_ = true;
  TkxRegUtil& store = ControllerStore();
  // One opening of the store for all the names: a show reads them every time, since another
  // editor may have renamed a controller meanwhile.
  static const QStringList rows = [] {
    QStringList numbers;
    for (int row = 0; row < ControllerNameCount; ++row) numbers.push_back(QString::number(row));
    return numbers;
  }();
  QStringList names;
  try {
    names = store.ReadStringsAt(store.Path() + QStringLiteral("\\Controllers"), rows);
  } catch (const ERegistryError&) {
    names.clear();  // an unreadable key reads as no names
  }
  for (int row = 0; row < ControllerNameCount; ++row) {
    grid->item(row, 0)->setText(rows[row]);
    const QString name = row < names.size() ? names[row] : QString();
    grid->item(row, 1)->setText(name.isEmpty() ? BuiltInControllerName(row) : name);
  }
  // The numbers keep their width; the names take the rest of the grid, at least as much as the
  // widest built-in name needs (the grid may be laid out while its page is hidden, when its
  // viewport still has no width of its own). The widths follow the grid's font alone.
  if (grid->font() != namesFont_ || namesWidth_ == 0) {
    namesFont_ = grid->font();
    const QFontMetrics fm = grid->fontMetrics();
    numberWidth_ = fm.horizontalAdvance(QStringLiteral("XXXX")) + 8;
    namesWidth_ = 0;
    for (int row = 0; row < ControllerNameCount; ++row)
      namesWidth_ = std::max(namesWidth_, fm.horizontalAdvance(BuiltInControllerName(row)) + 10);
  }
  grid->setColumnWidth(0, numberWidth_);
  grid->setColumnWidth(1, namesWidth_);
  grid->horizontalHeader()->setStretchLastSection(true);
  grid->setMinimumWidth(numberWidth_ + namesWidth_ + grid->verticalScrollBar()->sizeHint().width() +
                        2 * grid->frameWidth());
  namesFilling_ = false;
}

void TfrmPresetEditor::SaveControllerName(int row, const QString& text) {
  TkxRegUtil& store = ControllerStore();
  try {
    store.WriteStringAt(store.Path() + QStringLiteral("\\Controllers"), QString::number(row), text);
  } catch (const ERegistryError& e) {
    ShowErrorMessage(this, e.Message());
  }
}

QString TfrmPresetEditor::ControllerNameOf(int row) const {
  const QTableWidgetItem* item = grdPMctl->item(row, 1);
  return item ? item->text() : BuiltInControllerName(row);
}

void TfrmPresetEditor::grdPMctlSetEditText(int row, const QString& text) {
  SaveControllerName(row, text);
}

// ---------------------------------------------------------------------------------------------
// Lists

void TfrmPresetEditor::RefreshPerfControllers() {
  const bool was = perfUpdating_;
  perfUpdating_ = true;
  lbxPMIdefctl->clear();
  for (int k : DropAbsentAssignments(preset_)) lbxPMIdefctl->addItem(AssignmentText(k));
  perfUpdating_ = was;
  // The entry shown may just have been dropped, and none of the new items is selected: no entry
  // is edited until the user chooses one, as after a page switch.
  perfCurrent_ = -1;
  ResetParamLists(true);
  DisablePerfEditing();
}

void TfrmPresetEditor::ResetParamLists(bool fillEffects) {
  const bool was = perfUpdating_;
  perfUpdating_ = true;
  lbxParamNames->clear();
  paramControls_.clear();
  rangeEdit_ = false;
  lblPMIcurrval->clear();
  lblPMILowValue->clear();
  lblPMIHighValue->clear();
  if (fillEffects) {
    lbxCtlParam->clear();
    lbxCtlParam->addItem(MonitorItem);
    lbxCtlParam->addItem(MixItem);
    for (int i = 0; i < pgcAnalogParams->count(); ++i)
      if (pgcAnalogParams->isTabVisible(i)) lbxCtlParam->addItem(pgcAnalogParams->tabText(i));
    for (int i = 0; i < pgcDigitalParams->count(); ++i)
      if (pgcDigitalParams->isTabVisible(i)) lbxCtlParam->addItem(pgcDigitalParams->tabText(i));
  }
  perfUpdating_ = was;
  UpdatePerfAddDelete();
}

void TfrmPresetEditor::UpdatePerfAddDelete() {
  pmiAddController->setEnabled(lbxPMIdefctl->count() < PerfMIDICount);
  const QList<QListWidgetItem*> selected = lbxPMIdefctl->selectedItems();
  const QString caption = selected.isEmpty() ? QStringLiteral("Delete Controller")
                                             : QStringLiteral("Delete ") + selected.first()->text();
  pmiDeleteController->setEnabled(!selected.isEmpty());
  pmiDeleteController->setText(caption);
  btnPMIdel->setToolTip(caption);
  btnPMIadd->setEnabled(pmiAddController->isEnabled());
  btnPMIdel->setEnabled(pmiDeleteController->isEnabled());
}

void TfrmPresetEditor::popPMIctldefPopup() {
  UpdatePerfAddDelete();
}

void TfrmPresetEditor::pgcPresetChange() {
  lbxPMIdefctl->clearSelection();
  lbxPMIdefctl->setCurrentRow(-1, QItemSelectionModel::Clear);
  if (pgcPreset->currentWidget() != tsPerfMIDI) return;
  ResetParamLists(true);
  DisablePerfEditing();
}

void TfrmPresetEditor::DisablePerfEditing() {
  for (QWidget* w :
       std::initializer_list<QWidget*>{lbxCtlParam, lbxParamNames, grdPMctl, btnVexaleft,
                                       btnVexaright, scrLowValue, scrHighValue})
    w->setEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Entries

void TfrmPresetEditor::btnPMIaddClick() {
  const std::optional<int> added = AddAssignment(preset_);
  if (!added) {
    MarkModified(true);
    return;
  }
  const int k = *added;
  perfCurrent_ = k;
  const QString text = AssignmentText(k);
  lbxPMIdefctl->addItem(text);
  const bool was = perfUpdating_;
  perfUpdating_ = true;
  SelectControllerRow(preset_.PerfMIDI[k].Controller);
  if (const QList<QListWidgetItem*> found = lbxPMIdefctl->findItems(text, Qt::MatchExactly);
      !found.isEmpty())
    lbxPMIdefctl->setCurrentItem(found.first());
  ShowPerfEntry();
  perfUpdating_ = was;
  UpdatePerfAddDelete();
  MarkModified(true);
}

void TfrmPresetEditor::btnPMIdelClick() {
  QListWidgetItem* item = lbxPMIdefctl->currentItem();
  if (!item || !item->isSelected()) return;
  // The entry is the one the selected item names, whichever entry was shown last.
  const int hash = item->text().indexOf(QLatin1Char('#'));
  const int k = hash >= 0 ? item->text().mid(hash + 1, 1).toInt() - 1 : perfCurrent_;
  {
    // The list moving its current item to a neighbour is no choice of that entry.
    const bool was = perfUpdating_;
    perfUpdating_ = true;
    delete lbxPMIdefctl->takeItem(lbxPMIdefctl->row(item));
    perfUpdating_ = was;
  }
  if (k >= 0 && k < PerfMIDICount) DeleteAssignment(preset_, k);
  perfCurrent_ = -1;
  pgcPresetChange();
  UpdatePerfAddDelete();
  MarkModified(true);
}

void TfrmPresetEditor::lbxPMIdefctlClick() {
  QListWidgetItem* item = lbxPMIdefctl->currentItem();
  if (!item) return;
  const QString text = item->text();
  const int hash = text.indexOf(QLatin1Char('#'));
  bool ok = false;
  const int number = hash >= 0 ? text.mid(hash + 1, 1).toInt(&ok) : 0;
  if (!ok || number < 1 || number > PerfMIDICount) {
    MessageDlg(this, PresetErrorCaption, QStringLiteral("Invalid controller item"),
               QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  perfCurrent_ = number - 1;
  const bool was = perfUpdating_;
  perfUpdating_ = true;
  ShowPerfEntry();
  perfUpdating_ = was;
  UpdatePerfAddDelete();
}

void TfrmPresetEditor::ShowPerfEntry() {
  const int k = perfCurrent_;
  if (k < 0 || k >= PerfMIDICount) return;
  const bool enabled = !lbxPMIdefctl->selectedItems().isEmpty();
  for (QWidget* w : std::initializer_list<QWidget*>{lbxCtlParam, lbxParamNames, grdPMctl,
                                                    btnVexaleft, btnVexaright})
    w->setEnabled(enabled);
  TPerfMIDI& entry = preset_.PerfMIDI[k];
  const auto choose = [this](const QString& effect, int parameter) {
    const QList<QListWidgetItem*> found = lbxCtlParam->findItems(effect, Qt::MatchExactly);
    if (found.isEmpty()) return false;
    lbxCtlParam->setCurrentItem(found.first());
    lbxCtlParamClick();
    if (parameter < 0 || parameter >= lbxParamNames->count()) return false;
    lbxParamNames->setCurrentRow(parameter);
    return true;
  };

  if (entry.ParamNo < FirstAnalogParam) {
    const bool monitor = entry.ParamNo < FirstMixParam;
    choose(monitor ? MonitorItem : MixItem, monitor ? 0 : entry.ParamNo - 1);
    SetUpRange(false);
  } else {
    QString caption;
    int position = -1;
    if (entry.ParamNo < FirstDigitalParam) {
      const int slot = entry.ParamNo - FirstAnalogParam;
      const int effect = AnalogEffectOfSlot(slot);
      if (effect >= 0 && pgcAnalogParams->isTabVisible(effect)) {
        caption = pgcAnalogParams->tabText(effect);
        position = slot - AnalogSlotOffset(effect);
      }
    } else {
      const int slot = entry.ParamNo - FirstDigitalParam;
      const int group = preset_.DigitalGroup;
      for (int place = 0; place < GroupEffectCount(group); ++place) {
        if (slot < SlotOffset(group, place) || slot >= SlotOffset(group, place + 1)) continue;
        const int page = DigitalCatalogue[GroupEffect(group, place)].Page;
        if (pgcDigitalParams->isTabVisible(page)) {
          caption = pgcDigitalParams->tabText(page);
          position = slot - SlotOffset(group, place);
        }
      }
    }
    if (caption.isEmpty() || !choose(caption, position)) {
      MessageDlg(this, PresetErrorCaption,
                 QStringLiteral("Performance MIDI controller data is invalid"),
                 QMessageBox::Warning, QMessageBox::Ok);
      return;
    }
    SetUpRange(false);
    // The stored range as it is: a value the control cannot show is reported, and the bar stays
    // where the range set-up left it, inside its range, until the user moves it.
    if (entry.Low < scrLowValue->minimum() || entry.Low > scrLowValue->maximum())
      MessageDlg(this, PresetErrorCaption, QStringLiteral("Invalid low range value"),
                 QMessageBox::Warning, QMessageBox::Ok);
    if (entry.High < scrHighValue->minimum() || entry.High > scrHighValue->maximum())
      MessageDlg(this, PresetErrorCaption, QStringLiteral("Invalid high range value"),
                 QMessageBox::Warning, QMessageBox::Ok);
  }
  SelectControllerRow(entry.Controller);
}

void TfrmPresetEditor::lbxCtlParamClick() {
  ResetParamLists(false);
  scrLowValue->setEnabled(false);
  scrHighValue->setEnabled(false);
  QListWidgetItem* item = lbxCtlParam->currentItem();
  if (!item) return;
  const bool userChoice = !perfUpdating_;
  // Filling the parameter list is no choice of a parameter.
  perfUpdating_ = true;
  const QString effect = item->text();
  const auto add = [this](const TParamControl& c) {
    lbxParamNames->addItem(c.Def->ParamName());
    paramControls_.push_back(&c);
  };
  if (effect == MonitorItem) {
    lbxParamNames->addItem(QStringLiteral("enabled"));
    paramControls_.push_back(nullptr);
    lbxParamNames->setCurrentRow(0);
  } else if (effect == MixItem) {
    for (const TParamControl& c : mixControls_) add(c);
  } else {
    bool found = false;
    for (int i = 0; i < pgcAnalogParams->count() && !found; ++i) {
      if (!pgcAnalogParams->isTabVisible(i) || pgcAnalogParams->tabText(i) != effect) continue;
      found = true;
      const int first = AnalogSlotOffset(i);
      for (int slot = first; slot < first + AnalogEffectParamCounts[i]; ++slot)
        if (!analogControls_[slot].Control()->isHidden()) add(analogControls_[slot]);
    }
    for (int p = 0; p < pgcDigitalParams->count() && !found; ++p) {
      if (!pgcDigitalParams->isTabVisible(p) || pgcDigitalParams->tabText(p) != effect) continue;
      found = true;
      for (int i = digitalPageStart_[p]; i < digitalPageStart_[p + 1]; ++i)
        if (!digitalControls_[i].Control()->isHidden()) add(digitalControls_[i]);
    }
  }
  perfUpdating_ = !userChoice;
  if (userChoice) MarkModified(true);
}

void TfrmPresetEditor::lbxParamNamesClick() {
  const int k = perfCurrent_;
  if (k < 0 || k >= PerfMIDICount) return;
  const int row = lbxParamNames->currentRow();
  const QListWidgetItem* effectItem = lbxCtlParam->currentItem();
  int number = -1;
  if (effectItem && row >= 0) {
    const QString effect = effectItem->text();
    if (effect == MonitorItem) {
      number = 0;
    } else if (effect == MixItem) {
      number = row + 1;
    } else {
      for (int i = 0; i < pgcAnalogParams->count() && number < 0; ++i)
        if (pgcAnalogParams->isTabVisible(i) && pgcAnalogParams->tabText(i) == effect)
          number = FirstAnalogParam + AnalogSlotOffset(i) + row;
      const int group = preset_.DigitalGroup;
      for (int place = 0; place < GroupEffectCount(group) && number < 0; ++place) {
        const int page = DigitalCatalogue[GroupEffect(group, place)].Page;
        if (preset_.DigitalInUse[place] && pgcDigitalParams->tabText(page) == effect)
          number = FirstDigitalParam + SlotOffset(group, place) + row;
      }
    }
  }
  if (number < 0) {
    MessageDlg(this, PresetErrorCaption, QStringLiteral("Parameter not identified"),
               QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  TPerfMIDI& entry = preset_.PerfMIDI[k];
  if (number != entry.ParamNo) {
    entry.InUse = false;
    entry.ParamNo = number;
    SetUpRange(true);
  }
  if (grdPMctl->currentRow() >= 0) entry.Controller = grdPMctl->currentRow();
  MarkModified(true);
}

void TfrmPresetEditor::SetUpRange(bool edit) {
  const int row = lbxParamNames->currentRow();
  const TParamControl* control =
      row >= 0 && row < int(paramControls_.size()) ? paramControls_[row] : nullptr;
  const bool was = perfUpdating_;
  perfUpdating_ = true;
  if (!control) {
    scrLowValue->setEnabled(false);
    scrHighValue->setEnabled(false);
    lblPMIcurrval->clear();
    lblPMILowValue->clear();
    lblPMIHighValue->clear();
    for (QWidget* w : std::initializer_list<QWidget*>{grdPMctl, btnVexaleft, btnVexaright})
      w->setEnabled(true);
    perfUpdating_ = was;
    return;
  }
  for (QWidget* w :
       std::initializer_list<QWidget*>{btnVexaleft, btnVexaright, scrLowValue, scrHighValue})
    w->setEnabled(true);
  const TControlRange range = RangeOf(*control);
  scrLowValue->setRange(range.Min, range.Max);
  scrHighValue->setRange(range.Min, range.Max);
  scrLowValue->setValue(range.Current);
  lblPMIcurrval->setText(RangeValueText(*control->Def, range.Current, range.Min));
  if (perfCurrent_ >= 0) {
    TPerfMIDI& entry = preset_.PerfMIDI[perfCurrent_];
    int low = entry.Low, high = entry.High;
    if (!entry.InUse) {
      low = range.Min;
      high = range.Max;
    }
    // Only the user's choice of a target changes the entry; showing it leaves it as stored.
    if (edit) {
      if (!entry.InUse) {
        entry.Low = low;
        entry.High = high;
        entry.InUse = true;
      }
      entry.Extra = 255;
    }
    // A reversed bar's positions run the other way round from the stored values.
    const auto position = [&](int stored) { return range.Reversed ? range.Max - stored : stored; };
    scrLowValue->setValue(position(low));
    scrHighValue->setValue(position(high));
  }
  ShowRangeText(lblPMILowValue, scrLowValue->value());
  ShowRangeText(lblPMIHighValue, scrHighValue->value());
  rangeEdit_ = true;
  perfUpdating_ = was;
}

void TfrmPresetEditor::ShowRangeText(QLabel* label, int position) const {
  const int row = lbxParamNames->currentRow();
  const TParamControl* control =
      row >= 0 && row < int(paramControls_.size()) ? paramControls_[row] : nullptr;
  label->setText(control ? RangeValueText(*control->Def, position, scrLowValue->minimum())
                         : QString());
}

void TfrmPresetEditor::scrLowValueChange() {
  ShowRangeText(lblPMILowValue, scrLowValue->value());
  if (perfUpdating_) return;  // the page placing its bars is no edit
  if (rangeEdit_ && perfCurrent_ >= 0) {
    const int row = lbxParamNames->currentRow();
    const TParamControl* c =
        row >= 0 && row < int(paramControls_.size()) ? paramControls_[row] : nullptr;
    const bool reversed = c && c->TrackBar && c->TrackBar->Inverted();
    preset_.PerfMIDI[perfCurrent_].Low =
        reversed ? scrLowValue->maximum() - scrLowValue->value() : scrLowValue->value();
  }
  MarkModified(false);
}

void TfrmPresetEditor::scrHighValueChange() {
  ShowRangeText(lblPMIHighValue, scrHighValue->value());
  if (perfUpdating_) return;
  if (rangeEdit_ && perfCurrent_ >= 0) {
    const int row = lbxParamNames->currentRow();
    const TParamControl* c =
        row >= 0 && row < int(paramControls_.size()) ? paramControls_[row] : nullptr;
    const bool reversed = c && c->TrackBar && c->TrackBar->Inverted();
    preset_.PerfMIDI[perfCurrent_].High =
        reversed ? scrHighValue->maximum() - scrHighValue->value() : scrHighValue->value();
  }
  MarkModified(false);
}

// ---------------------------------------------------------------------------------------------
// Controller grid

void TfrmPresetEditor::SelectControllerRow(int row) {
  if (row < 0 || row >= ControllerNameCount) return;
  {
    const QSignalBlocker block(grdPMctl);
    grdPMctl->setCurrentCell(row, 0);
    grdPMctl->selectRow(row);
  }
  grdPMctl->scrollToItem(grdPMctl->item(row, 0));
  grdPMctlClick();
}

void TfrmPresetEditor::grdPMctlClick() {
  if (perfUpdating_ || perfCurrent_ < 0 || perfCurrent_ >= PerfMIDICount) return;
  const int row = grdPMctl->currentRow();
  if (row < 0) return;
  SetController(preset_, perfCurrent_, row);
  MarkModified(true);
}

void TfrmPresetEditor::btnVexaleftClick() {
  SelectControllerRow(LeftPedalController);
}

void TfrmPresetEditor::btnVexarightClick() {
  SelectControllerRow(RightPedalController);
}
