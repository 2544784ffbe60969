#include "app/ScriptedDialogService.h"
#include "app/SplashAbout.h"
#include "app/kxUtility.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>
#include <iostream>

namespace {

// Start-up's texts for every test, and no real browser or mail program.
class SplashAboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    savedTexts = SplashAboutTexts();
    SplashAboutTexts() = {"Librarian/Editor for the\nQVA ZQN Tarvo Processor", "2.5", {}, {}};
    savedOpener = SetUrlOpener([this](const QUrl& url) {
      opened << url;
      return openerWorks;
    });
  }
  void TearDown() override {
    SetUrlOpener(std::move(savedOpener));
    SplashAboutTexts() = savedTexts;
    // Windows that closed themselves are freed by deferred deletion.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Opens the About box the way the menu does (modal) and runs `act` on it once it is up.
  void WithModalAbout(const std::function<void(TkxSplashAbout*)>& act) {
    QPointer<TkxSplashAbout> seen;
    bool acted = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* about = qobject_cast<TkxSplashAbout*>(QApplication::activeModalWidget());
      if (about && about->isVisible() && !acted) {
        acted = true;
        seen = about;
        act(about);
      }
    });
    // Never hang the run on a box that does not close.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      ADD_FAILURE() << "the About box did not close";
    });
    poll.start();
    guard.start(5000);
    EXPECT_EQ(ShowSplashAbout(nullptr, true), nullptr);
    EXPECT_TRUE(acted);
    EXPECT_TRUE(seen.isNull()) << "the About box was not freed when it closed";
  }

  TSplashAboutTexts savedTexts;
  TUrlOpener savedOpener;
  QList<QUrl> opened;
  bool openerWorks = true;
};

TEST_F(SplashAboutTest, AboutBoxShowsTheTextsOfTheProgram) {
  SplashAboutTexts().PathWord = "zqn";
  auto* about = new TkxSplashAbout(nullptr, true);
  QPointer<TkxSplashAbout> guard(about);
  EXPECT_EQ(about->size(), QSize(311, 334));
  EXPECT_EQ(about->lblAppTitle->text(), QGuiApplication::applicationDisplayName());
  EXPECT_EQ(about->lblVersion->text().toStdString(), "Version 2.5");
  EXPECT_EQ(about->lblFeedback->text().toStdString(), "Click to close");
  EXPECT_EQ(about->lblCustomDev->text().toStdString(), "Custom software developed by:");
  EXPECT_EQ(about->lblThatsMe->text().toStdString(), "Marvandel");
  EXPECT_EQ(about->lblEMail->text(), QStringLiteral("Email: ") + AuthorEMail);
  EXPECT_EQ(about->lblURL->text(), QString(AuthorWebAddress) + "/zqn");
  // Names the system it runs on, not always Windows.
  EXPECT_EQ(about->lblMem->text(), MemoryCaption(PlatformName()));
#if defined(Q_OS_LINUX)
  EXPECT_EQ(about->lblMem->text().toStdString(), "Memory Available to Linux:");
#endif
  EXPECT_EQ(MemoryCaption(QStringLiteral("Windows")).toStdString(), "Memory Available to Windows:");
  EXPECT_TRUE(about->lblPhysMem->text().endsWith(" KB")) << about->lblPhysMem->text().toStdString();
  EXPECT_FALSE(about->lblOSinfo->text().isEmpty());
  EXPECT_TRUE(about->lblEMail->font().underline());
  EXPECT_TRUE(about->lblURL->font().underline());
  // Centred labels: equal room left and right (give or take the odd pixel).
  for (QLabel* label : {about->lblAppTitle, about->lblEMail, about->lblURL, about->lblThatsMe}) {
    const int right = about->width() - label->x() - label->width();
    EXPECT_LE(std::abs(right - label->x()), 1) << label->objectName().toStdString();
  }
  EXPECT_EQ(about->Lines(), QStringList({"Librarian/Editor for the", "QVA ZQN Tarvo Processor"}));
  delete about;
}

TEST_F(SplashAboutTest, WithoutAPathWordTheWebLabelIsTheAddressAlone) {
  TkxSplashAbout about(nullptr, true);
  about.setAttribute(Qt::WA_DeleteOnClose, false);
  EXPECT_EQ(about.lblURL->text(), QString(AuthorWebAddress));
  EXPECT_FALSE(about.lblURL->text().endsWith('/'));
}

TEST_F(SplashAboutTest, AClickAnywhereClosesAndFreesTheAboutBox) {
  WithModalAbout(
      [](TkxSplashAbout* about) { QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(5, 5)); });
  WithModalAbout(
      [](TkxSplashAbout* about) { QTest::mouseClick(about->lblThatsMe, Qt::LeftButton); });
  WithModalAbout([](TkxSplashAbout* about) { QTest::mouseClick(about->imgIcon, Qt::LeftButton); });
  EXPECT_TRUE(opened.isEmpty()) << "a plain click opened a link";
}

TEST_F(SplashAboutTest, TheWebLinkOpensThePageAndCloses) {
  SplashAboutTexts().PathWord = "tarvo";
  WithModalAbout([](TkxSplashAbout* about) { QTest::mouseClick(about->lblURL, Qt::LeftButton); });
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0], QUrl(QString(AuthorWebAddress) + "/tarvo"));
}

TEST_F(SplashAboutTest, TheMailLinkOpensAMailToTheAuthorAndCloses) {
  WithModalAbout([](TkxSplashAbout* about) { QTest::mouseClick(about->lblEMail, Qt::LeftButton); });
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0], QUrl(QStringLiteral("mailto:") + AuthorEMail));
}

TEST_F(SplashAboutTest, ABrowserThatCannotStartIsReportedAndTheBoxStillCloses) {
  openerWorks = false;
  TScriptedDialogs dialogs;
  dialogs->PlanButton(QMessageBox::Ok);
  bool closed = false;
  dialogs->AnswerForm<TkxSplashAbout>([&](TkxSplashAbout& about) {
    about.show();
    QTest::mouseClick(about.lblURL, Qt::LeftButton);
    closed = !about.isVisible();
    return false;
  });
  EXPECT_EQ(ShowSplashAbout(nullptr, true), nullptr);
  EXPECT_TRUE(closed);
  ASSERT_EQ(dialogs->Forms().size(), 1u);
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_EQ(dialogs->Last().text.toStdString(), "Couldn't launch default browser");
  EXPECT_EQ(dialogs->Last().icon, QMessageBox::Critical);
  EXPECT_TRUE(dialogs->Problems().isEmpty());
}

TEST_F(SplashAboutTest, ScreenshotOfTheAboutWindow) {
  SplashAboutTexts().PathWord = "zqn";
  SplashAboutTexts().ExtraLine = "Offscreen screenshot";
  TkxSplashAbout about(nullptr, true);
  about.setAttribute(Qt::WA_DeleteOnClose, false);
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  const QImage image = about.grab().toImage();
  about.hide();
  ASSERT_EQ(image.size(), QSize(311, 334) * image.devicePixelRatio());
#ifdef QT_TESTCASE_BUILDDIR
  const QString folder = QStringLiteral(QT_TESTCASE_BUILDDIR);
#else
  const QString folder = QDir::currentPath();
#endif
  const QString file = folder + "/about-window.png";
  ASSERT_TRUE(image.save(file)) << file.toStdString();
  std::cout << "About window screenshot: " << file.toStdString() << "\n";

  // The gradient is painted: some colour at the left edge, black at the right edge.
  const auto& colours = TkxSplashAbout::BaseColours();
  const QColor left = image.pixelColor(0, 2);
  EXPECT_NE(std::find(colours.begin(), colours.end(), left.toRgb()), colours.end())
      << left.name().toStdString();
  const QColor right = image.pixelColor(image.width() - 1, 2);
  EXPECT_LE(right.red() + right.green() + right.blue(), 6);
}

TEST(GradientFill, RunsFromTheFullColourAtTheLeftToAlmostBlackAtTheRight) {
  for (const QColor& base : TkxSplashAbout::BaseColours()) {
    QImage image(311, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      TkxSplashAbout::GradientFill(painter, image.size(), base);
    }
    EXPECT_EQ(image.pixelColor(0, 10), base) << base.name().toStdString();
    // The last strip inside the window is two pixels from the edge: almost black.
    const QColor right = image.pixelColor(310, 10);
    EXPECT_LE(std::max({right.red(), right.green(), right.blue()}), 2) << base.name().toStdString();
    // Half way across, half the strength.
    const QColor mid = image.pixelColor(155, 10);
    EXPECT_NEAR(mid.red(), base.red() / 2, 3);
    EXPECT_NEAR(mid.green(), base.green() / 2, 3);
    EXPECT_NEAR(mid.blue(), base.blue() / 2, 3);
    int previous = 0;
    for (int x = 310; x >= 0; --x) {  // never darker further left
      const QColor c = image.pixelColor(x, 19);
      const int strength = c.red() + c.green() + c.blue();
      ASSERT_GE(strength, previous) << "x " << x;
      previous = strength;
    }
  }
}

TEST(DescriptionLines, SplitsAtLineBreaksAndAddsANonEmptyExtraLine) {
  struct Row {
    QString description, extra;
    QStringList lines;
  };
  const Row rows[] = {
      {"one\ntwo", "", {"one", "two"}},
      {"one\ntwo", "three", {"one", "two", "three"}},
      {"one", "", {"one"}},
      {"one\r\ntwo\n", "", {"one", "two"}},
      {"", "", {}},
      {"", "only", {"only"}},
      {"a\n\nb", "", {"a", "", "b"}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DescriptionLines(row.description, row.extra), row.lines)
        << row.description.toStdString();
  }
}

TEST(OSInfoText, UsesTheVersionFormats) {
  EXPECT_EQ(OSInfoText({"Windows NT", 10, 0, 19045, {}}).toStdString(),
            "Windows NT 10.0 (Build 19045)");
  EXPECT_EQ(OSInfoText({"Windows NT", 5, 1, 2600, "Service Pack 3"}).toStdString(),
            "Windows NT 5.1 (Build 2600: Service Pack 3)");
  EXPECT_EQ(OSInfoText({"Windows", 4, 10, std::nullopt, {}}).toStdString(), "Windows 4.10");
}

TEST(KernelVersion, ReadsMajorMinorBuildAndTheRest) {
  struct Row {
    const char *release, *text;
  };
  const Row rows[] = {
      {"6.1.0-13-amd64", "Linux 6.1 (Build 0: 13-amd64)"},
      {"5.15.90.1-microsoft-standard-WSL2", "Linux 5.15 (Build 90: 1-microsoft-standard-WSL2)"},
      {"6.8.12", "Linux 6.8 (Build 12)"},
      {"6.8", "Linux 6.8"},
      {"6.9-rc1", "Linux 6.9 (Build 0: rc1)"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(OSInfoText(KernelVersion("Linux", row.release)).toStdString(), row.text)
        << row.release;
  }
}

TEST(MemoryText, KilobytesWithThousandsSeparators) {
  const quint64 gib16 = 16ull * 1024 * 1024 * 1024;
  EXPECT_EQ(MemoryText(gib16, QLocale::c()).toStdString(), "16,777,216 KB");
  EXPECT_EQ(MemoryText(gib16, QLocale(QLocale::German)).toStdString(), "16.777.216 KB");
  EXPECT_EQ(MemoryText(1023, QLocale::c()).toStdString(), "0 KB");
  EXPECT_EQ(MemoryText(999 * 1024, QLocale::c()).toStdString(), "999 KB");
  EXPECT_GT(PhysicalMemoryBytes(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Splash

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
  return QTest::qWaitFor(condition, milliseconds);
}

TEST_F(SplashAboutTest, SplashClosesAboutASecondAfterTheMainWindowIsUp) {
  QPointer<TkxSplashAbout> splash = ShowSplashAbout(nullptr, false);
  ASSERT_FALSE(splash.isNull());
  EXPECT_TRUE(splash->isVisible());
  EXPECT_EQ(splash->lblFeedback->text().toStdString(), "Initializing...");
  EXPECT_TRUE(splash->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(splash->windowFlags().testFlag(Qt::FramelessWindowHint));

  // No main window yet: the splash stays.
  QTest::qWait(700);
  ASSERT_FALSE(splash.isNull()) << "closed before the main window was there";

  QMainWindow main;
  main.show();
  main.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
  QElapsedTimer sinceMain;
  sinceMain.start();
  QTest::qWait(400);
  EXPECT_FALSE(splash.isNull()) << "closed at once instead of about a second later";
  EXPECT_TRUE(WaitUntil([&] { return splash.isNull(); }, 4000)) << "the splash never closed";
  EXPECT_GE(sinceMain.elapsed(), 900);
}

TEST_F(SplashAboutTest, SplashIgnoresClicks) {
  QPointer<TkxSplashAbout> splash = ShowSplashAbout(nullptr, false);
  ASSERT_FALSE(splash.isNull());
  QTest::mouseClick(splash.data(), Qt::LeftButton, {}, QPoint(5, 5));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(splash.isNull());
  EXPECT_TRUE(splash->isVisible());
  splash->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(splash.isNull()) << "a closed splash must free itself";
}

}  // namespace

namespace {

// A window manager that never makes the main window active (focus-stealing prevention, a bare X
// server) must not leave the always-on-top splash over the program: two seconds after the main
// window is up, visible, the splash goes.
TEST_F(SplashAboutTest, SplashClosesWhenTheMainWindowIsNeverActivated) {
  qint64 now = 1000;
  const TTickSource saved = SetTickSource([&] { return now; });
  QPointer<TkxSplashAbout> splash = ShowSplashAbout(nullptr, false);
  ASSERT_FALSE(splash.isNull());
  QMainWindow main;
  main.show();
  // Another window keeps the activation, as one the window manager favours would.
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  QTest::qWait(1200);  // two ticks: the main window has been seen up, and not yet long enough
  ASSERT_NE(QApplication::activeWindow(), &main);
  EXPECT_FALSE(splash.isNull()) << "closed before the main window had been up two seconds";
  now += 2000;
  EXPECT_TRUE(WaitUntil([&] { return splash.isNull(); }, 3000)) << "the splash never closed";
  SetTickSource(saved);
}

}  // namespace
