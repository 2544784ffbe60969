#pragma once

#include <QString>
#include <optional>
#include <vector>

class TPreset;
struct TParamDef;

// Operations on a preset's eight performance MIDI assignments that keep them consistent with
// the effect chain. Renumbering on a digital group change lives with the group logic.

inline constexpr int ControllerNameCount = 129;  // rows 0..128; 128 is "OFF"
inline constexpr int LeftPedalController = 4;
inline constexpr int RightPedalController = 11;

// Built-in name of controller row 0..128, empty for rows without one.
QString BuiltInControllerName(int number);

// "Controller #" + (k + 1): how assignment k is listed.
QString AssignmentText(int k);

// Activates the lowest free assignment with its defaults; nothing when all eight are active.
std::optional<int> AddAssignment(TPreset& preset);
void DeleteAssignment(TPreset& preset, int k);
void SetController(TPreset& preset, int k, int number);

// Whether assignment k's target is in the chain: "MIDI Monitor" and the mix always are; an
// analog slot when its effect is checked; a digital slot when the group's effect that owns it is
// in use.
bool TargetIsPresent(const TPreset& preset, int k);

// The rule applied when a preset is shown: an active assignment whose target left the chain is
// dropped. Returns the active assignments that remain, in ascending order.
std::vector<int> DropAbsentAssignments(TPreset& preset);

// Text of position p of a range bar (whose minimum is m) for a parameter edited by the control of
// the row: the item of a named choice, otherwise the parameter's display scale, as its page and
// the listing show it. A reversed bar (MIDI Pan) reads Max minus p.
QString RangeValueText(const TParamDef& def, int p, int m);
