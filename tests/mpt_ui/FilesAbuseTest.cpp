// The program table editor against files and streams that are not what they should be: saves to a
// full device, a full disk, a folder, below a plain file or into a folder that vanished, and table
// images of the wrong size. Each is refused with a clear message; the grid, its file name and any
// old file stay as they were.

#include "FilesAbuseUtil.h"
#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/DeviceMessages.h"
#include "mpt/MPTEdit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>

using namespace files_abuse;

namespace {

std::string S(const QString& s) {
  return s.toStdString();
}

class MptEditorFilesAbuse : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    settings.SetStorageFolder(dir.filePath("settings"));
    settings.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo-Tests"));
    window = new TfrmMPTEdit(nullptr, &settings);
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    delete window.data();
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << S(dialogs->Problems().join("; "));
    EXPECT_EQ(dialogs->PlansLeft(), 0);
  }

  QStringList Cells() const {
    QStringList cells;
    for (int r = 1; r <= window->DataRows(); ++r)
      for (int c = 1; c <= 10; ++c) cells << window->Cell(r, c);
    return cells;
  }
  QString MakeFolder(const QString& name) const {
    EXPECT_TRUE(QDir(dir.path()).mkpath(name));
    return dir.filePath(name);
  }
  // Saves with the dialog answering `file`, and OK for the message a failure shows; true when
  // the window says it saved.
  bool SaveTo(const QString& file, bool fails = false) {
    dialogs->PlanSaveFile(file);
    if (fails) dialogs->PlanButton(QMessageBox::Ok);
    return window->btnSaveAsClick();
  }

  QTemporaryDir dir;
  TkxRegUtil settings;
  TScriptedDialogs dialogs;
  QPointer<TfrmMPTEdit> window;
};

TEST_F(MptEditorFilesAbuse, AFailedSaveKeepsTheGridAndTheOldFileWhole) {
  // A table saved once, then changed: a failed save must keep both the change and the name.
  const QString first = dir.filePath("first.mpt");
  ASSERT_TRUE(SaveTo(first));
  const QByteArray saved = ReadBytes(first);
  ASSERT_EQ(saved.size(), MptDumpLength);
  window->pmiSetToDefault->trigger();
  window->SetCell(1, 1, "042");
  ASSERT_TRUE(window->Modified());
  const QStringList cells = Cells();
  const QString caption = window->windowTitle();

  bool written = true;
  TrySaves(
      HostileSaveTargets(".mpt", saved, MptDumpLength / 2), dir.path(), *dialogs,
      [&] { written = window->btnSaveAsClick(); },
      [&](const TSaveTarget&, const QString& file, const QString& text) {
        EXPECT_FALSE(written);
        EXPECT_TRUE(text.startsWith("Cannot save " + QDir::toNativeSeparators(file) + ": "))
            << S(text);
        EXPECT_TRUE(window->Modified());
        EXPECT_EQ(S(window->FileName()), S(first));
        EXPECT_EQ(S(window->windowTitle()), S(caption));
        EXPECT_EQ(Cells(), cells);
      });
  EXPECT_EQ(ReadBytes(first), saved);

  // Every character the file-name cleaner knows is a valid name here but the separators.
  QString name = CleanedCharacters();
  name.remove('/').append(".mpt");
  const QString odd = dir.filePath(name);
  ASSERT_TRUE(SaveTo(odd));
  EXPECT_EQ(ReadBytes(odd), window->Table().Image());
  EXPECT_FALSE(window->Modified());
}

TEST_F(MptEditorFilesAbuse, TableImagesOfTheWrongSizeChangeNothing) {
  Tmpt source;
  for (int i = 0; i < Tmpt::EntryCount; ++i) source.SetEntry(i, (i + 7) % 200);
  const QByteArray image = source.Image();
  ASSERT_EQ(image.size(), MptDumpLength);
  window->SetCell(2, 3, "150");
  ASSERT_TRUE(window->Modified());  // a new table
  const QStringList cells = Cells();
  const QByteArray table = window->Table().Image();
  for (const int size : {0, 1, MptDumpLength - 1}) {
    SCOPED_TRACE(size);
    QByteArray bytes = image.left(size);
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    try {
      window->LoadTable(stream);
      ADD_FAILURE() << "a short image was taken";
    } catch (const EMptError& e) {
      EXPECT_EQ(S(e.Message()), "Stream read error");
    }
    EXPECT_EQ(Cells(), cells);
    EXPECT_EQ(window->Table().Image(), table);
    EXPECT_TRUE(window->Modified());
  }
  // A longer image is read to the table's length and no further.
  QByteArray longer = image + QByteArray(100, char(0x7F));
  QBuffer stream(&longer);
  stream.open(QIODevice::ReadOnly);
  window->LoadTable(stream);
  EXPECT_EQ(window->Table().Image(), image);
  EXPECT_EQ(S(window->Cell(1, 1)), "008");
  EXPECT_FALSE(window->Modified());
}

TEST_F(MptEditorFilesAbuse, ReadOnlyFilesAndFoldersAreRefused) {
  if (RunningAsRoot()) GTEST_SKIP() << "running as root, which ignores read-only permissions";
  const QString readOnly = dir.filePath("readonly.mpt");
  ASSERT_TRUE(WriteBytes(readOnly, "old"));
  ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner));
  const QString locked = MakeFolder("locked");
  ASSERT_TRUE(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
  for (const QString& file : {readOnly, locked + "/new.mpt"}) {
    EXPECT_FALSE(SaveTo(file, true));
    EXPECT_TRUE(dialogs->Last().text.startsWith("Cannot save ")) << S(dialogs->Last().text);
    EXPECT_TRUE(window->Modified());
  }
  EXPECT_EQ(ReadBytes(readOnly), "old");
  EXPECT_TRUE(QDir(locked).isEmpty());
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace
