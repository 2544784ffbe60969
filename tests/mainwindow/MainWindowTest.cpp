#include "MainWindowFixture.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
  int key = Qt::Key_F10;
  window->DoFormKeyDown(key, Qt::NoModifier);
  EXPECT_EQ(key, 0);  // consumed
  QTest::keyClick(window.get(), Qt::Key_F10);
  Settle();
  ASSERT_TRUE(QTest::qWaitFor([&] { return window->LogCount() == 2; }, 2000));
  EXPECT_TRUE(window->LogLine(0).startsWith("Sysex (246): F0 1A 00 15 05 "));
  ASSERT_NE(window->LogEvent(0), nullptr);
  {
    auto lock = session->Lock();
    EXPECT_EQ(window->LogEvent(0)->Sysex, session->Unit().EditBuffer());
  }
  EXPECT_EQ(Received().filter("F0 1A 00 15 45 F7").size(), 2);
  EXPECT_EQ(Status(), "Received 246 MIDI in bytes");
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
  EXPECT_TRUE(window->LogLine(0).startsWith("Sysex (8): F0 1A 00 15 03 00 01 F7"));
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
