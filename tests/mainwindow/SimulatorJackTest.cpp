#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/Main.h"
#include "midi/RtMidiDriver.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The stand-alone simulator on JACK and the program's window on the same server: the whole road
// through a real MIDI system.
TEST(SimulatorOverJack, OnlineCheckAndF10ThroughTheServer) {
  QProcess jackCheck;
  jackCheck.start("jack_lsp", QStringList());
  if (!jackCheck.waitForFinished(5000) || jackCheck.exitCode() != 0)
    GTEST_SKIP() << "no JACK server running (./zqn test starts one)";

  QProcess sim;
  sim.setProcessChannelMode(QProcess::MergedChannels);
  sim.start(ZQN_SIM_PATH, {"--api", "jack", "--name", "ZQN E2E Unit"});
  ASSERT_TRUE(sim.waitForStarted(5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return sim.readAll().contains("ready"); }, 10000));

  QTemporaryDir dir;
  TkxRegUtil reg;
  reg.SetStorageFolder(dir.path());
  reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  reg.WriteString("MIDI_IN", "ZQN E2E Unit Out:MIDI Out");
  reg.WriteString("MIDI_OUT", "ZQN E2E Unit:MIDI In");
  reg.WriteInteger("ZQNReqDelay", 200);
  TScriptedDialogs dialogs;

  auto system = TRtMidiDriver::Create("ZQN-Tarvo-E2E");
  {
    TfrmMain window(nullptr, system->In(), system->Out());
    window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    ASSERT_EQ(window.MidiInput()->ProductName(), "ZQN E2E Unit Out:MIDI Out");
    ASSERT_EQ(window.MidiOutput()->ProductName(), "ZQN E2E Unit:MIDI In");

    window.OnlineCheck();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.Device.PendingQueries == 0; }, 5000));
    EXPECT_EQ(window.StatusText(0), "The ZQN Tarvo is online! Your currently selected bank is: A");

    int key = Qt::Key_F10;
    window.DoFormKeyDown(key, Qt::NoModifier);
    EXPECT_EQ(key, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.LogCount() == 1; }, 5000));
    EXPECT_TRUE(window.LogLine(0).startsWith("Sysex (246): F0 1A 00 15 05 "));
    window.close();
  }
  sim.terminate();
  EXPECT_TRUE(sim.waitForFinished(5000));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

}  // namespace
