#pragma once

// The file pane's listing rules without the widgets: one entry per file or folder of the current
// folder, the size texts of the list and of its total, and the order of the four sort keys.

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <vector>

struct TFileEntry {
  QString Caption;   // the name shown, and edited by a rename
  QString SizeText;  // empty for a folder
  QString TypeName;
  QString ModifiedText;
  QDateTime Modified;  // to the minute, like the text
  bool IsDir = false;
  QString Path;  // current folder + name
  qint64 Size = 0;

  QString Kind() const { return IsDir ? QStringLiteral("dir") : QStringLiteral("file"); }
};

// The sort keys, numbered as the pane stores them.
enum TFileSortKey { fsSize = 0, fsType = 1, fsModified = 2, fsName = 3 };

// Whole KB of a file's size, where any size from 1 to 1023 bytes counts as 1 KB.
QString FileSizeText(qint64 bytes);
// Total of the listed sizes: bytes below 1 KByte, then KByte, then MByte with three significant
// digits; a negative total gives an empty text.
QString TotalSizeText(qint64 bytes);
// Local time in the user's short date format, two blanks, time without seconds.
QString ModifiedText(const QDateTime& modified);

// <0, 0 or >0 as `a` sorts before, with or after `b`.
int CompareFileEntries(const TFileEntry& a, const TFileEntry& b, TFileSortKey key, bool ascending);
void SortFileEntries(std::vector<TFileEntry>& entries, TFileSortKey key, bool ascending);

// Every entry of `folder` except "." and "..", hidden and system ones included; the type names are
// left for the caller (they come from the shell's MIME database).
std::vector<TFileEntry> ReadFolder(const QString& folder);

// "folder/" with exactly one trailing separator ("/" stays "/").
QString WithTrailingSeparator(const QString& folder);
// The parent of a folder that ends in a separator, with its separator; empty at a root.
QString ParentFolder(const QString& folder);
bool IsRootFolder(const QString& folder);
