#include "mpt/MptReport.h"

#include "app/PrintPage.h"

namespace {

const QString Separator = QStringLiteral("  |  ");

void PrintHead(TPageWriter& w, const TMptReport& r) {
  const int x = w.LeftMargin();
  const int cw = w.CharWidth();
  const int lh = w.LineHeight();
  w.SetStyle(false, false);
  w.TextOut(x, 0, r.Date + QString(10, QLatin1Char(' ')) + r.FileName);
  w.TextOut(x, lh, QStringLiteral("Page: ") + QString::number(w.PageNumber()));
  w.SetStyle(true, true);
  w.PrintCentred(2 * lh, MptReportTitle);
  w.SetCurrentLine(6 * lh);  // four lines below the title
  const int y = w.CurrentLine();
  w.TextOut(x, y, TMptCells::CornerText());
  if (r.Style == TMptReportStyle::List) {
    w.TextOut(x + 10 * cw, y, Separator);
    w.TextOut(x + 15 * cw, y, QStringLiteral("Preset#   "));
    w.TextOut(x + 25 * cw, y, Separator);
    w.TextOut(x + 30 * cw, y, QStringLiteral("File name       "));
  } else {
    int column = x + 10 * cw;
    for (int c = 1; c <= TMptCells::Columns; ++c) {
      w.TextOut(column, y, Separator);
      w.TextOut(column + 5 * cw, y, TMptCells::ColumnHeading(c));
      column += 8 * cw;
    }
  }
  w.Advance(1);
  w.SetStyle(false, false);
}

void PrintGrid(TPageWriter& w, const TMptReport& r) {
  const int x = w.LeftMargin();
  const int cw = w.CharWidth();
  w.SetStyle(false, true);
  for (int row = 1; row <= r.Cells.Rows(); ++row) {
    w.NewPageIfDue();
    const int y = w.CurrentLine();
    w.TextOut(x, y, TMptCells::RowLabel(row, r.Labels));
    int column = x + 10 * cw;
    for (int c = 1; c <= TMptCells::Columns; ++c) {
      if (r.Cells.IsBlank(row, c)) continue;
      w.TextOut(column, y, Separator);
      w.TextOut(column + 5 * cw, y, r.Cells.Text(row, c));
      column += 8 * cw;
    }
    w.Advance(1);
  }
  w.SetStyle(false, false);
}

void PrintList(TPageWriter& w, const TMptReport& r) {
  const int x = w.LeftMargin();
  const int cw = w.CharWidth();
  THintFiles hints;  // the folder is listed once for the whole list
  for (int n = 0; n < r.Cells.UsableCount(); ++n) {
    const auto [row, col] = r.Cells.CellAt(n);
    const QString preset = r.Cells.Text(row, col);
    w.NewPageIfDue();
    const int y = w.CurrentLine();
    w.TextOut(x, y, QString::number(TMptCells::ProgramChangeNumber(row, col, r.Labels)));
    w.TextOut(x + 10 * cw, y, Separator);
    w.TextOut(x + 15 * cw, y, preset);
    w.TextOut(x + 25 * cw, y, Separator);
    w.TextOut(x + 30 * cw, y, hints.Find(r.HintFolder, preset));
    w.Advance(1);
  }
}

}  // namespace

bool PrintMptReport(TPageWriter& writer, const TMptReport& report) {
  writer.SetHead([&report](TPageWriter& w) { PrintHead(w, report); });
  if (!writer.Begin(MptReportTitle)) {
    writer.SetHead({});
    return false;
  }
  if (report.Style == TMptReportStyle::List)
    PrintList(writer, report);
  else
    PrintGrid(writer, report);
  writer.End();
  writer.SetHead({});
  return true;
}
