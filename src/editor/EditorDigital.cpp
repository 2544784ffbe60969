// The digital side of the preset editor: the chain lists of grpDigFX, the group picker and the
// seventeen digital effect pages with their per-variant binding.

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstring>

#include "PresetEditor.h"
#include "app/DialogService.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "device/PickList.h"
#include "preset/DigitalCatalogue.h"
#include "preset/PresetError.h"

namespace {

constexpr int ReverbPage = 7;
constexpr int MidiPanPage = 6;
constexpr int DiffusionGap = 17;

QStringList Names(const QListWidget* list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
  return names;
}

// The variant a shared page is laid out for: the one with the most controls (Reverb 3 for the
// reverb page, whose type list it also carries), else the first.
int LayoutVariant(int page) {
  int best = -1;
  for (int e = 0; e < DigitalEffectCount; ++e)
    if (DigitalCatalogue[e].Page == page &&
        (best < 0 || DigitalCatalogue[e].ParamCount > DigitalCatalogue[best].ParamCount))
      best = e;
  return best;
}

QToolButton* GlyphButton(QWidget* parent, const char* name, Qt::ArrowType arrow,
                         const QString& hint) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setArrowType(arrow);
  b->setToolTip(hint);
  return b;
}

}  // namespace

void TfrmPresetEditor::BuildDigitalSelection(QGroupBox* box) {
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(4, 2, 4, 2);
  auto* availCaption = new QLabel(QStringLiteral("Available"), box);
  auto* selCaption = new QLabel(QStringLiteral("Selected"), box);
  lbxDigAvail = new QListWidget(box);
  lbxDigAvail->setObjectName(QStringLiteral("lbxDigAvail"));
  lbxDigAvail->setSortingEnabled(true);
  lbxDigAvail->setToolTip(QStringLiteral("Double-click (or use arrow) to add effect"));
  lbxDigSel = new QListWidget(box);
  lbxDigSel->setObjectName(QStringLiteral("lbxDigSel"));
  lbxDigSel->setToolTip(QStringLiteral("Double-click (or use arrow) to remove effect"));
  // Five rows, a full chain, as high as the font makes them; as wide as the longest effect name
  // beside a scroll bar (the available list may hold more than five).
  lbxDigAvail->addItem(QString::fromLatin1(DigitalCatalogue[0].Name));
  const int rowHeight = lbxDigAvail->sizeHintForRow(0);
  lbxDigAvail->clear();
  int widest = 0;
  for (const TDigitalEffect& effect : DigitalCatalogue)
    widest = std::max(
        widest, lbxDigAvail->fontMetrics().horizontalAdvance(QString::fromLatin1(effect.Name)));
  for (QListWidget* list : {lbxDigAvail, lbxDigSel}) {
    const int frame = 2 * list->frameWidth();
    list->setFixedHeight(GroupPlaceCount * rowHeight + frame);
    list->setMinimumWidth(widest + 12 + list->verticalScrollBar()->sizeHint().width() + frame);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->installEventFilter(this);
  }
  btnAddDfx = GlyphButton(box, "btnAddDfx", Qt::RightArrow, QString());
  btnDelDfx = GlyphButton(box, "btnDelDfx", Qt::LeftArrow, QString());
  btnDigGrp = GlyphButton(box, "btnDigGrp", Qt::DownArrow,
                          QStringLiteral("View / select from list of valid digital groups"));
  btnAddDfx->setEnabled(false);
  btnDelDfx->setEnabled(false);
  lblDigGrp = new QLabel(box);
  lblDigGrp->setObjectName(QStringLiteral("lblDigGrp"));

  auto* buttons = new QVBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnAddDfx);
  buttons->addWidget(btnDelDfx);
  buttons->addStretch(1);
  grid->addWidget(availCaption, 0, 0);
  grid->addWidget(selCaption, 0, 2);
  grid->addWidget(lbxDigAvail, 1, 0);
  grid->addLayout(buttons, 1, 1);
  grid->addWidget(lbxDigSel, 1, 2);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(lblDigGrp, 1);
  bottom->addWidget(btnDigGrp);
  grid->addLayout(bottom, 2, 0, 1, 3);

  OnListClick(lbxDigAvail, this, [this] { lbxDigAvailClick(); });
  OnListClick(lbxDigSel, this, [this] { lbxDigSelClick(); });
  connect(lbxDigAvail, &QListWidget::itemDoubleClicked, this, [this] { lbxDigAvailDblClick(); });
  connect(lbxDigSel, &QListWidget::itemDoubleClicked, this, [this] { lbxDigSelDblClick(); });
  connect(btnAddDfx, &QToolButton::clicked, this, [this] { btnAddDfxClick(); });
  connect(btnDelDfx, &QToolButton::clicked, this, [this] { btnDelDfxClick(); });
  connect(btnDigGrp, &QToolButton::clicked, this, [this] { btnDigGrpClick(); });
}

void TfrmPresetEditor::BuildDigitalPages() {
  const std::span<const TPageDef> pages = DigitalPages();
  for (int page = 0; page < int(pages.size()); ++page) {
    auto* w = new QWidget;
    w->setObjectName(QString::fromLatin1(pages[page].Name));
    DigitalPageWidgets[page] = w;
    digitalPageStart_[page] = int(digitalControls_.size());
    for (TParamControl& c : BuildParamPage(w, DigitalEffectParams(LayoutVariant(page))))
      digitalControls_.push_back(c);
    pgcDigitalParams->addTab(w, QString::fromLatin1(pages[page].Caption));
  }
  digitalPageStart_[pages.size()] = int(digitalControls_.size());

  // The reverb's diffusion caption is named for the rule that shows and hides it.
  if (TParamControl* c = FindDigitalControl(ReverbPage, "trbREVdiffusion"))
    c->Caption->setObjectName(QStringLiteral("txtREVdifflbl"));

  // Base key lists: choosing an item, with the mouse or the keys, writes its index into the slot
  // the list's Tag names. A current item the list only takes on getting the focus is no choice.
  for (TParamControl& c : digitalControls_) {
    if (!c.ListBox) continue;
    QListWidget* list = c.ListBox;
    list->setProperty("Tag", -1);
    OnListChoice(list, this, [this, list] {
      if (loading_) return;
      const int slot = list->property("Tag").toInt();
      if (slot < 0 || slot >= DigitalSlotCount || list->currentRow() < 0) return;
      preset_.DigitalSlots[slot] = list->currentRow();
      MarkModified(true);
    });
  }

  if (TParamControl* pan = FindDigitalControl(MidiPanPage, "trbMPNpos")) {
    btnMPNcenter = new QPushButton(QStringLiteral("&Center"), DigitalPageWidgets[MidiPanPage]);
    btnMPNcenter->setObjectName(QStringLiteral("btnMPNcenter"));
    auto* grid =
        qobject_cast<QGridLayout*>(DigitalPageWidgets[MidiPanPage]->layout()->itemAt(0)->layout());
    if (grid) {
      int row = 0, column = 0, rows = 0, columns = 0;
      grid->getItemPosition(grid->indexOf(pan->TrackBar), &row, &column, &rows, &columns);
      grid->addWidget(btnMPNcenter, row + 1, column, Qt::AlignHCenter);
      grid->setRowStretch(row + 1, 0);
      grid->setRowStretch(row + 2, 1);
    }
    connect(btnMPNcenter, &QPushButton::clicked, this, [this] { btnMPNcenterClick(); });
  }
  connect(pgcDigitalParams, &QTabWidget::currentChanged, this,
          [this] { pgcDigitalParamsChange(); });
}

TParamControl* TfrmPresetEditor::FindDigitalControl(int page, const char* name) {
  for (int i = digitalPageStart_[page]; i < digitalPageStart_[page + 1]; ++i)
    if (std::strcmp(digitalControls_[i].Def->Control, name) == 0) return &digitalControls_[i];
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Lists and group

void TfrmPresetEditor::FillAvailable() {
  lbxDigAvail->clear();
  lbxDigAvail->addItems(AvailableEffects(preset_, Names(lbxDigSel)));
}

bool TfrmPresetEditor::Regroup() {
  try {
    DetermineDigitalGroup(preset_, Names(lbxDigSel));
  } catch (const EPresetError& e) {
    ShowErrorMessage(this, QString::fromStdString(e.what()));
    return false;
  }
  lblDigGrp->setText(QStringLiteral("Group #") + QString::number(preset_.DigitalGroup));
  FillAvailable();
  return true;
}

void TfrmPresetEditor::ShowDigitalPages() {
  for (int page = 0; page < pgcDigitalParams->count(); ++page)
    pgcDigitalParams->setTabVisible(page, false);
  pgcDigitalParams->setVisible(lbxDigSel->count() > 0);
  for (const QString& name : Names(lbxDigSel))
    pgcDigitalParams->setTabVisible(DigitalCatalogue[EffectIndex(name)].Page, true);
  const bool wasLoading = loading_;
  loading_ = true;  // binding shows the preset; it changes nothing of it
  BindDigitalControls();
  loading_ = wasLoading;
  ApplyReverbDiffusion();
}

void TfrmPresetEditor::BindDigitalControls() {
  // A control whose effect left the row must not keep writing into a slot that now belongs to
  // another effect.
  for (TParamControl& c : digitalControls_) {
    if (c.TrackBar) c.TrackBar->Bind(nullptr);
    if (c.RadioGroup) c.RadioGroup->Bind(nullptr);
    if (c.ListBox) c.ListBox->setProperty("Tag", -1);
  }
  const int group = preset_.DigitalGroup;
  if (!IsValidGroup(group)) return;
  int slot = 0;
  for (int place = 0; place < GroupPlaceCount; ++place) {
    const int effect = GroupEffect(group, place);
    if (effect < 0) break;
    const int page = DigitalCatalogue[effect].Page;
    for (const TParamDef& def : DigitalEffectParams(effect)) {
      TParamControl* c = FindDigitalControl(page, def.Control);
      if (c && slot < DigitalSlotCount) {
        c->ApplyVariant(def);
        if (c->ListBox) c->ListBox->setProperty("Tag", slot);
        c->Bind(&preset_.DigitalSlots[slot]);
        c->RefreshValueText();
      }
      ++slot;
    }
  }
}

void TfrmPresetEditor::ApplyReverbDiffusion() {
  TParamControl* diffusion = FindDigitalControl(ReverbPage, "trbREVdiffusion");
  TParamControl* position = FindDigitalControl(ReverbPage, "trbREVposition");
  TParamControl* level = FindDigitalControl(ReverbPage, "trbREVlevel");
  if (!diffusion || !position || !level) return;
  auto* grid =
      qobject_cast<QGridLayout*>(DigitalPageWidgets[ReverbPage]->layout()->itemAt(0)->layout());
  if (!grid) return;
  const bool shown = Names(lbxDigSel).contains(EffectName(deReverb3));
  for (QWidget* w : std::initializer_list<QWidget*>{diffusion->TrackBar, diffusion->Caption,
                                                    diffusion->ValueText})
    w->setVisible(shown);
  int row = 0, column = 0, rows = 0, columns = 0;
  grid->getItemPosition(grid->indexOf(diffusion->TrackBar), &row, &column, &rows, &columns);
  if (shown) {
    // Level stands right of the diffusion text, in the row of Diffusion.
    grid->addWidget(level->Caption, row, 3);
    grid->addWidget(level->TrackBar, row, 4);
    grid->addWidget(level->ValueText, row, 5);
    grid->setColumnMinimumWidth(3, 0);
    grid->setHorizontalSpacing(DiffusionGap);
    level->Caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  } else {
    // Level takes the place of Diffusion, under Position: same caption column, same bar column.
    grid->addWidget(level->Caption, row, 0);
    grid->addWidget(level->TrackBar, row, 1);
    grid->addWidget(level->ValueText, row, 2);
    level->Caption->setAlignment(position->Caption->alignment());
  }
}

void TfrmPresetEditor::pgcDigitalParamsChange() {
  if (pgcDigitalParams->currentIndex() == ReverbPage) ApplyReverbDiffusion();
}

void TfrmPresetEditor::btnMPNcenterClick() {
  TParamControl* pan = FindDigitalControl(MidiPanPage, "trbMPNpos");
  if (!pan) return;
  pan->TrackBar->SetPosition(63);
  pan->RefreshValueText();
}

// ---------------------------------------------------------------------------------------------
// Chain editing

void TfrmPresetEditor::lbxDigAvailClick() {
  btnAddDfx->setEnabled(!lbxDigAvail->selectedItems().isEmpty());
}

void TfrmPresetEditor::lbxDigSelClick() {
  btnDelDfx->setEnabled(!lbxDigSel->selectedItems().isEmpty());
}

void TfrmPresetEditor::lbxDigAvailDblClick() {
  btnAddDfxClick();
  btnAddDfx->setEnabled(false);
}

void TfrmPresetEditor::lbxDigSelDblClick() {
  btnDelDfxClick();
  btnDelDfx->setEnabled(false);
}

void TfrmPresetEditor::AfterChainChange() {
  ShowDigitalPages();
  // The Vexa states the chain change brings are part of it: recorded and sent once, with it.
  const bool wasLoading = loading_;
  loading_ = true;
  RefreshVexaStates();
  loading_ = wasLoading;
  RefreshPerfControllers();
}

void TfrmPresetEditor::btnAddDfxClick() {
  QListWidgetItem* item = lbxDigAvail->currentItem();
  if (!item || !item->isSelected()) return;
  const QString name = item->text();
  lbxDigSel->addItem(name);
  delete lbxDigAvail->takeItem(lbxDigAvail->row(item));
  if (!Regroup()) {
    // The preset keeps its chain; so do the lists.
    delete lbxDigSel->takeItem(lbxDigSel->count() - 1);
    FillAvailable();
    return;
  }
  AfterChainChange();
  btnAddDfx->setEnabled(false);
  // The page the effect added, in view.
  pgcPreset->setCurrentWidget(tsDigital);
  pgcDigitalParams->setCurrentIndex(DigitalCatalogue[EffectIndex(name)].Page);
  MarkModified(true);
}

void TfrmPresetEditor::btnDelDfxClick() {
  QListWidgetItem* item = lbxDigSel->currentItem();
  if (!item || !item->isSelected()) return;
  const int row = lbxDigSel->row(item);
  const QString name = item->text();
  lbxDigAvail->addItem(name);
  delete lbxDigSel->takeItem(row);
  if (!Regroup()) {
    lbxDigSel->insertItem(row, name);
    FillAvailable();
    return;
  }
  AfterChainChange();
  btnDelDfx->setEnabled(false);
  MarkModified(true);
}

void TfrmPresetEditor::btnDigGrpClick() {
  TfrmPickList picker(this);
  {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    picker.setWindowTitle(QStringLiteral("Valid Digital Groups"));
    for (int g = 0; g < DigitalGroupCount; ++g) picker.AddItem(GroupText(g));
    QApplication::restoreOverrideCursor();
  }
  if (!Dialogs().Form(picker) || picker.SelectedIndex() < 0) return;
  const int chosen = picker.SelectedIndex();
  if (!IsValidGroup(chosen)) return;

  // The group is one choice: one change of the chain, one step of the history, one send. Every
  // entry of the chosen row can be in the chain together, so the chain is that row.
  const QStringList before = Names(lbxDigSel);
  QStringList names;
  int added = -1;  // the last effect the group brings in
  for (int place = 0; place < GroupPlaceCount; ++place) {
    const int effect = GroupEffect(chosen, place);
    if (effect < 0) break;
    names << EffectName(effect);
    if (!before.contains(names.last())) added = effect;
  }
  QStringList oldSet = before, newSet = names;
  oldSet.sort();
  newSet.sort();
  if (oldSet != newSet) {
    lbxDigSel->clear();
    lbxDigSel->addItems(names);
    if (!Regroup()) {
      lbxDigSel->clear();
      lbxDigSel->addItems(before);
      FillAvailable();
      return;
    }
  }
  // The chain reads in the order of the group's row, as for a preset just shown, whatever the
  // order the effects had before.
  lbxDigSel->clear();
  for (int effect : ChosenDigitalEffects(preset_)) lbxDigSel->addItem(EffectName(effect));
  btnDelDfx->setEnabled(false);
  if (oldSet == newSet) return;
  AfterChainChange();
  btnAddDfx->setEnabled(false);
  if (added >= 0) {
    // The page the group added last, in view, as an added effect's page is.
    pgcPreset->setCurrentWidget(tsDigital);
    pgcDigitalParams->setCurrentIndex(DigitalCatalogue[added].Page);
  }
  MarkModified(true);
}
