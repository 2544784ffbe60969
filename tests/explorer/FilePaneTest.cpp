// The file pane: listing, sizes and totals, sort keys, clicks, rename, delete, folder moves.

#include "ExplorerTestUtil.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeDatabase>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>

using namespace explorer_test;

namespace {

TEST(FileListingRules, SizeTextsAndTotals) {
  const std::pair<qint64, const char*> sizes[] = {
      {0, "0 KB"},    {1, "1 KB"},    {1023, "1 KB"}, {1024, "1 KB"},
      {1025, "1 KB"}, {2047, "1 KB"}, {2048, "2 KB"}, {10 * 1048576, "10240 KB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(S(FileSizeText(bytes)), text) << bytes;
  const std::pair<qint64, const char*> totals[] = {
      {0, "0 Byte(s)"},
      {500, "500 Byte(s)"},
      {1023, "1023 Byte(s)"},
      {1024, "1 KByte"},
      {1536, "1.5 KByte"},
      {1048575, "1.02e+03 KByte"},
      {1048576, "1 MByte"},
      {5 * 1048576 + 524288, "5.5 MByte"},
      {-1, ""},
  };
  for (const auto& [bytes, text] : totals) EXPECT_EQ(S(TotalSizeText(bytes)), text) << bytes;
}

TEST(FileListingRules, EqualSizesAndTimesCompareEqualEitherWay) {
  auto file = [](const char* name, const char* sizeText, int minute) {
    TFileEntry e;
    e.Caption = QString::fromLatin1(name);
    e.SizeText = QString::fromLatin1(sizeText);
    e.Modified = QDateTime(QDate(2026, 5, 1), QTime(10, minute));
    return e;
  };
  const TFileEntry a = file("a.zqn", "1 KB", 5), b = file("B.zqn", "1 KB", 5);
  const TFileEntry big = file("c.zqn", "2 KB", 6);
  for (const bool ascending : {true, false}) {
    for (const TFileSortKey key : {fsSize, fsModified}) {
      EXPECT_EQ(CompareFileEntries(a, b, key, ascending), 0) << key << ascending;
      EXPECT_EQ(CompareFileEntries(b, a, key, ascending), 0) << key << ascending;
      EXPECT_EQ(CompareFileEntries(a, big, key, ascending), ascending ? -1 : 1) << key;
      EXPECT_EQ(CompareFileEntries(big, a, key, ascending), ascending ? 1 : -1) << key;
    }
    // Names: by character code of the kind, then the captions without regard to case.
    EXPECT_EQ(CompareFileEntries(a, b, fsName, ascending), ascending ? -1 : 1);
    EXPECT_EQ(CompareFileEntries(a, a, fsName, ascending), 0);
  }
}

TEST(FileListingRules, FolderSteps) {
  EXPECT_TRUE(IsRootFolder("/"));
  EXPECT_TRUE(IsRootFolder("C:\\"));
  EXPECT_FALSE(IsRootFolder("/home/"));
  EXPECT_EQ(S(ParentFolder("/home/me/zqn/")), "/home/me/");
  EXPECT_EQ(S(ParentFolder("/home/")), "/");
  EXPECT_EQ(S(ParentFolder("C:\\Presets\\")), "C:/");
  EXPECT_EQ(S(ParentFolder("/")), "");
  EXPECT_EQ(S(WithTrailingSeparator("/tmp//")), "/tmp/");
}

class FilePane : public ExplorerFixture {
 protected:
  QTreeView* List() { return window->Child<QTreeView>("lvwFileList"); }
  QStringList Captions() {
    QStringList names;
    for (int r = 0; r < List()->model()->rowCount(); ++r) {
      names << List()->model()->index(r, 0).data().toString();
    }
    return names;
  }
  int Row(const QString& caption) { return static_cast<int>(Captions().indexOf(caption)); }
  QRect RowRect(int row) { return List()->visualRect(List()->model()->index(row, 0)); }
  void Click(int row) {
    QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, RowRect(row).center());
  }
  void DoubleClick(int row) {
    Click(row);
    QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, RowRect(row).center());
  }
  void ClickHeader(int column) {
    QHeaderView* header = List()->header();
    const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
  }
  void SelectRows(std::initializer_list<int> rows) {
    List()->clearSelection();
    for (int r : rows) {
      List()->selectionModel()->select(List()->model()->index(r, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  void MakeFolders(std::initializer_list<const char*> names) {
    for (const char* n : names) ASSERT_TRUE(QDir(filesDir.path()).mkdir(n));
  }
};

TEST_F(FilePane, FoldersComeFirstAndEachKeySorts) {
  MakeFolders({"b-dir", "A-dir", "c-dir"});
  WriteFile("b.zqn", QByteArray(3000, 1));
  WriteFile("a.mpt", QByteArray(10, 1));
  TTestExplorer& w = Open();
  EXPECT_EQ(Captions(), QStringList({"A-dir", "b-dir", "c-dir", "a.mpt", "b.zqn"}));
  EXPECT_EQ(S(w.FileInfoText(0)), "5 Object(s)");

  ClickHeader(0);  // the current key: direction toggles
  EXPECT_FALSE(w.SortAscending());
  EXPECT_EQ(Captions(), QStringList({"b.zqn", "a.mpt", "c-dir", "b-dir", "A-dir"}));

  ClickHeader(1);  // size, still descending; folders count as smaller than any file
  EXPECT_EQ(w.SortKey(), fsSize);
  EXPECT_EQ(Captions().mid(0, 2), QStringList({"b.zqn", "a.mpt"}));
  ClickHeader(1);
  EXPECT_TRUE(w.SortAscending());
  EXPECT_EQ(Captions().mid(3), QStringList({"a.mpt", "b.zqn"}));

  ClickHeader(0);
  EXPECT_EQ(w.SortKey(), fsName);
  EXPECT_EQ(Captions(), QStringList({"A-dir", "b-dir", "c-dir", "a.mpt", "b.zqn"}));
  // Columns: name, size right-aligned, type, modified.
  EXPECT_EQ(S(List()->model()->headerData(1, Qt::Horizontal).toString()), "Size");
  EXPECT_EQ(S(List()->model()->index(4, 1).data().toString()), "2 KB");
  EXPECT_TRUE(List()->model()->index(0, 1).data().toString().isEmpty());
  EXPECT_FALSE(List()->model()->index(4, 2).data().toString().isEmpty());
  EXPECT_FALSE(List()->model()->index(4, 3).data().toString().isEmpty());
}

TEST_F(FilePane, SizesAndTotals) {
  const std::pair<const char*, int> files[] = {
      {"s0", 0}, {"s1", 1}, {"s1023", 1023}, {"s1024", 1024}, {"s1025", 1025}};
  for (const auto& [name, size] : files) WriteFile(name, QByteArray(size, 'x'));
  TTestExplorer& w = Open();
  for (const auto& [name, size] : files) {
    const int row = Row(name);
    ASSERT_GE(row, 0) << name;
    EXPECT_EQ(S(List()->model()->index(row, 1).data().toString()), size == 0 ? "0 KB" : "1 KB")
        << name;
  }
  EXPECT_EQ(S(w.FileInfoText(1)), "3 KByte");  // 3073 bytes

  struct Row {
    std::vector<int> sizes;
    const char* total;
  };
  const Row totals[] = {{{500}, "500 Byte(s)"}, {{1000, 536}, "1.5 KByte"}};
  for (const Row& t : totals) {
    QTemporaryDir dir;
    for (std::size_t i = 0; i < t.sizes.size(); ++i) {
      WriteFile(QString("f%1").arg(i), QByteArray(t.sizes[i], 'x'), dir.path());
    }
    w.SetFolder(dir.path());
    EXPECT_EQ(S(w.FileInfoText(1)), t.total);
  }
}

TEST_F(FilePane, ClickLoadsAFileAndDoubleClickEntersAFolder) {
  MakeFolders({"sub"});
  WriteFile("sub/inner.zqn", QByteArray(246, 2));
  const QString file = WriteFile("p.zqn", QByteArray::fromHex("f0010203f7"));
  TTestExplorer& w = Open();
  Click(Row("p.zqn"));
  EXPECT_EQ(S(w.Editor()->toPlainText()), "F0 01 02 03 F7 ");
  EXPECT_EQ(S(w.BufferSourceFile), S(file));
  EXPECT_EQ(w.editCalls, 0);
  DoubleClick(Row("p.zqn"));
  EXPECT_EQ(w.editCalls, 1);  // "Open in Editor" by default

  DoubleClick(Row("sub"));
  EXPECT_EQ(S(w.CurrentFolder()), S(filesDir.path() + "/sub/"));
  EXPECT_EQ(Captions(), QStringList({"inner.zqn"}));
  EXPECT_EQ(S(w.Child<QComboBox>("cbxFolder")->itemText(0)), S(w.CurrentFolder()));

  // Up one level comes back and selects the first entry.
  w.Child<QToolButton>("btnPrevFolder")->click();
  EXPECT_EQ(S(w.CurrentFolder()), S(filesDir.path() + "/"));
  EXPECT_EQ(List()->currentIndex().row(), 0);
}

TEST_F(FilePane, DoubleClickWithSendActionSendsTheFile) {
  const QByteArray bytes = QByteArray::fromHex("f01a00154502f7");
  WriteFile("req.syx", bytes);
  WriteFile("other.syx", QByteArray::fromHex("c005"));
  TTestExplorer& w = Open();
  w.Action("pmiSetFileSend")->trigger();
  DoubleClick(Row("req.syx"));
  const auto sent = Sent();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sent[0].data()),
                       static_cast<qsizetype>(sent[0].size())),
            bytes);
  EXPECT_EQ(w.editCalls, 0);

  // Enter in the list does the same, for every selected file in list order.
  SelectRows({Row("other.syx"), Row("req.syx")});
  List()->setFocus();
  QTest::keyClick(List(), Qt::Key_Return);
  const auto both = Sent();
  ASSERT_EQ(both.size(), 3u);
  EXPECT_EQ(both[1], (std::vector<std::uint8_t>{0xC0, 0x05}));
  EXPECT_EQ(both[2], sent[0]);
}

TEST_F(FilePane, AVanishedFileIsReported) {
  const QString path = WriteFile("gone.zqn", QByteArray(4, 0));
  Open();
  const int row = Row("gone.zqn");
  Click(row);
  QFile::remove(path);
  dialogs->PlanButton(QMessageBox::Ok);
  QTest::mouseDClick(List()->viewport(), Qt::LeftButton, {}, RowRect(row).center());
  EXPECT_EQ(S(dialogs->Last().text), "Sorry, but the file doesn't exist ?!");
}

TEST_F(FilePane, DeleteAsksPerFileUntilYesToAll) {
  struct Case {
    QMessageBox::StandardButton first;
    bool firstDeleted;
  };
  for (const Case c : {Case{QMessageBox::No, false}, Case{QMessageBox::Yes, true}}) {
    QTemporaryDir dir;
    for (const char* n : {"1.zqn", "2.zqn", "3.zqn", "4.zqn"}) WriteFile(n, "x", dir.path());
    if (!window) Open();
    window->SetFolder(dir.path());
    SelectRows({0, 1, 2, 3});
    dialogs->PlanButton(c.first);
    dialogs->PlanButton(QMessageBox::YesToAll);
    const std::size_t asked = dialogs->Asked().size();
    window->Action("pmiDeleteFile")->trigger();
    ASSERT_EQ(dialogs->Asked().size(), asked + 2) << "questions after Yes to all";
    EXPECT_EQ(S(dialogs->Asked()[asked].text), S("Delete " + dir.path() + "/1.zqn?"));
    EXPECT_TRUE(dialogs->Asked()[asked].buttons.testFlag(QMessageBox::YesToAll));
    EXPECT_EQ(QFile::exists(dir.path() + "/1.zqn"), !c.firstDeleted);
    for (const char* n : {"2.zqn", "3.zqn", "4.zqn"})
      EXPECT_FALSE(QFile::exists(dir.path() + "/" + n));
    EXPECT_EQ(Captions(), c.firstDeleted ? QStringList() : QStringList({"1.zqn"}));
  }
}

TEST_F(FilePane, DeleteStopsAtCancelNeverTakesFoldersAndReportsFailures) {
  MakeFolders({"keep"});
  for (const char* n : {"a", "b", "c"}) WriteFile(n, "x");
  TTestExplorer& w = Open();
  SelectRows({Row("keep"), Row("a"), Row("b"), Row("c")});
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanButton(QMessageBox::Cancel);
  w.Action("pmiDeleteFile")->trigger();
  EXPECT_EQ(Captions(), QStringList({"keep", "b", "c"}));

  // A file that cannot be deleted (gone behind the list's back) is named in a box.
  SelectRows({Row("b")});
  QFile::remove(filesDir.path() + "/b");
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanButton(QMessageBox::Ok);
  w.Action("pmiDeleteFile")->trigger();
  EXPECT_EQ(S(dialogs->Last().caption), "Error deleting file");
  EXPECT_TRUE(dialogs->Last().text.contains(filesDir.path() + "/b")) << S(dialogs->Last().text);
  EXPECT_EQ(Captions(), QStringList({"keep", "c"}));
}

TEST_F(FilePane, RenameKeepsTheNewNameOrReverts) {
  WriteFile("old.zqn", "x");
  WriteFile("taken.zqn", "y");
  TTestExplorer& w = Open();
  auto* model = qobject_cast<QStandardItemModel*>(List()->model());
  ASSERT_NE(model, nullptr);
  // Edit the caption as the user does: F2, type, Enter.
  List()->setFocus();
  List()->setCurrentIndex(model->index(Row("old.zqn"), 0));
  QTest::keyClick(List(), Qt::Key_F2);
  auto* editor = List()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->selectAll();
  QTest::keyClicks(editor, "new.zqn");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(QFile::exists(filesDir.path() + "/new.zqn"));
  EXPECT_FALSE(QFile::exists(filesDir.path() + "/old.zqn"));
  Click(Row("new.zqn"));
  EXPECT_EQ(S(w.BufferSourceFile), S(filesDir.path() + "/new.zqn"));

  dialogs->PlanButton(QMessageBox::Ok);
  model->item(Row("new.zqn"), 0)->setText("taken.zqn");
  EXPECT_EQ(S(dialogs->Last().caption), "Error renaming file");
  EXPECT_EQ(S(dialogs->Last().text),
            "Filename could not be changed to taken.zqn; (reverted to new.zqn)");
  EXPECT_EQ(Captions().count("new.zqn"), 1);
  EXPECT_EQ(Captions().count("taken.zqn"), 1);
  EXPECT_TRUE(QFile::exists(filesDir.path() + "/new.zqn"));
}

TEST_F(FilePane, UpFromARootBrowsesAndBrowsingSetsTheFolder) {
  TTestExplorer& w = Open();
  w.SetFolder("/");
  QTemporaryDir chosen;
  dialogs->PlanFolder(chosen.path());
  w.Child<QToolButton>("btnPrevFolder")->click();
  ASSERT_FALSE(dialogs->Asked().empty());
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::Folder);
  EXPECT_EQ(S(dialogs->Last().caption), "Choose a folder below:");
  EXPECT_EQ(S(w.CurrentFolder()), S(chosen.path() + "/"));
  EXPECT_EQ(S(w.Child<QComboBox>("cbxFolder")->itemText(0)), S(chosen.path() + "/"));

  // A folder typed into the history box.
  auto* box = w.Child<QComboBox>("cbxFolder");
  box->lineEdit()->setText(filesDir.path());
  box->lineEdit()->setFocus();
  QTest::keyClick(box->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(S(w.CurrentFolder()), S(filesDir.path() + "/"));
  EXPECT_EQ(S(box->itemText(0)), S(filesDir.path() + "/"));

  dialogs->PlanButton(QMessageBox::Ok);
  w.SetFolder(filesDir.path() + "/missing");
  EXPECT_EQ(S(dialogs->Last().text), S("Invalid folder: " + filesDir.path() + "/missing"));
  EXPECT_EQ(S(w.CurrentFolder()), S(filesDir.path() + "/"));
}

// A folder typed key by key into the history box, Enter: that folder, even where its name begins
// like one visited before.
TEST_F(FilePane, AFolderTypedIntoTheBoxIsTheOneOpenedOnEnter) {
  ASSERT_TRUE(QDir(filesDir.path()).mkpath("Presets/old"));
  ASSERT_TRUE(QDir(filesDir.path()).mkpath("Pre"));
  WriteFile("typed.zqn", QByteArray(246, 1), filesDir.path() + "/Pre");
  reg.WriteStringAt(reg.Path() + "\\Folders", "2", filesDir.path() + "/Presets/old");
  TTestExplorer& w = Open();
  auto* box = w.Child<QComboBox>("cbxFolder");
  for (const QString& typed : {filesDir.path() + "/Pre", filesDir.path() + "/Presets"}) {
    box->lineEdit()->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_Delete);
    QTest::keyClicks(box->lineEdit(), typed);
    EXPECT_EQ(S(box->lineEdit()->text()), S(typed)) << "completed without a word";
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(S(w.CurrentFolder()), S(typed + "/"));
    EXPECT_EQ(S(box->itemText(0)), S(typed + "/"));
  }
  EXPECT_EQ(Row("typed.zqn"), -1);  // the list shows the folder opened last
}

TEST_F(FilePane, HistoryIsReadFromNineValuesAndWrittenAsSeven) {
  const QString key = reg.Path() + "\\Folders";
  std::vector<std::unique_ptr<QTemporaryDir>> dirs;
  for (int i = 2; i <= 9; ++i) {
    dirs.push_back(std::make_unique<QTemporaryDir>());
    reg.WriteStringAt(key, QString::number(i), dirs.back()->path());
  }
  reg.WriteStringAt(key, "1", filesDir.path() + "/nowhere");  // gone: skipped
  reg.WriteStringAt(key, "3", dirs[0]->path());               // a repeat: skipped
  TTestExplorer& w = Open();
  auto* box = w.Child<QComboBox>("cbxFolder");
  EXPECT_EQ(box->count(), 7);  // values 2, 4..9
  EXPECT_EQ(S(w.CurrentFolder()), S(dirs[0]->path() + "/"));
  w.close();
  for (int i = 1; i <= 7; ++i) {
    EXPECT_EQ(S(reg.ReadStringAt(key, QString::number(i))), S(box->itemText(i - 1))) << i;
  }
}

TEST_F(FilePane, TheViewButtonsSwitchBetweenDetailsListAndIcons) {
  WriteFile("a.zqn", QByteArray(246, 1));
  TTestExplorer& w = Open();
  auto* stack = w.Child<QStackedWidget>("stkFileViews");
  auto* icons = w.Child<QListView>("lvwFileListIcons");
  auto* details = w.Child<QToolButton>("btnFileDetails");
  EXPECT_EQ(stack->currentWidget(), List());  // details at start
  EXPECT_TRUE(details->isChecked());
  w.Child<QToolButton>("btnFileIcons")->click();
  EXPECT_EQ(stack->currentWidget(), icons);
  EXPECT_EQ(icons->viewMode(), QListView::IconMode);
  EXPECT_EQ(icons->iconSize(), QSize(32, 32));
  EXPECT_TRUE(w.Child<QToolButton>("btnFileIcons")->isChecked());
  w.Child<QToolButton>("btnFileList")->click();
  EXPECT_TRUE(w.Child<QToolButton>("btnFileList")->isChecked());
  EXPECT_FALSE(w.Child<QToolButton>("btnFileIcons")->isChecked());
  EXPECT_EQ(stack->currentWidget(), icons);
  EXPECT_EQ(icons->viewMode(), QListView::ListMode);
  EXPECT_EQ(icons->iconSize(), QSize(16, 16));
  // A refresh in the list view leaves it drawing.
  PressOnEditor(Qt::Key_F5);
  EXPECT_TRUE(icons->updatesEnabled());
  details->click();
  EXPECT_EQ(stack->currentWidget(), List());
  EXPECT_TRUE(details->isChecked());
}

TEST_F(FilePane, ThePopupRefreshesAndTypesAreTheSystemsNames) {
  WriteFile("notes.txt", "hello");
  WriteFile("a.qqx", "x");
  TTestExplorer& w = Open();
  auto* popup = w.Child<QMenu>("popFileList");
  QStringList items;
  for (QAction* a : popup->actions())
    if (!a->isSeparator()) items << a->text();
  EXPECT_EQ(items, QStringList({"Refresh", "Delete", "Set double-click action"}));
  WriteFile("b.zqn", QByteArray(246, 1));
  w.Action("pmiRefresh")->trigger();
  ASSERT_GE(Row("b.zqn"), 0);
  // A known type by its description, an unknown one after its extension.
  const QString text = QMimeDatabase().mimeTypeForFile(filesDir.filePath("notes.txt")).comment();
  EXPECT_EQ(S(List()->model()->index(Row("notes.txt"), 2).data().toString()), S(text));
  EXPECT_EQ(S(List()->model()->index(Row("a.qqx"), 2).data().toString()), "QQX File");
}

TEST_F(FilePane, AFolderChosenFromTheHistoryMovesToItsTopOnce) {
  QTemporaryDir second;
  reg.WriteStringAt(reg.Path() + "\\Folders", "2", second.path());
  TTestExplorer& w = Open();
  auto* box = w.Child<QComboBox>("cbxFolder");
  ASSERT_EQ(box->count(), 2);
  ASSERT_EQ(S(box->itemText(1)), S(second.path() + "/"));
  box->setCurrentIndex(1);
  emit box->activated(1);
  EXPECT_EQ(S(w.CurrentFolder()), S(second.path() + "/"));
  EXPECT_EQ(box->count(), 2);
  EXPECT_EQ(S(box->itemText(0)), S(second.path() + "/"));
  EXPECT_EQ(S(box->itemText(1)), S(filesDir.path() + "/"));
}

}  // namespace
