#include "app/ScriptedDialogService.h"
#include "device/StorePrompt.h"

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

namespace {

// A prompt on screen (never modal here) with a number typed into it.
struct Prompt {
  Prompt() {
    prompt.show();
    prompt.edtPresetNo->setFocus();
  }
  void Type(const QString& text) {
    prompt.edtPresetNo->clear();
    QTest::keyClicks(prompt.edtPresetNo, text);
  }
  TScriptedDialogs dialogs;
  TfrmStorePrompt prompt;
};

TEST(StorePrompt, StartsWithItsCaptionsAndNumberOne) {
  TfrmStorePrompt prompt;
  EXPECT_EQ(prompt.windowTitle().toStdString(), "Store Preset");
  EXPECT_EQ(prompt.chkDoSend->text().toStdString(), "Send the current preset before storing");
  EXPECT_EQ(prompt.chkDoSend->toolTip().toStdString(),
            "Uncheck = store what's already loaded in the unit itself");
  EXPECT_TRUE(prompt.SendFirst());
  EXPECT_EQ(prompt.Label1->text().toStdString(), "Store current preset at location:");
  EXPECT_EQ(prompt.edtPresetNo->text().toStdString(), "1");
  EXPECT_EQ(prompt.PresetNo(), 1);
  EXPECT_EQ(prompt.updPresetNo->Min(), 1);
  EXPECT_EQ(prompt.updPresetNo->Max(), 200);
  // At least the classic size, grown to whatever the texts need, and not resizable.
  prompt.show();
  EXPECT_GE(prompt.width(), 240);
  EXPECT_GE(prompt.height(), 103);
  EXPECT_EQ(prompt.minimumSize(), prompt.maximumSize());
  EXPECT_GE(prompt.chkDoSend->width(), prompt.chkDoSend->sizeHint().width());
  EXPECT_GE(prompt.Label1->width(), prompt.Label1->sizeHint().width());
  EXPECT_FALSE(prompt.windowFlags() & Qt::WindowContextHelpButtonHint);
  prompt.chkDoSend->setChecked(false);
  EXPECT_FALSE(prompt.SendFirst());
}

TEST(StorePrompt, SettingTheNumberClampsIt) {
  struct Row {
    int set;
    const char* shown;
  };
  const Row rows[] = {{0, "1"}, {-5, "1"}, {1, "1"}, {42, "42"}, {200, "200"}, {201, "200"}};
  TfrmStorePrompt prompt;
  for (const Row& row : rows) {
    prompt.SetPresetNo(row.set);
    EXPECT_EQ(prompt.edtPresetNo->text().toStdString(), row.shown) << row.set;
    EXPECT_EQ(prompt.updPresetNo->Position(), prompt.PresetNo()) << row.set;
  }
}

TEST(StorePrompt, OnlyDigitsCanBeTyped) {
  struct Row {
    const char *typed, *shown;
  };
  const Row rows[] = {{"42", "42"}, {"4a2", "42"}, {"-7", "7"}, {" 1.5", "15"}, {"x", ""}};
  Prompt p;
  for (const Row& row : rows) {
    p.Type(row.typed);
    EXPECT_EQ(p.prompt.edtPresetNo->text().toStdString(), row.shown) << row.typed;
  }
}

TEST(StorePrompt, BackspaceIsDroppedButDeleteWorks) {
  Prompt p;
  p.Type("123");
  QTest::keyClick(p.prompt.edtPresetNo, Qt::Key_Backspace);
  EXPECT_EQ(p.prompt.edtPresetNo->text().toStdString(), "123");
  QTest::keyClick(p.prompt.edtPresetNo, Qt::Key_Home);
  QTest::keyClick(p.prompt.edtPresetNo, Qt::Key_Delete);
  EXPECT_EQ(p.prompt.edtPresetNo->text().toStdString(), "23");
}

TEST(StorePrompt, NumberOutOfRangeKeepsTheDialogOpenWithTheClampedValue) {
  struct Row {
    const char* typed;
    bool ok;  // closed with OK, else with Cancel
    const char* clamped;
  };
  const Row rows[] = {{"250", true, "200"}, {"250", false, "200"}, {"0", true, "1"}};
  for (const Row& row : rows) {
    Prompt p;
    p.dialogs->PlanButton(QMessageBox::Ok);
    p.Type(row.typed);
    QPushButton* button = row.ok ? p.prompt.btnOK : p.prompt.btnCancel;
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(p.prompt.isVisible()) << row.typed;
    ASSERT_EQ(p.dialogs->Asked().size(), 1u) << row.typed;
    EXPECT_EQ(p.dialogs->Last().caption.toStdString(), "Invalid entry");
    EXPECT_EQ(p.dialogs->Last().text.toStdString(), "Preset number out of range");
    EXPECT_EQ(p.prompt.edtPresetNo->text().toStdString(), row.clamped) << row.typed;
    // The second press closes it.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(p.prompt.isVisible()) << row.typed;
    EXPECT_EQ(p.prompt.result(), row.ok ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_EQ(p.prompt.PresetNo(), QString(row.clamped).toInt());
    EXPECT_EQ(p.dialogs->Asked().size(), 1u);
    EXPECT_TRUE(p.dialogs->Problems().isEmpty());
  }
}

TEST(StorePrompt, EscapeAndTheCloseBoxAreCheckedToo) {
  Prompt p;
  p.dialogs->PlanButton(QMessageBox::Ok);
  p.dialogs->PlanButton(QMessageBox::Ok);
  p.Type("999");
  QTest::keyClick(&p.prompt, Qt::Key_Escape);
  EXPECT_TRUE(p.prompt.isVisible());
  p.Type("300");
  EXPECT_FALSE(p.prompt.close());
  EXPECT_TRUE(p.prompt.isVisible());
  EXPECT_EQ(p.dialogs->Asked().size(), 2u);
  EXPECT_TRUE(p.prompt.close());
}

TEST(StorePrompt, TextThatIsNoNumberIsReportedAndTheDialogStays) {
  Prompt p;
  p.dialogs->PlanButton(QMessageBox::Ok);
  p.Type("");
  QTest::mouseClick(p.prompt.btnOK, Qt::LeftButton);
  EXPECT_TRUE(p.prompt.isVisible());
  ASSERT_EQ(p.dialogs->Asked().size(), 1u);
  EXPECT_EQ(p.dialogs->Last().text.toStdString(), "'' is not a valid integer value");
  p.Type("17");
  QTest::mouseClick(p.prompt.btnOK, Qt::LeftButton);
  EXPECT_FALSE(p.prompt.isVisible());
  EXPECT_EQ(p.prompt.PresetNo(), 17);
}

TEST(StorePrompt, UpDownStepsFromTheTypedNumberWithoutWrapping) {
  struct Row {
    const char* typed;
    bool up;
    const char* shown;
  };
  const Row rows[] = {{"1", false, "1"},    {"1", true, "2"},     {"41", true, "42"},
                      {"200", true, "200"}, {"199", true, "200"}, {"250", false, "199"}};
  Prompt p;
  for (const Row& row : rows) {
    p.Type(row.typed);
    QTest::mouseClick(row.up ? p.prompt.updPresetNo->btnUp : p.prompt.updPresetNo->btnDown,
                      Qt::LeftButton);
    EXPECT_EQ(p.prompt.edtPresetNo->text().toStdString(), row.shown) << row.typed << row.up;
  }
}

TEST(StorePrompt, ModalRunReturnsTheChoice) {
  TScriptedDialogs dialogs;
  TfrmStorePrompt prompt;
  prompt.SetPresetNo(128);
  QTimer::singleShot(0, &prompt, [&] { prompt.btnOK->click(); });
  // Should the click not close it, the test fails instead of waiting forever.
  QTimer::singleShot(5000, &prompt, [&] { prompt.QDialog::done(-1); });
  EXPECT_EQ(prompt.exec(), QDialog::Accepted);
  EXPECT_EQ(prompt.PresetNo(), 128);
}

}  // namespace
