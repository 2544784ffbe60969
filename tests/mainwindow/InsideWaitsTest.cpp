// What the user does while the program talks to the unit: commands taken inside a backup's waits
// act on what the user chose, a backup keeps its dumps out of the message buffer, and the menus
// and the buffer's tie to its file stay true.

#include "MainWindowFixture.h"
#include "device/BkupOpt.h"
#include "editor/PresetEditor.h"
#include "explorer/MonitorLog.h"
#include "mpt/MPTEdit.h"
#include "mpt/Mpt.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <QTreeView>

namespace {

QByteArray DumpTitled(const QString& title) {
  TPreset p;
  p.Title = title;
  const TPresetImage image = p.Encode();
  return QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size()));
}

class InsideWaits : public MainWindow {
 protected:
  // Backs up presets 1..4 of bank A into `out`; `during` runs once, as a user's command taken
  // while the unit's answer to the request for preset 2 waits at the input port.
  void BackupWith(const std::function<void()>& during) {
    dialogs->AnswerForm<TfrmBkupOpt>([this](TfrmBkupOpt& d) {
      d.SetPath(out.path());
      d.SetRange(1, 4);
      for (int b = 1; b < BankCount; ++b) d.SetBank(b, false);
      d.SetPrint(false);
      return true;
    });
    dialogs->PlanButton(QMessageBox::Ok);  // "Procedure is complete"
    bool done = false;
    const auto hook = QObject::connect(
        window.get(), &TfrmMIDIExplorer::StatusShown, window.get(), [&](const QString& s) {
          if (done || s != QStringLiteral("Requested preset #2")) return;
          done = true;
          unit->WaitIdle();
          QThread::msleep(30);  // the answer is at the port and announced to the window
          during();
        });
    window->miGetSaveEach->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running; }, 20000));
    QObject::disconnect(hook);
    EXPECT_TRUE(done);
    for (int i = 0; i < 4; ++i) {
      const QByteArray dump = Memory(0, i);
      const QString name =
          MakeValidFileName(QuickTitle(AsBytes(dump)) + ".zqn" + PresetNumberText(i + 1));
      EXPECT_EQ(FileBytes("Bank A/" + name), dump) << i;
    }
  }
  QPlainTextEdit* Buffer() { return window->findChild<QPlainTextEdit*>("memMsgBuf"); }
  void ShowPage(const char* page) {
    auto* tabs = window->findChild<QTabWidget*>("pgcTab");
    const int i = tabs->indexOf(window->findChild<QWidget*>(page));
    QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, {}, tabs->tabBar()->tabRect(i).center());
  }
  void DoubleClick(QAbstractItemView* view, const QModelIndex& index) {
    const QRect rect = view->visualRect(index);
    ASSERT_TRUE(rect.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rect.center());
  }
  TfrmPresetEditor* OnlyEditor() {
    EXPECT_EQ(window->ChildWindows()->Count(), 1);
    return qobject_cast<TfrmPresetEditor*>(window->ChildWindows()->At(0));
  }
};

// Each command acts on what the user chose, although the backup's next dump was already there
// when it began; the buffer stays what the user put there.
TEST_F(InsideWaits, CommandsInsideABackupActOnWhatTheUserChose) {
  const QString typed = out.filePath("typed.syx");
  const QByteArray mine = DumpTitled("Mine");
  const QString mineFile = dir.filePath("Mine.zqn");
  const struct Row {
    const char* name;
    std::function<void()> before, during, after;
  } rows[] = {
      {"save the buffer as a file",
       [&] {
         Buffer()->setFocus();
         QTest::keyClicks(Buffer(), "90 3C 64");
         dialogs->PlanSaveFile(typed);
         // The dialog's own loop lets the unit's answers in.
         dialogs->OnAsk = [](const TDialogRecord& r) {
           if (r.kind == TDialogKind::SaveFile) QTest::qWait(60);
         };
       },
       [&] { window->findChild<QAction*>("miSaveAs")->trigger(); },
       [&] {
         QFile f(typed);
         ASSERT_TRUE(f.open(QIODevice::ReadOnly));
         EXPECT_EQ(f.readAll().toHex(' '), "90 3c 64");
         EXPECT_EQ(Buffer()->toPlainText(), "90 3C 64");
         EXPECT_EQ(window->MessageBuffer.Data(), QByteArray::fromHex("903C64"));
       }},
      {"open a preset file from the file pane",
       [&] {
         QFile f(mineFile);
         ASSERT_TRUE(f.open(QIODevice::WriteOnly));
         f.write(mine);
         f.close();
         window->SetFolder(dir.path());
       },
       [&] {
         ShowPage("tsExplorer");
         auto* list = window->findChild<QTreeView*>("lvwFileList");
         const auto found = list->model()->match(list->model()->index(0, 0), Qt::DisplayRole,
                                                 "Mine.zqn", 1, Qt::MatchExactly);
         ASSERT_EQ(found.size(), 1);
         DoubleClick(list, found[0]);
       },
       [&] {
         TfrmPresetEditor* editor = OnlyEditor();
         ASSERT_NE(editor, nullptr);
         EXPECT_EQ(editor->Preset().Title.trimmed(), "Mine");
         EXPECT_EQ(editor->FileName(), mineFile);
         EXPECT_EQ(window->BufferSourceFile, mineFile);
         EXPECT_EQ(window->MessageBuffer.Data(), mine);
       }},
      {"open a logged preset in the editor",
       [&] {
         {
           auto lock = session->Lock();
           session->Unit().Receive(AsBytes(DumpTitled("Fat Lead")));
         }
         QTest::keyClick(window.get(), Qt::Key_F10);
         Settle();
         ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() > 0; }, 3000));
         window->findChild<QAction*>("pmiSetLogEdit")->trigger();
       },
       [&] {
         auto* log = window->findChild<QListView*>("lbxLog");
         window->FlushLogView();
         int row = -1;
         for (int i = 0; i < window->LogCount(); ++i)
           if (window->LogLine(i).endsWith("\"Fat Lead\"")) row = i;
         ASSERT_GE(row, 0);
         DoubleClick(log, window->LogModel()->index(row));
       },
       [&] {
         TfrmPresetEditor* editor = OnlyEditor();
         ASSERT_NE(editor, nullptr);
         EXPECT_EQ(editor->Preset().Title.trimmed(), "Fat Lead");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Show();
    row.before();
    BackupWith(row.during);
    row.after();
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join("; ").toStdString();
    dialogs->OnAsk = nullptr;
    window->close();
    window.reset();
    QDir(out.path()).removeRecursively();
    QDir().mkpath(out.path());
  }
}

// The three menus of the unit follow whether a device is there both ways, all session long.
TEST_F(InsideWaits, TheUnitsMenusFollowDevicesThatComeAndGo) {
  drivers = std::make_shared<TInProcessMidi>();
  Start();
  const auto enabled = [this] {
    QStringList on;
    for (QAction* a : window->menuBar()->actions())
      if (a->isEnabled() && a->menu()) on << a->text();
    return on.filter(QRegularExpression("^(ZQN Tarvo Requests|Presets|MPT)$"));
  };
  EXPECT_TRUE(enabled().isEmpty());
  session = InstallSimulatorDevice(*drivers);
  window->RescanDevices();
  EXPECT_EQ(enabled(), QStringList({"ZQN Tarvo Requests", "Presets", "MPT"}));
  drivers->RemoveDevice(SimulatorDeviceName);
  window->RescanDevices();
  EXPECT_TRUE(enabled().isEmpty());
}

// Bytes pasted over a file's are not that file's: the editor opened on them names no file, so
// its Save cannot write them over it.
TEST_F(InsideWaits, TheBufferOpensUnderAFileNameOnlyAsLoaded) {
  Show();
  const QString mineFile = dir.filePath("Mine.zqn");
  {
    QFile f(mineFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(DumpTitled("Mine"));
  }
  ASSERT_TRUE(window->LoadFileIntoBuffer(mineFile));
  window->findChild<QAction*>("pmiSelectAll")->trigger();
  QGuiApplication::clipboard()->setText(QString::fromLatin1(DumpTitled("Other").toHex(' ')));
  window->findChild<QAction*>("pmiPaste")->trigger();
  ASSERT_TRUE(window->ParseBuffer());
  TfrmPresetEditor* editor = window->OpenPresetEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Preset().Title.trimmed(), "Other");
  EXPECT_TRUE(editor->FileName().isEmpty());
}

// A table file that does not end with F7 opens, but is never sent: the user is told why.
TEST_F(InsideWaits, ATableThatIsNoWholeMessageIsNotSent) {
  Show();
  QByteArray image = Tmpt().Image();
  image.back() = 0;
  const QString path = dir.filePath("Cut.mpt");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(image);
  }
  window->OpenFiles({path});
  const auto editors = window->findChildren<TfrmMPTEdit*>();
  ASSERT_EQ(editors.size(), 1);
  EXPECT_EQ(editors[0]->FileName(), path);
  dialogs->PlanButton(QMessageBox::Yes);  // send the table?
  dialogs->PlanButton(QMessageBox::Ok);
  QTest::mouseClick(editors[0]->findChild<QPushButton*>("btnSendOut"), Qt::LeftButton);
  EXPECT_TRUE(Received().filter(" <- F0 1A 00 15 13").isEmpty());
  EXPECT_EQ(dialogs->Last().text.toStdString(),
            "Not sent: the data ends with 00 instead of F7, so it is not one whole message");
  editors[0]->close();
}

}  // namespace
