#include "controls/kxRadioGroup.h"

#include <gtest/gtest.h>
#include <QHBoxLayout>
#include <QImage>
#include <QSet>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>

namespace {

QStringList Names(int count) {
  QStringList names;
  for (int i = 0; i < count; ++i) names << QStringLiteral("Item %1").arg(i);
  return names;
}

// A radio button takes clicks on its circle and caption only, not on the rest of its cell.
void Click(QWidget* button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

struct Group {
  explicit Group(int count, int addend = 0) {
    group.resize(200, 120);
    group.SetItems(Names(count));
    group.SetDataAddend(addend);
    group.SetChangeCallback([this] { ++calls; });
    calls = 0;
  }
  int Checked() const {
    int checked = -1;
    for (int i = 0; i < group.ButtonCount(); ++i) {
      if (group.Button(i)->isChecked()) {
        EXPECT_EQ(checked, -1) << "two buttons checked";
        checked = i;
      }
    }
    return checked;
  }
  TkxRadioGroup group;
  int calls = 0;
};

TEST(RadioGroup, BindsWithTheAddendAndAClickWritesIt) {
  Group g(3, 9);
  std::int32_t field = 11;
  QSignalSpy changed(&g.group, &TkxRadioGroup::Changed);
  QSignalSpy clicked(&g.group, &TkxRadioGroup::Clicked);
  g.group.Bind(&field);
  EXPECT_EQ(g.group.ItemIndex(), 2);
  EXPECT_EQ(g.Checked(), 2);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(g.calls, 0);  // binding reports through the notifications only
  g.group.show();
  Click(g.group.Button(0));
  EXPECT_EQ(field, 9);
  EXPECT_EQ(g.group.ItemIndex(), 0);
  EXPECT_EQ(g.Checked(), 0);
  EXPECT_EQ(g.calls, 1);
  EXPECT_EQ(changed.count(), 2);
  EXPECT_EQ(clicked.count(), 2);
}

TEST(RadioGroup, ItemIndexIsClampedAndAlwaysWritten) {
  struct Row {
    int set, index, field;
  };
  const Row rows[] = {{7, 2, 12}, {1, 1, 11}, {1, 1, 11}, {-5, -1, 11}};
  Group g(3, 10);
  std::int32_t field = 10;
  g.group.Bind(&field);
  int calls = 0;
  for (const Row& row : rows) {
    g.group.SetItemIndex(row.set);
    EXPECT_EQ(g.group.ItemIndex(), row.index) << row.set;
    EXPECT_EQ(g.Checked(), row.index) << row.set;
    // "None" is no value: the field keeps the last real choice.
    EXPECT_EQ(field, row.field) << row.set;
    EXPECT_EQ(g.calls, ++calls) << "reported even without a change";
  }
}

TEST(RadioGroup, ColumnsAreKeptWithinOneToSixteen) {
  struct Row {
    int set, columns;
  };
  const Row rows[] = {{0, 1}, {-3, 1}, {2, 2}, {16, 16}, {20, 16}};
  TkxRadioGroup group;
  for (const Row& row : rows) {
    group.SetColumns(row.set);
    EXPECT_EQ(group.Columns(), row.columns) << row.set;
  }
}

TEST(RadioGroup, EightItemsInTwoColumnsFillTheLeftColumnFirst) {
  TkxRadioGroup group;
  group.resize(210, 140);
  group.SetItems(Names(8));
  group.SetColumns(2);
  const int h = group.fontMetrics().height();
  const int available = 140 - h - 5;
  const int b = available / 4;
  const int top = h + 1 + (available % 4) / 2;
  const int w = (210 - 10) / 2;
  for (int i = 0; i < 8; ++i) {
    const QRect r = group.Button(i)->geometry();
    EXPECT_EQ(r.left(), (i < 4 ? 0 : w) + 8) << i;
    EXPECT_EQ(r.top(), (i % 4) * b + top) << i;
    EXPECT_EQ(r.width(), w) << i;
    EXPECT_EQ(r.height(), b) << i;
  }
}

TEST(RadioGroup, ButtonsFollowResizeAndColumnChanges) {
  TkxRadioGroup group;
  group.resize(100, 100);
  group.SetItems(Names(4));
  group.show();                        // a hidden widget hears of its new size only when shown
  EXPECT_EQ(group.Button(3)->x(), 8);  // one column
  group.SetColumns(4);
  EXPECT_EQ(group.Button(3)->x(), 3 * ((100 - 10) / 4) + 8);
  group.resize(330, 100);
  EXPECT_EQ(group.Button(3)->x(), 3 * 80 + 8);
  EXPECT_EQ(group.Button(3)->width(), 80);
}

// Distinct colours of the widget's area in a grab of its window: one means nothing is drawn.
int ColoursDrawn(QWidget* w) {
  QWidget* top = w->window();
  const QImage picture = top->grab().toImage();
  const QRect area(w->mapTo(top, QPoint(0, 0)), w->size());
  QSet<QRgb> colours;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (picture.rect().contains(x, y)) colours.insert(picture.pixel(x, y));
  return int(colours.size());
}

// Groups laid out on pages that are not shown yet (every page of a tab control but the first)
// are drawn once their page shows, also after their items change while hidden.
TEST(RadioGroup, GroupsOnPagesShownLaterAreDrawn) {
  QTabWidget tabs;
  std::vector<TkxRadioGroup*> groups;
  for (int p = 0; p < 3; ++p) {
    auto* page = new QWidget;
    auto* layout = new QHBoxLayout(page);
    auto* group = new TkxRadioGroup(QStringLiteral("Group %1").arg(p), page);
    group->SetItems(Names(4));
    layout->addWidget(group);
    tabs.addTab(page, QStringLiteral("Page %1").arg(p));
    groups.push_back(group);
  }
  tabs.resize(400, 300);
  tabs.show();
  QApplication::processEvents();
  groups[2]->SetItems(Names(6));
  for (int p = 0; p < 3; ++p) {
    tabs.setCurrentIndex(p);
    QApplication::processEvents();
    for (int i = 0; i < groups[p]->ButtonCount(); ++i)
      EXPECT_GT(ColoursDrawn(groups[p]->Button(i)), 1) << "page " << p << " button " << i;
  }
}

TEST(RadioGroup, ShrinkingTheItemsMovesTheSelectionToTheLastAndWritesIt) {
  Group g(5, 3);
  std::int32_t field = 7;  // item 4
  g.group.Bind(&field);
  g.group.SetItems(Names(3));
  EXPECT_EQ(g.group.ItemIndex(), 2);
  EXPECT_EQ(g.Checked(), 2);
  EXPECT_EQ(field, 5);
  EXPECT_EQ(g.calls, 1);
  EXPECT_EQ(g.group.ButtonCount(), 3);
  EXPECT_EQ(g.group.Button(2)->text().toStdString(), "Item 2");
  // Emptying the list leaves no selection and no invented value.
  g.group.SetItems({});
  EXPECT_EQ(g.group.ItemIndex(), -1);
  EXPECT_EQ(field, 5);
}

TEST(RadioGroup, BoundValueOutsideTheItemsChecksNothingAndIsKept) {
  const std::int32_t values[] = {20, 2, -7};
  for (std::int32_t value : values) {
    Group g(3, 3);
    std::int32_t field = value;
    g.group.Bind(&field);
    EXPECT_EQ(g.group.ItemIndex(), value - 3) << value;
    EXPECT_EQ(g.Checked(), -1) << value;
    EXPECT_EQ(field, value) << value;
    // A later click is an ordinary choice.
    g.group.show();
    Click(g.group.Button(1));
    EXPECT_EQ(field, 4) << value;
  }
}

TEST(RadioGroup, ClickingTheCheckedButtonKeepsItChecked) {
  Group g(3);
  std::int32_t field = 1;
  g.group.Bind(&field);
  g.group.show();
  Click(g.group.Button(1));
  EXPECT_EQ(g.Checked(), 1);
  EXPECT_EQ(field, 1);
  EXPECT_EQ(g.calls, 1);
}

TEST(RadioGroup, ReadingOnlyStoresUntilItEnds) {
  TkxRadioGroup group;
  group.BeginReading();
  group.SetItemIndex(6);
  group.SetItems(Names(4));
  EXPECT_EQ(group.ItemIndex(), 6);
  EXPECT_EQ(group.ButtonCount(), 0);
  group.EndReading();
  EXPECT_EQ(group.ItemIndex(), 3);
  EXPECT_EQ(group.ButtonCount(), 4);
  EXPECT_TRUE(group.Button(3)->isChecked());
}

TEST(RadioGroup, UnboundGroupStillReportsAndButtonsFollowEnabled) {
  Group g(3);
  g.group.show();
  Click(g.group.Button(2));
  EXPECT_EQ(g.group.ItemIndex(), 2);
  EXPECT_EQ(g.calls, 1);
  g.group.setEnabled(false);
  EXPECT_FALSE(g.group.Button(0)->isEnabled());
  Click(g.group.Button(0));
  EXPECT_EQ(g.group.ItemIndex(), 2);
}

TEST(RadioGroup, BackspaceAndSpaceOnAButtonReachTheGroup) {
  Group g(3);
  std::int32_t field = 0;
  g.group.Bind(&field);
  g.group.show();
  QSignalSpy keys(&g.group, &TkxRadioGroup::ButtonKeyPressed);
  QTest::keyClick(g.group.Button(2), Qt::Key_Backspace);
  QTest::keyClick(g.group.Button(2), Qt::Key_Space);
  ASSERT_EQ(keys.count(), 2);
  EXPECT_EQ(keys[0][0].toInt(), int(Qt::Key_Backspace));
  EXPECT_EQ(keys[1][0].toInt(), int(Qt::Key_Space));
  EXPECT_EQ(field, 2);  // space selects the button it is pressed on
}

class ReadOnlyGroup : public TkxRadioGroup {
 public:
  bool CanModify() const override { return false; }
};

TEST(RadioGroup, GroupThatRefusesChangesIgnoresClicks) {
  ReadOnlyGroup group;
  group.resize(200, 120);
  group.SetItems(Names(3));
  std::int32_t field = 1;
  group.Bind(&field);
  group.show();
  Click(group.Button(2));
  EXPECT_EQ(field, 1);
  EXPECT_TRUE(group.Button(1)->isChecked());
  EXPECT_FALSE(group.Button(2)->isChecked());
}

}  // namespace
