#include "PdfText.h"
#include "app/PrintPage.h"
#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/DeviceMessages.h"
#include "mpt/MPTEdit.h"
#include "mpt/MPTRptOpt.h"
#include "mpt/MptReport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QDate>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString SendQuestion = QStringLiteral(
    "Please confirm MPT update. This will replace all previous program mapping assignments. Do "
    "you want to proceed?");

class MptEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.SetStorageFolder(dir.filePath("settings"));
    settings.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo-Tests"));
  }
  void TearDown() override {
    if (window) delete window.data();
    SetPreKineticMode(false);
    DeviceChannel = 0;
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join("; ").toStdString();
  }

  TfrmMPTEdit* Open() {
    window = new TfrmMPTEdit(nullptr, &settings);
    window->OnSendMPT = [this](QIODevice& stream) {
      sent.append(stream.readAll());
      return QStringLiteral("MIDI data sent to MIDI Out");
    };
    window->show();
    QApplication::setActiveWindow(window);
    window->grdMPT->setFocus();
    QApplication::processEvents();
    return window;
  }

  // Types into the current cell as a user does: the first key opens the cell editor.
  void Type(const QString& text) {
    TMptGridView* grid = window->grdMPT;
    QTest::keyClicks(grid, text.left(1));
    ASSERT_TRUE(grid->OpenEditor) << "typing opens the cell editor";
    QTest::keyClicks(grid->OpenEditor, text.mid(1));
  }
  // Leaves the cell with Tab, from the editor when one is open.
  void Tab() {
    TMptGridView* grid = window->grdMPT;
    QWidget* target = grid->OpenEditor ? grid->OpenEditor.data() : static_cast<QWidget*>(grid);
    QTest::keyClick(target, Qt::Key_Tab);
  }
  QPoint CellCentre(int row, int col) const {
    return window->grdMPT->visualRect(window->grdMPT->model()->index(row - 1, col - 1)).center();
  }
  // Moves the mouse onto a cell, from elsewhere, so a move is seen even when the pointer was left
  // there by an earlier test.
  void Hover(int row, int col) {
    QTest::mouseMove(window->grdMPT->viewport(), QPoint(1, 1));
    QTest::mouseMove(window->grdMPT->viewport(), CellCentre(row, col));
  }
  bool Closed() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return window.isNull();
  }
  QByteArray Image() const { return window->Table().Image(); }

  QTemporaryDir dir;
  TkxRegUtil settings;
  TScriptedDialogs dialogs;
  QPointer<TfrmMPTEdit> window;
  QList<QByteArray> sent;
};

TEST_F(MptEditor, NewTableShowsTheGridLayout) {
  Open();
  EXPECT_EQ(window->windowTitle(), "QVA ZQN Tarvo MPT Editor");
  EXPECT_TRUE(window->Modified());
  EXPECT_EQ(window->DataRows(), 20);
  EXPECT_EQ(window->grdMPT->rowCount(), 20);
  EXPECT_EQ(window->grdMPT->columnCount(), 10);
  EXPECT_EQ(window->Cell(0, 0), "Prog Chg #");
  auto* corner = window->grdMPT->findChild<QLabel*>("lblCorner");
  ASSERT_NE(corner, nullptr);
  EXPECT_EQ(corner->text(), "Prog Chg #");
  EXPECT_EQ(window->Cell(1, 0), "1-10");
  EXPECT_EQ(window->Cell(0, 1), "  1");
  EXPECT_EQ(window->Cell(1, 1), "001");
  EXPECT_EQ(window->Cell(20, 0), "191-200");
  EXPECT_EQ(window->Cell(0, 10), " 10");
  EXPECT_EQ(window->Cell(20, 10), "200");
  EXPECT_EQ(window->grdMPT->horizontalHeader()->sectionSize(0), 40);
  EXPECT_EQ(window->grdMPT->verticalHeader()->width(), 110);
  EXPECT_EQ(window->grdMPTGetEditMask(4, 4), "000");
  EXPECT_EQ(window->btnSendOut->text(), "Sen&d");
  EXPECT_EQ(window->btnSendOut->toolTip(), "Send MPT to MIDI out (F9)");
  EXPECT_TRUE(window->pmiShowRanges->isChecked());
  EXPECT_EQ(window->pmiInsertCell->title(), "Insert cell");
  EXPECT_EQ(window->pmiDeleteShiftAll->text(), "Shift all");
}

TEST_F(MptEditor, LoadedTableFillsTheGridAndClearsModified) {
  Tmpt source;
  for (int i = 0; i < Tmpt::EntryCount; ++i) source.SetEntry(i, (i + 5) % 200);
  QByteArray image = source.Image();
  image[2] = char(6);
  Open();
  QBuffer stream(&image);
  stream.open(QIODevice::ReadOnly);
  window->LoadTable(stream);
  EXPECT_FALSE(window->Modified());
  EXPECT_EQ(window->Cell(1, 1), "006");
  EXPECT_EQ(window->Cell(20, 10), "005");
  EXPECT_EQ(window->windowTitle(), "QVA ZQN Tarvo MPT Editor");  // no file name

  QByteArray shortImage = image.left(300);
  QBuffer shortStream(&shortImage);
  shortStream.open(QIODevice::ReadOnly);
  EXPECT_THROW(window->LoadTable(shortStream), EMptError);
  EXPECT_EQ(window->Cell(1, 1), "006");

  window->SetFileName("/tmp/a.mpt");
  EXPECT_EQ(window->windowTitle(), "/tmp/a.mpt - QVA ZQN Tarvo MPT Editor");
}

TEST_F(MptEditor, TypingAnInvalidNumberReportsItAndReturnsToTheCell) {
  Open();
  struct TCase {
    const char* typed;
    int row, col;
    const char* message;
  };
  const TCase cases[] = {
      {"0", 3, 4, "Invalid preset number: 000 at location 24 (should be 001 thru 200)"},
      {"201", 20, 10, "Invalid preset number: 201 at location 200 (should be 001 thru 200)"},
      {"999", 1, 1, "Invalid preset number: 999 at location 1 (should be 001 thru 200)"},
  };
  for (const TCase& c : cases) {
    window->pmiSetToDefaultClick();
    window->SetCurrentCell(c.row, c.col);
    dialogs->PlanButton(QMessageBox::Ok);
    Type(c.typed);
    Tab();
    ASSERT_FALSE(dialogs->Asked().empty());
    EXPECT_EQ(dialogs->Last().caption, "Error found");
    EXPECT_EQ(dialogs->Last().text.toStdString(), c.message);
    EXPECT_EQ(window->CurrentRow(), c.row) << c.typed;
    EXPECT_EQ(window->CurrentCol(), c.col) << c.typed;
    if (window->grdMPT->OpenEditor) QTest::keyClick(window->grdMPT->OpenEditor, Qt::Key_Escape);
  }
  EXPECT_EQ(dialogs->PlansLeft(), 0);
}

TEST_F(MptEditor, AShortNumberIsWrittenWithThreeDigitsAndTheCursorMoves) {
  Open();
  window->SetCurrentCell(2, 2);
  Type("7");
  Tab();
  EXPECT_TRUE(dialogs->Asked().empty());
  EXPECT_EQ(window->Cell(2, 2), "007");
  EXPECT_EQ(window->CurrentRow(), 2);
  EXPECT_EQ(window->CurrentCol(), 3);
}

TEST_F(MptEditor, TheEditorTakesDigitsOnly) {
  Open();
  // The first cell, and the last one, at the grid's right edge.
  for (const auto& [row, col] : {std::pair{1, 1}, std::pair{20, 10}}) {
    window->SetCurrentCell(row, col);
    Type("1a2b34");
    auto* edit = qobject_cast<QLineEdit*>(window->grdMPT->OpenEditor.data());
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "123") << row << "," << col;
    QTest::keyClick(edit, Qt::Key_Return);
    QApplication::processEvents();  // Return commits once the editor has seen the key
    EXPECT_EQ(window->Cell(row, col), "123");
  }
}

TEST_F(MptEditor, AClickElsewhereIsRefusedWhileACellIsInvalid) {
  Open();
  window->SetCell(2, 2, "201");
  dialogs->PlanButton(QMessageBox::Ok);
  QTest::mouseClick(window->grdMPT->viewport(), Qt::LeftButton, {}, CellCentre(5, 5));
  EXPECT_EQ(dialogs->Last().text,
            "Invalid preset number: 201 at location 12 (should be 001 thru 200)");
  EXPECT_EQ(window->CurrentRow(), 2);
  EXPECT_EQ(window->CurrentCol(), 2);
  window->SetCell(2, 2, "20");
  QTest::mouseClick(window->grdMPT->viewport(), Qt::LeftButton, {}, CellCentre(5, 5));
  EXPECT_EQ(window->CurrentRow(), 5);
  EXPECT_EQ(window->Cell(2, 2), "020");
}

TEST_F(MptEditor, InsertAndDeleteThroughThePopupMenu) {
  Open();
  struct TCase {
    QAction* action;
    std::vector<std::tuple<int, int, const char*>> expected;
  };
  const TCase cases[] = {
      {window->pmiInsertShiftRow,
       {{1, 4, "004"}, {1, 5, ""}, {1, 6, "005"}, {1, 10, "009"}, {2, 1, "011"}}},
      {window->pmiInsertShiftAll, {{1, 5, ""}, {1, 10, "009"}, {2, 1, "010"}, {20, 10, "199"}}},
      {window->pmiDeleteShiftRow, {{1, 5, "006"}, {1, 9, "010"}, {1, 10, "010"}, {2, 1, "011"}}},
      {window->pmiDeleteShiftAll, {{1, 5, "006"}, {1, 10, "011"}, {20, 9, "200"}, {20, 10, "200"}}},
  };
  for (const TCase& c : cases) {
    window->pmiSetToDefault->trigger();
    window->SetCurrentCell(1, 5);
    c.action->trigger();
    EXPECT_TRUE(window->Modified());
    for (const auto& [row, col, text] : c.expected)
      EXPECT_EQ(window->Cell(row, col).toStdString(), text)
          << c.action->objectName().toStdString() << " " << row << "," << col;
  }
}

TEST_F(MptEditor, AnEmptyCellFailsWithoutTheRangePart) {
  Open();
  window->SetCurrentCell(1, 5);
  window->pmiInsertShiftRow->trigger();
  dialogs->PlanButton(QMessageBox::Ok);
  QTest::keyClick(window->grdMPT, Qt::Key_Down);
  EXPECT_EQ(dialogs->Last().text, "Invalid preset number:  at location 5");
  EXPECT_EQ(window->CurrentRow(), 1);
  EXPECT_EQ(window->CurrentCol(), 5);
  // Nothing is sent or saved either.
  dialogs->PlanButton(QMessageBox::Ok);
  window->btnSendOut->click();
  dialogs->PlanButton(QMessageBox::Ok);
  window->btnSaveAs->click();
  EXPECT_TRUE(sent.isEmpty());
  EXPECT_EQ(dialogs->PlansLeft(), 0);
  for (const TDialogRecord& r : dialogs->Asked()) EXPECT_EQ(r.kind, TDialogKind::Message);
}

TEST_F(MptEditor, DraggedColumnsAndRowsChangeTheMapping) {
  Open();
  // The first column dragged to the end: grid order now reads 2..10, 1 in the first row.
  window->grdMPT->horizontalHeader()->moveSection(0, 9);
  EXPECT_EQ(window->Cell(1, 1), "002");
  EXPECT_EQ(window->Cell(1, 10), "001");
  EXPECT_EQ(window->Cell(0, 1), "  1");  // headings name positions, so they stay
  EXPECT_EQ(window->Cell(0, 10), " 10");
  // The last row dragged to the top.
  window->grdMPT->verticalHeader()->moveSection(19, 0);
  EXPECT_EQ(window->Cell(1, 0), "1-10");
  EXPECT_EQ(window->Cell(1, 1), "192");
  EXPECT_EQ(window->Cell(1, 10), "191");
  EXPECT_EQ(window->Cell(2, 1), "002");
  EXPECT_EQ(window->grdMPT->verticalHeader()->logicalIndex(0), 0);

  dialogs->PlanButton(QMessageBox::Yes);
  window->btnSendOut->click();
  ASSERT_EQ(sent.size(), 1);
  const QByteArray image = sent.front();
  ASSERT_EQ(image.size(), 406);
  EXPECT_EQ(window->Table().Entry(0), 191);
  EXPECT_EQ(window->Table().Entry(9), 190);
  EXPECT_EQ(window->Table().Entry(10), 1);
  EXPECT_EQ(image.mid(5, 2), QByteArray::fromHex("3F01"));  // 191 = 128 + 63
}

TEST_F(MptEditor, AColumnDraggedWithTheMouseMovesItsValues) {
  Open();
  QHeaderView* header = window->grdMPT->horizontalHeader();
  QWidget* area = header->viewport();
  const int y = header->height() / 2;
  const QPoint from(header->sectionViewportPosition(0) + 20, y);
  const QPoint to(header->sectionViewportPosition(3) + 30, y);
  QTest::mousePress(area, Qt::LeftButton, {}, from);
  for (int x = from.x(); x <= to.x(); x += 10) QTest::mouseMove(area, QPoint(x, y));
  QTest::mouseRelease(area, Qt::LeftButton, {}, to);
  QApplication::processEvents();
  EXPECT_EQ(window->Cell(1, 1), "002");
  EXPECT_EQ(window->Cell(1, 4), "001");
  EXPECT_EQ(window->Cell(0, 4), "  4");
  EXPECT_EQ(header->logicalIndex(3), 3);
  EXPECT_TRUE(window->Modified());
}

TEST_F(MptEditor, SendAsksAndHandsOverTheImage) {
  DeviceChannel = 4;
  Open();
  window->SetCell(1, 1, "128");
  window->SetCell(20, 10, "1");
  dialogs->PlanButton(QMessageBox::No);
  window->btnSendOut->click();
  EXPECT_EQ(dialogs->Last().text, SendQuestion);
  EXPECT_EQ(dialogs->Last().buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(sent.isEmpty());

  dialogs->PlanButton(QMessageBox::Yes);
  QTest::keyClick(window->grdMPT, Qt::Key_F9, Qt::ShiftModifier);  // F9 whatever the modifier
  EXPECT_EQ(dialogs->Last().text, SendQuestion);
  ASSERT_EQ(sent.size(), 1);
  const QByteArray image = sent.front();
  ASSERT_EQ(image.size(), 406);
  EXPECT_EQ(image.left(5), QByteArray::fromHex("F01A041513"));
  EXPECT_EQ(image.mid(5, 2), QByteArray::fromHex("7F00"));            // preset 128 = index 127
  EXPECT_EQ(image.mid(5 + 2 * 199, 2), QByteArray::fromHex("0000"));  // preset 1
  EXPECT_EQ(static_cast<std::uint8_t>(image.back()), 0xF7);
  EXPECT_EQ(window->LastSendResult(), "MIDI data sent to MIDI Out");
  EXPECT_TRUE(window->Modified());  // sending is not saving
  EXPECT_EQ(window->Cell(20, 10), "001");

  // Without a receiver the confirmation is still asked and nothing happens after it.
  window->OnSendMPT = nullptr;
  dialogs->PlanButton(QMessageBox::Yes);
  window->btnSendOut->click();
  EXPECT_EQ(sent.size(), 1);
}

TEST_F(MptEditor, F9FromTheOpenCellEditorSends) {
  Open();
  window->SetCurrentCell(1, 2);
  Type("12");
  dialogs->PlanButton(QMessageBox::Yes);
  QTest::keyClick(window->grdMPT->OpenEditor, Qt::Key_F9, Qt::ControlModifier);
  ASSERT_EQ(sent.size(), 1);
  EXPECT_EQ(sent.front().mid(7, 2), QByteArray::fromHex("0B00"));  // the typed 012
}

TEST_F(MptEditor, PreKineticGridHas128CellsAndSends262Bytes) {
  SetPreKineticMode(true);
  Open();
  EXPECT_EQ(window->DataRows(), 13);
  EXPECT_EQ(window->grdMPT->rowCount(), 13);
  EXPECT_EQ(window->Cell(13, 8), "128");
  EXPECT_EQ(window->Cell(13, 9), "");
  EXPECT_EQ(window->Cell(13, 10), "");
  EXPECT_EQ(window->Cell(13, 0), "121-130");
  EXPECT_EQ(window->grdMPT->item(12, 8)->flags(), Qt::NoItemFlags);
  int usable = 0;
  for (int r = 0; r < window->grdMPT->rowCount(); ++r)
    for (int c = 0; c < 10; ++c)
      if (window->grdMPT->item(r, c)->flags() & Qt::ItemIsSelectable) ++usable;
  EXPECT_EQ(usable, 128);
  EXPECT_FALSE(window->grdMPT->horizontalHeader()->sectionsMovable());

  // The holes cannot be entered.
  window->SetCurrentCell(13, 8);
  QTest::keyClick(window->grdMPT, Qt::Key_Right);
  EXPECT_EQ(window->CurrentCol(), 8);
  EXPECT_FALSE(window->grdMPTSelectCell(13, 9));

  // An insert on the last row drops the value that would land on a hole.
  window->SetCurrentCell(13, 1);
  window->pmiInsertShiftRow->trigger();
  EXPECT_EQ(window->Cell(13, 8), "127");
  EXPECT_EQ(window->Cell(13, 9), "");
  window->SetCell(13, 1, "200");

  dialogs->PlanButton(QMessageBox::Yes);
  window->btnSendOut->click();
  ASSERT_EQ(sent.size(), 1);
  const QByteArray image = sent.front();
  ASSERT_EQ(image.size(), 262);
  EXPECT_EQ(image[4], char(0x0C));
  EXPECT_EQ(image.mid(5 + 2 * 120, 2), QByteArray::fromHex("4701"));
  EXPECT_EQ(static_cast<std::uint8_t>(image[261]), 0xF7);
}

TEST_F(MptEditor, RowOffsetsRelabelTheRows) {
  Open();
  window->pmiShowOffsets->trigger();
  EXPECT_TRUE(window->pmiShowOffsets->isChecked());
  EXPECT_FALSE(window->pmiShowRanges->isChecked());
  EXPECT_EQ(window->Cell(1, 0), "0 +");
  EXPECT_EQ(window->Cell(2, 0), "10 +");
  EXPECT_EQ(window->Cell(20, 0), "190 +");
  window->pmiShowRanges->trigger();
  EXPECT_EQ(window->Cell(20, 0), "191-200");
}

TEST_F(MptEditor, FirstSaveProposesTitleAndDateThenTheFileName) {
  Open();
  const QString before = QDate::currentDate().toString("yyyyMMdd");
  const QString file = dir.filePath("table.mpt");
  dialogs->PlanSaveFile(file);
  window->SetCell(1, 1, "9");
  window->btnSaveAs->click();
  const QString after = QDate::currentDate().toString("yyyyMMdd");
  const TDialogRecord& asked = dialogs->Last();
  EXPECT_EQ(asked.kind, TDialogKind::SaveFile);
  EXPECT_TRUE(asked.fileName == "ZQN-Tarvo_" + before + ".mpt" ||
              asked.fileName == "ZQN-Tarvo_" + after + ".mpt")
      << asked.fileName.toStdString();
  EXPECT_EQ(asked.filter, "ZQN Tarvo mpt table (*.mpt)");
  EXPECT_FALSE(window->Modified());
  EXPECT_EQ(window->FileName(), file);
  EXPECT_EQ(window->windowTitle(), file + " - QVA ZQN Tarvo MPT Editor");
  QFile saved(file);
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray bytes = saved.readAll();
  EXPECT_EQ(bytes.size(), 406);
  EXPECT_EQ(bytes, Image());
  EXPECT_EQ(bytes.mid(5, 2), QByteArray::fromHex("0800"));

  // The next save proposes the window's file.
  dialogs->PlanCancel();
  window->btnSaveAs->click();
  EXPECT_EQ(dialogs->Last().fileName, file);
}

TEST_F(MptEditor, AFreshWindowProposesTheNameInTheDialogsLastFolder) {
  Open();
  dialogs->PlanCancel();
  window->btnSaveAs->click();
  EXPECT_TRUE(window->Modified());  // a cancelled dialog writes nothing
  window->SetFileName({});
  dialogs->PlanSaveFile(dir.filePath("sub.mpt"));
  window->btnSaveAs->click();
  window->SetFileName({});
  dialogs->PlanCancel();
  window->btnSaveAs->click();
  EXPECT_EQ(QFileInfo(dialogs->Last().fileName).absolutePath(),
            QFileInfo(dir.path()).absoluteFilePath());
  EXPECT_TRUE(QFileInfo(dialogs->Last().fileName).fileName().startsWith("ZQN-Tarvo_"));
}

TEST_F(MptEditor, AFailedSaveLeavesTheOldFileWholeAndTheWindowModified) {
  Open();
  // A name so long that no file can be written beside it under a temporary name: the save
  // fails after the user chose an existing file.
  const QString file = dir.filePath(QString(250, 'm'));
  QFile old(file);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("old table");
  old.close();
  window->pmiSetToDefault->trigger();
  dialogs->PlanSaveFile(file);
  dialogs->PlanButton(QMessageBox::Ok);
  window->btnSaveAs->click();
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::Message);
  EXPECT_TRUE(dialogs->Last().text.startsWith("Cannot save "))
      << dialogs->Last().text.toStdString();
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "old table");
  EXPECT_TRUE(window->Modified());
  EXPECT_TRUE(window->FileName().isEmpty());
}

TEST_F(MptEditor, CloseAsksAboutUnsavedChanges) {
  Open();
  dialogs->PlanButton(QMessageBox::Cancel);
  window->btnExit->click();
  EXPECT_EQ(dialogs->Last().text, "Do you want to save your changes?");
  EXPECT_FALSE(Closed());

  // Yes with a cancelled save dialog keeps the window.
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanCancel();
  window->close();
  EXPECT_FALSE(Closed());

  // Yes with a file written closes it and frees it.
  const QString file = dir.filePath("closing.mpt");
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanSaveFile(file);
  window->resize(640, 560);
  window->close();
  EXPECT_TRUE(Closed());
  EXPECT_TRUE(QFileInfo::exists(file));
  EXPECT_EQ(settings.ReadInteger("frmMPTEdit.Width", true, 0), 640);
  EXPECT_FALSE(settings.ReadString("MPT_HINT_DIR").isEmpty());

  // The next window comes back at the same size; unmodified after a load, it closes unasked.
  Open();
  EXPECT_EQ(window->width(), 640);
  QByteArray image = Tmpt().Image();
  QBuffer stream(&image);
  stream.open(QIODevice::ReadOnly);
  window->LoadTable(stream);
  const size_t asked = dialogs->Asked().size();
  window->close();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(dialogs->Asked().size(), asked);
}

TEST_F(MptEditor, CloseWithNoDiscards) {
  Open();
  dialogs->PlanButton(QMessageBox::No);
  window->close();
  EXPECT_TRUE(Closed());
}

TEST_F(MptEditor, FontDialogChangesTheGridFont) {
  Open();
  const QFont before = window->grdMPT->font();
  QFont chosen(QStringLiteral("Monospace"), 17);
  dialogs->PlanFont(chosen);
  window->btnFont->click();
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::Font);
  EXPECT_EQ(dialogs->Last().font, before);
  EXPECT_EQ(window->grdMPT->font().pointSize(), 17);
  dialogs->PlanCancel();
  window->btnFont->click();
  EXPECT_EQ(window->grdMPT->font().pointSize(), 17);
}

TEST_F(MptEditor, PrinterSetupGoesThroughTheDialogService) {
  Open();
  dialogs->PlanPrinterSetup(true);
  window->btnPrtSetup->click();
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::PrinterSetup);
}

TEST_F(MptEditor, HintsNameTheBackupFiles) {
  QDir(dir.path()).mkdir("bank");
  const QString bank = dir.filePath("bank");
  QFile preset(QDir(bank).filePath("Clean.zqn007"));
  ASSERT_TRUE(preset.open(QIODevice::WriteOnly));
  preset.close();
  settings.WriteString("MPT_HINT_DIR", bank);
  Open();
  EXPECT_EQ(window->HintFolder(), bank + "/");
  Hover(1, 7);
  EXPECT_EQ(window->grdMPT->toolTip(), "Backup file: Clean.zqn007");
  Hover(1, 8);
  EXPECT_EQ(window->grdMPT->toolTip(), "No backup file of preset 008 in " + bank + "/");

  // Another folder chosen from the pop-up menu.
  dialogs->PlanFolder(dir.path());
  window->pmiSelectFolder->trigger();
  EXPECT_EQ(dialogs->Last().caption, "Choose a folder below:");
  EXPECT_EQ(window->HintFolder(), dir.path() + "/");
  Hover(1, 7);
  EXPECT_EQ(window->grdMPT->toolTip(), "No backup file of preset 007 in " + dir.path() + "/");
}

TEST_F(MptEditor, AMissingHintFolderFallsBackToTheProgramFolder) {
  settings.WriteString("MPT_HINT_DIR", dir.filePath("gone"));
  Open();
  EXPECT_EQ(window->HintFolder(), QCoreApplication::applicationDirPath() + "/");
}

TEST_F(MptEditor, ReportLayoutInBothStyles) {
  Open();
  window->SetCell(1, 2, "150");
  TMptReport report(window->GridCells());
  report.Date = "08/12/2026";
  report.FileName = "/tmp/t.mpt";
  TTextPageWriter grid(120);
  ASSERT_TRUE(PrintMptReport(grid, report));
  const QStringList g = grid.PageLines(0);
  ASSERT_GE(g.size(), 27);
  EXPECT_EQ(g[0], "08/12/2026          /tmp/t.mpt");
  EXPECT_EQ(g[1], "Page: 1");
  EXPECT_EQ(g[2].trimmed(), "QVA ZQN Tarvo MPT Table");
  EXPECT_EQ(g[6],
            "Prog Chg #  |    1  |    2  |    3  |    4  |    5  |    6  |    7  |    8  |"
            "    9  |   10");
  EXPECT_EQ(g[7],
            "1-10        |  001  |  150  |  003  |  004  |  005  |  006  |  007  |  008  |"
            "  009  |  010");
  EXPECT_EQ(g[26].left(19), "191-200     |  191 ");

  report.Style = TMptReportStyle::List;
  report.Labels = TMptRowLabels::Offsets;
  TTextPageWriter list(120, 60);
  ASSERT_TRUE(PrintMptReport(list, report));
  const QStringList l = list.PageLines(0);
  EXPECT_EQ(l[6], "Prog Chg #  |  Preset#     |  File name");
  EXPECT_EQ(l[7], "0           |  001         |");
  EXPECT_EQ(l[8], "1           |  150         |");
  EXPECT_EQ(list.PageCount(), 4);  // 200 lines, 53 a page
  EXPECT_EQ(list.PageLines(1)[1], "Page: 2");
  EXPECT_EQ(list.PageLines(1)[7], "53          |  054         |");
}

TEST_F(MptEditor, PrintToPdfInGridAndListStyle) {
  QDir(dir.path()).mkdir("bank");
  const QString bank = dir.filePath("bank");
  QFile preset(QDir(bank).filePath("Clean.zqn007"));
  ASSERT_TRUE(preset.open(QIODevice::WriteOnly));
  preset.close();
  settings.WriteString("MPT_HINT_DIR", bank);
  settings.WriteInteger("MPT_REPT_STYLE", 5);  // outside the items: none chosen
  Open();

  for (int style : {0, 1}) {
    const QString pdf = dir.filePath(QStringLiteral("report%1.pdf").arg(style));
    window->Printer().setOutputFormat(QPrinter::PdfFormat);
    window->Printer().setOutputFileName(pdf);
    window->btnPrint->click();
    TfrmMPTRptOpt* options = window->ReportOptions();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->windowTitle(), "Select report options");
    EXPECT_EQ(options->regStyle->title(), "Report Style");
    EXPECT_EQ(options->ItemIndex(), style == 0 ? -1 : 0);  // from MPT_REPT_STYLE
    QTest::mouseClick(style == 0 ? options->rbGrid : options->rbList, Qt::LeftButton);
    QTest::mouseClick(options->btnOK, Qt::LeftButton);
    EXPECT_EQ(window->ReportOptions(), nullptr);
    EXPECT_EQ(settings.ReadInteger("MPT_REPT_STYLE", true, -1), style);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_GE(PdfPageCount(pdf), style == 0 ? 1 : 2);
    if (const std::optional<QString> text = PdfText(pdf)) {
      EXPECT_TRUE(text->contains("QVA ZQN Tarvo MPT Table"));
      EXPECT_TRUE(text->contains("Prog Chg #"));
      EXPECT_TRUE(text->contains("Page: 1"));
      if (style == 0) {
        EXPECT_TRUE(text->contains("191-200"));
        EXPECT_TRUE(text->contains("200"));
      } else {
        EXPECT_TRUE(text->contains("File name"));
        EXPECT_TRUE(text->contains("Clean.zqn007"));
        EXPECT_TRUE(text->contains("Page: 2"));
      }
    }
  }

  // Cancel prints nothing and keeps the style.
  const QString pdf = dir.filePath("cancelled.pdf");
  window->Printer().setOutputFileName(pdf);
  window->btnPrint->click();
  ASSERT_NE(window->ReportOptions(), nullptr);
  QTest::mouseClick(window->ReportOptions()->rbGrid, Qt::LeftButton);
  QTest::mouseClick(window->ReportOptions()->btnCancel, Qt::LeftButton);
  EXPECT_FALSE(QFileInfo::exists(pdf));
  EXPECT_EQ(settings.ReadInteger("MPT_REPT_STYLE", true, -1), 1);
}

TEST_F(MptEditor, PrintingWithoutAPrinterSaysSo) {
  Open();
  window->Printer().setOutputFormat(QPrinter::PdfFormat);
  window->Printer().setOutputFileName(dir.filePath("no/such/folder/x.pdf"));
  dialogs->PlanButton(QMessageBox::Ok);
  EXPECT_FALSE(window->PrintReport(TMptReportStyle::Grid));
  EXPECT_EQ(dialogs->Last().text, PrintFailureText(window->Printer()));
  EXPECT_TRUE(dialogs->Last().text.startsWith("The PDF file "))
      << dialogs->Last().text.toStdString();
}

TEST_F(MptEditor, ReportOptionsDialogIndexes) {
  TfrmMPTRptOpt options;
  EXPECT_EQ(options.ItemIndex(), -1);
  options.SetItemIndex(1);
  EXPECT_EQ(options.ItemIndex(), 1);
  EXPECT_TRUE(options.rbList->isChecked());
  options.SetItemIndex(7);
  EXPECT_EQ(options.ItemIndex(), -1);
  options.SetItemIndex(0);
  EXPECT_EQ(options.ItemIndex(), 0);
  EXPECT_EQ(options.rbGrid->text(), "Grid layout");
  EXPECT_EQ(options.rbList->text(), "List with filenames");
}

TEST_F(MptEditor, Screenshot) {
  Open();
  window->SetFileName("/home/user/tables/ZQN-Tarvo_20261208.mpt");
  window->SetCurrentCell(4, 3);
  QApplication::processEvents();
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("mpt-editor.png");
  ASSERT_TRUE(window->grab().save(path));
  EXPECT_GT(QFileInfo(path).size(), 1000);
}

}  // namespace
