// Settings of the wrong type, out of range, naming what is gone, or a settings file that is no
// settings file at all: the program still starts with the documented default (saying why where a
// value cannot be read), shows its window, and a request still reaches the unit.

#include "MainWindowFixture.h"
#include "editor/PresetEditor.h"
#include "mpt/MPTEdit.h"
#include "mpt/MPTRptOpt.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <functional>
#include <limits>

namespace {

constexpr int IntMax = std::numeric_limits<int>::max();
constexpr int IntMin = std::numeric_limits<int>::min();

// The store's text for a value that is there but cannot be read as what is asked for.
QString TypeError(const QString& name) {
  return QStringLiteral("Invalid data type for '%1' Registry parameter \"%1\" read failed!")
      .arg(name);
}

class SettingsAbuse : public MainWindow {
 protected:
  struct TRow {
    const char* name;
    // Writes the damaged values (through the store, or as raw settings file text).
    std::function<void()> store;
    // What start-up says, in order.
    QStringList messages;
    // The fallback the window took.
    std::function<void()> check;
    // What closing the window says (settings that cannot be written), in order.
    QStringList closeMessages = {};
    // What closing the window left.
    std::function<void()> afterClose = {};
  };

  QString SettingsFile() const {
    return QDir(dir.path()).filePath(QStringLiteral("Marvandel/ZQN-Tarvo.conf"));
  }
  // Settings file text as a user's editor (or a damaged disk) may leave it.
  void WriteRaw(const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(SettingsFile()).absolutePath()));
    QFile file(SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  QByteArray ReadRaw() const {
    QFile file(SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void Forget() {
    window.reset();
    reg.SetStorageFolder(dir.path());
    QDir(dir.filePath(QStringLiteral("Marvandel"))).removeRecursively();
    SetPreKineticMode(false);
    DeviceChannel = 0;
    RequestDelay = 1000;
    std::lock_guard lock(logMutex);
    traffic.clear();
  }

  template <class T>
  T* Child(const char* name) {
    T* child = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
  }
  QStringList TextsSince(std::size_t first) const {
    QStringList texts;
    for (std::size_t i = first; i < dialogs->Asked().size(); ++i) texts << dialogs->Asked()[i].text;
    return texts;
  }
  static QRect Desktop() { return QGuiApplication::primaryScreen()->virtualGeometry(); }
  // The file pane's folder and the table editor's hint folder when nothing is stored.
  struct TFallbackFolders {
    QString files;
    QString hints;
  };
  TFallbackFolders FallbackFolders() {
    Forget();
    Start(0);
    TFallbackFolders folders{window->CurrentFolder(), {}};
    QPointer<TfrmMPTEdit> editor = window->NewMptEditor();
    if (editor) folders.hints = editor->HintFolder();
    delete editor.data();
    Forget();
    return folders;
  }

  // Starts and shows the window as the program does, then asks the unit for its edit buffer.
  void StartAndUse(const TRow& row) {
    window = std::make_unique<TfrmMain>(nullptr, drivers, drivers);
    window->InitExplorer(&reg, QStringLiteral("ZQN-Tarvo"));
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get())) << row.name;
    EXPECT_FALSE(window->size().isEmpty()) << row.name;
    EXPECT_EQ(S(window->MidiOutput()->ProductName()), S(SimulatorDeviceName)) << row.name;
    EXPECT_TRUE(window->MidiOutput()->IsOpen()) << row.name;
    EXPECT_TRUE(window->MidiInput()->IsOpen()) << row.name;
    const int logged = window->LogCount();
    window->miGetCurrentPreset->trigger();
    Settle();
    EXPECT_EQ(Received().filter(QStringLiteral("F0 1A 00 15 45 F7")).size(), 1) << row.name;
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->LogCount() > logged; }, 3000)) << row.name;
    EXPECT_TRUE(window->LogLine(window->LogCount() - 1).startsWith("Sysex (246): F0 1A 00 "))
        << row.name;
    const TMyMidiEvent* dump = window->LogEvent(window->LogCount() - 1);
    EXPECT_TRUE(dump && dump->Sysex.startsWith(QByteArray::fromHex("F01A001505"))) << row.name;
  }

  void RunRows(const std::vector<TRow>& rows) {
    for (const TRow& row : rows) {
      SCOPED_TRACE(row.name);
      Forget();
      // Rows about something else wait little for the unit.
      reg.WriteInteger(QStringLiteral("ZQNReqDelay"), 20);
      row.store();
      for (int i = 0; i < row.messages.size(); ++i) dialogs->PlanButton(QMessageBox::Ok);
      const std::size_t before = dialogs->Asked().size();
      StartAndUse(row);
      EXPECT_EQ(TextsSince(before), row.messages);
      if (row.check) row.check();

      const QByteArray stored = ReadRaw();
      for (int i = 0; i < row.closeMessages.size(); ++i) dialogs->PlanButton(QMessageBox::Ok);
      const std::size_t atClose = dialogs->Asked().size();
      window->close();
      EXPECT_EQ(TextsSince(atClose), row.closeMessages);
      // Settings that could not be written are left as they were, not half-replaced.
      if (!row.closeMessages.isEmpty()) {
        EXPECT_EQ(ReadRaw(), stored);
      }
      if (row.afterClose) row.afterClose();
    }
    EXPECT_EQ(dialogs->PlansLeft(), 0);
    EXPECT_TRUE(dialogs->Problems().isEmpty()) << S(dialogs->Problems().join("; "));
  }

  static std::string S(const QString& s) { return s.toStdString(); }
};

TEST_F(SettingsAbuse, ValuesOfTheWrongTypeAreReportedAndTheirDefaultsTaken) {
  const std::vector<TRow> rows = {
      {"output channel as text",
       [&] { reg.WriteString("MIDI_OUT_CH", "nine"); },
       {TypeError("MIDI_OUT_CH")},
       [&] {
         EXPECT_EQ(window->OutputChannel(), 0);
         EXPECT_EQ(DeviceChannel, 0);
         EXPECT_TRUE(Child<QAction>("miChannel1")->isChecked());
       }},
      {"double-click actions as text",
       [&] {
         reg.WriteString("DBL_CLICK_FILE_ACTION", "send");
         reg.WriteString("DBL_CLICK_LOG_ACTION", "edit");
       },
       {TypeError("DBL_CLICK_FILE_ACTION"), TypeError("DBL_CLICK_LOG_ACTION")},
       [&] {
         EXPECT_TRUE(Child<QAction>("pmiSetFileEdit")->isChecked());
         EXPECT_TRUE(Child<QAction>("pmiSetLogLoadEvent")->isChecked());
       }},
      {"page width as text",
       [&] { reg.WriteString("LPW", "wide"); },
       {TypeError("LPW")},
       [&] { EXPECT_EQ(Child<QTabWidget>("pgcTab")->width(), TfrmMIDIExplorer::DesignPageWidth); }},
      {"request delay as text",
       [&] { reg.WriteString("ZQNReqDelay", "soon"); },
       {TypeError("ZQNReqDelay")},
       [&] { EXPECT_EQ(RequestDelay, 1000); }},
      {"Pre-Kinetic flag as text",
       [&] { reg.WriteString("PRE_KINETIC", "maybe"); },
       {TypeError("PRE_KINETIC")},
       [&] {
         EXPECT_FALSE(PreKineticMode);
         EXPECT_FALSE(window->miPreKinetic->isChecked());
         EXPECT_TRUE(window->miBank[1]->isEnabled());
       }},
      // Unquoted text with a comma reads back as a list, "@Rect(...)" as a rectangle.
      {"device names of other kinds",
       [&] {
         WriteRaw(ReadRaw() + "MIDI_IN=ZQN Tarvo Simulator, again\nMIDI_OUT=@Rect(1 2 3 4)\n");
       },
       {TypeError("MIDI_IN"), TypeError("MIDI_OUT")},
       [&] { EXPECT_EQ(S(window->MidiInput()->ProductName()), S(SimulatorDeviceName)); }},
      {"window place as text",
       [&] { reg.WriteString("frmMain.Top", "north"); },
       {TypeError("frmMain.Top")},
       [&] { EXPECT_EQ(window->size(), QSize(822, 592)); }},
  };
  RunRows(rows);
}

TEST_F(SettingsAbuse, ValuesOutOfRangeTakeTheirDefaultsQuietly) {
  const std::vector<TRow> rows = {
      {"negative page width",
       [&] { reg.WriteInteger("LPW", -300); },
       {},
       [&] { EXPECT_EQ(Child<QTabWidget>("pgcTab")->width(), TfrmMIDIExplorer::DesignPageWidth); }},
      {"smallest page width",
       [&] { reg.WriteInteger("LPW", IntMin); },
       {},
       [&] { EXPECT_EQ(Child<QTabWidget>("pgcTab")->width(), TfrmMIDIExplorer::DesignPageWidth); }},
      {"largest page width",
       [&] { reg.WriteInteger("LPW", IntMax); },
       {},
       [&] { EXPECT_EQ(Child<QTabWidget>("pgcTab")->width(), TfrmMIDIExplorer::DesignPageWidth); }},
      {"negative request delay",
       [&] { reg.WriteInteger("ZQNReqDelay", -5); },
       {},
       [&] { EXPECT_EQ(RequestDelay, 1000); }},
      {"Pre-Kinetic flag of 7",
       [&] { reg.WriteInteger("PRE_KINETIC", 7); },
       {},
       [&] {
         // Any number but zero is set, as a registry flag reads.
         EXPECT_TRUE(PreKineticMode);
         EXPECT_FALSE(window->miBank[1]->isEnabled());
       }},
      {"device names naming no device",
       [&] {
         reg.WriteString("MIDI_IN", "7");
         reg.WriteString("MIDI_OUT", "ZQN Tarvo Simulator 2");
       },
       {},
       [&] { EXPECT_EQ(S(window->MidiInput()->ProductName()), S(SimulatorDeviceName)); }},
      {"window far off every screen",
       [&] {
         reg.WriteInteger("frmMain.Left", -100000);
         reg.WriteInteger("frmMain.Top", 100000);
       },
       {},
       [&] {
         const QRect desktop = Desktop();
         EXPECT_GE(window->x(), desktop.left());
         EXPECT_LE(window->y(), desktop.top() + qRound(0.9 * desktop.height()));
       }},
      {"window of negative size",
       [&] {
         reg.WriteInteger("frmMain.Width", -822);
         reg.WriteInteger("frmMain.Height", -1);
       },
       {},
       [&] { EXPECT_EQ(window->size(), QSize(822, 592)); }},
      {"window of the largest size",
       [&] {
         reg.WriteInteger("frmMain.Width", IntMax);
         reg.WriteInteger("frmMain.Height", IntMax);
       },
       {},
       [&] {
         const QSize most = Desktop().size().expandedTo(QSize(822, 592));
         EXPECT_LE(window->width(), most.width());
         EXPECT_LE(window->height(), most.height());
       }},
  };
  RunRows(rows);
}

// Only a zero (or a damaged negative) delay is replaced; a long one is the user's, kept and written
// back as it was, and the timers and waits built from it never overflow.
TEST_F(SettingsAbuse, LongRequestDelaysAreKeptAndWrittenBack) {
  for (const int stored : {10000, 10001, 60000, IntMax}) {
    SCOPED_TRACE(stored);
    reg.WriteInteger("ZQNReqDelay", stored);
    Start(0);
    EXPECT_EQ(RequestDelay, stored);
    window->close();
    EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, 0), stored);
    window.reset();
  }
}

// The window shown with a delay of weeks: the online check waits with the window alive, and
// closing it ends the wait at once instead of keeping the program from ending.
TEST_F(SettingsAbuse, ClosingEndsALongOnlineCheckWait) {
  reg.WriteInteger("ZQNReqDelay", IntMax);
  Start(0);
  bool closed = false;
  QTimer::singleShot(300, window.get(), [&] {
    EXPECT_TRUE(window->timPresetReq->isActive());  // the check is still in its first wait
    EXPECT_EQ(window->timPresetReq->interval(), IntMax);
    window->close();
    closed = true;
  });
  window->show();
  // Returns only once the check's wait has ended.
  window->OnlineCheck();
  EXPECT_TRUE(closed);
  EXPECT_FALSE(window->MidiOutput()->IsOpen());
  EXPECT_TRUE(dialogs->Asked().empty()) << dialogs->Last().text.toStdString();
}

TEST_F(SettingsAbuse, FolderHistorySkipsWhatIsGoneOrUnreadable) {
  const TFallbackFolders fallback = FallbackFolders();
  ASSERT_FALSE(fallback.files.isEmpty());
  QTemporaryDir kept;
  const QString gone = dir.filePath("gone");
  const QString notAFolder = dir.filePath("plain.txt");
  {
    QFile f(notAFolder);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const QString folders = reg.Path() + "\\Folders";
  const std::vector<TRow> rows = {
      {"vanished, a file, unreadable, then a folder",
       [&] {
         ASSERT_TRUE(QDir().mkdir(gone));
         reg.WriteStringAt(folders, "1", gone);
         ASSERT_TRUE(QDir(gone).removeRecursively());
         reg.WriteStringAt(folders, "2", notAFolder);
         reg.WriteStringAt(folders, "4", kept.path());
         WriteRaw(ReadRaw().replace("[Folders]\n", "[Folders]\n3=@Rect(0 0 9 9)\n"));
       },
       {},
       [&] {
         EXPECT_EQ(S(window->CurrentFolder()), S(kept.path() + "/"));
         EXPECT_EQ(Child<QComboBox>("cbxFolder")->count(), 1);
       }},
      {"only vanished folders",
       [&] {
         reg.WriteStringAt(folders, "1", gone);
         reg.WriteStringAt(folders, "9", dir.filePath("also gone"));
       },
       {},
       [&] { EXPECT_EQ(S(window->CurrentFolder()), S(fallback.files)); }},
  };
  RunRows(rows);
}

TEST_F(SettingsAbuse, EditorValuesOfTheWrongTypeFallBackQuietly) {
  const TFallbackFolders fallback = FallbackFolders();
  ASSERT_FALSE(fallback.hints.isEmpty());
  const std::vector<TRow> rows = {
      {"controller names of other kinds",
       [&] {
         reg.WriteStringAt(reg.Path() + "\\Controllers", "7", "Swell");
         WriteRaw(ReadRaw() + "\n[Controllers]\n1=@Rect(0 0 1 1)\n4=a, b\n");
       },
       {},
       [&] {
         TfrmPresetEditor* editor = window->NewPresetEditor();
         ASSERT_NE(editor, nullptr);
         EXPECT_EQ(S(editor->grdPMctl->item(1, 1)->text()), "Mod wheel");
         EXPECT_EQ(S(editor->grdPMctl->item(4, 1)->text()), "Foot controller");
         EXPECT_EQ(S(editor->grdPMctl->item(7, 1)->text()), "Swell");
         editor->hide();
       }},
      {"program table editor values",
       [&] {
         reg.WriteString("MPT_REPT_STYLE", "grid");
         reg.WriteInteger("frmMPTEdit.Width", -5);
         reg.WriteInteger("frmMPTEdit.Height", IntMax);
         WriteRaw(ReadRaw() + "MPT_HINT_DIR=@Rect(0 0 1 1)\n");
       },
       {},
       [&] {
         QPointer<TfrmMPTEdit> editor = window->NewMptEditor();
         ASSERT_TRUE(editor);
         EXPECT_EQ(S(editor->HintFolder()), S(fallback.hints));
         EXPECT_GT(editor->width(), 0);
         EXPECT_LE(editor->height(), std::max(Desktop().height(), 592));
         editor->btnPrint->click();
         ASSERT_NE(editor->ReportOptions(), nullptr);
         EXPECT_EQ(editor->ReportOptions()->ItemIndex(), -1);  // an unreadable style: none
         editor->ReportOptions()->reject();
         delete editor.data();
       }},
  };
  RunRows(rows);
}

TEST_F(SettingsAbuse, DamagedOrUnwritableSettingsFilesStillLetTheProgramStart) {
  QRandomGenerator random(20240611);
  QByteArray noise("\xff\xfe[Gen\0eral\n", 12);
  for (int i = 0; i < 4000; ++i) noise.append(char(random.bounded(256)));
  // A section that never closes, then noise: what can be read is read.
  QByteArray unclosed("[General\nZQNReqDelay=20\nLPW=333\n");
  for (int i = 0; i < 4000; ++i) {
    const char c = char(random.bounded(256));
    if (c != ']') unclosed.append(c);
  }
  const auto accessDenied = [](const QString& file) {
    return QStringLiteral(
               "Access denied to \"%1\" Registry parameter \"ZQNReqDelay\" write failed!")
        .arg(QDir::toNativeSeparators(file));
  };
  // Closing wrote a clean settings file that the next start reads.
  const auto cleanAtClose = [&] {
    EXPECT_EQ(QSettings(SettingsFile(), QSettings::IniFormat).status(), QSettings::NoError);
    EXPECT_EQ(reg.ReadInteger("ZQNReqDelay", true, -1), RequestDelay);
  };
  const QString blocker = dir.filePath("blocker");
  {
    QFile f(blocker);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const std::vector<TRow> rows = {
      {"bytes that are no settings text",
       [&] { WriteRaw(noise); },
       {},
       [&] { EXPECT_EQ(window->OutputChannel(), 0); },
       {},
       cleanAtClose},
      {"a section that never closes",
       [&] {
         WriteRaw(unclosed);
         ASSERT_EQ(QSettings(SettingsFile(), QSettings::IniFormat).status(),
                   QSettings::FormatError);
       },
       {},
       [&] {
         EXPECT_EQ(RequestDelay, 20);
         EXPECT_EQ(Child<QTabWidget>("pgcTab")->width(), 333);
       },
       {},
       [&] {
         cleanAtClose();
         EXPECT_EQ(reg.ReadInteger("LPW", true, -1), 333);
       }},
      {"a folder where the settings file belongs",
       [&] {
         ASSERT_TRUE(QFile::remove(SettingsFile()));
         ASSERT_TRUE(QDir().mkpath(SettingsFile()));
       },
       {},
       [&] { EXPECT_EQ(RequestDelay, 1000); },
       {accessDenied(SettingsFile())},
       [&] { EXPECT_TRUE(QFileInfo(SettingsFile()).isDir()); }},
      {"a settings folder below a plain file",
       [&] { reg.SetStorageFolder(blocker + "/settings"); },
       {},
       [&] { EXPECT_EQ(RequestDelay, 1000); },
       {accessDenied(blocker + "/settings/Marvandel/ZQN-Tarvo.conf")}},
  };
  RunRows(rows);
}

}  // namespace
