#include "device/Main.h"
#include "app/SplashAbout.h"
#include "app/kxUtility.h"
#include "device/SimulatorDevice.h"
#include "midi/MidiSystem.h"

#include <QApplication>
#include <QCommandLineParser>

namespace {
TkxRegUtil* ProgramSettings = nullptr;
}

// The settings store of the running program, for windows that keep their own values.
TkxRegUtil* Settings() {
  return ProgramSettings;
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString title = QStringLiteral("ZQN-Tarvo");
  QApplication::setOrganizationName(QStringLiteral("Marvandel"));
  QApplication::setApplicationName(title);
  QApplication::setApplicationVersion(QStringLiteral("2.5"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Librarian and editor for the QVA ZQN Tarvo multi-effects unit."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption noSimulator(
      QStringLiteral("no-simulator"),
      QStringLiteral("Do not list the built-in unit simulator among the MIDI devices."));
  parser.addOption(noSimulator);
  parser.process(app);

  // Listed after the system's ports, so a machine without MIDI hardware starts on it.
  if (!parser.isSet(noSimulator)) InstallSimulatorDevice(TMidiSystem::Instance().InProcess());

  TSplashAboutTexts& texts = SplashAboutTexts();
  texts.Description = QStringLiteral("Librarian/Editor for the\nQVA ZQN Tarvo Processor");
  texts.Version = QStringLiteral("2.5");
  ShowSplashAbout(nullptr, false);
  QCoreApplication::processEvents();

  auto* mainWindow = new TfrmMain;
  QCoreApplication::processEvents();

  auto* settings = new TkxRegUtil(&app);
  settings->SetRootKey(TRegRootKey::CurrentUser);
  settings->SetPath(QStringLiteral("\\SOFTWARE\\Marvandel/") + title);
  ProgramSettings = settings;

  mainWindow->InitExplorer(settings, title);
  mainWindow->show();
  const int rc = QApplication::exec();

  // The window goes before the store it was given, so nothing it does on the way out can reach a
  // store that is gone.
  delete mainWindow;
  ProgramSettings = nullptr;
  delete settings;
  return rc;
}
