#include <gtest/gtest.h>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>

#include "EditorTestUtil.h"
#include "controls/kxTrackBar.h"
#include "preset/PerfAssignments.h"

namespace {

int MessagesSaying(const TScriptedDialogService& d, const QString& text) {
  int n = 0;
  for (const TDialogRecord& r : d.Asked())
    if (r.kind == TDialogKind::Message && r.caption == QStringLiteral("Preset error") &&
        r.text == text)
      ++n;
  return n;
}

void ClickItem(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  ASSERT_FALSE(found.isEmpty()) << text.toStdString();
  list->scrollToItem(found.first());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                    list->visualItemRect(found.first()).center());
}

void OpenPerfPage(EditorRig& rig) {
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsPerfMIDI);
  QApplication::processEvents();
}

TEST(EditorPerformance, AddOnAnEmptyPresetCreatesController1ForTheFootController) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  OpenPerfPage(rig);
  EXPECT_EQ(rig.editor->lbxPMIdefctl->count(), 0);
  EXPECT_FALSE(rig.editor->btnPMIdel->isEnabled());
  EXPECT_EQ(rig.editor->pmiDeleteController->text(), QStringLiteral("Delete Controller"));
  rig.editor->btnPMIadd->click();
  const TPreset& p = rig.editor->Preset();
  ASSERT_EQ(rig.editor->lbxPMIdefctl->count(), 1);
  EXPECT_EQ(rig.editor->lbxPMIdefctl->item(0)->text(), QStringLiteral("Controller #1"));
  EXPECT_TRUE(p.PerfInUse[0]);
  EXPECT_EQ(p.PerfMIDI[0].Controller, 4);
  EXPECT_EQ(p.PerfMIDI[0].ParamNo, 0);
  EXPECT_EQ(rig.editor->grdPMctl->currentRow(), 4);
  EXPECT_EQ(rig.editor->grdPMctl->item(4, 1)->text(), QStringLiteral("Foot controller"));
  EXPECT_EQ(rig.editor->lbxCtlParam->currentItem()->text(), QStringLiteral("MIDI Monitor"));
  EXPECT_EQ(rig.editor->lbxParamNames->currentItem()->text(), QStringLiteral("enabled"));
  EXPECT_FALSE(rig.editor->scrLowValue->isEnabled());
  EXPECT_EQ(rig.editor->pmiDeleteController->text(), QStringLiteral("Delete Controller #1"));
  EXPECT_EQ(rig.editor->btnPMIdel->toolTip(), QStringLiteral("Delete Controller #1"));
  EXPECT_EQ(rig.sent.size(), 1u);
}

TEST(EditorPerformance, EightEntriesDisableAddOnTheButtonAndInThePopup) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  OpenPerfPage(rig);
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(rig.editor->btnPMIadd->isEnabled()) << i;
    rig.editor->btnPMIadd->click();
  }
  EXPECT_EQ(rig.editor->lbxPMIdefctl->count(), 8);
  rig.editor->popPMIctldefPopup();
  EXPECT_FALSE(rig.editor->pmiAddController->isEnabled());
  EXPECT_FALSE(rig.editor->btnPMIadd->isEnabled());
  // Deleting "Controller #3" frees entry 2, which the next add takes again.
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #3"));
  rig.editor->pmiDeleteController->trigger();
  EXPECT_FALSE(rig.editor->Preset().PerfInUse[2]);
  EXPECT_TRUE(rig.editor->btnPMIadd->isEnabled());
  rig.editor->pmiAddController->trigger();
  EXPECT_TRUE(rig.editor->Preset().PerfInUse[2]);
  EXPECT_EQ(rig.editor->CurrentPerfEntry(), 2);
}

TEST(EditorPerformance, CompressorOutputStoresParam8WithARangeReading0To100Percent) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  OpenPerfPage(rig);
  rig.editor->btnPMIadd->click();
  ClickItem(rig.editor->lbxCtlParam, QStringLiteral("Compressor"));
  EXPECT_EQ(rig.editor->lbxParamNames->count(), 5);
  ClickItem(rig.editor->lbxParamNames, QStringLiteral("output"));
  const TPerfMIDI& e = rig.editor->Preset().PerfMIDI[0];
  EXPECT_EQ(e.ParamNo, 8);
  EXPECT_EQ(e.Low, 0);
  EXPECT_EQ(e.High, 50);
  EXPECT_EQ(e.Extra, 255);
  EXPECT_EQ(rig.editor->scrLowValue->minimum(), 0);
  EXPECT_EQ(rig.editor->scrLowValue->maximum(), 50);
  EXPECT_EQ(rig.editor->lblPMILowValue->text(), QStringLiteral("0%"));
  EXPECT_EQ(rig.editor->lblPMIHighValue->text(), QStringLiteral("100%"));
  EXPECT_EQ(rig.editor->lblPMIcurrval->text(),
            QString::number(rig.editor->Preset().AnalogParams[4] * 2) + QLatin1Char('%'));
  // A move of the range is an edit like any other: sent once it has settled.
  ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.editor->timSys->isActive(); }, 5000));
  const std::size_t sent = rig.sent.size();
  rig.editor->scrHighValue->setValue(20);
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].High, 20);
  EXPECT_EQ(rig.editor->lblPMIHighValue->text(), QStringLiteral("40%"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return rig.sent.size() > sent; }, 5000));
  EXPECT_EQ(rig.sent.back(), ImageBytes(rig.editor->Preset()));
  // Each click on a row of the grid, also on the row chosen already, is one choice sent once.
  QTableWidget* grid = rig.editor->grdPMctl;
  for (const int row : {0, 0, 93}) {
    const std::size_t before = rig.sent.size();
    grid->scrollToItem(grid->item(row, 0));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(grid->item(row, 0)).center());
    EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].Controller, row);
    EXPECT_EQ(rig.sent.size(), before + 1);
  }
  // Back to the monitor: its only parameter comes chosen, and a click on it chooses it.
  ClickItem(rig.editor->lbxCtlParam, QStringLiteral("MIDI Monitor"));
  ClickItem(rig.editor->lbxParamNames, QStringLiteral("enabled"));
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].ParamNo, 0);
}

TEST(EditorPerformance, AMidiPanRangeStores127MinusTheScrollPositions) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.DigitalInUse.fill(false);
  for (int g = 0; g < DigitalGroupCount; ++g) {
    if (GroupPlaceOf(g, deMidiPan) < 0) continue;
    p.DigitalGroup = g;
    p.DigitalInUse[GroupPlaceOf(g, deMidiPan)] = true;
    break;
  }
  rig.ShowSettled(p);
  OpenPerfPage(rig);
  rig.editor->btnPMIadd->click();
  ClickItem(rig.editor->lbxCtlParam, QStringLiteral("MIDI Pan"));
  ClickItem(rig.editor->lbxParamNames, QStringLiteral("pos"));
  const TPerfMIDI& e = rig.editor->Preset().PerfMIDI[0];
  EXPECT_EQ(e.ParamNo, FirstDigitalParam +
                           SlotOffset(p.DigitalGroup, GroupPlaceOf(p.DigitalGroup, deMidiPan)));
  rig.editor->scrLowValue->setValue(10);
  rig.editor->scrHighValue->setValue(100);
  EXPECT_EQ(e.Low, 117);
  EXPECT_EQ(e.High, 27);
  EXPECT_EQ(rig.editor->lblPMILowValue->text(), QStringLiteral("117"));
  // Shown again, the bars return to the same positions.
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  EXPECT_EQ(rig.editor->scrLowValue->value(), 10);
  EXPECT_EQ(rig.editor->scrHighValue->value(), 100);
}

TEST(EditorPerformance, SwitchingTheAnalogEffectOffDropsItsEntries) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = 5;  // compressor slope
  p.PerfMIDI[0].InUse = true;
  p.PerfInUse[1] = true;
  p.PerfMIDI[1].ParamNo = 2;  // digital mix: never dropped
  p.PerfMIDI[1].InUse = true;
  rig.Show(p);
  OpenPerfPage(rig);
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  EXPECT_EQ(rig.editor->lbxPMIdefctl->count(), 2);
  rig.editor->cklAnalogSelect->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(rig.editor->Preset().PerfInUse[0]);
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0], TPerfMIDI());
  ASSERT_EQ(rig.editor->lbxPMIdefctl->count(), 1);
  EXPECT_EQ(rig.editor->lbxPMIdefctl->item(0)->text(), QStringLiteral("Controller #2"));
  // The entry shown is gone: none is current and none can be edited, as after a page switch.
  EXPECT_EQ(rig.editor->CurrentPerfEntry(), -1);
  EXPECT_FALSE(rig.editor->lbxCtlParam->isEnabled());
  EXPECT_FALSE(rig.editor->lbxParamNames->isEnabled());
}

TEST(EditorPerformance, VexaRightStoresController11AndLeft4) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  OpenPerfPage(rig);
  rig.editor->btnPMIadd->click();
  rig.sent.clear();
  EXPECT_EQ(rig.editor->btnVexaright->text(), QStringLiteral("Vexa &right"));
  rig.editor->btnVexaright->click();
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].Controller, 11);
  EXPECT_EQ(rig.editor->grdPMctl->currentRow(), 11);
  EXPECT_EQ(rig.sent.size(), 1u);
  rig.editor->btnVexaleft->click();
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].Controller, 4);
  rig.editor->grdPMctl->setCurrentCell(93, 1);
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].Controller, 93);
}

TEST(EditorPerformance, AUsersControllerNameSurvivesReopeningTheEditor) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  QTableWidget* grid = rig.editor->grdPMctl;
  ASSERT_EQ(grid->rowCount(), 129);
  EXPECT_EQ(grid->item(128, 1)->text(), QStringLiteral("OFF"));
  EXPECT_EQ(grid->item(3, 0)->text(), QStringLiteral("3"));
  EXPECT_FALSE(grid->item(3, 0)->flags() & Qt::ItemIsEditable);
  EXPECT_EQ(grid->item(3, 1)->text(), QString());
  grid->item(3, 1)->setText(QStringLiteral("Wah pedal"));

  auto second = std::make_unique<TfrmPresetEditor>();
  second->Settings = &rig.settings;
  TPreset p = SamplePreset();
  QByteArray bytes = ImageBytes(p);
  QBuffer stream(&bytes);
  stream.open(QIODevice::ReadOnly);
  second->LoadPreset(stream, {});
  second->show();
  QApplication::processEvents();
  EXPECT_EQ(second->grdPMctl->item(3, 1)->text(), QStringLiteral("Wah pedal"));
  EXPECT_EQ(second->grdPMctl->item(128, 1)->text(), QStringLiteral("OFF"));
  EXPECT_EQ(second->grdPMctl->item(1, 1)->text(), QStringLiteral("Mod wheel"));
  EXPECT_EQ(rig.settings.ReadStringAt(rig.settings.Path() + QStringLiteral("\\Controllers"),
                                      QStringLiteral("3")),
            QStringLiteral("Wah pedal"));
  // The printed listing names the controller as the grid does.
  second->Preset().PerfInUse[0] = true;
  second->Preset().PerfMIDI[0].Controller = 3;
  QStringList printed;
  for (const auto& column : second->Listing().Columns)
    for (const TListingLine& line : column) printed << line.Text;
  EXPECT_TRUE(printed.join('\n').contains(QStringLiteral("Wah pedal")))
      << printed.join('\n').toStdString();
}

// A stored entry, shown: its target's effect and parameter are chosen in the lists and its
// controller in the grid, and choosing the same parameter again leaves the entry as it was.
struct ShownEntry {
  int ParamNo;
  int Controller;
  const char* Effect;
  const char* Parameter;
};

class EditorPerformanceShown : public ::testing::TestWithParam<ShownEntry> {};

TEST_P(EditorPerformanceShown, NamesItsTargetAndChangesNothing) {
  const ShownEntry c = GetParam();
  EditorRig rig;
  TPreset p = SamplePreset();  // compressor, equalizer; group 0 with Low Pass
  p.DigitalInUse[2] = true;    // and the Flanger of group 0 (slots D8..D12)
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = c.ParamNo;
  p.PerfMIDI[0].Controller = c.Controller;
  p.PerfMIDI[0].Low = 1;
  p.PerfMIDI[0].High = 2;
  p.PerfMIDI[0].Extra = 7;
  p.PerfMIDI[0].InUse = false;
  rig.ShowSettled(p);
  OpenPerfPage(rig);
  const TPerfMIDI before = rig.editor->Preset().PerfMIDI[0];
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  ASSERT_NE(rig.editor->lbxCtlParam->currentItem(), nullptr);
  ASSERT_NE(rig.editor->lbxParamNames->currentItem(), nullptr);
  EXPECT_EQ(rig.editor->lbxCtlParam->currentItem()->text(), QLatin1String(c.Effect));
  EXPECT_EQ(rig.editor->lbxParamNames->currentItem()->text(), QLatin1String(c.Parameter));
  EXPECT_EQ(rig.editor->grdPMctl->currentRow(), c.Controller);
  const TPerfMIDI& shown = rig.editor->Preset().PerfMIDI[0];
  EXPECT_EQ(shown.ParamNo, before.ParamNo);
  EXPECT_EQ(shown.Low, before.Low);
  EXPECT_EQ(shown.High, before.High);
  EXPECT_EQ(shown.Extra, before.Extra);
  EXPECT_EQ(shown.InUse, before.InUse);
  EXPECT_EQ(shown.Controller, before.Controller);
  // Another parameter of the same effect, then this one again: the entry is back on its target.
  QListWidget* names = rig.editor->lbxParamNames;
  if (names->count() > 1) {
    ClickItem(names, names->item((names->currentRow() + 1) % names->count())->text());
    EXPECT_NE(rig.editor->Preset().PerfMIDI[0].ParamNo, c.ParamNo);
  }
  ClickItem(names, QLatin1String(c.Parameter));
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].ParamNo, c.ParamNo);
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].Controller, c.Controller);
  // Another effect looked at, a click on the entry still selected shows the entry again.
  ClickItem(rig.editor->lbxCtlParam, QStringLiteral("Mix"));
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  EXPECT_EQ(rig.editor->lbxCtlParam->currentItem()->text(), QLatin1String(c.Effect));
  EXPECT_EQ(rig.editor->scrLowValue->isEnabled(), c.ParamNo > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, EditorPerformanceShown,
    ::testing::Values(ShownEntry{0, 7, "MIDI Monitor", "enabled"},
                      ShownEntry{2, 0, "Mix", "digital"},         // parameter 2: the digital mix
                      ShownEntry{6, 11, "Compressor", "attack"},  // A2
                      ShownEntry{4 + 17 + 6, 1, "Equalizer", "10KHz"},
                      ShownEntry{32 + 8, 3, "Flanger", "type"},  // D8: the effect's first slot
                      ShownEntry{32 + 8 + 2, 64, "Flanger", "speed"}));  // D10: third place

// Deleting an entry is a step of its own: undoable and sent at once, whatever Auto send says.
TEST(EditorPerformance, DeletingAnEntryIsSentAtOnce) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = 4;
  p.PerfMIDI[0].Low = 0;
  p.PerfMIDI[0].High = 31;
  p.PerfMIDI[0].Controller = 7;
  rig.ShowSettled(p);
  rig.editor->chkAutoSend->setChecked(false);
  OpenPerfPage(rig);
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  const std::size_t sent = rig.sent.size();
  const int undo = rig.editor->History().UndoList.Count();
  rig.editor->btnPMIdel->click();
  EXPECT_FALSE(rig.editor->Preset().PerfInUse[0]);
  ASSERT_EQ(rig.sent.size(), sent + 1);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), undo + 1);
  EXPECT_EQ(rig.sent.back(), ImageBytes(rig.editor->Preset()));
  EXPECT_TRUE(rig.editor->StatusText().startsWith(QStringLiteral("Modified")));
}

TEST(EditorPerformance, AControllerNameThatCannotBeKeptIsReported) {
  EditorRig rig;
  // The settings folder is a file: nothing can be written under it.
  QFile blocker(rig.settingsDir.filePath(QStringLiteral("blocked")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  rig.settings.SetStorageFolder(blocker.fileName() + QStringLiteral("/settings"));
  rig.ShowSettled(SamplePreset());
  const std::size_t asked = rig.dialogs->Asked().size();
  rig.editor->grdPMctl->item(3, 1)->setText(QStringLiteral("Wah pedal"));
  ASSERT_GT(rig.dialogs->Asked().size(), asked);
  EXPECT_EQ(rig.dialogs->Asked().back().kind, TDialogKind::Message);
  EXPECT_FALSE(rig.dialogs->Asked().back().text.isEmpty());
}

TEST(EditorPerformance, AStoredRangeOutsideTheControlIsReportedAndTheBarStaysInside) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].ParamNo = 4;  // compressor drive 0..31
  p.PerfMIDI[0].Low = 40;
  p.PerfMIDI[0].High = 90;
  p.PerfMIDI[0].Controller = 7;
  rig.ShowSettled(p);
  OpenPerfPage(rig);
  EXPECT_FALSE(rig.editor->lbxCtlParam->isEnabled());
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  EXPECT_EQ(MessagesSaying(*rig.dialogs, QStringLiteral("Invalid low range value")), 1);
  EXPECT_EQ(MessagesSaying(*rig.dialogs, QStringLiteral("Invalid high range value")), 1);
  EXPECT_LE(rig.editor->scrLowValue->value(), 31);
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].Low, 40);  // kept until the user moves the bar
  EXPECT_EQ(rig.editor->lbxCtlParam->currentItem()->text(), QStringLiteral("Compressor"));
  EXPECT_EQ(rig.editor->lbxParamNames->currentItem()->text(), QStringLiteral("drive"));
  EXPECT_EQ(rig.editor->grdPMctl->currentRow(), 7);
  EXPECT_TRUE(rig.editor->lbxCtlParam->isEnabled());
}

TEST(EditorPerformance, AnEntryOnADigitalSlotBeyondTheGroupIsInvalid) {
  EditorRig rig;
  TPreset p = SamplePreset();  // group 0: Low Pass only
  rig.ShowSettled(p);
  // Made up behind the list's back: an entry whose slot lies beyond the group's effects.
  rig.editor->Preset().PerfInUse[0] = true;
  rig.editor->Preset().PerfMIDI[0].ParamNo = 40;
  rig.editor->lbxPMIdefctl->addItem(AssignmentText(0));
  ClickItem(rig.editor->lbxPMIdefctl, QStringLiteral("Controller #1"));
  EXPECT_EQ(
      MessagesSaying(*rig.dialogs, QStringLiteral("Performance MIDI controller data is invalid")),
      1);
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].ParamNo, 40);
}

TEST(EditorPerformance, EffectListFollowsTheVisiblePagesAndScreenshot) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  OpenPerfPage(rig);
  QStringList items;
  for (int i = 0; i < rig.editor->lbxCtlParam->count(); ++i)
    items << rig.editor->lbxCtlParam->item(i)->text();
  EXPECT_EQ(items, (QStringList{QStringLiteral("MIDI Monitor"), QStringLiteral("Mix"),
                                QStringLiteral("Compressor"), QStringLiteral("Equalizer"),
                                QStringLiteral("Low Pass")}));
  // An effect switched on meanwhile is in the list the next time the page opens.
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsAnalog);
  rig.editor->cklAnalogSelect->item(4)->setCheckState(Qt::Checked);  // the noise gate
  OpenPerfPage(rig);
  EXPECT_FALSE(
      rig.editor->lbxCtlParam->findItems(QStringLiteral("NoiseGate"), Qt::MatchExactly).isEmpty());
  rig.editor->btnPMIadd->click();
  ClickItem(rig.editor->lbxCtlParam, QStringLiteral("Equalizer"));
  EXPECT_EQ(rig.editor->lbxParamNames->item(0)->text(), QStringLiteral("40Hz"));
  ClickItem(rig.editor->lbxParamNames, QStringLiteral("40Hz"));
  EXPECT_EQ(rig.editor->Preset().PerfMIDI[0].ParamNo, FirstAnalogParam + AnalogSlotOffset(5));
  EXPECT_EQ(rig.editor->scrHighValue->maximum(), 12);
  QApplication::processEvents();
  const QString path =
      QDir(QCoreApplication::applicationDirPath()).filePath("performance-page.png");
  ASSERT_TRUE(rig.editor->grab().save(path));
  EXPECT_GT(QFileInfo(path).size(), 1000);
}

}  // namespace
