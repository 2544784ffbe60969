// The preset library as the main window offers it: "Presets" -> "Library...", and what the
// library's commands do to the editors, the unit and the file pane.

#include "MainWindowFixture.h"
#include "device/DeviceMessages.h"
#include "device/RestoreOpt.h"
#include "device/RunReport.h"
#include "device/StorePrompt.h"
#include "device/UnitSimulator.h"
#include "editor/PresetEditor.h"
#include "library/CompareWindow.h"
#include "library/LibraryModel.h"
#include "library/LibraryWindow.h"
#include "library/PresetLibrary.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTreeView>

namespace {

class Library : public MainWindow {
 protected:
  void WriteBackup() {
    for (int i = 0; i < 3; ++i) {
      const QByteArray dump = Memory(0, i);
      const QString path = out.filePath(
          QString("Bank A/%1.zqn%2").arg(QuickTitle(AsBytes(dump))).arg(i + 1, 3, 10, QChar('0')));
      QDir().mkpath(QFileInfo(path).absolutePath());
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(dump);
    }
  }
  TfrmLibrary& OpenLibrary() {
    window->LibraryDatabaseFile = dir.filePath("data/library.sqlite");
    window->OutputDir = out.path();
    window->miLibrary->trigger();
    EXPECT_NE(window->Library(), nullptr);
    return *window->Library();
  }
  void SelectTitle(TfrmLibrary& lib, const QString& title) {
    for (int r = 0; r < lib.Model()->rowCount(); ++r) {
      if (lib.Model()->index(r, TLibraryModel::colTitle).data().toString() != title) continue;
      lib.grdPresets->selectRow(r);
      return;
    }
    ADD_FAILURE() << "no row " << qPrintable(title);
  }
};

TEST_F(Library, TheMenuOpensTheLibraryOfTheBackupFolder) {
  Start();
  WriteBackup();
  EXPECT_EQ(window->miLibrary->text(), "Library...");
  TfrmLibrary& lib = OpenLibrary();
  EXPECT_TRUE(lib.isVisible());
  EXPECT_EQ(lib.Model()->rowCount(), 3);
  EXPECT_EQ(lib.Library().Folders(), QStringList{QDir::cleanPath(out.path())});
  // A second time brings the same window back.
  lib.close();
  window->miLibrary->trigger();
  EXPECT_EQ(window->Library(), &lib);
  EXPECT_TRUE(lib.isVisible());
}

TEST_F(Library, OpenSendAndShowActOnTheChosenPreset) {
  Start();
  WriteBackup();
  TfrmLibrary& lib = OpenLibrary();
  const QString title = QuickTitle(AsBytes(Memory(0, 1)));
  SelectTitle(lib, title);

  lib.btnOpen->click();
  TfrmPresetEditor* editor = nullptr;
  for (int i = 0; i < window->ChildWindows()->Count(); ++i)
    if (auto* e = qobject_cast<TfrmPresetEditor*>(window->ChildWindows()->At(i))) editor = e;
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->Preset().Title.trimmed(), title);
  EXPECT_TRUE(editor->FileName().endsWith(".zqn002"));

  // F9 puts the preset into the unit's edit buffer.
  lib.grdPresets->setFocus();
  QTest::keyClick(lib.grdPresets, Qt::Key_F9);
  Settle();
  const QByteArray expected = Memory(0, 1);
  {
    auto lock = session->Lock();
    EXPECT_EQ(session->Unit().EditBuffer(), expected);
  }
  EXPECT_TRUE(lib.lblStatus->text().endsWith("MIDI data sent to MIDI Out"))
      << qPrintable(lib.lblStatus->text());

  lib.btnReveal->click();
  EXPECT_EQ(QDir::cleanPath(window->CurrentFolder()), QDir::cleanPath(out.filePath("Bank A")));
  EXPECT_EQ(window->GetSelectedPathFileNames().size(), 1);
  EXPECT_TRUE(window->GetSelectedPathFileNames().value(0).endsWith(".zqn002"));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << qPrintable(dialogs->Problems().join('\n'));
}

}  // namespace

namespace {

TEST_F(Library, ComparesAPresetWithTheUnitsEditBufferFetchedOnTheSpot) {
  Start();
  WriteBackup();
  TfrmLibrary& lib = OpenLibrary();
  const QString first = QuickTitle(AsBytes(Memory(0, 0)));
  const QString second = QuickTitle(AsBytes(Memory(0, 1)));
  SelectTitle(lib, second);
  lib.btnSend->click();  // the unit now holds it in its edit buffer
  Settle();
  lib.btnCompareUnit->click();
  ASSERT_NE(lib.CompareWindow(), nullptr);
  EXPECT_EQ(lib.CompareWindow()->lblCount->text(), "The presets are the same");

  SelectTitle(lib, first);
  lib.btnCompareUnit->click();
  EXPECT_TRUE(lib.CompareWindow()->Text().startsWith("Title\n      Title = " + first + "  ->  " +
                                                     second + "\n"))
      << qPrintable(lib.CompareWindow()->Text());
  EXPECT_FALSE(window->UnitRunActive());
}

TEST_F(Library, ASilentUnitIsReportedNotWaitedOnForever) {
  Start();
  WriteBackup();
  TfrmLibrary& lib = OpenLibrary();
  window->RequestTimeoutMs = 50;
  lib.grdPresets->selectRow(0);
  lib.btnSend->click();
  Settle();
  // The cable is pulled after the send.
  session->Options().DropOffAfter = int(Received().size());
  lib.btnCompareUnit->click();
  EXPECT_EQ(lib.lblStatus->text(), "Cannot compare with the unit: The unit did not answer");
  EXPECT_FALSE(window->UnitRunActive());
}

}  // namespace

namespace {

TEST_F(Library, StoreAtPutsThePresetIntoTheChosenLocation) {
  Start();
  WriteBackup();
  TfrmLibrary& lib = OpenLibrary();
  const QByteArray dump = Memory(0, 2);
  SelectTitle(lib, QuickTitle(AsBytes(dump)));
  int proposed = 0;
  dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& prompt) {
    proposed = prompt.PresetNo();
    EXPECT_TRUE(prompt.SendFirst());
    prompt.SetPresetNo(150);
    return true;
  });
  lib.btnStore->click();
  Settle();
  EXPECT_EQ(proposed, 3) << "the backup file's own number is proposed";
  EXPECT_EQ(Memory(0, 149), dump);
  EXPECT_TRUE(lib.lblStatus->text().endsWith("at 150: stored"))
      << qPrintable(lib.lblStatus->text());

  // Cancelled: nothing is sent.
  const int before = int(Received().size());
  dialogs->AnswerForm<TfrmStorePrompt>([](TfrmStorePrompt&) { return false; });
  lib.btnStore->click();
  Settle();
  EXPECT_EQ(int(Received().size()), before);
}

}  // namespace

namespace {

TEST_F(Library, TwoOpenEditorsCompareParameterByParameter) {
  Start();
  WriteBackup();
  emit window->miPresets->aboutToShow();
  EXPECT_FALSE(window->miCompareEditors->isEnabled());
  window->OpenFiles({out.filePath("Bank A/" + QuickTitle(AsBytes(Memory(0, 0))) + ".zqn001")});
  window->NewPresetEditor();
  emit window->miPresets->aboutToShow();
  ASSERT_TRUE(window->miCompareEditors->isEnabled());
  window->miCompareEditors->trigger();
  TfrmCompare* compare = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* c = qobject_cast<TfrmCompare*>(w); c && c->isVisible()) compare = c;
  ASSERT_NE(compare, nullptr);
  EXPECT_TRUE(compare->Text().startsWith(
      "Title\n      Title = " + QuickTitle(AsBytes(Memory(0, 0))) + "  ->  My new preset\n"))
      << qPrintable(compare->Text());
  EXPECT_TRUE(compare->lblRight->text().endsWith("(not saved)"));
}

}  // namespace

namespace {

TEST_F(Library, RestoreSelectionPutsTheChosenPresetsBackIntoTheirSlots) {
  Start();
  WriteBackup();
  const QByteArray first = Memory(0, 0), third = Memory(0, 2), second = Memory(0, 1);
  for (int i = 0; i < 3; ++i) {
    auto lock = session->Lock();
    session->Unit().SetPreset(0, i, TUnitSimulator::FactoryPreset(3, 100 + i));
  }
  TfrmLibrary& lib = OpenLibrary();
  SelectTitle(lib, QuickTitle(AsBytes(first)));
  for (int r = 0; r < lib.Model()->rowCount(); ++r)
    if (lib.Model()->index(r, TLibraryModel::colTitle).data().toString() ==
        QuickTitle(AsBytes(third)))
      lib.grdPresets->selectionModel()->select(
          lib.Model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QString folder, found;
  dialogs->AnswerForm<TfrmRestoreOpt>([&](TfrmRestoreOpt& d) {
    folder = d.Folder();
    found = d.lblFound->text();
    d.SetSafetyBackup(false);
    d.Choose(TfrmRestoreOpt::TMode::Restore);
    return d.result() == QDialog::Accepted;
  });
  dialogs->AnswerForm<TfrmRunReport>([](TfrmRunReport&) { return true; });
  dialogs->PlanButton(QMessageBox::Yes);
  lib.btnRestore->click();
  EXPECT_FALSE(window->UnitRunActive());
  EXPECT_TRUE(folder.contains("Library restores/Selection ")) << qPrintable(folder);
  EXPECT_TRUE(found.startsWith("2 preset files found")) << qPrintable(found);
  EXPECT_EQ(Memory(0, 0), first);
  EXPECT_EQ(Memory(0, 2), third);
  EXPECT_NE(Memory(0, 1), second) << "a preset not selected is left alone";
  EXPECT_TRUE(Status().startsWith("Restore is complete: 2 stored and verified"))
      << qPrintable(Status());
}

}  // namespace
