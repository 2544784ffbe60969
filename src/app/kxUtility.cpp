#include "app/kxUtility.h"

#include "app/DialogService.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>

namespace {

struct TKeyLocation {
  QString organization;
  QString application;
  QString group;  // sub-keys below the program's key, "/"-separated
};

TKeyLocation ParseKeyPath(const QString& keyPath) {
  static const QRegularExpression separators(QStringLiteral("[\\\\/]"));
  QStringList parts = keyPath.split(separators, Qt::SkipEmptyParts);
  if (!parts.isEmpty() &&
      parts.first().compare(QLatin1String("SOFTWARE"), Qt::CaseInsensitive) == 0) {
    parts.removeFirst();
  }
  if (parts.isEmpty()) {
    throw ERegistryError(QStringLiteral("Invalid registry key \"%1\"").arg(keyPath));
  }
  TKeyLocation location;
  location.organization = parts.takeFirst();
  if (!parts.isEmpty()) location.application = parts.takeFirst();
  location.group = parts.join(QLatin1Char('/'));
  return location;
}

// Value names are single names: a separator would silently address another key.
void CheckValueName(const QString& name) {
  if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) {
    throw ERegistryError(QStringLiteral("Invalid registry value name \"%1\"").arg(name));
  }
}

ERegistryError TypeError(const QString& name) {
  return ERegistryError(QStringLiteral("Invalid data type for '%1'").arg(name));
}

QString ReadPiece(const QString& name) {
  return QStringLiteral(" Registry parameter \"%1\" read failed!").arg(name);
}
QString WritePiece(const QString& name) {
  return QStringLiteral(" Registry parameter \"%1\" write failed!").arg(name);
}
QString DeletePiece(const QString& name) {
  return QStringLiteral(" Registry value \"%1\" deletion failed!").arg(name);
}

// Runs one operation; any failure inside it becomes an ERegistryError with `piece` appended.
template <class F>
auto Translated(const QString& piece, F&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (const ERegistryError& e) {
    throw ERegistryError(e.Message() + piece);
  } catch (const std::exception& e) {
    throw ERegistryError(QString::fromLocal8Bit(e.what()) + piece);
  }
}

qint32 ToInteger(const QVariant& value, const QString& name) {
  switch (value.typeId()) {
    case QMetaType::Int:
      return value.toInt();
    case QMetaType::UInt:  // a registry double word above 2^31 reads as its signed bit pattern
      return static_cast<qint32>(value.toUInt());
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
      bool ok = false;
      const qlonglong v = value.toLongLong(&ok);
      if (ok && v >= std::numeric_limits<qint32>::min() &&
          v <= std::numeric_limits<qint32>::max()) {
        return static_cast<qint32>(v);
      }
      break;
    }
    case QMetaType::Bool:
      return value.toBool() ? 1 : 0;
    case QMetaType::QString: {
      // Settings files keep no types: an integer comes back as its digits.
      bool ok = false;
      const qint32 v = value.toString().toInt(&ok, 10);
      if (ok) return v;
      break;
    }
    default:
      break;
  }
  throw TypeError(name);
}

bool ToBool(const QVariant& value, const QString& name) {
  if (value.typeId() == QMetaType::QString) {
    const QString text = value.toString();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) return true;
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) return false;
  }
  return ToInteger(value, name) != 0;
}

QString ToText(const QVariant& value, const QString& name) {
  switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
      return value.toString();
    default:
      throw TypeError(name);
  }
}

// A settings file with lines that are no settings (a damaged disk, a slip in a text editor) still
// gives every value that can be read, as Qt reads it, and the next write puts a clean file in its
// place holding those values. Qt reports the damage only to the first reader of the file in a run,
// so treating it as an error would make the same file read differently from one value to the next.
bool Unreadable(const QSettings& settings) {
  return settings.status() == QSettings::AccessError;
}

void CheckStatus(const QSettings& settings) {
  if (Unreadable(settings)) {
    throw ERegistryError(QStringLiteral("Access denied to \"%1\"")
                             .arg(QDir::toNativeSeparators(settings.fileName())));
  }
}

TTickSource& InstalledTickSource() {
  static TTickSource source;
  return source;
}

qint64 SteadyTicks() {
  static const QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

TUrlOpener& InstalledUrlOpener() {
  static TUrlOpener opener;
  return opener;
}

bool IsSeparator(QChar c) {
  return c == QLatin1Char('\\') || c == QLatin1Char('/');
}

bool IsDrive(const QString& text) {
  return text.size() >= 2 && text[0].isLetter() && text[0].unicode() < 128 &&
         text[1] == QLatin1Char(':');
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TkxRegUtil

TkxRegUtil::TkxRegUtil(QObject* owner) : QObject(owner) {}

TkxRegUtil::~TkxRegUtil() = default;

void TkxRegUtil::CheckPath() const {
  if (path_.isEmpty()) throw ERegistryError(QStringLiteral("Registry path not set"));
}

QSettings* TkxRegUtil::OpenKey(const QString& keyPath) const {
  const TKeyLocation location = ParseKeyPath(keyPath);
  std::unique_ptr<QSettings> settings;
  if (!storageFolder_.isEmpty()) {
    QString folder = storageFolder_;
    if (rootKey_ == TRegRootKey::LocalMachine) folder += QStringLiteral("/machine");
    const QString file = location.application.isEmpty()
                             ? QStringLiteral("%1/%2.conf").arg(folder, location.organization)
                             : QStringLiteral("%1/%2/%3.conf")
                                   .arg(folder, location.organization, location.application);
    settings = std::make_unique<QSettings>(file, QSettings::IniFormat);
  } else {
    const auto scope =
        rootKey_ == TRegRootKey::CurrentUser ? QSettings::UserScope : QSettings::SystemScope;
    settings = std::make_unique<QSettings>(QSettings::NativeFormat, scope, location.organization,
                                           location.application);
  }
  settings->setFallbacksEnabled(false);
  if (!location.group.isEmpty()) settings->beginGroup(location.group);
  return settings.release();
}

QString TkxRegUtil::StorageLocation(const QString& keyPath) const {
  std::unique_ptr<QSettings> settings(OpenKey(keyPath));
  const QString group = settings->group();
  return QDir::toNativeSeparators(settings->fileName()) +
         (group.isEmpty() ? QString() : QStringLiteral(" [%1]").arg(group));
}

void TkxRegUtil::WriteValue(const QString& keyPath, const QString& name, const QVariant& value) {
  CheckValueName(name);
  std::unique_ptr<QSettings> settings(OpenKey(keyPath));
  CheckStatus(*settings);
  if (!settings->isWritable()) {
    throw ERegistryError(QStringLiteral("Access denied to \"%1\"")
                             .arg(QDir::toNativeSeparators(settings->fileName())));
  }
  settings->setValue(name, value);
  settings->sync();
  CheckStatus(*settings);
}

QVariant TkxRegUtil::ReadValue(const QString& keyPath, const QString& name) const {
  CheckValueName(name);
  std::unique_ptr<QSettings> settings(OpenKey(keyPath));
  // A key that cannot be read is treated like a missing one: the caller gets its default.
  if (Unreadable(*settings) || !settings->contains(name)) return {};
  return settings->value(name);
}

QString TkxRegUtil::ReadString(const QString& name, bool /*mayCreate*/) {
  CheckPath();
  return Translated(ReadPiece(name), [&] {
    const QVariant value = ReadValue(path_, name);
    return value.isValid() ? ToText(value, name) : QString();
  });
}

void TkxRegUtil::WriteString(const QString& name, const QString& value) {
  CheckPath();
  Translated(WritePiece(name), [&] { WriteValue(path_, name, value); });
}

qint32 TkxRegUtil::ReadInteger(const QString& name, bool /*mayCreate*/, qint32 defaultValue) {
  CheckPath();
  return Translated(ReadPiece(name), [&] {
    const QVariant value = ReadValue(path_, name);
    return value.isValid() ? ToInteger(value, name) : defaultValue;
  });
}

void TkxRegUtil::WriteInteger(const QString& name, qint32 value) {
  CheckPath();
  Translated(WritePiece(name), [&] { WriteValue(path_, name, value); });
}

bool TkxRegUtil::ReadBool(const QString& name, bool /*mayCreate*/, bool defaultValue) {
  CheckPath();
  return Translated(ReadPiece(name), [&] {
    const QVariant value = ReadValue(path_, name);
    return value.isValid() ? ToBool(value, name) : defaultValue;
  });
}

void TkxRegUtil::WriteBool(const QString& name, bool value) {
  CheckPath();
  // Stored as 0 or 1, the registry's own form of a flag.
  Translated(WritePiece(name), [&] { WriteValue(path_, name, value ? 1 : 0); });
}

bool TkxRegUtil::ValueExists(const QString& name) {
  CheckPath();
  return Translated(ReadPiece(name), [&] { return ReadValue(path_, name).isValid(); });
}

void TkxRegUtil::DeleteValue(const QString& name) {
  CheckPath();
  Translated(DeletePiece(name), [&] {
    CheckValueName(name);
    std::unique_ptr<QSettings> settings(OpenKey(path_));
    if (Unreadable(*settings) || !settings->contains(name)) return;
    if (!settings->isWritable()) {
      throw ERegistryError(QStringLiteral("Access denied to \"%1\"")
                               .arg(QDir::toNativeSeparators(settings->fileName())));
    }
    settings->remove(name);
    settings->sync();
    CheckStatus(*settings);
  });
}

QString TkxRegUtil::ReadStringAt(const QString& keyPath, const QString& name, bool /*mayCreate*/) {
  return Translated(ReadPiece(keyPath + QLatin1Char(',') + name), [&] {
    const QVariant value = ReadValue(keyPath, name);
    return value.isValid() ? ToText(value, name) : QString();
  });
}

QStringList TkxRegUtil::ReadStringsAt(const QString& keyPath, const QStringList& names) {
  return Translated(ReadPiece(keyPath), [&] {
    QStringList texts;
    texts.reserve(names.size());
    std::unique_ptr<QSettings> settings(OpenKey(keyPath));
    const bool unreadable = Unreadable(*settings);
    for (const QString& name : names) {
      QString text;
      if (!unreadable && settings->contains(name)) {
        try {
          CheckValueName(name);
          text = ToText(settings->value(name), name);
        } catch (const ERegistryError&) {
          text.clear();
        }
      }
      texts.push_back(text);
    }
    return texts;
  });
}

void TkxRegUtil::WriteStringAt(const QString& keyPath, const QString& name, const QString& value) {
  Translated(WritePiece(keyPath + QLatin1Char(',') + name),
             [&] { WriteValue(keyPath, name, value); });
}

namespace {

QString WindowKey(const QWidget* window) {
  const QString name = window->objectName();
  return name.isEmpty() ? QString::fromLatin1(window->metaObject()->className()) : name;
}

}  // namespace

void TkxRegUtil::SaveFormRect(QWidget* window) {
  if (!window) return;
  const QString key = WindowKey(window);
  WriteInteger(key + QStringLiteral(".Top"), window->y());
  WriteInteger(key + QStringLiteral(".Left"), window->x());
  WriteInteger(key + QStringLiteral(".Height"), window->height());
  WriteInteger(key + QStringLiteral(".Width"), window->width());
}

void TkxRegUtil::LoadFormRect(QWidget* window) {
  if (!window) return;
  const QString key = WindowKey(window);
  const int top = ReadInteger(key + QStringLiteral(".Top"), true, window->y());
  const int left = ReadInteger(key + QStringLiteral(".Left"), true, window->x());
  const int height = ReadInteger(key + QStringLiteral(".Height"), true, window->height());
  const int width = ReadInteger(key + QStringLiteral(".Width"), true, window->width());
  QPoint origin(left, top);
  QSize size(width > 0 ? width : window->width(), height > 0 ? height : window->height());
  if (window->isWindow()) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen) {
      const QRect desktop = screen->virtualGeometry();
      origin = ClampWindowOrigin(origin, desktop);
      // A window grown larger than every screen together cannot be seen whole or moved back, and
      // a huge one would not even get its pixels.
      size = size.boundedTo(desktop.size().expandedTo(window->size()));
    }
  }
  window->move(origin);
  window->resize(size);
}

void ReportSettingsError(QWidget* parent, const ERegistryError& error) {
  ShowErrorMessage(parent, error.Message());
}

// ---------------------------------------------------------------------------------------------
// Unit functions

QPoint PlaceBeside(const QRect& opener, const QSize& size, const QRect& available) {
  constexpr int Gap = 8;
  QPoint at(opener.right() + 1 + Gap, opener.top());
  if (at.x() + size.width() - 1 > available.right()) at.setX(opener.left() - Gap - size.width());
  if (at.x() < available.left()) at = opener.topLeft() + QPoint(40, 40);
  // Inside the available area, the top left corner first: never under a panel or off screen.
  at.setX(std::max(std::min(at.x(), available.right() - size.width() + 1), available.left()));
  at.setY(std::max(std::min(at.y(), available.bottom() - size.height() + 1), available.top()));
  return at;
}

void InstallFontSubstitutes() {
  const QStringList serif{QStringLiteral("Liberation Serif"), QStringLiteral("Tinos")};
  const QStringList sans{QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")};
  const QStringList mono{QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")};
  QFont::insertSubstitutions(QStringLiteral("Times New Roman"), serif);
  QFont::insertSubstitutions(QStringLiteral("Courier New"), mono);
  // MS Sans Serif was drawn to Arial's widths, the same as Liberation Sans.
  QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
  QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
}

QPoint ClampWindowOrigin(QPoint origin, const QRect& desktop) {
  const auto clamp = [](int edge, int start, int extent) {
    const double limit = start + 0.9 * extent;
    if (edge > limit) return start + static_cast<int>(std::lround(0.9 * extent));
    return std::max(edge, start);
  };
  return {clamp(origin.x(), desktop.left(), desktop.width()),
          clamp(origin.y(), desktop.top(), desktop.height())};
}

qint64 TickCount() {
  const TTickSource& source = InstalledTickSource();
  return source ? source() : SteadyTicks();
}

TTickSource SetTickSource(TTickSource source) {
  TTickSource previous = std::move(InstalledTickSource());
  InstalledTickSource() = std::move(source);
  return previous;
}

namespace {
// Raised by EndWaits; a wait that sees it change returns.
std::uint64_t waitsEnded = 0;
}  // namespace

void EndWaits() {
  ++waitsEnded;
}

void Delay(int milliseconds) {
  const qint64 start = TickCount();
  const std::uint64_t ended = waitsEnded;
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const qint64 remaining = milliseconds - (TickCount() - start);
    if (remaining <= 0 || waitsEnded != ended) return;
    // Sleep until events arrive or a short slice has passed, so the wait costs no processor time
    // and still notices a replaced clock that runs faster than real time.
    const int slice = static_cast<int>(std::min<qint64>(remaining, 10));
    if (QCoreApplication::instance()) {
      QEventLoop loop;
      QTimer::singleShot(slice, Qt::PreciseTimer, &loop, &QEventLoop::quit);
      loop.exec();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(slice));
    }
  }
}

QString ReplaceAll(const QString& text, const QString& oldText, const QString& newText) {
  if (oldText.isEmpty()) return text;
  QString result;
  result.reserve(text.size());
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = text.indexOf(oldText, from);
    if (at < 0) break;
    result += QStringView(text).mid(from, at - from);
    result += newText;
    from = at + oldText.size();
  }
  result += QStringView(text).mid(from);
  return result;
}

QString MakeValidFileName(const QString& text) {
  static const std::pair<const char*, const char*> replacements[] = {
      {"\\", "-"}, {"/", "-"}, {":", " "}, {"*", " "}, {"\"", "'"},
      {"<", " "},  {">", " "}, {"|", " "}, {"?", " "},
  };
  QString name = text;
  for (const auto& [from, to] : replacements) {
    name = ReplaceAll(name, QString::fromLatin1(from), QString::fromLatin1(to));
  }
  // Preset titles come from device bytes; Windows refuses control characters in file names.
  for (QChar& c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
  }
  return name;
}

QString NormalizeFolderName(const QString& folder) {
  if (folder.isEmpty()) return folder;
  if (folder.size() == 2 && IsDrive(folder)) return folder + QLatin1Char('\\');
  QString name = folder;
  while (name.size() > 1 && IsSeparator(name.back())) {
    if (name.size() == 3 && IsDrive(name)) break;  // a drive root keeps its separator
    name.chop(1);
  }
  return name;
}

bool BrowseFolder(const QString& caption, QString& folder) {
  TFolderRequest request;
  request.caption = caption;
  request.folder = NormalizeFolderName(folder);
  const std::optional<TFolderAnswer> answer = Dialogs().BrowseForFolder(request);
  if (!answer) return false;
  folder = NormalizeFolderName(answer->folder);
  return true;
}

bool OpenUrl(const QUrl& url) {
  const TUrlOpener& opener = InstalledUrlOpener();
  return opener ? opener(url) : QDesktopServices::openUrl(url);
}

TUrlOpener SetUrlOpener(TUrlOpener opener) {
  TUrlOpener previous = std::move(InstalledUrlOpener());
  InstalledUrlOpener() = std::move(opener);
  return previous;
}

QString DefaultFileFolder() {
  const QString own = QCoreApplication::applicationDirPath();
  const QFileInfo info(own);
  // An installed program lives in a prefix's bin folder beside every other program; root may
  // write there, but nobody keeps presets there.
  if (!own.isEmpty() && info.isWritable() && info.fileName() != QStringLiteral("bin")) return own;
  return QDir::homePath();
}
