#pragma once

// The settings store and the small services every window uses: a wait that keeps the program
// responsive, an all-occurrences text replacement, a file-name cleaner and a folder chooser.

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>
#include <QtGlobal>
#include <functional>
#include <stdexcept>

class QSettings;
class QUrl;
class QWidget;

// A settings failure. The text is what the user is shown.
class ERegistryError : public std::runtime_error {
 public:
  explicit ERegistryError(const QString& message)
      : std::runtime_error(message.toStdString()), message_(message) {}
  const QString& Message() const { return message_; }

 private:
  QString message_;
};

// Which settings tree the key paths are rooted in: the user's own or the machine-wide one.
enum class TRegRootKey { CurrentUser, LocalMachine };

// Typed per-user settings under one key path such as "\SOFTWARE\Marvandel/ZQN-Tarvo". Key paths use
// "\" or "/" between their parts; a leading "SOFTWARE" part names the platform's place for program
// settings (the registry's Software key on Windows, the user's configuration folder elsewhere),
// the next two parts are the organisation and the program, and any further parts are sub-keys.
//
// Every operation opens its key afresh, so two stores on the same path, or a store and another
// program, always see each other's latest values. Reading an absent value, or from a key that
// cannot be opened, is no error and creates nothing: it gives the default. Every other failure
// raises an ERegistryError whose text names the value.
class TkxRegUtil : public QObject {
  Q_OBJECT
 public:
  explicit TkxRegUtil(QObject* owner = nullptr);
  ~TkxRegUtil() override;

  const QString& Path() const { return path_; }
  void SetPath(const QString& path) { path_ = path; }

  TRegRootKey RootKey() const { return rootKey_; }
  void SetRootKey(TRegRootKey root) { rootKey_ = root; }

  // Keeps the settings as files under this folder instead of the platform's own place (one file per
  // organisation and program); an empty folder returns to the platform's place. Tests use it so
  // they never touch the user's real settings.
  const QString& StorageFolder() const { return storageFolder_; }
  void SetStorageFolder(const QString& folder) { storageFolder_ = folder; }

  // The may-create flag is accepted for every read for the callers' sake; a read never writes.
  // Settings files keep no types, so an integer read accepts a text of decimal digits and a boolean
  // read also "true" and "false"; any other text raises the type error.
  QString ReadString(const QString& name, bool mayCreate = true);
  void WriteString(const QString& name, const QString& value);
  qint32 ReadInteger(const QString& name, bool mayCreate, qint32 defaultValue);
  void WriteInteger(const QString& name, qint32 value);
  bool ReadBool(const QString& name, bool mayCreate, bool defaultValue);
  void WriteBool(const QString& name, bool value);
  void DeleteValue(const QString& name);
  bool ValueExists(const QString& name);

  QString ReadStringAt(const QString& keyPath, const QString& name, bool mayCreate = true);
  void WriteStringAt(const QString& keyPath, const QString& name, const QString& value);
  // Many values of one key at one opening of the store: each name's text, empty where the value
  // is missing or cannot be read as text. Only a key that cannot be opened raises the error.
  QStringList ReadStringsAt(const QString& keyPath, const QStringList& names);

  // Four integers named by the window's object name (its class name when it has none) followed by
  // ".Top", ".Left", ".Height" and ".Width".
  void SaveFormRect(QWidget* window);
  // Reads the four values, each defaulting to the window's current one, applies them, and keeps a
  // top-level window's origin on the desktop (see ClampWindowOrigin). A stored size of zero or
  // less keeps the window's own one, and a top-level window never grows larger than the desktop:
  // only a damaged value can ask for either.
  void LoadFormRect(QWidget* window);

  // Where the values of a key path are kept: the settings file (or registry key) and the group in
  // it. Mostly for messages and tests.
  QString StorageLocation(const QString& keyPath) const;

 private:
  void CheckPath() const;
  QSettings* OpenKey(const QString& keyPath) const;                       // caller owns
  QVariant ReadValue(const QString& keyPath, const QString& name) const;  // invalid when absent
  void WriteValue(const QString& keyPath, const QString& name, const QVariant& value);

  QString path_;
  QString storageFolder_;
  TRegRootKey rootKey_ = TRegRootKey::CurrentUser;
};

// Shows a settings failure with the program's standard error display.
void ReportSettingsError(QWidget* parent, const ERegistryError& error);

// Runs a settings read for a window that is starting. When the read fails (a value of the wrong
// type, say) the failure is shown over `parent` and `fallback` given instead, so one damaged value
// never keeps the window from starting.
template <class T, class Read>
T ReadSettingOr(QWidget* parent, T fallback, Read&& read) {
  try {
    return read();
  } catch (const ERegistryError& e) {
    ReportSettingsError(parent, e);
    return fallback;
  }
}

// A window origin restored from settings, kept reachable on a desktop of the given geometry: an
// edge beyond 0.9 of the desktop's width (height) is moved to 0.9 of it, rounded to whole pixels,
// and an edge before the desktop's start is moved to its start.
// The windows ask for "Times New Roman", "Courier New" and "MS Sans Serif", which few desktops
// outside Windows have. Maps them (and "Arial") to the metric-compatible Liberation fonts, or
// their Croscore twins, so every window lays out as designed; a name without any of them
// installed is left to the system's own choice. Call once the application exists.
void InstallFontSubstitutes();

QPoint ClampWindowOrigin(QPoint origin, const QRect& desktop);

// Where a window of `size` opens beside its opener's frame `opener`: right of it when it fits in
// `available` (the screen less its panels), else left of it, else overlapping it a little below
// its top left corner; always inside `available` as far as the size allows.
QPoint PlaceBeside(const QRect& opener, const QSize& size, const QRect& available);

// Milliseconds from a steady clock; Delay and the request time-outs compare these.
qint64 TickCount();
// Replaces the clock (tests run time faster); an empty source returns to the steady clock. Returns
// the previous source (empty for the steady clock).
using TTickSource = std::function<qint64()>;
TTickSource SetTickSource(TTickSource source);

// Lets pending events run, repeatedly, until at least `milliseconds` have passed since the call.
// Runs them at least once, so Delay(0) is a single pass. Replies, timers and user commands may be
// handled inside the wait.
void Delay(int milliseconds);
// Ends every wait under way at once, for a program that is closing: a wait of a long request delay
// would otherwise keep it from ending. Later waits run as usual.
void EndWaits();

// Replaces every occurrence of `oldText` from left to right, resuming after each inserted text, so
// an inserted text that contains `oldText` is not replaced again. An empty `oldText` changes
// nothing.
QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText);

// A text usable as a file name: path separators become "-", the other characters that file systems
// refuse become blanks (a double quote becomes "'"), and so do control characters.
QString MakeValidFileName(const QString& text);

// A folder name in its stored form: a drive ("D:" or "D:\") always ends in a separator, a root
// ("/") stays as it is, any longer folder loses its trailing separators. Empty stays empty.
QString NormalizeFolderName(const QString& folder);

// Shows the folder browser with the caption, starting at `folder`. On OK stores the chosen folder
// in `folder` and returns true; on cancel leaves it unchanged and returns false.
bool BrowseFolder(const QString& caption, QString& folder);

// Where file panes and file dialogs start when no folder is remembered: the program's own folder,
// where a program unpacked into a folder of its own keeps its presets, unless it is installed (a
// "bin" folder) or the user cannot write there; then the home folder.
QString DefaultFileFolder();

// Opens a web page, mail address or file with the platform's default handler; false when nothing
// could be started. Goes through a replaceable opener so tests can see what would be opened.
bool OpenUrl(const QUrl& url);
// Replaces the opener; an empty opener returns to the platform's handlers. Returns the previous one
// (empty for the platform's).
using TUrlOpener = std::function<bool(const QUrl&)>;
TUrlOpener SetUrlOpener(TUrlOpener opener);
