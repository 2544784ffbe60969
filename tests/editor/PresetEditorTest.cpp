#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

#include "EditorTestUtil.h"
#include "controls/kxLCDmeter.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "preset/ParamTable.h"
#include "preset/Scales.h"

namespace {

std::string S(const QString& s) {
  return s.toStdString();
}

int MessagesWithCaption(const TScriptedDialogService& d, const QString& caption) {
  int n = 0;
  for (const TDialogRecord& r : d.Asked())
    if (r.kind == TDialogKind::Message && r.caption == caption) ++n;
  return n;
}

// Moves a bar one step with the keyboard, as the user does.
void StepRight(TkxTrackBar* bar) {
  bar->setFocus();
  QTest::keyClick(bar, Qt::Key_Right);
}

// ---------------------------------------------------------------------------------------------
// The generated window

TEST(PresetEditorWindow, EveryTableRowHasItsNamedControlCaptionAndItems) {
  EditorRig rig;
  rig.Show(SamplePreset());
  for (const TParamDef& def : ParamTable().first(MixParamRows + AnalogParamRows)) {
    SCOPED_TRACE(def.Control);
    QWidget* control = rig.Find<QWidget>(QString::fromLatin1(def.Control));
    ASSERT_NE(control, nullptr);
    switch (def.Kind) {
      case TControlKind::TrackBar: {
        auto* bar = qobject_cast<TkxTrackBar*>(control);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->Min(), def.Min);
        EXPECT_EQ(bar->Max(), def.Max);
        auto* caption = rig.Find<QLabel>(QStringLiteral("lbl") + QString(def.Control).mid(3));
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(S(caption->text()), def.Caption);
        break;
      }
      case TControlKind::RadioGroup: {
        auto* group = qobject_cast<TkxRadioGroup*>(control);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(S(group->title()), def.Caption);
        ASSERT_EQ(group->Items().size(), qsizetype(def.Items.size()));
        for (std::size_t i = 0; i < def.Items.size(); ++i)
          EXPECT_EQ(S(group->Items()[int(i)]), def.Items[i]);
        EXPECT_EQ(group->Columns(), def.Columns);
        break;
      }
      case TControlKind::LcdMeter: {
        ASSERT_NE(qobject_cast<TkxLCDmeter*>(control), nullptr);
        EXPECT_NE(rig.Find<QScrollBar>(QString::fromLatin1(def.Partner)), nullptr);
        break;
      }
      default:
        FAIL() << "no analog or mix row is of this kind";
    }
    if (!def.ValueLabel().isEmpty()) {
      auto* text = rig.Find<QLabel>(def.ValueLabel());
      ASSERT_NE(text, nullptr) << S(def.ValueLabel());
    }
  }
  // Value texts follow the bound values: drive 31 reads 100%, the bands 0 db.
  EXPECT_EQ(S(rig.Find<QLabel>("txtCMPdrive")->text()), "100%");
  EXPECT_EQ(S(rig.Find<QLabel>("txtEQU40Hz")->text()), "0 db");
  EXPECT_EQ(S(rig.Find<QLabel>("txtMIXdry")->text()), "100%");
}

TEST(PresetEditorWindow, FrameCaptionsHintsAndPages) {
  EditorRig rig;
  rig.Show(SamplePreset());
  TfrmPresetEditor& e = *rig.editor;
  const struct {
    QToolButton* button;
    const char* text;
    const char* hint;
  } buttons[] = {
      {e.btnOpen, "&Open", "Open another preset..."},
      {e.btnSaveAs, "&Save...", "Save this preset to a file"},
      {e.btnSendOut, "Sen&d", "Send preset to MIDI out (F9)"},
      {e.btnStore, "Sto&re...", "Store the current preset at..."},
      {e.btnPrint, "&Print", "Print preset data"},
      {e.btnPrtSetup, "Set&up", "Printer selection/configuration"},
      {e.btnExit, "&Exit", "Just what it says"},
  };
  for (const auto& b : buttons) {
    EXPECT_EQ(S(b.button->text()), b.text);
    EXPECT_EQ(S(b.button->toolTip()), b.hint);
  }
  EXPECT_EQ(S(e.chkAutoSend->text()), "Auto send");
  EXPECT_EQ(S(e.windowTitle()), "QVA ZQN-Tarvo Preset Editor <not saved>");
  ASSERT_EQ(e.cklAnalogSelect->count(), 9);
  EXPECT_EQ(S(e.cklAnalogSelect->item(7)->text()), "Digital Contour");
  ASSERT_EQ(e.pgcPreset->count(), 4);
  EXPECT_EQ(S(e.pgcPreset->tabText(3)), "Vexa states");
  ASSERT_EQ(e.pgcAnalogParams->count(), 9);
  EXPECT_EQ(S(e.pgcAnalogParams->widget(3)->objectName()), "tsEnvelopeFilter");
  EXPECT_EQ(S(e.pgcAnalogParams->tabText(6)), "AES");
  // Only the effects that are on show their tabs; the lowest one is active.
  for (int i = 0; i < 9; ++i) EXPECT_EQ(e.pgcAnalogParams->isTabVisible(i), i == 0 || i == 5);
  EXPECT_EQ(e.pgcAnalogParams->currentIndex(), 0);
  EXPECT_EQ(S(e.lblDigGrp->text()), "Group #0");
  ASSERT_EQ(e.lbxDigSel->count(), 1);
  EXPECT_EQ(S(e.lbxDigSel->item(0)->text()), S(EffectName(GroupEffect(0, 0))));
  EXPECT_EQ(S(e.edtTitle->text()), "Lead Solo");
}

// ---------------------------------------------------------------------------------------------
// Settle timer and sends

TEST(PresetEditorWindow, ToolbarButtonsAskTheirQuestions) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  rig.dialogs->PlanCancel();
  rig.editor->btnSaveAs->click();
  ASSERT_EQ(rig.dialogs->Asked().size(), 1u);
  EXPECT_EQ(rig.dialogs->Last().kind, TDialogKind::SaveFile);
  rig.dialogs->PlanPrinterSetup(false);
  rig.editor->btnPrtSetup->click();
  ASSERT_EQ(rig.dialogs->Asked().size(), 2u);
  EXPECT_EQ(rig.dialogs->Last().kind, TDialogKind::PrinterSetup);
  EXPECT_EQ(rig.dialogs->PlansLeft(), 0);
}

TEST(PresetEditorChanges, ThreeMovesWithinTheSettleTimeGiveOneSnapshotAndOneSend) {
  EditorRig rig;
  rig.Show(SamplePreset());
  auto* bar = rig.Find<TkxTrackBar>("trbCMPoutput");
  ASSERT_EQ(rig.editor->History().UndoList.Count(), 1);
  for (int i = 0; i < 3; ++i) StepRight(bar);
  EXPECT_EQ(rig.editor->Preset().AnalogParams[4], SamplePreset().AnalogParams[4] + 3);
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_TRUE(rig.editor->SendPending());
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified");
  QTest::qWait(TestSettleMs * 4);
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 2);
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified, Sent");
  // The unit's edit buffer now holds exactly the edited preset.
  EXPECT_EQ(rig.unit.EditBuffer(), ImageBytes(rig.editor->Preset()));
}

TEST(PresetEditorChanges, WithAutoSendOffMovesGiveOneSnapshotAndNoSend) {
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->chkAutoSend->click();
  ASSERT_FALSE(rig.editor->chkAutoSend->isChecked());
  auto* bar = rig.Find<TkxTrackBar>("trbCMPdrive");
  for (int i = 0; i < 3; ++i) {
    bar->setFocus();
    QTest::keyClick(bar, Qt::Key_Left);
  }
  QTest::qWait(TestSettleMs * 4);
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 2);
  EXPECT_EQ(rig.editor->Preset().AnalogParams[0], 28);
  EXPECT_EQ(S(rig.Find<QLabel>("txtCMPdrive")->text()), EighthsPercentText(28).toStdString());
}

// A movement still settling when the window closes is recorded and sent as the timer would.
TEST(PresetEditorChanges, AMovementJustBeforeClosingStillReachesTheUnit) {
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  rig.editor->SetSettleInterval(60000);
  StepRight(rig.Find<TkxTrackBar>("trbCMPoutput"));
  rig.dialogs->PlanButton(QMessageBox::No);  // the save question
  rig.editor->btnExit->click();
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 2);
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.unit.EditBuffer(), ImageBytes(rig.editor->Preset()));
}

TEST(PresetEditorChanges, TypingATitleSendsAfterEveryKeystrokeEvenWithAutoSendOff) {
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->chkAutoSend->setChecked(false);
  rig.editor->edtTitle->clear();
  rig.sent.clear();
  const int before = rig.editor->History().UndoList.Count();
  QTest::keyClicks(rig.editor->edtTitle, QStringLiteral("Abc"));
  EXPECT_EQ(rig.sent.size(), 3u);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), before + 3);
  EXPECT_EQ(S(rig.editor->Preset().Title), "Abc");
  EXPECT_EQ(QuickTitle(AsBytes(rig.sent.back())).toStdString(), "Abc");
  // At most 16 characters reach the preset.
  QTest::keyClicks(rig.editor->edtTitle, QStringLiteral("0123456789ABCDEFGH"));
  EXPECT_EQ(rig.editor->Preset().Title.size(), TitleLength);
}

TEST(PresetEditorChanges, StatusTextsFollowEditsSendsAndSaves) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.Show(SamplePreset());
  EXPECT_EQ(S(rig.editor->StatusText()), "");
  rig.editor->chkAutoSend->setChecked(false);
  StepRight(rig.Find<TkxTrackBar>("trbCMPdrive"));  // at 31 already: no change
  EXPECT_EQ(S(rig.editor->StatusText()), "");
  StepRight(rig.Find<TkxTrackBar>("trbCMPoutput"));
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified");
  QTest::keyClick(rig.editor.get(), Qt::Key_F9);
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified, Sent");
  rig.editor->btnSendOut->click();
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified, Sent");
  EXPECT_EQ(rig.sent.size(), 2u);
  rig.dialogs->PlanSaveFile(dir.filePath("a.zqn"));
  ASSERT_TRUE(rig.editor->SaveAs());
  EXPECT_EQ(S(rig.editor->StatusText()), "Saved");
  QTest::keyClick(rig.editor.get(), Qt::Key_F9);
  EXPECT_EQ(S(rig.editor->StatusText()), "Saved, Sent");
}

TEST(PresetEditorChanges, CtrlShiftZDoesNothingAndShiftF9Sends) {
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->chkAutoSend->setChecked(false);
  StepRight(rig.Find<TkxTrackBar>("trbCMPoutput"));
  QTest::qWait(TestSettleMs * 3);
  ASSERT_EQ(rig.editor->History().UndoList.Count(), 2);
  const int output = rig.editor->Preset().AnalogParams[4];
  QTest::keyClick(rig.editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 2);
  EXPECT_EQ(rig.editor->Preset().AnalogParams[4], output);
  QTest::keyClick(rig.editor.get(), Qt::Key_F9, Qt::ShiftModifier);
  EXPECT_EQ(rig.sent.size(), 1u);
  // Ctrl+Z alone undoes, also with the focus in the title (whose own undo it overrides).
  rig.editor->edtTitle->setFocus();
  QTest::keyClick(rig.editor->edtTitle, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 1);
  EXPECT_EQ(rig.editor->Preset().AnalogParams[4], output - 1);
  QTest::keyClick(rig.editor->edtTitle, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(rig.editor->Preset().AnalogParams[4], output);
}

TEST(PresetEditorChanges, ASendRefusesADumpWithAByteTheUnitCannotReceive) {
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->Preset().Header[2] = 0x80;  // a channel byte no message can carry
  rig.dialogs->PlanButton(QMessageBox::Ok);
  rig.editor->SendPreset();
  EXPECT_TRUE(rig.sent.empty());
  EXPECT_EQ(MessagesWithCaption(*rig.dialogs, "Sorry..."), 1);
  EXPECT_TRUE(rig.dialogs->Last().text.contains("cannot be sent"));
}

// ---------------------------------------------------------------------------------------------
// Analog effects, equalizer, Vexa states

TEST(PresetEditorAnalog, SwitchingTheCompressorOnWritesItsDefaults) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.AnalogInUse[0] = false;
  for (int s = 0; s < 5; ++s) p.AnalogParams[s] = 0;
  rig.Show(p);
  TfrmPresetEditor& e = *rig.editor;
  EXPECT_FALSE(e.pgcAnalogParams->isTabVisible(0));
  EXPECT_FALSE(e.VexaBoxes[0]->isEnabled());
  e.cklAnalogSelect->item(0)->setCheckState(Qt::Checked);
  const int expected[5] = {24, 3, 1, 3, 42};
  for (int s = 0; s < 5; ++s) EXPECT_EQ(e.Preset().AnalogParams[s], expected[s]) << s;
  EXPECT_EQ(rig.Find<TkxTrackBar>("trbCMPdrive")->Position(), 24);
  EXPECT_EQ(rig.Find<TkxRadioGroup>("ragCMPslope")->ItemIndex(), 3);
  EXPECT_EQ(rig.Find<TkxRadioGroup>("ragCMPattack")->ItemIndex(), 1);
  EXPECT_EQ(rig.Find<TkxRadioGroup>("ragCMPrelease")->ItemIndex(), 3);
  EXPECT_EQ(rig.Find<TkxTrackBar>("trbCMPoutput")->Position(), 42);
  EXPECT_EQ(S(rig.Find<QLabel>("txtCMPoutput")->text()), S(DoublePercentText(42)));
  EXPECT_TRUE(e.Preset().AnalogInUse[0]);
  EXPECT_TRUE(e.pgcAnalogParams->isTabVisible(0));
  EXPECT_EQ(e.pgcAnalogParams->currentIndex(), 0);
  // The Vexa state of the compressor follows, and the change was sent at once.
  EXPECT_TRUE(e.VexaBoxes[0]->isEnabled());
  EXPECT_TRUE(e.VexaBoxes[0]->isChecked());
  EXPECT_TRUE(e.Preset().GetVexaState(1));
  ASSERT_FALSE(rig.sent.empty());
  EXPECT_EQ(rig.unit.EditBuffer(), ImageBytes(e.Preset()));
  EXPECT_FALSE(e.timSys->isActive());  // rebinding to the defaults is no movement

  // Off: the values stay, the page goes.
  rig.Find<TkxTrackBar>("trbCMPdrive")->SetPosition(10);
  e.cklAnalogSelect->item(0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(e.Preset().AnalogParams[0], 10);
  EXPECT_FALSE(e.pgcAnalogParams->isTabVisible(0));
  EXPECT_EQ(e.pgcAnalogParams->currentIndex(), 5);
  EXPECT_FALSE(e.VexaBoxes[0]->isEnabled());
  EXPECT_TRUE(e.pgcAnalogParams->isVisible());
  // Switching off the last one hides the analog pages.
  e.cklAnalogSelect->item(5)->setCheckState(Qt::Unchecked);
  EXPECT_FALSE(e.pgcAnalogParams->isVisible());
  e.cklAnalogSelect->item(8)->setCheckState(Qt::Checked);
  EXPECT_TRUE(e.pgcAnalogParams->isVisible());
  EXPECT_EQ(e.pgcAnalogParams->currentIndex(), 8);
  EXPECT_EQ(e.Preset().AnalogParams[27], 41);
  // The page in view going off shows the first one left, even the very first.
  e.cklAnalogSelect->item(0)->setCheckState(Qt::Checked);
  e.pgcAnalogParams->setCurrentIndex(8);
  e.cklAnalogSelect->item(8)->setCheckState(Qt::Unchecked);
  EXPECT_TRUE(e.pgcAnalogParams->isVisible());
  EXPECT_EQ(e.pgcAnalogParams->currentIndex(), 0);
}

TEST(PresetEditorAnalog, EqualizerScrollBarsDriveTheirMeters) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.AnalogParams[17] = 9;
  rig.Show(p);
  auto* scroll = rig.Find<QScrollBar>("scrEQU40Hz");
  auto* meter = rig.Find<TkxLCDmeter>("lcdEQU40Hz");
  EXPECT_EQ(meter->Position(), 9);
  EXPECT_EQ(scroll->value(), 3);  // the top of the bar is the largest boost
  EXPECT_EQ(S(rig.Find<QLabel>("txtEQU40Hz")->text()), S(EqLevelText(9)));
  scroll->setValue(0);
  EXPECT_EQ(meter->Position(), 12);
  EXPECT_EQ(rig.editor->Preset().AnalogParams[17], 12);
  EXPECT_EQ(S(rig.Find<QLabel>("txtEQU40Hz")->text()), S(EqLevelText(12)));
  EXPECT_TRUE(rig.editor->timSys->isActive());  // a meter change is deferred
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified");
}

TEST(PresetEditorAnalog, VexaStatesFollowTheEffectsInTheChain) {
  EditorRig rig;
  TPreset p = SamplePreset();  // compressor, equalizer; group 0's first effect
  p.VexaStates.fill(false);
  rig.Show(p);
  TfrmPresetEditor& e = *rig.editor;
  const std::array<bool, 10> digitalPresent = [&] {
    std::array<bool, 10> present{};
    const auto pages = e.DigitalPagesShown();
    present[3] = pages[0];
    present[5] = pages[7] || pages[8];
    present[6] = pages[9] || pages[10] || pages[11];
    present[7] = pages[3] || pages[16];
    present[8] = pages[1] || pages[15] || pages[2];
    present[9] = pages[4] || pages[6] || pages[14] || pages[12] || pages[13] || pages[5];
    return present;
  }();
  // Enabled by the rule; checked as the preset holds them, which showing does not change.
  for (int n = 1; n <= 9; ++n) {
    const bool expected = n == 1 || n == 3 || digitalPresent[n];
    EXPECT_EQ(e.VexaBoxes[n - 1]->isEnabled(), expected) << n;
    EXPECT_FALSE(e.VexaBoxes[n - 1]->isChecked()) << n;
    EXPECT_FALSE(e.Preset().GetVexaState(n)) << n;
  }
  // A click writes the flag and is sent at once.
  rig.sent.clear();
  e.VexaBoxes[0]->click();
  EXPECT_TRUE(e.Preset().GetVexaState(1));
  EXPECT_EQ(rig.sent.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Showing

TEST(PresetEditorShow, EveryShowChecksAutoSendAlsoAfterUndo) {
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->chkAutoSend->setChecked(false);
  rig.editor->hide();
  rig.editor->show();
  EXPECT_TRUE(rig.editor->chkAutoSend->isChecked());
  rig.editor->edtTitle->setText("X");
  rig.editor->chkAutoSend->setChecked(false);
  rig.editor->Undo();
  EXPECT_TRUE(rig.editor->chkAutoSend->isChecked());
  EXPECT_EQ(S(rig.editor->Preset().Title), "Lead Solo");
}

TEST(PresetEditorShow, AGroupOutsideTheTableShowsThePresetErrorOnce) {
  EditorRig rig;
  TPreset p = SamplePreset();
  p.DigitalGroup = 54;
  p.DigitalInUse.fill(true);
  rig.dialogs->PlanButton(QMessageBox::Ok);
  rig.Show(p);
  ASSERT_EQ(MessagesWithCaption(*rig.dialogs, "Preset error"), 1);
  const TDialogRecord& r = rig.dialogs->Asked().front();
  EXPECT_EQ(S(r.text),
            "Digital effect configuration is invalid and will be ignored.\nThe remaining preset "
            "data will be shown as is.\nSaving this preset may cause loss of data (but it "
            "appears corrupted already).");
  EXPECT_EQ(r.buttons, QMessageBox::Ok);
  EXPECT_EQ(rig.editor->Preset().DigitalGroup, 0);
  for (bool b : rig.editor->Preset().DigitalInUse) EXPECT_FALSE(b);
  EXPECT_EQ(S(rig.editor->lblDigGrp->text()), "Group #0");
  EXPECT_EQ(rig.editor->lbxDigSel->count(), 0);
  // The dropped state is what a send carries.
  rig.editor->SendPreset();
  TPreset sent;
  sent.LoadFromImage(AsBytes(rig.sent.back()));
  EXPECT_EQ(sent.DigitalGroup, 0);
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty());
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

TEST(PresetEditorUndo, ASingleSnapshotCannotBeUndoneAndReadsZero) {
  EditorRig rig;
  rig.Show(SamplePreset());
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 1);
  EXPECT_FALSE(rig.editor->btnUndo->isEnabled());
  EXPECT_EQ(S(rig.editor->btnUndo->toolTip()), "0 items in undo list   [Ctrl+Z]");
  EXPECT_EQ(S(rig.editor->btnRedo->toolTip()), "0 items in redo list   [Ctrl+Y]");
  QTest::keyClick(rig.editor.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 1);
  EXPECT_EQ(rig.editor->History().RedoList.Count(), 0);
  EXPECT_EQ(S(rig.editor->Preset().Title), "Lead Solo");
}

TEST(PresetEditorUndo, UndoRedoRestoreValuesAndPagesAndANewEditEmptiesRedo) {
  EditorRig rig;
  rig.Show(SamplePreset());
  TfrmPresetEditor& e = *rig.editor;
  e.edtTitle->setText("One");
  e.edtTitle->setText("Two");
  ASSERT_EQ(e.History().UndoList.Count(), 3);
  EXPECT_EQ(S(e.btnUndo->toolTip()), "2 items in undo list   [Ctrl+Z]");
  e.pgcPreset->setCurrentWidget(e.tsVexastates);
  e.pgcAnalogParams->setCurrentIndex(5);
  e.btnUndo->click();
  EXPECT_EQ(S(e.Preset().Title), "One");
  EXPECT_EQ(S(e.edtTitle->text()), "One");
  EXPECT_EQ(e.pgcPreset->currentWidget(), e.tsVexastates);
  EXPECT_EQ(e.pgcAnalogParams->currentIndex(), 5);
  e.btnUndo->click();
  EXPECT_EQ(S(e.Preset().Title), "Lead Solo");
  EXPECT_EQ(e.History().RedoList.Count(), 2);
  EXPECT_EQ(S(e.btnRedo->toolTip()), "2 items in redo list   [Ctrl+Y]");
  EXPECT_TRUE(e.btnRedo->isEnabled());
  EXPECT_FALSE(e.btnUndo->isEnabled());
  e.btnRedo->click();
  EXPECT_EQ(S(e.Preset().Title), "One");
  EXPECT_EQ(e.History().UndoList.Count(), 2);
  EXPECT_EQ(e.History().RedoList.Count(), 1);
  EXPECT_FALSE(UndoSuppressed);
  // A new edit after an undo drops what could have been redone.
  e.edtTitle->setText("Three");
  EXPECT_EQ(e.History().RedoList.Count(), 0);
  EXPECT_FALSE(e.btnRedo->isEnabled());
  EXPECT_EQ(e.History().UndoList.Count(), 3);
}

// ---------------------------------------------------------------------------------------------
// Files

TEST(PresetEditorFiles, SaveProposesTheCleanedTitleInTheLastFolderAndStartsAFreshHistory) {
  QTemporaryDir dir;
  EditorRig rig;
  TPreset p = SamplePreset();
  p.Title = QStringLiteral(" A/B: \"x\"? ");
  rig.Show(p);
  TfrmPresetEditor::LastSaveFolder = QDir::toNativeSeparators(dir.path() + "/");
  rig.dialogs->PlanSaveFile(dir.filePath("saved.zqn"));
  rig.editor->edtTitle->setText(p.Title.trimmed());
  ASSERT_TRUE(rig.editor->SaveAs());
  const TDialogRecord& r = rig.dialogs->Last();
  EXPECT_EQ(S(r.fileName), S(QDir(dir.path()).filePath("A-B  'x' .zqn")));
  EXPECT_EQ(S(r.filter), "ZQN-Tarvo presets (*.zqn*)");
  QFile file(dir.filePath("saved.zqn"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), ImageBytes(rig.editor->Preset()));
  EXPECT_EQ(S(rig.editor->windowTitle()),
            S(dir.filePath("saved.zqn") + " - QVA ZQN-Tarvo Preset Editor"));
  EXPECT_FALSE(rig.editor->Preset().IsModified());
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 1);
  EXPECT_EQ(S(rig.editor->btnUndo->toolTip()), "0 items in undo list   [Ctrl+Z]");
  // The first edit after the save can be undone back to the saved state.
  rig.editor->edtTitle->setText("Changed");
  rig.editor->Undo();
  EXPECT_EQ(S(rig.editor->Preset().Title), S(p.Title.trimmed()));
  // A known file is proposed as it is.
  rig.dialogs->PlanCancel();
  EXPECT_FALSE(rig.editor->SaveAs());
  EXPECT_EQ(S(rig.dialogs->Last().fileName), S(dir.filePath("saved.zqn")));
}

TEST(PresetEditorFiles, AFailedSaveLeavesEverythingAsItWas) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->edtTitle->setText("Edited");
  const int snapshots = rig.editor->History().UndoList.Count();
  rig.dialogs->PlanSaveFile(dir.filePath("no/such/folder/x.zqn"));
  rig.dialogs->PlanButton(QMessageBox::Ok);
  EXPECT_FALSE(rig.editor->SaveAs());
  EXPECT_EQ(rig.editor->History().UndoList.Count(), snapshots);
  EXPECT_TRUE(rig.editor->FileName().isEmpty());
  EXPECT_EQ(S(rig.editor->StatusText()), "Modified, Sent");
}

TEST(PresetEditorFiles, OpeningA247ByteFileChangesNothing) {
  QTemporaryDir dir;
  EditorRig rig;
  const QString good = dir.filePath("good.zqn");
  rig.ShowSettled(SamplePreset(), good);
  QByteArray bytes = ImageBytes(SamplePreset());
  bytes.append(char(0));
  QFile bad(dir.filePath("bad.zqn"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write(bytes);
  bad.close();
  const QString caption = rig.editor->windowTitle();
  const QByteArray before = ImageBytes(rig.editor->Preset());
  rig.dialogs->PlanOpenFiles({bad.fileName()});
  rig.dialogs->PlanButton(QMessageBox::Ok);
  ASSERT_FALSE(rig.editor->Preset().IsModified());
  rig.editor->btnOpen->click();
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty()) << S(rig.dialogs->Problems().join(";"));
  EXPECT_EQ(S(rig.dialogs->Last().text), "Not a valid preset file");
  EXPECT_EQ(S(rig.editor->FileName()), S(good));
  EXPECT_EQ(S(rig.editor->windowTitle()), S(caption));
  EXPECT_EQ(ImageBytes(rig.editor->Preset()), before);
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 1);
}

TEST(PresetEditorFiles, OpenAsksToSaveAModifiedPresetAndShowsTheNewOne) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.Show(SamplePreset());
  TPreset other = SamplePreset();
  other.Title = QStringLiteral("Other");
  QFile file(dir.filePath("other.zqn"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(ImageBytes(other));
  file.close();
  rig.editor->edtTitle->setText("Edited");
  rig.dialogs->PlanButton(QMessageBox::Cancel);
  rig.editor->Open();
  EXPECT_EQ(S(rig.dialogs->Last().text), "Do you want to save your changes?");
  EXPECT_EQ(S(rig.editor->Preset().Title), "Edited");
  // "Yes" with a save that does not happen keeps the edits: nothing is opened.
  rig.dialogs->PlanButton(QMessageBox::Yes);
  rig.dialogs->PlanCancel();
  rig.editor->Open();
  EXPECT_EQ(rig.dialogs->Last().kind, TDialogKind::SaveFile);
  rig.dialogs->PlanButton(QMessageBox::No);
  rig.dialogs->PlanOpenFiles({file.fileName()});
  rig.editor->Open();
  EXPECT_EQ(S(rig.dialogs->Last().fileName), "*.zqn*");
  EXPECT_EQ(S(rig.editor->Preset().Title), "Other");
  EXPECT_EQ(S(rig.editor->edtTitle->text()), "Other");
  EXPECT_EQ(S(rig.editor->FileName()), S(file.fileName()));
  EXPECT_TRUE(rig.dialogs->Problems().isEmpty());
}

TEST(PresetEditorFiles, CloseAsksForAFreshPresetAndHidesTheWindow) {
  EditorRig rig;
  rig.editor->show();
  ASSERT_TRUE(rig.editor->NeverSaved());
  rig.dialogs->PlanButton(QMessageBox::Cancel);
  rig.editor->btnExit->click();
  EXPECT_TRUE(rig.editor->isVisible());
  rig.dialogs->PlanButton(QMessageBox::No);
  rig.editor->btnExit->click();
  EXPECT_FALSE(rig.editor->isVisible());
  // A shown, unmodified preset closes without a question; the window survives for reuse.
  rig.ShowSettled(SamplePreset());
  ASSERT_FALSE(rig.editor->Preset().IsModified());
  const int asked = int(rig.dialogs->Asked().size());
  rig.editor->close();
  EXPECT_EQ(int(rig.dialogs->Asked().size()), asked);
  EXPECT_FALSE(rig.editor->isVisible());
  rig.editor->ResetEditor();
  EXPECT_EQ(S(rig.editor->windowTitle()), "QVA ZQN-Tarvo Preset Editor <not saved>");
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 0);
}

// ---------------------------------------------------------------------------------------------
// Store

struct StoreCase {
  int number;
  std::uint8_t ll, hh;
};

class PresetEditorStore : public ::testing::TestWithParam<StoreCase> {};

TEST_P(PresetEditorStore, StoresAtTheEnteredLocation) {
  const StoreCase c = GetParam();
  const int savedDelay = RequestDelay;
  RequestDelay = 0;
  EditorRig rig;
  rig.unitPresetNo = c.number;
  rig.Show(SamplePreset());
  rig.dialogs->AnswerForm<TfrmStorePrompt>([](TfrmStorePrompt& form) {
    form.btnOK->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->btnStore->click();
  RequestDelay = savedDelay;
  ASSERT_EQ(rig.raw.size(), 1u);
  QByteArray expected = QByteArray::fromHex("F01A00150A");
  expected.append(char(c.ll)).append(char(c.hh)).append(char(0xF7));
  EXPECT_EQ(rig.raw[0].toHex(' ').toStdString(), expected.toHex(' ').toStdString());
  // Sent first, then stored: the unit's memory holds this preset.
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.unit.Preset(rig.unit.Bank(), c.number - 1), ImageBytes(rig.editor->Preset()));
}

INSTANTIATE_TEST_SUITE_P(Locations, PresetEditorStore,
                         ::testing::Values(StoreCase{1, 0x00, 0x00}, StoreCase{128, 0x7F, 0x00},
                                           StoreCase{129, 0x00, 0x01}, StoreCase{200, 0x47, 0x01}));

// Storing with the preset sent first waits for the unit: the store goes to the number confirmed,
// whatever the prompt says after the wait, and nowhere once the window is closed.
TEST(PresetEditorStorePrompt, AStoreGoesToTheNumberConfirmedOrNowhere) {
  const int savedDelay = RequestDelay;
  RequestDelay = 200;
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  int prompts = 0;
  bool closeMeanwhile = false;
  rig.dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& form) {
    const bool first = ++prompts % 2 == 1;  // the second comes during the first one's wait
    form.edtPresetNo->selectAll();
    QTest::keyClicks(form.edtPresetNo, first ? "10" : "7");
    if (first)
      QTimer::singleShot(
          0, [&] { (closeMeanwhile ? rig.editor->btnExit : rig.editor->btnStore)->click(); });
    (first ? form.btnOK : form.btnCancel)->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->btnStore->click();
  ASSERT_EQ(rig.raw.size(), 1u);
  EXPECT_EQ(rig.raw[0].toHex(' ').toStdString(), "f0 1a 00 15 0a 09 00 f7");
  closeMeanwhile = true;
  rig.editor->btnStore->click();
  EXPECT_EQ(rig.raw.size(), 1u);
  RequestDelay = savedDelay;
}

// Storing without the preset having reached the unit would keep whatever the unit holds under
// the chosen number: a send that fails stops the store.
TEST(PresetEditorStorePrompt, AFailedSendStoresNothing) {
  EditorRig rig;
  rig.Show(SamplePreset());
  rig.editor->OnSendPreset = [](QIODevice&) {
    return QStringLiteral("MIDI Out device not available");
  };
  rig.dialogs->AnswerForm<TfrmStorePrompt>([](TfrmStorePrompt& form) {
    form.btnOK->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->btnStore->click();
  EXPECT_TRUE(rig.raw.empty());
  EXPECT_EQ(S(rig.editor->StatusText()), "MIDI Out device not available");
}

// Saved, the preset closes and opens another without a question.
TEST(PresetEditorFiles, ASavedPresetClosesWithoutAQuestion) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.ShowSettled(SamplePreset());
  rig.dialogs->PlanSaveFile(dir.filePath("Lead.zqn"));
  ASSERT_TRUE(rig.editor->SaveAs());
  const std::size_t asked = rig.dialogs->Asked().size();
  EXPECT_TRUE(rig.editor->CloseQuery());
  EXPECT_EQ(rig.dialogs->Asked().size(), asked);
}

TEST(PresetEditorStorePrompt, ABackupFileNameProposesItsNumberWhenTheUnitIsSilent) {
  QTemporaryDir dir;
  EditorRig rig;
  rig.unitPresetNo = -1;
  rig.Show(SamplePreset(), dir.filePath("Lead.zqn042"));
  int proposed = 0;
  rig.dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& form) {
    proposed = form.PresetNo();
    form.btnCancel->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->Store();
  EXPECT_EQ(proposed, 42);
  EXPECT_TRUE(rig.raw.empty());
  // The prompt is kept: a silent unit keeps the last proposal, a known number replaces it.
  TfrmStorePrompt* prompt = rig.editor->StorePrompt();
  ASSERT_NE(prompt, nullptr);
  rig.dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& form) {
    proposed = form.PresetNo();
    form.btnCancel->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->Store();
  EXPECT_EQ(proposed, 42);
  rig.unitPresetNo = 7;
  rig.dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& form) {
    proposed = form.PresetNo();
    form.btnCancel->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->Store();
  EXPECT_EQ(proposed, 7);
  EXPECT_EQ(rig.editor->StorePrompt(), prompt);
}

}  // namespace
