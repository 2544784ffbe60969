#pragma once

// The program table as the editor shows it: ten program changes a row, each cell holding the
// three-digit preset number its program change selects. Everything the editor window does to its
// cells (validation, insert and delete, default presets, row labels, the file-name hints) lives
// here as plain text work, so the window only moves texts between this and its grid widget.
//
// Cells are addressed by grid position: row 1..Rows(), column 1..10. Row r, column c holds
// program-change slot (r-1)*10 + c-1. In Pre-Kinetic mode the grid has 13 rows and the last row's
// cells from column 9 on are holes ("blank cells") that never hold a value, leaving 128 cells.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class Tmpt;

enum class TMptShift { ToEndOfRow, All };
enum class TMptRowLabels { Ranges, Offsets };

struct TMptValidation {
  bool Ok = true;
  // The first invalid cell (when not Ok) and its count in reading order (1-based).
  int Row = 0;
  int Col = 0;
  int Location = 0;
  QString Message;
};

class TMptCells {
 public:
  static constexpr int Columns = 10;
  static constexpr int FullRows = 20;
  static constexpr int PreKineticRows = 13;

  explicit TMptCells(bool preKinetic);

  bool PreKinetic() const { return preKinetic_; }
  int Rows() const { return preKinetic_ ? PreKineticRows : FullRows; }
  // 200, or 128 in Pre-Kinetic mode.
  int UsableCount() const;

  // A hole of the Pre-Kinetic grid.
  bool IsBlank(int row, int col) const;
  // Inside the grid and not a hole.
  bool IsDataCell(int row, int col) const;

  QString Text(int row, int col) const;
  // Holes and positions outside the grid ignore the text.
  void SetText(int row, int col, const QString& text);

  // 0-based count of a data cell in reading order (rows top to bottom, each left to right,
  // holes skipped); -1 for anything else.
  int OrderOf(int row, int col) const;
  // The data cell with that count; {0, 0} when there is none.
  std::pair<int, int> CellAt(int order) const;

  // Each data cell shows its table entry plus 1 as three digits.
  void FillFromTable(const Tmpt& table);
  // The identity mapping: cell (r, c) reads (r-1)*10 + c.
  void SetDefault();
  // Checks the cells in reading order; valid ones are rewritten as three digits ("7" -> "007")
  // up to the first invalid one, where the check stops.
  TMptValidation Validate();
  // The n-th data cell (from 0) sets entry n to its number minus 1. Call after a successful
  // validation; a cell that is not a number leaves its entry as it was.
  void CopyToTable(Tmpt& table) const;

  // The current cell becomes empty and every later cell of the range takes the text of the cell
  // before it; the range's last text is lost. The range is the rest of the row, or of the grid.
  void Insert(int row, int col, TMptShift shift);
  // The current cell and every later cell of the range take the text of the cell after them; the
  // range's last cell keeps its text.
  void Delete(int row, int col, TMptShift shift);

  static QString CornerText() { return QStringLiteral("Prog Chg #"); }
  // "  1" .. " 10"
  static QString ColumnHeading(int col);
  // "1-10" .. "191-200", or "0 +" .. "190 +".
  static QString RowLabel(int row, TMptRowLabels labels);
  // The program-change number a cell stands for: (r-1)*10 + c, or one less with row offsets.
  static int ProgramChangeNumber(int row, int col, TMptRowLabels labels);

 private:
  // Last data cell of a shift range starting at (row, col), as a reading-order count.
  int RangeEnd(int row, TMptShift shift) const;
  QString& At(int row, int col) {
    return cells_[static_cast<std::size_t>((row - 1) * Columns + col - 1)];
  }

  bool preKinetic_;
  std::vector<QString> cells_;
};

// The message of an invalid cell, as the editor shows it with the caption "Error found".
QString InvalidPresetMessage(const QString& cellText, int location, bool outOfRange);

// A folder name ending in a separator, as the hint folder is kept.
QString HintFolderWithSeparator(const QString& folder);
// The pattern of the preset files a backup wrote for a preset number: "*.zqn" + "007".
QString HintPattern(const QString& cellText);
// Name (without folder) of the first file in `folder` matching the cell's pattern, in name order;
// empty when there is none or the cell is empty.
QString FindHintFile(const QString& folder, const QString& cellText);
// The hint for a cell: "Backup file: " + the file found, or that there is none in the folder.
QString CellHint(const QString& folder, const QString& cellText);

// The names in a hint folder, listed once and kept until another folder is asked for or the
// folder's content changes, so that a hint for every cell the mouse crosses does not list a
// folder of thousands of backup files each time.
class THintFiles {
 public:
  // As FindHintFile and CellHint.
  QString Find(const QString& folder, const QString& cellText);
  QString Hint(const QString& folder, const QString& cellText);
  // How often a folder was listed.
  int Listings() const { return listings_; }

 private:
  QString folder_;
  QDateTime modified_;
  QStringList names_;  // in name order
  int listings_ = 0;
};

// The name the first save of a table proposes: title + "_" + yyyymmdd + ".mpt".
QString ProposedMptFileName(const QString& appTitle, const QDate& date);
