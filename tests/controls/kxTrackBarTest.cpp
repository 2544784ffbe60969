#include "controls/kxTrackBar.h"

#include <gtest/gtest.h>
#include <QSignalSpy>
#include <QTest>

namespace {

struct Bar {
  explicit Bar(int max, bool inverted = false) {
    bar.resize(200, 30);
    bar.SetMax(max);
    bar.SetInverted(inverted);
    bar.SetChangeCallback([this] { ++calls; });
  }
  TkxTrackBar bar;
  int calls = 0;
};

TEST(TrackBar, InvertedBarShowsAndStoresMaxMinusPosition) {
  Bar b(127, true);
  std::int32_t field = 64;
  b.bar.Bind(&field);
  EXPECT_EQ(b.bar.Position(), 63);
  EXPECT_EQ(field, 64);
  b.bar.SetPosition(0);
  EXPECT_EQ(field, 127);
  EXPECT_EQ(b.calls, 1);
  b.bar.SetPosition(127);
  EXPECT_EQ(field, 0);
}

TEST(TrackBar, BindingToTheCurrentValueStillRefreshesTheText) {
  Bar b(31);
  b.bar.SetPosition(12);
  std::int32_t field = 12;
  QSignalSpy changed(&b.bar, &TkxTrackBar::Changed);
  const int before = b.calls;
  b.bar.Bind(&field);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(b.calls, before);  // nothing changed in the preset
  EXPECT_EQ(field, 12);
}

TEST(TrackBar, BindingMovesTheBarWithOneNotification) {
  Bar b(50);
  std::int32_t field = 42;
  QSignalSpy changed(&b.bar, &TkxTrackBar::Changed);
  b.bar.Bind(&field);
  EXPECT_EQ(b.bar.Position(), 42);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(b.calls, 0);  // the field already holds the value
}

TEST(TrackBar, FieldBeyondTheRangeIsCorrectedToTheBar) {
  struct Row {
    std::int32_t field;
    int start, position, written;
  };
  const Row rows[] = {
      {200, 0, 31, 31},
      {200, 31, 31, 31},  // clamps onto the current position: still corrected and reported
      {-5, 10, 0, 0},
      {INT32_MIN, 0, 0, 0},
  };
  for (const Row& row : rows) {
    Bar b(31);
    b.bar.SetPosition(row.start);
    b.calls = 0;
    std::int32_t field = row.field;
    QSignalSpy changed(&b.bar, &TkxTrackBar::Changed);
    b.bar.Bind(&field);
    EXPECT_EQ(b.bar.Position(), row.position) << row.field;
    EXPECT_EQ(field, row.written) << row.field;
    EXPECT_EQ(b.calls, 1) << row.field;
    EXPECT_EQ(changed.count(), 1) << row.field;
  }
}

TEST(TrackBar, UserMovesWriteTheFieldThenNotify) {
  Bar b(31);
  std::int32_t field = 0;
  b.bar.Bind(&field);
  b.bar.show();
  std::vector<int> order;
  b.bar.SetChangeCallback([&] { order.push_back(field); });
  QObject::connect(&b.bar, &TkxTrackBar::Changed, [&] { order.push_back(-1); });
  b.bar.setFocus();
  QTest::keyClick(&b.bar, Qt::Key_Right);
  QTest::keyClick(&b.bar, Qt::Key_End);
  EXPECT_EQ(field, 31);
  EXPECT_EQ(order, (std::vector<int>{1, -1, 31, -1}));
}

TEST(TrackBar, UnboundBarCallsTheCallbackOnEveryMove) {
  Bar b(10);
  b.bar.SetPosition(3);
  b.bar.SetPosition(4);
  EXPECT_EQ(b.calls, 2);
}

TEST(TrackBar, UnbindingStopsWriting) {
  Bar b(10);
  std::int32_t field = 2;
  b.bar.Bind(&field);
  b.bar.Bind(nullptr);
  EXPECT_EQ(b.bar.BoundField(), nullptr);
  b.bar.SetPosition(9);
  EXPECT_EQ(field, 2);
}

TEST(TrackBar, MovingToTheValueTheFieldHoldsReportsNothing) {
  Bar b(10);
  std::int32_t field = 2;
  b.bar.Bind(&field);
  field = 5;  // e.g. written by another view of the same slot
  b.bar.SetPosition(5);
  EXPECT_EQ(b.calls, 0);
}

}  // namespace
