#include "mpt/MPTEdit.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QVBoxLayout>
#include <vector>

#include "app/BusyCursor.h"
#include "app/DialogService.h"
#include "app/PrintPage.h"
#include "app/kxUtility.h"
#include "device/DeviceMessages.h"
#include "mpt/MPTRptOpt.h"
#include "preset/WholeFileWriter.h"

namespace {

const QString HintDirValue = QStringLiteral("MPT_HINT_DIR");
const QString ReportStyleValue = QStringLiteral("MPT_REPT_STYLE");
const QString SendQuestion = QStringLiteral(
    "Please confirm MPT update. This will replace all previous program mapping assignments. Do "
    "you want to proceed?");
// Results of OnSendMPT that need no message of the editor's own.
const QString SentResult = QStringLiteral("MIDI data sent to MIDI Out");
const QString NoOutputResult = QStringLiteral("MIDI Out device not available");
const QString MptFileFilter = QStringLiteral("ZQN Tarvo mpt table (*.mpt)");

constexpr int DefaultColumnWidth = 40;
constexpr int LabelColumnWidth = 110;

// The cell editor: as many digit places as the cell's edit mask has, and a shorter number is
// filled with leading zeros when it is written back, so "7" reads "007" and "0" reads "000".
class TMptCellDelegate : public QStyledItemDelegate {
 public:
  TMptCellDelegate(TfrmMPTEdit* window, TMptGridView* grid)
      : QStyledItemDelegate(grid), window_(window), grid_(grid) {}

  std::function<void()> OnEditStart;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    const QString mask = Mask(index);
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    if (!mask.isEmpty()) {
      edit->setMaxLength(static_cast<int>(mask.size()));
      edit->setValidator(new QRegularExpressionValidator(
          QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(mask.size())), edit));
    }
    grid_->OpenEditor = edit;
    if (OnEditStart) OnEditStart();
    return edit;
  }

  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (!edit) return QStyledItemDelegate::setModelData(editor, model, index);
    QString text = edit->text();
    const QString mask = Mask(index);
    if (!text.isEmpty() && !mask.isEmpty())
      text = text.rightJustified(mask.size(), QLatin1Char('0'));
    model->setData(index, text, Qt::EditRole);
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (grid_->OpenEditor == editor) grid_->OpenEditor = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
  }

 private:
  QString Mask(const QModelIndex& index) const {
    return window_->grdMPTGetEditMask(index.row() + 1, index.column() + 1);
  }

  TfrmMPTEdit* window_;
  TMptGridView* grid_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Grid widget

bool TMptGridView::MayMoveTo(const QModelIndex& index) {
  if (!index.isValid() || index == currentIndex() || !OnSelectCell) return true;
  return OnSelectCell(index.row() + 1, index.column() + 1);
}

QModelIndex TMptGridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  const QModelIndex next = QTableWidget::moveCursor(cursorAction, modifiers);
  // A refused move stays where the check left the cursor (the invalid cell, or the old one).
  return MayMoveTo(next) ? next : currentIndex();
}

void TMptGridView::mousePressEvent(QMouseEvent* event) {
  dragRefused_ = false;
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!MayMoveTo(index)) {
    event->accept();
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void TMptGridView::mouseMoveEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  if (OnMouseMoveCell) {
    if (index.isValid())
      OnMouseMoveCell(index.row() + 1, index.column() + 1);
    else
      OnMouseMoveCell(0, 0);
  }
  if (event->buttons() & Qt::LeftButton) {
    // Dragging moves the current cell as well: it is checked like any other move, and a drag
    // refused once goes no further, so the message comes once.
    if (dragRefused_ || !MayMoveTo(index)) {
      dragRefused_ = true;
      event->accept();
      return;
    }
  }
  QTableWidget::mouseMoveEvent(event);
}

void TMptGridView::mouseReleaseEvent(QMouseEvent* event) {
  dragRefused_ = false;
  QTableWidget::mouseReleaseEvent(event);
}

void TMptGridView::leaveEvent(QEvent* event) {
  if (OnMouseMoveCell) OnMouseMoveCell(0, 0);
  QTableWidget::leaveEvent(event);
}

void TMptGridView::CommitOpenEditor() {
  if (QWidget* editor = OpenEditor.data()) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

// ---------------------------------------------------------------------------------------------
// Window

TfrmMPTEdit::TfrmMPTEdit(QWidget* parent, TkxRegUtil* settings)
    : QWidget(parent, Qt::Window),
      settings_(settings),
      cells_(PreKineticMode),
      printer_(QPrinter::HighResolution) {
  setObjectName(QStringLiteral("frmMPTEdit"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(MptEditorCaption);

  BuildGrid();
  BuildMenu();

  auto makeButton = [this](const char* name, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    return button;
  };
  btnSaveAs = makeButton("btnSaveAs", QStringLiteral("&Save..."),
                         QStringLiteral("Save this MPT to a file"));
  btnSendOut = makeButton("btnSendOut", QStringLiteral("Sen&d"),
                          QStringLiteral("Send MPT to MIDI out (F9)"));
  btnPrint = makeButton("btnPrint", QStringLiteral("&Print"), QStringLiteral("Print the MPT"));
  btnPrtSetup = makeButton("btnPrtSetup", QStringLiteral("Set&up"),
                           QStringLiteral("Printer selection/configuration"));
  btnFont = makeButton("btnFont", QStringLiteral("&Font"), QStringLiteral("Font selection"));
  btnExit = makeButton("btnExit", QStringLiteral("&Exit"), QStringLiteral("Close"));
  connect(btnSaveAs, &QPushButton::clicked, this, [this] { btnSaveAsClick(); });
  connect(btnSendOut, &QPushButton::clicked, this, &TfrmMPTEdit::btnSendOutClick);
  connect(btnPrint, &QPushButton::clicked, this, &TfrmMPTEdit::btnPrintClick);
  connect(btnPrtSetup, &QPushButton::clicked, this, &TfrmMPTEdit::btnPrtSetupClick);
  connect(btnFont, &QPushButton::clicked, this, &TfrmMPTEdit::btnFontClick);
  connect(btnExit, &QPushButton::clicked, this, &TfrmMPTEdit::btnExitClick);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {btnSaveAs, btnSendOut, btnPrint, btnPrtSetup, btnFont, btnExit})
    buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(grdMPT, 1);
  layout->addLayout(buttons);

  // Large enough for the whole grid in its first font.
  const int gridWidth =
      LabelColumnWidth + TMptCells::Columns * DefaultColumnWidth + 2 * grdMPT->frameWidth() + 2;
  const int gridHeight = grdMPT->horizontalHeader()->sizeHint().height() +
                         cells_.Rows() * grdMPT->verticalHeader()->defaultSectionSize() +
                         2 * grdMPT->frameWidth() + 2;
  resize(std::max(gridWidth + 8, layout->sizeHint().width()),
         gridHeight + buttons->sizeHint().height() + 16);

  ReadSettings();
  FormShow();
  SetCurrentCell(1, 1);
}

TfrmMPTEdit::~TfrmMPTEdit() = default;

void TfrmMPTEdit::BuildGrid() {
  grdMPT = new TMptGridView(cells_.Rows(), TMptCells::Columns, this);
  grdMPT->setObjectName(QStringLiteral("grdMPT"));
  // The window is made to fit the whole grid, but a larger font or a smaller window must not hide
  // its last rows or columns.
  grdMPT->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grdMPT->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grdMPT->setSelectionMode(QAbstractItemView::ContiguousSelection);
  grdMPT->setSelectionBehavior(QAbstractItemView::SelectItems);
  grdMPT->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
  grdMPT->setTabKeyNavigation(true);
  grdMPT->setContextMenuPolicy(Qt::CustomContextMenu);
  grdMPT->viewport()->setMouseTracking(true);

  QHeaderView* columns = grdMPT->horizontalHeader();
  columns->setDefaultSectionSize(DefaultColumnWidth);
  columns->setMinimumSectionSize(8);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setSectionsClickable(false);
  // Centred like the numbers under them, so each heading stands over its column's cells.
  columns->setDefaultAlignment(Qt::AlignCenter);
  QHeaderView* rows = grdMPT->verticalHeader();
  rows->setFixedWidth(LabelColumnWidth);
  rows->setSectionResizeMode(QHeaderView::Interactive);
  rows->setSectionsClickable(false);
  rows->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  for (int c = 1; c <= TMptCells::Columns; ++c) {
    auto* heading = new QTableWidgetItem(TMptCells::ColumnHeading(c));
    heading->setTextAlignment(Qt::AlignCenter);
    grdMPT->setHorizontalHeaderItem(c - 1, heading);
  }
  LayOutRows();

  // The fixed corner cell reads "Prog Chg #".
  if (auto* corner = grdMPT->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly)) {
    auto* label = new QLabel(TMptCells::CornerText(), corner);
    label->setObjectName(QStringLiteral("lblCorner"));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* cornerLayout = new QHBoxLayout(corner);
    cornerLayout->setContentsMargins(4, 0, 2, 0);
    cornerLayout->addWidget(label);
  }

  auto* delegate = new TMptCellDelegate(this, grdMPT);
  delegate->OnEditStart = [this] { modified_ = true; };
  grdMPT->setItemDelegate(delegate);

  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  ApplyGridFont(font);

  grdMPT->OnSelectCell = [this](int row, int col) { return grdMPTSelectCell(row, col); };
  grdMPT->OnMouseMoveCell = [this](int row, int col) { grdMPTMouseMove(row, col); };
  connect(columns, &QHeaderView::sectionMoved, this,
          [this] { grdMPTSectionMoved(Qt::Horizontal); });
  connect(rows, &QHeaderView::sectionMoved, this, [this] { grdMPTSectionMoved(Qt::Vertical); });
}

void TfrmMPTEdit::LayOutRows() {
  // Dragging rows or columns would carry the Pre-Kinetic holes of the last row elsewhere and
  // drop the values dragged onto their places, so the short grid keeps its order.
  const bool movable = !cells_.PreKinetic();
  grdMPT->horizontalHeader()->setSectionsMovable(movable);
  grdMPT->verticalHeader()->setSectionsMovable(movable);
  grdMPT->setRowCount(cells_.Rows());
  for (int r = 1; r <= cells_.Rows(); ++r) {
    for (int c = 1; c <= TMptCells::Columns; ++c) {
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      if (cells_.IsBlank(r, c)) item->setFlags(Qt::NoItemFlags);
      grdMPT->setItem(r - 1, c - 1, item);
    }
    grdMPT->setVerticalHeaderItem(r - 1, new QTableWidgetItem);
  }
  Relabel();
}

void TfrmMPTEdit::BuildMenu() {
  popMPTgrid = new QMenu(this);
  popMPTgrid->setObjectName(QStringLiteral("popMPTgrid"));
  auto add = [](QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
  };
  pmiShowRanges = add(popMPTgrid, "pmiShowRanges", QStringLiteral("Show row ranges"));
  pmiShowOffsets = add(popMPTgrid, "pmiShowOffsets", QStringLiteral("Show row offsets"));
  auto* labels = new QActionGroup(this);
  labels->setExclusive(true);
  for (QAction* a : {pmiShowRanges, pmiShowOffsets}) {
    a->setCheckable(true);
    labels->addAction(a);
  }
  pmiShowRanges->setChecked(true);
  popMPTgrid->addSeparator();
  pmiSetToDefault = add(popMPTgrid, "pmiSetToDefault", QStringLiteral("Set to default presets"));
  pmiSelectFolder =
      add(popMPTgrid, "pmiSelectFolder", QStringLiteral("Select folder for file name hints..."));
  pmiInsertCell = popMPTgrid->addMenu(QStringLiteral("Insert cell"));
  pmiInsertCell->setObjectName(QStringLiteral("pmiInsertCell"));
  pmiInsertShiftRow =
      add(pmiInsertCell, "pmiInsertShiftRow", QStringLiteral("Shift to end of row"));
  pmiInsertShiftAll = add(pmiInsertCell, "pmiInsertShiftAll", QStringLiteral("Shift all"));
  pmiDeleteCell = popMPTgrid->addMenu(QStringLiteral("Delete cell"));
  pmiDeleteCell->setObjectName(QStringLiteral("pmiDeleteCell"));
  pmiDeleteShiftRow =
      add(pmiDeleteCell, "pmiDeleteShiftRow", QStringLiteral("Shift to end of row"));
  pmiDeleteShiftAll = add(pmiDeleteCell, "pmiDeleteShiftAll", QStringLiteral("Shift all"));

  connect(pmiShowRanges, &QAction::triggered, this, &TfrmMPTEdit::pmiShowRangesClick);
  connect(pmiShowOffsets, &QAction::triggered, this, &TfrmMPTEdit::pmiShowOffsetsClick);
  connect(pmiSetToDefault, &QAction::triggered, this, &TfrmMPTEdit::pmiSetToDefaultClick);
  connect(pmiSelectFolder, &QAction::triggered, this, &TfrmMPTEdit::pmiSelectFolderClick);
  connect(pmiInsertShiftRow, &QAction::triggered, this, &TfrmMPTEdit::pmiInsertShiftRowClick);
  connect(pmiInsertShiftAll, &QAction::triggered, this, &TfrmMPTEdit::pmiInsertShiftAllClick);
  connect(pmiDeleteShiftRow, &QAction::triggered, this, &TfrmMPTEdit::pmiDeleteShiftRowClick);
  connect(pmiDeleteShiftAll, &QAction::triggered, this, &TfrmMPTEdit::pmiDeleteShiftAllClick);
  connect(grdMPT, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popMPTgrid->popup(grdMPT->viewport()->mapToGlobal(pos)); });
}

void TfrmMPTEdit::ReadSettings() {
  QString folder;
  if (settings_) {
    try {
      folder = settings_->ReadString(HintDirValue);
    } catch (const ERegistryError&) {
      folder.clear();  // an unreadable value counts as none
    }
  }
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = DefaultFileFolder();
  hintFolder_ = HintFolderWithSeparator(folder);
  // First of all beside the window it was opened from, not over the desktop's top corner; a
  // place kept from an earlier session comes next.
  if (QWidget* opener = parentWidget() ? parentWidget()->window() : nullptr) {
    if (const QScreen* screen = opener->screen())
      move(PlaceBeside(opener->frameGeometry(), frameGeometry().size(),
                       screen->availableGeometry()));
  }
  if (settings_) {
    try {
      settings_->LoadFormRect(this);
    } catch (const ERegistryError&) {
      // The window keeps its own size and place.
    }
  }
}

void TfrmMPTEdit::WriteSettings() {
  if (!settings_) return;
  try {
    settings_->WriteString(HintDirValue, hintFolder_);
    settings_->SaveFormRect(this);
  } catch (const ERegistryError& e) {
    ShowErrorMessage(this, e.Message());
  }
}

// ---------------------------------------------------------------------------------------------
// Grid contents

QString TfrmMPTEdit::Cell(int row, int col) const {
  if (row == 0 && col == 0) return TMptCells::CornerText();
  if (row == 0) {
    const QTableWidgetItem* heading = grdMPT->horizontalHeaderItem(col - 1);
    return heading ? heading->text() : QString();
  }
  if (col == 0) {
    const QTableWidgetItem* label = grdMPT->verticalHeaderItem(row - 1);
    return label ? label->text() : QString();
  }
  if (!cells_.IsDataCell(row, col)) return {};
  const QTableWidgetItem* item = grdMPT->item(row - 1, col - 1);
  return item ? item->text() : QString();
}

void TfrmMPTEdit::SetCell(int row, int col, const QString& text) {
  if (!cells_.IsDataCell(row, col)) return;
  if (QTableWidgetItem* item = grdMPT->item(row - 1, col - 1)) item->setText(text);
}

int TfrmMPTEdit::CurrentRow() const {
  return grdMPT->currentRow() + 1;
}

int TfrmMPTEdit::CurrentCol() const {
  return grdMPT->currentColumn() + 1;
}

void TfrmMPTEdit::SetCurrentCell(int row, int col) {
  if (cells_.IsDataCell(row, col)) grdMPT->setCurrentCell(row - 1, col - 1);
}

TMptCells TfrmMPTEdit::GridCells() const {
  TMptCells cells(cells_.PreKinetic());
  for (int r = 1; r <= cells.Rows(); ++r)
    for (int c = 1; c <= TMptCells::Columns; ++c) cells.SetText(r, c, Cell(r, c));
  return cells;
}

void TfrmMPTEdit::PutCells(const TMptCells& cells) {
  for (int r = 1; r <= cells.Rows(); ++r)
    for (int c = 1; c <= TMptCells::Columns; ++c)
      if (cells.IsDataCell(r, c)) SetCell(r, c, cells.Text(r, c));
}

void TfrmMPTEdit::Relabel() {
  for (int r = 1; r <= cells_.Rows(); ++r)
    if (QTableWidgetItem* label = grdMPT->verticalHeaderItem(r - 1))
      label->setText(TMptCells::RowLabel(r, labels_));
  for (int c = 1; c <= TMptCells::Columns; ++c)
    if (QTableWidgetItem* heading = grdMPT->horizontalHeaderItem(c - 1))
      heading->setText(TMptCells::ColumnHeading(c));
}

void TfrmMPTEdit::ApplyGridFont(const QFont& font) {
  grdMPT->setFont(font);
  grdMPT->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 8);
}

void TfrmMPTEdit::FormShow() {
  TMptCells cells(cells_.PreKinetic());
  cells.FillFromTable(table_);
  PutCells(cells);
}

void TfrmMPTEdit::LoadTable(QIODevice& stream) {
  table_.LoadFromStream(stream);
  FormShow();
  modified_ = false;
}

void TfrmMPTEdit::SetFileName(const QString& fileName) {
  fileName_ = fileName;
  setWindowTitle(fileName.isEmpty() ? MptEditorCaption
                                    : fileName + QStringLiteral(" - ") + MptEditorCaption);
}

bool TfrmMPTEdit::MayFollowPreKinetic(bool on) {
  if (on == cells_.PreKinetic() || !on) return true;
  grdMPT->CommitOpenEditor();
  const TMptCells cells = GridCells();
  TMptCells defaults(false);
  defaults.SetDefault();
  bool beyondDefault = false;
  for (int n = Tmpt::PreKineticEntryCount; n < cells.UsableCount() && !beyondDefault; ++n) {
    const auto [row, col] = cells.CellAt(n);
    beyondDefault = cells.Text(row, col).trimmed() != defaults.Text(row, col);
  }
  if (!beyondDefault) return true;
  return MessageDlg(this, QStringLiteral("Confirm"),
                    QStringLiteral("Program changes 129 to 200 of this table select other than "
                                   "their default presets. A Pre-Kinetic unit has no such "
                                   "program changes: they will be left out of the table when it "
                                   "is saved or sent. Switch this table to Pre-Kinetic mode?"),
                    QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TfrmMPTEdit::FollowPreKinetic(bool on) {
  if (on == cells_.PreKinetic()) return;
  grdMPT->CommitOpenEditor();
  const TMptCells before = GridCells();
  // What the old layout held goes into the table first, so cells only one layout shows keep
  // their presets for a switch back.
  for (int n = 0; n < before.UsableCount(); ++n) {
    const auto [row, col] = before.CellAt(n);
    bool isNumber = false;
    const int value = before.Text(row, col).trimmed().toInt(&isNumber, 10);
    if (isNumber && value >= 1 && value <= Tmpt::EntryCount) table_.SetEntry(n, value - 1);
  }
  table_.SetPreKinetic(on);
  TMptCells after(on);
  after.FillFromTable(table_);
  for (int n = 0; n < std::min(before.UsableCount(), after.UsableCount()); ++n) {
    const auto [row, col] = after.CellAt(n);
    after.SetText(row, col, before.Text(row, col));  // typed texts, valid or not, stay
  }
  const int currentRow = CurrentRow();
  const int currentCol = CurrentCol();
  cells_ = TMptCells(on);
  LayOutRows();
  PutCells(after);
  if (cells_.IsDataCell(currentRow, currentCol))
    SetCurrentCell(currentRow, currentCol);
  else
    SetCurrentCell(1, 1);
  // The table no longer matches the file or dump it came from.
  modified_ = true;
}

bool SwitchMptEditorsPreKinetic(QObject* owner, bool on) {
  QList<TfrmMPTEdit*> editors = owner->findChildren<TfrmMPTEdit*>();
  // A closed editor waiting to be freed has no table left to keep.
  editors.removeIf([](const TfrmMPTEdit* editor) { return !editor->isVisible(); });
  for (TfrmMPTEdit* editor : editors)
    if (!editor->MayFollowPreKinetic(on)) return false;
  for (TfrmMPTEdit* editor : editors) editor->FollowPreKinetic(on);
  return true;
}

QString TfrmMPTEdit::grdMPTGetEditMask(int row, int col) const {
  return cells_.IsDataCell(row, col) ? QStringLiteral("000") : QString();
}

bool TfrmMPTEdit::ValidateGrid() {
  TMptCells cells = GridCells();
  const TMptValidation result = cells.Validate();
  PutCells(cells);  // the valid cells now read as three digits
  if (result.Ok) return true;
  MessageDlg(this, QStringLiteral("Error found"), result.Message, QMessageBox::Warning,
             QMessageBox::Ok);
  SetCurrentCell(result.Row, result.Col);
  return false;
}

void TfrmMPTEdit::CopyGridToTable() {
  GridCells().CopyToTable(table_);
}

bool TfrmMPTEdit::grdMPTSelectCell(int row, int col) {
  if (!cells_.IsDataCell(row, col)) return false;
  return ValidateGrid();
}

void TfrmMPTEdit::grdMPTSectionMoved(Qt::Orientation orientation) {
  if (relaying_) return;
  relaying_ = true;
  QHeaderView* columns = grdMPT->horizontalHeader();
  QHeaderView* rows = grdMPT->verticalHeader();
  const int currentRow = rows->visualIndex(grdMPT->currentRow()) + 1;
  const int currentCol = columns->visualIndex(grdMPT->currentColumn()) + 1;

  TMptCells cells(cells_.PreKinetic());
  for (int r = 1; r <= cells.Rows(); ++r) {
    for (int c = 1; c <= TMptCells::Columns; ++c) {
      const QTableWidgetItem* item =
          grdMPT->item(rows->logicalIndex(r - 1), columns->logicalIndex(c - 1));
      cells.SetText(r, c, item ? item->text() : QString());
    }
  }
  // Back to the plain order, keeping the widths (or heights) where the user now sees them.
  QHeaderView* moved = orientation == Qt::Horizontal ? columns : rows;
  std::vector<int> sizes;
  for (int p = 0; p < moved->count(); ++p)
    sizes.push_back(moved->sectionSize(moved->logicalIndex(p)));
  for (int p = 0; p < moved->count(); ++p) moved->moveSection(moved->visualIndex(p), p);
  for (int p = 0; p < moved->count(); ++p)
    moved->resizeSection(p, sizes[static_cast<std::size_t>(p)]);

  PutCells(cells);
  Relabel();
  SetCurrentCell(currentRow, currentCol);
  modified_ = true;
  relaying_ = false;
}

void TfrmMPTEdit::grdMPTMouseMove(int row, int col) {
  if (row == hintRow_ && col == hintCol_) return;
  QToolTip::hideText();
  if (QTableWidgetItem* previous = grdMPT->item(hintRow_ - 1, hintCol_ - 1))
    previous->setToolTip(QString());
  hintRow_ = row;
  hintCol_ = col;
  if (!cells_.IsDataCell(row, col)) {
    grdMPT->setToolTip(QString());
    return;
  }
  const QString hint = hintFiles_.Hint(hintFolder_, Cell(row, col));
  grdMPT->setToolTip(hint);
  if (QTableWidgetItem* item = grdMPT->item(row - 1, col - 1)) item->setToolTip(hint);
}

// ---------------------------------------------------------------------------------------------
// Pop-up menu

void TfrmMPTEdit::pmiShowRangesClick() {
  labels_ = TMptRowLabels::Ranges;
  pmiShowRanges->setChecked(true);
  Relabel();
}

void TfrmMPTEdit::pmiShowOffsetsClick() {
  labels_ = TMptRowLabels::Offsets;
  pmiShowOffsets->setChecked(true);
  Relabel();
}

void TfrmMPTEdit::pmiSetToDefaultClick() {
  grdMPT->CommitOpenEditor();
  TMptCells cells(cells_.PreKinetic());
  cells.SetDefault();
  PutCells(cells);
  modified_ = true;
}

void TfrmMPTEdit::pmiSelectFolderClick() {
  QString folder = fileName_.isEmpty() ? hintFolder_ : QFileInfo(fileName_).absolutePath();
  if (!BrowseFolder(QStringLiteral("Choose a folder below:"), folder)) return;
  hintFolder_ = HintFolderWithSeparator(folder);
  hintRow_ = hintCol_ = 0;  // the next mouse move makes a hint from the new folder
}

void TfrmMPTEdit::ShiftCells(bool insert, TMptShift shift) {
  grdMPT->CommitOpenEditor();
  const int row = CurrentRow();
  const int col = CurrentCol();
  if (!cells_.IsDataCell(row, col)) return;
  TMptCells cells = GridCells();
  if (insert)
    cells.Insert(row, col, shift);
  else
    cells.Delete(row, col, shift);
  PutCells(cells);
  modified_ = true;
}

void TfrmMPTEdit::pmiInsertShiftRowClick() {
  ShiftCells(true, TMptShift::ToEndOfRow);
}

void TfrmMPTEdit::pmiInsertShiftAllClick() {
  ShiftCells(true, TMptShift::All);
}

void TfrmMPTEdit::pmiDeleteShiftRowClick() {
  ShiftCells(false, TMptShift::ToEndOfRow);
}

void TfrmMPTEdit::pmiDeleteShiftAllClick() {
  ShiftCells(false, TMptShift::All);
}

// ---------------------------------------------------------------------------------------------
// Save, send, print

bool TfrmMPTEdit::btnSaveAsClick() {
  grdMPT->CommitOpenEditor();
  if (!ValidateGrid()) return false;
  CopyGridToTable();

  TFileRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Save MPT table");
  request.filter = MptFileFilter;
  request.selectedFilter = MptFileFilter;
  request.defaultSuffix = QStringLiteral("mpt");
  request.confirmOverwrite = true;
  if (!fileName_.isEmpty()) {
    request.directory = QFileInfo(fileName_).absolutePath();
    request.fileName = fileName_;
  } else {
    const QString name = ProposedMptFileName(AppTitle, QDate::currentDate());
    if (!lastDialogFile_.isEmpty()) {
      request.directory = QFileInfo(lastDialogFile_).absolutePath();
      request.fileName = QDir(request.directory).filePath(name);
    } else {
      request.fileName = name;
    }
  }
  const std::optional<TFileAnswer> answer = Dialogs().SaveFile(request);
  if (!answer) return false;
  const QString file = answer->File();
  lastDialogFile_ = file;

  // Written whole or not at all, so a failed save leaves the old file whole.
  QString error;
  {
    TBusyCursor wait;
    TWholeFileWriter out(file);
    if (!out.Open()) {
      error = out.ErrorString();
    } else {
      try {
        table_.SaveToStream(out.Device());
        if (!out.Commit()) error = out.ErrorString();
      } catch (const EMptError& e) {
        out.Cancel();
        error = e.Message();
      }
    }
  }
  if (!error.isEmpty()) {
    ShowErrorMessage(this, QStringLiteral("Cannot save ") + QDir::toNativeSeparators(file) +
                               QStringLiteral(": ") + error);
    return false;
  }
  SetFileName(file);
  modified_ = false;
  return true;
}

void TfrmMPTEdit::btnSendOutClick() {
  grdMPT->CommitOpenEditor();
  if (!ValidateGrid()) return;
  CopyGridToTable();
  if (MessageDlg(this, QStringLiteral("Confirm"), SendQuestion, QMessageBox::Question,
                 QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  QByteArray image;
  image.reserve(MptDumpLength);
  QBuffer stream(&image);
  stream.open(QIODevice::ReadWrite);
  table_.SaveToStream(stream);
  stream.seek(0);
  if (!OnSendMPT) return;
  lastSendResult_ = OnSendMPT(stream);
  // A closed output has been reported by the opener's own check already.
  if (lastSendResult_ != SentResult && lastSendResult_ != NoOutputResult) {
    MessageDlg(this, QStringLiteral("MIDI Out error"), lastSendResult_, QMessageBox::Warning,
               QMessageBox::Ok);
  }
}

void TfrmMPTEdit::btnPrintClick() {
  if (rptOpt_) {
    rptOpt_->raise();
    rptOpt_->activateWindow();
    return;
  }
  int style = static_cast<int>(TMptReportStyle::Grid);
  if (settings_) {
    try {
      style = settings_->ReadInteger(ReportStyleValue, true, style);
    } catch (const ERegistryError&) {
      style = -1;  // an unreadable value chooses no style
    }
  }
  rptOpt_ = new TfrmMPTRptOpt(this);
  rptOpt_->SetItemIndex(style);
  connect(rptOpt_, &QDialog::finished, this, &TfrmMPTEdit::ReportOptionsClosed);
  // Window-modal without a nested event loop: printing goes on when the dialog closes.
  rptOpt_->open();
}

void TfrmMPTEdit::ReportOptionsClosed(int result) {
  if (!rptOpt_) return;
  const int index = rptOpt_->ItemIndex();
  rptOpt_->deleteLater();
  rptOpt_ = nullptr;
  if (result != QDialog::Accepted) return;
  if (settings_) {
    try {
      settings_->WriteInteger(ReportStyleValue, index);
    } catch (const ERegistryError& e) {
      ShowErrorMessage(this, e.Message());
    }
  }
  PrintReport(index == static_cast<int>(TMptReportStyle::List) ? TMptReportStyle::List
                                                               : TMptReportStyle::Grid);
}

bool TfrmMPTEdit::PrintReport(TMptReportStyle style) {
  grdMPT->CommitOpenEditor();
  TMptReport report(GridCells());
  report.Labels = labels_;
  report.Style = style;
  report.Date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
  report.FileName = fileName_;
  report.HintFolder = hintFolder_;
  // Without a printer the report can go to a PDF file; declining prints nothing.
  const QString document = fileName_.isEmpty() ? QStringLiteral("program table")
                                               : QFileInfo(fileName_).completeBaseName();
  if (!PreparePrinter(this, printer_, document)) return false;
  bool printed = false;
  {
    TBusyCursor wait;
    TPrinterPageWriter writer(printer_, grdMPT->font());
    printed = PrintMptReport(writer, report);
  }
  if (!printed) ShowErrorMessage(this, PrintFailureText(printer_));
  return printed;
}

void TfrmMPTEdit::btnPrtSetupClick() {
  TPrinterRequest request;
  request.parent = this;
  request.printer = &printer_;
  Dialogs().PrinterSetup(request);
}

void TfrmMPTEdit::btnFontClick() {
  TFontRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Font");
  request.font = grdMPT->font();
  // The grid's columns line up only in a font whose characters are all one width.
  request.options = QFontDialog::MonospacedFonts;
  if (const std::optional<QFont> font = Dialogs().ChooseFont(request)) ApplyGridFont(*font);
}

void TfrmMPTEdit::btnExitClick() {
  close();
}

// ---------------------------------------------------------------------------------------------
// Keys and closing

bool TfrmMPTEdit::FormKeyDown(int key, Qt::KeyboardModifiers) {
  if (key != Qt::Key_F9) return false;
  btnSendOutClick();
  return true;
}

void TfrmMPTEdit::keyPressEvent(QKeyEvent* event) {
  if (FormKeyDown(event->key(), event->modifiers())) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

bool TfrmMPTEdit::FormCloseQuery() {
  grdMPT->CommitOpenEditor();
  if (!modified_) return true;
  return ConfirmCloseWithSave(this, [this] { return btnSaveAsClick(); });
}

void TfrmMPTEdit::FormClose() {
  WriteSettings();
}

void TfrmMPTEdit::CloseAnswered() {
  closeAnswered_ = true;
  close();
}

void TfrmMPTEdit::closeEvent(QCloseEvent* event) {
  if (!closeAnswered_ && !FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}
