#include "library/LibraryModel.h"

#include <QLocale>
#include <algorithm>

#include "library/LibrarySearch.h"
#include "library/PresetLibrary.h"

namespace {

const QString FavouriteMark = QStringLiteral("\u2605");

QString PlacesText(const TLibraryEntry& e) {
  return QString::number(e.Places.size());
}

// The first slot the preset was found at: "A-005", or the first file's name without one.
QString SlotText(const TLibraryEntry& e) {
  for (const TPresetPlace& p : e.Places)
    if (p.Number > 0) return p.SlotText();
  return {};
}

}  // namespace

TLibraryModel::TLibraryModel(TPresetLibrary& library, QObject* parent)
    : QAbstractTableModel(parent), library_(library) {
  Reload();
}

int TLibraryModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(rows_.size());
}

int TLibraryModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TLibraryModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static const char* const Names[ColumnCount] = {
      "\u2605", "Title", "Bank/No.", "Places", "Analog effects", "Digital effects", "Date", "Tags"};
  return section >= 0 && section < ColumnCount ? QString::fromUtf8(Names[section]) : QVariant();
}

const TLibraryEntry* TLibraryModel::EntryOfRow(int row) const {
  const int entry = EntryAt(row);
  return entry < 0 ? nullptr : &library_.Entries()[std::size_t(entry)];
}

QVariant TLibraryModel::data(const QModelIndex& index, int role) const {
  const TLibraryEntry* e = EntryOfRow(index.row());
  if (!e) return {};
  if (role == Qt::ToolTipRole) {
    QStringList lines;
    for (const TPresetPlace& p : e->Places)
      lines << (p.SlotText().isEmpty() ? QString() : p.SlotText() + QStringLiteral("  ")) + p.File;
    return lines.join('\n');
  }
  if (role != Qt::DisplayRole) return {};
  switch (index.column()) {
    case colFavourite:
      return e->Favourite ? FavouriteMark : QString();
    case colTitle:
      return e->Title;
    case colSlot:
      return SlotText(*e);
    case colPlaces:
      return PlacesText(*e);
    case colAnalog:
      return e->AnalogEffects.join(QStringLiteral(", "));
    case colDigital:
      return e->DigitalEffects.join(QStringLiteral(", "));
    case colDate:
      return QLocale().toString(e->Newest(), QLocale::ShortFormat);
    case colTags:
      return e->Tags.join(QStringLiteral(", "));
    default:
      return {};
  }
}

QString TLibraryModel::SortKey(const TLibraryEntry& e, int column) const {
  switch (column) {
    case colFavourite:
      return e.Favourite ? QStringLiteral("0") : QStringLiteral("1");
    case colSlot: {
      // Bank, then number; presets without a slot last.
      for (const TPresetPlace& p : e.Places)
        if (p.Number > 0)
          return QStringLiteral("%1%2")
              .arg(QChar(p.Bank < 0 ? '-' : 'A' + p.Bank))
              .arg(p.Number, 3, 10, QChar('0'));
      return QStringLiteral("~");
    }
    case colPlaces:
      return QStringLiteral("%1").arg(e.Places.size(), 6, 10, QChar('0'));
    case colAnalog:
      return e.AnalogEffects.join(',');
    case colDigital:
      return e.DigitalEffects.join(',');
    case colDate:
      return e.Newest().toString(Qt::ISODate);
    case colTags:
      return e.Tags.join(',');
    default:
      return e.Title;
  }
}

void TLibraryModel::Order() {
  const auto& entries = library_.Entries();
  std::vector<std::pair<QString, int>> keyed;
  keyed.reserve(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i)
    keyed.emplace_back(SortKey(entries[i], sortColumn_).toLower(), int(i));
  std::stable_sort(keyed.begin(), keyed.end(), [this, &entries](const auto& a, const auto& b) {
    const int c = a.first.compare(b.first);
    if (c != 0) return sortOrder_ == Qt::AscendingOrder ? c < 0 : c > 0;
    // Equal keys keep one order whatever the direction: by title, then content.
    const TLibraryEntry& x = entries[std::size_t(a.second)];
    const TLibraryEntry& y = entries[std::size_t(b.second)];
    return x.Title != y.Title ? x.Title < y.Title : x.Key < y.Key;
  });
  ordered_.clear();
  ordered_.reserve(keyed.size());
  for (const auto& k : keyed) ordered_.push_back(k.second);
}

void TLibraryModel::Filter() {
  const TLibraryQuery query = TLibraryQuery::Parse(search_);
  const auto& entries = library_.Entries();
  rows_.clear();
  for (int i : ordered_)
    if (query.IsEmpty() || query.Matches(entries[std::size_t(i)])) rows_.push_back(i);
}

void TLibraryModel::Reload() {
  beginResetModel();
  Order();
  Filter();
  endResetModel();
}

void TLibraryModel::SetSearch(const QString& text) {
  search_ = text;
  beginResetModel();
  Filter();
  endResetModel();
}

void TLibraryModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= ColumnCount) return;
  sortColumn_ = column;
  sortOrder_ = order;
  beginResetModel();
  Order();
  Filter();
  endResetModel();
}

void TLibraryModel::EntryChanged(int entry) {
  const int row = RowOf(entry);
  if (row >= 0) emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

int TLibraryModel::EntryAt(int row) const {
  return row >= 0 && row < int(rows_.size()) ? rows_[std::size_t(row)] : -1;
}

int TLibraryModel::RowOf(int entry) const {
  const auto it = std::find(rows_.begin(), rows_.end(), entry);
  return it == rows_.end() ? -1 : int(it - rows_.begin());
}
