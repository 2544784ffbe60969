#include <gtest/gtest.h>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>

#include "EditorTestUtil.h"
#include "controls/kxRadioGroup.h"
#include "controls/kxTrackBar.h"
#include "device/PickList.h"
#include "preset/ParamTable.h"
#include "preset/Scales.h"

namespace {

QStringList Texts(const QListWidget* list) {
  QStringList t;
  for (int i = 0; i < list->count(); ++i) t << list->item(i)->text();
  return t;
}

TPreset EmptyChain() {
  TPreset p = SamplePreset();
  p.DigitalInUse.fill(false);
  return p;
}

// The lowest group holding the effect, with only that effect switched on.
TPreset WithEffect(int effect) {
  TPreset p = EmptyChain();
  for (int g = 0; g < DigitalGroupCount; ++g) {
    const int place = GroupPlaceOf(g, effect);
    if (place < 0) continue;
    p.DigitalGroup = g;
    p.DigitalInUse[place] = true;
    std::vector<int> defaults = EffectDefaults(effect);
    for (int i = 0; i < int(defaults.size()); ++i)
      p.DigitalSlots[SlotOffset(g, place) + i] = defaults[i];
    return p;
  }
  return p;
}

void Add(EditorRig& rig, const QString& name) {
  const QList<QListWidgetItem*> found = rig.editor->lbxDigAvail->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << name.toStdString();
  rig.editor->lbxDigAvail->setCurrentItem(found.first());
  ASSERT_TRUE(rig.editor->btnAddDfx->isEnabled());
  rig.editor->btnAddDfx->click();
}

void Remove(EditorRig& rig, const QString& name) {
  const QList<QListWidgetItem*> found = rig.editor->lbxDigSel->findItems(name, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << name.toStdString();
  rig.editor->lbxDigSel->setCurrentItem(found.first());
  ASSERT_TRUE(rig.editor->btnDelDfx->isEnabled());
  rig.editor->btnDelDfx->click();
}

std::vector<int> VisibleDigitalPages(const EditorRig& rig) {
  std::vector<int> pages;
  for (int i = 0; i < rig.editor->pgcDigitalParams->count(); ++i)
    if (rig.editor->pgcDigitalParams->isTabVisible(i)) pages.push_back(i);
  return pages;
}

// ---------------------------------------------------------------------------------------------
// Pages

TEST(EditorDigitalPages, SeventeenPagesInOrderWithEveryControlOfTheTable) {
  EditorRig rig;
  rig.Show(EmptyChain());
  QTabWidget* pages = rig.editor->pgcDigitalParams;
  ASSERT_EQ(pages->count(), 17);
  for (int p = 0; p < 17; ++p) {
    EXPECT_EQ(pages->widget(p)->objectName(), QString::fromLatin1(DigitalPages()[p].Name));
    EXPECT_EQ(pages->tabText(p), QString::fromLatin1(DigitalPages()[p].Caption));
  }
  for (int effect = 0; effect < DigitalEffectCount; ++effect) {
    QWidget* page = pages->widget(DigitalCatalogue[effect].Page);
    for (const TParamDef& def : DigitalEffectParams(effect)) {
      SCOPED_TRACE(def.Control);
      QWidget* control = page->findChild<QWidget*>(QString::fromLatin1(def.Control));
      ASSERT_NE(control, nullptr);
      if (def.Kind == TControlKind::TrackBar) {
        EXPECT_NE(qobject_cast<TkxTrackBar*>(control), nullptr);
        EXPECT_NE(page->findChild<QLabel*>(def.ValueLabel()), nullptr);
      } else if (def.Kind == TControlKind::RadioGroup) {
        auto* group = qobject_cast<TkxRadioGroup*>(control);
        ASSERT_NE(group, nullptr);
        EXPECT_EQ(group->title(), QString::fromLatin1(def.Caption));
      } else if (def.Kind == TControlKind::ListBox) {
        auto* list = qobject_cast<QListWidget*>(control);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->count(), 128);
        EXPECT_EQ(list->item(60)->text(), QStringLiteral("C 4"));
      }
    }
  }
  auto* center = rig.Find<QPushButton>(QStringLiteral("btnMPNcenter"));
  ASSERT_NE(center, nullptr);
  EXPECT_EQ(center->text(), QStringLiteral("&Center"));
  EXPECT_NE(rig.Find<QLabel>(QStringLiteral("txtREVdifflbl")), nullptr);
}

struct TMaxCase {
  int Effect;
  const char* Control;
  int Max;
};

class EditorDigitalVariantMax : public ::testing::TestWithParam<TMaxCase> {};

TEST_P(EditorDigitalVariantMax, BindingSetsTheVariantsMaximum) {
  const TMaxCase& c = GetParam();
  EditorRig rig;
  rig.Show(WithEffect(c.Effect));
  auto* bar = rig.Find<TkxTrackBar>(QString::fromLatin1(c.Control));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->Max(), c.Max);
}

INSTANTIATE_TEST_SUITE_P(Variants, EditorDigitalVariantMax,
                         ::testing::Values(TMaxCase{deGateVerb1, "trbGATdecay", 4},
                                           TMaxCase{deGateVerb2, "trbGATdecay", 7},
                                           TMaxCase{deGateVerb3, "trbGATdecay", 7},
                                           TMaxCase{deTappedDdlS, "trbTAPdelay", 118},
                                           TMaxCase{deTappedDdlL, "trbTAPdelay", 122},
                                           TMaxCase{deRegenDdlS, "trbREGdelay", 118},
                                           TMaxCase{deRegenDdlL, "trbREGdelay", 122},
                                           TMaxCase{deStereoDdlS, "trbSDDleft_delay_lgth", 122},
                                           TMaxCase{deStereoDdlS, "trbSDDright_delay_lgth", 122},
                                           TMaxCase{deStereoDdlL, "trbSDDleft_delay_lgth", 126},
                                           TMaxCase{deStereoDdlL, "trbSDDright_delay_lgth", 126},
                                           TMaxCase{deSamplerS, "trbSMPlength", 104},
                                           TMaxCase{deSamplerL, "trbSMPlength", 127}));

TEST(EditorDigitalPages, GateVerbOneLimitsDecayAfterALongerVariantWasShown) {
  EditorRig rig;
  rig.Show(WithEffect(deGateVerb2));
  rig.editor->hide();
  rig.Show(WithEffect(deGateVerb1));
  auto* bar = rig.Find<TkxTrackBar>(QStringLiteral("trbGATdecay"));
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 4);
}

TEST(EditorDigitalPages, StereoDelayLengthsReachTheirVariantsLongestText) {
  for (const auto& [effect, max, text] :
       {std::tuple{deStereoDdlL, 126, "1.30 s"}, std::tuple{deStereoDdlS, 122, "1.10 s"}}) {
    EditorRig rig;
    rig.Show(WithEffect(effect));
    auto* bar = rig.Find<TkxTrackBar>(QStringLiteral("trbSDDleft_delay_lgth"));
    bar->SetPosition(200);
    EXPECT_EQ(bar->Position(), max);
    EXPECT_EQ(rig.Find<QLabel>(QStringLiteral("txtSDDleft_delay_lgth"))->text().toStdString(),
              text);
  }
}

TEST(EditorDigitalPages, ReverbTypeItemsAndStoredCodesFollowTheVariant) {
  for (const auto& [effect, count, first] :
       {std::tuple{deReverb1, 5, 9}, std::tuple{deReverb2, 9, 5}, std::tuple{deReverb3, 13, 1}}) {
    EditorRig rig;
    const TPreset p = WithEffect(effect);
    rig.Show(p);
    auto* type = rig.Find<TkxRadioGroup>(QStringLiteral("ragREVtype"));
    ASSERT_EQ(type->ButtonCount(), count);
    EXPECT_EQ(type->Items().first(), QString::fromLatin1(ReverbTypeNames[first - 1]));
    EXPECT_EQ(type->Items().last(), QStringLiteral("OFF"));
    const int slot = SlotOffset(p.DigitalGroup, GroupPlaceOf(p.DigitalGroup, effect));
    type->Button(0)->click();
    EXPECT_EQ(rig.editor->Preset().DigitalSlots[slot], first);
    type->Button(count - 1)->click();
    EXPECT_EQ(rig.editor->Preset().DigitalSlots[slot], 13);
  }
}

TEST(EditorDigitalPages, CenterSetsTheMidiPanTo64) {
  EditorRig rig;
  TPreset p = WithEffect(deMidiPan);
  const int slot = SlotOffset(p.DigitalGroup, GroupPlaceOf(p.DigitalGroup, deMidiPan));
  p.DigitalSlots[slot] = 10;
  rig.Show(p);
  auto* bar = rig.Find<TkxTrackBar>(QStringLiteral("trbMPNpos"));
  EXPECT_EQ(bar->Position(), 117);  // reversed
  EXPECT_EQ(rig.Find<QLabel>(QStringLiteral("txtMPNpos"))->text(), QStringLiteral("10"));
  rig.editor->btnMPNcenter->click();
  EXPECT_EQ(bar->Position(), 63);
  EXPECT_EQ(rig.editor->Preset().DigitalSlots[slot], 64);
  EXPECT_EQ(rig.Find<QLabel>(QStringLiteral("txtMPNpos"))->text(), QStringLiteral("64"));
}

TEST(EditorDigitalPages, AClickOnABaseKeyStoresItAndSendsAtOnce) {
  EditorRig rig;
  const TPreset p = WithEffect(dePitchTrans);
  rig.ShowSettled(p);
  const int slot = SlotOffset(p.DigitalGroup, GroupPlaceOf(p.DigitalGroup, dePitchTrans)) + 3;
  auto* list = rig.Find<QListWidget>(QStringLiteral("lstPTRbase_key"));
  ASSERT_EQ(list->property("Tag").toInt(), slot);
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsDigital);
  rig.editor->pgcDigitalParams->setCurrentIndex(DigitalCatalogue[dePitchTrans].Page);
  QApplication::processEvents();
  QListWidgetItem* c4 = list->item(60);
  ASSERT_EQ(c4->text(), QStringLiteral("C 4"));
  list->scrollToItem(c4);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(c4).center());
  EXPECT_EQ(rig.editor->Preset().DigitalSlots[slot], 60);
  ASSERT_EQ(rig.sent.size(), 1u);  // immediate, no settle time
  EXPECT_EQ(rig.sent.back(), ImageBytes(rig.editor->Preset()));
}

// ---------------------------------------------------------------------------------------------
// Chain editing

TEST(EditorDigitalChain, NothingSelectedOffersAll25NamesAlphabetically) {
  EditorRig rig;
  rig.Show(EmptyChain());
  QStringList expected;
  for (const TDigitalEffect& e : DigitalCatalogue) expected << QString::fromLatin1(e.Name);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Texts(rig.editor->lbxDigAvail), expected);
  EXPECT_FALSE(rig.editor->pgcDigitalParams->isVisibleTo(rig.editor->tsDigital));
  EXPECT_FALSE(rig.editor->btnAddDfx->isEnabled());
  EXPECT_FALSE(rig.editor->btnDelDfx->isEnabled());
}

TEST(EditorDigitalChain, DualPtrLeavesLowPassAndStereoDdlSInGroup53) {
  EditorRig rig;
  rig.Show(EmptyChain());
  Add(rig, QStringLiteral("Dual PTr"));
  EXPECT_EQ(Texts(rig.editor->lbxDigAvail),
            (QStringList{QStringLiteral("Low Pass"), QStringLiteral("Stereo DDL S")}));
  EXPECT_EQ(rig.editor->Preset().DigitalGroup, 53);
  EXPECT_EQ(rig.editor->lblDigGrp->text(), QStringLiteral("Group #53"));
  EXPECT_FALSE(rig.editor->btnAddDfx->isEnabled());
}

TEST(EditorDigitalChain, AddingReverb3ToAnEmptyChainGivesGroup27) {
  EditorRig rig;
  TPreset p = EmptyChain();
  p.DigitalSlots[0] = 17;
  rig.ShowSettled(p);
  Add(rig, QStringLiteral("Reverb 3"));
  const TPreset& r = rig.editor->Preset();
  EXPECT_EQ(r.DigitalGroup, 27);
  EXPECT_EQ(r.DigitalSlots[0], 17);
  const std::vector<int> regen = EffectDefaults(deRegenDdlS), reverb = EffectDefaults(deReverb3);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.DigitalSlots[1 + i], regen[i]) << i;
  for (int i = 0; i < 7; ++i) EXPECT_EQ(r.DigitalSlots[5 + i], reverb[i]) << i;
  EXPECT_EQ(r.DigitalInUse, (std::array<bool, 5>{false, false, true, false, false}));
  EXPECT_EQ(VisibleDigitalPages(rig), std::vector<int>{DigitalCatalogue[deReverb3].Page});
  EXPECT_EQ(rig.editor->pgcDigitalParams->currentIndex(), DigitalCatalogue[deReverb3].Page);
  EXPECT_FALSE(rig.Find<TkxTrackBar>(QStringLiteral("trbREVdiffusion"))->isHidden());
  EXPECT_FALSE(rig.Find<QLabel>(QStringLiteral("txtREVdifflbl"))->isHidden());
  // Bound from D0 over the whole row, the switched-off entries too.
  EXPECT_EQ(rig.Find<TkxTrackBar>(QStringLiteral("trbLPFfrequency"))->BoundField(),
            &rig.editor->Preset().DigitalSlots[0]);
  EXPECT_EQ(rig.Find<TkxTrackBar>(QStringLiteral("trbREGdelay"))->BoundField(),
            &rig.editor->Preset().DigitalSlots[1]);
  EXPECT_EQ(rig.Find<TkxTrackBar>(QStringLiteral("trbREGlevel"))->BoundField(),
            &rig.editor->Preset().DigitalSlots[4]);
  EXPECT_EQ(rig.Find<TkxRadioGroup>(QStringLiteral("ragREVtype"))->BoundField(),
            &rig.editor->Preset().DigitalSlots[5]);
  EXPECT_EQ(rig.Find<TkxTrackBar>(QStringLiteral("trbREVlevel"))->BoundField(),
            &rig.editor->Preset().DigitalSlots[11]);
  ASSERT_EQ(rig.sent.size(), 1u);
  EXPECT_EQ(rig.sent.back(), ImageBytes(r));
  EXPECT_EQ(rig.editor->History().UndoList.Count(), 2);
}

TEST(EditorDigitalChain, DiffusionHidesForOtherReverbsAndLevelTakesItsPlace) {
  EditorRig rig;
  rig.Show(WithEffect(deReverb1));
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsDigital);
  QApplication::processEvents();
  auto* level = rig.Find<TkxTrackBar>(QStringLiteral("trbREVlevel"));
  auto* position = rig.Find<TkxTrackBar>(QStringLiteral("trbREVposition"));
  EXPECT_TRUE(rig.Find<TkxTrackBar>(QStringLiteral("trbREVdiffusion"))->isHidden());
  EXPECT_TRUE(rig.Find<QLabel>(QStringLiteral("txtREVdiffusion"))->isHidden());
  EXPECT_EQ(level->geometry().left(), position->geometry().left());
  EXPECT_EQ(level->geometry().width(), position->geometry().width());

  rig.Show(WithEffect(deReverb3));
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsDigital);
  QApplication::processEvents();
  auto* text = rig.Find<QLabel>(QStringLiteral("txtREVdiffusion"));
  EXPECT_FALSE(text->isHidden());
  EXPECT_GE(level->geometry().left(), text->geometry().right() + 17);
}

// An effect E and an effect X whose joining moves E's slots (the lowest group holding both places
// E elsewhere than the lowest group holding E alone).
std::pair<int, int> MovingPair() {
  const auto lowest = [](std::initializer_list<int> effects) {
    for (int g = 0; g < DigitalGroupCount; ++g) {
      bool all = true;
      for (int e : effects) all = all && GroupContains(g, e);
      if (all) return g;
    }
    return -1;
  };
  for (int e = 0; e < DigitalEffectCount; ++e) {
    const int alone = lowest({e});
    for (int x = 0; x < DigitalEffectCount; ++x) {
      const int both = x == e ? -1 : lowest({e, x});
      if (both >= 0 && DigitalCatalogue[e].ParamCount > 2 &&
          SlotOffset(both, GroupPlaceOf(both, e)) != SlotOffset(alone, GroupPlaceOf(alone, e)))
        return {e, x};
    }
  }
  return {-1, -1};
}

TEST(EditorDigitalChain, ValuesOfEffectsThatStaySurviveARegroupThatMovesThem) {
  const auto [stay, mover] = MovingPair();
  ASSERT_GE(stay, 0);
  EditorRig rig;
  rig.Show(EmptyChain());
  Add(rig, EffectName(stay));
  const int oldGroup = rig.editor->Preset().DigitalGroup;
  const int oldOffset = SlotOffset(oldGroup, GroupPlaceOf(oldGroup, stay));
  const int count = DigitalCatalogue[stay].ParamCount;
  // Edit every slot of the effect through its own control's field, away from the defaults.
  std::vector<int> before;
  for (int i = 0; i < count; ++i) {
    const TParamDef& def = DigitalEffectParams(stay)[i];
    const int value = def.Max > def.Min ? def.Min + (def.Max - def.Min) / 3 : def.Min;
    rig.editor->Preset().DigitalSlots[oldOffset + i] = value;
    before.push_back(value);
  }
  Add(rig, EffectName(mover));
  const TPreset& r = rig.editor->Preset();
  const int newOffset = SlotOffset(r.DigitalGroup, GroupPlaceOf(r.DigitalGroup, stay));
  ASSERT_NE(newOffset, oldOffset);
  for (int i = 0; i < count; ++i) EXPECT_EQ(r.DigitalSlots[newOffset + i], before[i]) << i;
  // The page shows the effect's values from their new slots.
  const TParamControl* last = nullptr;
  for (const TParamControl& c : rig.editor->DigitalControls())
    if (c.Def == &DigitalEffectParams(stay)[count - 1]) last = &c;
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->StoredValue(), before[count - 1]);
}

TEST(EditorDigitalChain, RemovingTheLastEffectGivesGroup0AndHidesThePages) {
  EditorRig rig;
  rig.Show(EmptyChain());
  Add(rig, QStringLiteral("Flanger"));
  EXPECT_TRUE(rig.editor->pgcDigitalParams->isVisibleTo(rig.editor->tsDigital));
  Remove(rig, QStringLiteral("Flanger"));
  EXPECT_EQ(rig.editor->Preset().DigitalGroup, 0);
  EXPECT_FALSE(rig.editor->pgcDigitalParams->isVisibleTo(rig.editor->tsDigital));
  EXPECT_EQ(rig.editor->lbxDigAvail->count(), 25);
  EXPECT_EQ(rig.editor->lbxDigSel->count(), 0);
  EXPECT_FALSE(rig.editor->btnDelDfx->isEnabled());
}

TEST(EditorDigitalChain, DoubleClicksAddAndRemove) {
  EditorRig rig;
  rig.Show(EmptyChain());
  QListWidget* avail = rig.editor->lbxDigAvail;
  QListWidgetItem* tuner = avail->findItems(QStringLiteral("Tuner"), Qt::MatchExactly).first();
  avail->setCurrentItem(tuner);
  emit avail->itemDoubleClicked(tuner);
  EXPECT_EQ(Texts(rig.editor->lbxDigSel), QStringList{QStringLiteral("Tuner")});
  EXPECT_FALSE(rig.editor->btnAddDfx->isEnabled());
  QListWidget* sel = rig.editor->lbxDigSel;
  sel->setCurrentRow(0);
  EXPECT_TRUE(rig.editor->btnDelDfx->isEnabled());
  emit sel->itemDoubleClicked(sel->item(0));
  EXPECT_EQ(sel->count(), 0);
  EXPECT_FALSE(rig.editor->btnDelDfx->isEnabled());
}

TEST(EditorDigitalChain, LeavingAListForAnythingButItsButtonDisablesTheButton) {
  EditorRig rig;
  rig.Show(EmptyChain());
  rig.editor->activateWindow();
  QListWidget* avail = rig.editor->lbxDigAvail;
  avail->setFocus();
  avail->setCurrentRow(0);
  EXPECT_TRUE(rig.editor->btnAddDfx->isEnabled());
  rig.editor->edtTitle->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(rig.editor->btnAddDfx->isEnabled());
  // The effect still selected is offered again when clicked, or given the space key.
  QTest::mouseClick(avail->viewport(), Qt::LeftButton, {},
                    avail->visualItemRect(avail->item(0)).center());
  EXPECT_TRUE(rig.editor->btnAddDfx->isEnabled());
  rig.editor->edtTitle->setFocus();
  ASSERT_FALSE(rig.editor->btnAddDfx->isEnabled());
  QTest::keyClick(avail, Qt::Key_Space);
  EXPECT_TRUE(rig.editor->btnAddDfx->isEnabled());
  // The same for the chain and its remove button; going to the button keeps it usable.
  emit avail->itemDoubleClicked(avail->item(0));
  QListWidget* sel = rig.editor->lbxDigSel;
  sel->setFocus();
  sel->setCurrentRow(0);
  rig.editor->lbxDigSelClick();
  ASSERT_TRUE(rig.editor->btnDelDfx->isEnabled());
  rig.editor->btnDelDfx->setFocus();
  QApplication::processEvents();
  EXPECT_TRUE(rig.editor->btnDelDfx->isEnabled());
  sel->setFocus();
  rig.editor->edtTitle->setFocus();
  QApplication::processEvents();
  EXPECT_FALSE(rig.editor->btnDelDfx->isEnabled());
}

TEST(EditorDigitalChain, RemovingATargetedEffectClearsItsPerformanceEntry) {
  EditorRig rig;
  TPreset p = EmptyChain();
  p.DigitalGroup = 53;
  p.DigitalInUse = {true, true, true, false, false};
  p.PerfInUse[0] = true;
  p.PerfMIDI[0].InUse = true;
  p.PerfMIDI[0].ParamNo = FirstDigitalParam + SlotOffset(53, GroupPlaceOf(53, deDualPtr)) + 2;
  p.PerfInUse[1] = true;
  p.PerfMIDI[1].InUse = true;
  p.PerfMIDI[1].ParamNo = FirstDigitalParam;  // Low Pass stays
  rig.Show(p);
  EXPECT_EQ(rig.editor->lbxPMIdefctl->count(), 2);
  Remove(rig, QStringLiteral("Dual PTr"));
  EXPECT_FALSE(rig.editor->Preset().PerfInUse[0]);
  EXPECT_TRUE(rig.editor->Preset().PerfInUse[1]);
  EXPECT_EQ(Texts(rig.editor->lbxPMIdefctl), QStringList{QStringLiteral("Controller #2")});
  // The list of effects to control follows the pages.
  EXPECT_TRUE(
      rig.editor->lbxCtlParam->findItems(QStringLiteral("Dual PTr"), Qt::MatchExactly).isEmpty());
}

// One change, one send, one step back; the chain reads in the order of the group's row.
TEST(EditorDigitalChain, PickingAGroupFromTheListIsOneStep) {
  EditorRig rig;
  TPreset p = EmptyChain();
  p.DigitalInUse = {true, true, true, false, false};  // Low Pass, Stereo DDL L, Flanger
  rig.ShowSettled(p);
  const QByteArray before = ImageBytes(rig.editor->Preset());
  QString caption;
  int lines = 0;
  QString line53;
  rig.dialogs->AnswerForm<TfrmPickList>([&](TfrmPickList& form) {
    TfrmPickList* picker = &form;
    caption = picker->windowTitle();
    lines = picker->lbxPickList->count();
    line53 = picker->lbxPickList->item(53)->text();
    picker->lbxPickList->setCurrentRow(10);
    picker->btnOk->click();
    return form.result() == QDialog::Accepted;
  });
  rig.editor->btnDigGrp->click();
  EXPECT_EQ(caption, QStringLiteral("Valid Digital Groups"));
  EXPECT_EQ(lines, 54);
  EXPECT_EQ(line53, QStringLiteral("53. Low Pass, Stereo DDL S, Dual PTr"));
  EXPECT_EQ(rig.editor->Preset().DigitalGroup, 10);
  EXPECT_EQ(rig.editor->Preset().DigitalInUse, (std::array<bool, 5>{true, true, true, true, true}));
  EXPECT_EQ(Texts(rig.editor->lbxDigSel).join(", ").toStdString(),
            "Low Pass, Regen DDL S, Reverb 2, Flanger, Tremolo");
  EXPECT_EQ(rig.sent.size(), 1u);
  rig.editor->btnUndo->click();
  EXPECT_EQ(ImageBytes(rig.editor->Preset()), before);
}

TEST(EditorDigitalChain, ScreenshotOfAFullGroup) {
  EditorRig rig;
  TPreset p = EmptyChain();
  for (int g = 0; g < DigitalGroupCount; ++g) {
    if (GroupEffectCount(g) < GroupPlaceCount) continue;
    p.DigitalGroup = g;
    p.DigitalInUse.fill(true);
    for (int place = 0; place < GroupPlaceCount; ++place) {
      const std::vector<int> d = EffectDefaults(GroupEffect(g, place));
      for (int i = 0; i < int(d.size()); ++i) p.DigitalSlots[SlotOffset(g, place) + i] = d[i];
    }
    break;
  }
  ASSERT_EQ(GroupEffectCount(p.DigitalGroup), 5);
  rig.Show(p);
  EXPECT_EQ(VisibleDigitalPages(rig).size(), 5u);
  rig.editor->pgcPreset->setCurrentWidget(rig.editor->tsDigital);
  QApplication::processEvents();
  const QString path = QDir(QCoreApplication::applicationDirPath()).filePath("digital-page.png");
  ASSERT_TRUE(rig.editor->grab().save(path));
  EXPECT_GT(QFileInfo(path).size(), 1000);
}

// Every factory preset, shown and encoded again without an edit, gives back its dump.
TEST(EditorDigitalRoundTrip, FactoryPresetsSurviveAShowUnchanged) {
  EditorRig rig;
  QStringList differing;
  int checked = 0;
  for (int bank = 0; bank < 4; ++bank) {
    for (int index = 0; index < 200; ++index) {
      const QByteArray dump = TUnitSimulator::FactoryPreset(bank, index);
      TPreset p;
      p.LoadFromImage(AsBytes(dump));
      rig.Show(p);
      QByteArray again = ImageBytes(rig.editor->Preset());
      const QByteArray codec = ImageBytes(p);
      // Every show brings the Vexa states (bytes 5..7) in line with the chain; the factory lays
      // its presets out by the same rule, so they too come back unchanged.
      const TPreset& shown = rig.editor->Preset();
      for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(shown.GetVexaState(n), rig.editor->VexaBoxes[n - 1]->isEnabled()) << n;
      if (again != dump) {
        QString where;
        for (int i = 0; i < dump.size(); ++i)
          if (again[i] != dump[i])
            where += QStringLiteral(" %1:%2>%3")
                         .arg(i)
                         .arg(int(quint8(dump[i])))
                         .arg(int(quint8(again[i])));
        differing << QStringLiteral("%1/%2%3%4")
                         .arg(bank)
                         .arg(index)
                         .arg(codec == dump ? "" : " codec")
                         .arg(where);
      }
      rig.editor->hide();
      ++checked;
    }
  }
  EXPECT_EQ(checked, 800);
  EXPECT_TRUE(differing.isEmpty()) << differing.join(QLatin1Char(' ')).toStdString();
}

}  // namespace
