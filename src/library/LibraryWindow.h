#pragma once

// The library window ("Presets" -> "Library..."): every preset of the library's folders in one
// table with an instant search, the places each preset was found, and its tags, favourite mark and
// notes. From here a preset opens in the editor (double-click or Return), goes to the unit's edit
// buffer to be heard (F9, as in the editor), is compared with another, or is shown in the main
// window's file pane. The window talks to the unit and the editors only through the callbacks
// the main window sets.

#include <QPointer>

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include "library/CompareWindow.h"

class QCheckBox;
class QComboBox;
class QTabWidget;
class QTableWidget;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class TLibraryModel;
class TfrmStorePrompt;
class TPresetLibrary;
struct TLibraryEntry;

class TfrmLibrary : public QWidget {
  Q_OBJECT
 public:
  explicit TfrmLibrary(std::unique_ptr<TPresetLibrary> library, QWidget* parent = nullptr);
  ~TfrmLibrary() override;

  // Opens the library's index (rebuilt when it must be; the user is told once, through the dialog
  // service) and lists it. defaultFolders are taken when the library knows no folder yet.
  void OpenLibrary(const QStringList& defaultFolders);

  TPresetLibrary& Library() const { return *library_; }
  TLibraryModel* Model() const { return model_; }

  // Set by the main window.
  std::function<void(const QString& file)> OnOpenFile;
  // Sends a dump to the unit's edit buffer; the text says how it went.
  std::function<QString(const QByteArray& dump)> OnSendDump;
  std::function<void(const QString& file)> OnRevealFile;
  // Stores the dump at preset number 1..200 of the unit's current bank, sending it first when
  // asked; the text says how it went.
  std::function<QString(const QByteArray& dump, int number, bool sendFirst)> OnStoreDump;
  // Restores files into the unit's slots through the main window's restore (its options, safety
  // copy and read-back): each file as it lies in its backup folder, bank and number.
  std::function<void(const QStringList& files)> OnRestoreFiles;
  // Fetches the unit's edit buffer; nothing, with the reason, when it cannot.
  std::function<std::optional<QByteArray>(QString* why)> OnFetchEditBuffer;

  // The entry of the current row, or null; the file of the place chosen in the place list (the
  // first place when none is chosen).
  const TLibraryEntry* CurrentEntry() const;
  QString CurrentFile() const;
  // Entries of the selected rows, in row order.
  std::vector<int> SelectedEntries() const;

  void OpenCurrent();
  void SendCurrent();
  // Compares the two selected presets (the upper one first) in the comparison window.
  void CompareSelected();
  void RevealCurrent();
  // Asks for a location with the store prompt (the place's own number first) and stores the
  // current preset there.
  void StoreCurrent();
  // Restores the selected presets to the slots they were backed up from: for the current preset
  // the place chosen in the place list, for the others their first place with a bank and number.
  // Presets without such a place are left out (the status line says how many).
  void RestoreSelection();
  // Asks for an older and a newer backup folder and shows what changed between them: slots added,
  // removed and changed, with their differences.
  void CompareFoldersClick();
  // Compares the current preset with what the unit's edit buffer holds now.
  void CompareWithUnit();
  void AddFolderClick();
  void RescanClick();
  // Writes the notes being typed into the library.
  void CommitNotes();
  TfrmCompare* CompareWindow() const { return compare_; }

  // Fills the bank view with the folder's 200 slots.
  void ShowBank(const QString& folder);

  QLineEdit* edtSearch = nullptr;
  QTabWidget* pgcViews = nullptr;
  QTableView* grdPresets = nullptr;  // page "Presets"
  QWidget* tsBank = nullptr;         // page "Bank view": a backup folder as the unit's slots
  QComboBox* cbxBank = nullptr;
  QTableWidget* grdBank = nullptr;
  QLabel* lblPlaces = nullptr;
  QListWidget* lstPlaces = nullptr;
  QCheckBox* chkFavourite = nullptr;
  QLineEdit* edtTags = nullptr;
  QPlainTextEdit* memNotes = nullptr;
  QPushButton* btnOpen = nullptr;
  QPushButton* btnSend = nullptr;
  QPushButton* btnCompare = nullptr;
  QPushButton* btnReveal = nullptr;
  QPushButton* btnCompareUnit = nullptr;
  QPushButton* btnStore = nullptr;
  QPushButton* btnCompareFolders = nullptr;
  QPushButton* btnRestore = nullptr;
  QPushButton* btnAddFolder = nullptr;
  QPushButton* btnRescan = nullptr;
  QLabel* lblStatus = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void SearchChanged(const QString& text);
  void CurrentChanged();
  void ShowDetails();
  void UpdateButtons();
  void ShowCount();
  void ShowScanReport();
  void FavouriteClick(bool checked);
  void TagsEdited();
  // The entry's key the details pane shows, so edits go to the preset they were typed for even
  // after the rows moved.
  QString detailsKey_;
  // The bank view's file and entry of each slot (empty and -1 for an empty slot).
  std::vector<QString> bankFiles_;
  std::vector<int> bankEntries_;
  bool BankViewActive() const;
  void FillBankChoice();
  bool loading_ = false;

  std::unique_ptr<TPresetLibrary> library_;
  TLibraryModel* model_ = nullptr;
  QPointer<TfrmCompare> compare_;
  TfrmStorePrompt* storePrompt_ = nullptr;
};
