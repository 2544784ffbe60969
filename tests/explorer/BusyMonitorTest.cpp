// What the user chose in the monitor and the file pane is what is acted on, while MIDI keeps
// arriving: events are injected on the in-process device between the test's clicks and from a
// thread while it acts.

#include "ExplorerTestUtil.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTabWidget>
#include <QTreeView>

using namespace explorer_test;

namespace {

class BusyMonitor : public ExplorerFixture {
 protected:
  void ShowMonitor() {
    window->Child<QTabWidget>("pgcTab")->setCurrentWidget(window->Child<QWidget>("tsMonitor"));
  }
  QPoint LogRowCenter(int row) {
    window->FlushLogView();
    const QRect rect = window->Log()->visualRect(window->LogModel()->index(row));
    EXPECT_TRUE(rect.isValid()) << "row " << row << " is not shown";
    return rect.center();
  }
  void ClickLogRow(int row) {
    QTest::mouseClick(window->Log()->viewport(), Qt::LeftButton, {}, LogRowCenter(row));
  }
  std::vector<int> LogData2() {
    std::vector<int> values;
    for (int i = 0; i < window->LogCount(); ++i) values.push_back(window->LogEvent(i)->Data2);
    return values;
  }
};

TEST_F(BusyMonitor, DeleteAndCopyActOnTheLinesTheUserChoseAsNewOnesArrive) {
  TTestExplorer& w = Open();
  ShowMonitor();
  for (std::uint8_t i = 0; i < 5; ++i) Inject({0xB0, 0x07, i});
  WaitForLog(5);
  // A click toggles a line; events arrive between the clicks and after them.
  ClickLogRow(1);
  Inject({0xB0, 0x07, 5});
  WaitForLog(6);
  ClickLogRow(3);
  Inject({0xB0, 0x07, 6});
  WaitForLog(7);
  // The newest line is the current one, but not selected.
  EXPECT_EQ(w.Log()->currentIndex().row(), 6);

  const QString line1 = w.LogLine(1), line3 = w.LogLine(3);
  w.Action("pmiCopySelectedText")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), line1 + "\r\n" + line3 + "\r\n");
  Inject({0xB0, 0x07, 7});
  WaitForLog(8);
  w.Action("pmiDelete")->trigger();
  EXPECT_EQ(LogData2(), (std::vector<int>{0, 2, 4, 5, 6, 7}));

  // A second click on a selected line takes it out of the selection again.
  ClickLogRow(0);
  ClickLogRow(2);
  ClickLogRow(0);
  Inject({0xB0, 0x07, 8});
  WaitForLog(7);
  w.Action("pmiDelete")->trigger();
  EXPECT_EQ(LogData2(), (std::vector<int>{0, 2, 5, 6, 7, 8}));
}

TEST_F(BusyMonitor, SelectedLinesStaySelectedWhileEventsStream) {
  TTestExplorer& w = Open();
  ShowMonitor();
  for (std::uint8_t i = 0; i < 3; ++i) Inject({0x90, 0x3C, i});
  WaitForLog(3);
  ClickLogRow(0);
  ClickLogRow(2);
  {
    TEventStream stream(devices["Tarvo"]);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.LogCount() >= 20; }, 5000));
  }
  QTest::qWait(2 * TMonitorLog::FrameMs);
  w.FlushLogView();
  w.Action("pmiDelete")->trigger();
  ASSERT_GE(w.LogCount(), 18);  // at least 20, less the two selected
  EXPECT_EQ(w.LogEvent(0)->MidiMessage, 0x90);
  EXPECT_EQ(w.LogEvent(0)->Data2, 1);
  for (int i = 1; i < w.LogCount(); ++i) EXPECT_EQ(w.LogEvent(i)->MidiMessage, 0xB0) << i;
}

TEST_F(BusyMonitor, DoubleClickActsOnTheLineUnderThePointer) {
  struct Row {
    const char* option;
    int edits;
    std::size_t sent;
  };
  const Row rows[] = {
      {"pmiSetLogLoadEvent", 0, 0},
      {"pmiSetLogEdit", 1, 0},
      {"pmiSetLogSend", 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.option);
    Restart();
    TTestExplorer& w = Open();
    ShowMonitor();
    Inject({0xB0, 0x07, 0x63});
    Inject({0xB0, 0x07, 0x64});
    WaitForLog(2);
    w.Action(row.option)->trigger();
    const QPoint at = LogRowCenter(1);
    QTest::mouseClick(w.Log()->viewport(), Qt::LeftButton, {}, at);
    // An event arrives between the two clicks and becomes the current line.
    Inject({0xB0, 0x07, 0x66});
    WaitForLog(3);
    QTest::mouseDClick(w.Log()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(S(w.Editor()->toPlainText()), "B0 07 64 ");
    EXPECT_EQ(w.editCalls, row.edits);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), row.sent);
    if (row.sent) {
      EXPECT_EQ(sent[0], (std::vector<std::uint8_t>{0xB0, 0x07, 0x64}));
    }
  }
}

TEST_F(BusyMonitor, DoubleClickWhileEventsStreamLoadsTheClickedLine) {
  TTestExplorer& w = Open();
  ShowMonitor();
  Inject({0xC0, 0x05});
  WaitForLog(1);
  const QPoint at = LogRowCenter(0);
  TEventStream stream(devices["Tarvo"]);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.LogCount() >= 5; }, 5000));
  QTest::mouseClick(w.Log()->viewport(), Qt::LeftButton, {}, at);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.LogCount() >= 10; }, 5000));
  QTest::mouseDClick(w.Log()->viewport(), Qt::LeftButton, {}, at);
  stream.Stop();
  EXPECT_EQ(S(w.Editor()->toPlainText()), "C0 05 ");
}

class BusyFilePane : public ExplorerFixture {
 protected:
  QTreeView* List() { return window->Child<QTreeView>("lvwFileList"); }
  int Row(const QString& caption) {
    for (int r = 0; r < List()->model()->rowCount(); ++r)
      if (List()->model()->index(r, 0).data().toString() == caption) return r;
    return -1;
  }
  // Selects the rows, makes the first one current and presses Enter, as a user does after
  // choosing several files.
  void EnterOn(std::initializer_list<int> rows) {
    QItemSelectionModel* selection = List()->selectionModel();
    selection->clearSelection();
    selection->setCurrentIndex(List()->model()->index(*rows.begin(), 0),
                               QItemSelectionModel::NoUpdate);
    for (int r : rows)
      selection->select(List()->model()->index(r, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    List()->setFocus();
    QTest::keyClick(List(), Qt::Key_Return);
  }
};

TEST_F(BusyFilePane, AFileThatCannotBeReadIsSkippedAndNamedInTheStatus) {
  struct Case {
    const char* option;
    int edits;
  };
  const Case cases[] = {{"pmiSetFileSend", 0}, {"pmiSetFileEdit", 1}};
  for (const Case& row : cases) {
    SCOPED_TRACE(row.option);
    Restart();
    WriteFile("a.syx", QByteArray::fromHex("c005"));
    const QString b = WriteFile("b.syx", QByteArray::fromHex("c006"));
    TTestExplorer& w = Open();
    w.Action(row.option)->trigger();
    ASSERT_TRUE(QFile::remove(b));  // gone after it was listed
    dialogs->PlanButton(QMessageBox::Ok);
    {
      TEventStream stream(devices["Tarvo"]);
      ASSERT_TRUE(QTest::qWaitFor([&] { return w.LogCount() >= 3; }, 5000));
      EnterOn({Row("a.syx"), Row("b.syx")});
    }
    EXPECT_TRUE(statuses.contains("Skipped " + b + ": the file could not be read"))
        << S(statuses.join(" | "));
    EXPECT_EQ(w.editCalls, row.edits);
    const auto sent = Sent();
    if (row.edits == 0) {
      EXPECT_EQ(sent, (std::vector<std::vector<std::uint8_t>>{{0xC0, 0x05}}));
    } else {
      EXPECT_TRUE(sent.empty());
    }
  }
}

TEST_F(BusyFilePane, ACutFileIsNotSavedOverItselfButCanBeSavedElsewhere) {
  QByteArray big(12000, '\x11');
  const QString path = WriteFile("big.syx", big);
  TTestExplorer& w = Open();
  TEventStream stream(devices["Tarvo"]);
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.LogCount() >= 3; }, 5000));
  dialogs->PlanButton(QMessageBox::Ok);  // the warning of the cut load
  const QRect rect = List()->visualRect(List()->model()->index(Row("big.syx"), 0));
  QTest::mouseClick(List()->viewport(), Qt::LeftButton, {}, rect.center());
  ASSERT_EQ(w.BufferLength(), 10000);

  dialogs->PlanSaveFile(path);
  dialogs->PlanButton(QMessageBox::Ok);
  w.Action("pmiSave")->trigger();
  EXPECT_EQ(S(dialogs->Last().text),
            S("Not saved: only the first 10000 bytes of " + path +
              " were loaded, and saving over it would lose the rest. Save under another name."));
  QFile original(path);
  ASSERT_TRUE(original.open(QIODevice::ReadOnly));
  EXPECT_EQ(original.readAll(), big);

  const QString other = filesDir.filePath("start.syx");
  dialogs->PlanSaveFile(other);
  w.Action("pmiSave")->trigger();
  QFile copy(other);
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), big.left(10000));
}

TEST_F(BusyMonitor, HelpSaysWhyTheBrowserCouldNotShowThePage) {
  TTestExplorer& w = Open();
  QTemporaryDir helpDir;
  w.SetHelpFolder(helpDir.path());
  WriteFile("contents.htm", "<html></html>", helpDir.path());
  const QString notAProgram = WriteFile("browser.txt", "not a program");
  const QByteArray saved = qgetenv("BROWSER");
  const TUrlOpener previous = SetUrlOpener([](const QUrl&) { return false; });
  const std::pair<QString, const char*> cases[] = {
      {"", "Cannot find browser to view help file"},
      {"/no/such/folder/browser", "Browser path not found"},
      {"no-such-browser-of-zqn --new-window:firefox", "Browser path not found"},
      {notAProgram, "Browser executable is not valid"},
      {filesDir.path(), "Browser executable is not valid"},
      {"/bin/sh", "Cannot find browser to view help file"},
  };
  TEventStream stream(devices["Tarvo"]);
  // The guide shows in the program's own window, and the status bar says why no browser did.
  QStringList shown;
  QObject::connect(&w, &TfrmMIDIExplorer::StatusShown, [&](const QString& t) { shown << t; });
  for (const auto& [browser, text] : cases) {
    qputenv("BROWSER", browser.toLocal8Bit());
    shown.clear();
    w.Action("miContents")->trigger();
    EXPECT_TRUE(shown.contains(text)) << S(browser) << ": " << S(shown.join(" | "));
  }
  EXPECT_TRUE(dialogs->Asked().empty());
  auto* help = w.findChild<QWidget*>("frmHelp");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  SetUrlOpener(previous);
  if (saved.isNull())
    qunsetenv("BROWSER");
  else
    qputenv("BROWSER", saved);
}

}  // namespace
