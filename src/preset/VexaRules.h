#pragma once

// Which effects of a chain make each foot-controller ("Vexa") state meaningful: a state is on
// exactly when an effect of its family is in the chain. The editor shows the states by this rule
// and the simulator's factory presets are laid out by it.

class TPreset;

// Check box number 1..9.
bool VexaFamilyPresent(const TPreset& preset, int number);
// Sets every Vexa state to whether its family is present.
void ApplyVexaRule(TPreset& preset);
