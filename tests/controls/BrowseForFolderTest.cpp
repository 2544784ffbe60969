#include "app/ScriptedDialogService.h"
#include "controls/BrowseForFolder.h"

#include <gtest/gtest.h>
#include <QWidget>

namespace {

TEST(BrowseForFolder, StartsWithItsDefaults) {
  TBrowseForFolder browse;
  EXPECT_EQ(browse.Caption().toStdString(), "Select Folder");
  EXPECT_EQ(browse.StatusText().toStdString(), "Plase select folder");
  EXPECT_EQ(browse.FolderName().toStdString(), "C:\\");
  EXPECT_TRUE(browse.DisplayName().isEmpty());
  EXPECT_EQ(browse.Flags(), TBrowseFlags());
  EXPECT_EQ(browse.Root(), TBrowseLocation::bl_STANDART);
}

TEST(BrowseForFolder, FolderNameIsNormalisedWhenSet) {
  struct Row {
    const char *set, *stored;
  };
  const Row rows[] = {
      {"D:", "D:\\"},
      {"D:\\", "D:\\"},
      {"C:\\Presets\\", "C:\\Presets"},
      {"C:\\Presets", "C:\\Presets"},
      {"/home/me/zqn/", "/home/me/zqn"},
      {"/", "/"},
  };
  TBrowseForFolder browse;
  for (const Row& row : rows) {
    browse.SetFolderName(row.set);
    EXPECT_EQ(browse.FolderName().toStdString(), row.stored) << row.set;
  }
}

TEST(BrowseForFolder, FlagsKeepTheShellOptionBits) {
  struct Row {
    TBrowseFlag flag;
    std::uint32_t bit;
  };
  const Row rows[] = {
      {TBrowseFlag::bf_BrowseForComputer, 0x1000}, {TBrowseFlag::bf_BrowseForPrinter, 0x2000},
      {TBrowseFlag::bf_DontGoBelowDomain, 0x0002}, {TBrowseFlag::bf_statustext, 0x0004},
      {TBrowseFlag::bf_ReturnFSanceStors, 0x0008}, {TBrowseFlag::bf_ReturnOnlyFSDIRS, 0x0001},
      {TBrowseFlag::bf_EditBox, 0x0010},
  };
  TBrowseForFolder browse;
  TBrowseFlags all;
  std::uint32_t word = 0;
  for (const Row& row : rows) {
    browse.SetFlags(row.flag);
    EXPECT_EQ(browse.DialogOptions(), row.bit | 0x0020u);
    EXPECT_EQ(browse.Flags(), TBrowseFlags(row.flag));
    all |= row.flag;
    word |= row.bit;
  }
  browse.SetFlags(all);
  EXPECT_EQ(browse.DialogOptions(), word | 0x0020u);
  EXPECT_EQ(browse.Flags(), all);
  EXPECT_FALSE(browse.Flags().testFlag(static_cast<TBrowseFlag>(0x0020)))
      << "the validation bit is the dialog's, not a flag";
}

TEST(BrowseForFolder, ExecuteAsksWithItsPropertiesAndTakesTheChoice) {
  TScriptedDialogs dialogs;
  dialogs->PlanFolder("/media/zqn/backups/", "backups");
  QWidget window;
  QWidget panel(&window);
  TBrowseForFolder browse(&panel);
  browse.SetCaption("Backup folder");
  browse.SetStatusText("Where the banks go");
  browse.SetFolderName("/media/zqn");
  browse.SetRoot(TBrowseLocation::bl_DRIVES);
  browse.SetFlags(TBrowseFlag::bf_statustext | TBrowseFlag::bf_ReturnOnlyFSDIRS);

  ASSERT_TRUE(browse.Execute());
  EXPECT_EQ(browse.FolderName().toStdString(), "/media/zqn/backups");
  EXPECT_EQ(browse.DisplayName().toStdString(), "backups");

  ASSERT_EQ(dialogs->Asked().size(), 1u);
  const TDialogRecord& asked = dialogs->Last();
  EXPECT_EQ(asked.kind, TDialogKind::Folder);
  EXPECT_EQ(asked.parent, &window) << "the dialog belongs to the owner's window";
  EXPECT_EQ(asked.caption.toStdString(), "Backup folder");
  EXPECT_EQ(asked.statusText.toStdString(), "Where the banks go");
  EXPECT_EQ(asked.directory.toStdString(), "/media/zqn");
  EXPECT_EQ(asked.root, TBrowseLocation::bl_DRIVES);
  EXPECT_EQ(asked.flags, TBrowseFlag::bf_statustext | TBrowseFlag::bf_ReturnOnlyFSDIRS);
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

TEST(BrowseForFolder, ADriveChosenIsStoredWithItsSeparator) {
  TScriptedDialogs dialogs;
  dialogs->PlanFolder("E:", "Removable (E:)");
  TBrowseForFolder browse;
  ASSERT_TRUE(browse.Execute());
  EXPECT_EQ(browse.FolderName().toStdString(), "E:\\");
  EXPECT_EQ(dialogs->Last().parent, nullptr) << "no owner, no dialog owner";
}

TEST(BrowseForFolder, CancelledExecuteChangesNothing) {
  TScriptedDialogs dialogs;
  dialogs->PlanFolder("/first", "first");
  dialogs->PlanCancel();
  TBrowseForFolder browse;
  ASSERT_TRUE(browse.Execute());
  EXPECT_FALSE(browse.Execute());
  EXPECT_EQ(browse.FolderName().toStdString(), "/first");
  EXPECT_EQ(browse.DisplayName().toStdString(), "first");
  EXPECT_EQ(dialogs->Asked().size(), 2u);
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

}  // namespace
