#include "ModalDialogs.h"
#include "app/DialogService.h"
#include "app/ScriptedDialogService.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

TEST(ShellFolderId, FollowsTheShellsSpecialFolderNumbers) {
  using L = TBrowseLocation;
  const std::pair<L, int> rows[] = {
      {L::bl_STANDART, -1},
      {L::bl_CUSTOM, -1},
      {L::bl_DESKTOP, 0},
      {L::bl_PROGRAMS, 2},
      {L::bl_CONTROLS, 3},
      {L::bl_PRINTERS, 4},
      {L::bl_PERSONAL, 5},
      {L::bl_FAVORITES, 6},
      {L::bl_STARTUP, 7},
      {L::bl_RECENT, 8},
      {L::bl_SENDTO, 9},
      {L::bl_BITBUCKET, 10},
      {L::bl_STARTMENU, 11},
      {L::bl_DESKTOPDIRECTORY, 16},
      {L::bl_DRIVES, 17},
      {L::bl_NETWORK, 18},
      {L::bl_NETHOOD, 19},
      {L::bl_FONTS, 20},
      {L::bl_TEMPLATES, 21},
      {L::bl_COMMON_STARTMENU, 22},
      {L::bl_COMMON_PROGRAMS, 23},
      {L::bl_COMMON_STARTUP, 24},
      {L::bl_COMMON_DESKTOPDIRECTORY, 25},
      {L::bl_APPDATA, 26},
      {L::bl_PRINTHOOD, 27},
  };
  for (const auto& [location, id] : rows) {
    EXPECT_EQ(ShellFolderId(location), id) << static_cast<int>(location);
  }
}

TEST(EscapeButton, PrefersCancelThenNoThenAbortThenOk) {
  using B = QMessageBox;
  EXPECT_EQ(EscapeButton(B::Yes | B::No | B::Cancel), B::Cancel);
  EXPECT_EQ(EscapeButton(B::Yes | B::No), B::No);
  EXPECT_EQ(EscapeButton(B::Ok), B::Ok);
  EXPECT_EQ(EscapeButton(B::Retry | B::Abort | B::Ignore), B::Abort);
  EXPECT_EQ(EscapeButton(B::NoButton), B::NoButton);
}

TEST(ScriptedDialogs, RecordsTheQuestionAndGivesThePlannedButton) {
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::No);
  QWidget owner;
  EXPECT_EQ(MessageDlg(&owner, "Sorry...", "No preset loaded", QMessageBox::Warning,
                       QMessageBox::Yes | QMessageBox::No),
            QMessageBox::No);
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  const TDialogRecord& asked = dialogs->Last();
  EXPECT_EQ(asked.kind, TDialogKind::Message);
  EXPECT_EQ(asked.parent, &owner);
  EXPECT_EQ(asked.caption.toStdString(), "Sorry...");
  EXPECT_EQ(asked.text.toStdString(), "No preset loaded");
  EXPECT_EQ(asked.icon, QMessageBox::Warning);
  EXPECT_EQ(asked.buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_TRUE(asked.planned);
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

TEST(ScriptedDialogs, AnUnplannedQuestionIsCancelledAndReported) {
  TScriptedDialogs dialogs;
  EXPECT_EQ(MessageDlg(nullptr, "Q", "Save?", QMessageBox::Question,
                       QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel),
            QMessageBox::Cancel);
  EXPECT_FALSE(dialogs->OpenFile(TFileRequest{}).has_value());
  ASSERT_EQ(dialogs->Problems().size(), 2);
  EXPECT_FALSE(dialogs->Last().planned);
}

TEST(ScriptedDialogs, APlanForAnotherDialogIsKeptAndReported) {
  TScriptedDialogs dialogs;
  dialogs->PlanSaveFile("/tmp/a.zqn");
  TFileRequest open;
  open.caption = "Open preset";
  EXPECT_FALSE(dialogs->OpenFile(open).has_value());
  EXPECT_EQ(dialogs->Problems().size(), 1);
  EXPECT_EQ(dialogs->PlansLeft(), 1);
  const auto saved = dialogs->SaveFile(TFileRequest{});
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(saved->File().toStdString(), "/tmp/a.zqn");
}

TEST(ScriptedDialogs, APlannedButtonTheBoxDoesNotOfferIsAFault) {
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::YesToAll);
  EXPECT_EQ(AskYesNoCancel(nullptr, "Delete", "Delete file?", false), TQuestionAnswer::Cancel);
  EXPECT_EQ(dialogs->Problems().size(), 1);
}

TEST(AskYesNoCancel, MapsEveryAnswer) {
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::Yes);
  dialogs->PlanButton(QMessageBox::No);
  dialogs->PlanButton(QMessageBox::Cancel);
  dialogs->PlanButton(QMessageBox::YesToAll);
  dialogs->PlanCancel();
  EXPECT_EQ(AskYesNoCancel(nullptr, "C", "T"), TQuestionAnswer::Yes);
  EXPECT_EQ(AskYesNoCancel(nullptr, "C", "T"), TQuestionAnswer::No);
  EXPECT_EQ(AskYesNoCancel(nullptr, "C", "T"), TQuestionAnswer::Cancel);
  EXPECT_EQ(AskYesNoCancel(nullptr, "Confirm", "Delete 3 files?", true), TQuestionAnswer::YesToAll);
  EXPECT_EQ(AskYesNoCancel(nullptr, "C", "T", true), TQuestionAnswer::Cancel);
  EXPECT_EQ(dialogs->Asked()[0].buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  EXPECT_TRUE(dialogs->Asked()[3].buttons.testFlag(QMessageBox::YesToAll));
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

TEST(ShowErrorMessage, UsesTheProgramTitleAndAnErrorIcon) {
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::Ok);
  ShowErrorMessage(nullptr, "Couldn't launch default browser");
  EXPECT_EQ(dialogs->Last().caption, QCoreApplication::applicationName());
  EXPECT_EQ(dialogs->Last().icon, QMessageBox::Critical);
  EXPECT_EQ(dialogs->Last().buttons, QMessageBox::Ok);
}

TEST(ScriptedDialogs, FilesFoldersPrinterAndFontAreAnsweredInOrder) {
  TScriptedDialogs dialogs;
  dialogs->PlanOpenFiles({"/p/a.zqn", "/p/b.zqn"}, "Preset files (*.zqn)");
  dialogs->PlanFolder("/p", "p");
  dialogs->PlanPrinterSetup(true);
  dialogs->PlanFont(QFont("Courier", 9));
  dialogs->PlanCancel();

  TFileRequest open;
  open.filter = "Preset files (*.zqn);;All files (*)";
  open.multiSelect = true;
  const auto files = Dialogs().OpenFile(open);
  ASSERT_TRUE(files.has_value());
  EXPECT_EQ(files->files.size(), 2);
  EXPECT_EQ(files->selectedFilter.toStdString(), "Preset files (*.zqn)");
  EXPECT_EQ(dialogs->Last().filter, open.filter);

  const auto folder = Dialogs().BrowseForFolder(TFolderRequest{});
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(folder->displayName.toStdString(), "p");
  EXPECT_TRUE(Dialogs().PrinterSetup(TPrinterRequest{}));
  const auto font = Dialogs().ChooseFont(TFontRequest{});
  ASSERT_TRUE(font.has_value());
  EXPECT_EQ(font->family().toStdString(), "Courier");
  EXPECT_FALSE(Dialogs().SaveFile(TFileRequest{}).has_value());
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

TEST(ScriptedDialogs, SeveralFilesForASingleFileDialogAreAFault) {
  TScriptedDialogs dialogs;
  dialogs->PlanOpenFiles({"/a", "/b"});
  EXPECT_FALSE(Dialogs().OpenFile(TFileRequest{}).has_value());
  EXPECT_EQ(dialogs->Problems().size(), 1);
}

TEST(DialogServiceScope, PutsThePreviousServiceBack) {
  TDialogService* before = &Dialogs();
  {
    TScriptedDialogs outer;
    EXPECT_EQ(&Dialogs(), &*outer);
    {
      TScriptedDialogs inner;
      EXPECT_EQ(&Dialogs(), &*inner);
    }
    EXPECT_EQ(&Dialogs(), &*outer);
  }
  EXPECT_EQ(&Dialogs(), before);
  EXPECT_NE(dynamic_cast<TQtDialogService*>(&Dialogs()), nullptr);
}

// The real Qt service, driven the way a user would.

TEST(QtDialogService, MessageBoxReturnsTheClickedButton) {
  TQtDialogService qt;
  OnNextModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle().toStdString(), "Preset error");
    EXPECT_EQ(box->text().toStdString(), "Bad dump");
    box->button(QMessageBox::No)->click();
  });
  TMessageRequest request;
  request.caption = "Preset error";
  request.text = "Bad dump";
  request.buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  EXPECT_EQ(qt.Message(request), QMessageBox::No);
}

TEST(QtDialogService, AMessageBoxBelongsToItsOpenerAndComesToTheFront) {
  // The opener, and another window of the program over it that has the focus (an editor).
  QWidget opener;
  opener.setWindowTitle("opener");
  opener.show();
  QWidget editor;
  editor.setWindowTitle("editor");
  editor.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&opener));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
  editor.activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &editor; }));

  // Raising a window is told to it; there is no stacking offscreen to look at.
  TRaiseSpy raised;
  TQtDialogService qt;
  bool checked = false;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return raised.Raised.contains(box); }));
    EXPECT_EQ(box->parentWidget(), &opener);
    ASSERT_NE(box->windowHandle(), nullptr);
    EXPECT_EQ(box->windowHandle()->transientParent(), opener.windowHandle());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == box; }));
    EXPECT_TRUE(box->isActiveWindow());
    EXPECT_FALSE(editor.isActiveWindow());
    checked = true;
    box->button(QMessageBox::Ok)->click();
  });
  TMessageRequest request;
  request.parent = &opener;
  request.caption = "Sorry...";
  request.text = "Shown in front";
  EXPECT_EQ(qt.Message(request), QMessageBox::Ok);
  EXPECT_TRUE(checked);
}

TEST(QtDialogService, EscapeOnAMessageBoxIsItsEscapeButton) {
  TQtDialogService qt;
  OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  TMessageRequest request;
  request.buttons = QMessageBox::Yes | QMessageBox::No;
  EXPECT_EQ(qt.Message(request), QMessageBox::No);
}

TEST(QtDialogService, FolderBrowserReturnsTheAcceptedFolder) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TQtDialogService qt;
  OnNextModal([](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Choose a folder below:");
    // The dialog's own "Choose" button, as the user would press it.
    auto* buttons = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    QPushButton* choose = buttons->button(QDialogButtonBox::Open);
    ASSERT_NE(choose, nullptr);
    QTest::mouseClick(choose, Qt::LeftButton);
  });
  TFolderRequest request;
  request.caption = "Choose a folder below:";
  request.folder = dir.path();
  const auto answer = qt.BrowseForFolder(request);
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(QDir(QDir::fromNativeSeparators(answer->folder)), QDir(dir.path()));
  EXPECT_EQ(answer->displayName, QDir(dir.path()).dirName());
}

TEST(QtDialogService, CancelledFolderBrowserGivesNoAnswer) {
  TQtDialogService qt;
  OnNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
  EXPECT_FALSE(qt.BrowseForFolder(TFolderRequest{}).has_value());
}

// Two forms of the program's own, told apart by type as the answers are.
class TOptionsForm : public QDialog {
 public:
  TOptionsForm() {
    setWindowTitle("Options");
    setObjectName("frmOptions");
  }
  int Value = 0;
};
class TReportForm : public QDialog {
 public:
  TReportForm() { setWindowTitle("Report"); }
};

TEST(ScriptedDialogs, FormsTakeTheNewestAnswerOfTheirTypeAndLeaveThePlansAlone) {
  TScriptedDialogService dialogs;
  dialogs.PlanButton(QMessageBox::Yes);
  int shown = 0;
  dialogs.AnswerForm<TOptionsForm>([&](TOptionsForm& f) {
    ++shown;
    f.Value = 1;
    return true;
  });
  TOptionsForm options;
  options.setResult(QDialog::Accepted);  // left over from an earlier showing
  EXPECT_TRUE(dialogs.Form(options));
  EXPECT_EQ(options.Value, 1);
  // A newer answer holds from now on; one that presses nothing leaves the form rejected.
  dialogs.AnswerForm<TOptionsForm>([](TOptionsForm& f) { return f.result() == QDialog::Accepted; });
  EXPECT_FALSE(dialogs.Form(options));
  EXPECT_EQ(shown, 1);
  ASSERT_EQ(dialogs.Forms().size(), 2u);
  EXPECT_EQ(dialogs.Forms()[0].kind, TDialogKind::Form);
  EXPECT_EQ(dialogs.Forms()[0].caption, "Options");
  EXPECT_EQ(dialogs.Forms()[0].formName, "frmOptions");
  EXPECT_TRUE(dialogs.Forms()[0].planned);
  // The planned message box is still first in line.
  EXPECT_TRUE(dialogs.Asked().empty());
  EXPECT_EQ(dialogs.PlansLeft(), 1);
  EXPECT_TRUE(dialogs.Problems().isEmpty());
}

TEST(ScriptedDialogs, AFormWithoutAnAnswerIsRejectedAndReported) {
  TScriptedDialogService dialogs;
  dialogs.AnswerForm<TOptionsForm>([](TOptionsForm&) { return true; });
  TReportForm report;
  EXPECT_FALSE(dialogs.Form(report));
  ASSERT_EQ(dialogs.Forms().size(), 1u);
  EXPECT_FALSE(dialogs.Forms()[0].planned);
  ASSERT_EQ(dialogs.Problems().size(), 1);
  EXPECT_TRUE(dialogs.Problems()[0].startsWith("unanswered form \"Report\""))
      << dialogs.Problems()[0].toStdString();
}

TEST(QtDialogService, AFormIsShownModallyAndGivesItsResult) {
  TQtDialogService qt;
  TReportForm form;
  OnNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
  EXPECT_TRUE(qt.Form(form));
  OnNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
  EXPECT_FALSE(qt.Form(form));
}

}  // namespace
