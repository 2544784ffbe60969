// The explorer window through its real widgets: device menus and start-up, the monitor log, the
// status bar, help, and the settings written at close.

#include "ExplorerTestUtil.h"

#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QUrl>

using namespace explorer_test;

namespace {

class ExplorerWindow : public ExplorerFixture {
 protected:
  void DoubleClickLogRow(int row) {
    window->FlushLogView();
    QListView* log = window->Log();
    const QRect rect = log->visualRect(window->LogModel()->index(row));
    ASSERT_TRUE(rect.isValid()) << "row " << row << " is not shown";
    QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(log->viewport(), Qt::LeftButton, {}, rect.center());
  }
  QString MonitorCaption() {
    auto* tabs = window->Child<QTabWidget>("pgcTab");
    return tabs->tabText(tabs->indexOf(window->Child<QWidget>("tsMonitor")));
  }
};

TEST_F(ExplorerWindow, StartUpOpensDeviceZeroThenTheRememberedDevice) {
  AddDevices({"A", "B"});
  reg.WriteString("MIDI_IN", "B");
  reg.WriteString("MIDI_OUT", "B");
  TTestExplorer& w = Open();
  const QStringList opened = statuses.filter("opened for");
  EXPECT_EQ(opened, QStringList({"A opened for input", "B opened for input", "A opened for output",
                                 "B opened for output"}));
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "B");
  EXPECT_TRUE(w.MidiInput()->IsOpen());
  EXPECT_EQ(S(w.MidiOutput()->ProductName()), "B");
  const QList<QAction*> inItems = w.Child<QMenu>("miMIDIIn")->actions();
  ASSERT_EQ(inItems.size(), 4);  // clear, separator, A, B
  EXPECT_FALSE(inItems[2]->isChecked());
  EXPECT_TRUE(inItems[3]->isChecked());
  EXPECT_EQ(S(w.StatusText(0)), "MIDI devices opened");
  EXPECT_EQ(S(w.windowTitle()), "ZQN-Tarvo");
  EXPECT_TRUE(w.Initialized());
}

TEST_F(ExplorerWindow, ARememberedNameMatchingNoDeviceKeepsDeviceZero) {
  AddDevices({"A", "B"});
  reg.WriteString("MIDI_IN", "Gone");
  TTestExplorer& w = Open();
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "A");
  EXPECT_TRUE(w.Child<QMenu>("miMIDIIn")->actions()[2]->isChecked());
}

TEST_F(ExplorerWindow, ChoosingAnInputDeviceLeavesTheOutputOpen) {
  AddDevices({"A", "B"});
  TTestExplorer& w = Open();
  ASSERT_TRUE(w.MidiOutput()->IsOpen());
  w.Child<QMenu>("miMIDIIn")->actions()[3]->trigger();
  EXPECT_EQ(S(w.MidiInput()->ProductName()), "B");
  EXPECT_TRUE(w.MidiOutput()->IsOpen());
  EXPECT_EQ(S(w.StatusText(0)), "B opened for input");
  // And what is typed still goes out on the output chosen before.
  SetEditorText("90 3C 64 ");
  PressOnEditor(Qt::Key_F9);
  EXPECT_EQ(Sent("A"), (std::vector<std::vector<std::uint8_t>>{{0x90, 0x3C, 0x64}}));
}

TEST_F(ExplorerWindow, NoDevicesAreReportedAndNothingIsSent) {
  devices.clear();
  window = std::make_unique<TTestExplorer>(nullptr, driver, driver);
  // No device at all: both boxes, disabled menus, and a refused send.
  dialogs->PlanButton(QMessageBox::Ok);
  dialogs->PlanButton(QMessageBox::Ok);
  window->InitExplorer(&reg, "ZQN-Tarvo");
  ASSERT_EQ(dialogs->Asked().size(), 2u);
  EXPECT_EQ(S(dialogs->Asked()[0].caption), "Sorry...");
  EXPECT_TRUE(dialogs->Asked()[0].text.startsWith("No MIDI input device can be detected. Please"));
  EXPECT_TRUE(dialogs->Asked()[1].text.startsWith("No MIDI output device can be detected. "));
  EXPECT_FALSE(window->Child<QMenu>("miMIDIIn")->isEnabled());
  EXPECT_FALSE(window->Child<QMenu>("miMIDIOut")->isEnabled());
  EXPECT_EQ(S(window->StatusText(0)), "No MIDI devices found - check installation");
  SetEditorText("F0 F7");
  dialogs->PlanButton(QMessageBox::Ok);
  window->Action("miSend")->trigger();
  EXPECT_EQ(S(dialogs->Last().text), "MIDI Out device not available");
  EXPECT_EQ(S(dialogs->Last().caption), "MIDI communications error");
}

TEST_F(ExplorerWindow, StoredOptionsAreReadAndBadOnesFallBack) {
  struct Row {
    int channel, logAction, fileAction;
    const char *checkedChannel, *checkedLog, *checkedFile;
    bool channelBox;
  };
  const Row rows[] = {
      {5, 2, 1, "miChannel6", "pmiSetLogSend", "pmiSetFileSend", false},
      {15, 1, 0, "miChannel16", "pmiSetLogEdit", "pmiSetFileEdit", false},
      {16, 3, 2, "miChannel1", "pmiSetLogLoadEvent", "pmiSetFileEdit", true},
      {-1, -1, -5, "miChannel1", "pmiSetLogLoadEvent", "pmiSetFileEdit", true},
  };
  for (const Row& row : rows) {
    reg.WriteInteger("MIDI_OUT_CH", row.channel);
    reg.WriteInteger("DBL_CLICK_LOG_ACTION", row.logAction);
    reg.WriteInteger("DBL_CLICK_FILE_ACTION", row.fileAction);
    if (row.channelBox) dialogs->PlanButton(QMessageBox::Ok);
    const std::size_t asked = dialogs->Asked().size();
    TTestExplorer& w = Open(false);
    EXPECT_EQ(dialogs->Asked().size(), asked + (row.channelBox ? 1 : 0)) << row.channel;
    if (row.channelBox) {
      EXPECT_EQ(S(dialogs->Last().text), "Invalid MIDI channel (0 thru 15)");
    }
    EXPECT_EQ(w.OutputChannel(), row.channelBox ? 0 : row.channel);
    EXPECT_TRUE(w.Action(row.checkedChannel)->isChecked()) << row.channel;
    EXPECT_TRUE(w.Action(row.checkedLog)->isChecked()) << row.logAction;
    EXPECT_TRUE(w.Action(row.checkedFile)->isChecked()) << row.fileAction;
    w.FormDestroy();
  }
}

TEST_F(ExplorerWindow, OptionItemsAreStoredAtOnce) {
  TTestExplorer& w = Open();
  w.Action("miChannel10")->trigger();
  w.Action("pmiSetLogSend")->trigger();
  w.Action("pmiSetFileSend")->trigger();
  EXPECT_EQ(w.OutputChannel(), 9);
  EXPECT_EQ(reg.ReadInteger("MIDI_OUT_CH", true, -1), 9);
  EXPECT_EQ(reg.ReadInteger("DBL_CLICK_LOG_ACTION", true, -1), 2);
  EXPECT_EQ(reg.ReadInteger("DBL_CLICK_FILE_ACTION", true, -1), 1);
}

TEST_F(ExplorerWindow, EveryEventIsLoggedAndThe501stDropsTheOldest) {
  TTestExplorer& w = Open();
  for (int i = 0; i < 500; ++i) {
    Inject({0x90, static_cast<std::uint8_t>(i / 128), static_cast<std::uint8_t>(i % 128)});
  }
  WaitForLog(500);
  EXPECT_EQ(w.Log()->model()->rowCount(), 500);
  EXPECT_EQ(w.LogEvent(0)->Data2, 0);
  EXPECT_TRUE(w.LogLine(0).startsWith("Note On")) << S(w.LogLine(0));
  EXPECT_EQ(S(w.StatusText(0)), "Received 3 MIDI in bytes");

  Inject({0xC0, 0x05});
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return w.LogEvent(499) && w.LogEvent(499)->MidiMessage == 0xC0; }));
  w.FlushLogView();
  EXPECT_EQ(w.LogCount(), 500);
  EXPECT_EQ(w.Log()->model()->rowCount(), 500);
  // Line 0 is now the second event, and the view shows the same lines as the log.
  EXPECT_EQ(w.LogEvent(0)->Data2, 1);
  EXPECT_EQ(w.Log()->model()->index(0, 0).data().toString(), w.LogLine(0));
  EXPECT_EQ(w.Log()->model()->index(499, 0).data().toString(), w.LogLine(499));
  EXPECT_EQ(S(w.StatusText(0)), "Received 2 MIDI in bytes");
  // The newest line is the current one, and in sight.
  EXPECT_EQ(w.Log()->currentIndex().row(), 499);
  // With the monitor in view, the newest line is in sight.
  auto* tabs = w.Child<QTabWidget>("pgcTab");
  tabs->setCurrentWidget(w.Child<QWidget>("tsMonitor"));
  Inject({0xC0, 0x06});
  ASSERT_TRUE(QTest::qWaitFor([&] { return w.LogEvent(499) && w.LogEvent(499)->Data1 == 0x06; }));
  w.FlushLogView();
  QApplication::processEvents();
  EXPECT_TRUE(
      w.Log()->viewport()->rect().intersects(w.Log()->visualRect(w.Log()->model()->index(499, 0))));
}

TEST_F(ExplorerWindow, MonitorCaptionTellsOfEventsReceivedOutOfSight) {
  TTestExplorer& w = Open();
  auto* tabs = w.Child<QTabWidget>("pgcTab");
  ASSERT_EQ(tabs->currentWidget(), w.Child<QWidget>("tsExplorer"));
  EXPECT_EQ(S(MonitorCaption()), "MIDI Monitor");
  Inject({0xB0, 0x07, 0x64});
  WaitForLog(1);
  EXPECT_EQ(S(MonitorCaption()), "MIDI Monitor: events received");
  tabs->setCurrentWidget(w.Child<QWidget>("tsMonitor"));
  EXPECT_EQ(S(MonitorCaption()), "MIDI Monitor");
  // Seen while shown: the caption stays.
  Inject({0xB0, 0x07, 0x65});
  WaitForLog(2);
  EXPECT_EQ(S(MonitorCaption()), "MIDI Monitor");
}

TEST_F(ExplorerWindow, DoubleClickActionsOnLogLines) {
  TTestExplorer& w = Open();
  w.Child<QTabWidget>("pgcTab")->setCurrentWidget(w.Child<QWidget>("tsMonitor"));
  w.AddLogLine("A line of the main window");
  Inject({0x90, 0x3C, 0x64});
  WaitForLog(2);
  SetEditorText("F0 01 F7 ");

  struct Row {
    const char* option;
    int line;
    const char* status;  // expected status, or null
    const char* text;    // expected editor text
    int edits;           // EditBuffer calls so far
    std::size_t sent;    // messages sent so far
  };
  const Row rows[] = {
      {"pmiSetLogEdit", 0, "The selected item cannot be edited", "F0 01 F7 ", 0, 0},
      {"pmiSetLogLoadEvent", 0, "MIDI data is unavailable for the selected item", "F0 01 F7 ", 0,
       0},
      {"pmiSetLogSend", 0, "MIDI data is unavailable for the selected item", "F0 01 F7 ", 0, 0},
      {"pmiSetLogLoadEvent", 1, nullptr, "90 3C 64 ", 0, 0},
      {"pmiSetLogEdit", 1, nullptr, "90 3C 64 ", 1, 0},
      {"pmiSetLogSend", 1, "Message buffer sent to MIDI Out", "90 3C 64 ", 1, 1},
  };
  for (const Row& row : rows) {
    w.Action(row.option)->trigger();
    w.findChild<QWidget*>("stbStatBarPanel0")->setProperty("text", QString());
    DoubleClickLogRow(row.line);
    if (row.status) {
      EXPECT_EQ(S(w.StatusText(0)), row.status) << row.option << row.line;
    }
    EXPECT_EQ(S(w.Editor()->toPlainText()), row.text) << row.option << row.line;
    EXPECT_EQ(w.editCalls, row.edits) << row.option << row.line;
    EXPECT_EQ(Sent().size(), row.sent) << row.option << row.line;
  }
  EXPECT_EQ(Sent().back(), (std::vector<std::uint8_t>{0x90, 0x3C, 0x64}));
}

TEST_F(ExplorerWindow, ProgramChangeLoadsTwoBytesAndSendsThem) {
  TTestExplorer& w = Open();
  Inject({0xC3, 0x11});
  WaitForLog(1);
  DoubleClickLogRow(0);
  EXPECT_EQ(S(w.Editor()->toPlainText()), "C3 11 ");
  EXPECT_EQ(w.BufferLength(), 3);  // stored as three bytes until the next parse
  PressOnEditor(Qt::Key_F9);
  EXPECT_EQ(w.BufferLength(), 2);
  EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{{0xC3, 0x11}}));
}

TEST_F(ExplorerWindow, LogPopupDeletesClearsAndCopies) {
  TTestExplorer& w = Open();
  for (std::uint8_t i = 0; i < 5; ++i) Inject({0x90, i, 0x40});
  WaitForLog(5);
  QListView* log = w.Log();
  auto* popup = w.Child<QMenu>("popInLog");
  log->clearSelection();
  emit popup->aboutToShow();
  EXPECT_FALSE(w.Action("pmiDelete")->isEnabled());
  EXPECT_FALSE(w.Action("pmiCopySelectedText")->isEnabled());
  EXPECT_TRUE(w.Action("pmiClearinputLog")->isEnabled());

  log->selectionModel()->select(log->model()->index(1, 0), QItemSelectionModel::Select);
  log->selectionModel()->select(log->model()->index(3, 0), QItemSelectionModel::Select);
  emit popup->aboutToShow();
  EXPECT_TRUE(w.Action("pmiDelete")->isEnabled());
  const QString line1 = w.LogLine(1), line3 = w.LogLine(3);
  w.Action("pmiCopySelectedText")->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), line1 + "\r\n" + line3 + "\r\n");
  w.Action("pmiDelete")->trigger();
  ASSERT_EQ(w.LogCount(), 3);
  EXPECT_EQ(w.LogEvent(0)->Data1, 0);
  EXPECT_EQ(w.LogEvent(1)->Data1, 2);
  EXPECT_EQ(w.LogEvent(2)->Data1, 4);
  EXPECT_EQ(log->model()->rowCount(), 3);

  w.Action("miClearIn")->trigger();
  EXPECT_EQ(w.LogCount(), 0);
  EXPECT_EQ(log->model()->rowCount(), 0);
  emit popup->aboutToShow();
  EXPECT_FALSE(w.Action("pmiClearinputLog")->isEnabled());
}

TEST_F(ExplorerWindow, F9SendsTheBufferAndF5RefreshesTheFiles) {
  TTestExplorer& w = Open();
  SetEditorText("F0 1A 00 15 45 F7 ");
  // F9 from any control of the window.
  w.Log()->setFocus();
  QTest::keyClick(w.Log(), Qt::Key_F9);
  EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x1A, 0x00, 0x15, 0x45, 0xF7}}));
  EXPECT_EQ(S(w.StatusText(0)), "Message buffer sent to MIDI Out");
  EXPECT_EQ(S(w.Editor()->toPlainText()), "F0 1A 00 15 45 F7 ") << "F9 must not reach the editor";

  const std::size_t before = w.FileEntries().size();
  WriteFile("new.zqn", QByteArray(246, 1));
  PressOnEditor(Qt::Key_F5);
  EXPECT_EQ(w.FileEntries().size(), before + 1);
}

TEST_F(ExplorerWindow, EveryPressOfAKeyIsSeenByTheWindow) {
  TTestExplorer& w = Open();
  SetEditorText("C0 05 ");
  // Presses one after the other, each to the same control: none is taken for the one before.
  w.Editor()->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(w.Editor(), Qt::Key_F9);
  EXPECT_EQ(Sent().size(), 3u);
  EXPECT_EQ(S(w.Editor()->toPlainText()), "C0 05 ");
}

TEST_F(ExplorerWindow, HelpOpensTheGuideOrSaysWhyNot) {
  TTestExplorer& w = Open();
  QList<QUrl> opened;
  bool browserWorks = false;
  const TUrlOpener previous = SetUrlOpener([&](const QUrl& url) {
    opened << url;
    return browserWorks;
  });
  QTemporaryDir helpDir;
  w.SetHelpFolder(helpDir.path());

  dialogs->PlanButton(QMessageBox::Ok);
  w.Action("miContents")->trigger();
  EXPECT_EQ(S(dialogs->Last().caption), "Unable to open help");
  EXPECT_EQ(S(dialogs->Last().text), "Help file \"contents.htm\" not found");
  EXPECT_TRUE(opened.isEmpty());

  // No browser: the guide shows in a window of the program's own, without a complaint.
  WriteFile("contents.htm", "<html><body>Getting started</body></html>", helpDir.path());
  const std::size_t before = dialogs->Asked().size();
  w.Action("miContents")->trigger();
  EXPECT_EQ(dialogs->Asked().size(), before);
  auto* help = w.findChild<QTextBrowser*>("frmHelp");
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->isWindow());
  EXPECT_EQ(help->source(), QUrl::fromLocalFile(helpDir.path() + "/contents.htm"));
  EXPECT_TRUE(help->toPlainText().contains("Getting started"));

  browserWorks = true;
  const std::size_t asked = dialogs->Asked().size();
  w.Action("miContents")->trigger();
  EXPECT_EQ(dialogs->Asked().size(), asked);
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened.back(), QUrl::fromLocalFile(helpDir.path() + "/contents.htm"));
  SetUrlOpener(previous);
}

TEST_F(ExplorerWindow, TheInstalledGuideCoversTheKeys) {
  // The guide copied beside the program by the build.
  QFile guide(QStringLiteral(ZQN_HELP_PAGE));
  ASSERT_TRUE(guide.open(QIODevice::ReadOnly)) << ZQN_HELP_PAGE;
  const QString text = QString::fromUtf8(guide.readAll());
  for (const char* word : {"F9", "F10", "F5", "Ctrl+C", "Ctrl+Z", "MIDI Monitor", "File Explorer",
                           "Back up", "simulator", "Send to MIDI Out"}) {
    EXPECT_TRUE(text.contains(QString::fromLatin1(word))) << word;
  }
}

TEST_F(ExplorerWindow, ClosingRemembersDevicesWidthAndFolders) {
  AddDevices({"A", "B"});
  TTestExplorer& w = Open();
  w.Child<QMenu>("miMIDIIn")->actions()[3]->trigger();
  w.Child<QMenu>("miMIDIOut")->actions().last()->trigger();
  QTemporaryDir other;
  w.SetFolder(other.path());
  w.close();
  EXPECT_EQ(S(reg.ReadString("MIDI_IN")), "B");
  EXPECT_EQ(S(reg.ReadString("MIDI_OUT")), "B");
  EXPECT_EQ(reg.ReadInteger("LPW", true, -1), w.Child<QWidget>("pgcTab")->width());
  const QString folders = reg.Path() + "\\Folders";
  EXPECT_EQ(S(reg.ReadStringAt(folders, "1")), S(other.path() + "/"));
  EXPECT_EQ(S(reg.ReadStringAt(folders, "2")), S(filesDir.path() + "/"));
  EXPECT_EQ(S(w.StatusText(0)), "MIDI devices closed");
  EXPECT_FALSE(w.MidiInput()->IsOpen());
  EXPECT_FALSE(w.MidiOutput()->IsOpen());
  EXPECT_TRUE(reg.ValueExists("frmMIDIExplorer.Width"));
}

TEST_F(ExplorerWindow, PageWidthIsRestored) {
  reg.WriteInteger("LPW", 333);
  TTestExplorer& w = Open();
  EXPECT_EQ(w.Child<QWidget>("pgcTab")->width(), 333);
  // Dragging the splitter is what the next start sees.
  w.Child<QSplitter>("splVertical")->setSizes({w.width() - 400, 400});
  w.close();
  EXPECT_EQ(reg.ReadInteger("LPW", true, -1), 400);
}

TEST_F(ExplorerWindow, PageWidthIsRestoredAtTheSavedWindowSize) {
  reg.WriteInteger("LPW", 333);
  reg.WriteInteger("frmMIDIExplorer.Width", 700);
  reg.WriteInteger("frmMIDIExplorer.Height", 500);
  TTestExplorer& w = Open();
  EXPECT_EQ(w.width(), 700);
  EXPECT_EQ(w.Child<QWidget>("pgcTab")->width(), 333);
}

TEST_F(ExplorerWindow, NarrowingTheWindowTakesFromBothPanesInProportion) {
  TTestExplorer& w = Open();
  auto* buffer = w.Child<QWidget>("memMsgBuf");
  auto* pages = w.Child<QWidget>("pgcTab");
  const int buffer0 = buffer->width();
  const int pages0 = pages->width();
  ASSERT_EQ(pages0, TfrmMIDIExplorer::DesignPageWidth);
  const int height = w.height();

  w.resize(w.width() - 200, height);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return buffer->width() + pages->width() == buffer0 + pages0 - 200; }));
  const int bufferLoss = buffer0 - buffer->width();
  const int pagesLoss = pages0 - pages->width();
  EXPECT_GT(bufferLoss, 0);
  EXPECT_GT(pagesLoss, 0);
  // Each pane gives up its own part of the 200 pixels, give or take the rounding.
  EXPECT_NEAR(pagesLoss, 200.0 * pages0 / (buffer0 + pages0), 2.0);
  EXPECT_NEAR(bufferLoss, 200.0 * buffer0 / (buffer0 + pages0), 2.0);

  // Growing back gives the panes they had.
  w.resize(w.width() + 200, height);
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return buffer->width() + pages->width() == buffer0 + pages0; }));
  EXPECT_EQ(pages->width(), pages0);

  // As narrow as the window goes: neither pane below its minimum.
  w.resize(1, height);
  EXPECT_TRUE(QTest::qWaitFor([&] { return w.width() == w.minimumSizeHint().width(); }));
  EXPECT_GE(buffer->width(), 50);
  EXPECT_GE(pages->width(), pages->minimumSizeHint().width());
}

TEST_F(ExplorerWindow, TheLogScrollsSidewaysToTheEndOfItsWidestLine) {
  TTestExplorer& w = Open();
  w.Child<QTabWidget>("pgcTab")->setCurrentWidget(w.Child<QWidget>("tsMonitor"));
  QListView* log = w.Log();
  // A long line and then short ones: a view that measured only one line would take the size of
  // a short one for all.
  Inject(Sysex(120));
  Inject({0xC0, 0x01});
  Inject({0x90, 0x3C, 0x64});
  WaitForLog(3);
  const int wide = log->fontMetrics().horizontalAdvance(w.LogLine(0));
  ASSERT_GT(wide, log->viewport()->width());
  EXPECT_TRUE(QTest::qWaitFor([&] { return log->horizontalScrollBar()->isVisible(); }));
  EXPECT_GE(log->horizontalScrollBar()->maximum() + log->viewport()->width(), wide);
  // Scrolled to its end, the long line's last character is inside the view.
  log->horizontalScrollBar()->setValue(log->horizontalScrollBar()->maximum());
  const QRect row = log->visualRect(w.LogModel()->index(0));
  EXPECT_LE(row.left() + wide, log->viewport()->width());

  // Once the long line is gone, there is nothing to scroll to.
  w.DeleteLogItem(0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !log->horizontalScrollBar()->isVisible(); }));
}

TMyMidiEvent SysexEvent(std::size_t length) {
  const std::vector<std::uint8_t> bytes = Sysex(length);
  TMyMidiEvent e;
  e.MidiMessage = 0xF0;
  e.SysexLength = static_cast<std::uint16_t>(length);
  e.Sysex = QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(length));
  return e;
}

TEST(NotedLineText, KeepsAsManyBytesAsLeaveTheNoteInSight) {
  const QString ellipsis = QString(QChar(0x2026)) + " ";
  // A dump and a short note: the bytes that fit before it.
  const TMyMidiEvent dump = SysexEvent(246);
  const QString own = MonitorLineText(dump, 255);
  TNotedLine noted = NotedLineText(dump, "\"Fat Lead\"", 42, 255);
  EXPECT_EQ(S(noted.Line), S("Sysex (246): F0 01 02 03 04 " + ellipsis + "\"Fat Lead\""));
  EXPECT_EQ(S(noted.Full), S(own + " \"Fat Lead\""));
  // A longer note leaves room for fewer bytes; the line still fits.
  noted = NotedLineText(dump, "\"ABCDEFGHIJKLMNOP\"", 42, 255);
  EXPECT_EQ(S(noted.Line), S("Sysex (246): F0 01 02 " + ellipsis + "\"ABCDEFGHIJKLMNOP\""));
  EXPECT_LE(noted.Line.size(), 42);
  // A note too long for any room keeps one byte, and the line its limit.
  noted = NotedLineText(dump, QString(300, 'x'), 42, 255);
  EXPECT_TRUE(noted.Line.startsWith("Sysex (246): F0 " + ellipsis)) << S(noted.Line);
  EXPECT_EQ(noted.Line.size(), 255);
  // A short message that fits whole is shown whole, the note after it.
  const TMyMidiEvent shortOne = SysexEvent(4);
  noted = NotedLineText(shortOne, "n", 42, 255);
  EXPECT_EQ(S(noted.Line), "Sysex (4): F0 01 02 F7 n");
  // A channel message: its text, then the note.
  TMyMidiEvent program;
  program.MidiMessage = 0xC0;
  program.Data1 = 5;
  noted = NotedLineText(program, "n", 42, 255);
  EXPECT_EQ(S(noted.Line), S(MonitorLineText(program, 255) + " n"));
}

TEST_F(ExplorerWindow, ADroppedFileIsLoadedIntoTheBuffer) {
  TTestExplorer& w = Open();
  const QString first = WriteFile("first.syx", QByteArray::fromHex("f07ef7"));
  const QString second = WriteFile("second.syx", QByteArray::fromHex("c001"));
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
  const QPoint at = w.Editor()->mapTo(&w, QPoint(10, 10));
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.Editor()->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&w, &drop);
  EXPECT_EQ(S(w.Editor()->toPlainText()), "F0 7E F7 ");
  EXPECT_EQ(S(w.BufferSourceFile), S(first));
}

TEST_F(ExplorerWindow, ActivatedBeforeInitialisationItEnds) {
  window = std::make_unique<TTestExplorer>(nullptr, driver, driver);
  dialogs->PlanButton(QMessageBox::Ok);
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs->Asked().empty(); }));
  EXPECT_EQ(S(dialogs->Last().text), "Not Initialized");
  window->hide();
}

TEST_F(ExplorerWindow, MenusCanBeExtendedByTheMainWindow) {
  TTestExplorer& w = Open();
  auto* device = new QMenu("&Device", &w);
  w.AddMenuBeforeHelp(device);
  const QList<QAction*> top = w.menuBar()->actions();
  // File, MIDI In, MIDI Out, Monitor, then the main window's menus and Help.
  ASSERT_EQ(top.size(), 6);
  EXPECT_EQ(S(top[3]->text()), "Mo&nitor");
  EXPECT_EQ(top[4], device->menuAction());
  EXPECT_EQ(S(top[5]->text()), "&Help");
  auto* item = new QAction("&Edit...", &w);
  w.AddBufferMenuItem(item);
  EXPECT_EQ(w.Child<QMenu>("popMsgBuf")->actions().last(), item);
}

TEST_F(ExplorerWindow, TheFileMenuSavesClearsAndExits) {
  TTestExplorer& w = Open();
  QStringList items;
  for (QAction* a : w.Child<QMenu>("miFile")->actions())
    items << (a->isSeparator() ? QStringLiteral("-") : a->text());
  EXPECT_EQ(items,
            QStringList({"Save message buffer &as...", "&Clear message buffer", "-", "E&xit"}));
}

// A status is paint: a handler already queued when it is shown runs only after the command that
// showed it has returned.
TEST_F(ExplorerWindow, ShowingAStatusRunsNoOtherHandler) {
  TTestExplorer& w = Open();
  bool ran = false;
  QMetaObject::invokeMethod(
      &w, [&ran] { ran = true; }, Qt::QueuedConnection);
  QTimer::singleShot(0, &w, [&ran] { ran = true; });
  w.ShowStatus("Working");
  EXPECT_FALSE(ran);
  EXPECT_EQ(S(w.StatusText(0)), "Working");
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

// Every edit of the buffer from its pop-up menu unties it from the file it was loaded from, as an
// editing key does.
TEST_F(ExplorerWindow, MenuEditsUntieTheBufferFromItsFile) {
  TTestExplorer& w = Open();
  const QString file = WriteFile("Mine.syx", QByteArray::fromHex("F07E7F0601F7"));
  auto* popup = w.Child<QMenu>("popMsgBuf");
  const struct {
    const char* item;
    bool selectAll;
  } rows[] = {{"pmiPaste", true}, {"pmiCut", true}, {"pmiBufClear", false}, {"pmiUndo", false}};
  for (const auto& row : rows) {
    ASSERT_TRUE(w.LoadFileIntoBuffer(file));
    ASSERT_EQ(S(w.BufferSourceFile), S(file));
    if (std::string(row.item) == "pmiUndo") {  // something to undo that leaves the file named
      QTest::keyClick(w.Editor(), Qt::Key_End);
      QTest::keyClicks(w.Editor(), " 90");
      w.BufferSourceFile = file;
    }
    if (row.selectAll) w.Action("pmiSelectAll")->trigger();
    QGuiApplication::clipboard()->setText("C0 05");
    popup->popup(w.mapToGlobal(QPoint(20, 20)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(popup));
    QAction* action = w.Action(row.item);
    ASSERT_TRUE(action->isEnabled()) << row.item;
    QTest::mouseClick(popup, Qt::LeftButton, {}, popup->actionGeometry(action).center());
    EXPECT_TRUE(w.BufferSourceFile.isEmpty()) << row.item;
  }
}

// Why a browser named by the setting did not show the page: found by its program, whatever
// arguments follow it.
TEST(HelpBrowserProblem, TheProgramIsLookedForWithoutItsArguments) {
  const QString started = QStringLiteral("Cannot find browser to view help file");
  EXPECT_EQ(S(HelpBrowserProblem(QStringLiteral("sh -c"))), S(started));
  EXPECT_EQ(S(HelpBrowserProblem(QStringLiteral("sh -c %s:none-such-browser"))), S(started));
  EXPECT_EQ(S(HelpBrowserProblem(QStringLiteral("none-such-browser --new"))),
            "Browser path not found");
}

}  // namespace
