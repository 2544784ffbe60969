#include "app/PrintPage.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <algorithm>
#include <climits>

#include "app/DialogService.h"
#include "app/kxUtility.h"

bool PrinterReady(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat) return !printer.outputFileName().isEmpty();
  return !printer.printerName().isEmpty() || !QPrinterInfo::availablePrinters().isEmpty();
}

bool PreparePrinter(QWidget* parent, QPrinter& printer, const QString& documentName) {
  if (PrinterReady(printer)) return true;
  TFileRequest request;
  request.parent = parent;
  request.caption = QStringLiteral("No printer is installed - print to a PDF file");
  request.directory = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (request.directory.isEmpty()) request.directory = QDir::homePath();
  const QString name = MakeValidFileName(documentName).trimmed();
  request.fileName = (name.isEmpty() ? QStringLiteral("listing") : name) + QStringLiteral(".pdf");
  request.filter = QStringLiteral("PDF files (*.pdf);;All files (*)");
  request.defaultSuffix = QStringLiteral("pdf");
  const std::optional<TFileAnswer> answer = Dialogs().SaveFile(request);
  if (!answer) return false;
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(answer->File());
  return PrinterReady(printer);
}

QString PrintFailureText(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
    return QStringLiteral("The PDF file %1 could not be written: nothing was printed.")
        .arg(QDir::toNativeSeparators(printer.outputFileName()));
  if (!PrinterReady(printer))
    return QStringLiteral(
        "No printer is installed and no PDF file was chosen: nothing was printed. Choose a PDF "
        "file with Setup, or install a printer.");
  return QStringLiteral("The printer could not be started: nothing was printed.");
}

TPageWriter::~TPageWriter() = default;

bool TPageWriter::Begin(const QString& title) {
  if (active_) return true;
  bold_ = false;
  underline_ = false;
  if (!DoBegin(title)) return false;
  active_ = true;
  pageNumber_ = 1;
  y_ = 0;
  RunHead();
  return true;
}

void TPageWriter::End() {
  if (!active_) return;
  SetStyle(false, false);
  DoEnd();
  active_ = false;
}

void TPageWriter::Abort() {
  if (!active_) return;
  DoAbort();
  active_ = false;
}

void TPageWriter::NewPage() {
  if (!active_) return;
  DoNewPage();
  ++pageNumber_;
  y_ = 0;
  RunHead();
}

bool TPageWriter::NewPageIfDue() {
  // A head taller than the page must not start page after page.
  if (!active_ || inHead_ || y_ < pageBottom_) return false;
  NewPage();
  return true;
}

void TPageWriter::RunHead() {
  if (!head_) return;
  // The head prints in its own styles; the page's text goes on in the style it had.
  const bool bold = bold_;
  const bool underline = underline_;
  inHead_ = true;
  head_(*this);
  inHead_ = false;
  SetStyle(bold, underline);
}

void TPageWriter::SetStyle(bool bold, bool underline) {
  bold_ = bold;
  underline_ = underline;
  if (active_) DoSetStyle(bold, underline);
}

void TPageWriter::TextOut(int x, int y, const QString& text) {
  if (active_) DoTextOut(x, y, text);
}

void TPageWriter::PrintLine(const QString& text) {
  PrintLine(leftMargin_, text);
}

void TPageWriter::PrintLine(int x, const QString& text) {
  NewPageIfDue();
  TextOut(x, y_, text);
  Advance(1);
}

void TPageWriter::PrintCentred(int y, const QString& text) {
  TextOut(pageWidth_ / 2 - static_cast<int>(text.size()) * charWidth_ / 2, y, text);
}

TPrinterPageWriter::TPrinterPageWriter(QPrinter& printer, const QFont& font)
    : printer_(printer), font_(font) {}

bool TPrinterPageWriter::DoBegin(const QString& title) {
  // Never start a job that cannot run: a failed start would leave the printer unusable.
  if (!PrinterReady(printer_)) return false;
  printer_.setDocName(title);
  if (!painter_.begin(&printer_)) return false;
  painter_.setFont(font_);
  const QFontMetrics metrics = painter_.fontMetrics();
  leftMargin_ = 10;
  charWidth_ = std::max(metrics.horizontalAdvance(QLatin1Char('A')), 1);
  // A tenth of an inch of space between lines, whatever the printer's resolution.
  lineHeight_ = std::max(metrics.height() + printer_.logicalDpiY() / 10, 1);
  pageWidth_ = printer_.width();
  pageBottom_ = static_cast<int>(printer_.height() * 0.95);
  return true;
}

void TPrinterPageWriter::DoEnd() {
  painter_.end();
}

void TPrinterPageWriter::DoAbort() {
  printer_.abort();
  if (painter_.isActive()) painter_.end();
}

void TPrinterPageWriter::DoNewPage() {
  printer_.newPage();
}

void TPrinterPageWriter::DoTextOut(int x, int y, const QString& text) {
  // Positions name the text's top edge; the painter places text by its base line.
  painter_.drawText(x, y + painter_.fontMetrics().ascent(), text);
}

void TPrinterPageWriter::DoSetStyle(bool bold, bool underline) {
  QFont font = painter_.font();
  font.setBold(bold);
  font.setUnderline(underline);
  painter_.setFont(font);
}

int TPrinterPageWriter::TextWidth(const QString& text) const {
  if (painter_.isActive()) return painter_.fontMetrics().horizontalAdvance(text);
  return QFontMetrics(font_, &printer_).horizontalAdvance(text);
}

TTextPageWriter::TTextPageWriter(int pageWidth, int linesPerPage) : linesPerPage_(linesPerPage) {
  pageWidth_ = pageWidth;
}

bool TTextPageWriter::DoBegin(const QString&) {
  leftMargin_ = 0;
  charWidth_ = 1;
  lineHeight_ = 1;
  pageBottom_ = linesPerPage_ > 0 ? linesPerPage_ : INT_MAX;
  pages_.assign(1, QStringList());
  return true;
}

void TTextPageWriter::DoTextOut(int x, int y, const QString& text) {
  if (pages_.empty() || y < 0) return;
  // Text left of the first column is cut, as a printer cuts it at the paper's edge.
  QString shown = text;
  if (x < 0) {
    shown = text.mid(-x);
    x = 0;
  }
  QStringList& page = pages_.back();
  while (page.size() <= y) page.append(QString());
  QString& line = page[y];
  if (line.size() < x + shown.size()) line = line.leftJustified(x + shown.size(), QLatin1Char(' '));
  line.replace(x, shown.size(), shown);
}

QStringList TTextPageWriter::PageLines(int page) const {
  if (page < 0 || page >= PageCount()) return {};
  QStringList lines;
  for (const QString& line : pages_[page]) {
    qsizetype end = line.size();
    while (end > 0 && line[end - 1] == QLatin1Char(' ')) --end;
    lines.append(line.left(end));
  }
  return lines;
}

QString TTextPageWriter::Text() const {
  QStringList all;
  for (int page = 0; page < PageCount(); ++page) {
    if (page > 0) all.append(QStringLiteral("\f"));
    all.append(PageLines(page));
  }
  return all.join(QLatin1Char('\n')) + (all.isEmpty() ? QString() : QStringLiteral("\n"));
}
