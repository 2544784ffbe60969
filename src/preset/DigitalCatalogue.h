#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

class TPreset;

// The 25 digital effects the unit offers and the 54 fixed chains (groups) its processor can run.
inline constexpr int DigitalEffectCount = 25;
inline constexpr int DigitalGroupCount = 54;
inline constexpr int GroupPlaceCount = 5;
inline constexpr int DigitalCatalogueParamCount = 129;

struct TDigitalEffect {
  const char* Name;  // exact list name, also the key a chosen effect is looked up by
  int ParamCount;
  int Page;  // index into DigitalPages(); variants of one effect share a page
};

// Catalogue indices of the effects used below and by the editor's variant rules.
enum TDigitalEffectId : int {
  deLowPass,
  deFlanger,
  deChorus,
  dePitchTrans,
  dePanner,
  deTremolo,
  deMidiPan,
  deReverb1,
  deReverb2,
  deReverb3,
  deGateVerb1,
  deGateVerb2,
  deGateVerb3,
  deTappedDdlS,
  deTappedDdlL,
  deRegenDdlS,
  deRegenDdlL,
  deStereoDdlS,
  deStereoDdlL,
  deSamplerS,
  deSamplerL,
  deSamplerPtr,
  deTuner,
  dePhaser,
  deDualPtr,
};

inline constexpr std::array<TDigitalEffect, DigitalEffectCount> DigitalCatalogue = {{
    {"Low Pass", 1, 0},      {"Flanger", 5, 1},      {"Chorus", 5, 2},
    {"Pitch-Trans", 6, 3},   {"Panner", 2, 4},       {"Tremolo", 2, 5},
    {"MIDI-Pan", 1, 6},      {"Reverb 1", 6, 7},     {"Reverb 2", 6, 7},
    {"Reverb 3", 7, 7},      {"Gate Verb 1", 5, 8},  {"Gate Verb 2", 5, 8},
    {"Gate Verb 3", 5, 8},   {"Tapped DDL S", 6, 9}, {"Tapped DDL L", 6, 9},
    {"Regen DDL S", 4, 10},  {"Regen DDL L", 4, 10}, {"Stereo DDL S", 7, 11},
    {"Stereo DDL L", 7, 11}, {"Sampler S", 6, 12},   {"Sampler L", 6, 12},
    {"Sampler+PTr", 9, 13},  {"Tuner", 4, 14},       {"Phaser", 5, 15},
    {"Dual PTr", 9, 16},
}};

using TGroupRow = std::array<int, GroupPlaceCount>;  // catalogue indices, -1 for an empty place

// Reverb type codes 1..13 in code order; Reverb 1 offers 9..13, Reverb 2 5..13, Reverb 3 all.
inline constexpr std::array<const char*, 13> ReverbTypeNames = {
    "Hall-3",  "Room-3", "Plate-3", "Vocal-3", "Hall-2",  "Room-2", "Plate-2",
    "Vocal-2", "Hall-1", "Room-1",  "Plate-1", "Vocal-1", "OFF"};
// Name of reverb type code 1..13; empty for any other code.
QString ReverbTypeName(int code);
// The lowest code a reverb variant offers (its radio group's DataAddend): 9, 5 or 1; 0 for an
// effect that is no reverb.
int ReverbTypeAddend(int effect);

const TGroupRow& GroupRow(int group);  // group must be valid
bool IsValidGroup(int group);
// Catalogue index at place k of the group, or -1 (also for an invalid group or place).
int GroupEffect(int group, int k);
int GroupEffectCount(int group);
// Slots the group's effects take together (at most 18).
int GroupParamCount(int group);
// "53. Low Pass, Stereo DDL S, Dual PTr"
QString GroupText(int group);

// Raises "Unknown effect <name>" for a name outside the catalogue.
int EffectIndex(const QString& name);
QString EffectName(int effect);
bool GroupContains(int group, int effect);
// Place of the effect in the group's row, or -1.
int GroupPlaceOf(int group, int effect);
// First digital slot of the group's k-th effect.
int SlotOffset(int group, int k);
// The effect's default slot values, in slot order.
std::vector<int> EffectDefaults(int effect);

// Number of the effect's first parameter in the whole catalogue (32 for Low Pass's only one).
int FirstCatalogueParamId(int effect);
// Catalogue-wide number (32..160) of the parameter in 1-based slot slotNumber of the group;
// -1 when the slot lies beyond the group's effects or the group is invalid.
int CatalogueParamId(int slotNumber, int group);
struct TCatalogueParam {
  int Effect = -1;
  int Position = 0;  // 1-based within the effect
};
// The effect and position of a catalogue-wide parameter number; Effect -1 outside 32..160.
TCatalogueParam LocateCatalogueParam(int id);

// Works out the lowest group that holds every chosen effect, stores it, re-lays the slots and
// renumbers or drops the performance targets when the group changes, and recomputes
// DigitalInUse. Raises "Unknown effect ..." or "Cannot determine digital group" and then leaves
// the record untouched. Returns the new group.
int DetermineDigitalGroup(TPreset& preset, const QStringList& chosenNames);
// Effects that can still join the chain, in the order the editor lists them.
QStringList AvailableEffects(const TPreset& preset, const QStringList& chosenNames);
