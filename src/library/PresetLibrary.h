#pragma once

// Every preset the user owns, from the folders of preset files they keep (the backups first of
// all): one entry per distinct preset, with every place it was found, and the user's tags,
// favourite mark and notes. The files are the truth; the SQLite database beside the user's other
// data is only an index and the home of the annotations, keyed by the preset's content, so the
// same preset in five backups is one entry with five places and one set of tags.
//
// The database heals itself: one that is missing, damaged or written by another version is put
// aside and rebuilt from the folders. The annotations and the folder list are also written to a
// plain text file beside it on every change, and read back on a rebuild, so a rebuild loses no
// tag of a preset that still exists.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// One file that holds the preset.
struct TPresetPlace {
  QString File;    // absolute path
  int Bank = -1;   // 0..3 for a file inside a "Bank A".."Bank D" folder, -1 otherwise
  int Number = 0;  // 1..200 from a backup file name ("Lead.zqn042"), 0 when it carries none
  QDateTime Modified;

  // "A-042", "042" without a bank, empty without a number.
  QString SlotText() const;
};

struct TLibraryEntry {
  QString Key;  // content key, see ContentKey
  QByteArray Dump;
  QString Title;
  QStringList AnalogEffects;         // names of the analog effects in the chain, in chain order
  QStringList DigitalEffects;        // the digital group's effects in use, in row order
  std::vector<TPresetPlace> Places;  // by file name
  QStringList Tags;
  bool Favourite = false;
  QString Notes;
  // Lower-case text the plain search terms look in: title, effects, tags and notes.
  QString SearchText;

  QDateTime Newest() const;
  bool InBank(int bank) const;
};

// What a walk over the folders found.
struct TScanReport {
  int Files = 0;        // preset files read
  int Presets = 0;      // distinct presets among them
  QStringList Skipped;  // "file: reason" for files named like presets that hold none
  QStringList UnreadableFolders;
};

class TPresetLibrary {
 public:
  // The database file; the plain-text export of tags and folders is TagFileFor(databaseFile).
  explicit TPresetLibrary(const QString& databaseFile);
  ~TPresetLibrary();
  TPresetLibrary(const TPresetLibrary&) = delete;
  TPresetLibrary& operator=(const TPresetLibrary&) = delete;

  static constexpr int SchemaVersion = 1;
  static QString TagFileFor(const QString& databaseFile);
  // Same preset, same key: a hash of the dump with its channel byte left out, as SameDump
  // compares them.
  static QString ContentKey(const QByteArray& dump);

  // Opens the index and loads what it holds. A missing, damaged or other-version database is
  // rebuilt: the export is read back and the folders walked again (defaultFolders when no folder
  // is known yet). Never fails; the text to tell the user once when the index had to be rebuilt
  // for damage or version, empty otherwise.
  QString Open(const QStringList& defaultFolders = {});
  bool IsOpen() const;
  // Whether the last Open walked the folders (a new or rebuilt index) or read the stored index.
  bool ScannedOnOpen() const { return scannedOnOpen_; }

  QStringList Folders() const { return folders_; }
  void AddFolder(const QString& folder);
  void RemoveFolder(const QString& folder);

  // Walks every folder again, with its sub-folders, and replaces the index with what it finds.
  TScanReport Rescan();
  const TScanReport& LastScan() const { return lastScan_; }

  const std::vector<TLibraryEntry>& Entries() const { return entries_; }
  // Index into Entries() of the key, or -1.
  int IndexOf(const QString& key) const;
  // The entry that holds the file, or -1.
  int IndexOfFile(const QString& file) const;

  // The folders that hold backup files (names that carry a preset number), sorted; and what a
  // folder holds as the unit's 200 slots: the entry at each number 1..200 (index 0 for number 1),
  // -1 for a slot without a file. Where several files claim one slot, the newest counts.
  QStringList BankFolders() const;
  std::vector<int> BankSlots(const QString& folder) const;

  // Annotations; each change is written to the database and to the export at once.
  void SetTags(const QString& key, const QStringList& tags);
  void SetFavourite(const QString& key, bool favourite);
  void SetNotes(const QString& key, const QString& notes);

  // Entries matching the search text (see TLibraryQuery), as indices into Entries().
  std::vector<int> Search(const QString& text) const;

  // Tags as the user types them: separated by commas, trimmed, empty ones and repeats dropped.
  static QStringList ParseTags(const QString& text);

 private:
  struct TAnnotation {
    QStringList Tags;
    bool Favourite = false;
    QString Notes;
    bool Empty() const { return Tags.isEmpty() && !Favourite && Notes.isEmpty(); }
  };

  bool OpenDatabase(QString& error);
  bool OpenDatabaseFresh();
  bool CreateSchema();
  void CloseDatabase();
  bool LoadIndex();
  void SaveIndex();
  void SaveFolders();
  void SaveAnnotation(const QString& key);
  void WriteExport() const;
  void ReadExport();
  void ApplyAnnotation(TLibraryEntry& entry) const;
  void RebuildKeys();
  TLibraryEntry MakeEntry(const QString& key, const QByteArray& dump) const;

  QString databaseFile_;
  QString connection_;
  QStringList folders_;
  std::vector<TLibraryEntry> entries_;
  QHash<QString, int> byKey_;
  QHash<QString, int> byFile_;
  QHash<QString, TAnnotation> annotations_;
  TScanReport lastScan_;
  bool open_ = false;
  bool scannedOnOpen_ = false;
};
