#include "app/ScriptedDialogService.h"
#include "device/BkupOpt.h"
#include "device/DeviceMessages.h"
#include "device/StorePrompt.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

namespace {

// Pre-Kinetic mode for the scope (the dialog reads it when it is made).
struct PreKinetic {
  explicit PreKinetic(bool on) { SetPreKineticMode(on); }
  ~PreKinetic() { SetPreKineticMode(false); }
};

// A dialog on screen (never modal here), active so that focus changes are real.
struct Dialog {
  explicit Dialog(bool preKinetic = false) : mode(preKinetic) {
    form = std::make_unique<TfrmBkupOpt>();
    form->show();
    form->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  // Replaces the edit's text by typing.
  void Type(QLineEdit* edit, const QString& text) {
    Focus(edit);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
  }
  // Clicks into a control the way a user moves the focus to it, and lets the error of a refused
  // number come up.
  void Focus(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton);
    QCoreApplication::processEvents();
  }
  // Near the left edge: the check and radio boxes take clicks on their mark and caption only.
  void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
    QCoreApplication::processEvents();
  }
  std::string Text(const QLineEdit* edit) const { return edit->text().toStdString(); }

  PreKinetic mode;
  TScriptedDialogs dialogs;
  std::unique_ptr<TfrmBkupOpt> form;
};

TEST(BkupOpt, StartsWithItsCaptionsAndStates) {
  struct Row {
    const char* name;
    const char* text;
    bool enabled;
    bool checked;
  };
  const Row rows[] = {
      {"lblCurrentBank", "Current Bank: A", true, false},
      {"grpBankOpts", "Get presets for", true, false},
      {"chkBankA", "Bank &A", true, true},
      {"chkBankB", "Bank &B", true, true},
      {"chkBankC", "Bank &C", true, true},
      {"chkBankD", "Bank &D", true, true},
      {"ragLoopMethod", "Loop thru presets", true, false},
      {"Label1", "Start with preset no.", true, false},
      {"edtFirstNo", "1", true, false},
      {"Label2", "thru preset no.", true, false},
      {"edtLastNo", "200", true, false},
      {"chkUntitled", "&Save untitled presets as:", true, false},
      {"edtUntitled", "Untitled", false, false},
      {"chkSave", "Save to &files", true, true},
      {"chkPrint", "&Print preset list", true, false},
      {"btnPrtSetup", "Set&up", true, false},
      {"lblOutPut", "Output directory (bank subdirectories will be created as needed)", true,
       false},
      {"edtPath", "", true, false},
      {"btnBrowse", "B&rowse", true, false},
      {"btnOk", "OK", true, false},
      {"btnCancel", "Cancel", true, false},
  };
  TfrmBkupOpt form;
  EXPECT_EQ(form.windowTitle().toStdString(), "Automated backup and print options");
  EXPECT_EQ(form.size(), QSize(419, 404));
  EXPECT_EQ(form.font().pixelSize(), 13);
  EXPECT_FALSE(form.windowFlags() & Qt::WindowContextHelpButtonHint);
  for (const Row& row : rows) {
    auto* widget = form.findChild<QWidget*>(QString::fromLatin1(row.name));
    ASSERT_NE(widget, nullptr) << row.name;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) text = button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) text = edit->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget)) text = group->title();
    EXPECT_EQ(text.toStdString(), row.text) << row.name;
    EXPECT_EQ(widget->isEnabled(), row.enabled) << row.name;
    if (auto* box = qobject_cast<QCheckBox*>(widget)) {
      EXPECT_EQ(box->isChecked(), row.checked) << row.name;
    }
  }
  ASSERT_NE(form.findChild<TUpDown*>(QStringLiteral("updFirstNo")), nullptr);
  ASSERT_NE(form.findChild<TUpDown*>(QStringLiteral("updLastNo")), nullptr);
  EXPECT_EQ(form.updFirstNo->Max(), 200);
  EXPECT_EQ(form.updLastNo->Max(), 200);
  EXPECT_EQ(form.btnPrtSetup->toolTip().toStdString(), "Printer selection/configuration");
  EXPECT_TRUE(form.btnPrtSetup->isDefault());
  EXPECT_EQ(form.rbByNumber->text().toStdString(), "By Preset Number");
  EXPECT_EQ(form.rbByProgramChange->text().toStdString(), "By Program Change (MPT)");
  EXPECT_TRUE(form.LoopByNumber());
  EXPECT_EQ(form.FirstNo(), 1);
  EXPECT_EQ(form.LastNo(), 200);
  EXPECT_TRUE(form.UntitledName().isEmpty());
}

TEST(BkupOpt, PreKineticModeDisablesTheBanksAndShortensTheOutputLabel) {
  for (const bool preKinetic : {false, true}) {
    PreKinetic mode(preKinetic);
    TfrmBkupOpt form;
    for (QCheckBox* box : {form.chkBankA, form.chkBankB, form.chkBankC, form.chkBankD})
      EXPECT_EQ(box->isEnabled(), !preKinetic) << preKinetic;
    EXPECT_EQ(form.lblOutPut->text().toStdString(),
              preKinetic ? "Output directory:"
                         : "Output directory (bank subdirectories will be created as needed)");
  }
}

TEST(BkupOpt, AccessorsReachTheirControls) {
  TfrmBkupOpt form;
  form.SetCurrentBankText(QStringLiteral("Currently selected bank: C"));
  EXPECT_EQ(form.lblCurrentBank->text().toStdString(), "Currently selected bank: C");
  form.SetPath(QStringLiteral("/tmp/backup/"));
  EXPECT_EQ(form.edtPath->text().toStdString(), "/tmp/backup/");
  EXPECT_EQ(form.Path().toStdString(), "/tmp/backup/");
  form.SetBank(1, false);
  form.SetBank(3, false);
  form.SetBank(7, false);  // no such bank: ignored
  EXPECT_EQ(
      std::vector<bool>({form.Bank(0), form.Bank(1), form.Bank(2), form.Bank(3), form.Bank(4)}),
      std::vector<bool>({true, false, true, false, false}));
  EXPECT_FALSE(form.chkBankB->isChecked());
  form.SetLoopByNumber(false);
  EXPECT_TRUE(form.rbByProgramChange->isChecked());
  EXPECT_FALSE(form.LoopByNumber());
  form.SetLoopByNumber(true);
  EXPECT_TRUE(form.LoopByNumber());
  form.SetRange(5, 7);
  EXPECT_EQ(form.edtFirstNo->text().toStdString(), "5");
  EXPECT_EQ(form.edtLastNo->text().toStdString(), "7");
  EXPECT_EQ(form.FirstNo(), 5);
  EXPECT_EQ(form.LastNo(), 7);
}

TEST(BkupOpt, OutputBoxesEnableThePathAndOk) {
  struct Row {
    bool save, print;
    bool pathEnabled, okEnabled;
  };
  const Row rows[] = {{true, false, true, true},
                      {false, false, false, false},
                      {false, true, false, true},
                      {true, true, true, true}};
  Dialog d;
  TfrmBkupOpt& f = *d.form;
  // By the user's clicks.
  for (const Row& row : rows) {
    if (f.chkSave->isChecked() != row.save) d.Click(f.chkSave);
    if (f.chkPrint->isChecked() != row.print) d.Click(f.chkPrint);
    EXPECT_EQ(f.Save(), row.save);
    EXPECT_EQ(f.Print(), row.print);
    EXPECT_EQ(f.edtPath->isEnabled(), row.pathEnabled) << row.save << row.print;
    EXPECT_EQ(f.btnBrowse->isEnabled(), row.pathEnabled) << row.save << row.print;
    EXPECT_EQ(f.btnOk->isEnabled(), row.okEnabled) << row.save << row.print;
  }
  // By the accessors, which apply the same rules.
  for (const Row& row : rows) {
    f.SetSave(row.save);
    f.SetPrint(row.print);
    EXPECT_EQ(f.edtPath->isEnabled(), row.pathEnabled) << row.save << row.print;
    EXPECT_EQ(f.btnOk->isEnabled(), row.okEnabled) << row.save << row.print;
  }
  // A greyed OK does not close the dialog.
  f.SetSave(false);
  f.SetPrint(false);
  d.Click(f.btnOk);
  EXPECT_TRUE(f.isVisible());
  EXPECT_TRUE(d.dialogs->Asked().empty());
}

TEST(BkupOpt, NumberEditsTakeDigitsOnly) {
  struct Row {
    const char *typed, *shown;
  };
  const Row rows[] = {{"1a", "1"}, {"12", "12"}, {"-3", "3"}, {"x 1.5", "15"}, {"b", ""}};
  Dialog d;
  for (QLineEdit* edit : {d.form->edtFirstNo, d.form->edtLastNo}) {
    for (const Row& row : rows) {
      d.Type(edit, row.typed);
      EXPECT_EQ(d.Text(edit), row.shown) << row.typed;
    }
    // Backspace is a typed character too; Delete is an editing key.
    d.Type(edit, "123");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(d.Text(edit), "123");
    QTest::keyClick(edit, Qt::Key_Home);
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_EQ(d.Text(edit), "23");
  }
  EXPECT_TRUE(d.dialogs->Problems().isEmpty());
}

TEST(BkupOpt, RangeWithFirstAboveLastIsRefusedOnOkOnly) {
  Dialog d;
  TfrmBkupOpt& f = *d.form;
  d.dialogs->PlanButton(QMessageBox::Ok);
  d.Type(f.edtFirstNo, "10");
  d.Type(f.edtLastNo, "5");
  d.Click(f.btnOk);
  EXPECT_TRUE(f.isVisible());
  ASSERT_EQ(d.dialogs->Asked().size(), 1u);
  EXPECT_EQ(d.dialogs->Last().caption.toStdString(), "Error");
  EXPECT_EQ(d.dialogs->Last().text.toStdString(), "Invalid preset number range");
  EXPECT_EQ(f.FirstNo(), 10);
  EXPECT_EQ(f.LastNo(), 5);
  // Mended, OK closes.
  d.Type(f.edtLastNo, "15");
  d.Click(f.btnOk);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.result(), QDialog::Accepted);
  EXPECT_EQ(f.FirstNo(), 10);
  EXPECT_EQ(f.LastNo(), 15);
  EXPECT_EQ(d.dialogs->Asked().size(), 1u);
  EXPECT_TRUE(d.dialogs->Problems().isEmpty());

  // Cancel skips the range check.
  Dialog c;
  c.Type(c.form->edtFirstNo, "10");
  c.Type(c.form->edtLastNo, "5");
  c.Click(c.form->btnCancel);
  EXPECT_FALSE(c.form->isVisible());
  EXPECT_EQ(c.form->result(), QDialog::Rejected);
  EXPECT_TRUE(c.dialogs->Asked().empty());
}

TEST(BkupOpt, ProgramChangeLoopIsLimitedTo128InPreKineticModeOnly) {
  struct Row {
    bool preKinetic;
    bool byProgramChange;
    int max;
  };
  const Row rows[] = {
      {false, false, 200}, {false, true, 200}, {true, false, 200}, {true, true, 128}};
  for (const Row& row : rows) {
    Dialog d(row.preKinetic);
    TfrmBkupOpt& f = *d.form;
    d.Click(row.byProgramChange ? f.rbByProgramChange : f.rbByNumber);
    EXPECT_EQ(f.LoopByNumber(), !row.byProgramChange);
    EXPECT_EQ(f.updLastNo->Max(), row.max) << row.preKinetic << row.byProgramChange;
    EXPECT_EQ(f.updFirstNo->Max(), row.max) << row.preKinetic << row.byProgramChange;
    EXPECT_EQ(d.Text(f.edtLastNo), std::to_string(row.max));
    EXPECT_EQ(d.Text(f.edtFirstNo), "1");
    // One above the maximum is refused when the edit is left, and the edit keeps the focus.
    d.dialogs->PlanButton(QMessageBox::Ok);
    d.Type(f.edtLastNo, QString::number(row.max + 1));
    QTest::keyClick(f.edtLastNo, Qt::Key_Tab);
    // The box comes once the focus change has finished.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !d.dialogs->Asked().empty(); }, 1000));
    ASSERT_EQ(d.dialogs->Asked().size(), 1u);
    EXPECT_EQ(d.dialogs->Last().text.toStdString(), "Invalid preset number");
    EXPECT_EQ(QApplication::focusWidget(), f.edtLastNo);
    // The maximum itself is accepted.
    d.Type(f.edtLastNo, QString::number(row.max));
    d.Focus(f.edtFirstNo);
    EXPECT_EQ(QApplication::focusWidget(), f.edtFirstNo);
    EXPECT_EQ(f.LastNo(), row.max);
    d.Click(f.btnOk);
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(d.dialogs->Asked().size(), 1u);
    EXPECT_TRUE(d.dialogs->Problems().isEmpty());
  }
  // Back to "By Preset Number", the full range returns.
  Dialog d(true);
  d.Click(d.form->rbByProgramChange);
  d.Click(d.form->rbByNumber);
  EXPECT_EQ(d.form->updLastNo->Max(), 200);
  EXPECT_EQ(d.Text(d.form->edtLastNo), "200");
}

TEST(BkupOpt, InvalidNumberKeepsTheDialogOpenAlsoOnCancel) {
  struct Row {
    const char* edit;  // "first" or "last"
    const char* typed;
    bool ok;
    const char* error;
  };
  const Row rows[] = {{"first", "0", true, "Invalid preset number"},
                      {"first", "201", false, "Invalid preset number"},
                      {"last", "0", false, "Invalid preset number"},
                      {"last", "", true, "'' is not a valid integer value"},
                      {"first", "", false, "'' is not a valid integer value"}};
  for (const Row& row : rows) {
    Dialog d;
    TfrmBkupOpt& f = *d.form;
    QLineEdit* edit = std::string(row.edit) == "first" ? f.edtFirstNo : f.edtLastNo;
    d.dialogs->PlanButton(QMessageBox::Ok);
    // Typed without leaving the edit (OK and Cancel take no focus): the close runs the check.
    d.Type(edit, row.typed);
    d.Click(row.ok ? f.btnOk : f.btnCancel);
    EXPECT_TRUE(f.isVisible()) << row.typed;
    ASSERT_EQ(d.dialogs->Asked().size(), 1u) << row.typed;
    EXPECT_EQ(d.dialogs->Last().text.toStdString(), row.error) << row.typed;
    EXPECT_EQ(d.dialogs->Last().icon, QMessageBox::Critical);
    EXPECT_EQ(QApplication::focusWidget(), edit) << row.typed;
    // Mended, the same button closes.
    d.Type(edit, "3");
    d.Click(row.ok ? f.btnOk : f.btnCancel);
    EXPECT_FALSE(f.isVisible()) << row.typed;
    EXPECT_EQ(f.result(), row.ok ? QDialog::Accepted : QDialog::Rejected);
    EXPECT_TRUE(d.dialogs->Problems().isEmpty()) << row.typed;
  }
}

TEST(BkupOpt, EscapeAndTheCloseBoxAreCheckedToo) {
  Dialog d;
  d.dialogs->PlanButton(QMessageBox::Ok);
  d.dialogs->PlanButton(QMessageBox::Ok);
  d.Type(d.form->edtFirstNo, "0");
  QTest::keyClick(d.form.get(), Qt::Key_Escape);
  EXPECT_TRUE(d.form->isVisible());
  EXPECT_FALSE(d.form->close());
  EXPECT_EQ(d.dialogs->Asked().size(), 2u);
  d.Type(d.form->edtFirstNo, "4");
  EXPECT_TRUE(d.form->close());
  EXPECT_EQ(d.form->FirstNo(), 4);
}

// While the error box of a number check is up, the dialog cannot be closed under it (a second
// press of Enter or Escape that reached the dialog meanwhile).
TEST(BkupOpt, NothingClosesTheDialogWhileANumberErrorIsShown) {
  Dialog d;
  TfrmBkupOpt& f = *d.form;
  d.dialogs->PlanButton(QMessageBox::Ok);
  int closesTried = 0;
  d.dialogs->OnAsk = [&](const TDialogRecord&) {
    if (closesTried++ == 0) f.done(QDialog::Rejected);
  };
  d.Type(f.edtFirstNo, "0");
  d.Click(f.btnOk);
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(d.dialogs->Asked().size(), 1u);  // the one error, not a second one from the close
  d.dialogs->OnAsk = nullptr;
  d.Type(f.edtFirstNo, "3");
  d.Click(f.btnOk);
  EXPECT_FALSE(f.isVisible());
  EXPECT_EQ(f.result(), QDialog::Accepted);
}

TEST(BkupOpt, UntitledNameRule) {
  Dialog d;
  TfrmBkupOpt& f = *d.form;
  EXPECT_FALSE(f.edtUntitled->isEnabled());
  EXPECT_TRUE(f.UntitledName().isEmpty());
  d.Click(f.chkUntitled);
  EXPECT_TRUE(f.edtUntitled->isEnabled());
  EXPECT_EQ(f.UntitledName().toStdString(), "Untitled");
  d.Type(f.edtUntitled, "Nameless");
  EXPECT_EQ(f.UntitledName().toStdString(), "Nameless");
  // An emptied name reads "Untitled", and is put back when the box is checked again.
  d.Type(f.edtUntitled, "");
  EXPECT_EQ(f.UntitledName().toStdString(), "Untitled");
  d.Click(f.chkUntitled);
  EXPECT_FALSE(f.edtUntitled->isEnabled());
  EXPECT_TRUE(f.UntitledName().isEmpty());
  EXPECT_TRUE(f.edtUntitled->text().isEmpty());
  d.Click(f.chkUntitled);
  EXPECT_EQ(f.edtUntitled->text().toStdString(), "Untitled");

  struct Row {
    bool save;
    const char *name, *expected;
  };
  const Row rows[] = {{true, "Blank", "Blank"}, {true, "", "Untitled"}, {false, "Blank", ""}};
  for (const Row& row : rows) {
    f.SetUntitled(row.save, QString::fromLatin1(row.name));
    EXPECT_EQ(f.chkUntitled->isChecked(), row.save);
    EXPECT_EQ(f.edtUntitled->isEnabled(), row.save);
    EXPECT_EQ(f.UntitledName().toStdString(), row.expected) << row.name;
  }
}

TEST(BkupOpt, BrowsePutsTheChosenFolderWithASeparator) {
  struct Row {
    const char *chosen, *shown;  // nullptr: the user cancels
  };
  const Row rows[] = {{"/tmp/out", "/tmp/out/"}, {nullptr, "/tmp/out/"}, {"/", "/"}};
  Dialog d;
  d.form->SetPath(QStringLiteral("/home"));
  for (const Row& row : rows) {
    if (row.chosen)
      d.dialogs->PlanFolder(QString::fromLatin1(row.chosen));
    else
      d.dialogs->PlanCancel();
    d.Click(d.form->btnBrowse);
    EXPECT_EQ(d.dialogs->Last().kind, TDialogKind::Folder);
    EXPECT_EQ(d.dialogs->Last().caption.toStdString(), "Select output folder:");
    // Either separator is a folder's end.
    EXPECT_EQ(d.form->Path().replace(u'\\', u'/').toStdString(), row.shown);
  }
  EXPECT_EQ(d.dialogs->Asked()[1].directory.toStdString(), "/tmp/out");
  EXPECT_TRUE(d.dialogs->Problems().isEmpty());
}

TEST(BkupOpt, SetupButtonRunsThePrinterSetup) {
  Dialog d;
  QPrinter printer;
  d.form->SetPrinter(&printer);
  d.dialogs->PlanPrinterSetup(true);
  d.Click(d.form->btnPrtSetup);
  ASSERT_EQ(d.dialogs->Asked().size(), 1u);
  EXPECT_EQ(d.dialogs->Last().kind, TDialogKind::PrinterSetup);
  EXPECT_EQ(d.form->Printer(), &printer);
  EXPECT_TRUE(d.dialogs->Problems().isEmpty());
  // Without a printer handed in, the dialog sets up its own.
  Dialog own;
  own.dialogs->PlanPrinterSetup(false);
  own.Click(own.form->btnPrtSetup);
  EXPECT_EQ(own.dialogs->Asked().size(), 1u);
  EXPECT_NE(own.form->Printer(), nullptr);
}

TEST(BkupOpt, ModalRunReturnsTheChoice) {
  TScriptedDialogs dialogs;
  TfrmBkupOpt form;
  form.SetRange(5, 7);
  QTimer::singleShot(0, &form, [&] { form.btnOk->click(); });
  // Should the click not close it, the test fails instead of waiting forever.
  QTimer::singleShot(5000, &form, [&] { form.QDialog::done(-1); });
  EXPECT_EQ(form.exec(), QDialog::Accepted);
  EXPECT_EQ(form.FirstNo(), 5);
  EXPECT_EQ(form.LastNo(), 7);
  EXPECT_TRUE(dialogs->Asked().empty());
}

}  // namespace
