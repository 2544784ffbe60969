#pragma once

// Writing a preset's parameter listing onto a page writer: the printer (three columns side by
// side, as on paper) or plain text (the columns one after the other, so every line stays whole
// and listings of two presets can be compared line by line).

#include <QStringList>

#include "preset/PresetListing.h"

class QTextStream;
class TPageWriter;

enum class TListingLayout { SideBySide, Stacked };

void WritePresetListing(TPageWriter& page, const TPresetListing& listing, TListingLayout layout);

// The plain-text listing of one preset file; raises EPresetError ("Not a valid preset file") for a
// file that is none.
QString PresetFileListingText(const QString& fileName, const QString& appTitle);

// `zqn-tarvo --listing FILE...`: one listing per file on `out`, a form feed line between them;
// "<file>: Not a valid preset file" (or the read error) on `err` for a file that is none. Returns
// 0 when every file was listed, 1 otherwise.
int PrintListings(const QStringList& files, QTextStream& out, QTextStream& err);
