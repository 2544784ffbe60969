#include "PresetPrint.h"

#include <QTextStream>
#include <algorithm>

#include "app/PrintPage.h"
#include "preset/Preset.h"
#include "preset/PresetError.h"
#include "preset/PresetFile.h"

namespace {

void WriteLines(TPageWriter& page, int x, const std::vector<TListingLine>& lines) {
  for (const TListingLine& line : lines) {
    if (line.Text.isEmpty()) {
      page.BlankLine();
      continue;
    }
    page.SetStyle(line.Bold, line.Underline);
    page.PrintLine(x, line.Text);
    page.SetStyle(false, false);
  }
}

}  // namespace

void WritePresetListing(TPageWriter& page, const TPresetListing& listing, TListingLayout layout) {
  WriteLines(page, page.LeftMargin(), listing.Head);
  const int columnX[3] = {page.LeftMargin(), ListingDigitalColumn * page.CharWidth(),
                          ListingThirdColumn * page.CharWidth()};
  if (layout == TListingLayout::SideBySide) {
    const int top = page.CurrentLine();
    const int firstPage = page.PageNumber();
    int bottom = top;
    for (int c = 0; c < 3; ++c) {
      // A column that ran onto a further page leaves the next one to start there at the top.
      if (page.PageNumber() == firstPage) page.SetCurrentLine(top);
      WriteLines(page, columnX[c], listing.Columns[c]);
      bottom = std::max(bottom, page.CurrentLine());
    }
    page.SetCurrentLine(bottom);
  } else {
    for (int c = 0; c < 3; ++c) {
      if (c > 0) page.BlankLine();
      WriteLines(page, page.LeftMargin(), listing.Columns[c]);
    }
  }
  page.SetStyle(false, false);
}

QString PresetFileListingText(const QString& fileName, const QString& appTitle) {
  TPreset preset;
  LoadPresetFile(fileName, preset);
  TTextPageWriter writer(100);
  if (!writer.Begin(fileName)) throw EPresetError(QStringLiteral("Cannot lay out the listing"));
  WritePresetListing(writer, BuildPresetListing(preset, appTitle, fileName),
                     TListingLayout::Stacked);
  writer.End();
  return writer.Text();
}

int PrintListings(const QStringList& files, QTextStream& out, QTextStream& err) {
  int result = 0;
  bool first = true;
  for (const QString& file : files) {
    QString text;
    try {
      text = PresetFileListingText(file, QStringLiteral("ZQN-Tarvo"));
    } catch (const EPresetError& e) {
      err << file << ": " << e.Message() << Qt::endl;
      result = 1;
      continue;
    }
    if (!first) out << "\f\n";
    first = false;
    out << text;
    if (!text.endsWith(QLatin1Char('\n'))) out << '\n';
  }
  out.flush();
  return result;
}
