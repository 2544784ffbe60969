#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"
#include "device/BkupOpt.h"
#include "device/Main.h"
#include "device/RestoreOpt.h"
#include "device/RunReport.h"
#include "device/StorePrompt.h"
#include "device/UnitSimulator.h"
#include "editor/PresetEditor.h"
#include "midi/RtMidiDriver.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <map>

namespace {

bool JackServerRunning() {
  QProcess check;
  check.start("jack_lsp", QStringList());
  return check.waitForFinished(5000) && check.exitCode() == 0;
}

// Starts zqn-tarvo-sim with the given extra options and waits until its ports are up.
bool StartSimulator(QProcess& sim, const QString& name, const QStringList& extra = {}) {
  sim.setProcessChannelMode(QProcess::MergedChannels);
  sim.start(ZQN_SIM_PATH, QStringList{"--api", "jack", "--name", name} + extra);
  if (!sim.waitForStarted(5000)) return false;
  return QTest::qWaitFor([&] { return sim.readAll().contains("ready"); }, 10000);
}

// The stand-alone simulator on JACK and the program's window on the same server: the whole road
// through a real MIDI system.
TEST(SimulatorOverJack, OnlineCheckAndF10ThroughTheServer) {
  if (!JackServerRunning()) GTEST_SKIP() << "no JACK server running (./zqn test starts one)";
  QProcess sim;
  ASSERT_TRUE(StartSimulator(sim, "ZQN E2E Unit"));

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
    EXPECT_TRUE(window.LogLine(0).startsWith("Sysex (246): F0 1A 00 "));
    ASSERT_NE(window.LogEvent(0), nullptr);
    EXPECT_TRUE(window.LogEvent(0)->Sysex.startsWith(QByteArray::fromHex("F01A001505")));
    window.close();
  }
  sim.terminate();
  EXPECT_TRUE(sim.waitForFinished(5000));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

// A whole bank backed up from the stand-alone simulator replying at DIN speed: every file must
// equal the unit's memory as the simulator writes it to its state file. The run's time is set
// against the protocol's own minimum (the request delay plus 260 bytes at 31,250 baud per preset).
TEST(SimulatorOverJack, WireSpeedBackupOfAFullBank) {
  if (!JackServerRunning()) GTEST_SKIP() << "no JACK server running (./zqn test starts one)";
  QTemporaryDir dir;
  const QString state = dir.filePath("unit.state");
  const QString out = dir.filePath("backup");
  QDir().mkdir(out);
  QProcess sim;
  ASSERT_TRUE(StartSimulator(sim, "ZQN Wire Unit", {"--paced", "--state", state}));

  TkxRegUtil reg;
  reg.SetStorageFolder(dir.path());
  reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  reg.WriteString("MIDI_IN", "ZQN Wire Unit Out:MIDI Out");
  reg.WriteString("MIDI_OUT", "ZQN Wire Unit:MIDI In");
  constexpr int kDelay = 50;
  reg.WriteInteger("ZQNReqDelay", kDelay);
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::Ok);

  auto system = TRtMidiDriver::Create("ZQN-Tarvo-Wire");
  qint64 elapsedMs = 0;
  {
    TfrmMain window(nullptr, system->In(), system->Out());
    window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
      d.SetPath(out);
      for (int b = 1; b < 4; ++b) d.SetBank(b, false);
      d.SetUntitled(true, "Untitled");  // every one of the 200, untitled ones included
      return true;
    });
    QElapsedTimer timer;
    window.miGetSaveEach->trigger();
    // The run proper starts after the online check, the dialog and the bank change.
    timer.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !window.Running; },
        300000));  // a time-out only: under the sanitizers the run takes about two minutes
    elapsedMs = timer.elapsed();
    window.close();
  }
  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(10000));

  TUnitSimulator unit;
  ASSERT_TRUE(unit.LoadState(state));
  const QStringList files = QDir(out + "/Bank A").entryList(QDir::Files);
  ASSERT_EQ(files.size(), 200);
  for (int i = 0; i < PresetCount; ++i) {
    QString title = QuickTitle(AsBytes(unit.Preset(0, i)));
    if (title.isEmpty()) title = "Untitled";
    QFile f(out + "/Bank A/" + MakeValidFileName(title + ".zqn" + PresetNumberText(i + 1)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    EXPECT_EQ(f.readAll(), unit.Preset(0, i)) << i;
  }
  const double minimumMs = PresetCount * (kDelay + 260 * 0.32);
  const double overhead = 100.0 * (elapsedMs - minimumMs) / minimumMs;
  std::printf(
      "wire-speed backup of 200 presets: %lld ms; protocol minimum %.0f ms; overhead %.1f %%\n",
      static_cast<long long>(elapsedMs), minimumMs, overhead);
  RecordProperty("elapsed_ms", static_cast<int>(elapsedMs));
}

}  // namespace

namespace {

// A backup of two banks from the stand-alone simulator while the user presses F10, an editor's
// Send and Store over and over: every file equals the unit's memory under its own number, and
// nothing of the user's reaches the unit while the run owns the line.
TEST(SimulatorOverJack, CommandsDuringABackupNeverReachTheUnit) {
  if (!JackServerRunning()) GTEST_SKIP() << "no JACK server running (./zqn test starts one)";
  QTemporaryDir dir;
  const QString state = dir.filePath("unit.state");
  const QString out = dir.filePath("backup");
  QDir().mkdir(out);
  QProcess sim;
  ASSERT_TRUE(StartSimulator(sim, "ZQN Busy Unit", {"--log", "--state", state}));
  QByteArray simLog;

  TkxRegUtil reg;
  reg.SetStorageFolder(dir.path());
  reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  reg.WriteString("MIDI_IN", "ZQN Busy Unit Out:MIDI Out");
  reg.WriteString("MIDI_OUT", "ZQN Busy Unit:MIDI In");
  reg.WriteInteger("ZQNReqDelay", 20);
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::Ok);

  auto system = TRtMidiDriver::Create("ZQN-Tarvo-Busy");
  {
    TfrmMain window(nullptr, system->In(), system->Out());
    window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    TfrmPresetEditor* editor = window.NewPresetEditor();
    dialogs->AnswerForm<TfrmBkupOpt>([&](TfrmBkupOpt& d) {
      d.SetPath(out);
      d.SetRange(1, 20);
      d.SetBank(2, false);
      d.SetBank(3, false);
      d.SetUntitled(true, "Untitled");
      return true;
    });
    int pressed = 0;
    bool inStore = false;
    QTimer presser;
    presser.setInterval(5);
    QObject::connect(&presser, &QTimer::timeout, [&] {
      if (!window.SequenceOwnsLine() || inStore) return;
      switch (pressed++ % 3) {
        case 0: {
          int key = Qt::Key_F10;
          window.DoFormKeyDown(key, Qt::NoModifier);
          break;
        }
        case 1:
          editor->btnSendOut->click();
          break;
        default: {
          inStore = true;
          editor->btnStore->click();
          inStore = false;
        }
      }
    });
    dialogs->AnswerForm<TfrmStorePrompt>([&](TfrmStorePrompt& prompt) {
      QTest::qWait(2);  // the user reads the prompt while the run goes on
      // A store confirmed after the run has ended is the user's own, and goes out.
      (window.SequenceOwnsLine() ? prompt.btnOK : prompt.btnCancel)->click();
      return prompt.result() == QDialog::Accepted;
    });
    presser.start();
    // From the run's first message on, the simulator's log is the unit's side of the line.
    simLog += sim.readAll();
    const qsizetype before = simLog.size();
    window.miGetSaveEach->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.SequenceOwnsLine(); }, 120000));
    presser.stop();
    EXPECT_GE(pressed, 30);
    QTest::qWait(200);
    simLog += sim.readAll();
    simLog = simLog.mid(before);
    dialogs->PlanButton(QMessageBox::No);  // the new preset is never saved
    window.close();
  }
  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(10000));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
  EXPECT_EQ(dialogs->Asked()[0].text, "Procedure is complete");

  const QStringList received = QString::fromLatin1(simLog).split('\n').filter(" <- ");
  for (const QString& line : received) {
    const QString bytes = line.mid(line.indexOf(" <- ") + 4);
    EXPECT_FALSE(bytes.startsWith("F0 1A 00 15 05 ")) << "a dump went out: " << line.toStdString();
    EXPECT_FALSE(bytes.startsWith("F0 1A 00 15 0A ")) << "a store went out: " << line.toStdString();
  }
  EXPECT_EQ(received.filter(" F0 1A 00 15 45 F7").size(), 40);

  TUnitSimulator unit;
  ASSERT_TRUE(unit.LoadState(state));
  for (const int bank : {0, 1}) {
    const QString folder = out + "/Bank " + QChar('A' + bank) + "/";
    EXPECT_EQ(QDir(folder).entryList(QDir::Files).size(), 20);
    for (int i = 0; i < 20; ++i) {
      QString title = QuickTitle(AsBytes(unit.Preset(bank, i)));
      if (title.isEmpty()) title = "Untitled";
      QFile f(folder + MakeValidFileName(title + ".zqn" + PresetNumberText(i + 1)));
      ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
      EXPECT_EQ(f.readAll(), unit.Preset(bank, i)) << bank << " " << i;
    }
  }
}

}  // namespace

namespace {

// A restore from a folder into the stand-alone simulator, which is stopped and started again in
// the middle of it: the run ends saying the unit did not answer, and once the ports are opened
// again Resume completes it. Afterwards the unit's memory (its state file) equals the files, the
// safety copy holds what was overwritten, and no preset was stored twice.
TEST(SimulatorOverJack, ARestoreSurvivesTheUnitStoppingAndResumesWhenItIsBack) {
  if (!JackServerRunning()) GTEST_SKIP() << "no JACK server running (./zqn test starts one)";
  QTemporaryDir dir;
  const QString state = dir.filePath("unit.state");
  const QString backup = dir.filePath("backup");
  constexpr int kCount = 20;
  QDir().mkpath(backup + "/Bank A");
  for (int i = 0; i < kCount; ++i) {
    QFile f(backup + "/Bank A/From C " + QString::number(i) + ".zqn" + PresetNumberText(i + 1));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(TUnitSimulator::FactoryPreset(2, i));
  }
  const QStringList args = {"--log", "--state", state};
  QProcess sim;
  ASSERT_TRUE(StartSimulator(sim, "ZQN Restore Unit", args));
  QByteArray simLog;

  TkxRegUtil reg;
  reg.SetStorageFolder(dir.path());
  reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  reg.WriteString("MIDI_IN", "ZQN Restore Unit Out:MIDI Out");
  reg.WriteString("MIDI_OUT", "ZQN Restore Unit:MIDI In");
  reg.WriteInteger("ZQNReqDelay", 20);
  TScriptedDialogs dialogs;

  auto system = TRtMidiDriver::Create("ZQN-Tarvo-Restore");
  QString safety;
  std::vector<TRunSlot> runSlots;
  {
    TfrmMain window(nullptr, system->In(), system->Out());
    window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    window.RequestTimeoutMs = 400;
    dialogs->AnswerForm<TfrmRunReport>([&](TfrmRunReport& r) {
      runSlots = r.Slots();
      return true;
    });
    auto plan = [&](TfrmRestoreOpt::TMode mode) {
      dialogs->AnswerForm<TfrmRestoreOpt>([&, mode](TfrmRestoreOpt& d) {
        d.SetFolder(backup);
        for (int b = 1; b < 4; ++b) d.SetBank(b, false);
        d.SetRange(1, kCount);
        if (mode == TfrmRestoreOpt::TMode::Restore) safety = d.SafetyFolder();
        d.Choose(mode);
        return d.result() == QDialog::Accepted;
      });
      dialogs->PlanButton(QMessageBox::Yes);
    };

    // Five stores in, the unit goes away and comes back a moment later.
    bool restarted = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
      simLog += sim.readAll();
      if (restarted || simLog.count(" <- F0 1A 00 15 0A ") < 5) return;
      restarted = true;
      sim.terminate();
      sim.waitForFinished(10000);
      simLog += sim.readAll();
      ASSERT_TRUE(StartSimulator(sim, "ZQN Restore Unit", args));
    });
    watch.start();
    plan(TfrmRestoreOpt::TMode::Restore);
    window.miRestore->trigger();
    watch.stop();
    ASSERT_TRUE(restarted);
    EXPECT_TRUE(window.StatusText(0).startsWith("Restore stopped: the unit did not answer"))
        << window.StatusText(0).toStdString();

    // The user opens the ports again, then resumes. They are found by name, as the menus find
    // them: other clients on the server may have come or gone, and device numbers with them.
    const QString outName = window.MidiOutput()->ProductName();
    const QString inName = window.MidiInput()->ProductName();
    window.MidiOutput()->Close();
    window.MidiOutput()->SetProductName(outName);
    window.MidiOutput()->Open();
    window.MidiInput()->Close();
    window.MidiInput()->SetProductName(inName);
    window.MidiInput()->Open();
    window.MidiInput()->Start();
    plan(TfrmRestoreOpt::TMode::Resume);
    window.miRestore->trigger();
    EXPECT_TRUE(window.StatusText(0).startsWith("Restore is complete"))
        << window.StatusText(0).toStdString();
    QTest::qWait(200);
    simLog += sim.readAll();
    window.close();
  }
  sim.terminate();
  ASSERT_TRUE(sim.waitForFinished(10000));
  simLog += sim.readAll();
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();

  ASSERT_EQ(runSlots.size(), std::size_t(kCount));
  for (const TRunSlot& s : runSlots)
    EXPECT_TRUE(s.State == TSlotState::Verified || s.State == TSlotState::Skipped) << s.Key();
  TUnitSimulator unit;
  ASSERT_TRUE(unit.LoadState(state));
  for (int i = 0; i < kCount; ++i)
    EXPECT_EQ(unit.Preset(0, i), TUnitSimulator::FactoryPreset(2, i)) << i;
  std::map<QString, int> stores;
  for (const QString& line : QString::fromLatin1(simLog).split('\n').filter(" <- F0 1A 00 15 0A "))
    ++stores[line.mid(line.indexOf(" <- ") + 4)];
  EXPECT_EQ(stores.size(), std::size_t(kCount));
  for (const auto& [message, count] : stores) EXPECT_EQ(count, 1) << message.toStdString();
  const QStringList copies = QDir(safety + "/Bank A").entryList(QDir::Files);
  ASSERT_EQ(copies.size(), kCount);
  for (const QString& name : copies) {
    QFile f(safety + "/Bank A/" + name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), TUnitSimulator::FactoryPreset(0, name.right(3).toInt() - 1))
        << name.toStdString();
  }
}

}  // namespace

namespace {

// The stand-alone simulator started after the program, stopped and started again: the device
// menus follow it, the remembered devices are reopened, and F10 works after each return. Then a
// buffer of 40 preset dumps sent with a 50 ms gap reaches the simulator whole, one by one.
TEST(SimulatorOverJack, ComesAndGoesAndTakesAPacedBuffer) {
  if (!JackServerRunning()) GTEST_SKIP() << "no JACK server running (./zqn test starts one)";
  const QString in = "ZQN Plug Unit Out:MIDI Out";
  const QString out = "ZQN Plug Unit:MIDI In";
  QTemporaryDir dir;
  TkxRegUtil reg;
  reg.SetStorageFolder(dir.path());
  reg.SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo"));
  reg.WriteString("MIDI_IN", in);
  reg.WriteString("MIDI_OUT", out);
  reg.WriteInteger("ZQNReqDelay", 200);
  TScriptedDialogs dialogs;
  auto system = TRtMidiDriver::Create("ZQN-Tarvo-Plug");
  // With no other client on the server the window says at start that it finds no devices.
  if (system->InputNames().isEmpty()) dialogs->PlanButton(QMessageBox::Ok);
  if (system->OutputNames().isEmpty()) dialogs->PlanButton(QMessageBox::Ok);
  TfrmMain window(nullptr, system->In(), system->Out());
  window.InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
  EXPECT_FALSE(window.MidiInput()->DeviceNames().contains(in));
  EXPECT_EQ(window.AwaitedInput(), in);
  // A simulator just started may still be making its ports when the program has already found
  // them and opened its own: a request that arrives before it listens goes unanswered, as with a
  // unit just switched on, and the user presses F10 again.
  const auto f10Works = [&] {
    for (int attempt = 0; attempt < 3; ++attempt) {
      const int before = window.LogCount();
      int key = Qt::Key_F10;
      window.DoFormKeyDown(key, Qt::NoModifier);
      if (QTest::qWaitFor(
              [&] {
                for (int i = before; i < window.LogCount(); ++i)
                  if (window.LogEvent(i) && window.LogEvent(i)->SysexLength == PresetDumpLength)
                    return true;
                return false;
              },
              4000))
        return true;
    }
    return false;
  };
  const auto listed = [&](const QString& name) {
    return window.MidiInput()->DeviceNames().contains(name);
  };
  QProcess sim;
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(StartSimulator(sim, "ZQN Plug Unit", {"--log"}));
    // The background rescan finds it and opens both directions.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          return window.MidiInput()->IsOpen() && window.MidiInput()->ProductName() == in &&
                 window.MidiOutput()->IsOpen() && window.MidiOutput()->ProductName() == out;
        },
        3 * TfrmMIDIExplorer::RescanIntervalMs))
        << round;
    EXPECT_TRUE(window.StatusText(0).contains("was reopened"))
        << window.StatusText(0).toStdString();
    // On failure, what the simulator saw tells a request that never arrived from a reply lost.
    EXPECT_TRUE(f10Works()) << round << "\nsimulator:\n"
                            << sim.readAll().toStdString() << "\nlog lines: " << window.LogCount();
    if (round == 1) break;
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !listed(in); }, 3 * TfrmMIDIExplorer::RescanIntervalMs));
    window.RescanDevices();
    EXPECT_FALSE(window.MidiInput()->IsOpen());
    EXPECT_FALSE(window.MidiOutput()->IsOpen());
    EXPECT_EQ(window.AwaitedInput(), in);
  }

  // 40 dumps, 9,840 bytes, with a 50 ms gap.
  sim.readAll();
  TSendPacing pacing;
  pacing.GapMs = 50;
  window.SetSendPacing(pacing);
  QByteArray buffer;
  for (int i = 0; i < 40; ++i) buffer += TUnitSimulator::FactoryPreset(1, i);
  ASSERT_EQ(buffer.size(), 9840);
  window.SetBufferBytes(buffer);
  window.SendBuffer();
  EXPECT_EQ(window.StatusText(0), "Message buffer sent to MIDI Out (40 messages)");
  QByteArray log;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        log += sim.readAll();
        return log.count("<- F0 1A 00 15 05") >= 40;
      },
      10000))
      << log.toStdString();
  QTest::qWait(200);
  log += sim.readAll();
  QList<double> times;
  for (const QByteArray& line : log.split('\n')) {
    if (!line.contains("<- F0 1A 00 15 05")) continue;
    EXPECT_TRUE(line.contains("(246 bytes)")) << line.toStdString();
    times << line.trimmed().split(' ').first().toDouble();
  }
  ASSERT_EQ(times.size(), 40);
  // The server delivers in periods, so one gap may look a few milliseconds short; all of them
  // together are at least the gaps asked for.
  for (int i = 1; i < 40; ++i) EXPECT_GE(times[i] - times[i - 1], 0.030) << i;
  EXPECT_GE(times.last() - times.first(), 39 * 0.048);

  // In pieces of 64 bytes: the simulator, reading its port as a unit reads its cable, gets each
  // dump whole, in order.
  window.SetSendPacing(TSendPacing{0, 64, 5});
  window.SetBufferBytes(buffer.left(4 * PresetDumpLength));
  log.clear();
  window.SendBuffer();
  EXPECT_EQ(window.StatusText(0), "Message buffer sent to MIDI Out (4 messages)");
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        log += sim.readAll();
        return log.count("(246 bytes)") >= 4;
      },
      10000))
      << log.toStdString();
  QStringList whole;
  for (const QByteArray& line : log.split('\n'))
    if (line.contains("<- F0 1A 00 15 05")) whole << QString::fromLatin1(line.mid(11));
  ASSERT_EQ(whole.size(), 4) << log.toStdString();
  for (int i = 0; i < 4; ++i) {
    const QByteArray dump = buffer.mid(i * PresetDumpLength, 16).toHex(' ').toUpper();
    EXPECT_EQ(whole[i].toStdString(), "<- " + dump.toStdString() + " ... (246 bytes)");
  }
  window.close();
  sim.terminate();
  EXPECT_TRUE(sim.waitForFinished(5000));
  EXPECT_TRUE(dialogs->Problems().isEmpty()) << dialogs->Problems().join('\n').toStdString();
}

}  // namespace
