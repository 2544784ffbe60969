// The main window against files that are not what they should be: preset and program table files
// of every wrong size opened for editing, and backups into folders that cannot take files. Nothing
// opens that should not, what is open stays as it was, and a backup stops with one message.

#include "FilesAbuseUtil.h"
#include "MainWindowFixture.h"
#include "device/BkupOpt.h"
#include "device/DeviceMessages.h"
#include "editor/PresetEditor.h"
#include "mpt/MPTEdit.h"
#include "mpt/Mpt.h"

#include <QDir>
#include <QTemporaryDir>
#include <functional>

using namespace files_abuse;

namespace {

class MainWindowFilesAbuse : public MainWindow {
 protected:
  void SetUp() override {
    MainWindow::SetUp();
    ASSERT_TRUE(folder.isValid());
  }
  QString Path(const QString& name) const { return folder.filePath(name); }
  QList<TfrmPresetEditor*> PresetEditors() const {
    QList<TfrmPresetEditor*> editors;
    for (int i = 0; i < window->ChildWindows()->Count(); ++i) {
      if (auto* e = qobject_cast<TfrmPresetEditor*>(window->ChildWindows()->At(i))) editors << e;
    }
    return editors;
  }
  QList<TfrmMPTEdit*> MptEditors() const { return window->findChildren<TfrmMPTEdit*>(); }
  // Loads the file into the buffer and asks for its editor, as a double-click in the file pane
  // does with "Open in Editor".
  void OpenForEditing(const QString& path) {
    window->LoadFileIntoBuffer(path);
    window->EditBuffer();
  }
  static std::string S(const QString& s) { return s.toStdString(); }

  QTemporaryDir folder;
};

TEST_F(MainWindowFilesAbuse, FilesOfTheWrongSizeOpenNoEditorAndLeaveTheOpenOnesAlone) {
  Start();
  QByteArray dump;
  {
    auto lock = session->Lock();
    dump = session->Unit().Preset(0, 3);
  }
  const QByteArray table = Tmpt().Image();
  ASSERT_EQ(dump.size(), PresetDumpLength);
  ASSERT_EQ(table.size(), MptDumpLength);

  // One good file of each kind, open in its editor.
  ASSERT_TRUE(WriteBytes(Path("good.zqn"), dump));
  ASSERT_TRUE(WriteBytes(Path("good.mpt"), table));
  OpenForEditing(Path("good.zqn"));
  OpenForEditing(Path("good.mpt"));
  ASSERT_EQ(PresetEditors().size(), 1);
  ASSERT_EQ(MptEditors().size(), 1);
  TfrmPresetEditor* preset = PresetEditors()[0];
  TfrmMPTEdit* mpt = MptEditors()[0];
  const TPresetImage presetImage = preset->Preset().Encode();
  const QByteArray mptImage = mpt->Table().Image();

  struct TRow {
    const char* name;
    QByteArray bytes;
    // A file this large starts with the bytes and holds nothing after them.
    qint64 largeSize = 0;
  };
  const qint64 huge = qint64(64) << 20;
  const QByteArray extra(1, char(0x7F));
  const TRow rows[] = {
      {"empty.zqn", {}},
      {"one.zqn", dump.left(1)},
      {"short.zqn", dump.left(PresetDumpLength - 1)},
      {"over.zqn", dump + extra},
      {"huge.zqn", dump, huge},
      {"empty.mpt", {}},
      {"one.mpt", table.left(1)},
      {"short.mpt", table.left(MptDumpLength - 1)},
      {"over.mpt", table + extra},
      {"huge.mpt", table, huge},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    const QString path = Path(row.name);
    QByteArray held = row.bytes;
    if (row.largeSize > 0) {
      ASSERT_TRUE(MakeLargeFile(path, row.largeSize, row.bytes));
      held.append(QByteArray(MsgBufferSize - held.size(), char(0)));
    } else {
      ASSERT_TRUE(WriteBytes(path, row.bytes));
    }
    const bool tooBig = row.largeSize > MsgBufferSize;
    if (tooBig) dialogs->PlanButton(QMessageBox::Ok);
    const std::size_t asked = dialogs->Asked().size();
    OpenForEditing(path);
    // Only the warning of a file too big for the buffer; a buffer that holds no whole preset or
    // table opens nothing and says nothing.
    EXPECT_EQ(dialogs->Asked().size(), asked + (tooBig ? 1 : 0));
    EXPECT_EQ(window->MessageBuffer.Data(), held);
    EXPECT_EQ(S(window->BufferSourceFile), S(path));
    EXPECT_EQ(PresetEditors().size(), 1);
    EXPECT_EQ(MptEditors().size(), 1);
    EXPECT_TRUE(preset->Preset().Encode() == presetImage);
    EXPECT_EQ(S(preset->FileName()), S(Path("good.zqn")));
    EXPECT_EQ(mpt->Table().Image(), mptImage);
  }
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << S(dialogs->Problems().join("; "));
  delete mpt;
}

TEST_F(MainWindowFilesAbuse, BackupsIntoFoldersThatTakeNoFilesStopWithOneMessage) {
  const QString plain = Path("plain");
  ASSERT_TRUE(WriteBytes(plain, "not a folder"));
  const QString device = FullDevice(folder.path());
  struct TRow {
    const char* name;
    QString chosen;
    // Runs once the dialog closed with the folder chosen.
    std::function<void()> then = {};
  };
  const std::vector<TRow> rows = {
      {"a full device", device},
      {"below a plain file", plain + "/backup"},
      {"a folder whose parent vanished after it was chosen", Path("parent/backup"),
       [&] { ASSERT_TRUE(QDir(Path("parent")).removeRecursively()); }},
  };
  ASSERT_TRUE(QDir().mkpath(Path("parent/backup")));
  Start(5);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
      d.SetPath(row.chosen);
      d.SetRange(1, 2);
      for (int b = 1; b < BankCount; ++b) d.SetBank(b, false);
      if (row.then) row.then();
      return true;
    });
    dialogs->PlanButton(QMessageBox::Ok);
    const std::size_t asked = dialogs->Asked().size();
    window->miGetSaveEach->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 10000));
    ASSERT_EQ(dialogs->Asked().size(), asked + 1);
    EXPECT_EQ(S(dialogs->Last().caption), "Backup error");
    EXPECT_TRUE(dialogs->Last().text.startsWith("Cannot write the file \"" + row.chosen + "/"))
        << S(dialogs->Last().text);
    EXPECT_EQ(window->LogLine(window->LogCount() - 1), "Procedure aborted");
    QTest::qWait(50);
    EXPECT_EQ(dialogs->Asked().size(), asked + 1);  // the run is over: no more requests or files
  }
  EXPECT_TRUE(IsCharacterDevice(device)) << "the device was replaced";
  EXPECT_EQ(ReadBytes(plain), "not a folder");
  EXPECT_FALSE(QFileInfo::exists(Path("parent")));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << S(dialogs->Problems().join("; "));
}

}  // namespace
