#include "app/SplashAbout.h"

#include "app/DialogService.h"
#include "app/kxUtility.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QSysInfo>
#include <QTimer>
#include <QUrl>
#include <cmath>

#if defined(Q_OS_WIN)
#include <windows.h>
#elif defined(Q_OS_UNIX)
#include <sys/utsname.h>
#include <unistd.h>
#endif

namespace {

constexpr int kClientWidth = 311;
constexpr int kClientHeight = 334;

// Set once the splash has seen the main window up; from then on it closes at its next tick.
bool mainWindowSeen = false;

QFont WindowFont() {
  QFont font(QStringLiteral("Times New Roman"));
  font.setPixelSize(16);
  font.setBold(true);
  return font;
}

QLabel* NewLabel(QWidget* parent, const char* name, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QLatin1String(name));
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(palette);
  label->setAutoFillBackground(false);
  return label;
}

void SetItalic(QLabel* label) {
  QFont font = label->font();
  font.setItalic(true);
  label->setFont(font);
}

QFrame* NewBevel(QWidget* parent, const char* name, int top) {
  auto* bevel = new QFrame(parent);
  bevel->setObjectName(QLatin1String(name));
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Raised);
  bevel->setGeometry(8, top, kClientWidth - 16, 2);
  return bevel;
}

// The application's main window when it is up: visible and the active window.
bool MainWindowIsUp(const QWidget* splash) {
  QWidget* active = QApplication::activeWindow();
  return active && active != splash && active->isVisible() && qobject_cast<QMainWindow*>(active);
}

// A main window on the screen, active or not.
bool MainWindowIsVisible(const QWidget* splash) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != splash && w->isVisible() && qobject_cast<QMainWindow*>(w)) return true;
  return false;
}

// A window manager may never make the main window active (focus-stealing prevention, a bare X
// server); the splash stays on top of everything, so it must not wait for that forever.
constexpr qint64 kVisibleFallbackMs = 2000;

}  // namespace

TSplashAboutTexts& SplashAboutTexts() {
  static TSplashAboutTexts texts;
  return texts;
}

// ---------------------------------------------------------------------------------------------
// Platform texts

QString OSInfoText(const TOSVersion& v) {
  if (!v.build) return QStringLiteral("%1 %2.%3").arg(v.name).arg(v.major).arg(v.minor);
  if (!v.servicePack.isEmpty()) {
    return QStringLiteral("%1 %2.%3 (Build %4: %5)")
        .arg(v.name)
        .arg(v.major)
        .arg(v.minor)
        .arg(*v.build)
        .arg(v.servicePack);
  }
  return QStringLiteral("%1 %2.%3 (Build %4)").arg(v.name).arg(v.major).arg(v.minor).arg(*v.build);
}

TOSVersion KernelVersion(const QString& name, const QString& release) {
  static const QRegularExpression pattern(
      QStringLiteral("^(\\d+)(?:\\.(\\d+))?(?:\\.(\\d+))?[-.+_~ ]?(.*)$"));
  TOSVersion version;
  version.name = name;
  const QRegularExpressionMatch m = pattern.match(release.trimmed());
  if (!m.hasMatch()) return version;
  version.major = m.captured(1).toInt();
  version.minor = m.captured(2).toInt();
  if (m.capturedLength(3) > 0) version.build = m.captured(3).toInt();
  version.servicePack = m.captured(4);
  if (!version.build && !version.servicePack.isEmpty()) version.build = 0;
  return version;
}

TOSVersion CurrentOSVersion() {
#if defined(Q_OS_WIN)
  // "10.0.19045": the NT family's major, minor and build numbers.
  const QStringList parts = QSysInfo::kernelVersion().split(QLatin1Char('.'));
  TOSVersion version;
  version.name = QStringLiteral("Windows NT");
  version.major = parts.value(0).toInt();
  version.minor = parts.value(1).toInt();
  version.build = parts.value(2).toInt();
  return version;
#elif defined(Q_OS_UNIX)
  utsname names{};
  if (uname(&names) == 0) {
    return KernelVersion(QString::fromLocal8Bit(names.sysname),
                         QString::fromLocal8Bit(names.release));
  }
  return KernelVersion(QSysInfo::kernelType(), QSysInfo::kernelVersion());
#else
  return KernelVersion(QSysInfo::kernelType(), QSysInfo::kernelVersion());
#endif
}

QString MemoryCaption(const QString& platform) {
  return QStringLiteral("Memory Available to %1:").arg(platform);
}

QString PlatformName() {
#if defined(Q_OS_WIN)
  return QStringLiteral("Windows");
#elif defined(Q_OS_MACOS)
  return QStringLiteral("macOS");
#else
  // The kernel's own name: "Linux", "FreeBSD".
  const QString name = CurrentOSVersion().name;
  return name.isEmpty() ? QSysInfo::kernelType() : name;
#endif
}

QString MemoryText(quint64 bytes, const QLocale& locale) {
  QLocale grouping = locale;
  grouping.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
  return grouping.toString(static_cast<qulonglong>(bytes >> 10)) + QStringLiteral(" KB");
}

quint64 PhysicalMemoryBytes() {
#if defined(Q_OS_WIN)
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? status.ullTotalPhys : 0;
#elif defined(Q_OS_UNIX) && defined(_SC_PHYS_PAGES)
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return static_cast<quint64>(pages) * static_cast<quint64>(pageSize);
#else
  return 0;
#endif
}

QStringList DescriptionLines(const QString& description, const QString& extraLine) {
  QStringList lines;
  if (!description.isEmpty()) {
    lines = description.split(QLatin1Char('\n'));
    for (QString& line : lines) {
      if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    }
    // A final line break ends the last line; it does not start another.
    if (lines.last().isEmpty()) lines.removeLast();
  }
  if (!extraLine.isEmpty()) lines << extraLine;
  return lines;
}

// ---------------------------------------------------------------------------------------------
// The window

TkxSplashAbout::TkxSplashAbout(QWidget* owner, bool aboutMode)
    : QDialog(owner, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                         (aboutMode ? Qt::Dialog : Qt::SplashScreen)),
      aboutMode_(aboutMode) {
  setObjectName(QStringLiteral("kxSplashAbout"));
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kClientWidth, kClientHeight);
  setFont(WindowFont());
  const TSplashAboutTexts& texts = SplashAboutTexts();

  imgIcon = NewLabel(this, "imgIcon");
  imgIcon->setGeometry(20, 104, 72, 47);
  imgIcon->setAlignment(Qt::AlignCenter);
  QIcon icon = QApplication::windowIcon();
  if (icon.isNull()) icon = style()->standardIcon(QStyle::SP_MediaVolume);
  imgIcon->setPixmap(icon.pixmap(QSize(72, 47)));

  lblAppTitle = NewLabel(this, "lblAppTitle", QGuiApplication::applicationDisplayName());
  QFont titleFont(QStringLiteral("Times New Roman"));
  titleFont.setPixelSize(23);
  titleFont.setItalic(true);
  lblAppTitle->setFont(titleFont);
  CentreHorizontally(lblAppTitle, 6);

  lines_ = DescriptionLines(texts.Description, texts.ExtraLine);

  lblVersion = NewLabel(this, "lblVersion", QStringLiteral("Version ") + texts.Version);
  SetItalic(lblVersion);
  lblVersion->move(104, 106);
  lblVersion->adjustSize();

  lblFeedback =
      NewLabel(this, "lblFeedback",
               aboutMode ? QStringLiteral("Click to close") : QStringLiteral("Initializing..."));
  QFont feedbackFont(QStringLiteral("MS Sans Serif"));
  feedbackFont.setPixelSize(15);
  lblFeedback->setFont(feedbackFont);
  lblFeedback->move(104, 132);
  lblFeedback->adjustSize();

  Bevel1 = NewBevel(this, "Bevel1", 160);

  lblCustomDev = NewLabel(this, "lblCustomDev", QStringLiteral("Custom software developed by:"));
  SetItalic(lblCustomDev);
  CentreHorizontally(lblCustomDev, 168);
  lblThatsMe = NewLabel(this, "lblThatsMe", QStringLiteral("Marvandel"));
  CentreHorizontally(lblThatsMe, 190);
  lblEMail = NewLabel(this, "lblEMail", QStringLiteral("Email: ") + QLatin1String(AuthorEMail));
  QString web = QLatin1String(AuthorWebAddress);
  if (!texts.PathWord.isEmpty()) web += QLatin1Char('/') + texts.PathWord;
  lblURL = NewLabel(this, "lblURL", web);

  Bevel2 = NewBevel(this, "Bevel2", 258);

  lblOSinfo = NewLabel(this, "lblOSinfo", OSInfoText(CurrentOSVersion()));
  lblOSinfo->setGeometry(8, 264, kClientWidth - 16, 22);
  lblMem = NewLabel(this, "lblMem", MemoryCaption(PlatformName()));
  lblMem->move(8, 287);
  lblMem->adjustSize();
  const quint64 memory = PhysicalMemoryBytes();
  lblPhysMem = NewLabel(this, "lblPhysMem", memory ? MemoryText(memory) : QString());
  lblPhysMem->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // On its own line: the label text and a large figure do not fit side by side.
  lblPhysMem->setGeometry(8, 287 + lblMem->height(), kClientWidth - 16, lblMem->height());

  if (aboutMode) {
    // Every click closes the About box; the two links first do what they say.
    for (QLabel* label : findChildren<QLabel*>()) label->installEventFilter(this);
    for (QLabel* link : {lblEMail, lblURL}) {
      QFont font = link->font();
      font.setUnderline(true);
      link->setFont(font);
      link->setCursor(Qt::PointingHandCursor);
    }
  } else {
    mainWindowSeen = false;
    timer_ = new QTimer(this);
    timer_->setInterval(500);
    connect(timer_, &QTimer::timeout, this, &TkxSplashAbout::SplashTick);
    timer_->start();
  }
  // Centred after the fonts are final, since the link font changes the width.
  CentreHorizontally(lblEMail, 214);
  CentreHorizontally(lblURL, 236);

  if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.left() + (area.width() - kClientWidth) / 2,
         area.top() + (area.height() - kClientHeight) / 2);
  }
}

TkxSplashAbout::~TkxSplashAbout() = default;

void TkxSplashAbout::CentreHorizontally(QLabel* label, int top) {
  label->adjustSize();
  label->move((width() - label->width()) / 2, top);
}

const std::array<QColor, 9>& TkxSplashAbout::BaseColours() {
  static const std::array<QColor, 9> colours = {
      QColor(128, 0, 0),   QColor(128, 128, 0), QColor(128, 0, 128),
      QColor(0, 128, 128), QColor(0, 0, 255),   QColor(255, 0, 255),
      QColor(255, 0, 0),   QColor(0, 0, 0),     QColor(0, 0, 128),
  };
  return colours;
}

void TkxSplashAbout::GradientFill(QPainter& painter, const QSize& size, const QColor& base) {
  const int w = size.width();
  if (w <= 0) return;
  painter.save();
  painter.setPen(Qt::NoPen);
  // The left edge has the full colour even when the strips do not reach it (odd widths).
  painter.fillRect(QRect(QPoint(0, 0), size + QSize(0, 1)), base);
  const auto scaled = [w](int component, int i) {
    return static_cast<int>(std::lround(component * (2.0 * i) / w));
  };
  for (int i = 0; i <= w / 2; ++i) {
    const QColor colour(scaled(base.red(), i), scaled(base.green(), i), scaled(base.blue(), i));
    painter.setBrush(colour);
    painter.drawRect(QRect(w - 2 * i, 0, 3, size.height() + 1));
  }
  painter.restore();
}

void TkxSplashAbout::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  raise();
  if (aboutMode_) BringToFront(this);
}

void TkxSplashAbout::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const auto& colours = BaseColours();
  GradientFill(painter, size(),
               colours[QRandomGenerator::global()->bounded(static_cast<int>(colours.size()))]);

  QFont font = painter.font();
  font.setItalic(true);
  font.setBold(false);
  font.setPointSize(11);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.setBackgroundMode(Qt::TransparentMode);
  const QFontMetrics metrics(font);
  const int step = static_cast<int>(std::lround(metrics.height() * 1.1));
  int top = lblAppTitle->y() + static_cast<int>(std::lround(lblAppTitle->height() * 1.1));
  for (const QString& line : lines_) {
    const int left = (width() - metrics.horizontalAdvance(line)) / 2;
    painter.drawText(left, top + metrics.ascent(), line);
    top += step;
  }
}

void TkxSplashAbout::mouseReleaseEvent(QMouseEvent* event) {
  if (aboutMode_ && event->button() == Qt::LeftButton) {
    close();
    return;
  }
  QDialog::mouseReleaseEvent(event);
}

bool TkxSplashAbout::eventFilter(QObject* watched, QEvent* event) {
  if (aboutMode_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (watched == lblURL) {
      OpenWebPage();
    } else if (watched == lblEMail) {
      OpenMail();
    }
    close();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TkxSplashAbout::OpenWebPage() {
  if (!OpenUrl(QUrl(lblURL->text())))
    ShowErrorMessage(this, QStringLiteral("Couldn't launch default browser"));
}

void TkxSplashAbout::OpenMail() {
  if (!OpenUrl(QUrl(QStringLiteral("mailto:") + QLatin1String(AuthorEMail)))) {
    ShowErrorMessage(this, QStringLiteral("Couldn't launch default mail program"));
  }
}

void TkxSplashAbout::SplashTick() {
  if (mainWindowSeen) {
    timer_->stop();
    close();
  } else if (MainWindowIsUp(this)) {
    mainWindowSeen = true;
    timer_->setInterval(1000);
    QCoreApplication::processEvents();
  } else if (MainWindowIsVisible(this)) {
    if (mainVisibleSince_ < 0) {
      mainVisibleSince_ = TickCount();
    } else if (TickCount() - mainVisibleSince_ >= kVisibleFallbackMs) {
      timer_->stop();
      close();
    }
  } else {
    mainVisibleSince_ = -1;
  }
}

TkxSplashAbout* ShowSplashAbout(QWidget* owner, bool aboutMode) {
  auto* window = new TkxSplashAbout(owner, aboutMode);
  if (aboutMode) {
    window->setModal(true);
    // The window frees itself when it closes; one that was never shown is freed here.
    QPointer<TkxSplashAbout> guard(window);
    Dialogs().Form(*window);
    if (guard && !guard->isVisible()) delete guard.data();
    return nullptr;
  }
  window->show();
  return window;
}
