#include "PdfText.h"
#include "app/PrintPage.h"
#include "app/ScriptedDialogService.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QFileInfo>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// A head in the manner of the listings: page number, a centred bold heading, a gap.
void ListingHead(TPageWriter& page, int* heads) {
  ++*heads;
  page.PrintLine(QStringLiteral("Page: %1").arg(page.PageNumber()));
  page.SetStyle(true, true);
  page.PrintCentred(page.CurrentLine(), QStringLiteral("Test Listing"));
  page.SetStyle(false, false);
  page.Advance(2);
}

TEST(PrintPage, TextLayoutPutsColumnsSideBySide) {
  TTextPageWriter page(60);
  ASSERT_TRUE(page.Begin(QStringLiteral("columns")));
  page.PrintLine(QStringLiteral("Title: Lead"));
  page.BlankLine();
  const int top = page.CurrentLine();
  page.PrintLine(QStringLiteral("Analog effects"));
  page.PrintLine(QStringLiteral("   Compressor"));
  page.PrintLine(QStringLiteral("      drive = 100%"));
  page.SetCurrentLine(top);
  page.PrintLine(22 * page.CharWidth(), QStringLiteral("Digital effects"));
  page.SetCurrentLine(top);
  page.PrintLine(45 * page.CharWidth(), QStringLiteral("Mix"));
  page.End();
  EXPECT_EQ(page.Text().toStdString(),
            "Title: Lead\n"
            "\n"
            "Analog effects        Digital effects        Mix\n"
            "   Compressor\n"
            "      drive = 100%\n");
}

TEST(PrintPage, TextPagesBreakAndRunTheHeadOnEachPage) {
  TTextPageWriter page(40, 10);
  int heads = 0;
  page.SetHead([&](TPageWriter& p) { ListingHead(p, &heads); });
  ASSERT_TRUE(page.Begin(QStringLiteral("pages")));
  EXPECT_EQ(page.CurrentLine(), 3);  // page line, heading, one blank line
  for (int i = 1; i <= 15; ++i) page.PrintLine(QStringLiteral("Line %1").arg(i));
  page.End();
  // Seven lines fit below each head of a ten-line page.
  EXPECT_EQ(page.PageCount(), 3);
  EXPECT_EQ(heads, 3);
  const QStringList first = page.PageLines(0);
  ASSERT_EQ(first.size(), 10);
  EXPECT_EQ(first[0].toStdString(), "Page: 1");
  EXPECT_EQ(first[1].toStdString(), "              Test Listing");  // 20 - 12 / 2
  EXPECT_EQ(first[3].toStdString(), "Line 1");
  EXPECT_EQ(first[9].toStdString(), "Line 7");
  EXPECT_EQ(page.PageLines(1)[0].toStdString(), "Page: 2");
  EXPECT_EQ(page.PageLines(1)[3].toStdString(), "Line 8");
  EXPECT_EQ(page.PageLines(2).size(), 4);
  EXPECT_EQ(page.PageLines(2).last().toStdString(), "Line 15");
  EXPECT_TRUE(page.Text().contains(QStringLiteral("\n\f\nPage: 2\n")));
}

TEST(PrintPage, HeadStylesDoNotLeakIntoThePage) {
  TTextPageWriter page(40, 5);
  page.SetHead([](TPageWriter& p) {
    p.SetStyle(true, true);
    p.PrintLine(QStringLiteral("Head"));
  });
  ASSERT_TRUE(page.Begin(QStringLiteral("styles")));
  page.SetStyle(false, true);
  for (int i = 0; i < 6; ++i) page.PrintLine(QStringLiteral("x"));
  EXPECT_EQ(page.PageNumber(), 2);
  EXPECT_FALSE(page.Bold());
  EXPECT_TRUE(page.Underline());
  page.End();
  EXPECT_FALSE(page.Underline());  // the job ends in the normal style
}

TEST(PrintPage, HeadTallerThanThePageDoesNotLoop) {
  TTextPageWriter page(40, 2);
  page.SetHead([](TPageWriter& p) {
    for (int i = 0; i < 5; ++i) p.PrintLine(QStringLiteral("head"));
  });
  ASSERT_TRUE(page.Begin(QStringLiteral("tall")));
  page.PrintLine(QStringLiteral("body"));
  page.PrintLine(QStringLiteral("body"));
  page.End();
  EXPECT_EQ(page.PageCount(), 3);
}

TEST(PrintPage, NothingIsWrittenOutsideAJob) {
  TTextPageWriter page;
  page.PrintLine(QStringLiteral("lost"));
  page.NewPage();
  EXPECT_EQ(page.PageCount(), 0);
  EXPECT_TRUE(page.Text().isEmpty());
  ASSERT_TRUE(page.Begin(QStringLiteral("a")));
  page.PrintLine(QStringLiteral("kept"));
  page.Abort();
  EXPECT_FALSE(page.Active());
  EXPECT_EQ(page.PageCount(), 0);
}

TEST(PrintPage, PrinterGeometryFollowsTheResolution) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (QPrinter::PrinterMode mode : {QPrinter::ScreenResolution, QPrinter::HighResolution}) {
    QPrinter printer(mode);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("geometry.pdf")));
    TPrinterPageWriter page(printer);
    ASSERT_TRUE(page.Begin(QStringLiteral("geometry")));
    const QFontMetrics metrics = page.Painter().fontMetrics();
    EXPECT_EQ(page.LeftMargin(), 10);
    EXPECT_EQ(page.LineHeight(), metrics.height() + printer.logicalDpiY() / 10);
    EXPECT_EQ(page.CharWidth(), metrics.horizontalAdvance(QLatin1Char('A')));
    EXPECT_EQ(page.PageBottom(), static_cast<int>(printer.height() * 0.95));
    EXPECT_EQ(page.PageWidth(), printer.width());
    EXPECT_GT(page.TextWidth(QStringLiteral("AAAA")), 3 * page.CharWidth());
    page.End();
  }
}

TEST(PrintPage, PrintsPagesToAPdfFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("listing.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(path);
  TPrinterPageWriter page(printer);
  int heads = 0;
  page.SetHead([&](TPageWriter& p) { ListingHead(p, &heads); });
  ASSERT_TRUE(page.Begin(QStringLiteral("ZQN-Tarvo listing")));
  // Enough lines for a little more than two pages.
  const int perPage =
      (page.PageBottom() - page.CurrentLine() + page.LineHeight() - 1) / page.LineHeight();
  const int lines = 2 * perPage + 3;
  for (int i = 1; i <= lines; ++i) page.PrintLine(QStringLiteral("drive = %1%").arg(i));
  EXPECT_EQ(page.PageNumber(), 3);
  page.End();
  EXPECT_EQ(heads, 3);
  EXPECT_EQ(printer.docName().toStdString(), "ZQN-Tarvo listing");
  ASSERT_TRUE(QFile::exists(path));
  EXPECT_EQ(PdfPageCount(path), 3);
  if (const std::optional<QString> text = PdfText(path)) {
    EXPECT_TRUE(text->contains(QStringLiteral("Page: 3")));
    EXPECT_TRUE(text->contains(QStringLiteral("Test Listing")));
    EXPECT_TRUE(text->contains(QStringLiteral("drive = %1%").arg(lines)));
  }
}

TEST(PrintPage, UnwritablePdfCannotBegin) {
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QStringLiteral("/nonexistent-folder/x/listing.pdf"));
  TPrinterPageWriter page(printer);
  EXPECT_FALSE(page.Begin(QStringLiteral("nowhere")));
  EXPECT_FALSE(page.Active());
  page.PrintLine(QStringLiteral("ignored"));
  page.End();
}

// A job that cannot start (no printer, no file chosen) leaves the printer as it was: the PDF
// file chosen afterwards is used, and the next job prints.
TEST(PrintPage, AFailedStartLeavesThePrinterReusable) {
  QTemporaryDir dir;
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  EXPECT_FALSE(PrinterReady(printer));
  TPrinterPageWriter first(printer);
  EXPECT_FALSE(first.Begin(QStringLiteral("nowhere")));
  EXPECT_EQ(PrintFailureText(printer).toStdString(),
            "No printer is installed and no PDF file was chosen: nothing was printed. Choose a "
            "PDF file with Setup, or install a printer.");
  const QString pdf = dir.filePath(QStringLiteral("after.pdf"));
  printer.setOutputFileName(pdf);
  EXPECT_EQ(printer.outputFileName(), pdf);
  TPrinterPageWriter second(printer);
  ASSERT_TRUE(second.Begin(QStringLiteral("after")));
  second.PrintLine(QStringLiteral("printed"));
  second.End();
  EXPECT_GT(QFileInfo(pdf).size(), 0);
}

TEST(PrintPage, WithoutAPrinterAPdfFileIsOffered) {
  QTemporaryDir dir;
  TScriptedDialogs dialogs;
  QPrinter printer;
  printer.setOutputFormat(QPrinter::PdfFormat);
  // Declined: nothing to print, the printer unchanged.
  dialogs->PlanCancel();
  EXPECT_FALSE(PreparePrinter(nullptr, printer, QStringLiteral("Lead: Solo")));
  ASSERT_EQ(dialogs->Asked().size(), 1u);
  EXPECT_EQ(dialogs->Last().kind, TDialogKind::SaveFile);
  EXPECT_EQ(dialogs->Last().caption.toStdString(), "No printer is installed - print to a PDF file");
  EXPECT_TRUE(dialogs->Last().fileName.endsWith(".pdf")) << dialogs->Last().fileName.toStdString();
  EXPECT_TRUE(printer.outputFileName().isEmpty());
  // Chosen: the printer prints to that file.
  const QString pdf = dir.filePath(QStringLiteral("chosen.pdf"));
  dialogs->PlanSaveFile(pdf);
  EXPECT_TRUE(PreparePrinter(nullptr, printer, QStringLiteral("Lead Solo")));
  EXPECT_EQ(printer.outputFileName(), pdf);
  // Ready printers are not asked about.
  EXPECT_TRUE(PreparePrinter(nullptr, printer, QStringLiteral("Lead Solo")));
  EXPECT_EQ(dialogs->Asked().size(), 2u);
}

}  // namespace
