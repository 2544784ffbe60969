#include "preset/UndoHistory.h"

#include <gtest/gtest.h>

#include "preset/Preset.h"

namespace {

TPreset Titled(const char* title) {
  TPreset p;
  p.Title = QString::fromLatin1(title);
  return p;
}

QString TitleOf(QBuffer& snapshot) {
  TPreset p;
  p.LoadFromStream(snapshot);
  return p.Title;
}

TEST(StreamList, DeleteHandsTheStreamOverForTheOtherList) {
  TStreamList a, b;
  a.Add(PresetSnapshot(Titled("one")));
  a.Add(PresetSnapshot(Titled("two")));
  QBuffer* second = &a.Items(1);
  b.Add(a.Delete(1));
  EXPECT_EQ(a.Count(), 1);
  ASSERT_EQ(b.Count(), 1);
  EXPECT_EQ(&b.Items(0), second);  // the same stream, moved, not copied
  EXPECT_EQ(second->size(), 246);
  EXPECT_THROW((void)a.Delete(5), std::out_of_range);
  EXPECT_THROW(a.Add(nullptr), std::invalid_argument);
  a.Clear();
  EXPECT_EQ(a.Count(), 0);
}

TEST(UndoHistory, SuppressionStopsSnapshotsAndRestoresTheFormerValue) {
  TUndoHistory h;
  EXPECT_TRUE(h.Push(Titled("a")));
  {
    TUndoSuppression outer;
    EXPECT_FALSE(h.Push(Titled("b")));
    { TUndoSuppression inner; }
    EXPECT_TRUE(UndoSuppressed);  // the inner scope restores, it does not clear
  }
  EXPECT_FALSE(UndoSuppressed);
  EXPECT_EQ(h.UndoList.Count(), 1);
}

TEST(UndoHistory, StepsBackAndForwardOverTheSnapshots) {
  TUndoHistory h;
  EXPECT_EQ(h.UndoHint().toStdString(), "0 items in undo list   [Ctrl+Z]");  // never -1
  for (const char* t : {"a", "b", "c"}) h.Push(Titled(t));
  EXPECT_EQ(h.UndoHint().toStdString(), "2 items in undo list   [Ctrl+Z]");
  ASSERT_NE(h.UndoTarget(), nullptr);
  EXPECT_EQ(TitleOf(*h.UndoTarget()).toStdString(), "b");
  h.CommitUndo();
  EXPECT_EQ(TitleOf(*h.UndoTarget()).toStdString(), "a");
  h.CommitUndo();
  EXPECT_EQ(h.UndoTarget(), nullptr);  // the first snapshot stays
  h.CommitUndo();
  EXPECT_EQ(h.UndoList.Count(), 1);
  EXPECT_EQ(h.RedoHint().toStdString(), "2 items in redo list   [Ctrl+Y]");
  EXPECT_EQ(TitleOf(*h.RedoTarget()).toStdString(), "b");
  h.CommitRedo();
  EXPECT_EQ(TitleOf(*h.RedoTarget()).toStdString(), "c");
  h.ClearRedo();
  EXPECT_FALSE(h.CanRedo());
  EXPECT_EQ(h.RedoTarget(), nullptr);
}

}  // namespace
