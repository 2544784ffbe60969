// The library window through its real widgets, offscreen: the table and its search, the details
// and their annotations, and what the window hands to the main window.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "LibraryTestUtil.h"
#include "app/ScriptedDialogService.h"
#include "library/CompareWindow.h"
#include "library/LibraryModel.h"
#include "library/LibraryWindow.h"
#include "library/PresetLibrary.h"

namespace {

class LibraryWindow : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString root, db;
  TScriptedDialogs dialogs;
  std::unique_ptr<TfrmLibrary> window;
  QStringList opened, revealed;
  QList<QByteArray> sent;

  void SetUp() override {
    root = dir.path() + "/backups";
    db = dir.path() + "/data/library.sqlite";
    const char* const titles[] = {"Clean Chorus", "Fat Lead", "Ambient Pad", "Funk Rhythm"};
    for (int bank = 0; bank < 2; ++bank) {
      for (int i = 0; i < 4; ++i) {
        TPreset p = GroupNinePreset(QString("%1 %2").arg(titles[i]).arg(QChar('A' + bank)));
        p.AnalogInUse[std::size_t(i)] = true;
        const QString name = QString("%1/Bank %2/%3.zqn%4")
                                 .arg(root)
                                 .arg(QChar('A' + bank))
                                 .arg(p.Title)
                                 .arg(i + 1, 3, 10, QChar('0'));
        WriteFile(name, DumpOf(p));
      }
    }
    // The same preset once more, in another snapshot.
    QDir().mkpath(root + "/old/Bank A");
    QFile::copy(root + "/Bank A/Fat Lead A.zqn002", root + "/old/Bank A/Fat Lead A.zqn002");
  }
  void TearDown() override {
    if (window) window->close();
    window.reset();
  }

  TfrmLibrary& Open() {
    window = std::make_unique<TfrmLibrary>(std::make_unique<TPresetLibrary>(db));
    window->OnOpenFile = [this](const QString& f) { opened << f; };
    window->OnSendDump = [this](const QByteArray& d) {
      sent << d;
      return QString("MIDI data sent to MIDI Out");
    };
    window->OnRevealFile = [this](const QString& f) { revealed << f; };
    window->show();
    window->OpenLibrary({root});
    return *window;
  }
  int Rows() const { return window->Model()->rowCount(); }
  QString Cell(int row, int column) const {
    return window->Model()->index(row, column).data().toString();
  }
  int RowTitled(const QString& title) const {
    for (int r = 0; r < Rows(); ++r)
      if (Cell(r, TLibraryModel::colTitle) == title) return r;
    return -1;
  }
  // Clicks the row's title cell, as the user picks a preset.
  void ClickRow(int row, Qt::KeyboardModifiers modifiers = {}) {
    QTableView* grid = window->grdPresets;
    const QRect r = grid->visualRect(window->Model()->index(row, TLibraryModel::colTitle));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, r.center());
  }
  void Search(const QString& text) {
    window->edtSearch->clear();
    QTest::keyClicks(window->edtSearch, text);
  }
};

TEST_F(LibraryWindow, ListsEveryPresetOnceWithItsPlacesAndEffects) {
  Open();
  EXPECT_EQ(Rows(), 8);
  EXPECT_EQ(window->lblStatus->text(), "8 presets in 9 files");
  const int fat = RowTitled("Fat Lead A");
  ASSERT_GE(fat, 0);
  EXPECT_EQ(Cell(fat, TLibraryModel::colSlot), "A-002");
  EXPECT_EQ(Cell(fat, TLibraryModel::colPlaces), "2");
  EXPECT_EQ(Cell(fat, TLibraryModel::colAnalog), "Expander");
  EXPECT_EQ(Cell(fat, TLibraryModel::colDigital),
            "Low Pass, Regen DDL S, Reverb 2, Flanger, Panner");
  ClickRow(fat);
  EXPECT_EQ(window->lstPlaces->count(), 2);
  EXPECT_TRUE(window->lstPlaces->item(0)->text().startsWith("A-002   "));
  EXPECT_TRUE(dialogs->Asked().empty());
}

TEST_F(LibraryWindow, TheSearchFieldFiltersAtEachKeystroke) {
  Open();
  Search("lead");
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(window->lblStatus->text(), "2 of 8 presets");
  Search("bank:B lead");
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Cell(0, TLibraryModel::colTitle), "Fat Lead B");
  Search("envelope");  // the analog effect of the fourth preset of each bank
  EXPECT_EQ(Rows(), 2);
  Search("");
  EXPECT_EQ(Rows(), 8);
}

TEST_F(LibraryWindow, AClickOnAColumnHeadSortsByIt) {
  Open();
  EXPECT_EQ(Cell(0, TLibraryModel::colTitle), "Ambient Pad A");
  QHeaderView* head = window->grdPresets->horizontalHeader();
  const int x = head->sectionViewportPosition(TLibraryModel::colSlot) + 10;
  QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, QPoint(x, head->height() / 2));
  EXPECT_EQ(Cell(0, TLibraryModel::colSlot), "A-001");
  EXPECT_EQ(Cell(7, TLibraryModel::colSlot), "B-004");
  QTest::mouseClick(head->viewport(), Qt::LeftButton, {}, QPoint(x, head->height() / 2));
  EXPECT_EQ(Cell(0, TLibraryModel::colSlot), "B-004");
}

TEST_F(LibraryWindow, TagsFavouriteAndNotesAreKeptAndSearchable) {
  Open();
  ClickRow(RowTitled("Funk Rhythm B"));
  QTest::keyClicks(window->edtTags, "rhythm, live set");
  QTest::keyClick(window->edtTags, Qt::Key_Return);
  window->chkFavourite->click();
  window->memNotes->setFocus();
  QTest::keyClicks(window->memNotes, "bridge pickup");
  window->CommitNotes();

  const int row = RowTitled("Funk Rhythm B");
  EXPECT_EQ(Cell(row, TLibraryModel::colTags), "rhythm, live set");
  EXPECT_EQ(Cell(row, TLibraryModel::colFavourite), "\u2605");
  Search("tag:live");
  ASSERT_EQ(Rows(), 1);
  Search("bridge");
  ASSERT_EQ(Rows(), 1);
  Search("is:fav");
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Cell(0, TLibraryModel::colTitle), "Funk Rhythm B");

  // Written through at once: beside the index as plain text, and in the index itself.
  QFile exported(TPresetLibrary::TagFileFor(db));
  ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
  const QByteArray text = exported.readAll();
  EXPECT_TRUE(text.contains("favourite\trhythm, live set\tbridge pickup\tFunk Rhythm B"))
      << text.data();
  window.reset();
  TPresetLibrary again(db);
  again.Open();
  EXPECT_EQ(again.Search("tag:rhythm").size(), 1u);
}

TEST_F(LibraryWindow, DoubleClickOpensReturnOpensF9SendsAndTheFilePaneShowsIt) {
  Open();
  const int row = RowTitled("Ambient Pad B");
  QTableView* grid = window->grdPresets;
  const QRect r = grid->visualRect(window->Model()->index(row, TLibraryModel::colTitle));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].endsWith("/Bank B/Ambient Pad B.zqn003"));

  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_F9);
  ASSERT_EQ(sent.size(), 1);
  EXPECT_EQ(sent[0], window->CurrentEntry()->Dump);
  EXPECT_EQ(window->lblStatus->text(), "\"Ambient Pad B\": MIDI data sent to MIDI Out");

  // Searching makes the first result current: type, then F9 sends what was found.
  Search("funk rhythm a");
  QTest::keyClick(window->edtSearch, Qt::Key_F9);
  ASSERT_EQ(sent.size(), 2);
  EXPECT_EQ(window->CurrentEntry()->Title, "Funk Rhythm A");

  window->btnReveal->click();
  ASSERT_EQ(revealed.size(), 1);
  EXPECT_TRUE(revealed[0].endsWith("/Bank A/Funk Rhythm A.zqn004"));
}

TEST_F(LibraryWindow, TwoSelectedPresetsCompareInTheListingsTexts) {
  Open();
  EXPECT_FALSE(window->btnCompare->isEnabled());
  ClickRow(RowTitled("Clean Chorus A"));
  ClickRow(RowTitled("Clean Chorus B"), Qt::ControlModifier);
  ASSERT_TRUE(window->btnCompare->isEnabled());
  window->btnCompare->click();
  TfrmCompare* compare = window->CompareWindow();
  ASSERT_NE(compare, nullptr);
  EXPECT_TRUE(compare->isVisible());
  EXPECT_EQ(compare->Text(),
            "Title\n"
            "      Title = Clean Chorus A  ->  Clean Chorus B\n");
  EXPECT_EQ(compare->lblCount->text(), "1 parameters differ");
}

TEST_F(LibraryWindow, ADamagedIndexIsReportedOnceAndRebuilt) {
  Open();
  ClickRow(RowTitled("Fat Lead B"));
  QTest::keyClicks(window->edtTags, "solo");
  QTest::keyClick(window->edtTags, Qt::Key_Return);
  window.reset();
  QFile f(db);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write("this is no database at all, just some bytes that took its place");
  f.close();
  QFile::remove(db + "-wal");

  dialogs->PlanButton(QMessageBox::Ok);
  Open();
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_TRUE(dialogs->Last().text.contains("rebuilt"));
  EXPECT_EQ(Rows(), 8);
  Search("tag:solo");
  EXPECT_EQ(Rows(), 1);
  window.reset();
  Open();
  EXPECT_EQ(dialogs->Asked().size(), 1u) << "once: the rebuilt index is sound";
}

TEST_F(LibraryWindow, AddFolderReadsItWithItsSubFolders) {
  Open();
  WriteFile(dir.path() + "/more/deep/down/Extra.zqn", TitledDump("Extra Special"));
  dialogs->PlanFolder(dir.path() + "/more");
  window->btnAddFolder->click();
  EXPECT_EQ(Rows(), 9);
  EXPECT_GE(RowTitled("Extra Special"), 0);
  EXPECT_TRUE(window->Library().Folders().contains(dir.path() + "/more"));
}

}  // namespace

namespace {

TEST_F(LibraryWindow, TheBankViewShowsAFolderAsTheUnitsSlots) {
  Open();
  window->pgcViews->setCurrentWidget(window->tsBank);
  QComboBox* banks = window->cbxBank;
  ASSERT_EQ(banks->count(), 3);
  EXPECT_EQ(banks->itemData(0).toString(), root + "/Bank A");
  EXPECT_EQ(banks->itemData(2).toString(), root + "/old/Bank A");
  QTableWidget* grid = window->grdBank;
  ASSERT_EQ(grid->rowCount(), 200);
  EXPECT_EQ(grid->item(0, 0)->text(), "001");
  EXPECT_EQ(grid->item(0, 1)->text(), "Clean Chorus A");
  EXPECT_EQ(grid->item(3, 1)->text(), "Funk Rhythm A");
  EXPECT_EQ(grid->item(4, 1)->text(), "");
  EXPECT_EQ(grid->item(199, 0)->text(), "200");

  banks->setCurrentIndex(1);
  EXPECT_EQ(grid->item(1, 1)->text(), "Fat Lead B");
  const QRect r = grid->visualItemRect(grid->item(2, 1));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(window->CurrentEntry()->Title, "Ambient Pad B");
  EXPECT_EQ(window->chkFavourite->isEnabled(), true);
  QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, r.center());
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0], root + "/Bank B/Ambient Pad B.zqn003");

  // An empty slot is nothing to act on.
  const QRect empty = grid->visualItemRect(grid->item(10, 1));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, empty.center());
  EXPECT_EQ(window->CurrentEntry(), nullptr);
  EXPECT_FALSE(window->btnSend->isEnabled());
}

}  // namespace

namespace {

TEST_F(LibraryWindow, CompareBackupsSaysWhatChangedSinceTheOlderOne) {
  Open();
  const QString older = dir.path() + "/snap1", newer = dir.path() + "/snap2";
  TPreset p = GroupNinePreset("Warm Lead");
  WriteFile(older + "/Bank A/Warm Lead.zqn001", DumpOf(p));
  p.AnalogParams[27] = 48;  // master level 85% -> 100%
  WriteFile(newer + "/Bank A/Warm Lead.zqn001", DumpOf(p));
  WriteFile(newer + "/Bank B/Brand New.zqn002", TitledDump("Brand New"));
  dialogs->PlanFolder(older);
  dialogs->PlanFolder(newer);
  window->btnCompareFolders->click();
  ASSERT_EQ(dialogs->Asked().size(), 2u);
  TfrmCompare* compare = window->CompareWindow();
  ASSERT_NE(compare, nullptr);
  EXPECT_EQ(compare->Text(),
            "A-001  Warm Lead         changed\n"
            "    Level\n"
            "          master = 85%  ->  100%\n"
            "B-002  Brand New         added\n");
  EXPECT_EQ(compare->lblCount->text(), "1 added, 0 removed, 1 changed, 0 unchanged");

  // Cancelling the second question compares nothing.
  dialogs->PlanFolder(older);
  dialogs->PlanCancel();
  window->btnCompareFolders->click();
  EXPECT_EQ(compare->lblCount->text(), "1 added, 0 removed, 1 changed, 0 unchanged");
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

}  // namespace

namespace {

TEST_F(LibraryWindow, OpeningReadsTheFoldersAgainSoNewFilesShow) {
  Open();
  EXPECT_EQ(Rows(), 8);
  window.reset();
  WriteFile(root + "/Bank C/Newcomer.zqn001", TitledDump("Newcomer"));
  QFile::remove(root + "/Bank B/Fat Lead B.zqn002");
  Open();
  EXPECT_EQ(Rows(), 8);
  EXPECT_GE(RowTitled("Newcomer"), 0);
  EXPECT_LT(RowTitled("Fat Lead B"), 0);
}

}  // namespace
