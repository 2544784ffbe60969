#include "device/DeviceMessages.h"
#include "mpt/Mpt.h"
#include "mpt/MptGrid.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

// The texts of the data cells in reading order.
QStringList Texts(const TMptCells& cells) {
  QStringList texts;
  for (int n = 0; n < cells.UsableCount(); ++n) {
    const auto [row, col] = cells.CellAt(n);
    texts.append(cells.Text(row, col));
  }
  return texts;
}

QStringList Numbers(int first, int last) {
  QStringList texts;
  for (int n = first; n <= last; ++n) texts.append(QStringLiteral("%1").arg(n, 3, 10, QChar('0')));
  return texts;
}

TEST(MptCells, DefaultLayoutOfBothGrids) {
  TMptCells full(false);
  full.SetDefault();
  EXPECT_EQ(full.Rows(), 20);
  EXPECT_EQ(full.UsableCount(), 200);
  EXPECT_EQ(full.Text(1, 1), "001");
  EXPECT_EQ(full.Text(20, 10), "200");
  EXPECT_EQ(full.Text(3, 4), "024");

  TMptCells pk(true);
  pk.SetDefault();
  EXPECT_EQ(pk.Rows(), 13);
  EXPECT_EQ(pk.UsableCount(), 128);
  EXPECT_EQ(pk.Text(13, 8), "128");
  EXPECT_TRUE(pk.IsBlank(13, 9));
  EXPECT_TRUE(pk.IsBlank(13, 10));
  EXPECT_FALSE(pk.IsBlank(12, 10));
  EXPECT_EQ(pk.Text(13, 9), "");
  pk.SetText(13, 9, "050");  // a hole never takes a value
  EXPECT_EQ(pk.Text(13, 9), "");
  EXPECT_EQ(pk.OrderOf(13, 9), -1);
  EXPECT_EQ(pk.CellAt(128), std::make_pair(0, 0));
}

TEST(MptCells, LabelsAndHeadings) {
  EXPECT_EQ(TMptCells::CornerText(), "Prog Chg #");
  EXPECT_EQ(TMptCells::ColumnHeading(1), "  1");
  EXPECT_EQ(TMptCells::ColumnHeading(9), "  9");
  EXPECT_EQ(TMptCells::ColumnHeading(10), " 10");
  EXPECT_EQ(TMptCells::RowLabel(1, TMptRowLabels::Ranges), "1-10");
  EXPECT_EQ(TMptCells::RowLabel(2, TMptRowLabels::Ranges), "11-20");
  EXPECT_EQ(TMptCells::RowLabel(20, TMptRowLabels::Ranges), "191-200");
  EXPECT_EQ(TMptCells::RowLabel(1, TMptRowLabels::Offsets), "0 +");
  EXPECT_EQ(TMptCells::RowLabel(20, TMptRowLabels::Offsets), "190 +");
  EXPECT_EQ(TMptCells::ProgramChangeNumber(1, 1, TMptRowLabels::Ranges), 1);
  EXPECT_EQ(TMptCells::ProgramChangeNumber(1, 1, TMptRowLabels::Offsets), 0);
  EXPECT_EQ(TMptCells::ProgramChangeNumber(20, 10, TMptRowLabels::Ranges), 200);
}

struct TValidationCase {
  const char* text;
  bool ok;
  const char* message;  // for a cell at location 24
  const char* rewritten;
};

TEST(MptCells, ValidationMessagesAndRewriting) {
  const TValidationCase cases[] = {
      {"7", true, "", "007"},
      {" 42 ", true, "", "042"},
      {"200", true, "", "200"},
      {"001", true, "", "001"},
      {"000", false, "Invalid preset number: 000 at location 24 (should be 001 thru 200)", "000"},
      {"201", false, "Invalid preset number: 201 at location 24 (should be 001 thru 200)", "201"},
      {"", false, "Invalid preset number:  at location 24", ""},
      {"1x", false, "Invalid preset number: 1x at location 24", "1x"},
      {"0x10", false, "Invalid preset number: 0x10 at location 24", "0x10"},
  };
  for (const TValidationCase& c : cases) {
    TMptCells cells(false);
    cells.SetDefault();
    cells.SetText(1, 3, "3");  // before the bad cell: rewritten
    cells.SetText(3, 4, c.text);
    cells.SetText(5, 5, "9");  // after the first failure: left as it is
    const TMptValidation result = cells.Validate();
    EXPECT_EQ(result.Ok, c.ok) << c.text;
    EXPECT_EQ(result.Message.toStdString(), c.message) << c.text;
    EXPECT_EQ(cells.Text(3, 4), c.rewritten) << c.text;
    EXPECT_EQ(cells.Text(1, 3), "003");
    if (!c.ok) {
      EXPECT_EQ(result.Row, 3);
      EXPECT_EQ(result.Col, 4);
      EXPECT_EQ(result.Location, 24);
      EXPECT_EQ(cells.Text(5, 5), "9");
    } else {
      EXPECT_EQ(cells.Text(5, 5), "009");
    }
  }
}

TEST(MptCells, PreKineticValidationSkipsTheHoles) {
  TMptCells cells(true);
  cells.SetDefault();
  EXPECT_TRUE(cells.Validate().Ok);
  cells.SetText(13, 8, "");
  const TMptValidation result = cells.Validate();
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Location, 128);
}

struct TShiftCase {
  const char* name;
  bool insert;
  TMptShift shift;
  bool preKinetic;
  int row, col;
  // Expected texts at some cells, as row, col, text.
  std::vector<std::tuple<int, int, const char*>> expected;
};

TEST(MptCells, InsertAndDeleteInBothShiftModes) {
  const TShiftCase cases[] = {
      {"insert to end of row",
       true,
       TMptShift::ToEndOfRow,
       false,
       1,
       5,
       {{1, 4, "004"}, {1, 5, ""}, {1, 6, "005"}, {1, 10, "009"}, {2, 1, "011"}, {20, 10, "200"}}},
      {"insert shift all",
       true,
       TMptShift::All,
       false,
       1,
       5,
       {{1, 5, ""}, {1, 10, "009"}, {2, 1, "010"}, {2, 2, "011"}, {20, 10, "199"}}},
      {"delete to end of row",
       false,
       TMptShift::ToEndOfRow,
       false,
       1,
       5,
       {{1, 4, "004"}, {1, 5, "006"}, {1, 9, "010"}, {1, 10, "010"}, {2, 1, "011"}}},
      {"delete shift all",
       false,
       TMptShift::All,
       false,
       1,
       5,
       {{1, 5, "006"}, {1, 10, "011"}, {2, 1, "012"}, {20, 9, "200"}, {20, 10, "200"}}},
      {"insert on the last column",
       true,
       TMptShift::ToEndOfRow,
       false,
       4,
       10,
       {{4, 9, "039"}, {4, 10, ""}, {5, 1, "041"}}},
      {"pre-kinetic insert on the last row",
       true,
       TMptShift::ToEndOfRow,
       true,
       13,
       7,
       {{13, 7, ""}, {13, 8, "127"}, {13, 9, ""}, {13, 10, ""}}},
      {"pre-kinetic insert shift all",
       true,
       TMptShift::All,
       true,
       12,
       10,
       {{12, 10, ""}, {13, 1, "120"}, {13, 8, "127"}, {13, 9, ""}}},
      {"pre-kinetic delete on the last row keeps the last usable cell",
       false,
       TMptShift::ToEndOfRow,
       true,
       13,
       7,
       {{13, 7, "128"}, {13, 8, "128"}, {13, 9, ""}}},
      {"pre-kinetic delete shift all",
       false,
       TMptShift::All,
       true,
       1,
       1,
       {{1, 1, "002"}, {12, 10, "121"}, {13, 7, "128"}, {13, 8, "128"}}},
  };
  for (const TShiftCase& c : cases) {
    TMptCells cells(c.preKinetic);
    cells.SetDefault();
    if (c.insert)
      cells.Insert(c.row, c.col, c.shift);
    else
      cells.Delete(c.row, c.col, c.shift);
    for (const auto& [row, col, text] : c.expected)
      EXPECT_EQ(cells.Text(row, col).toStdString(), text) << c.name << " at " << row << "," << col;
  }
}

TEST(MptCells, ShiftOnAHoleChangesNothing) {
  TMptCells cells(true);
  cells.SetDefault();
  const QStringList before = Texts(cells);
  cells.Insert(13, 9, TMptShift::All);
  cells.Delete(13, 10, TMptShift::All);
  EXPECT_EQ(Texts(cells), before);
}

TEST(MptCells, TableRoundTripInReadingOrder) {
  Tmpt table;
  for (int i = 0; i < Tmpt::EntryCount; ++i) table.SetEntry(i, 199 - i);
  TMptCells cells(false);
  cells.FillFromTable(table);
  EXPECT_EQ(cells.Text(1, 1), "200");
  EXPECT_EQ(cells.Text(20, 10), "001");
  Tmpt copy;
  cells.CopyToTable(copy);
  EXPECT_EQ(copy.Entries, table.Entries);

  // The Pre-Kinetic grid reaches the first 128 entries only.
  TMptCells pk(true);
  pk.SetDefault();
  pk.CopyToTable(table);
  EXPECT_EQ(table.Entry(127), 127);
  EXPECT_EQ(table.Entry(128), 199 - 128);
  EXPECT_EQ(Texts(pk), Numbers(1, 128));
}

TEST(MptCells, HintsNameTheBackupFileOrSayNoneWasFound) {
  QTemporaryDir dir;
  // "Plain.zqn" is what the pattern of an empty cell would find.
  for (const char* name : {"Lead.zqn007", "Clean.zqn007", "Pad.zqn012", "Plain.zqn"}) {
    QFile f(QDir(dir.path()).filePath(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const QString folder = HintFolderWithSeparator(dir.path());
  EXPECT_TRUE(folder.endsWith(QDir::separator()));
  EXPECT_EQ(HintFolderWithSeparator(folder), folder);
  EXPECT_EQ(HintPattern("007"), "*.zqn007");
  EXPECT_EQ(FindHintFile(folder, "007"), "Clean.zqn007");  // the first in name order
  EXPECT_EQ(CellHint(folder, "012"), "Backup file: Pad.zqn012");
  // None found: said in words, not as the search pattern.
  EXPECT_EQ(CellHint(folder, "013"),
            "No backup file of preset 013 in " + QDir::toNativeSeparators(folder));
  EXPECT_EQ(FindHintFile(folder, ""), "");  // an empty cell names no file
  EXPECT_EQ(FindHintFile(folder, "  "), "");
}

TEST(MptCells, ProposedFileName) {
  EXPECT_EQ(ProposedMptFileName("ZQN-Tarvo", QDate(2026, 12, 8)), "ZQN-Tarvo_20261208.mpt");
}

}  // namespace
