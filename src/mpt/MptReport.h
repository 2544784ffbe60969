#pragma once

// The printed program table: a page head with the date, file name, page number, title and column
// headings, then either the grid as it stands (ten program changes a line) or a list of one
// program change a line with the backup file of the preset it selects.

#include <QString>

#include "mpt/MptGrid.h"

class TPageWriter;

// The index kept in MPT_REPT_STYLE and chosen in the report options dialog.
enum class TMptReportStyle { Grid = 0, List = 1 };

struct TMptReport {
  explicit TMptReport(const TMptCells& cells) : Cells(cells) {}

  TMptCells Cells;
  TMptRowLabels Labels = TMptRowLabels::Ranges;
  TMptReportStyle Style = TMptReportStyle::Grid;
  QString Date;        // today's date, short format
  QString FileName;    // the table's file, empty for one never saved
  QString HintFolder;  // searched for the preset files named in the list
};

inline const QString MptReportTitle = QStringLiteral("QVA ZQN Tarvo MPT Table");

// Runs the whole job on the writer: begins it, prints every page and ends it. False when the
// writer cannot begin (no printer, an unwritable file); nothing is printed then.
[[nodiscard]] bool PrintMptReport(TPageWriter& writer, const TMptReport& report);
