// Opening, showing, undoing and sending never change what the user did not change; every edit
// survives undo and redo.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include "EditorTestUtil.h"
#include "controls/kxLCDmeter.h"
#include "controls/kxTrackBar.h"
#include "preset/PresetFile.h"

namespace {

std::string S(const QString& s) {
  return s.toStdString();
}

void StepRight(TkxTrackBar* bar) {
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_Right);
}

// A preset of the group with every digital slot 0 and every place in use.
TPreset ZeroedGroup(int group) {
  TPreset p = SamplePreset();
  p.DigitalGroup = group;
  p.DigitalSlots.fill(0);
  p.DigitalInUse.fill(false);
  for (int k = 0; k < GroupEffectCount(group); ++k) p.DigitalInUse[k] = true;
  return p;
}

// The first snapshot of the history: what Undo would go back to.
QByteArray FirstSnapshot(const TfrmPresetEditor& e) {
  return e.History().UndoList.Items(0).data();
}

// ---------------------------------------------------------------------------------------------
// Showing writes nothing

TEST(LosslessShow, ValuesOutsideTheBarsRangesSurviveAShow) {
  // Group 28: Low Pass D0, Regen DDL S D1..D4 (fine D2, 1..50), Gate Verb 3 D5..D9 (diffusion D8,
  // 1..3). Group 9: Regen DDL S fine at D2. Group 43: Sampler L length at D4 (1..127).
  for (int group : {28, 9, 43}) {
    EditorRig rig;
    const TPreset p = ZeroedGroup(group);
    const QByteArray before = ImageBytes(p);
    rig.Show(p);
    EXPECT_EQ(ImageBytes(rig.editor->Preset()), before) << group;
    EXPECT_FALSE(rig.editor->Preset().IsModified()) << group;
    ASSERT_EQ(rig.editor->History().UndoList.Count(), 1);
    EXPECT_EQ(FirstSnapshot(*rig.editor), before) << group;
    EXPECT_TRUE(rig.sent.empty());
  }
}

TEST(LosslessShow, AValueOutsideTheRangeReadsAsStoredUntilTheUserMovesTheBar) {
  EditorRig rig;
  rig.Show(ZeroedGroup(28));
  auto* fine = rig.Find<TkxTrackBar>("trbREGfine");
  ASSERT_NE(fine, nullptr);
  EXPECT_EQ(fine->Position(), 1);  // the nearest position
  EXPECT_EQ(S(rig.Find<QLabel>("txtREGfine")->text()), "0 ms");
  EXPECT_EQ(rig.editor->Preset().DigitalSlots[2], 0);
  // Only the user's movement writes.
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsDigital);
  StepRight(fine);
  EXPECT_EQ(rig.editor->Preset().DigitalSlots[2], 2);
  EXPECT_EQ(S(rig.Find<QLabel>("txtREGfine")->text()), "2 ms");
}

TEST(LosslessShow, AnEqualizerLevelBeyondTheMeterSurvivesAShow) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.AnalogParams[17] = 20;  // above the meter's 0..12
  const QByteArray before = ImageBytes(p);
  rig.Show(p);
  EXPECT_EQ(ImageBytes(rig.editor->Preset()), before);
  EXPECT_EQ(rig.Find<TkxLCDmeter>("lcdEQU40Hz")->Position(), 12);
  EXPECT_EQ(FirstSnapshot(*rig.editor), before);
}

TEST(LosslessShow, AFreshDelayStartsAtTheUnitsDefaults) {
  // Adding Regen DDL S to an empty chain lays out group 9's row with catalogue defaults.
  EditorRig rig;
  TPreset p = SamplePreset();
  p.DigitalInUse.fill(false);
  rig.Show(p);
  const QList<QListWidgetItem*> found =
      rig.editor->lbxDigAvail->findItems(QStringLiteral("Regen DDL S"), Qt::MatchExactly);
  ASSERT_FALSE(found.isEmpty());
  rig.editor->lbxDigAvail->setCurrentItem(found.first());
  rig.editor->btnAddDfxClick();
  const TPreset& q = rig.editor->Preset();
  const int at = SlotOffset(q.DigitalGroup, GroupPlaceOf(q.DigitalGroup, deRegenDdlS));
  // Regen DDL S: delay 20, fine 0, regen 48, level 63.
  EXPECT_EQ(q.DigitalSlots[at], 20);
  EXPECT_EQ(q.DigitalSlots[at + 1], 0);
  EXPECT_EQ(q.DigitalSlots[at + 2], 48);
  EXPECT_EQ(q.DigitalSlots[at + 3], 63);
}

// ---------------------------------------------------------------------------------------------
// Undo and redo keep every edit

TEST(LosslessUndo, UndoWithinTheSettleTimeUndoesTheMovementAndRedoBringsItBack) {
  EditorRig rig;
  rig.Show(SamplePreset());
  TfrmPresetEditor& e = *rig.editor;
  e.SetSettleInterval(60000);  // the movement is still settling when the keys come
  e.edtTitle->setFocus();
  QTest::keyClicks(e.edtTitle, QStringLiteral("X"));
  const QString title = e.Preset().Title;
  const int output = e.Preset().AnalogParams[4];
  StepRight(rig.Find<TkxTrackBar>("trbCMPoutput"));
  ASSERT_EQ(e.Preset().AnalogParams[4], output + 1);
  QTest::keyClick(&e, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(S(e.Preset().Title), S(title));
  EXPECT_EQ(e.Preset().AnalogParams[4], output);
  EXPECT_FALSE(e.timSys->isActive());
  QTest::keyClick(&e, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(S(e.Preset().Title), S(title));
  EXPECT_EQ(e.Preset().AnalogParams[4], output + 1);
}

TEST(LosslessUndo, AMovementThenAKeystrokeGiveOneSnapshotAndTheFirstUndoChangesSomething) {
  EditorRig rig;
  rig.Show(SamplePreset());
  TfrmPresetEditor& e = *rig.editor;
  const QByteArray shown = ImageBytes(e.Preset());
  StepRight(rig.Find<TkxTrackBar>("trbCMPoutput"));
  e.edtTitle->setFocus();
  QTest::keyClicks(e.edtTitle, QStringLiteral("Y"));
  QTest::qWait(TestSettleMs * 4);  // the settle timer runs out after the keystroke's snapshot
  ASSERT_FALSE(e.timSys->isActive());
  EXPECT_EQ(e.History().UndoList.Count(), 2);
  e.Undo();
  EXPECT_EQ(ImageBytes(e.Preset()), shown);
}

TEST(LosslessUndo, UndoAndRedoSendTheStepWithAutoSendOn) {
  EditorRig rig;
  rig.Show(SamplePreset());
  TfrmPresetEditor& e = *rig.editor;
  const QByteArray shown = ImageBytes(e.Preset());
  StepRight(rig.Find<TkxTrackBar>("trbCMPoutput"));
  QTest::qWait(TestSettleMs * 4);
  ASSERT_EQ(rig.sent.size(), 1u);
  const QByteArray moved = rig.sent.back();
  e.Undo();
  ASSERT_EQ(rig.sent.size(), 2u);
  EXPECT_EQ(rig.sent.back(), shown);
  EXPECT_EQ(rig.unit.EditBuffer(), shown);
  e.Redo();
  ASSERT_EQ(rig.sent.size(), 3u);
  EXPECT_EQ(rig.sent.back(), moved);
  EXPECT_EQ(rig.unit.EditBuffer(), moved);
  // With Auto send off, a history step stays in the editor.
  e.chkAutoSend->setChecked(false);
  e.Undo();
  EXPECT_EQ(rig.sent.size(), 3u);
}

// ---------------------------------------------------------------------------------------------
// Vexa states

TEST(LosslessVexa, StoredStatesSurviveAShowAnUndoAndOtherEffectChanges) {
  EditorRig rig;
  TPreset p = SamplePreset();  // compressor and equalizer on
  p.VexaStates.fill(false);
  p.SetVexaState(3, true);  // equalizer on, compressor off
  const QByteArray before = ImageBytes(p);
  rig.Show(p);
  TfrmPresetEditor& e = *rig.editor;
  EXPECT_EQ(ImageBytes(e.Preset()), before);
  EXPECT_FALSE(e.Preset().IsModified());
  EXPECT_TRUE(e.VexaBoxes[0]->isEnabled());
  EXPECT_FALSE(e.VexaBoxes[0]->isChecked());
  EXPECT_TRUE(e.VexaBoxes[2]->isChecked());

  // Switching the distortion on brings its state on; the others stay as they are.
  e.cklAnalogSelect->item(2)->setCheckState(Qt::Checked);
  EXPECT_TRUE(e.Preset().GetVexaState(2));
  EXPECT_FALSE(e.Preset().GetVexaState(1));
  EXPECT_TRUE(e.Preset().GetVexaState(3));
  // The user switches the equalizer's state off; the next change keeps it off.
  e.VexaBoxes[2]->click();
  EXPECT_FALSE(e.Preset().GetVexaState(3));
  e.cklAnalogSelect->item(4)->setCheckState(Qt::Checked);  // noise gate
  EXPECT_FALSE(e.Preset().GetVexaState(3));
  EXPECT_TRUE(e.Preset().GetVexaState(4));
  e.Undo();
  EXPECT_FALSE(e.Preset().GetVexaState(3));
  EXPECT_FALSE(e.VexaBoxes[2]->isChecked());
  // A family that leaves the chain takes its state along.
  e.cklAnalogSelect->item(2)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(e.VexaBoxes[1]->isEnabled());
  EXPECT_FALSE(e.Preset().GetVexaState(2));
}

TEST(LosslessVexa, OneAnalogSwitchSendsOnce) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.VexaStates.fill(false);
  rig.Show(p);
  rig.editor->cklAnalogSelect->item(2)->setCheckState(Qt::Checked);
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.sent.back(), ImageBytes(rig.editor->Preset()));
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 2);
  rig.editor->cklAnalogSelect->item(2)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(rig.sent.size(), 2u);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 3);
}

// ---------------------------------------------------------------------------------------------
// Lists act on the keys as on the mouse

// Group 26: Low Pass, Regen DDL S, Pitch-Trans; the base key sits at D1 + 4 + 3 = D8.
TEST(LosslessLists, TheBaseKeyListStoresAChoiceMadeWithTheKeys) {
  EditorRig rig;
  TPreset p = ZeroedGroup(26);
  rig.Show(p);
  TfrmPresetEditor& e = *rig.editor;
  e.pgcPreset->setCurrentWidget(e.tsDigital);
  e.pgcDigitalParams->setCurrentIndex(DigitalCatalogue[dePitchTrans].Page);
  auto* list = rig.Find<QListWidget>("lstPTRbase_key");
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->currentRow(), 0);
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(e.Preset().DigitalSlots[8], 2);
  ASSERT_EQ(rig.sent.size(), 2u);
  EXPECT_EQ(rig.sent.back(), ImageBytes(e.Preset()));
}

TEST(LosslessLists, ThePerformanceListsActOnTheKeys) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].InUse = true;  // "MIDI Monitor"
  rig.Show(p);
  TfrmPresetEditor& e = *rig.editor;
  e.pgcPreset->setCurrentWidget(e.tsPerfMIDI);
  QApplication::processEvents();
  e.lbxPMIdefctl->setFocus();
  // Home reaches the first entry; Space chooses it if the focus already made it current.
  QTest::keyClick(e.lbxPMIdefctl, Qt::Key_Home);
  QTest::keyClick(e.lbxPMIdefctl, Qt::Key_Space);
  ASSERT_EQ(e.CurrentPerfEntry(), 0);
  EXPECT_TRUE(e.lbxCtlParam->isEnabled());
  ASSERT_EQ(e.lbxCtlParam->currentRow(), 0);  // "MIDI Monitor"
  e.lbxCtlParam->setFocus();
  QTest::keyClick(e.lbxCtlParam, Qt::Key_Down);
  ASSERT_EQ(S(e.lbxCtlParam->currentItem()->text()), "Mix");
  ASSERT_EQ(e.lbxParamNames->count(), 3);
  e.lbxParamNames->setFocus();
  QTest::keyClick(e.lbxParamNames, Qt::Key_End);
  EXPECT_EQ(e.lbxParamNames->currentRow(), 2);
  EXPECT_EQ(e.Preset().PerfMIDI[0].ParamNo, 3);  // analog mix
  EXPECT_EQ(e.Preset().PerfMIDI[0].Extra, 255);
  ASSERT_FALSE(rig.sent.empty());
  EXPECT_EQ(rig.sent.back(), ImageBytes(e.Preset()));
}

// ---------------------------------------------------------------------------------------------
// The performance page shows an entry without changing it

TEST(LosslessPerformance, ChoosingAnEntryChangesNothing) {
  EditorRig rig;
  TPreset p = SamplePreset();  // compressor on
  p.PerfInUse[0] = true;
  p.PerfMIDI[0] = {7, 10, 20, 8, 0, true};  // compressor output, range 10..20, Extra 0
  const QByteArray before = ImageBytes(p);
  rig.Show(p);
  TfrmPresetEditor& e = *rig.editor;
  e.pgcPreset->setCurrentWidget(e.tsPerfMIDI);
  QApplication::processEvents();
  ASSERT_EQ(e.lbxPMIdefctl->count(), 1);
  e.lbxPMIdefctl->setCurrentRow(0);
  ASSERT_EQ(e.CurrentPerfEntry(), 0);
  EXPECT_EQ(S(e.lbxParamNames->currentItem()->text()), "output");
  EXPECT_EQ(e.scrLowValue->value(), 10);
  EXPECT_EQ(e.scrHighValue->value(), 20);
  EXPECT_EQ(ImageBytes(e.Preset()), before);
  EXPECT_FALSE(e.Preset().IsModified());
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_EQ(e.History().UndoList.Count(), 1);
  EXPECT_EQ(S(e.StatusText()), "");
}

// ---------------------------------------------------------------------------------------------
// Title

TEST(LosslessTitle, OnlyPrintableSevenBitCharactersReachTheTitle) {
  EditorRig rig;
  rig.Show(SamplePreset());
  TfrmPresetEditor& e = *rig.editor;
  e.edtTitle->clear();
  rig.sent.clear();
  e.edtTitle->setFocus();
  // Typed as a keyboard sends them, characters outside ASCII included.
  for (const QChar c : QStringLiteral("Caf\u00e9 \u20ac")) {
    const int key = c.unicode() < 0x80 ? int(c.toUpper().unicode()) : int(Qt::Key_unknown);
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(e.edtTitle, &press);
  }
  EXPECT_EQ(S(e.Preset().Title), "Caf ");
  EXPECT_EQ(S(e.edtTitle->text()), "Caf ");
  ASSERT_FALSE(rig.sent.empty());
  EXPECT_FALSE(rig.sent.back().contains('?'));
  // Pasted text loses what the dump cannot carry, and stops at 16 characters.
  e.edtTitle->clear();
  e.edtTitle->insert(QStringLiteral("\u00c5ngstr\u00f6m\tRiff 0123456789"));
  EXPECT_EQ(S(e.Preset().Title), "ngstrmRiff 01234");
}

// ---------------------------------------------------------------------------------------------
// Files whose last byte is not F7

TEST(LosslessFiles, AFileWithoutF7AtTheEndOpensAndIsSentAsAWholeMessage) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.Show(SamplePreset());
  TPreset p = SamplePreset();
  p.Title = QStringLiteral("No end");
  QByteArray bytes = ImageBytes(p);
  bytes[245] = char(0x00);
  const QString path = dir.filePath("noend.zqn");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  rig.dialogs->PlanOpenFiles({path});
  rig.editor->Open();
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty());
  EXPECT_EQ(S(rig.editor->Preset().Title), "No end");
  EXPECT_EQ(rig.editor->Preset().EndByte, 0x00);
  rig.editor->SendPreset();
  ASSERT_FALSE(rig.sent.empty());
  EXPECT_EQ(std::uint8_t(rig.sent.back()[245]), 0xF7);
  EXPECT_EQ(rig.sent.back().left(245), bytes.left(245));
}

}  // namespace
