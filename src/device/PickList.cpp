#include "device/PickList.h"

#include "app/DialogService.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

namespace {

constexpr int ListItemHeight = 13;
constexpr int ButtonWidth = 75;
constexpr int ButtonHeight = 25;
// From OK's left edge to Cancel's right edge. Kept fixed rather than measured from the buttons'
// current places: re-measuring after each rounded centring would widen the pair by a pixel at
// every odd-width resize.
constexpr int ButtonPairSpan = 171;

}  // namespace

TfrmPickList::TfrmPickList(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QStringLiteral("Pick one..."));
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPixelSize(10);
  setFont(font);

  lbxPickList = new QListWidget(this);
  lbxPickList->setObjectName(QStringLiteral("lbxPickList"));
  lbxPickList->setUniformItemSizes(true);
  lbxPickList->setSelectionMode(QAbstractItemView::SingleSelection);
  btnOk = new QPushButton(QStringLiteral("OK"), this);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  btnOk->resize(ButtonWidth, ButtonHeight);
  btnCancel->resize(ButtonWidth, ButtonHeight);

  // Nothing taken until the user takes it.
  selectedIndex_ = -1;
  btnOk->setEnabled(false);

  connect(lbxPickList, &QListWidget::itemSelectionChanged, this, &TfrmPickList::lbxPickListClick);
  connect(lbxPickList, &QListWidget::itemDoubleClicked, this, &TfrmPickList::lbxPickListDblClick);
  connect(btnOk, &QPushButton::clicked, this, &TfrmPickList::btnOkClick);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  resize(347, 360);
  // Small enough to be moved out of the way, never so small that the list or the buttons vanish.
  setMinimumSize(ButtonPairSpan + 16, 36 + 4 * ListItemHeight);
}

void TfrmPickList::AddItem(const QString& text) {
  auto* item = new QListWidgetItem(text, lbxPickList);
  // The classic row height, or more when the font the desktop gives needs it.
  // As wide as its text, so a narrowed list scrolls instead of cutting lines.
  item->setSizeHint(QSize(fontMetrics().horizontalAdvance(text) + 8,
                          std::max(ListItemHeight, fontMetrics().height() + 1)));
}

void TfrmPickList::lbxPickListClick() {
  if (lbxPickList->currentRow() >= 0) btnOk->setEnabled(true);
}

void TfrmPickList::lbxPickListDblClick(QListWidgetItem* item) {
  lbxPickList->setCurrentItem(item);
  TakeSelection();
  accept();
}

void TfrmPickList::btnOkClick() {
  TakeSelection();
  accept();
}

void TfrmPickList::TakeSelection() {
  const QList<QListWidgetItem*> selected = lbxPickList->selectedItems();
  if (selected.isEmpty()) {
    selectedIndex_ = -1;
    selectedText_.clear();
    return;
  }
  selectedIndex_ = lbxPickList->row(selected.first());
  selectedText_ = selected.first()->text();
}

void TfrmPickList::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const int clientWidth = event->size().width();
  const int listHeight = std::max(event->size().height() - 36, 0);
  lbxPickList->setGeometry(0, 0, clientWidth, listHeight);
  // C++ division truncates toward zero, as wanted for a window narrower than the pair.
  const int okLeft = (clientWidth - ButtonPairSpan) / 2;
  const int top = listHeight + 7;
  btnOk->move(okLeft, top);
  btnCancel->move(clientWidth - okLeft - btnCancel->width(), top);
}

void TfrmPickList::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
  BringToFront(this);
}
