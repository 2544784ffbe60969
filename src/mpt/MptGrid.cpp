#include "mpt/MptGrid.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "mpt/Mpt.h"

namespace {

QString ThreeDigits(int number) {
  return QStringLiteral("%1").arg(number, 3, 10, QLatin1Char('0'));
}

}  // namespace

TMptCells::TMptCells(bool preKinetic)
    : preKinetic_(preKinetic), cells_(static_cast<std::size_t>(Rows() * Columns)) {}

int TMptCells::UsableCount() const {
  return preKinetic_ ? Tmpt::PreKineticEntryCount : Tmpt::EntryCount;
}

bool TMptCells::IsBlank(int row, int col) const {
  return preKinetic_ && row == PreKineticRows && col > Tmpt::PreKineticEntryCount % Columns;
}

bool TMptCells::IsDataCell(int row, int col) const {
  return row >= 1 && row <= Rows() && col >= 1 && col <= Columns && !IsBlank(row, col);
}

QString TMptCells::Text(int row, int col) const {
  if (!IsDataCell(row, col)) return {};
  return cells_[static_cast<std::size_t>((row - 1) * Columns + col - 1)];
}

void TMptCells::SetText(int row, int col, const QString& text) {
  if (IsDataCell(row, col)) At(row, col) = text;
}

int TMptCells::OrderOf(int row, int col) const {
  // Holes sit only at the very end, so the count is the plain position.
  return IsDataCell(row, col) ? (row - 1) * Columns + col - 1 : -1;
}

std::pair<int, int> TMptCells::CellAt(int order) const {
  if (order < 0 || order >= UsableCount()) return {0, 0};
  return {order / Columns + 1, order % Columns + 1};
}

void TMptCells::FillFromTable(const Tmpt& table) {
  for (int n = 0; n < UsableCount(); ++n) {
    const auto [row, col] = CellAt(n);
    At(row, col) = ThreeDigits(table.Entry(n) + 1);
  }
}

void TMptCells::SetDefault() {
  for (int n = 0; n < UsableCount(); ++n) {
    const auto [row, col] = CellAt(n);
    At(row, col) = ThreeDigits(n + 1);
  }
}

TMptValidation TMptCells::Validate() {
  for (int n = 0; n < UsableCount(); ++n) {
    const auto [row, col] = CellAt(n);
    QString& text = At(row, col);
    bool isNumber = false;
    const int value = text.trimmed().toInt(&isNumber, 10);
    const bool inRange = isNumber && value >= 1 && value <= Tmpt::EntryCount;
    if (!inRange) {
      TMptValidation result;
      result.Ok = false;
      result.Row = row;
      result.Col = col;
      result.Location = n + 1;
      result.Message = InvalidPresetMessage(text, n + 1, isNumber);
      return result;
    }
    text = ThreeDigits(value);
  }
  return {};
}

void TMptCells::CopyToTable(Tmpt& table) const {
  for (int n = 0; n < UsableCount(); ++n) {
    const auto [row, col] = CellAt(n);
    bool isNumber = false;
    const int value = Text(row, col).trimmed().toInt(&isNumber, 10);
    // A value outside 1..200 would be sent as a pair the unit cannot take; validation stops
    // those, and this guard keeps a forgotten validation from corrupting the table.
    if (isNumber && value >= 1 && value <= Tmpt::EntryCount) table.SetEntry(n, value - 1);
  }
}

int TMptCells::RangeEnd(int row, TMptShift shift) const {
  if (shift == TMptShift::All) return UsableCount() - 1;
  int col = Columns;
  while (col > 1 && IsBlank(row, col)) --col;
  return OrderOf(row, col);
}

void TMptCells::Insert(int row, int col, TMptShift shift) {
  const int first = OrderOf(row, col);
  if (first < 0) return;
  const int last = RangeEnd(row, shift);
  for (int n = last; n > first; --n) {
    const auto [r, c] = CellAt(n);
    const auto [pr, pc] = CellAt(n - 1);
    At(r, c) = At(pr, pc);
  }
  At(row, col).clear();
}

void TMptCells::Delete(int row, int col, TMptShift shift) {
  const int first = OrderOf(row, col);
  if (first < 0) return;
  const int last = RangeEnd(row, shift);
  for (int n = first; n < last; ++n) {
    const auto [r, c] = CellAt(n);
    const auto [nr, nc] = CellAt(n + 1);
    At(r, c) = At(nr, nc);
  }
}

QString TMptCells::ColumnHeading(int col) {
  return QStringLiteral("%1").arg(col, 3);
}

QString TMptCells::RowLabel(int row, TMptRowLabels labels) {
  const int first = (row - 1) * Columns;
  if (labels == TMptRowLabels::Offsets) return QString::number(first) + QStringLiteral(" +");
  return QString::number(first + 1) + QLatin1Char('-') + QString::number(first + Columns);
}

int TMptCells::ProgramChangeNumber(int row, int col, TMptRowLabels labels) {
  const int number = (row - 1) * Columns + col;
  return labels == TMptRowLabels::Offsets ? number - 1 : number;
}

QString InvalidPresetMessage(const QString& cellText, int location, bool outOfRange) {
  QString message = QStringLiteral("Invalid preset number: ") + cellText +
                    QStringLiteral(" at location ") + QString::number(location);
  if (outOfRange) message += QStringLiteral(" (should be 001 thru 200)");
  return message;
}

QString HintFolderWithSeparator(const QString& folder) {
  if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
    return folder;
  return folder + QDir::separator();
}

QString HintPattern(const QString& cellText) {
  return QStringLiteral("*.zqn") + cellText;
}

QString FindHintFile(const QString& folder, const QString& cellText) {
  return THintFiles().Find(folder, cellText);
}

QString CellHint(const QString& folder, const QString& cellText) {
  return THintFiles().Hint(folder, cellText);
}

QString THintFiles::Find(const QString& folder, const QString& cellText) {
  // An empty cell would make the pattern match every preset file of the folder.
  if (cellText.trimmed().isEmpty() || folder.isEmpty()) return {};
  const QDateTime modified = QFileInfo(folder).lastModified();
  if (folder != folder_ || modified != modified_ || listings_ == 0) {
    names_ = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    folder_ = folder;
    modified_ = modified;
    ++listings_;
  }
  // Matched as a listing with the pattern would match: wildcards, any case.
  const QRegularExpression pattern(
      QRegularExpression::wildcardToRegularExpression(HintPattern(cellText)),
      QRegularExpression::CaseInsensitiveOption);
  for (const QString& name : names_)
    if (pattern.match(name).hasMatch()) return name;
  return {};
}

QString THintFiles::Hint(const QString& folder, const QString& cellText) {
  const QString found = Find(folder, cellText);
  if (!found.isEmpty()) return QStringLiteral("Backup file: ") + found;
  // A user reads this, not a search pattern.
  return QStringLiteral("No backup file of preset %1 in %2")
      .arg(cellText.trimmed(), QDir::toNativeSeparators(HintFolderWithSeparator(folder)));
}

QString ProposedMptFileName(const QString& appTitle, const QDate& date) {
  return appTitle + QLatin1Char('_') + date.toString(QStringLiteral("yyyyMMdd")) +
         QStringLiteral(".mpt");
}
