#include "explorer/FileListing.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

QString FileSizeText(qint64 bytes) {
  const qint64 kb = (bytes > 0 && bytes < 1024) ? 1 : bytes / 1024;
  return QString::number(kb) + QStringLiteral(" KB");
}

QString TotalSizeText(qint64 bytes) {
  if (bytes < 0) return {};
  if (bytes < 1024) return QString::number(bytes) + QStringLiteral(" Byte(s)");
  if (bytes < 1048576) {
    return QString::number(static_cast<double>(bytes) / 1024.0, 'g', 3) + QStringLiteral(" KByte");
  }
  return QString::number(static_cast<double>(bytes) / 1048576.0, 'g', 3) + QStringLiteral(" MByte");
}

QString ModifiedText(const QDateTime& modified) {
  const QLocale locale;
  const QDateTime local = modified.toLocalTime();
  QString time = locale.timeFormat(QLocale::ShortFormat);
  // Short formats of some locales still carry seconds.
  time.remove(QStringLiteral(":ss")).remove(QStringLiteral(".ss"));
  return locale.toString(local.date(), QLocale::ShortFormat) + QStringLiteral("  ") +
         locale.toString(local.time(), time);
}

namespace {

int Sign(qint64 v) {
  return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

qint64 ListedKb(const TFileEntry& e) {
  if (e.IsDir) return -1;
  return e.SizeText.section(QLatin1Char(' '), 0, 0).toLongLong();
}

int CompareTexts(const QString& first, const TFileEntry& a, const QString& second,
                 const TFileEntry& b) {
  // By character code first, then the captions without regard to case.
  const int byCode = Sign(QString::compare(first, second, Qt::CaseSensitive));
  if (byCode != 0) return byCode;
  return Sign(QString::compare(a.Caption, b.Caption, Qt::CaseInsensitive));
}

}  // namespace

int CompareFileEntries(const TFileEntry& a, const TFileEntry& b, TFileSortKey key, bool ascending) {
  int result = 0;
  switch (key) {
    case fsSize:
      result = Sign(ListedKb(a) - ListedKb(b));
      break;
    case fsModified:
      result = a.Modified < b.Modified ? -1 : (b.Modified < a.Modified ? 1 : 0);
      break;
    case fsType:
      result = CompareTexts(a.TypeName, a, b.TypeName, b);
      break;
    case fsName:
      result = CompareTexts(a.Kind(), a, b.Kind(), b);
      break;
  }
  return ascending ? result : -result;
}

void SortFileEntries(std::vector<TFileEntry>& entries, TFileSortKey key, bool ascending) {
  std::stable_sort(entries.begin(), entries.end(), [&](const TFileEntry& a, const TFileEntry& b) {
    return CompareFileEntries(a, b, key, ascending) < 0;
  });
}

std::vector<TFileEntry> ReadFolder(const QString& folder) {
  std::vector<TFileEntry> entries;
  const QDir dir(folder);
  const QFileInfoList infos = dir.entryInfoList(
      QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
  entries.reserve(static_cast<std::size_t>(infos.size()));
  const QString base = WithTrailingSeparator(folder);
  for (const QFileInfo& info : infos) {
    TFileEntry e;
    e.Caption = info.fileName();
    e.IsDir = info.isDir();
    e.Size = e.IsDir ? 0 : info.size();
    e.SizeText = e.IsDir ? QString() : FileSizeText(e.Size);
    QDateTime modified = info.lastModified();
    modified.setTime(QTime(modified.time().hour(), modified.time().minute()));
    e.Modified = modified;
    e.ModifiedText = ModifiedText(modified);
    e.Path = base + e.Caption;
    entries.push_back(std::move(e));
  }
  return entries;
}

QString WithTrailingSeparator(const QString& folder) {
  // Folders stored by the Windows build use "\"; both separators are read as "/".
  QString f = folder;
  f.replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (f.isEmpty()) return f;
  while (f.size() > 1 && f.endsWith(QLatin1Char('/')) && f.at(f.size() - 2) == QLatin1Char('/')) {
    f.chop(1);
  }
  if (!f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
  return f;
}

bool IsRootFolder(const QString& folder) {
  const QString f = WithTrailingSeparator(folder);
  if (f == QStringLiteral("/")) return true;
  // A drive root such as "C:/".
  return f.size() >= 2 && f.at(f.size() - 2) == QLatin1Char(':');
}

QString ParentFolder(const QString& folder) {
  const QString f = WithTrailingSeparator(folder);
  if (f.isEmpty() || IsRootFolder(f)) return {};
  const qsizetype cut = f.lastIndexOf(QLatin1Char('/'), f.size() - 2);
  if (cut < 0) return {};
  return f.left(cut + 1);
}
