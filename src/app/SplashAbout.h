#pragma once

// One borderless window that serves twice: the splash screen while the program starts, which closes
// itself about a second after the main window is up, and the About box, which closes on a click.

#include <QDialog>
#include <QLocale>
#include <QStringList>
#include <array>
#include <optional>

class QFrame;
class QLabel;
class QPainter;
class QTimer;

// Texts the program gives the window before it is first shown.
struct TSplashAboutTexts {
  QString Description;  // one or more lines separated by line feeds
  QString Version;      // "2.5"
  QString ExtraLine;    // painted below the description when not empty
  QString PathWord;     // appended to the web address as "/" + word when not empty
};
TSplashAboutTexts& SplashAboutTexts();

// The project's own contact addresses shown in the window.
inline constexpr char AuthorEMail[] = "zqn-tarvo@example.org";
inline constexpr char AuthorWebAddress[] = "https://zqn-tarvo.example.org";

// Operating system version in the form the window shows.
struct TOSVersion {
  QString name;
  int major = 0;
  int minor = 0;
  std::optional<int> build;  // none: "%s %d.%d"
  QString servicePack;       // with a build: "(Build %d: %s)" when not empty
};
QString OSInfoText(const TOSVersion& version);
// A Unix kernel's name and release ("Linux", "6.1.0-13-amd64"): the third number is the build and
// whatever follows it the extra text.
TOSVersion KernelVersion(const QString& name, const QString& release);
// This system's version.
TOSVersion CurrentOSVersion();

// The caption of the memory line for the system named: "Memory Available to <platform>:".
QString MemoryCaption(const QString& platform);
// The name of the system the program runs on, as the memory line names it ("Windows", "Linux").
QString PlatformName();

// Physical memory in KB with the locale's thousands separators, followed by " KB".
QString MemoryText(quint64 bytes, const QLocale& locale = QLocale());
// This system's total physical memory in bytes; 0 when unknown.
quint64 PhysicalMemoryBytes();

// The painted lines: the description split at its line breaks, then the extra line if not empty.
QStringList DescriptionLines(const QString& description, const QString& extraLine);

class TkxSplashAbout : public QDialog {
  Q_OBJECT
 public:
  // Fills the window from SplashAboutTexts(); frees itself when closed.
  TkxSplashAbout(QWidget* owner, bool aboutMode);
  ~TkxSplashAbout() override;

  bool AboutMode() const { return aboutMode_; }
  const QStringList& Lines() const { return lines_; }

  // The nine base colours of the gradient.
  static const std::array<QColor, 9>& BaseColours();
  // Paints the gradient of `base` over a client area of `size`: black at the right edge, the full
  // colour at the left edge.
  static void GradientFill(QPainter& painter, const QSize& size, const QColor& base);

  QLabel* lblAppTitle;
  QLabel* lblVersion;
  QLabel* imgIcon;
  QLabel* lblFeedback;
  QLabel* lblCustomDev;
  QLabel* lblThatsMe;
  QLabel* lblEMail;
  QLabel* lblURL;
  QLabel* lblOSinfo;
  QLabel* lblMem;
  QLabel* lblPhysMem;
  QFrame* Bevel1;
  QFrame* Bevel2;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CentreHorizontally(QLabel* label, int top);
  void SplashTick();
  void OpenWebPage();
  void OpenMail();

  bool aboutMode_;
  QStringList lines_;
  QTimer* timer_ = nullptr;  // splash only
  // When the main window was first seen visible without being active (TickCount), or -1.
  qint64 mainVisibleSince_ = -1;
};

// Creates and fills the window. About mode shows it modally and returns after it has closed (and
// freed itself), giving nullptr; splash mode shows it and returns it at once.
TkxSplashAbout* ShowSplashAbout(QWidget* owner, bool aboutMode);
