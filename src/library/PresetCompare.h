#pragma once

// Two presets side by side, parameter by parameter, in the words of the printed listing: the
// page names and the "name = value" texts the listing generates from the parameter table, never
// raw bytes. Only the differences are kept, grouped by page in the order the listing and the
// editor show them: the title, the chain, the mix, the analog pages, the digital pages, the Vexa
// states and the performance assignments. Also the comparison of two backup folders, slot by slot.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "preset/PresetListing.h"

class TPreset;
class QTextStream;

struct TParamDifference {
  QString Page;  // "Chain", "Mix", "Compressor", "Reverb", "Vexa states", "Performance MIDI"
  QString Name;  // what the listing puts before " = ": "drive", "Slope", "Controller #2 high range
                 // value"
  QString Left;  // the listing's value text; empty when the parameter is not there on that side
  QString Right;
  bool operator==(const TParamDifference&) const = default;
};

// The page names of the comparison that are not the pages of an effect.
inline const QString TitlePageName = QStringLiteral("Title");
inline const QString ChainPageName = QStringLiteral("Chain");
inline const QString MixPageName = QStringLiteral("Mix");
inline const QString VexaPageName = QStringLiteral("Vexa states");
inline const QString PerformancePageName = QStringLiteral("Performance MIDI");

// Every parameter of a that reads differently in b, in listing order. The channel byte and the
// bytes the unit ignores are not parameters and never differ here.
std::vector<TParamDifference> ComparePresets(const TPreset& a, const TPreset& b,
                                             const TControllerNameFn& controllerName = {});

// The differences as text: each page's name, then one line per parameter
// "      drive = 78%  ->  100%"; "(none)" stands for a side without the parameter. "No
// differences" when the list is empty.
QString DifferencesText(const std::vector<TParamDifference>& differences);

// Two backup folders compared slot by slot: what is in the newer one and not the older (added),
// the other way round (removed), and slots whose presets differ (changed), with their
// differences. A folder with "Bank A".."Bank D" sub-folders is read as a four-bank backup, any
// other as a single bank.
enum class TSlotChange { Added, Removed, Changed };
struct TSlotComparison {
  int Bank = 0;
  int Index = 0;
  TSlotChange Change = TSlotChange::Changed;
  QString OlderFile, NewerFile;
  QString OlderTitle, NewerTitle;
  std::vector<TParamDifference> Differences;
};
struct TFolderComparison {
  std::vector<TSlotComparison> Slots;  // in bank and number order
  int Unchanged = 0;
  bool SingleBank = false;
  QStringList Ignored;  // files either folder could not use, with the reason
  QString Error;        // a folder that cannot be read
};
TFolderComparison CompareBackupFolders(const QString& older, const QString& newer);
// "A-005  Clean Lead  changed" lines with the differences indented below, and a summary line
// ("2 added, 1 removed, 3 changed, 794 unchanged").
QString FolderComparisonText(const TFolderComparison& comparison);

// `--diff A.zqn B.zqn`: writes the differences of two preset files to out and returns 0 when
// they hold the same preset, 1 when they differ, 2 when either file cannot be read as a preset
// (the reason goes to err). Two folders are compared as backups, with the same exit codes.
int RunPresetDiff(const QString& a, const QString& b, QTextStream& out, QTextStream& err);
