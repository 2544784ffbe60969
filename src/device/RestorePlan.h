#pragma once

// What a run over the unit's memory (restore, compare, snapshot) works through and what became of
// each preset: the presets of a backup folder, the journal that lets a stopped run resume, the
// comparison of two dumps, and the report. Pure logic on files and bytes, no windows.

#include "device/DeviceMessages.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <vector>

enum class TSlotState {
  NotReached,  // the run ended before it
  Saved,       // fetched from the unit and written to a file
  Stored,      // sent and stored, not yet read back
  Verified,    // read back equal at the first attempt
  Retried,     // read back equal after one or more new attempts
  Mismatched,  // still different after every attempt
  Skipped,     // nothing to do: done by an earlier run, or no file for it
  Same,        // compare: the unit holds what the file holds
  Differs,     // compare: the unit holds something else
  NoAnswer,    // the unit did not answer for it
};

// How a slot's state reads in reports and journals ("stored and verified", ...).
QString SlotStateText(TSlotState state);

// One preset slot of a run.
struct TRunSlot {
  int Bank = 0;   // 0..3 (always 0 on a single-bank unit)
  int Index = 0;  // 0..199
  QString File;   // the file read (restore, compare) or written (snapshot, safety copy)
  QByteArray Dump;
  QString Title;
  TSlotState State = TSlotState::NotReached;
  int Attempts = 0;     // stores made for it by this run
  int Differences = 0;  // compare: parameters that differ
  QString Detail;

  int Key() const { return Bank * 256 + Index; }
};

// "A-005", or "005" on a single-bank unit.
QString SlotName(int bank, int index, bool singleBank);

// The preset files of a backup folder as the backup writes them: "Bank A".."Bank D" sub-folders
// (one folder for a single-bank unit), each file named title + ".zqn" + the three digits of its
// preset number and holding one 246-byte dump. Only the chosen banks and numbers first..last
// (1..200) are taken, in bank and number order. Where several files claim one slot, the newest
// is taken and the others are listed in Ignored, as is every file that is not a preset.
struct TBackupScan {
  std::vector<TRunSlot> Slots;
  QStringList Ignored;  // "file: reason"
  QString Error;        // the folder itself cannot be read
};
TBackupScan ScanBackupFolder(const QString& folder, const std::array<bool, BankCount>& banks,
                             int first, int last, bool singleBank);

// The preset number a backup file name ends in (1..200), or 0.
int BackupFileNumber(const QString& fileName);
// The sub-folder of a bank in a backup's layout ("Bank A/"), empty on a single-bank unit.
QString BankSubFolder(int bank, bool singleBank);

// Two dumps hold the same preset: all 246 bytes equal but the channel byte (byte 2).
bool SameDump(TBytes a, TBytes b);
// How many of the preset's parameters differ: the title, each analog effect's and digital place's
// in-use flag, the digital group, each mix, analog and digital value, each foot-controller state
// and each performance entry count one. 0 for the same preset; every parameter for a dump that
// is not one.
int DifferingParameters(TBytes a, TBytes b);

// A folder name with the date and time of a run: "Before restore 2026-12-09 10.35".
QString DatedFolderName(const QString& prefix, const QDateTime& when);

// The journal a run keeps in its folder: what kind of run, its source and safety copy, and the
// state each slot reached. Written whole after every change, so a run stopped by anything (the
// user, a silent unit, a pulled cable, the program's end) can resume where it was.
class TRunJournal {
 public:
  static const QString FileName;

  QString Kind;    // "restore", "snapshot"
  QString Source;  // the folder restored from
  QString Safety;  // the safety copy's folder, empty when none is made
  bool SafetyDone = false;
  bool Finished = false;
  std::map<int, TSlotState> States;  // by TRunSlot::Key()

  TSlotState StateOf(int key) const;
  // Loads the journal of the folder; false when there is none or it cannot be read (`error` then
  // says why, empty for none).
  bool Load(const QString& folder, QString* error = nullptr);
  // Writes it whole into the folder; the error text, empty on success.
  QString Save(const QString& folder) const;
  QByteArray Text() const;
  bool Parse(const QByteArray& text);
};

// The report of a run as plain text: a heading, one line per slot with its state, and a summary.
QString RunReportText(const QString& heading, const std::vector<TRunSlot>& runSlots,
                      bool singleBank);
// "12 stored and verified, 1 retried, 1 mismatched, 3 not reached": every state met, in order.
QString RunSummary(const std::vector<TRunSlot>& runSlots);
