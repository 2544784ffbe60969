#include "app/ScriptedDialogService.h"
#include "app/kxUtility.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <QElapsedTimer>
#include <functional>

namespace {

const QString kPath = QStringLiteral("\\SOFTWARE\\Marvandel/ZQN-Tarvo");

std::string Text(const ERegistryError& e) {
  return e.Message().toStdString();
}

// The store on a fresh temporary folder, never the user's settings.
class RegUtilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    reg.SetStorageFolder(dir.path());
    reg.SetPath(kPath);
  }
  QString File() const { return dir.path() + "/Marvandel/ZQN-Tarvo.conf"; }
  // Reads the file behind the store's back.
  QVariant Raw(const QString& key) const {
    QSettings s(File(), QSettings::IniFormat);
    return s.value(key);
  }

  QTemporaryDir dir;
  TkxRegUtil reg;
};

TEST_F(RegUtilTest, AbsentValuesGiveDefaultsAndCreateNothing) {
  EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, 1000), 1000);
  EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, -7), -7);
  EXPECT_TRUE(reg.ReadBool("PRE_KINETIC", true, true));
  EXPECT_FALSE(reg.ReadBool("PRE_KINETIC", true, false));
  EXPECT_TRUE(reg.ReadString("MPT_HINT_DIR").isEmpty());
  EXPECT_TRUE(reg.ReadStringAt(kPath + "\\Controllers", "4").isEmpty());
  EXPECT_FALSE(reg.ValueExists("ZQNReqDelay"));
  EXPECT_FALSE(QFile::exists(File())) << "a read wrote the settings file";

  reg.WriteInteger("Other", 1);
  EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, 1000), 1000);
  EXPECT_FALSE(Raw("ZQNReqDelay").isValid()) << "a read created the value";
}

TEST_F(RegUtilTest, ValuesSurviveANewStore) {
  reg.WriteInteger("ZQNReqDelay", 250);
  reg.WriteInteger("NEG", -2147483647 - 1);
  reg.WriteBool("PRE_KINETIC", true);
  reg.WriteBool("OFF", false);

  TkxRegUtil again;
  again.SetStorageFolder(dir.path());
  again.SetPath(kPath);
  EXPECT_EQ(again.ReadInteger("ZQNReqDelay", true, 1000), 250);
  EXPECT_EQ(again.ReadInteger("NEG", true, 0), -2147483647 - 1);
  EXPECT_TRUE(again.ReadBool("PRE_KINETIC", true, false));
  EXPECT_FALSE(again.ReadBool("OFF", true, true));
  // Flags are kept as the registry keeps them: 0 and 1.
  EXPECT_EQ(again.ReadInteger("PRE_KINETIC", true, 5), 1);
}

TEST_F(RegUtilTest, TextsComeBackExactly) {
  // Texts a settings file could mistake for its own syntax.
  const QStringList texts = {"C:\\Presets\\Bank A",
                             "a, b, c",
                             "\"quoted\"",
                             "x = y",
                             "[section]",
                             "  padded  ",
                             "; not a comment",
                             "100",
                             "true",
                             "Ärger ñ €",
                             "line\nbreak",
                             "@Variant(fake)",
                             ""};
  for (int i = 0; i < texts.size(); ++i) reg.WriteString(QString("S%1").arg(i), texts[i]);
  TkxRegUtil again;
  again.SetStorageFolder(dir.path());
  again.SetPath(kPath);
  for (int i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(again.ReadString(QString("S%1").arg(i)).toStdString(), texts[i].toStdString());
  }
}

TEST_F(RegUtilTest, WrongTypeReadsRaiseTheConversionErrorWithTheReadPiece) {
  reg.WriteString("ZQNReqDelay", "soon");
  try {
    reg.ReadInteger("ZQNReqDelay", true, 1000);
    FAIL() << "text read as an integer";
  } catch (const ERegistryError& e) {
    EXPECT_EQ(
        Text(e),
        "Invalid data type for 'ZQNReqDelay' Registry parameter \"ZQNReqDelay\" read failed!");
  }
  reg.WriteString("PRE_KINETIC", "maybe");
  try {
    reg.ReadBool("PRE_KINETIC", true, false);
    FAIL() << "text read as a boolean";
  } catch (const ERegistryError& e) {
    EXPECT_EQ(
        Text(e),
        "Invalid data type for 'PRE_KINETIC' Registry parameter \"PRE_KINETIC\" read failed!");
  }
  // An integer beyond 32 bits is no integer of this store either.
  reg.WriteString("BIG", "4294967296");
  EXPECT_THROW(reg.ReadInteger("BIG", true, 0), ERegistryError);
}

TEST_F(RegUtilTest, SettingsFilesKeepNoTypesSoDigitsReadAsIntegers) {
  reg.WriteString("N", "250");
  EXPECT_EQ(reg.ReadInteger("N", true, 0), 250);
  reg.WriteInteger("M", 42);
  EXPECT_EQ(reg.ReadString("M").toStdString(), "42");
}

TEST_F(RegUtilTest, EveryUnqualifiedOperationNeedsAPath) {
  reg.SetPath(QString());
  const std::vector<std::pair<const char*, std::function<void()>>> operations = {
      {"ReadString", [&] { reg.ReadString("A"); }},
      {"WriteString", [&] { reg.WriteString("A", "x"); }},
      {"ReadInteger", [&] { reg.ReadInteger("A", true, 0); }},
      {"WriteInteger", [&] { reg.WriteInteger("A", 1); }},
      {"ReadBool", [&] { reg.ReadBool("A", true, false); }},
      {"WriteBool", [&] { reg.WriteBool("A", true); }},
      {"DeleteValue", [&] { reg.DeleteValue("A"); }},
      {"SaveFormRect",
       [&] {
         QWidget w;
         reg.SaveFormRect(&w);
       }},
      {"LoadFormRect",
       [&] {
         QWidget w;
         reg.LoadFormRect(&w);
       }},
  };
  for (const auto& [name, operation] : operations) {
    try {
      operation();
      ADD_FAILURE() << name << " ran without a path";
    } catch (const ERegistryError& e) {
      EXPECT_EQ(Text(e), "Registry path not set") << name;
    }
  }
  EXPECT_FALSE(QFile::exists(dir.path() + "/Marvandel"));
}

TEST_F(RegUtilTest, SubKeysAreSeparateFromThePath) {
  const QString controllers = kPath + "\\Controllers";
  reg.WriteStringAt(controllers, "4", "Foot pedal");
  reg.WriteString("4", "main key");
  EXPECT_EQ(reg.ReadStringAt(controllers, "4").toStdString(), "Foot pedal");
  EXPECT_EQ(reg.ReadString("4").toStdString(), "main key");
  EXPECT_TRUE(reg.ReadStringAt(controllers, "5").isEmpty());
  // "/" and "\" between key parts address the same key.
  EXPECT_EQ(reg.ReadStringAt("/SOFTWARE/Marvandel/ZQN-Tarvo/Controllers", "4").toStdString(),
            "Foot pedal");
  EXPECT_EQ(Raw("Controllers/4").toString().toStdString(), "Foot pedal");
  // Read together, each name gets its own value and a missing one reads empty, in order.
  reg.WriteStringAt(controllers, "6", "Expression");
  EXPECT_EQ(reg.ReadStringsAt(controllers, {"6", "5", "4"}),
            (QStringList{"Expression", QString(), "Foot pedal"}));
}

TEST_F(RegUtilTest, FailuresNameTheValueAndTheOperation) {
  struct Row {
    const char* what;
    std::function<void()> operation;
    const char* text;
  };
  const std::vector<Row> rows = {
      {"read", [&] { reg.ReadString("a/b"); },
       "Invalid registry value name \"a/b\" Registry parameter \"a/b\" read failed!"},
      {"write", [&] { reg.WriteInteger("a\\b", 1); },
       "Invalid registry value name \"a\\b\" Registry parameter \"a\\b\" write failed!"},
      {"delete", [&] { reg.DeleteValue(""); },
       "Invalid registry value name \"\" Registry value \"\" deletion failed!"},
      {"read at", [&] { reg.ReadStringAt("\\SOFTWARE\\X", "a/b"); },
       "Invalid registry value name \"a/b\" Registry parameter \"\\SOFTWARE\\X,a/b\" read failed!"},
      {"write at", [&] { reg.WriteStringAt("\\SOFTWARE", "N", "v"); },
       "Invalid registry key \"\\SOFTWARE\" Registry parameter \"\\SOFTWARE,N\" write failed!"},
  };
  for (const Row& row : rows) {
    try {
      row.operation();
      ADD_FAILURE() << row.what << " did not fail";
    } catch (const ERegistryError& e) {
      EXPECT_EQ(Text(e), row.text) << row.what;
    }
  }
}

TEST_F(RegUtilTest, AWriteThatCannotReachTheDiskFailsInsteadOfPretending) {
  // A plain file where the settings folder should be: no settings file can be created below it.
  const QString blocker = dir.path() + "/blocker";
  {
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  reg.SetStorageFolder(blocker);
  try {
    reg.WriteInteger("ZQNReqDelay", 250);
    FAIL() << "write reported success";
  } catch (const ERegistryError& e) {
    EXPECT_TRUE(e.Message().endsWith(" Registry parameter \"ZQNReqDelay\" write failed!"))
        << Text(e);
  }
  // Reading there is no error: the key cannot be opened, so the default comes back.
  EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, 1000), 1000);
}

TEST_F(RegUtilTest, DeleteValueRemovesOnlyThatValue) {
  reg.WriteInteger("RECT_MAIN", 5);
  reg.WriteInteger("KEEP", 6);
  reg.DeleteValue("RECT_MAIN");
  reg.DeleteValue("RECT_MAIN");  // already gone: no error
  reg.DeleteValue("NEVER_THERE");
  EXPECT_FALSE(reg.ValueExists("RECT_MAIN"));
  EXPECT_EQ(reg.ReadInteger("KEEP", true, 0), 6);
}

TEST(RegUtilPlatformPlace, DefaultsToTheUserSettingsOfOrganisationAndProgram) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  // Redirect the platform's user settings for this test only.
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
  TkxRegUtil reg;
  reg.SetPath(kPath);
  reg.WriteInteger("ZQNReqDelay", 300);
  const QString location = reg.StorageLocation(kPath);
#ifndef Q_OS_WIN
  EXPECT_TRUE(QFile::exists(dir.path() + "/Marvandel/ZQN-Tarvo.conf")) << location.toStdString();
#endif
  EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, 0), 300);
  reg.DeleteValue("ZQNReqDelay");
  const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
  QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home);
}

// ---------------------------------------------------------------------------------------------
// Window rectangles

TEST_F(RegUtilTest, FormRectIsSavedAsFourNamedIntegersAndRestored) {
  QWidget saved;
  saved.setObjectName("frmMPTEditor");
  saved.move(40, 30);
  saved.resize(320, 240);
  reg.SaveFormRect(&saved);
  EXPECT_EQ(Raw("frmMPTEditor.Top").toInt(), 30);
  EXPECT_EQ(Raw("frmMPTEditor.Left").toInt(), 40);
  EXPECT_EQ(Raw("frmMPTEditor.Height").toInt(), 240);
  EXPECT_EQ(Raw("frmMPTEditor.Width").toInt(), 320);

  QWidget restored;
  restored.setObjectName("frmMPTEditor");
  reg.LoadFormRect(&restored);
  EXPECT_EQ(restored.pos(), QPoint(40, 30));
  EXPECT_EQ(restored.size(), QSize(320, 240));
}

TEST_F(RegUtilTest, MissingRectValuesKeepTheWindowsOwn) {
  reg.WriteInteger("frmMain.Width", 500);
  QWidget w;
  w.setObjectName("frmMain");
  w.move(11, 12);
  w.resize(200, 150);
  reg.LoadFormRect(&w);
  EXPECT_EQ(w.pos(), QPoint(11, 12));
  EXPECT_EQ(w.size(), QSize(500, 150));
}

TEST_F(RegUtilTest, ARestoredWindowStaysOnTheScreen) {
  const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
  reg.WriteInteger("frmMain.Left", desktop.left() + desktop.width() * 4);
  reg.WriteInteger("frmMain.Top", desktop.top() + desktop.height() * 4);
  QWidget w;
  w.setObjectName("frmMain");
  reg.LoadFormRect(&w);
  EXPECT_EQ(w.x(), desktop.left() + qRound(0.9 * desktop.width()));
  EXPECT_EQ(w.y(), desktop.top() + qRound(0.9 * desktop.height()));

  // A child control is placed where it was saved: its position is relative to its window.
  QWidget parent;
  QWidget child(&parent);
  child.setObjectName("pnlChild");
  reg.WriteInteger("pnlChild.Left", 5000);
  reg.LoadFormRect(&child);
  EXPECT_EQ(child.x(), 5000);
}

TEST(ClampWindowOrigin, KeepsTheOriginOnTheDesktop) {
  struct Row {
    QPoint origin;
    QRect desktop;
    QPoint expected;
  };
  const QRect fullHd(0, 0, 1920, 1080);
  const Row rows[] = {
      {{3000, 100}, fullHd, {1728, 100}},
      {{1728, 972}, fullHd, {1728, 972}},
      {{1729, 973}, fullHd, {1728, 972}},
      {{100, 5000}, fullHd, {100, 972}},
      {{0, 0}, fullHd, {0, 0}},
      {{-3000, -40}, fullHd, {0, 0}},
      {{3000, 10}, QRect(0, 0, 1366, 768), {1229, 10}},
      // Two screens, the second left of the primary one.
      {{-1000, 10}, QRect(-1920, 0, 3840, 1080), {-1000, 10}},
      {{3000, 10}, QRect(-1920, 0, 3840, 1080), {1536, 10}},
  };
  for (const Row& row : rows) {
    const QPoint got = ClampWindowOrigin(row.origin, row.desktop);
    EXPECT_EQ(got, row.expected) << row.origin.x() << "," << row.origin.y() << " -> " << got.x()
                                 << "," << got.y();
  }
}

// ---------------------------------------------------------------------------------------------
// Delay

// Installs a clock for one test.
class ClockScope {
 public:
  explicit ClockScope(TTickSource source) : previous_(SetTickSource(std::move(source))) {}
  ~ClockScope() { SetTickSource(std::move(previous_)); }

 private:
  TTickSource previous_;
};

TEST(Delay, ZeroRunsPendingEventsOnceAndReturnsEvenOnAStoppedClock) {
  ClockScope clock([] { return qint64(5000); });
  int runs = 0;
  QTimer::singleShot(0, [&] { ++runs; });
  Delay(0);
  EXPECT_EQ(runs, 1);
}

TEST(Delay, FollowsAFasterClock) {
  QElapsedTimer real;
  real.start();
  qint64 lastReading = 0;
  ClockScope clock([&] { return lastReading = real.elapsed() * 100; });  // 100 times real time
  int runs = 0;
  QTimer::singleShot(0, [&] { ++runs; });
  const qint64 start = TickCount();
  Delay(5000);
  EXPECT_GE(lastReading - start, 5000);
  EXPECT_EQ(runs, 1);
  EXPECT_LT(real.elapsed(), 1000) << "the replaced clock was not used";
}

TEST(Delay, OnTheRealClockLastsAtLeastTheTimeAndHandlesTimers) {
  bool fired = false;
  QTimer::singleShot(20, [&] { fired = true; });
  QElapsedTimer real;
  real.start();
  Delay(60);
  EXPECT_GE(real.elapsed(), 60);
  EXPECT_LT(real.elapsed(), 1000);
  EXPECT_TRUE(fired);
}

TEST(Delay, NegativeTimeIsOnePass) {
  int runs = 0;
  QTimer::singleShot(0, [&] { ++runs; });
  Delay(-5);
  EXPECT_EQ(runs, 1);
}

// ---------------------------------------------------------------------------------------------
// Text helpers

TEST(ReplaceAll, ReplacesLeftToRightWithoutRescanningInsertedText) {
  struct Row {
    const char *text, *from, *to, *expected;
  };
  const Row rows[] = {
      {"aaa", "a", "aa", "aaaaaa"},       {"abc", "b", "bb", "abbc"},
      {"aaaa", "aa", "a", "aa"},          {"aaa", "aa", "b", "ba"},
      {"banana", "ana", "X", "bXna"},     {"x-y-z", "-", "", "xyz"},
      {"text", "", "y", "text"},          {"", "a", "b", ""},
      {"no match", "q", "r", "no match"}, {"\\\\", "\\", "\\\\", "\\\\\\\\"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ReplaceAll(row.text, row.from, row.to).toStdString(), row.expected)
        << row.text << " / " << row.from << " / " << row.to;
  }
}

TEST(MakeValidFileName, AppliesTheReplacementsInOrder) {
  struct Row {
    const char *text, *expected;
  };
  const Row rows[] = {
      {"C:\\x", "C -x"},    {"A/B: test?", "A-B  test "},     {"say \"hi\"", "say 'hi'"},
      {"<a>|*b", " a   b"}, {"Clean Lead 2", "Clean Lead 2"}, {"tab\there", "tab here"},
      {"..", ".."},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(MakeValidFileName(row.text).toStdString(), row.expected) << row.text;
  }
}

TEST(NormalizeFolderName, DrivesEndInASeparatorOtherFoldersDoNot) {
  struct Row {
    const char *in, *out;
  };
  const Row rows[] = {
      {"D:", "D:\\"},
      {"D:\\", "D:\\"},
      {"D:\\\\", "D:\\"},
      {"C:\\Presets\\", "C:\\Presets"},
      {"C:\\Presets", "C:\\Presets"},
      {"/home/user/presets/", "/home/user/presets"},
      {"/home/user/presets//", "/home/user/presets"},
      {"/", "/"},
      {"/a", "/a"},
      {"\\\\server\\share\\", "\\\\server\\share"},
      {"", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(NormalizeFolderName(row.in).toStdString(), row.out) << row.in;
  }
}

TEST(BrowseFolder, AsksWithTheCaptionAndStoresTheChosenFolder) {
  TScriptedDialogs dialogs;
  dialogs->PlanFolder("/data/presets/", "presets");
  QString folder = "C:\\Presets\\";
  EXPECT_TRUE(BrowseFolder("Choose a folder below:", folder));
  EXPECT_EQ(folder.toStdString(), "/data/presets");
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::Folder);
  EXPECT_EQ(dialogs->Last().caption.toStdString(), "Choose a folder below:");
  EXPECT_EQ(dialogs->Last().directory.toStdString(), "C:\\Presets");
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

TEST(BrowseFolder, CancelLeavesTheFolderAlone) {
  TScriptedDialogs dialogs;
  dialogs->PlanCancel();
  QString folder = "/data/presets";
  EXPECT_FALSE(BrowseFolder("Choose a folder below:", folder));
  EXPECT_EQ(folder.toStdString(), "/data/presets");
  EXPECT_EQ(dialogs->PlansLeft(), 0);
}

// The Windows font names the windows ask for come out as their metric-compatible stand-ins.
TEST(FontSubstitutes, WindowsNamesGetTheLiberationFonts) {
  if (!QFontDatabase::hasFamily(QStringLiteral("Liberation Sans")))
    GTEST_SKIP() << "fonts-liberation2 is not installed";
  InstallFontSubstitutes();
  const struct {
    const char* asked;
    const char* got;
  } rows[] = {{"Times New Roman", "Liberation Serif"},
              {"Courier New", "Liberation Mono"},
              {"MS Sans Serif", "Liberation Sans"},
              {"Arial", "Liberation Sans"}};
  for (const auto& row : rows) {
    QFont font(QString::fromLatin1(row.asked));
    font.setPixelSize(13);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), row.got) << row.asked;
  }
}

TEST(PlaceBeside, RightOfTheOpenerElseLeftElseOverItInsideTheScreen) {
  const QRect screen(0, 30, 1920, 1050);  // a panel above
  const QSize size(520, 500);
  EXPECT_EQ(PlaceBeside(QRect(100, 100, 822, 592), size, screen), QPoint(930, 100));
  EXPECT_EQ(PlaceBeside(QRect(1000, 100, 822, 592), size, screen), QPoint(472, 100));
  EXPECT_EQ(PlaceBeside(QRect(200, 200, 1600, 800), size, screen), QPoint(240, 240));
  // An opener at the very top: the window stays below the panel and on the screen.
  EXPECT_EQ(PlaceBeside(QRect(0, 0, 822, 592), size, screen), QPoint(830, 30));
  EXPECT_EQ(PlaceBeside(QRect(1500, 800, 400, 270), size, screen), QPoint(972, 580));
}

}  // namespace
