#pragma once

// The printed parameter listing of a preset, as lines: a head, then three columns (analog
// effects; digital effects; mix and performance MIDI). Generated from the parameter table, so it
// lists exactly the controls the editor shows for the effects in the chain. Writers lay the
// columns side by side on paper or one after the other as plain text.

#include <QString>
#include <array>
#include <functional>
#include <vector>

#include "ParamTable.h"

class TPreset;

struct TListingLine {
  QString Text;  // empty: a blank line
  bool Bold = false;
  bool Underline = false;
};

struct TPresetListing {
  std::vector<TListingLine> Head;
  std::array<std::vector<TListingLine>, 3> Columns;
};

// Column positions, in widths of "A": the digital column and the mix/performance column.
inline constexpr int ListingDigitalColumn = 22;
inline constexpr int ListingThirdColumn = 45;

// The name of controller 0..128 as the listing shows it (user names come from the settings).
using TControllerNameFn = std::function<QString(int)>;

// appTitle heads the listing ("ZQN-Tarvo Preset parameter listing"); fileName is left out when
// empty; controllerName defaults to the built-in names.
TPresetListing BuildPresetListing(const TPreset& preset, const QString& appTitle,
                                  const QString& fileName,
                                  const TControllerNameFn& controllerName = {});

// One control's line: "drive = 100%" for a bar or meter (its name as it is, its value text as
// the label beside it shows it), "Slope = 4:1" for a radio group (its caption), "base key = C 4"
// for a list box (blanks for underscores), "<caption> = on" for a check box.
QString ParameterLine(const TParamDef& def, int stored);

// The page's component name without "ts": "Compressor", "EnvelopeFilter".
QString ListingPageName(const TPageDef& page);

// Catalogue effects of the chain, in the order of the group's row, only the places in use; empty
// for an invalid group.
std::vector<int> ChosenDigitalEffects(const TPreset& preset);
// Pages of pgcDigitalParams that show for the chain (indices into DigitalPages()).
std::array<bool, 17> DigitalPagesInChain(const TPreset& preset);

// "is controlling" text of performance assignment k: effect and parameter of its target
// ("Compressor", "drive"; "MIDI Monitor", "enabled"; "Mix", "dry"), and the target's row
// (nullptr for the monitor or a target that lies on no page).
struct TPerfTarget {
  QString Effect;
  QString Parameter;
  const TParamDef* Def = nullptr;
  bool Valid = false;
};
TPerfTarget PerfTarget(const TPreset& preset, int k);

// The listing's lines of performance assignment k: "Controller #" + (k + 1), then what it is
// controlling, the low and high range values and the controller, each indented as printed.
std::array<QString, 5> PerfEntryLines(const TPreset& preset, int k,
                                      const TControllerNameFn& controllerName = {});
