// Every window and dialog of the program as a user sees it, at its default size and at its
// smallest: each visible control has room, lies inside its page, shows its whole text and is
// drawn. With ZQN_SCREENSHOTS set to a folder, the grabs are also written there as pictures.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "LayoutCheck.h"
#include "app/ScriptedDialogService.h"
#include "app/SplashAbout.h"
#include "app/kxUtility.h"
#include "device/BkupOpt.h"
#include "device/Main.h"
#include "device/PickList.h"
#include "device/RestoreOpt.h"
#include "device/RunReport.h"
#include "device/SimulatorDevice.h"
#include "device/StorePrompt.h"
#include "device/UnitSimulator.h"
#include "editor/PresetEditor.h"
#include "library/CompareWindow.h"
#include "library/LibraryModel.h"
#include "library/LibraryWindow.h"
#include "library/PresetLibrary.h"
#include "mpt/MPTEdit.h"
#include "mpt/MPTRptOpt.h"
#include "preset/DigitalCatalogue.h"
#include "preset/ParamTable.h"
#include "preset/Preset.h"

namespace {

// Shows the window's faults one by one, so each names its window, page and control.
void Expect(QWidget* window, const QString& where, const QString& shot = {}) {
  QApplication::processEvents();
  const TLayoutFindings found = CheckLayout(window, where, shot);
  EXPECT_GT(found.Checked, 0) << where.toStdString() << ": no control seen";
  for (const QString& fault : found.Faults) ADD_FAILURE() << fault.toStdString();
}

// The smallest size the window lets itself be made.
void Shrink(QWidget* window) {
  window->resize(1, 1);
  QApplication::processEvents();
}

QString Slug(QString text) {
  text.remove(QLatin1Char('&'));
  for (QChar& c : text)
    if (!c.isLetterOrNumber()) c = QLatin1Char('-');
  return text.toLower();
}

void LoadInto(TfrmPresetEditor& editor, const TPreset& p) {
  const TPresetImage image = p.Encode();
  QByteArray bytes(reinterpret_cast<const char*>(image.data()), int(image.size()));
  QBuffer stream(&bytes);
  stream.open(QIODevice::ReadOnly);
  editor.LoadPreset(stream, QStringLiteral("layout.zqn"));
  QApplication::processEvents();
}

// Every analog effect on, the chain of `group` filled with its effects at their defaults.
TPreset FullPreset(int group) {
  TPreset p;
  p.Title = QStringLiteral("Layout check");
  p.AnalogInUse.fill(true);
  int slot = 0;
  for (const TParamDef& def : ParamTable().subspan(MixParamRows, AnalogParamRows))
    p.AnalogParams[slot++] = def.Default;
  p.DigitalGroup = group;
  p.DigitalInUse.fill(false);
  for (int place = 0; place < GroupEffectCount(group); ++place) {
    p.DigitalInUse[place] = true;
    const std::vector<int> d = EffectDefaults(GroupEffect(group, place));
    for (int i = 0; i < int(d.size()); ++i) p.DigitalSlots[SlotOffset(group, place) + i] = d[i];
  }
  return p;
}

// The main window with its backup progress within reach.
struct TProgressWindow : TfrmMain {
  using TfrmMain::AdvanceProgress;
  using TfrmMain::StartProgress;
  using TfrmMain::TfrmMain;
};

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFontSubstitutes();  // as the program starts: the windows in the fonts they are made for
    ASSERT_TRUE(dir.isValid());
    reg.SetStorageFolder(dir.path());
    reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  }
  QTemporaryDir dir;
  TkxRegUtil reg;
  TScriptedDialogs dialogs;
};

// Checks the editor on every page it has, the digital ones for every group. The editor holds
// FullPreset(0) and has not been shown on any page but the first, as when it has just opened.
void CheckEditor(TfrmPresetEditor& editor, const QString& size, bool shots) {
  const QSize fixed = editor.size();
  editor.pgcPreset->setCurrentWidget(editor.tsPerfMIDI);
  Expect(&editor, QStringLiteral("editor (%1) / Performance MIDI").arg(size),
         shots ? QStringLiteral("editor-performance") : QString());
  // The names take the rest of the controller grid: their room does not hang on how wide the grid
  // was when it was filled, possibly before its page was ever laid out.
  QTableWidget* grid = editor.grdPMctl;
  EXPECT_GE(grid->columnWidth(0) + grid->columnWidth(1), grid->viewport()->width())
      << "editor (" << size.toStdString()
      << "): grdPMctl: the names column leaves part of the grid empty";
  editor.pgcPreset->setCurrentWidget(editor.tsVexastates);
  Expect(&editor, QStringLiteral("editor (%1) / Vexa states").arg(size),
         shots ? QStringLiteral("editor-vexa") : QString());
  editor.pgcPreset->setCurrentWidget(editor.tsAnalog);
  for (int i = 0; i < editor.pgcAnalogParams->count(); ++i) {
    editor.pgcAnalogParams->setCurrentIndex(i);
    const QString page = editor.pgcAnalogParams->tabText(i);
    Expect(&editor, QStringLiteral("editor (%1) / Analog effects / %2").arg(size, page),
           shots ? QStringLiteral("editor-analog-%1").arg(Slug(page)) : QString());
  }
  QSet<int> shotPages;
  for (int g = 0; g < DigitalGroupCount; ++g) {
    LoadInto(editor, FullPreset(g));
    EXPECT_EQ(editor.size(), fixed) << "group " << g << " resized the editor";
    editor.pgcPreset->setCurrentWidget(editor.tsDigital);
    for (int i = 0; i < editor.pgcDigitalParams->count(); ++i) {
      if (!editor.pgcDigitalParams->isTabVisible(i)) continue;
      editor.pgcDigitalParams->setCurrentIndex(i);
      const QString page = editor.pgcDigitalParams->tabText(i);
      const bool shot = shots && !shotPages.contains(i);
      shotPages.insert(i);
      Expect(&editor,
             QStringLiteral("editor (%1) / group %2 / Digital effects / %3")
                 .arg(size)
                 .arg(g)
                 .arg(page),
             shot ? QStringLiteral("editor-digital-%1").arg(Slug(page)) : QString());
    }
  }
  LoadInto(editor, FullPreset(0));
}

}  // namespace

TEST_F(Layout, PresetEditorAtDefaultAndSmallestSize) {
  TfrmPresetEditor editor;
  editor.Settings = &reg;
  LoadInto(editor, FullPreset(0));  // as the main window opens it: loaded, then shown
  editor.show();
  QApplication::processEvents();
  CheckEditor(editor, QStringLiteral("default size"), true);
  Shrink(&editor);
  // Smaller than the 1020 x 557 the editor once could not go below.
  EXPECT_LT(editor.width(), 1020);
  EXPECT_LT(editor.height(), 557);
  CheckEditor(editor, QStringLiteral("smallest size"), false);
}

TEST_F(Layout, MainWindowWithBothTabsAtDefaultAndSmallestWidth) {
  auto drivers = std::make_shared<TInProcessMidi>();
  auto session = InstallSimulatorDevice(*drivers);
  reg.WriteInteger(QStringLiteral("ZQNReqDelay"), 20);
  TProgressWindow window(nullptr, drivers, drivers);
  window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
  window.show();
  QTest::qWait(100);
  // A preset dump in the monitor, as after F10.
  int key = Qt::Key_F10;
  window.DoFormKeyDown(key, Qt::NoModifier);
  EXPECT_TRUE(QTest::qWaitFor([&] { return window.LogCount() >= 1; }, 2000));
  QTest::qWait(50);
  auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("pgcTab"));
  ASSERT_NE(tabs, nullptr);
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    Expect(&window, QStringLiteral("main window / %1").arg(Slug(tabs->tabText(i))),
           QStringLiteral("main-%1").arg(Slug(tabs->tabText(i))));
  }
  // A backup of twelve presets, nine done: the status bar shows its progress.
  window.PresetIndex = 0;
  window.LastIndex = 11;
  window.StartProgress();
  for (int i = 0; i < 9; ++i) window.AdvanceProgress();
  Expect(&window, QStringLiteral("main window / backup running"));
  window.resize(1, window.height());
  QApplication::processEvents();
  for (int i = 0; i < tabs->count(); ++i) {
    tabs->setCurrentIndex(i);
    Expect(&window, QStringLiteral("main window (smallest width) / %1").arg(tabs->tabText(i)));
  }
  window.close();
}

TEST_F(Layout, DialogsAtDefaultAndSmallestSize) {
  const auto both = [](QWidget* dialog, const QString& name, const QString& shot) {
    dialog->show();
    QApplication::processEvents();
    Expect(dialog, name, shot);
    Shrink(dialog);
    Expect(dialog, name + QStringLiteral(" (smallest size)"));
    dialog->hide();
  };
  {
    TfrmStorePrompt prompt;
    both(&prompt, QStringLiteral("store prompt"), QStringLiteral("store-prompt"));
  }
  {
    TfrmPickList picker;
    picker.setWindowTitle(QStringLiteral("Valid Digital Groups"));
    for (int g = 0; g < DigitalGroupCount; ++g) picker.AddItem(GroupText(g));
    both(&picker, QStringLiteral("pick list"), QStringLiteral("pick-list"));
  }
  {
    TfrmBkupOpt options;
    options.SetCurrentBankText(QStringLiteral("Currently selected bank: A"));
    options.SetPath(QDir::homePath());
    both(&options, QStringLiteral("backup options"), QStringLiteral("backup-options"));
  }
  {
    TfrmMPTEdit table(nullptr, &reg);
    both(&table, QStringLiteral("program table editor"), QStringLiteral("program-table"));
    // Each column heading stands over its cells: aligned the same way.
    for (int c = 0; c < table.grdMPT->columnCount(); ++c)
      EXPECT_EQ(table.grdMPT->horizontalHeaderItem(c)->textAlignment(),
                table.grdMPT->item(0, c)->textAlignment())
          << "program table editor: heading of column " << c + 1;
  }
  {
    TfrmRestoreOpt restore;
    restore.SetFolder(QDir::homePath());
    both(&restore, QStringLiteral("restore options"), QStringLiteral("restore-options"));
  }
  {
    std::vector<TRunSlot> runSlots(3);
    runSlots[0] = {0, 0, {}, {}, QStringLiteral("Clean Chorus A001"), TSlotState::Verified,
                   1, 0, {}};
    runSlots[1] = {0,
                   1,
                   {},
                   {},
                   QStringLiteral("Warm Lead A002"),
                   TSlotState::Retried,
                   2,
                   0,
                   QStringLiteral("2 stores")};
    runSlots[2] = {1, 199, {}, {}, QString(), TSlotState::NotReached, 0, 0, {}};
    TfrmRunReport report(QStringLiteral("Restore from \"/home/guitarist/Backups/May\"\nRestore was "
                                        "cancelled."),
                         runSlots, false);
    both(&report, QStringLiteral("run report"), QStringLiteral("run-report"));
  }
  {
    TfrmMPTRptOpt report;
    both(&report, QStringLiteral("report options"), QStringLiteral("report-options"));
  }
  {
    QPointer<TkxSplashAbout> about = new TkxSplashAbout(nullptr, true);
    both(about, QStringLiteral("About"), QStringLiteral("about"));
    delete about.data();
  }
}

// The digital chain's "Selected" list shows a full chain of five without scrolling.
TEST_F(Layout, SelectedListShowsAFullChain) {
  TfrmPresetEditor editor;
  editor.Settings = &reg;
  editor.show();
  for (int g = 0; g < DigitalGroupCount; ++g) {
    if (GroupEffectCount(g) < GroupPlaceCount) continue;
    LoadInto(editor, FullPreset(g));
    ASSERT_EQ(editor.lbxDigSel->count(), 5);
    EXPECT_FALSE(editor.lbxDigSel->verticalScrollBar()->isVisible()) << "group " << g;
    const QRect last = editor.lbxDigSel->visualItemRect(editor.lbxDigSel->item(4));
    EXPECT_TRUE(editor.lbxDigSel->viewport()->rect().contains(last)) << "group " << g;
    break;
  }
}

// A new user's first minutes in the editor: an empty preset says how to start, and what the user
// adds comes into view.
TEST_F(Layout, NewPresetShowsHowToStartAndAddedEffectsComeIntoView) {
  TfrmPresetEditor editor;
  editor.Settings = &reg;
  TPreset empty;
  empty.DigitalGroup = 0;
  LoadInto(editor, empty);
  editor.show();
  QApplication::processEvents();
  ASSERT_TRUE(editor.lblStartHint->isVisible());
  EXPECT_TRUE(editor.lblStartHint->text().contains("Tick one under \"Analog Effects\""));
  editor.pgcPreset->setCurrentWidget(editor.tsVexastates);
  editor.cklAnalogSelect->item(2)->setCheckState(Qt::Checked);  // Distortion
  QApplication::processEvents();
  EXPECT_EQ(editor.pgcPreset->currentWidget(), editor.tsAnalog);
  EXPECT_EQ(editor.pgcAnalogParams->currentIndex(), 2);
  EXPECT_FALSE(editor.lblStartHint->isVisible());
  // A digital effect added from "Available" shows its page.
  editor.pgcPreset->setCurrentWidget(editor.tsPerfMIDI);
  const QList<QListWidgetItem*> offered =
      editor.lbxDigAvail->findItems(QStringLiteral("Flanger"), Qt::MatchExactly);
  ASSERT_FALSE(offered.isEmpty());
  editor.lbxDigAvail->setCurrentItem(offered.first());
  editor.btnAddDfx->setEnabled(true);
  editor.btnAddDfx->click();
  QApplication::processEvents();
  EXPECT_EQ(editor.pgcPreset->currentWidget(), editor.tsDigital);
  EXPECT_EQ(editor.pgcDigitalParams->tabText(editor.pgcDigitalParams->currentIndex()).toStdString(),
            "Flanger");
}

// The library over a backup of two banks, searched and with two presets compared.
TEST_F(Layout, LibraryAndCompareWindowsAtDefaultSize) {
  const QString root = dir.path() + QStringLiteral("/backups");
  for (int snap = 1; snap <= 2; ++snap) {
    for (int bank = 0; bank < 2; ++bank) {
      const QString folder =
          QStringLiteral("%1/Snapshot %2/Bank %3").arg(root).arg(snap).arg(QChar('A' + bank));
      QDir().mkpath(folder);
      for (int i = 0; i < 40; ++i) {
        const QByteArray dump = TUnitSimulator::FactoryPreset(bank, i);
        QFile f(QStringLiteral("%1/%2.zqn%3")
                    .arg(folder, QuickTitle(AsBytes(dump)))
                    .arg(i + 1, 3, 10, QChar('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dump);
      }
    }
  }
  TfrmLibrary window(std::make_unique<TPresetLibrary>(dir.path() + QStringLiteral("/lib.sqlite")));
  window.show();
  window.OpenLibrary({root});
  ASSERT_GT(window.Model()->rowCount(), 0);
  QTest::keyClicks(window.edtSearch, QStringLiteral("reverb"));
  window.grdPresets->selectRow(2);
  QTest::keyClicks(window.edtTags, QStringLiteral("lead, live set"));
  QTest::keyClick(window.edtTags, Qt::Key_Return);
  window.chkFavourite->setChecked(true);
  QTest::keyClicks(window.memNotes, QStringLiteral("Neck pickup, tone at 7."));
  window.CommitNotes();
  Expect(&window, QStringLiteral("library"), QStringLiteral("library"));

  window.grdPresets->selectRow(2);
  window.grdPresets->selectionModel()->select(
      window.Model()->index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  window.btnCompare->click();
  ASSERT_NE(window.CompareWindow(), nullptr);
  Expect(window.CompareWindow(), QStringLiteral("compare"), QStringLiteral("compare"));
}
