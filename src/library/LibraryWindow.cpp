#include "library/LibraryWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/DialogService.h"
#include "device/DeviceMessages.h"
#include "device/StorePrompt.h"
#include "library/CompareWindow.h"
#include "library/LibraryModel.h"
#include "library/PresetLibrary.h"
#include "preset/Preset.h"

namespace {

const QString Caption = QStringLiteral("Preset library");

}  // namespace

TfrmLibrary::TfrmLibrary(std::unique_ptr<TPresetLibrary> library, QWidget* parent)
    : QWidget(parent, Qt::Window), library_(std::move(library)) {
  setObjectName(QStringLiteral("frmLibrary"));
  setWindowTitle(Caption);
  model_ = new TLibraryModel(*library_, this);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  edtSearch = new QLineEdit(this);
  edtSearch->setObjectName(QStringLiteral("edtSearch"));
  edtSearch->setPlaceholderText(
      QStringLiteral("Search titles, effects, tags and notes (bank:B, tag:lead, no:42, is:fav)"));
  btnAddFolder = new QPushButton(QStringLiteral("Add &folder..."), this);
  btnAddFolder->setObjectName(QStringLiteral("btnAddFolder"));
  btnRescan = new QPushButton(QStringLiteral("&Rescan"), this);
  btnCompareFolders = new QPushButton(QStringLiteral("Compare &backups..."), this);
  btnCompareFolders->setObjectName(QStringLiteral("btnCompareFolders"));
  btnCompareFolders->setToolTip(QStringLiteral("What changed between two backup folders"));
  btnRescan->setObjectName(QStringLiteral("btnRescan"));
  top->addWidget(edtSearch, 1);
  top->addWidget(btnAddFolder);
  top->addWidget(btnRescan);
  top->addWidget(btnCompareFolders);
  layout->addLayout(top);

  auto* split = new QSplitter(Qt::Horizontal, this);
  pgcViews = new QTabWidget(split);
  pgcViews->setObjectName(QStringLiteral("pgcViews"));
  grdPresets = new QTableView(pgcViews);
  grdPresets->setObjectName(QStringLiteral("grdPresets"));
  grdPresets->setModel(model_);
  grdPresets->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdPresets->setSelectionMode(QAbstractItemView::ExtendedSelection);
  grdPresets->setEditTriggers(QAbstractItemView::NoEditTriggers);
  grdPresets->setSortingEnabled(true);
  grdPresets->sortByColumn(TLibraryModel::colTitle, Qt::AscendingOrder);
  grdPresets->verticalHeader()->hide();
  grdPresets->verticalHeader()->setDefaultSectionSize(grdPresets->fontMetrics().height() + 4);
  grdPresets->horizontalHeader()->setStretchLastSection(true);
  grdPresets->setWordWrap(false);
  grdPresets->setColumnWidth(TLibraryModel::colFavourite, 24);
  grdPresets->setColumnWidth(TLibraryModel::colTitle, 150);
  grdPresets->setColumnWidth(TLibraryModel::colSlot, 70);
  grdPresets->setColumnWidth(TLibraryModel::colPlaces, 50);
  grdPresets->setColumnWidth(TLibraryModel::colAnalog, 170);
  grdPresets->setColumnWidth(TLibraryModel::colDigital, 220);
  grdPresets->setColumnWidth(TLibraryModel::colDate, 120);

  pgcViews->addTab(grdPresets, QStringLiteral("Presets"));
  tsBank = new QWidget(pgcViews);
  tsBank->setObjectName(QStringLiteral("tsBank"));
  auto* bankLayout = new QVBoxLayout(tsBank);
  cbxBank = new QComboBox(tsBank);
  cbxBank->setObjectName(QStringLiteral("cbxBank"));
  grdBank = new QTableWidget(PresetCount, 2, tsBank);
  grdBank->setObjectName(QStringLiteral("grdBank"));
  grdBank->setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Title")});
  grdBank->verticalHeader()->hide();
  grdBank->verticalHeader()->setDefaultSectionSize(grdBank->fontMetrics().height() + 4);
  grdBank->horizontalHeader()->setStretchLastSection(true);
  grdBank->setColumnWidth(0, 50);
  grdBank->setSelectionBehavior(QAbstractItemView::SelectRows);
  grdBank->setSelectionMode(QAbstractItemView::SingleSelection);
  grdBank->setEditTriggers(QAbstractItemView::NoEditTriggers);
  bankLayout->addWidget(cbxBank);
  bankLayout->addWidget(grdBank, 1);
  pgcViews->addTab(tsBank, QStringLiteral("Bank view"));

  auto* details = new QWidget(split);
  auto* form = new QVBoxLayout(details);
  form->setContentsMargins(0, 0, 0, 0);
  lblPlaces = new QLabel(QStringLiteral("Places:"), details);
  lstPlaces = new QListWidget(details);
  lstPlaces->setObjectName(QStringLiteral("lstPlaces"));
  chkFavourite = new QCheckBox(QStringLiteral("Favou&rite"), details);
  chkFavourite->setObjectName(QStringLiteral("chkFavourite"));
  edtTags = new QLineEdit(details);
  edtTags->setObjectName(QStringLiteral("edtTags"));
  edtTags->setPlaceholderText(QStringLiteral("lead, clean, live set"));
  memNotes = new QPlainTextEdit(details);
  memNotes->setObjectName(QStringLiteral("memNotes"));
  memNotes->installEventFilter(this);
  form->addWidget(lblPlaces);
  form->addWidget(lstPlaces, 1);
  form->addWidget(chkFavourite);
  auto* tagsLabel = new QLabel(QStringLiteral("&Tags (separated by commas):"), details);
  tagsLabel->setBuddy(edtTags);
  form->addWidget(tagsLabel);
  form->addWidget(edtTags);
  auto* notesLabel = new QLabel(QStringLiteral("&Notes:"), details);
  notesLabel->setBuddy(memNotes);
  form->addWidget(notesLabel);
  form->addWidget(memNotes, 1);
  split->addWidget(pgcViews);
  split->addWidget(details);
  split->setStretchFactor(0, 3);
  split->setStretchFactor(1, 1);
  layout->addWidget(split, 1);

  auto* buttons = new QHBoxLayout;
  btnOpen = new QPushButton(QStringLiteral("&Open in editor"), this);
  btnOpen->setObjectName(QStringLiteral("btnOpen"));
  btnSend = new QPushButton(QStringLiteral("&Send to unit (F9)"), this);
  btnSend->setObjectName(QStringLiteral("btnSend"));
  btnCompare = new QPushButton(QStringLiteral("&Compare"), this);
  btnCompare->setObjectName(QStringLiteral("btnCompare"));
  btnStore = new QPushButton(QStringLiteral("S&tore at..."), this);
  btnStore->setObjectName(QStringLiteral("btnStore"));
  btnRestore = new QPushButton(QStringLiteral("Restore se&lection..."), this);
  btnRestore->setObjectName(QStringLiteral("btnRestore"));
  btnRestore->setToolTip(
      QStringLiteral("Put the selected presets back into the slots they were backed up from"));
  btnCompareUnit = new QPushButton(QStringLiteral("Compare with &unit"), this);
  btnCompareUnit->setObjectName(QStringLiteral("btnCompareUnit"));
  btnCompareUnit->setToolTip(
      QStringLiteral("Fetch the unit's edit buffer and compare the preset with it"));
  btnReveal = new QPushButton(QStringLiteral("Show in file &pane"), this);
  btnReveal->setObjectName(QStringLiteral("btnReveal"));
  lblStatus = new QLabel(this);
  lblStatus->setObjectName(QStringLiteral("lblStatus"));
  for (QPushButton* b :
       {btnOpen, btnSend, btnStore, btnRestore, btnCompare, btnCompareUnit, btnReveal})
    buttons->addWidget(b);
  buttons->addWidget(lblStatus, 1);
  layout->addLayout(buttons);

  connect(edtSearch, &QLineEdit::textChanged, this, &TfrmLibrary::SearchChanged);
  connect(grdPresets, &QAbstractItemView::activated, this, [this] { OpenCurrent(); });
  connect(grdPresets->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { CurrentChanged(); });
  connect(grdPresets->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { UpdateButtons(); });
  connect(model_, &QAbstractItemModel::modelReset, this, [this] { CurrentChanged(); });
  connect(pgcViews, &QTabWidget::currentChanged, this, [this] {
    if (BankViewActive() && cbxBank->count() == 0) FillBankChoice();
    CurrentChanged();
  });
  connect(cbxBank, &QComboBox::currentIndexChanged, this,
          [this] { ShowBank(cbxBank->currentData().toString()); });
  connect(grdBank, &QTableWidget::currentCellChanged, this, [this] { CurrentChanged(); });
  connect(grdBank, &QTableWidget::cellActivated, this, [this] { OpenCurrent(); });
  connect(lstPlaces, &QListWidget::itemActivated, this, [this] { OpenCurrent(); });
  connect(chkFavourite, &QCheckBox::toggled, this, &TfrmLibrary::FavouriteClick);
  connect(edtTags, &QLineEdit::editingFinished, this, &TfrmLibrary::TagsEdited);
  connect(btnOpen, &QPushButton::clicked, this, &TfrmLibrary::OpenCurrent);
  connect(btnSend, &QPushButton::clicked, this, &TfrmLibrary::SendCurrent);
  connect(btnCompare, &QPushButton::clicked, this, &TfrmLibrary::CompareSelected);
  connect(btnReveal, &QPushButton::clicked, this, &TfrmLibrary::RevealCurrent);
  connect(btnStore, &QPushButton::clicked, this, &TfrmLibrary::StoreCurrent);
  connect(btnRestore, &QPushButton::clicked, this, &TfrmLibrary::RestoreSelection);
  connect(btnCompareUnit, &QPushButton::clicked, this, &TfrmLibrary::CompareWithUnit);
  connect(btnAddFolder, &QPushButton::clicked, this, &TfrmLibrary::AddFolderClick);
  connect(btnRescan, &QPushButton::clicked, this, &TfrmLibrary::RescanClick);
  connect(btnCompareFolders, &QPushButton::clicked, this, &TfrmLibrary::CompareFoldersClick);
  resize(1100, 580);
  ShowDetails();
  UpdateButtons();
}

TfrmLibrary::~TfrmLibrary() = default;

void TfrmLibrary::OpenLibrary(const QStringList& defaultFolders) {
  const QString notice = library_->Open(defaultFolders);
  // The files are the truth: what changed in the folders since the index was written (another
  // backup, files moved by hand) shows as soon as the window opens.
  if (!library_->ScannedOnOpen()) library_->Rescan();
  model_->Reload();
  ShowScanReport();
  // Said once: the rebuilt index opens cleanly next time.
  if (!notice.isEmpty())
    MessageDlg(this, Caption, notice, QMessageBox::Information, QMessageBox::Ok);
}

bool TfrmLibrary::BankViewActive() const {
  return pgcViews->currentWidget() == tsBank;
}

void TfrmLibrary::FillBankChoice() {
  const QString chosen = cbxBank->currentData().toString();
  const QSignalBlocker quiet(cbxBank);
  cbxBank->clear();
  const QStringList folders = library_->BankFolders();
  for (const QString& f : folders) cbxBank->addItem(QDir::toNativeSeparators(f), f);
  const int at = folders.indexOf(chosen);
  cbxBank->setCurrentIndex(at >= 0 ? at : 0);
  ShowBank(cbxBank->currentData().toString());
}

void TfrmLibrary::ShowBank(const QString& folder) {
  const int chosen = cbxBank->findData(folder);
  if (chosen >= 0 && chosen != cbxBank->currentIndex()) {
    cbxBank->setCurrentIndex(chosen);  // comes back here through the signal
    return;
  }
  bankEntries_ = folder.isEmpty() ? std::vector<int>(PresetCount, -1) : library_->BankSlots(folder);
  bankFiles_.assign(PresetCount, QString());
  const QString wanted = QDir::cleanPath(folder);
  for (int n = 0; n < PresetCount; ++n) {
    const int entry = bankEntries_[std::size_t(n)];
    QString title;
    if (entry >= 0) {
      const TLibraryEntry& e = library_->Entries()[std::size_t(entry)];
      title = e.Title;
      for (const TPresetPlace& p : e.Places)
        if (p.Number == n + 1 && QFileInfo(p.File).absolutePath() == wanted)
          bankFiles_[std::size_t(n)] = p.File;
    }
    grdBank->setItem(n, 0, new QTableWidgetItem(PresetNumberText(n + 1)));
    grdBank->setItem(n, 1, new QTableWidgetItem(title));
  }
  CurrentChanged();
}

const TLibraryEntry* TfrmLibrary::CurrentEntry() const {
  if (BankViewActive()) {
    const int row = grdBank->currentRow();
    const int entry =
        row >= 0 && row < int(bankEntries_.size()) ? bankEntries_[std::size_t(row)] : -1;
    return entry >= 0 ? &library_->Entries()[std::size_t(entry)] : nullptr;
  }
  return model_->EntryOfRow(grdPresets->currentIndex().row());
}

QString TfrmLibrary::CurrentFile() const {
  if (BankViewActive()) {
    const int row = grdBank->currentRow();
    return row >= 0 && row < int(bankFiles_.size()) ? bankFiles_[std::size_t(row)] : QString();
  }
  const TLibraryEntry* e = CurrentEntry();
  if (!e || e->Places.empty()) return {};
  const int place = lstPlaces->currentRow();
  return e->Places[std::size_t(place >= 0 && place < int(e->Places.size()) ? place : 0)].File;
}

std::vector<int> TfrmLibrary::SelectedEntries() const {
  std::vector<int> entries;
  QModelIndexList rows = grdPresets->selectionModel()->selectedRows();
  std::sort(rows.begin(), rows.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  for (const QModelIndex& i : rows) entries.push_back(model_->EntryAt(i.row()));
  return entries;
}

void TfrmLibrary::SearchChanged(const QString& text) {
  CommitNotes();
  model_->SetSearch(text);
  // The first result is the current one, so F9 and Return act on what the search found.
  if (model_->rowCount() > 0) grdPresets->selectRow(0);
  ShowCount();
}

void TfrmLibrary::CurrentChanged() {
  CommitNotes();
  ShowDetails();
  UpdateButtons();
}

void TfrmLibrary::ShowDetails() {
  loading_ = true;
  const TLibraryEntry* e = CurrentEntry();
  detailsKey_ = e ? e->Key : QString();
  lstPlaces->clear();
  if (e) {
    for (const TPresetPlace& p : e->Places) {
      const QString slot = p.SlotText();
      lstPlaces->addItem((slot.isEmpty() ? QString() : slot + QStringLiteral("   ")) +
                         QDir::toNativeSeparators(p.File));
    }
    lstPlaces->setCurrentRow(0);
  }
  lblPlaces->setText(
      e ? QStringLiteral("Places of \"%1\" (%2):").arg(e->Title).arg(e->Places.size())
        : QStringLiteral("Places:"));
  chkFavourite->setChecked(e && e->Favourite);
  edtTags->setText(e ? e->Tags.join(QStringLiteral(", ")) : QString());
  memNotes->setPlainText(e ? e->Notes : QString());
  for (QWidget* w : std::initializer_list<QWidget*>{chkFavourite, edtTags, memNotes})
    w->setEnabled(e != nullptr);
  loading_ = false;
}

void TfrmLibrary::UpdateButtons() {
  const bool one = CurrentEntry() != nullptr;
  btnOpen->setEnabled(one);
  btnSend->setEnabled(one);
  btnReveal->setEnabled(one);
  btnCompareUnit->setEnabled(one);
  btnStore->setEnabled(one);
  btnRestore->setEnabled(one && !BankViewActive());
  btnCompare->setEnabled(grdPresets->selectionModel()->selectedRows().size() == 2);
}

void TfrmLibrary::ShowCount() {
  const int all = int(library_->Entries().size());
  const int shown = model_->rowCount();
  lblStatus->setText(shown == all ? QStringLiteral("%1 presets").arg(all)
                                  : QStringLiteral("%1 of %2 presets").arg(shown).arg(all));
}

void TfrmLibrary::ShowScanReport() {
  ShowCount();
  const TScanReport& r = library_->LastScan();
  QString text = lblStatus->text();
  if (r.Files > 0) text += QStringLiteral(" in %1 files").arg(r.Files);
  if (!r.Skipped.isEmpty()) text += QStringLiteral(", %1 files skipped").arg(r.Skipped.size());
  if (!r.UnreadableFolders.isEmpty())
    text += QStringLiteral(", %1 folders unreadable").arg(r.UnreadableFolders.size());
  lblStatus->setText(text);
  QStringList tip = r.Skipped;
  for (const QString& f : r.UnreadableFolders) tip << f + QStringLiteral(": cannot be read");
  lblStatus->setToolTip(tip.join('\n'));
}

void TfrmLibrary::OpenCurrent() {
  const QString file = CurrentFile();
  if (!file.isEmpty() && OnOpenFile) OnOpenFile(file);
}

void TfrmLibrary::SendCurrent() {
  const TLibraryEntry* e = CurrentEntry();
  if (!e) return;
  const QString result =
      OnSendDump ? OnSendDump(e->Dump) : QStringLiteral("Not connected to the unit");
  lblStatus->setText(QStringLiteral("\"%1\": %2").arg(e->Title, result));
}

void TfrmLibrary::CompareSelected() {
  const std::vector<int> entries = SelectedEntries();
  if (entries.size() != 2 || entries[0] < 0 || entries[1] < 0) {
    lblStatus->setText(QStringLiteral("Select two presets to compare"));
    return;
  }
  const TLibraryEntry& a = library_->Entries()[std::size_t(entries[0])];
  const TLibraryEntry& b = library_->Entries()[std::size_t(entries[1])];
  TPreset pa, pb;
  pa.LoadFromImage(AsBytes(a.Dump));
  pb.LoadFromImage(AsBytes(b.Dump));
  if (!compare_) compare_ = new TfrmCompare(this);
  const auto name = [](const TLibraryEntry& e) {
    return e.Places.empty() ? QString() : QDir::toNativeSeparators(e.Places.front().File);
  };
  compare_->ShowComparison(pa, name(a), pb, name(b));
  compare_->show();
  compare_->raise();
}

void TfrmLibrary::StoreCurrent() {
  const TLibraryEntry* e = CurrentEntry();
  if (!e) return;
  const QByteArray dump = e->Dump;
  const QString title = e->Title;
  // The file's own slot first: a backup file remembers where it came from.
  int proposal = 1;
  const QString file = CurrentFile();
  for (const TPresetPlace& p : e->Places)
    if (p.File == file && p.Number > 0) proposal = p.Number;
  if (!storePrompt_) storePrompt_ = new TfrmStorePrompt(this);
  storePrompt_->SetPresetNo(proposal);
  if (!Dialogs().Form(*storePrompt_)) return;
  const int number = storePrompt_->PresetNo();
  const QString result = OnStoreDump ? OnStoreDump(dump, number, storePrompt_->SendFirst())
                                     : QStringLiteral("Not connected to the unit");
  lblStatus->setText(
      QStringLiteral("\"%1\" at %2: %3").arg(title, PresetNumberText(number), result));
}

void TfrmLibrary::RestoreSelection() {
  const TLibraryEntry* current = CurrentEntry();
  const QString currentFile = CurrentFile();
  QStringList files;
  int left = 0;
  for (int entry : SelectedEntries()) {
    if (entry < 0) continue;
    const TLibraryEntry& e = library_->Entries()[std::size_t(entry)];
    QString chosen;
    for (const TPresetPlace& p : e.Places) {
      if (p.Bank < 0 || p.Number <= 0) continue;
      if (&e == current && p.File == currentFile) {
        chosen = p.File;
        break;
      }
      if (chosen.isEmpty()) chosen = p.File;
    }
    if (chosen.isEmpty())
      ++left;
    else
      files << chosen;
  }
  if (files.isEmpty()) {
    lblStatus->setText(
        QStringLiteral("None of the selected presets lies in a backup's bank folder"));
    return;
  }
  if (left > 0)
    lblStatus->setText(
        QStringLiteral("%1 presets left out: they lie in no backup's bank folder").arg(left));
  if (OnRestoreFiles) OnRestoreFiles(files);
}

void TfrmLibrary::CompareWithUnit() {
  const TLibraryEntry* e = CurrentEntry();
  if (!e) return;
  const QString key = e->Key;
  const QString file = CurrentFile();
  QString why = QStringLiteral("Not connected to the unit");
  lblStatus->setText(QStringLiteral("Fetching the unit's edit buffer..."));
  const std::optional<QByteArray> dump = OnFetchEditBuffer ? OnFetchEditBuffer(&why) : std::nullopt;
  // The wait let events run: the library may have been read again meanwhile.
  const int entry = library_->IndexOf(key);
  if (!dump || entry < 0) {
    lblStatus->setText(QStringLiteral("Cannot compare with the unit: ") + why);
    return;
  }
  TPreset mine, unit;
  try {
    mine.LoadFromImage(AsBytes(library_->Entries()[std::size_t(entry)].Dump));
    unit.LoadFromImage(AsBytes(*dump));
  } catch (...) {
    lblStatus->setText(QStringLiteral("Cannot compare with the unit: its answer is no preset"));
    return;
  }
  if (!compare_) compare_ = new TfrmCompare(this);
  compare_->ShowComparison(mine, QDir::toNativeSeparators(file), unit,
                           QStringLiteral("the unit's edit buffer"));
  compare_->show();
  compare_->raise();
  ShowCount();
}

void TfrmLibrary::CompareFoldersClick() {
  TFolderRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Compare backups: the older backup");
  request.statusText =
      QStringLiteral("Choose the older backup folder (the one with the bank folders)");
  request.folder = library_->Folders().value(0);
  const auto older = Dialogs().BrowseForFolder(request);
  if (!older || older->folder.isEmpty()) return;
  request.caption = QStringLiteral("Compare backups: the newer backup");
  request.statusText = QStringLiteral("Choose the newer backup folder");
  request.folder = older->folder;
  const auto newer = Dialogs().BrowseForFolder(request);
  if (!newer || newer->folder.isEmpty()) return;
  const TFolderComparison c = CompareBackupFolders(older->folder, newer->folder);
  if (!c.Error.isEmpty()) {
    MessageDlg(this, Caption, c.Error, QMessageBox::Warning, QMessageBox::Ok);
    return;
  }
  QString text = FolderComparisonText(c);
  // The last line is the summary; the window shows it below the text.
  QStringList lines = text.split('\n', Qt::SkipEmptyParts);
  const QString summary = lines.isEmpty() ? QString() : lines.takeLast();
  if (!c.Ignored.isEmpty()) lines << QString() << QStringLiteral("Files left aside:") << c.Ignored;
  if (!compare_) compare_ = new TfrmCompare(this);
  compare_->ShowText(QStringLiteral("Compare backups"),
                     QStringLiteral("Older: ") + QDir::toNativeSeparators(older->folder),
                     QStringLiteral("Newer: ") + QDir::toNativeSeparators(newer->folder),
                     lines.isEmpty() ? QStringLiteral("No differences") : lines.join('\n') + '\n',
                     summary);
  compare_->show();
  compare_->raise();
}

void TfrmLibrary::RevealCurrent() {
  const QString file = CurrentFile();
  if (!file.isEmpty() && OnRevealFile) OnRevealFile(file);
}

void TfrmLibrary::AddFolderClick() {
  TFolderRequest request;
  request.parent = this;
  request.caption = QStringLiteral("Add a folder of presets");
  request.statusText = QStringLiteral("Choose a folder; its sub-folders are read too");
  request.folder = library_->Folders().value(0);
  const auto answer = Dialogs().BrowseForFolder(request);
  if (!answer || answer->folder.isEmpty()) return;
  library_->AddFolder(answer->folder);
  RescanClick();
}

void TfrmLibrary::RescanClick() {
  CommitNotes();
  const QString key = detailsKey_;
  library_->Rescan();
  model_->Reload();
  const int row = model_->RowOf(library_->IndexOf(key));
  if (row >= 0) grdPresets->selectRow(row);
  if (cbxBank->count() > 0) FillBankChoice();
  ShowScanReport();
}

void TfrmLibrary::FavouriteClick(bool checked) {
  if (loading_ || detailsKey_.isEmpty()) return;
  library_->SetFavourite(detailsKey_, checked);
  model_->EntryChanged(library_->IndexOf(detailsKey_));
}

void TfrmLibrary::TagsEdited() {
  if (loading_ || detailsKey_.isEmpty()) return;
  const int entry = library_->IndexOf(detailsKey_);
  const QStringList tags = TPresetLibrary::ParseTags(edtTags->text());
  if (entry >= 0 && library_->Entries()[std::size_t(entry)].Tags == tags) return;
  library_->SetTags(detailsKey_, tags);
  model_->EntryChanged(entry);
}

void TfrmLibrary::CommitNotes() {
  if (loading_ || detailsKey_.isEmpty()) return;
  const int entry = library_->IndexOf(detailsKey_);
  if (entry < 0 || library_->Entries()[std::size_t(entry)].Notes == memNotes->toPlainText()) return;
  library_->SetNotes(detailsKey_, memNotes->toPlainText());
}

bool TfrmLibrary::eventFilter(QObject* watched, QEvent* e) {
  if (watched == memNotes && e->type() == QEvent::FocusOut) CommitNotes();
  return QWidget::eventFilter(watched, e);
}

void TfrmLibrary::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F9 && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
    SendCurrent();
    return;
  }
  if (e->matches(QKeySequence::Find)) {
    edtSearch->setFocus();
    edtSearch->selectAll();
    return;
  }
  QWidget::keyPressEvent(e);
}

void TfrmLibrary::closeEvent(QCloseEvent* e) {
  CommitNotes();
  TagsEdited();
  QWidget::closeEvent(e);
}
