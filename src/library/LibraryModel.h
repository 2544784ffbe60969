#pragma once

// The library's table: one row per preset of the search's results, in the chosen column's order.
// Each column's order is worked out once per rescan or sort, so that a search keystroke only
// filters a list that is already in order, however many presets the library holds.

#include <QAbstractTableModel>
#include <vector>

class TPresetLibrary;
struct TLibraryEntry;

class TLibraryModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum TColumn {
    colFavourite,
    colTitle,
    colSlot,
    colPlaces,
    colAnalog,
    colDigital,
    colDate,
    colTags,
    ColumnCount
  };

  explicit TLibraryModel(TPresetLibrary& library, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  // The entries were read again: the search runs again over them.
  void Reload();
  // Shows the entries matching the search text.
  void SetSearch(const QString& text);
  const QString& SearchText() const { return search_; }
  // An entry's annotations changed: its row shows them.
  void EntryChanged(int entry);

  // Index into the library's entries of a row, or -1; the row of an entry, or -1.
  int EntryAt(int row) const;
  int RowOf(int entry) const;
  const TLibraryEntry* EntryOfRow(int row) const;

 private:
  void Order();
  void Filter();
  QString SortKey(const TLibraryEntry& e, int column) const;

  TPresetLibrary& library_;
  QString search_;
  int sortColumn_ = colTitle;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  std::vector<int> ordered_;  // every entry, in sort order
  std::vector<int> rows_;     // the entries shown
};
