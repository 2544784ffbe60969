// The file pane of the explorer window: the folder history, the file list with its sort keys and
// views, and the file commands (load, open, send, rename, delete).

#include "app/BusyCursor.h"
#include "app/DialogService.h"
#include "app/kxUtility.h"
#include "explorer/MIDIExplorer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeDatabase>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

enum TFileRole { KindRole = Qt::UserRole + 1, PathRole, CaptionRole };
enum TFileColumn { colName = 0, colSize = 1, colType = 2, colModified = 3 };
// Which sort key each column stands for.
constexpr int kColumnKeys[] = {fsName, fsSize, fsType, fsModified};
constexpr int kHistoryRead = 9;
constexpr int kHistoryWritten = 7;

QToolButton* NewButton(QWidget* parent, const char* name, const QString& hint,
                       QStyle::StandardPixmap icon) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(hint);
  b->setStatusTip(hint);
  b->setAutoRaise(true);
  b->setIcon(parent->style()->standardIcon(icon));
  return b;
}

// The shell's type name of an entry; names by suffix are looked up once per listing.
class TTypeNames {
 public:
  QString Of(const QFileInfo& info) {
    if (info.isDir()) return Lookup(QStringLiteral("/"), info);
    return Lookup(info.suffix().toLower(), info);
  }

 private:
  QString Lookup(const QString& key, const QFileInfo& info) {
    auto it = cache_.find(key);
    if (it != cache_.end()) return *it;
    const QMimeType type = db_.mimeTypeForFile(info, QMimeDatabase::MatchExtension);
    // Types the system does not know are named after their extension, as the shell does.
    const QString name = type.isDefault() && !key.isEmpty() && key != QStringLiteral("/")
                             ? key.toUpper() + QStringLiteral(" File")
                             : type.comment();
    cache_.insert(key, name);
    return name;
  }
  QMimeDatabase db_;
  QHash<QString, QString> cache_;
};

}  // namespace

void TfrmMIDIExplorer::CreateFilePane() {
  auto* layout = new QVBoxLayout(tsExplorer);
  layout->setContentsMargins(2, 2, 2, 0);
  layout->setSpacing(2);

  auto* tools = new QHBoxLayout;
  btnBrowse =
      NewButton(tsExplorer, "btnBrowse", QStringLiteral("Browse..."), QStyle::SP_DirOpenIcon);
  btnPrevFolder = NewButton(tsExplorer, "btnPrevFolder", QStringLiteral("Previous folder"),
                            QStyle::SP_FileDialogToParent);
  btnFileDetails = NewButton(tsExplorer, "btnFileDetails", QStringLiteral("File details"),
                             QStyle::SP_FileDialogDetailedView);
  btnFileList = NewButton(tsExplorer, "btnFileList", QStringLiteral("File list"),
                          QStyle::SP_FileDialogListView);
  btnFileIcons = NewButton(tsExplorer, "btnFileIcons", QStringLiteral("Show icons"),
                           QStyle::SP_FileDialogContentsView);
  for (QToolButton* b : {btnFileDetails, btnFileList, btnFileIcons}) {
    b->setCheckable(true);
    b->setAutoExclusive(true);
  }
  btnFileDetails->setChecked(true);
  cbxFolder = new QComboBox(tsExplorer);
  cbxFolder->setObjectName(QStringLiteral("cbxFolder"));
  cbxFolder->setEditable(true);
  cbxFolder->setInsertPolicy(QComboBox::NoInsert);
  // What the user types stays what they typed: inline completion from the history would replace
  // a folder's name with a longer one visited before, and Enter would then open that one.
  cbxFolder->setCompleter(nullptr);
  cbxFolder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  cbxFolder->setFont(QApplication::font());
  tools->addWidget(cbxFolder, 1);
  for (QToolButton* b : {btnBrowse, btnPrevFolder, btnFileDetails, btnFileList, btnFileIcons}) {
    tools->addWidget(b);
  }
  layout->addLayout(tools);

  fileModel_ = new QStandardItemModel(0, 4, this);
  fileModel_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"),
                                         QStringLiteral("Type"), QStringLiteral("Modified")});
  fileModel_->horizontalHeaderItem(colSize)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);

  stkFileViews = new QStackedWidget(tsExplorer);
  stkFileViews->setObjectName(QStringLiteral("stkFileViews"));
  lvwFileList = new QTreeView(stkFileViews);
  lvwFileList->setObjectName(QStringLiteral("lvwFileList"));
  lvwFileList->setModel(fileModel_);
  lvwFileList->setRootIsDecorated(false);
  lvwFileList->setItemsExpandable(false);
  lvwFileList->setUniformRowHeights(true);
  lvwFileList->setSortingEnabled(false);
  lvwFileList->header()->setSectionsClickable(true);
  lvwFileList->header()->setSortIndicatorShown(true);
  lvwFileList->header()->setStretchLastSection(true);
  lvwFileListIcons = new QListView(stkFileViews);
  lvwFileListIcons->setObjectName(QStringLiteral("lvwFileListIcons"));
  lvwFileListIcons->setModel(fileModel_);
  lvwFileListIcons->setSelectionModel(lvwFileList->selectionModel());
  for (QAbstractItemView* v : {static_cast<QAbstractItemView*>(lvwFileList),
                               static_cast<QAbstractItemView*>(lvwFileListIcons)}) {
    v->setSelectionMode(QAbstractItemView::ExtendedSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A double-click opens or sends; renaming starts with F2.
    v->setEditTriggers(QAbstractItemView::EditKeyPressed);
    v->setContextMenuPolicy(Qt::CustomContextMenu);
    v->setFont(QApplication::font());
    connect(v, &QAbstractItemView::clicked, this, &TfrmMIDIExplorer::lvwFileListClick);
    connect(v, &QAbstractItemView::doubleClicked, this, [this] { lvwFileListDblClick(); });
    connect(v, &QWidget::customContextMenuRequested, this,
            [this, v](const QPoint& p) { popFileList->popup(v->viewport()->mapToGlobal(p)); });
  }
  stkFileViews->addWidget(lvwFileList);
  stkFileViews->addWidget(lvwFileListIcons);
  layout->addWidget(stkFileViews, 1);

  stbFileInfo = new QStatusBar(tsExplorer);
  stbFileInfo->setObjectName(QStringLiteral("stbFileInfo"));
  stbFileInfo->setSizeGripEnabled(false);
  stbFileInfo->setFont(QApplication::font());
  fileInfoPanel0_ = new QLabel(QStringLiteral("Files"), stbFileInfo);
  fileInfoPanel0_->setObjectName(QStringLiteral("stbFileInfoPanel0"));
  fileInfoPanel0_->setMinimumWidth(150);
  fileInfoPanel1_ = new QLabel(QStringLiteral("Bytes"), stbFileInfo);
  fileInfoPanel1_->setObjectName(QStringLiteral("stbFileInfoPanel1"));
  // Room for the longest total, "1023 Byte(s)", in the font the desktop gives.
  fileInfoPanel1_->setMinimumWidth(
      fileInfoPanel1_->fontMetrics().horizontalAdvance(QStringLiteral("1023 Byte(s)")) + 8);
  stbFileInfo->addWidget(fileInfoPanel0_);
  stbFileInfo->addWidget(fileInfoPanel1_, 1);
  layout->addWidget(stbFileInfo);

  popFileList = new QMenu(this);
  popFileList->setObjectName(QStringLiteral("popFileList"));
  pmiRefresh = new QAction(QStringLiteral("Refresh"), this);
  pmiRefresh->setObjectName(QStringLiteral("pmiRefresh"));
  pmiDeleteFile = new QAction(QStringLiteral("Delete"), this);
  pmiDeleteFile->setObjectName(QStringLiteral("pmiDeleteFile"));
  pmiSetDblClickFileOpt = new QMenu(QStringLiteral("Set double-click action"), this);
  pmiSetDblClickFileOpt->setObjectName(QStringLiteral("pmiSetDblClickFileOpt"));
  pmiSetFileEdit = new QAction(QStringLiteral("Open in Editor"), this);
  pmiSetFileEdit->setObjectName(QStringLiteral("pmiSetFileEdit"));
  pmiSetFileSend = new QAction(QStringLiteral("Send to MIDI Out"), this);
  pmiSetFileSend->setObjectName(QStringLiteral("pmiSetFileSend"));
  auto* fileActions = new QActionGroup(this);
  for (QAction* a : {pmiSetFileEdit, pmiSetFileSend}) {
    a->setCheckable(true);
    a->setActionGroup(fileActions);
    pmiSetDblClickFileOpt->addAction(a);
  }
  pmiSetFileEdit->setData(faEdit);
  pmiSetFileSend->setData(faSend);
  pmiSetFileEdit->setChecked(true);
  popFileList->addAction(pmiRefresh);
  popFileList->addAction(pmiDeleteFile);
  popFileList->addSeparator();
  popFileList->addMenu(pmiSetDblClickFileOpt);

  connect(pmiRefresh, &QAction::triggered, this, [this] { RefreshFileList(); });
  connect(pmiDeleteFile, &QAction::triggered, this, [this] { pmiDeleteFileClick(); });
  connect(fileActions, &QActionGroup::triggered, this, [this](QAction* a) { FileActionClick(a); });
  connect(btnBrowse, &QToolButton::clicked, this, [this] { btnBrowseClick(); });
  connect(btnPrevFolder, &QToolButton::clicked, this, [this] { btnPrevFolderClick(); });
  connect(btnFileDetails, &QToolButton::clicked, this, [this] { SetFileView(0); });
  connect(btnFileList, &QToolButton::clicked, this, [this] { SetFileView(1); });
  connect(btnFileIcons, &QToolButton::clicked, this, [this] { SetFileView(2); });
  connect(cbxFolder, &QComboBox::activated, this, &TfrmMIDIExplorer::cbxFolderSelect);
  connect(lvwFileList->header(), &QHeaderView::sectionClicked, this,
          &TfrmMIDIExplorer::lvwFileListColumnClick);
  connect(fileModel_, &QStandardItemModel::itemChanged, this, &TfrmMIDIExplorer::lvwFileListEdited);
}

void TfrmMIDIExplorer::SetFileView(int view) {
  QFileIconProvider icons;
  if (view == 0) {
    stkFileViews->setCurrentWidget(lvwFileList);
    btnFileDetails->setChecked(true);
  } else {
    lvwFileListIcons->setViewMode(view == 2 ? QListView::IconMode : QListView::ListMode);
    lvwFileListIcons->setFlow(view == 2 ? QListView::LeftToRight : QListView::TopToBottom);
    lvwFileListIcons->setWrapping(true);
    lvwFileListIcons->setResizeMode(QListView::Adjust);
    lvwFileListIcons->setIconSize(view == 2 ? QSize(32, 32) : QSize(16, 16));
    lvwFileListIcons->setGridSize(view == 2 ? QSize(96, 64) : QSize());
    stkFileViews->setCurrentWidget(lvwFileListIcons);
    (view == 2 ? btnFileIcons : btnFileList)->setChecked(true);
  }
}

QAbstractItemView* TfrmMIDIExplorer::ActiveFileView() const {
  return stkFileViews->currentWidget() == lvwFileList
             ? static_cast<QAbstractItemView*>(lvwFileList)
             : static_cast<QAbstractItemView*>(lvwFileListIcons);
}

QModelIndex TfrmMIDIExplorer::FileIndexAt(int row) const {
  return fileModel_->index(row, colName);
}

QString TfrmMIDIExplorer::FileInfoText(int panel) const {
  return panel == 0 ? fileInfoPanel0_->text() : fileInfoPanel1_->text();
}

// ---------------------------------------------------------------------------------------------
// Folder history

void TfrmMIDIExplorer::ReadFolderHistory() {
  cbxFolder->clear();
  const QString key = regUtil_->Path() + QStringLiteral("\\Folders");
  for (int i = 1; i <= kHistoryRead; ++i) {
    QString value;
    try {
      value = regUtil_->ReadStringAt(key, QString::number(i));
    } catch (const ERegistryError&) {
      continue;  // an unreadable entry counts as none, like one naming a vanished folder
    }
    if (value.isEmpty() || !QFileInfo(value).isDir()) continue;
    const QString folder = WithTrailingSeparator(value);
    if (cbxFolder->findText(folder) < 0) cbxFolder->addItem(folder);
  }
  if (cbxFolder->count() == 0) {
    cbxFolder->addItem(WithTrailingSeparator(DefaultFileFolder()));
  }
  cbxFolder->setCurrentIndex(0);
  currentFolder_ = cbxFolder->itemText(0);
}

void TfrmMIDIExplorer::WriteFolderHistory() {
  const QString key = regUtil_->Path() + QStringLiteral("\\Folders");
  for (int i = 0; i < std::min(cbxFolder->count(), kHistoryWritten); ++i) {
    regUtil_->WriteStringAt(key, QString::number(i + 1), cbxFolder->itemText(i));
  }
}

void TfrmMIDIExplorer::PutFolderOnTop(const QString& folder) {
  const int at = cbxFolder->findText(folder);
  if (at > 0) cbxFolder->removeItem(at);
  if (at != 0) cbxFolder->insertItem(0, folder);
  cbxFolder->setCurrentIndex(0);
}

// ---------------------------------------------------------------------------------------------
// The list

void TfrmMIDIExplorer::RefreshFileList() {
  if (!currentFolder_.isEmpty()) {
    currentFolder_ = WithTrailingSeparator(currentFolder_);
    PutFolderOnTop(currentFolder_);
  }
  btnPrevFolder->setEnabled(true);
  TBusyCursor busy;
  fillingFiles_ = true;
  lvwFileList->setUpdatesEnabled(false);
  lvwFileListIcons->setUpdatesEnabled(false);
  fileModel_->removeRows(0, fileModel_->rowCount());

  entries_ = currentFolder_.isEmpty() ? std::vector<TFileEntry>() : ReadFolder(currentFolder_);
  TTypeNames types;
  QFileIconProvider icons;
  qint64 total = 0;
  for (TFileEntry& e : entries_) {
    const QFileInfo info(e.Path);
    e.TypeName = types.Of(info);
    total += e.Size;
  }
  SortFileEntries(entries_, static_cast<TFileSortKey>(sortKey_), sortAscending_);

  for (const TFileEntry& e : entries_) {
    auto* name = new QStandardItem(icons.icon(QFileInfo(e.Path)), e.Caption);
    name->setData(e.Kind(), KindRole);
    name->setData(e.Path, PathRole);
    name->setData(e.Caption, CaptionRole);
    name->setEditable(!e.IsDir);
    auto* size = new QStandardItem(e.SizeText);
    size->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QList<QStandardItem*> row{name, size, new QStandardItem(e.TypeName),
                              new QStandardItem(e.ModifiedText)};
    for (int c = 1; c < row.size(); ++c) row[c]->setEditable(false);
    fileModel_->appendRow(row);
  }
  fileInfoPanel0_->setText(QString::number(entries_.size()) + QStringLiteral(" Object(s)"));
  fileInfoPanel1_->setText(TotalSizeText(total));

  int sortColumn = 0;
  for (int c = 0; c < 4; ++c) {
    if (kColumnKeys[c] == sortKey_) sortColumn = c;
  }
  lvwFileList->header()->setSortIndicator(
      sortColumn, sortAscending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
  for (int c = 0; c < 3; ++c) lvwFileList->resizeColumnToContents(c);
  lvwFileList->setUpdatesEnabled(true);
  lvwFileListIcons->setUpdatesEnabled(true);
  fillingFiles_ = false;
}

void TfrmMIDIExplorer::SelectFirstFile() {
  if (fileModel_->rowCount() == 0) return;
  lvwFileList->selectionModel()->setCurrentIndex(
      FileIndexAt(0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TfrmMIDIExplorer::FocusFileList() {
  if (isActiveWindow()) ActiveFileView()->setFocus();
}

void TfrmMIDIExplorer::SetFolder(const QString& path) {
  if (path.isEmpty() || !QFileInfo(path).isDir()) {
    MessageDlg(this, QStringLiteral("Sorry..."), QStringLiteral("Invalid folder: ") + path,
               QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  currentFolder_ = WithTrailingSeparator(path);
  RefreshFileList();
  SelectFirstFile();
}

bool TfrmMIDIExplorer::RevealFile(const QString& file) {
  const QFileInfo info(file);
  if (!info.exists()) return false;
  SetFolder(info.absolutePath());
  const QString wanted = QDir::cleanPath(info.absoluteFilePath());
  for (int row = 0; row < fileModel_->rowCount(); ++row) {
    const QModelIndex index = FileIndexAt(row);
    if (QDir::cleanPath(index.data(PathRole).toString()) != wanted) continue;
    lvwFileList->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvwFileList->scrollTo(index);
    return true;
  }
  return false;
}

QStringList TfrmMIDIExplorer::GetSelectedPathFileNames() {
  selectedFileNames_.clear();
  const QItemSelectionModel* selection = lvwFileList->selectionModel();
  for (int row = 0; row < fileModel_->rowCount(); ++row) {
    const QModelIndex index = FileIndexAt(row);
    if (!selection->isSelected(index)) continue;
    if (index.data(KindRole).toString() == QStringLiteral("dir")) continue;
    selectedFileNames_ << index.data(PathRole).toString();
  }
  return selectedFileNames_;
}

void TfrmMIDIExplorer::lvwFileListClick(const QModelIndex& index) {
  const QModelIndex name = index.siblingAtColumn(colName);
  if (!name.isValid()) return;
  if (name.data(KindRole).toString() != QStringLiteral("dir")) {
    LoadFileIntoBuffer(name.data(PathRole).toString());
  }
  FocusFileList();
}

void TfrmMIDIExplorer::lvwFileListDblClick() {
  const QModelIndex current = ActiveFileView()->currentIndex().siblingAtColumn(colName);
  if (!current.isValid()) return;
  const QString path = current.data(PathRole).toString();
  if (current.data(KindRole).toString() == QStringLiteral("dir")) {
    currentFolder_ = path;
    RefreshFileList();
    return;
  }
  if (!QFileInfo::exists(path)) {
    ShowMessage(this, QStringLiteral("Sorry, but the file doesn't exist ?!"));
    return;
  }
  const QStringList files = GetSelectedPathFileNames();
  for (const QString& file : files) {
    // A file that could not be read leaves the buffer holding the previous one: acting on it
    // would send or edit that one again.
    if (!LoadFileIntoBuffer(file)) {
      ShowStatus(QStringLiteral("Skipped ") + file +
                 QStringLiteral(": the file could not be read"));
      continue;
    }
    if (fileAction_ == faEdit) {
      EditBuffer();
    } else {
      miSendClick();
    }
  }
}

void TfrmMIDIExplorer::lvwFileListEdited(QStandardItem* item) {
  if (fillingFiles_ || item->column() != colName) return;
  const QString oldCaption = item->data(CaptionRole).toString();
  const QString s = item->text();
  if (s == oldCaption) return;
  // A name with a separator would move the file elsewhere instead of renaming it.
  const bool ok = !s.isEmpty() && !s.contains(QLatin1Char('/')) && !s.contains(QLatin1Char('\\')) &&
                  !QFileInfo::exists(currentFolder_ + s) &&
                  QFile::rename(currentFolder_ + oldCaption, currentFolder_ + s);
  fillingFiles_ = true;
  if (ok) {
    item->setData(currentFolder_ + s, PathRole);
    item->setData(s, CaptionRole);
    for (TFileEntry& e : entries_) {
      if (e.Caption == oldCaption) {
        e.Caption = s;
        e.Path = currentFolder_ + s;
      }
    }
  } else {
    item->setText(oldCaption);
  }
  fillingFiles_ = false;
  if (!ok) {
    MessageDlg(this, QStringLiteral("Error renaming file"),
               QStringLiteral("Filename could not be changed to ") + s +
                   QStringLiteral("; (reverted to ") + oldCaption + QStringLiteral(")"),
               QMessageBox::Warning, QMessageBox::Ok);
  }
}

void TfrmMIDIExplorer::lvwFileListColumnClick(int column) {
  if (column < 0 || column > 3) return;
  const int key = kColumnKeys[column];
  if (key == sortKey_) {
    sortAscending_ = !sortAscending_;
  } else {
    sortKey_ = key;
  }
  RefreshFileList();
}

void TfrmMIDIExplorer::pmiDeleteFileClick() {
  const QStringList files = GetSelectedPathFileNames();
  bool yesToAll = false;
  QStringList failed;
  for (const QString& path : files) {
    if (!yesToAll) {
      const TQuestionAnswer answer =
          AskYesNoCancel(this, QStringLiteral("Confirm"),
                         QStringLiteral("Delete ") + path + QStringLiteral("?"), true);
      if (answer == TQuestionAnswer::Cancel) break;
      if (answer == TQuestionAnswer::No) continue;
      yesToAll = answer == TQuestionAnswer::YesToAll;
    }
    QFile file(path);
    if (!file.remove()) failed << path + QStringLiteral(" (") + file.errorString() + ")";
  }
  if (!failed.isEmpty()) {
    MessageDlg(this, QStringLiteral("Error deleting file"),
               QStringLiteral("Could not delete:\n") + failed.join(QLatin1Char('\n')),
               QMessageBox::Warning, QMessageBox::Ok);
  }
  RefreshFileList();
}

void TfrmMIDIExplorer::btnPrevFolderClick() {
  if (currentFolder_.isEmpty() || IsRootFolder(currentFolder_)) {
    btnBrowseClick();
    return;
  }
  const QString parent = ParentFolder(currentFolder_);
  if (parent.isEmpty() || !QFileInfo(parent).isDir()) {
    btnBrowseClick();
    return;
  }
  currentFolder_ = parent;
  PutFolderOnTop(parent);
  RefreshFileList();
  FocusFileList();
  SelectFirstFile();
}

void TfrmMIDIExplorer::btnBrowseClick() {
  QString folder = currentFolder_;
  if (!BrowseFolder(QStringLiteral("Choose a folder below:"), folder)) return;
  PutFolderOnTop(WithTrailingSeparator(folder));
  SetFolder(cbxFolder->currentText());
  FocusFileList();
}

void TfrmMIDIExplorer::cbxFolderSelect(int index) {
  if (index < 0) return;
  const QString folder = cbxFolder->itemText(index);
  PutFolderOnTop(folder);
  SetFolder(folder);
}

void TfrmMIDIExplorer::cbxFolderEnter() {
  const QString text = cbxFolder->currentText().trimmed();
  if (text.isEmpty()) return;
  const QString folder = WithTrailingSeparator(text);
  if (cbxFolder->findText(folder) < 0) cbxFolder->insertItem(0, folder);
  cbxFolder->setEditText(folder);
  SetFolder(folder);
}
