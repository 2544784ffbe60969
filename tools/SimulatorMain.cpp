// zqn-tarvo-sim: the ZQN Tarvo unit simulator on virtual MIDI ports (JACK or ALSA), so that the
// program, or any other MIDI software, can talk to a unit where there is none.

#include "device/SimulatorDevice.h"

#include <RtMidi.h>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> stopRequested{false};
void RequestStop(int) {
  stopRequested = true;
}

struct TPorts {
  std::unique_ptr<RtMidiIn> in;
  std::unique_ptr<RtMidiOut> out;
  std::shared_ptr<TSimulatorSession> session;
};

void OnMessage(double, std::vector<unsigned char>* message, void* data) {
  auto* ports = static_cast<TPorts*>(data);
  ports->session->Handle(*message, [ports](const QByteArray& reply) {
    ports->out->sendMessage(reinterpret_cast<const unsigned char*>(reply.constData()),
                            static_cast<std::size_t>(reply.size()));
  });
}

RtMidi::Api ApiByName(const QString& name) {
  if (name == "jack") return RtMidi::UNIX_JACK;
  if (name == "alsa") return RtMidi::LINUX_ALSA;
  if (name == "coremidi") return RtMidi::MACOSX_CORE;
  if (name == "winmm") return RtMidi::WINDOWS_MM;
  return RtMidi::UNSPECIFIED;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName("zqn-tarvo-sim");
  QCommandLineParser parser;
  parser.setApplicationDescription(
      "ZQN Tarvo unit simulator on virtual MIDI ports.\n"
      "The program sends to \"<name>:MIDI In\" and receives from \"<name> Out:MIDI Out\".");
  parser.addHelpOption();
  QCommandLineOption api("api", "MIDI system: jack, alsa (default: the first that works).", "api");
  QCommandLineOption name("name", "Client name of the ports (default \"ZQN Tarvo Unit\").", "name",
                          "ZQN Tarvo Unit");
  QCommandLineOption channel("channel", "The unit's device channel, 0..15 (default 0).", "n", "0");
  QCommandLineOption preKinetic("pre-kinetic", "Behave as an older single-bank unit.");
  QCommandLineOption paced("paced",
                           "Receive and reply at DIN MIDI speed (320 us per byte each way).");
  QCommandLineOption loadMs("load-ms", "Milliseconds to load a preset after a select.", "ms", "0");
  QCommandLineOption drop("drop-every", "Drop every n-th reply (0: never).", "n", "0");
  QCommandLineOption chaos("chaos",
                           "Mix noise into the replies (random messages, broken and foreign "
                           "system exclusive, bursts, lost replies), seeded with n (0: none).",
                           "n", "0");
  QCommandLineOption storeFault(
      "store-fault", "Every n-th store keeps one wrong byte in the stored preset (0: never).", "n",
      "0");
  QCommandLineOption dropOff("drop-off-after",
                             "Drop off the line after n messages from the program: take and "
                             "answer nothing more, as with a pulled cable (0: never).",
                             "n", "0");
  QCommandLineOption log("log", "Print every message in and out with a time stamp.");
  QCommandLineOption state("state", "Keep the unit's memory in this file between runs.", "file");
  parser.addOptions({api, name, channel, preKinetic, paced, loadMs, drop, chaos, storeFault,
                     dropOff, log, state});
  parser.process(app);

  QTextStream err(stderr);
  bool ok = false;
  const int ch = parser.value(channel).toInt(&ok);
  if (!ok || ch < 0 || ch > 15) {
    err << "zqn-tarvo-sim: --channel takes 0..15\n";
    return 2;
  }
  TPorts ports;
  ports.session = std::make_shared<TSimulatorSession>();
  {
    auto lock = ports.session->Lock();
    TUnitSimulator& unit = ports.session->Unit();
    if (parser.isSet(state) && QFile::exists(parser.value(state))) {
      QString error;
      if (!unit.LoadState(parser.value(state), &error)) {
        err << "zqn-tarvo-sim: " << parser.value(state) << ": " << error << "\n";
        return 1;
      }
    }
    unit.SetChannel(static_cast<std::uint8_t>(ch));
    if (parser.isSet(preKinetic)) unit.SetPreKinetic(true);
    TSimulatorOptions& options = ports.session->Options();
    options.Paced = parser.isSet(paced);
    options.PresetLoadMs = parser.value(loadMs).toInt();
    options.DropEveryNth = parser.value(drop).toInt();
    options.ChaosSeed = parser.value(chaos).toUInt();
    options.StoreFaultEvery = parser.value(storeFault).toInt();
    options.DropOffAfter = parser.value(dropOff).toInt();
  }
  if (parser.isSet(log)) {
    ports.session->OnLog = [](const QString& line) {
      std::fprintf(stdout, "%s\n", qPrintable(line));
      std::fflush(stdout);
    };
  }

  const QString client = parser.value(name);
  try {
    ports.out =
        std::make_unique<RtMidiOut>(ApiByName(parser.value(api)), (client + " Out").toStdString());
    ports.out->openVirtualPort("MIDI Out");
    ports.in = std::make_unique<RtMidiIn>(ports.out->getCurrentApi(), client.toStdString(), 1000);
    ports.in->ignoreTypes(false, true, true);
    ports.in->setCallback(&OnMessage, &ports);
    ports.in->openVirtualPort("MIDI In");
  } catch (const RtMidiError& e) {
    err << "zqn-tarvo-sim: cannot open virtual MIDI ports: "
        << QString::fromStdString(e.getMessage()) << "\n";
    return 1;
  }
  std::printf("zqn-tarvo-sim: ready on %s (channel %d%s)\n",
              RtMidi::getApiDisplayName(ports.in->getCurrentApi()).c_str(), ch,
              parser.isSet(preKinetic) ? ", Pre-Kinetic" : "");
  std::fflush(stdout);

  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (stopRequested) app.quit();
  });
  poll.start(50);
  const int rc = app.exec();

  ports.in.reset();  // no more messages while the state is written
  if (parser.isSet(state)) {
    auto lock = ports.session->Lock();
    QString error;
    if (!ports.session->Unit().SaveState(parser.value(state), &error)) {
      err << "zqn-tarvo-sim: " << parser.value(state) << ": " << error << "\n";
      return 1;
    }
  }
  return rc;
}
