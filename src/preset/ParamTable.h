#pragma once

#include <QString>
#include <span>

#include "Scales.h"

// The one description of every preset parameter the editor shows: which control edits it, how
// the control looks, its range and items, how its value reads, and the value a fresh effect
// starts with. The editor pages, the performance page and the printed listing are generated from
// it.

enum class TControlKind { TrackBar, RadioGroup, CheckBox, ListBox, LcdMeter };
enum class TParamArea { Mix, Analog, Digital };

using TItems = std::span<const char* const>;

struct TParamDef {
  // Parameter number: 1..3 the mix levels, 4..31 the analog slots (also their ParamNo), 32..160
  // the digital parameters numbered across the whole catalogue (variants counted separately).
  int Id = 0;
  TParamArea Area = TParamArea::Mix;
  int Owner = -1;            // analog effect 0..8 or catalogue effect 0..24; -1 for the mix
  int Position = 0;          // 0-based place of the parameter within its owner
  const char* Control = "";  // "trbCMPdrive"
  TControlKind Kind = TControlKind::TrackBar;
  const char* Caption = "";  // label beside a bar, caption of a radio group or list, band label
  int Min = 0;
  int Max = 0;
  TItems Items{};   // named choices of a radio group or list box
  int Columns = 1;  // radio group columns
  int Addend = 0;   // radio group DataAddend: stored value = item index + Addend
  TScale Scale = TScale::None;
  int Default = 0;        // value written when the effect joins the chain
  bool Reversed = false;  // track bar stores Max minus its position
  bool Enabled = true;
  const char* Partner = "";  // a second control showing the same slot (the equalizer bars)

  // "txt" + control name without its type prefix, for controls that show a value text.
  QString ValueLabel() const;
  // The parameter's name as lists show it: the control name from its seventh character on,
  // blanks for underscores ("drive", "left delay lgth", "base key").
  QString ParamName() const;
  // Three-letter effect code inside the control name ("CMP").
  QString EffectCode() const;
  // What the editor shows for a stored value: the item for named choices, the scale's text
  // otherwise.
  QString ValueText(int stored) const;
  // What the value text beside a bar or under a meter shows: the scale's text, or the stored
  // number when the scale has none for it (a value outside the scale still reads as held).
  QString LabelText(int stored) const;
  bool InRange(int stored) const { return stored >= Min && stored <= Max; }
};

struct TPageDef {
  const char* Name;     // "tsCompressor"
  const char* Caption;  // tab caption
  const char* Hint;
};

inline constexpr int MixParamRows = 3;
inline constexpr int AnalogParamRows = 28;
inline constexpr int DigitalParamRows = 129;
inline constexpr int ParamRowCount = MixParamRows + AnalogParamRows + DigitalParamRows;

// Every row, in parameter-number order: ParamTable()[id - 1] is parameter id.
std::span<const TParamDef> ParamTable();
// Row of parameter number 1..160; raises std::out_of_range otherwise.
const TParamDef& ParamDef(int id);
// Rows of one analog effect (0..8) or one catalogue effect (0..24), in slot order.
std::span<const TParamDef> AnalogEffectParams(int effect);
std::span<const TParamDef> DigitalEffectParams(int effect);
// Row edited by the control that edits digital slot (ParamNo - 32) of the group, or nullptr.
const TParamDef* DigitalSlotParam(int group, int slot);

std::span<const TPageDef> AnalogPages();   // 9 pages, page i for analog effect i
std::span<const TPageDef> DigitalPages();  // 17 pages, shared by the variants of an effect

// The 128 base-key items: "OFF", then MIDI notes 1..127 ("C#-" ... "C 4" ... "G 9").
TItems BaseKeyNames();

struct TVexaCheckDef {
  const char* Control;
  const char* Caption;
  int Number;  // checkbox number 1..9, see TPreset::SetVexaState
};
std::span<const TVexaCheckDef> VexaChecks();
