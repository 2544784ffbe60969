// The program table editor under the main window acts on the table the user has, while MIDI keeps
// arriving from the unit: a Pre-Kinetic switch with editors open, a table opened from a file, send
// results and the cell check.

#include "EventStream.h"
#include "MainWindowFixture.h"
#include "mpt/MPTEdit.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>

namespace {

class BusyTableEditor : public MainWindow {
 protected:
  TfrmMPTEdit* NewEditor() {
    window->miNewMPT->trigger();
    const auto editors = window->findChildren<TfrmMPTEdit*>();
    EXPECT_EQ(editors.size(), 1);
    return editors.value(0);
  }
  QByteArray UnitTable() {
    auto lock = session->Lock();
    return session->Unit().MptDump();
  }
  void SetUnitPreKinetic(bool on) {
    auto lock = session->Lock();
    session->Unit().SetPreKinetic(on);
  }
  // Sends the editor's table, confirming the question, and waits for the unit to take it.
  void Send(TfrmMPTEdit* editor) {
    dialogs->PlanButton(QMessageBox::Yes);
    QTest::mouseClick(editor->btnSendOut, Qt::LeftButton);
    unit->WaitIdle();
  }
  QPoint CellCentre(TfrmMPTEdit* editor, int row, int col) {
    return editor->grdMPT->visualRect(editor->grdMPT->model()->index(row - 1, col - 1)).center();
  }
};

TEST_F(BusyTableEditor, OpenEditorsFollowAPreKineticSwitchAndSendTheirTable) {
  Start();
  SetUnitPreKinetic(true);
  TfrmMPTEdit* editor = NewEditor();
  ASSERT_TRUE(editor);
  editor->SetCell(1, 1, "150");
  {
    TEventStream stream(unit);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));
    // Program changes 129..200 hold their default presets: nothing is lost, nothing is asked.
    window->miPreKinetic->trigger();
    ASSERT_TRUE(PreKineticMode);
    EXPECT_EQ(editor->DataRows(), 13);
    EXPECT_EQ(editor->grdMPT->rowCount(), 13);
    EXPECT_EQ(editor->Cell(1, 1), "150");
    EXPECT_EQ(editor->Cell(13, 8), "128");
    EXPECT_EQ(editor->Cell(13, 9), "");
    Send(editor);
  }
  EXPECT_EQ(editor->LastSendResult(), "MIDI data sent to MIDI Out");
  const QByteArray image = UnitTable();
  ASSERT_EQ(image.size(), 262);
  EXPECT_EQ(image[4], char(0x0C));
  Tmpt fetched;
  fetched.LoadFromImage(image);
  EXPECT_EQ(fetched.Entry(0), 149);

  // And back: the full grid again, the unit's table in the full layout.
  SetUnitPreKinetic(false);
  {
    TEventStream stream(unit);
    window->miPreKinetic->trigger();
    ASSERT_FALSE(PreKineticMode);
    EXPECT_EQ(editor->DataRows(), 20);
    EXPECT_EQ(editor->Cell(1, 1), "150");
    EXPECT_EQ(editor->Cell(20, 10), "200");
    Send(editor);
  }
  const QByteArray full = UnitTable();
  ASSERT_EQ(full.size(), 406);
  EXPECT_EQ(full[4], char(0x13));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

TEST_F(BusyTableEditor, ATableMappingProgramChangesBeyond128AsksBeforeTheSwitch) {
  Start();
  TfrmMPTEdit* editor = NewEditor();
  ASSERT_TRUE(editor);
  editor->SetCell(15, 1, "007");  // program change 141
  TEventStream stream(unit);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));

  // No: the switch does not happen, for the editor nor for the program.
  dialogs->PlanButton(QMessageBox::No);
  window->miPreKinetic->trigger();
  EXPECT_TRUE(dialogs->Last().text.contains("129 to 200")) << dialogs->Last().text.toStdString();
  EXPECT_FALSE(PreKineticMode);
  EXPECT_FALSE(window->miPreKinetic->isChecked());
  EXPECT_EQ(editor->DataRows(), 20);
  EXPECT_EQ(editor->Cell(15, 1), "007");

  // Yes: the table is laid out for the older unit; a switch back shows program change 141 again.
  dialogs->PlanButton(QMessageBox::Yes);
  window->miPreKinetic->trigger();
  EXPECT_TRUE(PreKineticMode);
  EXPECT_EQ(editor->DataRows(), 13);
  EXPECT_EQ(editor->Table().Image().size(), 262);
  window->miPreKinetic->trigger();
  EXPECT_FALSE(PreKineticMode);
  EXPECT_EQ(editor->Cell(15, 1), "007");
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

TEST_F(BusyTableEditor, ASendThatCannotGoSaysWhy) {
  Start();
  TfrmMPTEdit* editor = NewEditor();
  ASSERT_TRUE(editor);
  TEventStream stream(unit);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));
  // The mode changes behind the editor's back: its table is not one the unit takes now.
  SetPreKineticMode(true);
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanButton(QMessageBox::Ok);
  QTest::mouseClick(editor->btnSendOut, Qt::LeftButton);
  const QString reason =
      "Not sent: the table is laid out for a current unit (406 bytes), but the program is set up "
      "for a Pre-Kinetic unit (262 bytes). Open the table again in this mode.";
  EXPECT_EQ(editor->LastSendResult(), reason);
  EXPECT_EQ(dialogs->Last().text, reason);
  EXPECT_EQ(dialogs->Last().caption, "MIDI Out error");
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

// The buffer may have been edited since its file was read: a table opened from it names no file,
// while events stream in.
TEST_F(BusyTableEditor, ATableOpenedFromTheBufferNamesNoFile) {
  Start();
  Tmpt table;
  table.SetEntry(0, 41);
  const QString path = dir.filePath("Gig.mpt");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(table.Image());
  }
  TEventStream stream(unit);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));
  ASSERT_TRUE(window->LoadFileIntoBuffer(path));
  window->EditBuffer();
  const auto editors = window->findChildren<TfrmMPTEdit*>();
  ASSERT_EQ(editors.size(), 1);
  TfrmMPTEdit* editor = editors[0];
  EXPECT_TRUE(editor->FileName().isEmpty());
  EXPECT_EQ(editor->windowTitle(), "QVA ZQN Tarvo MPT Editor");
  EXPECT_EQ(editor->Cell(1, 1), "042");
  dialogs->PlanCancel();
  QTest::mouseClick(editor->btnSaveAs, Qt::LeftButton);
  EXPECT_NE(dialogs->Last().fileName, path);
}

TEST_F(BusyTableEditor, DraggingFromAnInvalidCellIsRefusedWithTheMessage) {
  Start();
  TfrmMPTEdit* editor = NewEditor();
  ASSERT_TRUE(editor);
  editor->SetCell(1, 1, "201");
  TEventStream stream(unit);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));
  QWidget* cells = editor->grdMPT->viewport();
  dialogs->PlanButton(QMessageBox::Ok);
  QTest::mousePress(cells, Qt::LeftButton, {}, CellCentre(editor, 1, 1));
  QMouseEvent move(QEvent::MouseMove, CellCentre(editor, 1, 3),
                   cells->mapToGlobal(CellCentre(editor, 1, 3)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(cells, &move);
  QTest::mouseRelease(cells, Qt::LeftButton, {}, CellCentre(editor, 1, 3));
  EXPECT_EQ(editor->CurrentRow(), 1);
  EXPECT_EQ(editor->CurrentCol(), 1);
  ASSERT_FALSE(dialogs->Asked().empty());
  EXPECT_EQ(dialogs->Last().caption, "Error found");
  EXPECT_EQ(dialogs->Last().text,
            "Invalid preset number: 201 at location 1 (should be 001 thru 200)");
  EXPECT_EQ(dialogs->Asked().size(), 1u);

  // Once the cell holds a preset, a drag moves on as usual.
  editor->SetCell(1, 1, "020");
  QTest::mousePress(cells, Qt::LeftButton, {}, CellCentre(editor, 1, 1));
  QMouseEvent again(QEvent::MouseMove, CellCentre(editor, 1, 3),
                    cells->mapToGlobal(CellCentre(editor, 1, 3)), Qt::NoButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(cells, &again);
  QTest::mouseRelease(cells, Qt::LeftButton, {}, CellCentre(editor, 1, 3));
  EXPECT_EQ(editor->CurrentCol(), 3);
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

TEST_F(BusyTableEditor, TheFontDialogOffersFixedPitchFontsAndTheGridScrollsToItsLastRow) {
  Start();
  TfrmMPTEdit* editor = NewEditor();
  ASSERT_TRUE(editor);
  TEventStream stream(unit);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));
  QFont large = editor->grdMPT->font();
  large.setPixelSize(48);
  dialogs->PlanFont(large);
  QTest::mouseClick(editor->btnFont, Qt::LeftButton);
  EXPECT_TRUE(dialogs->Last().fontOptions.testFlag(QFontDialog::MonospacedFonts));
  QApplication::processEvents();
  // Twenty rows of the larger font no longer fit: the grid scrolls to show the last one.
  EXPECT_TRUE(editor->grdMPT->verticalScrollBar()->isVisible());
  const QModelIndex last = editor->grdMPT->model()->index(19, 9);
  editor->grdMPT->scrollTo(last);
  EXPECT_TRUE(editor->grdMPT->viewport()->rect().contains(editor->grdMPT->visualRect(last)));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

TEST_F(BusyTableEditor, HintsListTheFolderOnceUntilItChanges) {
  QTemporaryDir backups;
  for (int n = 1; n <= 300; ++n) {
    QFile f(QDir(backups.path())
                .filePath(QString("Preset %1.zqn%2").arg(n).arg(n % 200 + 1, 3, 10, QChar('0'))));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  Start();
  TfrmMPTEdit* editor = NewEditor();
  ASSERT_TRUE(editor);
  dialogs->PlanFolder(backups.path());
  editor->pmiSelectFolder->trigger();
  TEventStream stream(unit);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() >= 3; }, 5000));
  QWidget* cells = editor->grdMPT->viewport();
  const auto hover = [&](int row, int col) {
    QTest::mouseMove(cells, QPoint(1, 1));
    QTest::mouseMove(cells, CellCentre(editor, row, col));
    return editor->grdMPT->item(row - 1, col - 1)->toolTip();
  };
  EXPECT_EQ(hover(1, 1), "Backup file: Preset 200.zqn001");
  EXPECT_EQ(hover(1, 2), "Backup file: Preset 1.zqn002");
  EXPECT_EQ(hover(2, 1), "Backup file: Preset 10.zqn011");
  EXPECT_EQ(editor->HintFiles().Listings(), 1);

  // A file written into the folder is found by the next hint.
  QTest::qWait(5);
  {
    QFile f(QDir(backups.path()).filePath("Added.zqn150"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  EXPECT_EQ(hover(15, 10), "Backup file: Added.zqn150");
  EXPECT_EQ(editor->HintFiles().Listings(), 2);
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

}  // namespace
