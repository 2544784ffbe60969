#include "device/Main.h"
#include "app/Application.h"
#include "app/SplashAbout.h"
#include "app/StartupProbe.h"
#include "app/kxUtility.h"
#include "device/SimulatorDevice.h"
#include "editor/PresetPrint.h"
#include "library/PresetCompare.h"
#include "midi/MidiSystem.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QIcon>
#include <QTextStream>
#include <QTimer>
#include <cstring>

namespace {
TkxRegUtil* ProgramSettings = nullptr;
}

// The settings store of the running program, for windows that keep their own values.
TkxRegUtil* Settings() {
  return ProgramSettings;
}

namespace {
// `zqn-tarvo --listing FILE.zqn...` prints each preset's parameter listing as text, without a
// window (and without needing a display), so presets and backups can be read in a terminal.
int ListingMain(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList files = QCoreApplication::arguments().mid(1);
  files.removeAll(QStringLiteral("--listing"));
  QTextStream out(stdout);
  QTextStream err(stderr);
  if (files.isEmpty()) {
    err << "usage: zqn-tarvo --listing FILE.zqn...\n";
    return 2;
  }
  return PrintListings(files, out, err);
}

// `zqn-tarvo --diff A.zqn B.zqn` prints the parameters in which two presets differ, in the
// listing's texts; two backup folders are compared slot by slot. Exits 0 when they hold the same,
// 1 when they differ and 2 when they cannot be read, as diff(1) does, so scripts can use it.
int DiffMain(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList names = QCoreApplication::arguments().mid(1);
  names.removeAll(QStringLiteral("--diff"));
  QTextStream out(stdout);
  QTextStream err(stderr);
  if (names.size() != 2) {
    err << "usage: zqn-tarvo --diff A.zqn B.zqn\n"
           "       zqn-tarvo --diff OLDER-BACKUP-FOLDER NEWER-BACKUP-FOLDER\n";
    return 2;
  }
  return RunPresetDiff(names[0], names[1], out, err);
}
}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--listing") == 0) return ListingMain(argc, argv);
    if (std::strcmp(argv[i], "--diff") == 0) return DiffMain(argc, argv);
  }

  TApplication app(argc, argv);
  InstallFontSubstitutes();
  const QString title = QStringLiteral("ZQN-Tarvo");
  QApplication::setOrganizationName(QStringLiteral("Marvandel"));
  QApplication::setApplicationName(title);
  QApplication::setApplicationVersion(QStringLiteral("2.5"));
  // The installed menu entry and icon, so desktops group the windows under them.
  QGuiApplication::setDesktopFileName(QStringLiteral("zqn-tarvo"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zqn-tarvo")));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Librarian and editor for the QVA ZQN Tarvo multi-effects unit."));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption noSimulator(
      QStringLiteral("no-simulator"),
      QStringLiteral("Do not list the built-in unit simulator among the MIDI devices."));
  parser.addOption(noSimulator);
  parser.addOption(QCommandLineOption(
      QStringLiteral("listing"),
      QStringLiteral("Print the parameter listing of each preset file given, then end.")));
  parser.addOption(QCommandLineOption(
      QStringLiteral("diff"),
      QStringLiteral("Compare two preset files (or two backup folders) given, then end; exits 0 "
                     "when they hold the same presets, 1 when they differ, 2 on an error.")));
  parser.addPositionalArgument(
      QStringLiteral("files"),
      QStringLiteral("Preset (.zqn) or program table (.mpt) files to open, each in its editor."),
      QStringLiteral("[files...]"));
  parser.process(app);
  // Made absolute here, where the folder they were named in is known, so the windows show and
  // save under the full name.
  QStringList files;
  for (const QString& file : parser.positionalArguments())
    files << QFileInfo(file).absoluteFilePath();

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
  ArmStartupReport(mainWindow);
  // Once the window is up and has checked for the unit, as if the user had opened each file.
  if (!files.isEmpty())
    QTimer::singleShot(0, mainWindow, [mainWindow, files] { mainWindow->OpenFiles(files); });
  const int rc = QApplication::exec();

  // The window goes before the store it was given, so nothing it does on the way out can reach a
  // store that is gone.
  delete mainWindow;
  ProgramSettings = nullptr;
  delete settings;
  return rc;
}
