#include "device/PickList.h"

#include <gtest/gtest.h>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

struct Picker {
  Picker() {
    for (const char* line : {"Low Pass", "Flanger", "Chorus", "Reverb 1"}) list.AddItem(line);
    list.show();
  }
  QPoint ItemCentre(int row) {
    return list.lbxPickList->visualItemRect(list.lbxPickList->item(row)).center();
  }
  void ClickItem(int row) {
    QTest::mouseClick(list.lbxPickList->viewport(), Qt::LeftButton, {}, ItemCentre(row));
  }
  TfrmPickList list;
};

TEST(PickList, StartsWithNothingTaken) {
  TfrmPickList list;
  EXPECT_EQ(list.windowTitle().toStdString(), "Pick one...");
  EXPECT_EQ(list.size(), QSize(347, 360));
  EXPECT_FALSE(list.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(list.btnOk->isEnabled());
  EXPECT_EQ(list.SelectedIndex(), -1);
  EXPECT_TRUE(list.SelectedText().isEmpty());
}

TEST(PickList, CancelLeavesNothingTaken) {
  Picker p;
  p.ClickItem(2);
  QTest::mouseClick(p.list.btnCancel, Qt::LeftButton);
  EXPECT_FALSE(p.list.isVisible());
  EXPECT_EQ(p.list.result(), QDialog::Rejected);
  EXPECT_EQ(p.list.SelectedIndex(), -1);
  EXPECT_TRUE(p.list.SelectedText().isEmpty());
}

TEST(PickList, ClickingAnItemEnablesOkWhichTakesIt) {
  Picker p;
  EXPECT_FALSE(p.list.btnOk->isEnabled());
  p.ClickItem(1);
  EXPECT_TRUE(p.list.btnOk->isEnabled());
  QTest::mouseClick(p.list.btnOk, Qt::LeftButton);
  EXPECT_EQ(p.list.result(), QDialog::Accepted);
  EXPECT_EQ(p.list.SelectedIndex(), 1);
  EXPECT_EQ(p.list.SelectedText().toStdString(), "Flanger");
}

TEST(PickList, KeyboardSelectionEnablesOkToo) {
  Picker p;
  p.list.lbxPickList->setFocus();
  QTest::keyClick(p.list.lbxPickList, Qt::Key_Down);
  EXPECT_TRUE(p.list.btnOk->isEnabled());
}

TEST(PickList, DoubleClickTakesTheItemAndCloses) {
  Picker p;
  // A real double click: the first click's press, then the double click itself.
  p.ClickItem(3);
  QTest::mouseDClick(p.list.lbxPickList->viewport(), Qt::LeftButton, {}, p.ItemCentre(3));
  EXPECT_FALSE(p.list.isVisible());
  EXPECT_EQ(p.list.result(), QDialog::Accepted);
  EXPECT_EQ(p.list.SelectedIndex(), 3);
  EXPECT_EQ(p.list.SelectedText().toStdString(), "Reverb 1");
}

TEST(PickList, CannotBeMadeSoSmallThatTheListOrButtonsVanish) {
  Picker p;
  p.list.resize(100, 20);
  EXPECT_EQ(p.list.size(), QSize(187, 88));
  EXPECT_GE(p.list.btnOk->x(), 0);
  EXPECT_GT(p.list.lbxPickList->height(), 40);
}

TEST(PickList, ResizingKeepsTheListAboveACentredButtonPair) {
  struct Row {
    int width, height, okLeft;
  };
  // The pair spans 171 pixels; an odd remainder rounds toward zero. The window cannot be made
  // narrower than the pair and its margins (187 pixels).
  const Row rows[] = {{347, 360, 88}, {348, 300, 88}, {347, 360, 88}, {400, 500, 114},
                      {187, 200, 8},  {349, 360, 89}, {347, 360, 88}};
  Picker p;
  for (const Row& row : rows) {
    p.list.resize(row.width, row.height);
    EXPECT_EQ(p.list.lbxPickList->geometry(), QRect(0, 0, row.width, row.height - 36)) << row.width;
    EXPECT_EQ(p.list.btnOk->pos(), QPoint(row.okLeft, row.height - 36 + 7)) << row.width;
    EXPECT_EQ(p.list.btnCancel->x(), row.width - row.okLeft - p.list.btnCancel->width())
        << row.width;
    EXPECT_EQ(p.list.btnCancel->y(), p.list.btnOk->y());
  }
}

TEST(PickList, ModalRunReturnsTheChoice) {
  TfrmPickList list;
  list.AddItem("one");
  list.AddItem("two");
  QTimer::singleShot(0, &list, [&] {
    list.lbxPickList->setCurrentRow(1);
    list.btnOk->click();
  });
  QTimer::singleShot(5000, &list, [&] { list.reject(); });
  EXPECT_EQ(list.exec(), QDialog::Accepted);
  EXPECT_EQ(list.SelectedIndex(), 1);
  EXPECT_EQ(list.SelectedText().toStdString(), "two");
}

}  // namespace
