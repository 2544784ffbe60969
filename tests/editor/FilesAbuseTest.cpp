// The preset editor against files that are not what they should be: every wrong size, folders,
// pipes, vanished files and folders, a full disk and a full device. Each is refused with a clear
// message, and neither the preset in the editor nor an old file on disk changes.

#include "EditorTestUtil.h"
#include "FilesAbuseUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>

using namespace files_abuse;

namespace {

std::string S(const QString& s) {
  return s.toStdString();
}

// What a refused file must leave as it was.
struct TEditorState {
  explicit TEditorState(const EditorRig& rig)
      : image(ImageBytes(rig.editor->Preset())),
        fileName(rig.editor->FileName()),
        caption(rig.editor->windowTitle()),
        modified(rig.editor->Preset().IsModified()),
        snapshots(rig.editor->History().UndoList.Count()) {}
  bool operator==(const TEditorState&) const = default;
  QByteArray image;
  QString fileName;
  QString caption;
  bool modified;
  int snapshots;
};

class PresetEditorFilesAbuse : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }
  QString Path(const QString& name) const { return dir.filePath(name); }
  QString MakeFolder(const QString& name) const {
    EXPECT_TRUE(QDir(dir.path()).mkpath(name));
    return dir.filePath(name);
  }
  QString PlainFile() const {
    const QString path = dir.filePath(QStringLiteral("plain.txt"));
    EXPECT_TRUE(WriteBytes(path, "not a folder"));
    return path;
  }

  QTemporaryDir dir;
};

TEST_F(PresetEditorFilesAbuse, OpeningWhatIsNoPresetFileChangesNothing) {
  TPreset other = SamplePreset();
  other.Title = QStringLiteral("Other");
  const QByteArray good = ImageBytes(other);
  QByteArray wrongHead = good;
  wrongHead[4] = 0x06;  // another command than a preset dump
  const QString notValid = QStringLiteral("Not a valid preset file");

  struct TRow {
    const char* name;
    // Makes the file the open dialog answers with; returns its path.
    std::function<QString()> make;
    // The message, or its start when it ends with the file system's reason.
    QString message;
    bool messageIsPrefix = false;
  };
  const auto file = [&](const char* name, const QByteArray& bytes) {
    EXPECT_TRUE(WriteBytes(Path(name), bytes));
    return Path(name);
  };
  const std::vector<TRow> rows = {
      {"empty", [&] { return file("empty.zqn", {}); }, notValid},
      {"one byte", [&] { return file("one.zqn", "\xF0"); }, notValid},
      {"one byte short", [&] { return file("short.zqn", good.left(245)); }, notValid},
      {"a dump of another kind", [&] { return file("head.zqn", wrongHead); }, notValid},
      {"sixty-four megabytes starting with a whole dump",
       [&] {
         EXPECT_TRUE(MakeLargeFile(Path("huge.zqn"), 64 << 20, good));
         return Path("huge.zqn");
       },
       notValid},
      {"a folder", [&] { return MakeFolder("folder.zqn"); }, notValid},
      // Opened, it would wait for a writer that never comes.
      {"a pipe",
       [&] {
         EXPECT_TRUE(MakePipe(Path("pipe.zqn")));
         return Path("pipe.zqn");
       },
       notValid},
      {"vanished after it was chosen",
       [&] {
         const QString gone = file("gone.zqn", good);
         QFile::remove(gone);
         return gone;
       },
       "Cannot open " + Path("gone.zqn") + ": ", true},
      {"below a plain file", [&] { return PlainFile() + "/child.zqn"; },
       "Cannot open " + Path("plain.txt/child.zqn") + ": ", true},
  };

  EditorRig rig;
  rig.ShowSettled(SamplePreset(), Path("current.zqn"));
  const TEditorState before(rig);
  ASSERT_FALSE(before.modified);
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    const QString file = row.make();
    rig.dialogs->PlanOpenFiles({file});
    rig.dialogs->PlanButton(QMessageBox::Ok);
    rig.editor->btnOpen->click();
    EXPECT_EQ(rig.dialogs->Last().kind, TDialogKind::Message);
    if (row.messageIsPrefix) {
      EXPECT_TRUE(rig.dialogs->Last().text.startsWith(row.message)) << S(rig.dialogs->Last().text);
    } else {
      EXPECT_EQ(S(rig.dialogs->Last().text), S(row.message));
    }
    EXPECT_TRUE(TEditorState(rig) == before);
  }
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty()) << S(rig.dialogs->Problems().join("; "));
  EXPECT_EQ(rig.dialogs->PlansLeft(), 0);
  EXPECT_TRUE(rig.sent.empty());

  // And the editor still opens a good file.
  ASSERT_TRUE(WriteBytes(Path("good.zqn"), good));
  rig.dialogs->PlanOpenFiles({Path("good.zqn")});
  rig.editor->btnOpen->click();
  EXPECT_EQ(S(rig.editor->Preset().Title), "Other");
  EXPECT_EQ(S(rig.editor->FileName()), S(Path("good.zqn")));
}

TEST_F(PresetEditorFilesAbuse, AFailedSaveKeepsThePresetAndTheOldFileWhole) {
  TPreset old = SamplePreset();
  old.Title = QStringLiteral("Old");
  const QByteArray oldBytes = ImageBytes(old);

  std::vector<TSaveTarget> targets = HostileSaveTargets(".zqn", oldBytes, 100);
  // The written copy gets no name of its own beside a name this long, so it cannot be renamed
  // over the old file.
  targets.push_back({"an old file with the longest name",
                     [&](const QString& folder) {
                       const QString file = folder + "/" + QString(250, 'p');
                       WriteBytes(file, oldBytes);
                       return file;
                     },
                     {},
                     true,
                     0,
                     OldFileWhole(oldBytes)});

  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->edtTitle->setText(QStringLiteral("Edited"));
  const TEditorState before(rig);
  ASSERT_TRUE(before.modified);
  TrySaves(
      targets, dir.path(), *rig.dialogs, [&] { rig.editor->SaveAs(); },
      [&](const TSaveTarget& target, const QString& file, const QString& text) {
        const QString failed = target.failsOnWrite ? "Cannot write " : "Cannot create ";
        EXPECT_TRUE(text.startsWith(failed + file + ": ")) << S(text);
        EXPECT_TRUE(TEditorState(rig) == before);
      });
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty()) << S(rig.dialogs->Problems().join("; "));
  EXPECT_EQ(rig.dialogs->PlansLeft(), 0);

  // And the next save to a good place works.
  rig.dialogs->PlanSaveFile(Path("good.zqn"));
  ASSERT_TRUE(rig.editor->SaveAs());
  EXPECT_EQ(ReadBytes(Path("good.zqn")), ImageBytes(rig.editor->Preset()));
  EXPECT_FALSE(rig.editor->Preset().IsModified());
}

TEST_F(PresetEditorFilesAbuse, ATitleOfEveryCleanedCharacterSavesUnderTheProposedName) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.Title = CleanedCharacters();
  ASSERT_LE(p.Title.size(), TitleLength);
  rig.Show(p);
  TfrmPresetEditor::LastSaveFolder = QDir::toNativeSeparators(dir.path() + "/");
  rig.dialogs->PlanCancel();
  ASSERT_FALSE(rig.editor->SaveAs());
  const QString proposed = rig.dialogs->Last().fileName;
  // Separators become hyphens, the double quote a single one, the rest blanks.
  EXPECT_EQ(S(QFileInfo(proposed).fileName()), "--  '       .zqn");
  EXPECT_EQ(S(QFileInfo(proposed).absolutePath()), S(QFileInfo(dir.path()).absoluteFilePath()));

  rig.dialogs->PlanSaveFile(proposed);
  ASSERT_TRUE(rig.editor->SaveAs());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"--  '       .zqn"});
  EXPECT_EQ(ReadBytes(proposed), ImageBytes(rig.editor->Preset()));
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty()) << S(rig.dialogs->Problems().join("; "));
  TfrmPresetEditor::LastSaveFolder.clear();
}

TEST_F(PresetEditorFilesAbuse, UnreadableFilesAndReadOnlyPlacesAreRefused) {
  if (RunningAsRoot()) GTEST_SKIP() << "running as root, which ignores read-only permissions";
  EditorRig rig;
  rig.ShowSettled(SamplePreset(), Path("current.zqn"));
  const TEditorState shown(rig);
  const QString unreadable = Path("locked.zqn");
  ASSERT_TRUE(WriteBytes(unreadable, ImageBytes(SamplePreset())));
  ASSERT_TRUE(QFile::setPermissions(unreadable, {}));
  rig.dialogs->PlanOpenFiles({unreadable});
  rig.dialogs->PlanButton(QMessageBox::Ok);
  rig.editor->Open();
  EXPECT_TRUE(rig.dialogs->Last().text.startsWith("Cannot open " + unreadable + ": "));
  EXPECT_TRUE(TEditorState(rig) == shown);

  rig.editor->edtTitle->setText(QStringLiteral("Edited"));
  const TEditorState edited(rig);
  const QString readOnly = Path("readonly.zqn");
  ASSERT_TRUE(WriteBytes(readOnly, "old"));
  ASSERT_TRUE(QFile::setPermissions(readOnly, QFile::ReadOwner));
  const QString lockedFolder = MakeFolder("locked");
  ASSERT_TRUE(QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::ExeOwner));
  for (const QString& file : {readOnly, lockedFolder + "/new.zqn"}) {
    rig.dialogs->PlanSaveFile(file);
    rig.dialogs->PlanButton(QMessageBox::Ok);
    EXPECT_FALSE(rig.editor->SaveAs());
    EXPECT_TRUE(rig.dialogs->Last().text.startsWith("Cannot create " + file + ": "))
        << S(rig.dialogs->Last().text);
    EXPECT_TRUE(TEditorState(rig) == edited);
  }
  EXPECT_EQ(ReadBytes(readOnly), "old");
  EXPECT_TRUE(QDir(lockedFolder).isEmpty());
  QFile::setPermissions(lockedFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QFile::setPermissions(unreadable, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace
