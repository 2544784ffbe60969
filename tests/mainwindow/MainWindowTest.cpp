#include "MainWindowFixture.h"
#include "ModalDialogs.h"
#include "app/DialogService.h"
#include "device/BkupOpt.h"
#include "device/DeviceMessages.h"
#include "editor/PresetEditor.h"
#include "explorer/MonitorLog.h"
#include "preset/Preset.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

namespace {

TEST_F(MainWindow, FirstStartDefaultsAreWrittenAtClose) {
  Start(0);
  EXPECT_EQ(RequestDelay, 1000);
  EXPECT_FALSE(PreKineticMode);
  EXPECT_FALSE(window->miPreKinetic->isChecked());
  EXPECT_FALSE(reg.ValueExists("ZQNReqDelay"));
  window->close();
  EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", false, -1), 1000);
  EXPECT_EQ(reg.ReadBool("PRE_KINETIC", false, true), false);
}

TEST_F(MainWindow, StoredDelayAndObsoleteValues) {
  reg.WriteInteger("ZQNReqDelay", 0);
  reg.WriteInteger("RECT_MAIN", 5);
  Start(0);
  EXPECT_EQ(RequestDelay, 1000);
  EXPECT_FALSE(reg.ValueExists("RECT_MAIN"));
  window.reset();
  reg.WriteInteger("ZQNReqDelay", 250);
  Start(0);
  EXPECT_EQ(RequestDelay, 250);
}

TEST_F(MainWindow, OnlineCheckReportsTheSimulatorsBank) {
  Start();
  {
    auto lock = session->Lock();
    session->Unit().SetBank(2);
  }
  window->OnlineCheck();
  Settle();
  EXPECT_EQ(Status(), "The ZQN Tarvo is online! Your currently selected bank is: C");
  EXPECT_EQ(window->Device.PendingQueries, 0);
  EXPECT_EQ(window->Device.CurrentBank, 2);
  EXPECT_EQ(window->LogCount(), 0);  // reports are consumed, not logged
}

TEST_F(MainWindow, SilentUnitEndsInTheTimeOut) {
  {
    auto lock = session->Lock();
    session->Unit().SetChannel(7);  // a unit set to another device channel
  }
  Start();
  QSignalSpy shown(window.get(), &TfrmMIDIExplorer::StatusShown);
  window->OnlineCheck();
  EXPECT_EQ(window->Device.PendingQueries, 2);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !window->timPresetReq->isActive(); }, 5000));
  EXPECT_EQ(Status(), "No response received from ZQN Tarvo - are you connected properly?");
  EXPECT_EQ(window->Device.PendingQueries, 0);
}

TEST_F(MainWindow, F10PutsTheEditPresetIntoTheMonitor) {
  Start();
  auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("pgcTab"));
  ASSERT_NE(tabs, nullptr);
  tabs->setCurrentIndex(0);  // the file pane in view: the monitor comes to the front
  int key = Qt::Key_F10;
  window->DoFormKeyDown(key, Qt::NoModifier);
  EXPECT_EQ(key, 0);  // consumed
  QTest::keyClick(window.get(), Qt::Key_F10);
  Settle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == 2; }, 2000));
  EXPECT_TRUE(window->LogLine(0).startsWith("Sysex (246): F0 1A 00 "));
  ASSERT_NE(window->LogEvent(0), nullptr);
  {
    auto lock = session->Lock();
    EXPECT_EQ(window->LogEvent(0)->Sysex, session->Unit().EditBuffer());
  }
  EXPECT_EQ(Received().filter("F0 1A 00 15 45 F7").size(), 2);
  EXPECT_TRUE(Status().startsWith("Preset \"")) << Status().toStdString();
  EXPECT_EQ(tabs->currentWidget()->objectName(), QStringLiteral("tsMonitor"));
}

TEST_F(MainWindow, WithoutBothDirectionsTheRequestsMenuIsOff) {
  drivers = std::make_shared<TInProcessMidi>();  // no devices at all
  Start();
  QAction* requests = nullptr;
  for (QAction* a : window->menuBar()->actions())
    if (a->text() == QStringLiteral("ZQN Tarvo Requests")) requests = a;
  ASSERT_NE(requests, nullptr);
  EXPECT_FALSE(requests->isEnabled());
}

// A preset dump the user asked for with F10, as the monitor and the status bar show it.
class PresetDumpLine : public MainWindow {
 protected:
  // Puts a preset with this title into the unit's edit buffer; its dump as the unit sends it.
  QByteArray EditPresetTitled(const QString& title) {
    TPreset p;
    p.Title = title;
    const TPresetImage image = p.Encode();
    const QByteArray dump(reinterpret_cast<const char*>(image.data()), int(image.size()));
    EXPECT_TRUE(IsPresetDump(AsBytes(dump)));
    auto lock = session->Lock();
    session->Unit().Receive(AsBytes(dump));
    EXPECT_EQ(session->Unit().EditBuffer(), dump);
    return dump;
  }
  // F10 and the answer in the monitor; the index of its line.
  int PressF10() {
    const int before = window->LogCount();
    QTest::keyClick(window.get(), Qt::Key_F10);
    Settle();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == before + 1; }, 3000));
    window->FlushLogView();
    return window->LogCount() - 1;
  }
  QListView* Log() { return window->findChild<QListView*>("lbxLog"); }
  void SetLogAction(const char* item) { window->findChild<QAction*>(item)->trigger(); }
  void DoubleClickLogRow(int row) {
    window->FlushLogView();
    const QRect rect = Log()->visualRect(window->LogModel()->index(row));
    ASSERT_TRUE(rect.isValid()) << "row " << row << " is not shown";
    QTest::mouseClick(Log()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(Log()->viewport(), Qt::LeftButton, {}, rect.center());
  }
};

TEST_F(PresetDumpLine, TheLineShowsTheDumpsStartAndThePresetsTitle) {
  Show();
  const QByteArray dump = EditPresetTitled("Fat Lead");
  const int row = PressF10();
  const QString line = window->LogLine(row);
  EXPECT_EQ(line.toStdString(), "Sysex (246): F0 1A 00 15 05 \u2026 \"Fat Lead\"");
  // The bytes shown are the start of the event's own text.
  ASSERT_NE(window->LogEvent(row), nullptr);
  const QString own = MonitorLineText(*window->LogEvent(row), TfrmMIDIExplorer::MaxLogLineLength);
  EXPECT_TRUE(own.startsWith(line.left(line.indexOf(QChar(0x2026)))));
  EXPECT_TRUE(line.size() <= TfrmMIDIExplorer::MaxLogLineLength);

  // The whole event stays with the line: a copy gives all the event's text and the title ...
  Log()->selectionModel()->select(window->LogModel()->index(row), QItemSelectionModel::Select);
  window->findChild<QAction*>("pmiCopySelectedText")->trigger();
  const QString copied = QGuiApplication::clipboard()->text();
  EXPECT_TRUE(copied.startsWith(own.trimmed())) << copied.toStdString();
  EXPECT_TRUE(copied.endsWith(" \"Fat Lead\"\r\n")) << copied.toStdString();
  Log()->clearSelection();

  // ... and a double-click opens all 246 bytes in the editor.
  SetLogAction("pmiSetLogEdit");
  DoubleClickLogRow(row);
  ASSERT_EQ(window->ChildWindows()->Count(), 1);
  auto* editor = qobject_cast<TfrmPresetEditor*>(window->ChildWindows()->At(0));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->Preset().Title.toStdString(), "Fat Lead");
  const TPresetImage image = editor->Preset().Encode();
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image.data()), int(image.size())), dump);
  EXPECT_EQ(window->BufferLength(), 246);
}

TEST_F(PresetDumpLine, ALongTitleIsInSightAtTheDefaultSize) {
  Show();
  EditPresetTitled("ABCDEFGHIJKLMNOP");
  const int row = PressF10();
  const QString line = window->LogLine(row);
  EXPECT_TRUE(line.startsWith("Sysex (246): F0 1A 00 ")) << line.toStdString();
  EXPECT_TRUE(line.endsWith(" \"ABCDEFGHIJKLMNOP\"")) << line.toStdString();
  // Also once the log is long enough to need its vertical scroll bar.
  QListView* log = Log();
  const int room = log->viewport()->width() -
                   (log->verticalScrollBar()->isVisible()
                        ? 0
                        : log->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, log));
  EXPECT_LE(log->fontMetrics().horizontalAdvance(line), room)
      << line.toStdString() << " in " << room << " pixels";
}

TEST_F(PresetDumpLine, TheStatusSaysHowToOpenItForThatBatchOnly) {
  Show();
  EditPresetTitled("Fat Lead");
  PressF10();
  EXPECT_EQ(Status().toStdString(),
            "Preset \"Fat Lead\" received: double-click its line, then \"Presets\" \u2192 \"Open "
            "current file in editor\" or the buffer's \"Edit...\"");
  // The status bar shows all of it, in at most two lines.
  auto* panel = window->findChild<QLabel*>("stbStatBarPanel0");
  ASSERT_NE(panel, nullptr);
  QTest::qWait(20);
  const int needed = panel->heightForWidth(panel->width());
  EXPECT_LE(needed, 2 * panel->fontMetrics().lineSpacing() + 4) << panel->width();
  EXPECT_GE(panel->height(), needed);

  // The next batch is counted as before.
  ASSERT_TRUE(unit->Send(std::vector<std::uint8_t>{0xC0, 0x05}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Status() == "Received 2 MIDI in bytes"; }, 3000))
      << Status().toStdString();

  // With the double-click set to open the editor, that is the way.
  SetLogAction("pmiSetLogEdit");
  PressF10();
  EXPECT_EQ(Status().toStdString(),
            "Preset \"Fat Lead\" received: double-click its line to open it in the editor");
  // With it set to send, the double-click would send the dump back.
  SetLogAction("pmiSetLogSend");
  PressF10();
  EXPECT_EQ(Status().toStdString(),
            "Preset \"Fat Lead\" received: to edit it, set the log's double-click action to "
            "\"Open in Editor\" and double-click its line");
}

// What the user sees of a dialog the main window opens while an editor lies over it.
void ExpectInFrontFor(QWidget* dialog, TfrmMain* opener, QWidget* editor, const TRaiseSpy& spy) {
  EXPECT_EQ(dialog->parentWidget(), opener);
  ASSERT_NE(dialog->windowHandle(), nullptr);
  EXPECT_EQ(dialog->windowHandle()->transientParent(), opener->windowHandle());
  EXPECT_TRUE(QTest::qWaitFor([&] { return spy.Raised.contains(dialog); }));
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == dialog; }));
  EXPECT_FALSE(editor->isActiveWindow());
}

TEST_F(MainWindow, DialogsOpenedOverAnEditorComeToTheFront) {
  Start();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  Settle();
  TfrmPresetEditor* editor = window->NewPresetEditor();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
  editor->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == editor; }));
  TRaiseSpy raised;
  // The program's real dialogs, to see where they come up.
  TDialogServiceScope qt(std::make_unique<TQtDialogService>());

  // The backup options, as the menu opens them.
  bool seen = false;
  OnNextModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<TfrmBkupOpt*>(modal);
    ASSERT_NE(dialog, nullptr);
    ExpectInFrontFor(dialog, window.get(), editor, raised);
    seen = true;
    dialog->reject();
  });
  window->miGetSaveEach->trigger();
  EXPECT_TRUE(seen);
  EXPECT_EQ(Status(), "Procedure cancelled");

  // A message box of the main window's, through the program's own dialogs.
  editor->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == editor; }));
  window->MidiOutput()->Close();
  seen = false;
  OnNextModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "MIDI Out device not available");
    ExpectInFrontFor(box, window.get(), editor, raised);
    seen = true;
    box->button(QMessageBox::Ok)->click();
  });
  window->miGetCurrentPreset->trigger();
  EXPECT_TRUE(seen);
}

TEST_F(MainWindow, BypassAndBankCommandsReachTheUnit) {
  Start();
  window->miBypass->trigger();
  Settle();
  EXPECT_TRUE(window->miBypass->isChecked());
  EXPECT_EQ(Status(), "Bypass activation request sent");
  window->miBank[3]->trigger();
  Settle();
  EXPECT_EQ(Status(), "Bank D selected");
  auto lock = session->Lock();
  EXPECT_TRUE(session->Unit().Bypassed());
  EXPECT_EQ(session->Unit().Bank(), 3);
  EXPECT_EQ(window->Device.CurrentBank, -1);  // only a report changes what the window knows
}

TEST_F(MainWindow, BypassWithoutOutputStaysInverted) {
  Start();
  window->MidiOutput()->Close();
  dialogs->PlanButton(QMessageBox::Ok);
  window->miBypass->trigger();
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_EQ(dialogs->Last().text, "MIDI Out device not available");
  EXPECT_EQ(dialogs->Last().caption, "MIDI communications error");
  EXPECT_TRUE(window->miBypass->isChecked());
  EXPECT_TRUE(Received().isEmpty());
}

TEST_F(MainWindow, PreKineticModeAsksOnceAndUsesTheOlderCommands) {
  {
    auto lock = session->Lock();
    session->Unit().SetPreKinetic(true);
  }
  reg.WriteBool("PRE_KINETIC", true);
  Start();
  EXPECT_TRUE(PreKineticMode);
  for (QAction* bank : window->miBank) EXPECT_FALSE(bank->isEnabled());
  window->OnlineCheck();
  Settle();
  EXPECT_EQ(window->Device.PendingQueries, 0);
  EXPECT_EQ(Status(), "The ZQN Tarvo is online!");
  EXPECT_EQ(Received().size(), 1);

  QSignalSpy shown(window.get(), &TfrmMIDIExplorer::StatusShown);
  window->miBulkDump->trigger();
  window->miGetMPT->trigger();
  Settle();
  const QStringList sent = Received();
  EXPECT_TRUE(sent.filter("F0 1A 00 15 4B F7").size() == 1) << sent.join('\n').toStdString();
  EXPECT_TRUE(sent.filter("F0 1A 00 15 4C F7").size() == 1);
  QStringList statuses;
  for (const auto& args : shown) statuses << args.at(0).toString();
  EXPECT_TRUE(statuses.contains("All Preset Request issued"));
  EXPECT_TRUE(statuses.contains("MPT Request issued"));

  window->miPreKinetic->trigger();
  EXPECT_FALSE(PreKineticMode);
  for (QAction* bank : window->miBank) EXPECT_TRUE(bank->isEnabled());
  EXPECT_EQ(MptDumpLength, 406);
}

TEST_F(MainWindow, ReportsWithoutAQueryAndShortReportsGoToTheMonitor) {
  Start();
  const QByteArray report = QByteArray::fromHex("F01A0015030001F7");
  unit->Send(AsBytes(report));
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == 1; }, 2000));
  window->Device.PendingQueries = 1;
  unit->Send(AsBytes(QByteArray::fromHex("F01A001503")));  // too short to carry a value
  Settle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == 2; }, 2000));
  // The line says what the report means; shown shortened before that note, copied whole.
  EXPECT_EQ(window->LogModel()->FullText(0).toStdString(),
            "Sysex (8): F0 1A 00 15 03 00 01 F7 Bypass on");
  EXPECT_TRUE(window->LogLine(0).endsWith(" Bypass on"));
  EXPECT_FALSE(window->miBypass->isChecked());
  EXPECT_EQ(window->Device.PendingQueries, 1);
}

TEST_F(MainWindow, CurrentPresetServiceAsksTheUnit) {
  Start();
  window->MessageBuffer.Clear();
  DeviceChannel = 0;
  unit->WaitIdle();
  {
    auto lock = session->Lock();
    session->Unit().Receive(AsBytes(SelectPresetMessage(133)));
  }
  EXPECT_EQ(window->OnGetPresetNo(), 134);
  window->MidiOutput()->Close();
  EXPECT_EQ(window->OnGetPresetNo(), -1);
}

}  // namespace
