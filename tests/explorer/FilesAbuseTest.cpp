// The message buffer and the file pane against files that are not what they should be: every
// size around the buffer's, pipes and devices in the list, files and folders that vanish after
// they were chosen, names of every character the file-name cleaner knows, and saves to a full
// device, a full disk, a folder or below a plain file. A file that cannot be read leaves the
// buffer as it was; a save that fails leaves the old file whole.

#include "ExplorerTestUtil.h"
#include "FilesAbuseUtil.h"

#include <QComboBox>
#include <QDir>
#include <QStandardItemModel>
#include <QTreeView>
#include <functional>

using namespace explorer_test;
using namespace files_abuse;

namespace {

class ExplorerFilesAbuse : public ExplorerFixture {
 protected:
  QTreeView* List() { return window->Child<QTreeView>("lvwFileList"); }
  QStringList Captions() {
    QStringList names;
    for (int r = 0; r < List()->model()->rowCount(); ++r)
      names << List()->model()->index(r, 0).data().toString();
    return names;
  }
  // Clicks the file's line in the list, as a user picks a file.
  void Click(const QString& caption) {
    const int row = static_cast<int>(Captions().indexOf(caption));
    ASSERT_GE(row, 0) << S(caption) << " is not listed";
    const QRect rect = List()->visualRect(List()->model()->index(row, 0));
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
  }
  QString Path(const QString& name) const { return filesDir.path() + "/" + name; }

  // What a refused file must leave as it was.
  struct TBufferState {
    QByteArray bytes;
    QString text;
    QString caption;
    bool operator==(const TBufferState&) const = default;
  };
  TBufferState Buffer() {
    return {window->MessageBuffer.Data(), window->Editor()->toPlainText(), window->windowTitle()};
  }
};

TEST_F(ExplorerFilesAbuse, FilesOfEverySizeFillTheBufferUpToItsSize) {
  QByteArray pattern;
  for (int i = 0; i < MsgBufferSize + 1; ++i) pattern.append(char(i % 251));
  struct TRow {
    const char* name;
    qint64 size;
  };
  const TRow rows[] = {
      {"empty.syx", 0},
      {"one.syx", 1},
      {"one-short.syx", MsgBufferSize - 1},
      {"exact.syx", MsgBufferSize},
      {"one-over.syx", MsgBufferSize + 1},
      {"huge.syx", qint64(64) << 20},
  };
  for (const TRow& row : rows) {
    if (row.size <= pattern.size()) {
      ASSERT_TRUE(WriteBytes(Path(row.name), pattern.left(row.size)));
    } else {
      ASSERT_TRUE(MakeLargeFile(Path(row.name), row.size, pattern));
    }
  }
  TTestExplorer& w = Open();
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    const QString path = Path(row.name);
    const bool tooBig = row.size > MsgBufferSize;
    if (tooBig) dialogs->PlanButton(QMessageBox::Ok);
    const std::size_t asked = dialogs->Asked().size();
    Click(row.name);
    const qint64 kept = std::min<qint64>(row.size, MsgBufferSize);
    EXPECT_EQ(w.BufferLength(), kept);
    EXPECT_EQ(w.MessageBuffer.Data(), pattern.left(kept));
    EXPECT_EQ(w.Editor()->toPlainText().size(), 3 * kept);
    EXPECT_EQ(S(w.BufferSourceFile), S(path));
    EXPECT_EQ(S(w.windowTitle()), S(path + " - ZQN-Tarvo"));
    ASSERT_EQ(dialogs->Asked().size(), asked + (tooBig ? 1 : 0));
    if (tooBig) {
      EXPECT_EQ(
          S(dialogs->Last().text),
          S(path + " filesize (" + QString::number(row.size) +
            " bytes) is too big for buffer.\nDo not save this file or data loss will occur!"));
      EXPECT_EQ(S(w.StatusText(0)), S("Read 10000 bytes from " + path + " (filesize " +
                                      QString::number(row.size) + " is too big for buffer)"));
    } else {
      EXPECT_EQ(S(w.StatusText(0)), S("Read " + QString::number(row.size) + " bytes from " + path));
    }
  }
}

TEST_F(ExplorerFilesAbuse, AFileThatCannotBeReadLeavesTheBufferAsItWas) {
  const QByteArray held = QByteArray::fromHex("f0010203f7");
  WriteFile("held.syx", held);
  WriteFile("gone.syx", QByteArray::fromHex("c005"));
  ASSERT_TRUE(MakePipe(Path("pipe.syx")));
  const QString device = FullDevice(filesDir.path());
  WriteFile("plain.txt", "not a folder");
  TTestExplorer& w = Open();
  Click("held.syx");
  ASSERT_EQ(w.MessageBuffer.Data(), held);
  const TBufferState before = Buffer();

  struct TRow {
    const char* name;
    // Picks the file: a click in the list, or a name handed over (a drop, the command line).
    std::function<void()> pick;
    QString file;
    QString reason = {};  // "" for the file system's own
  };
  const std::vector<TRow> rows = {
      {"vanished after it was listed",
       [&] {
         QFile::remove(Path("gone.syx"));
         Click("gone.syx");
       },
       Path("gone.syx")},
      // Opened, it would wait for a writer that never comes.
      {"a pipe", [&] { Click("pipe.syx"); }, Path("pipe.syx"), "Not a regular file"},
      {"a device", [&] { EXPECT_FALSE(w.LoadFileIntoBuffer(device)); }, device,
       "Not a regular file"},
      {"below a plain file",
       [&] { EXPECT_FALSE(w.LoadFileIntoBuffer(Path("plain.txt/child.syx"))); },
       Path("plain.txt/child.syx")},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    dialogs->PlanButton(QMessageBox::Ok);
    const std::size_t asked = dialogs->Asked().size();
    row.pick();
    ASSERT_EQ(dialogs->Asked().size(), asked + 1);
    EXPECT_EQ(S(dialogs->Last().caption), "Sorry...");
    EXPECT_TRUE(dialogs->Last().text.startsWith("Could not read " + row.file + ": "))
        << S(dialogs->Last().text);
    if (!row.reason.isEmpty()) {
      EXPECT_EQ(S(dialogs->Last().text), S("Could not read " + row.file + ": " + row.reason));
    }
    EXPECT_TRUE(Buffer() == before);
    // What the buffer holds no longer stands for a file the program could name.
    EXPECT_TRUE(w.BufferSourceFile.isEmpty());
  }
  // Sending still sends what the buffer held.
  PressOnEditor(Qt::Key_F9);
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(Sent()[0].data()),
                       static_cast<qsizetype>(Sent()[0].size())),
            held);
}

TEST_F(ExplorerFilesAbuse, AFailedBufferSaveLeavesTheOldFileWhole) {
  const QByteArray old = QByteArray::fromHex("f07e7f0601f7");
  TTestExplorer& w = Open();
  SetEditorText("F0 1A 00 15 45 02 F7 ");
  dialogs->PlanSaveFile(Path("good.syx"));
  w.Action("miSaveAs")->trigger();
  ASSERT_EQ(ReadBytes(Path("good.syx")), QByteArray::fromHex("f01a00154502f7"));
  const TBufferState before = Buffer();

  TrySaves(
      HostileSaveTargets(".syx", old, 3), filesDir.path(), *dialogs,
      [&] { w.Action("miSaveAs")->trigger(); },
      [&](const TSaveTarget&, const QString& file, const QString& text) {
        EXPECT_EQ(S(dialogs->Last().caption), "Sorry...");
        EXPECT_TRUE(text.startsWith("Could not write " + file + ": ")) << S(text);
        EXPECT_TRUE(Buffer() == before);
      });
  EXPECT_EQ(dialogs->PlansLeft(), 0);
  EXPECT_EQ(ReadBytes(Path("good.syx")), QByteArray::fromHex("f01a00154502f7"));
}

TEST_F(ExplorerFilesAbuse, NamesOfEveryCleanedCharacterAreListedLoadedSavedAndRenamed) {
  // On this system only the separator is refused in a name; the cleaner's other characters are
  // names like any other.
  QStringList names;
  for (const QChar c : CleanedCharacters()) {
    if (c == '/') continue;
    names << QStringLiteral("a%1b.syx").arg(c);
  }
  for (int i = 0; i < names.size(); ++i)
    ASSERT_TRUE(WriteBytes(Path(names[i]), QByteArray(1, char(0xC0)) + char(i))) << i;
  TTestExplorer& w = Open();
  for (int i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(i);
    Click(names[i]);
    EXPECT_EQ(w.MessageBuffer.Data(), QByteArray(1, char(0xC0)) + char(i));
    EXPECT_EQ(S(w.BufferSourceFile), S(Path(names[i])));
  }

  const QString saved = Path(CleanedCharacters().remove('/') + ".syx");
  dialogs->PlanSaveFile(saved);
  w.Action("miSaveAs")->trigger();
  EXPECT_EQ(ReadBytes(saved), w.MessageBuffer.Data());
  ASSERT_TRUE(Captions().contains(QFileInfo(saved).fileName()));

  // Renamed to such a name; a name with either separator would move the file and is refused.
  auto* model = qobject_cast<QStandardItemModel*>(List()->model());
  ASSERT_NE(model, nullptr);
  const QString renamed = QStringLiteral("b:*?\"<>|") + QChar(0x01) + QStringLiteral("c.syx");
  model->item(static_cast<int>(Captions().indexOf(names[0])), 0)->setText(renamed);
  EXPECT_TRUE(QFile::exists(Path(renamed)));
  EXPECT_FALSE(QFile::exists(Path(names[0])));
  for (const char* moving : {"sub/c.syx", "sub\\c.syx"}) {
    dialogs->PlanButton(QMessageBox::Ok);
    model->item(static_cast<int>(Captions().indexOf(renamed)), 0)->setText(moving);
    EXPECT_EQ(S(dialogs->Last().caption), "Error renaming file");
    EXPECT_TRUE(QFile::exists(Path(renamed)));
  }
  EXPECT_EQ(dialogs->PlansLeft(), 0);
}

TEST_F(ExplorerFilesAbuse, AFolderThatVanishedIsRefusedAndTheListEmptied) {
  const QString gone = filesDir.path() + "/gone";
  ASSERT_TRUE(QDir().mkdir(gone));
  WriteFile("inside.syx", "x", gone);
  TTestExplorer& w = Open();
  w.SetFolder(gone);
  ASSERT_EQ(Captions(), QStringList{"inside.syx"});
  ASSERT_TRUE(QDir(gone).removeRecursively());

  // F5 shows what is there: nothing.
  PressOnEditor(Qt::Key_F5);
  EXPECT_TRUE(Captions().isEmpty());
  EXPECT_EQ(S(w.FileInfoText(0)), "0 Object(s)");

  // Chosen again from the folder box, it is refused and the pane stays where it was.
  auto* box = w.Child<QComboBox>("cbxFolder");
  const int at = box->findText(gone + "/");
  ASSERT_GE(at, 0);
  w.SetFolder(filesDir.path());
  dialogs->PlanButton(QMessageBox::Ok);
  emit box->activated(box->findText(gone + "/"));
  EXPECT_EQ(S(dialogs->Last().text), S("Invalid folder: " + gone + "/"));
  EXPECT_EQ(S(w.CurrentFolder()), S(filesDir.path() + "/"));
  EXPECT_EQ(dialogs->PlansLeft(), 0);
}

TEST_F(ExplorerFilesAbuse, AnUnreadableFileLeavesTheBufferAsItWas) {
  if (RunningAsRoot()) GTEST_SKIP() << "running as root, which ignores read-only permissions";
  WriteFile("held.syx", QByteArray::fromHex("f0f7"));
  const QString locked = WriteFile("locked.syx", QByteArray::fromHex("c001"));
  ASSERT_TRUE(QFile::setPermissions(locked, {}));
  Open();
  Click("held.syx");
  const TBufferState before = Buffer();
  dialogs->PlanButton(QMessageBox::Ok);
  Click("locked.syx");
  EXPECT_TRUE(dialogs->Last().text.startsWith("Could not read " + locked + ": "));
  EXPECT_TRUE(Buffer() == before);
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace
