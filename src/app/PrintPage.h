#pragma once

// The page writer behind every printed listing: the preset parameter listing, the title listing
// of a backup run and the program-table report. It keeps the page geometry all three share (left
// margin, line height, usable page height), the current line, the page number, and starts new
// pages, running the caller's page head on the first page and on every new one.
//
// Positions are in device units of the output: printer dots for TPrinterPageWriter; characters
// and lines for TTextPageWriter, which lays the same listing out as plain text (for terminal
// output and for checking a listing without a printer). Callers work only in units of
// LeftMargin, CharWidth and LineHeight, so one listing routine serves both.

#include <QFont>
#include <QPainter>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QPrinter;
class QWidget;

// Whether the printer can take a job as it is set up now: a printer of the system, or a PDF file
// named. Starting a job on a printer that can do neither fails and, with Qt, leaves the printer
// stuck "active" for good (no later setting reaches it), so the writer asks this first.
bool PrinterReady(const QPrinter& printer);
// Makes the printer ready for a job in `parent`'s window: when the system has no printer and no
// PDF file is chosen yet, offers to print to a PDF file, proposing `documentName`.pdf in the
// user's documents. False when the user declines (nothing is to be printed).
bool PreparePrinter(QWidget* parent, QPrinter& printer, const QString& documentName);
// What every window says when a job did not start on `printer`.
QString PrintFailureText(const QPrinter& printer);

class TPageWriter {
 public:
  // Prints the head of a page (date, page number, headings), moving the current line below it.
  using THeadCallback = std::function<void(TPageWriter&)>;

  virtual ~TPageWriter();

  // Starts the job titled `title` on its first page (running the head). False when the output
  // cannot be started (no printer, an unwritable file); the writer then stays inactive.
  [[nodiscard]] bool Begin(const QString& title);
  // Restores the normal style and finishes the job (a printer then prints it).
  void End();
  // Drops the job without printing what it holds.
  void Abort();
  bool Active() const { return active_; }

  void SetHead(THeadCallback head) { head_ = std::move(head); }

  // Geometry, valid from Begin on.
  int LeftMargin() const { return leftMargin_; }
  int LineHeight() const { return lineHeight_; }
  // Width of the text "A": the unit of column positions.
  int CharWidth() const { return charWidth_; }
  int PageWidth() const { return pageWidth_; }
  // A line starting at or below this height goes on a new page.
  int PageBottom() const { return pageBottom_; }
  // 1 on the first page.
  int PageNumber() const { return pageNumber_; }

  // Height of the current line from the top of the page.
  int CurrentLine() const { return y_; }
  void SetCurrentLine(int y) { y_ = y; }
  // Moves the current line down by `lines` line heights (a blank line is one).
  void Advance(int lines = 1) { y_ += lines * lineHeight_; }
  void BlankLine() { Advance(1); }

  // Starts a new page with the current line at the top, then runs the head.
  void NewPage();
  // Starts a new page when the current line has reached the end of the usable page.
  bool NewPageIfDue();

  void SetStyle(bool bold, bool underline);
  bool Bold() const { return bold_; }
  bool Underline() const { return underline_; }

  // Text whose top edge is at height y, without moving the current line.
  void TextOut(int x, int y, const QString& text);
  // One listing line at x (the left margin by default) on the current line, on a new page first
  // when due; then the current line moves down one line height.
  void PrintLine(const QString& text);
  void PrintLine(int x, const QString& text);
  // Text centred on the page at height y: half the page width less half its length in widths
  // of "A", as the listings' headings are placed.
  void PrintCentred(int y, const QString& text);

  virtual int TextWidth(const QString& text) const = 0;

 protected:
  // Opens the output and sets the geometry fields.
  virtual bool DoBegin(const QString& title) = 0;
  virtual void DoEnd() = 0;
  virtual void DoAbort() = 0;
  virtual void DoNewPage() = 0;
  virtual void DoTextOut(int x, int y, const QString& text) = 0;
  virtual void DoSetStyle(bool bold, bool underline) = 0;

  int leftMargin_ = 0;
  int lineHeight_ = 1;
  int charWidth_ = 1;
  int pageWidth_ = 0;
  int pageBottom_ = 0;

 private:
  void RunHead();

  THeadCallback head_;
  bool active_ = false;
  bool inHead_ = false;
  int pageNumber_ = 0;
  int y_ = 0;
  bool bold_ = false;
  bool underline_ = false;
};

// Prints on a QPrinter: any printer, or a PDF file when the printer's output format is PDF.
// Geometry: the left margin is 10 dots; the line height is the height of "A" plus a tenth of
// the printer's vertical resolution per inch; the usable page ends at 0.95 of the page height.
class TPrinterPageWriter : public TPageWriter {
 public:
  // The font defaults to the application's; its size is taken in points, so it prints at the
  // same size on any resolution.
  explicit TPrinterPageWriter(QPrinter& printer, const QFont& font = QFont());

  int TextWidth(const QString& text) const override;
  QPainter& Painter() { return painter_; }

 protected:
  bool DoBegin(const QString& title) override;
  void DoEnd() override;
  void DoAbort() override;
  void DoNewPage() override;
  void DoTextOut(int x, int y, const QString& text) override;
  void DoSetStyle(bool bold, bool underline) override;

 private:
  QPrinter& printer_;
  QFont font_;
  QPainter painter_;
};

// Lays the listing out as plain text: one character is one unit across, one line one unit down,
// the margin is 0. Text placed at a column overwrites what is there, so side-by-side columns
// printed one after the other end up on the same lines.
class TTextPageWriter : public TPageWriter {
 public:
  // `linesPerPage` 0 keeps everything on one page.
  explicit TTextPageWriter(int pageWidth = 80, int linesPerPage = 0);

  int TextWidth(const QString& text) const override { return static_cast<int>(text.size()); }

  // The pages' lines without trailing blanks, pages separated by a form feed line.
  QString Text() const;
  // Lines of one page (0-based).
  QStringList PageLines(int page) const;
  int PageCount() const { return static_cast<int>(pages_.size()); }

 protected:
  bool DoBegin(const QString& title) override;
  void DoEnd() override {}
  void DoAbort() override { pages_.clear(); }
  void DoNewPage() override { pages_.emplace_back(); }
  void DoTextOut(int x, int y, const QString& text) override;
  void DoSetStyle(bool, bool) override {}

 private:
  int linesPerPage_;
  std::vector<QStringList> pages_;
};
