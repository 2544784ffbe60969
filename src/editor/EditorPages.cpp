#include "EditorPages.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <stdexcept>

#include "controls/kxLCDmeter.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"

namespace {

constexpr int TrackBarMinimumWidth = 100;

QString ControlName(const TParamDef& def) {
  return QString::fromLatin1(def.Control);
}

QLabel* NamedLabel(const QString& name, const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

// The equalizer band: caption, meter with its scroll bar, value text underneath.
QWidget* BuildBand(TParamControl& c, QWidget* page) {
  const TParamDef& def = *c.Def;
  auto* band = new QWidget(page);
  auto* column = new QVBoxLayout(band);
  column->setContentsMargins(2, 0, 2, 0);
  auto* caption = NamedLabel(QStringLiteral("lbl") + ControlName(def).mid(3),
                             QString::fromLatin1(def.Caption), band);
  caption->setAlignment(Qt::AlignHCenter);
  column->addWidget(caption);

  auto* row = new QHBoxLayout;
  c.Meter = new TkxLCDmeter(band);
  c.Meter->setObjectName(ControlName(def));
  c.Meter->SetColor(Qt::black);
  c.Meter->SetBrightColor(QColor(0x00, 0x00, 0x80));  // navy
  c.Meter->SetDimColor(QColor(0xC0, 0xC0, 0xC0));     // silver
  c.Meter->SetParams(def.Min, def.Min, def.Max);
  c.Meter->setMinimumSize(30, 120);
  row->addWidget(c.Meter);
  c.ScrollBar = new QScrollBar(Qt::Vertical, band);
  c.ScrollBar->setObjectName(QString::fromLatin1(def.Partner));
  c.ScrollBar->setRange(def.Min, def.Max);
  c.ScrollBar->setPageStep(1);
  row->addWidget(c.ScrollBar);
  column->addLayout(row, 1);

  c.ValueText = NamedLabel(def.ValueLabel(), QString(), band);
  c.ValueText->setAlignment(Qt::AlignHCenter);
  column->addWidget(c.ValueText);

  // The scroll bar's top is the largest boost: moving it sets the meter to Max minus its
  // position; the meter writes the slot and reports the change.
  TkxLCDmeter* meter = c.Meter;
  QLabel* text = c.ValueText;
  const TParamDef* d = c.Def;
  QObject::connect(c.ScrollBar, &QScrollBar::valueChanged, meter, [meter, text, d](int v) {
    meter->SetPosition(d->Max - v);
    const std::int32_t* field = meter->BoundField();
    text->setText(d->LabelText(field ? *field : meter->Position()));
  });
  return band;
}

// The clicks of an item view. A change of the view's choice is a click by itself; a mouse click
// (press and release on one item) that changed nothing, or an activation key on the chosen item,
// is one too. The change a mouse press makes is the click of that press, so the release that
// completes it reports nothing more.
class TViewClicks : public QObject {
 public:
  TViewClicks(QAbstractItemView* view, bool activationKeys, std::function<void()> clicked)
      : QObject(view),
        view_(view),
        viewport_(view->viewport()),
        keys_(activationKeys),
        clicked_(std::move(clicked)) {
    viewport_->installEventFilter(this);
    if (keys_) view->installEventFilter(this);
    connect(view, &QAbstractItemView::clicked, this, [this] {
      if (!changedByPress_) clicked_();
    });
  }

  void Changed() {
    changedByPress_ = true;
    clicked_();
  }

 protected:
  // The viewport's events also come while the view is being destroyed: the view is only asked
  // about a press or a key, never then.
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress && watched == viewport_) {
      changedByPress_ = false;
    } else if (event->type() == QEvent::KeyPress && watched == view_) {
      const auto* key = static_cast<const QKeyEvent*>(event);
      const bool activation = key->key() == Qt::Key_Space || key->key() == Qt::Key_Select ||
                              key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
      // Space on an item not yet selected selects it: that change is the click.
      const QModelIndex current = view_->currentIndex();
      if (activation && !(key->modifiers() & Qt::ControlModifier) && current.isValid() &&
          view_->selectionModel()->isSelected(current))
        clicked_();
    }
    return false;
  }

 private:
  QAbstractItemView* view_;
  QObject* viewport_;
  bool keys_;
  std::function<void()> clicked_;
  bool changedByPress_ = true;
};

}  // namespace

QWidget* TParamControl::Control() const {
  if (TrackBar) return TrackBar;
  if (RadioGroup) return RadioGroup;
  if (ListBox) return ListBox;
  return Meter;
}

void TParamControl::ApplyVariant(const TParamDef& def) {
  Def = &def;
  if (TextDef) *TextDef = &def;
  if (TrackBar) {
    TrackBar->Bind(nullptr);
    TrackBar->SetInverted(def.Reversed);
    TrackBar->SetMin(def.Min);
    TrackBar->SetMax(def.Max);
  } else if (RadioGroup) {
    RadioGroup->Bind(nullptr);
    QStringList items;
    for (const char* item : def.Items) items << QString::fromLatin1(item);
    RadioGroup->BeginReading();
    if (items != RadioGroup->Items()) RadioGroup->SetItems(items);
    RadioGroup->SetDataAddend(def.Addend);
    RadioGroup->EndReading();
  }
}

void TParamControl::Bind(std::int32_t* field) {
  // Showing a preset is no edit of it. A bar or meter moves to the nearest position it has for a
  // value outside its range, and a move writes the field; the value the preset holds is put
  // back, so only the user's own movement ever changes it.
  const std::int32_t held = field ? *field : 0;
  if (TrackBar) {
    TrackBar->Bind(field);  // emits Changed, which refreshes the text
    if (field) *field = held;
  } else if (RadioGroup) {
    RadioGroup->Bind(field);
  } else if (ListBox) {
    const QSignalBlocker block(ListBox);
    ListBox->setCurrentRow(*field >= 0 && *field < ListBox->count() ? *field : -1);
    if (QListWidgetItem* item = ListBox->currentItem()) ListBox->scrollToItem(item);
  } else if (Meter) {
    Meter->Bind(field);
    if (field) *field = held;
    // The scroll bar follows without writing anything back: its handler sets the meter to the
    // value it already holds.
    ScrollBar->setValue(Def->Max - Meter->Position());
  } else {
    throw std::logic_error("unexpected type");
  }
  RefreshValueText();
}

int TParamControl::StoredValue() const {
  if (TrackBar) return TrackBar->BoundField() ? *TrackBar->BoundField() : TrackBar->StoredValue();
  if (RadioGroup) return RadioGroup->ItemIndex() + RadioGroup->DataAddend();
  if (ListBox) return ListBox->currentRow();
  if (Meter) return Meter->BoundField() ? *Meter->BoundField() : Meter->Position();
  return 0;
}

void TParamControl::RefreshValueText() const {
  if (ValueText) ValueText->setText((TextDef ? *TextDef : Def)->LabelText(StoredValue()));
}

void OnListClick(QListWidget* list, QObject* context, std::function<void()> clicked) {
  auto* clicks = new TViewClicks(list, true, std::move(clicked));
  QObject::connect(list, &QListWidget::itemSelectionChanged, context,
                   [clicks] { clicks->Changed(); });
}

void OnListChoice(QListWidget* list, QObject* context, std::function<void()> chosen) {
  // A click or a key that chooses an item selects it, and by then it is the current item; a
  // current item that comes without a selection (the focus, Ctrl with an arrow key) is none.
  OnListClick(list, context, [list, chosen = std::move(chosen)] {
    const QListWidgetItem* item = list->currentItem();
    if (item && item->isSelected()) chosen();
  });
}

void OnGridClick(QTableWidget* grid, QObject* context, std::function<void()> clicked) {
  // The keys of the grid edit the names; only the mouse clicks a row that is already current.
  auto* clicks = new TViewClicks(grid, false, std::move(clicked));
  QObject::connect(grid, &QTableWidget::currentCellChanged, context,
                   [clicks](int row, int, int previous, int) {
                     if (row != previous) clicks->Changed();
                   });
}

std::vector<TParamControl> BuildParamPage(QWidget* page, std::span<const TParamDef> rows) {
  std::vector<TParamControl> controls;
  controls.reserve(rows.size());

  auto* outer = new QHBoxLayout(page);
  auto* bars = new QGridLayout;
  bars->setColumnStretch(1, 1);
  bars->setColumnMinimumWidth(2, 90);
  auto* groups = new QHBoxLayout;
  auto* bands = new QHBoxLayout;
  auto* lists = new QHBoxLayout;
  int barRow = 0;

  for (const TParamDef& def : rows) {
    TParamControl c;
    c.Def = &def;
    c.TextDef = std::make_shared<const TParamDef*>(&def);
    const QString name = ControlName(def);
    switch (def.Kind) {
      case TControlKind::TrackBar: {
        c.Caption =
            NamedLabel(QStringLiteral("lbl") + name.mid(3), QString::fromLatin1(def.Caption), page);
        c.Caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        bars->addWidget(c.Caption, barRow, 0);
        c.TrackBar = new TkxTrackBar(Qt::Horizontal, page);
        c.TrackBar->setObjectName(name);
        c.TrackBar->SetMin(def.Min);
        c.TrackBar->SetMax(def.Max);
        c.TrackBar->SetInverted(def.Reversed);
        // Short enough that the widest page (Reverb 3 sets two bars side by side) fits in the
        // editor's smallest size; the bars take any room beyond that.
        c.TrackBar->setMinimumWidth(TrackBarMinimumWidth);
        c.TrackBar->setEnabled(def.Enabled);
        bars->addWidget(c.TrackBar, barRow, 1);
        c.ValueText = NamedLabel(def.ValueLabel(), QString(), page);
        bars->addWidget(c.ValueText, barRow, 2);
        ++barRow;
        // The value-text handler (trb...Change): runs after the field is written and the change
        // reported.
        TkxTrackBar* bar = c.TrackBar;
        QLabel* text = c.ValueText;
        std::shared_ptr<const TParamDef*> d = c.TextDef;
        QObject::connect(bar, &TkxTrackBar::Changed, text, [bar, text, d] {
          const std::int32_t* field = bar->BoundField();
          text->setText((*d)->LabelText(field ? *field : bar->StoredValue()));
        });
        break;
      }
      case TControlKind::ListBox: {
        auto* column = new QVBoxLayout;
        c.Caption =
            NamedLabel(QStringLiteral("lbl") + name.mid(3), QString::fromLatin1(def.Caption), page);
        column->addWidget(c.Caption);
        c.ListBox = new QListWidget(page);
        c.ListBox->setObjectName(name);
        for (const char* item : def.Items) c.ListBox->addItem(QString::fromLatin1(item));
        c.ListBox->setMaximumWidth(90);
        c.Caption->setBuddy(c.ListBox);
        column->addWidget(c.ListBox, 1);
        lists->addLayout(column);
        break;
      }
      case TControlKind::RadioGroup: {
        c.RadioGroup = new TkxRadioGroup(QString::fromLatin1(def.Caption), page);
        c.RadioGroup->setObjectName(name);
        c.RadioGroup->BeginReading();
        QStringList items;
        for (const char* item : def.Items) items << QString::fromLatin1(item);
        c.RadioGroup->SetItems(items);
        c.RadioGroup->SetColumns(def.Columns);
        c.RadioGroup->SetDataAddend(def.Addend);
        c.RadioGroup->EndReading();
        c.RadioGroup->setEnabled(def.Enabled);
        c.RadioGroup->setMinimumWidth(110 * def.Columns);
        groups->addWidget(c.RadioGroup);
        break;
      }
      case TControlKind::LcdMeter:
        bands->addWidget(BuildBand(c, page));
        break;
      case TControlKind::CheckBox:
        // No row of the table is a check box.
        throw std::logic_error("unexpected type");
    }
    controls.push_back(c);
  }

  if (barRow > 0) {
    bars->setRowStretch(barRow, 1);
    outer->addLayout(bars, 2);
  }
  if (!groups->isEmpty()) outer->addLayout(groups, 3);
  if (!lists->isEmpty()) outer->addLayout(lists, 0);
  if (!bands->isEmpty()) {
    bands->addStretch(1);
    outer->addLayout(bands, 1);
  }
  outer->addStretch(0);
  // Layouts never added to the page belong to nobody.
  if (barRow == 0) delete bars;
  if (groups->isEmpty()) delete groups;
  if (bands->isEmpty()) delete bands;
  if (lists->isEmpty()) delete lists;
  return controls;
}
