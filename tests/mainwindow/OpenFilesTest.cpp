// Files named on the command line, as the desktop passes a double-clicked preset or table.

#include "MainWindowFixture.h"
#include "device/DeviceMessages.h"
#include "editor/PresetEditor.h"
#include "mpt/MPTEdit.h"
#include "mpt/Mpt.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class CommandLineFiles : public MainWindow {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = folder.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  QByteArray UnitPreset(int index) {
    auto lock = session->Lock();
    return session->Unit().Preset(0, index);
  }
  QString TitleOf(const QByteArray& dump) { return QuickTitle(AsBytes(dump)); }
  // The preset editors the window opened, in the order it opened them.
  QList<TfrmPresetEditor*> PresetEditors() {
    QList<TfrmPresetEditor*> editors;
    for (int i = 0; i < window->ChildWindows()->Count(); ++i) {
      if (auto* e = qobject_cast<TfrmPresetEditor*>(window->ChildWindows()->At(i))) editors << e;
    }
    return editors;
  }
  void ExpectNoOtherDialogs() {
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
  }

  QTemporaryDir folder;
};

TEST_F(CommandLineFiles, APresetFileOpensInAnEditorShowingIt) {
  Start();
  const QByteArray dump = UnitPreset(4);
  const QString path = Write("Lead.zqn", dump);
  window->OpenFiles({path});

  const auto editors = PresetEditors();
  ASSERT_EQ(editors.size(), 1);
  EXPECT_TRUE(editors[0]->isVisible());
  EXPECT_EQ(editors[0]->Preset().Title.trimmed(), TitleOf(dump));
  EXPECT_EQ(editors[0]->FileName(), path);
  EXPECT_EQ(editors[0]->windowTitle().left(path.size()), path);
  // The buffer keeps the file, as after a click in the file pane.
  EXPECT_EQ(window->BufferSourceFile, path);
  EXPECT_EQ(window->BufferLength(), PresetDumpLength);
  EXPECT_EQ(Status(), "Preset loaded: " + TitleOf(dump));
  EXPECT_TRUE(dialogs->Asked().empty());
  EXPECT_TRUE(window->findChildren<TfrmMPTEdit*>().isEmpty());
}

TEST_F(CommandLineFiles, AProgramTableFileOpensTheTableEditor) {
  Start();
  Tmpt table;
  table.SetEntry(0, 149);
  table.SetEntry(199, 3);
  const QString path = Write("Gig.mpt", table.Image());
  window->OpenFiles({path});

  const auto editors = window->findChildren<TfrmMPTEdit*>();
  ASSERT_EQ(editors.size(), 1);
  EXPECT_TRUE(editors[0]->isVisible());
  EXPECT_EQ(editors[0]->Table().Entry(0), 149);
  EXPECT_EQ(editors[0]->Table().Entry(199), 3);
  EXPECT_EQ(editors[0]->Cell(1, 1), "150");
  EXPECT_EQ(window->BufferLength(), MptDumpLength);
  EXPECT_TRUE(PresetEditors().isEmpty());
  EXPECT_TRUE(dialogs->Asked().empty());
  editors[0]->close();
}

TEST_F(CommandLineFiles, TwoPresetFilesOpenTwoEditors) {
  Start();
  const QByteArray first = UnitPreset(1);
  const QByteArray second = UnitPreset(2);
  ASSERT_NE(TitleOf(first), TitleOf(second));
  const QString firstPath = Write("One.zqn", first);
  const QString secondPath = Write("Two.zqn", second);
  window->OpenFiles({firstPath, secondPath});

  const auto editors = PresetEditors();
  ASSERT_EQ(editors.size(), 2);
  EXPECT_TRUE(editors[0]->isVisible());
  EXPECT_TRUE(editors[1]->isVisible());
  EXPECT_EQ(editors[0]->Preset().Title.trimmed(), TitleOf(first));
  EXPECT_EQ(editors[0]->FileName(), firstPath);
  EXPECT_EQ(editors[1]->Preset().Title.trimmed(), TitleOf(second));
  EXPECT_EQ(editors[1]->FileName(), secondPath);
  EXPECT_EQ(window->BufferSourceFile, secondPath);
  EXPECT_TRUE(dialogs->Asked().empty());
}

TEST_F(CommandLineFiles, AMissingFileIsReportedAndTheOthersStillOpen) {
  Start();
  const QByteArray dump = UnitPreset(6);
  const QString before = Write("Open.zqn", dump);
  window->OpenFiles({before});
  ASSERT_EQ(PresetEditors().size(), 1);

  const QString missing = folder.filePath("Gone.zqn");
  const QString after = Write("After.zqn", UnitPreset(7));
  dialogs->PlanButton(QMessageBox::Ok);
  window->OpenFiles({missing, after});

  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_EQ(dialogs->Last().caption, "Sorry...");
  EXPECT_TRUE(dialogs->Last().text.startsWith("Could not read " + missing + ": "))
      << dialogs->Last().text.toStdString();
  ExpectNoOtherDialogs();
  // The editor already open keeps its preset; the file after the missing one opens in a new one.
  const auto editors = PresetEditors();
  ASSERT_EQ(editors.size(), 2);
  EXPECT_EQ(editors[0]->FileName(), before);
  EXPECT_EQ(editors[0]->Preset().Title.trimmed(), TitleOf(dump));
  EXPECT_EQ(editors[1]->FileName(), after);
  EXPECT_EQ(window->BufferSourceFile, after);
}

TEST_F(CommandLineFiles, OnlyAMissingFileLeavesAnEmptyBufferAndNoEditor) {
  Start();
  const QString missing = folder.filePath("Nowhere.mpt");
  dialogs->PlanButton(QMessageBox::Ok);
  window->OpenFiles({missing});
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_TRUE(dialogs->Last().text.startsWith("Could not read " + missing));
  ExpectNoOtherDialogs();
  EXPECT_EQ(window->BufferLength(), 0);
  EXPECT_TRUE(window->BufferSourceFile.isEmpty());
  EXPECT_TRUE(PresetEditors().isEmpty());
  EXPECT_TRUE(window->findChildren<TfrmMPTEdit*>().isEmpty());
}

TEST_F(CommandLineFiles, OtherFilesStayInTheBuffer) {
  Start();
  // A program change, and a file of a preset's length that is no preset.
  const QString program = Write("program.syx", QByteArray("\xC0\x05", 2));
  window->OpenFiles({program});
  EXPECT_EQ(window->BufferLength(), 2);
  EXPECT_EQ(window->BufferSourceFile, program);
  EXPECT_EQ(Status(), "Read 2 bytes from " + program);

  const QString junk = Write("junk.zqn", QByteArray(PresetDumpLength, '\x11'));
  window->OpenFiles({junk});
  EXPECT_EQ(window->BufferLength(), PresetDumpLength);
  EXPECT_EQ(window->BufferSourceFile, junk);
  EXPECT_TRUE(PresetEditors().isEmpty());
  EXPECT_TRUE(window->findChildren<TfrmMPTEdit*>().isEmpty());
  EXPECT_TRUE(dialogs->Asked().empty());
}

}  // namespace
