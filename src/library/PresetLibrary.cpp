#include "library/PresetLibrary.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <map>

#include "device/DeviceMessages.h"
#include "device/RestorePlan.h"
#include "library/LibrarySearch.h"
#include "preset/DigitalCatalogue.h"
#include "preset/Preset.h"
#include "preset/PresetListing.h"
#include "preset/WholeFileWriter.h"

namespace {

const QByteArray ExportHead = "ZQN-Tarvo preset library tags 1";

QString Escape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (QChar c : text) {
    if (c == '\\')
      out += QStringLiteral("\\\\");
    else if (c == '\t')
      out += QStringLiteral("\\t");
    else if (c == '\n')
      out += QStringLiteral("\\n");
    else if (c == '\r')
      out += QStringLiteral("\\r");
    else
      out += c;
  }
  return out;
}

QString Unescape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const QChar n = text[++i];
    out += n == 't' ? QChar('\t') : n == 'n' ? QChar('\n') : n == 'r' ? QChar('\r') : n;
  }
  return out;
}

// Bank 0..3 of a file inside a "Bank A".."Bank D" folder, -1 for any other folder.
int BankOfFolder(const QString& folderName) {
  if (folderName.size() != 6 || !folderName.startsWith(QLatin1String("Bank "), Qt::CaseInsensitive))
    return -1;
  const QChar letter = folderName[5].toUpper();
  return letter >= 'A' && letter < QChar('A' + BankCount) ? letter.unicode() - 'A' : -1;
}

bool LooksLikePresetFile(const QString& name) {
  return name.contains(QLatin1String(".zqn"), Qt::CaseInsensitive);
}

bool IsPresetBytes(const QByteArray& bytes) {
  const TBytes view = AsBytes(bytes);
  return bytes.size() == PresetDumpLength && IsPresetDump(view) && view.back() == SysExEnd;
}

struct TFound {
  QString Key;
  QByteArray Dump;
  TPresetPlace Place;
};

// Walks a folder and its sub-folders, each real folder once (links that lead back are skipped).
void Walk(const QString& folder, QSet<QString>& seen, std::vector<TFound>& found,
          TScanReport& report) {
  const QFileInfo self(folder);
  const QString canonical = self.canonicalFilePath();
  if (canonical.isEmpty() || seen.contains(canonical)) return;
  seen.insert(canonical);
  QDir dir(folder);
  if (!self.isReadable() || !self.isExecutable() || !dir.isReadable()) {
    report.UnreadableFolders << QDir::toNativeSeparators(folder);
    return;
  }
  const QFileInfoList infos = dir.entryInfoList(
      QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
  const int bank = BankOfFolder(self.fileName());
  for (const QFileInfo& info : infos) {
    if (info.isDir()) {
      Walk(info.filePath(), seen, found, report);
      continue;
    }
    const QString name = info.fileName();
    if (!LooksLikePresetFile(name)) continue;
    if (info.size() != PresetDumpLength) {
      report.Skipped << QDir::toNativeSeparators(info.filePath()) +
                            QStringLiteral(": not a preset (") + QString::number(info.size()) +
                            QStringLiteral(" bytes)");
      continue;
    }
    QFile file(info.filePath());
    if (!file.open(QIODevice::ReadOnly)) {
      report.Skipped << QDir::toNativeSeparators(info.filePath()) + QStringLiteral(": ") +
                            file.errorString();
      continue;
    }
    const QByteArray bytes = file.read(PresetDumpLength + 1);
    if (!IsPresetBytes(bytes)) {
      report.Skipped << QDir::toNativeSeparators(info.filePath()) +
                            QStringLiteral(": not a preset dump");
      continue;
    }
    TFound f;
    f.Dump = bytes;
    f.Key = TPresetLibrary::ContentKey(bytes);
    f.Place.File = info.absoluteFilePath();
    f.Place.Bank = bank;
    f.Place.Number = BackupFileNumber(name);
    f.Place.Modified = info.lastModified();
    found.push_back(std::move(f));
    ++report.Files;
  }
}

}  // namespace

QString TPresetPlace::SlotText() const {
  if (Number == 0) return {};
  return Bank >= 0 ? SlotName(Bank, Number - 1, false) : PresetNumberText(Number);
}

QDateTime TLibraryEntry::Newest() const {
  QDateTime newest;
  for (const TPresetPlace& p : Places)
    if (!newest.isValid() || p.Modified > newest) newest = p.Modified;
  return newest;
}

bool TLibraryEntry::InBank(int bank) const {
  return std::any_of(Places.begin(), Places.end(),
                     [bank](const TPresetPlace& p) { return p.Bank == bank; });
}

TPresetLibrary::TPresetLibrary(const QString& databaseFile)
    : databaseFile_(databaseFile),
      connection_(QStringLiteral("zqn-library-%1").arg(quintptr(this), 0, 16)) {}

TPresetLibrary::~TPresetLibrary() {
  CloseDatabase();
}

QString TPresetLibrary::TagFileFor(const QString& databaseFile) {
  const QFileInfo info(databaseFile);
  return info.dir().filePath(info.completeBaseName() + QStringLiteral(" tags.txt"));
}

QString TPresetLibrary::ContentKey(const QByteArray& dump) {
  QByteArray bytes = dump;
  if (bytes.size() > 2) bytes[2] = 0;
  return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

QStringList TPresetLibrary::ParseTags(const QString& text) {
  QStringList tags;
  for (const QString& part : text.split(',')) {
    const QString tag = part.simplified();
    if (tag.isEmpty() || tags.contains(tag, Qt::CaseInsensitive)) continue;
    tags << tag;
  }
  return tags;
}

bool TPresetLibrary::IsOpen() const {
  return open_;
}

void TPresetLibrary::CloseDatabase() {
  if (QSqlDatabase::contains(connection_)) {
    {
      QSqlDatabase db = QSqlDatabase::database(connection_, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
  }
  open_ = false;
}

bool TPresetLibrary::OpenDatabase(QString& error) {
  CloseDatabase();
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  db.setDatabaseName(databaseFile_);
  if (!db.open()) {
    error = db.lastError().text();
    return false;
  }
  open_ = true;
  QSqlQuery q(db);
  if (!q.exec(QStringLiteral("PRAGMA quick_check")) || !q.next() ||
      q.value(0).toString() != QLatin1String("ok")) {
    error = q.lastError().isValid() ? q.lastError().text() : QStringLiteral("it is damaged");
    return false;
  }
  if (!q.exec(QStringLiteral("SELECT value FROM meta WHERE name = 'schema'")) || !q.next()) {
    error = QStringLiteral("it holds no preset index");
    return false;
  }
  if (q.value(0).toInt() != SchemaVersion) {
    error = QStringLiteral("it was written by another version of the program");
    return false;
  }
  return true;
}

bool TPresetLibrary::CreateSchema() {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery q(db);
  const char* const statements[] = {
      "PRAGMA journal_mode = WAL",
      "CREATE TABLE meta (name TEXT PRIMARY KEY, value TEXT)",
      "CREATE TABLE folders (path TEXT PRIMARY KEY)",
      "CREATE TABLE presets (key TEXT PRIMARY KEY, dump BLOB NOT NULL)",
      "CREATE TABLE places (file TEXT PRIMARY KEY, key TEXT NOT NULL, bank INTEGER, "
      "number INTEGER, modified INTEGER)",
      "CREATE TABLE annotations (key TEXT PRIMARY KEY, tags TEXT, favourite INTEGER, notes TEXT)",
  };
  for (const char* s : statements)
    if (!q.exec(QString::fromLatin1(s)) && !QByteArray(s).startsWith("PRAGMA")) return false;
  q.prepare(QStringLiteral("INSERT INTO meta (name, value) VALUES ('schema', ?)"));
  q.addBindValue(QString::number(SchemaVersion));
  return q.exec();
}

QString TPresetLibrary::Open(const QStringList& defaultFolders) {
  QString notice;
  scannedOnOpen_ = false;
  entries_.clear();
  byKey_.clear();
  byFile_.clear();
  annotations_.clear();
  folders_.clear();
  QDir().mkpath(QFileInfo(databaseFile_).absolutePath());
  const bool existed = QFileInfo::exists(databaseFile_);
  QString error;
  if (existed && OpenDatabase(error) && LoadIndex()) {
    if (folders_.isEmpty() && !defaultFolders.isEmpty()) {
      for (const QString& f : defaultFolders) AddFolder(f);
      Rescan();
      scannedOnOpen_ = true;
    }
    return {};
  }
  if (existed) {
    notice = QStringLiteral(
                 "The preset library's index could not be used (%1), so it was rebuilt "
                 "from the preset folders. Tags, favourites and notes were kept.")
                 .arg(error.isEmpty() ? QStringLiteral("it could not be read") : error);
    CloseDatabase();
    // Kept beside the new one, for whoever wants to look at what went wrong.
    const QString aside = databaseFile_ + QStringLiteral(".damaged");
    QFile::remove(aside);
    if (!QFile::rename(databaseFile_, aside)) QFile::remove(databaseFile_);
    QFile::remove(databaseFile_ + QStringLiteral("-wal"));
    QFile::remove(databaseFile_ + QStringLiteral("-shm"));
  }
  entries_.clear();
  annotations_.clear();
  folders_.clear();
  // A fresh database; if even that fails the library still works from memory.
  if (OpenDatabaseFresh()) CreateSchema();
  ReadExport();
  if (folders_.isEmpty())
    for (const QString& f : defaultFolders)
      if (!f.isEmpty() && !folders_.contains(f)) folders_ << f;
  SaveFolders();
  for (const QString& key : annotations_.keys()) SaveAnnotation(key);
  Rescan();
  scannedOnOpen_ = true;
  return notice;
}

bool TPresetLibrary::OpenDatabaseFresh() {
  CloseDatabase();
  QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
  db.setDatabaseName(databaseFile_);
  open_ = db.open();
  return open_;
}

bool TPresetLibrary::LoadIndex() {
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery q(db);
  q.setForwardOnly(true);
  if (!q.exec(QStringLiteral("SELECT path FROM folders ORDER BY rowid"))) return false;
  while (q.next()) folders_ << q.value(0).toString();
  if (!q.exec(QStringLiteral("SELECT key, tags, favourite, notes FROM annotations"))) return false;
  while (q.next()) {
    TAnnotation a;
    a.Tags = ParseTags(q.value(1).toString());
    a.Favourite = q.value(2).toInt() != 0;
    a.Notes = q.value(3).toString();
    annotations_.insert(q.value(0).toString(), a);
  }
  if (!q.exec(QStringLiteral("SELECT key, dump FROM presets"))) return false;
  while (q.next()) {
    const QByteArray dump = q.value(1).toByteArray();
    if (!IsPresetBytes(dump)) return false;
    entries_.push_back(MakeEntry(q.value(0).toString(), dump));
  }
  RebuildKeys();
  if (!q.exec(QStringLiteral("SELECT file, key, bank, number, modified FROM places"))) return false;
  while (q.next()) {
    const int at = IndexOf(q.value(1).toString());
    if (at < 0) return false;
    TPresetPlace p;
    p.File = q.value(0).toString();
    p.Bank = q.value(2).toInt();
    p.Number = q.value(3).toInt();
    p.Modified = QDateTime::fromMSecsSinceEpoch(q.value(4).toLongLong());
    entries_[std::size_t(at)].Places.push_back(p);
  }
  for (TLibraryEntry& e : entries_) {
    std::sort(e.Places.begin(), e.Places.end(),
              [](const TPresetPlace& a, const TPresetPlace& b) { return a.File < b.File; });
    ApplyAnnotation(e);
  }
  RebuildKeys();
  return true;
}

void TPresetLibrary::SaveIndex() {
  if (!open_) return;
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  db.transaction();
  QSqlQuery q(db);
  q.exec(QStringLiteral("DELETE FROM places"));
  q.exec(QStringLiteral("DELETE FROM presets"));
  QSqlQuery preset(db), place(db);
  preset.prepare(QStringLiteral("INSERT INTO presets (key, dump) VALUES (?, ?)"));
  place.prepare(QStringLiteral(
      "INSERT OR REPLACE INTO places (file, key, bank, number, modified) VALUES (?, ?, ?, ?, ?)"));
  for (const TLibraryEntry& e : entries_) {
    preset.bindValue(0, e.Key);
    preset.bindValue(1, e.Dump);
    preset.exec();
    for (const TPresetPlace& p : e.Places) {
      place.bindValue(0, p.File);
      place.bindValue(1, e.Key);
      place.bindValue(2, p.Bank);
      place.bindValue(3, p.Number);
      place.bindValue(4, p.Modified.toMSecsSinceEpoch());
      place.exec();
    }
  }
  db.commit();
}

void TPresetLibrary::SaveFolders() {
  if (open_) {
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    db.transaction();
    QSqlQuery q(db);
    q.exec(QStringLiteral("DELETE FROM folders"));
    q.prepare(QStringLiteral("INSERT OR IGNORE INTO folders (path) VALUES (?)"));
    for (const QString& f : folders_) {
      q.bindValue(0, f);
      q.exec();
    }
    db.commit();
  }
  WriteExport();
}

void TPresetLibrary::SaveAnnotation(const QString& key) {
  if (!open_) return;
  QSqlDatabase db = QSqlDatabase::database(connection_, false);
  QSqlQuery q(db);
  const auto it = annotations_.constFind(key);
  if (it == annotations_.constEnd() || it->Empty()) {
    q.prepare(QStringLiteral("DELETE FROM annotations WHERE key = ?"));
    q.addBindValue(key);
  } else {
    q.prepare(QStringLiteral(
        "INSERT OR REPLACE INTO annotations (key, tags, favourite, notes) VALUES (?, ?, ?, ?)"));
    q.addBindValue(key);
    q.addBindValue(it->Tags.join(QStringLiteral(", ")));
    q.addBindValue(it->Favourite ? 1 : 0);
    q.addBindValue(it->Notes);
  }
  q.exec();
}

void TPresetLibrary::WriteExport() const {
  QByteArray text = ExportHead + '\n';
  for (const QString& f : folders_) text += "folder\t" + Escape(f).toUtf8() + '\n';
  // In key order, so that the file changes only where the annotations do.
  std::map<QString, TAnnotation> sorted;
  for (auto it = annotations_.constBegin(); it != annotations_.constEnd(); ++it)
    if (!it->Empty()) sorted.emplace(it.key(), it.value());
  for (const auto& [key, a] : sorted) {
    const int at = IndexOf(key);
    const QString title = at >= 0 ? entries_[std::size_t(at)].Title : QString();
    text += "preset\t" + key.toLatin1() + '\t' + (a.Favourite ? "favourite" : "-") + '\t' +
            Escape(a.Tags.join(QStringLiteral(", "))).toUtf8() + '\t' + Escape(a.Notes).toUtf8() +
            '\t' + Escape(title).toUtf8() + '\n';
  }
  WriteWholeFile(TagFileFor(databaseFile_), text);
}

void TPresetLibrary::ReadExport() {
  QFile file(TagFileFor(databaseFile_));
  if (!file.open(QIODevice::ReadOnly)) return;
  const QList<QByteArray> lines = file.readAll().split('\n');
  if (lines.isEmpty() || lines.front().trimmed() != ExportHead) return;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QStringList fields = QString::fromUtf8(lines[i]).split('\t');
    if (fields.value(0) == QLatin1String("folder") && fields.size() >= 2) {
      const QString folder = Unescape(fields[1]);
      if (!folder.isEmpty() && !folders_.contains(folder)) folders_ << folder;
    } else if (fields.value(0) == QLatin1String("preset") && fields.size() >= 5) {
      TAnnotation a;
      a.Favourite = fields[2] == QLatin1String("favourite");
      a.Tags = ParseTags(Unescape(fields[3]));
      a.Notes = Unescape(fields[4]);
      if (!a.Empty()) annotations_.insert(fields[1], a);
    }
  }
}

void TPresetLibrary::ApplyAnnotation(TLibraryEntry& entry) const {
  const auto it = annotations_.constFind(entry.Key);
  const TAnnotation a = it == annotations_.constEnd() ? TAnnotation() : *it;
  entry.Tags = a.Tags;
  entry.Favourite = a.Favourite;
  entry.Notes = a.Notes;
  const QChar sep('\n');
  entry.SearchText =
      (entry.Title + sep + entry.AnalogEffects.join(sep) + sep + entry.DigitalEffects.join(sep) +
       sep + entry.Tags.join(sep) + sep + entry.Notes)
          .toLower();
}

void TPresetLibrary::RebuildKeys() {
  byKey_.clear();
  byFile_.clear();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    byKey_.insert(entries_[i].Key, int(i));
    for (const TPresetPlace& p : entries_[i].Places) byFile_.insert(p.File, int(i));
  }
}

TLibraryEntry TPresetLibrary::MakeEntry(const QString& key, const QByteArray& dump) const {
  TLibraryEntry e;
  e.Key = key;
  e.Dump = dump;
  TPreset preset;
  try {
    preset.LoadFromImage(AsBytes(dump));
  } catch (...) {
    e.Title = QuickTitle(AsBytes(dump));
    return e;
  }
  e.Title = preset.Title;
  for (int k = 0; k < AnalogEffectCount; ++k)
    if (preset.AnalogInUse[std::size_t(k)])
      e.AnalogEffects << QString::fromLatin1(AnalogEffectNames[std::size_t(k)]);
  for (int effect : ChosenDigitalEffects(preset)) e.DigitalEffects << EffectName(effect);
  return e;
}

int TPresetLibrary::IndexOf(const QString& key) const {
  return byKey_.value(key, -1);
}

int TPresetLibrary::IndexOfFile(const QString& file) const {
  return byFile_.value(QFileInfo(file).absoluteFilePath(), -1);
}

void TPresetLibrary::AddFolder(const QString& folder) {
  const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  if (folder.isEmpty() || folders_.contains(path)) return;
  folders_ << path;
  SaveFolders();
}

void TPresetLibrary::RemoveFolder(const QString& folder) {
  if (folders_.removeAll(QDir::cleanPath(QFileInfo(folder).absoluteFilePath())) +
          folders_.removeAll(folder) ==
      0)
    return;
  SaveFolders();
}

TScanReport TPresetLibrary::Rescan() {
  TScanReport report;
  std::vector<TFound> found;
  QSet<QString> seen;
  for (const QString& folder : folders_) {
    if (!QFileInfo(folder).isDir()) {
      report.UnreadableFolders << QDir::toNativeSeparators(folder);
      continue;
    }
    Walk(folder, seen, found, report);
  }
  entries_.clear();
  byKey_.clear();
  for (TFound& f : found) {
    auto it = byKey_.constFind(f.Key);
    int at;
    if (it == byKey_.constEnd()) {
      at = int(entries_.size());
      byKey_.insert(f.Key, at);
      entries_.push_back(MakeEntry(f.Key, f.Dump));
    } else {
      at = *it;
    }
    entries_[std::size_t(at)].Places.push_back(std::move(f.Place));
  }
  for (TLibraryEntry& e : entries_) {
    std::sort(e.Places.begin(), e.Places.end(),
              [](const TPresetPlace& a, const TPresetPlace& b) { return a.File < b.File; });
    ApplyAnnotation(e);
  }
  RebuildKeys();
  report.Presets = int(entries_.size());
  SaveIndex();
  lastScan_ = report;
  return report;
}

void TPresetLibrary::SetTags(const QString& key, const QStringList& tags) {
  annotations_[key].Tags = ParseTags(tags.join(','));
  const int at = IndexOf(key);
  if (at >= 0) ApplyAnnotation(entries_[std::size_t(at)]);
  SaveAnnotation(key);
  WriteExport();
}

void TPresetLibrary::SetFavourite(const QString& key, bool favourite) {
  annotations_[key].Favourite = favourite;
  const int at = IndexOf(key);
  if (at >= 0) ApplyAnnotation(entries_[std::size_t(at)]);
  SaveAnnotation(key);
  WriteExport();
}

void TPresetLibrary::SetNotes(const QString& key, const QString& notes) {
  annotations_[key].Notes = notes;
  const int at = IndexOf(key);
  if (at >= 0) ApplyAnnotation(entries_[std::size_t(at)]);
  SaveAnnotation(key);
  WriteExport();
}

std::vector<int> TPresetLibrary::Search(const QString& text) const {
  const TLibraryQuery query = TLibraryQuery::Parse(text);
  std::vector<int> rows;
  rows.reserve(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i)
    if (query.IsEmpty() || query.Matches(entries_[i])) rows.push_back(int(i));
  return rows;
}

QStringList TPresetLibrary::BankFolders() const {
  QSet<QString> folders;
  for (const TLibraryEntry& e : entries_)
    for (const TPresetPlace& p : e.Places)
      if (p.Number > 0) folders.insert(QFileInfo(p.File).absolutePath());
  QStringList sorted(folders.begin(), folders.end());
  sorted.sort();
  return sorted;
}

std::vector<int> TPresetLibrary::BankSlots(const QString& folder) const {
  std::vector<int> byNumber(PresetCount, -1);
  std::vector<QDateTime> when(PresetCount);
  const QString wanted = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    for (const TPresetPlace& p : entries_[i].Places) {
      if (p.Number < 1 || p.Number > PresetCount) continue;
      if (QFileInfo(p.File).absolutePath() != wanted) continue;
      const std::size_t at = std::size_t(p.Number - 1);
      if (byNumber[at] >= 0 && when[at] >= p.Modified) continue;
      byNumber[at] = int(i);
      when[at] = p.Modified;
    }
  }
  return byNumber;
}
