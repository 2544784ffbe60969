#include "device/RestorePlan.h"

#include "preset/Preset.h"
#include "preset/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

constexpr int kParameterCount =
    1 + AnalogEffectCount + DigitalPlaceCount + 1 + LastParam + 9 + PerfMIDICount;

// In the order a summary names them: what was done first, what was not last.
const std::array<std::pair<TSlotState, const char*>, 10> kStateNames = {{
    {TSlotState::Saved, "saved"},
    {TSlotState::Stored, "stored, not verified"},
    {TSlotState::Verified, "stored and verified"},
    {TSlotState::Retried, "retried"},
    {TSlotState::Mismatched, "mismatched"},
    {TSlotState::Skipped, "skipped"},
    {TSlotState::Same, "same"},
    {TSlotState::Differs, "differs"},
    {TSlotState::NoAnswer, "no answer"},
    {TSlotState::NotReached, "not reached"},
}};

// Journal words: one per state, without blanks.
const std::array<std::pair<TSlotState, const char*>, 10> kJournalWords = {{
    {TSlotState::NotReached, "pending"},
    {TSlotState::Saved, "saved"},
    {TSlotState::Stored, "stored"},
    {TSlotState::Verified, "verified"},
    {TSlotState::Retried, "retried"},
    {TSlotState::Mismatched, "mismatched"},
    {TSlotState::Skipped, "skipped"},
    {TSlotState::Same, "same"},
    {TSlotState::Differs, "differs"},
    {TSlotState::NoAnswer, "noanswer"},
}};

const QByteArray kJournalHead = "ZQN-Tarvo run journal 1";

bool DecodeDump(TBytes bytes, TPreset& p) {
  if (bytes.size() != std::size_t(PresetDumpLength) || !IsPresetDump(bytes) ||
      bytes.back() != SysExEnd)
    return false;
  try {
    p.LoadFromImage(bytes);
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace

QString SlotStateText(TSlotState state) {
  for (const auto& [s, name] : kStateNames)
    if (s == state) return QString::fromLatin1(name);
  return {};
}

QString SlotName(int bank, int index, bool singleBank) {
  const QString number = PresetNumberText(index + 1);
  return singleBank ? number : QChar('A' + bank) + QStringLiteral("-") + number;
}

int BackupFileNumber(const QString& fileName) {
  if (fileName.size() < 4) return 0;
  const QString digits = fileName.right(3);
  for (QChar c : digits)
    if (!c.isDigit() || c.unicode() > 127) return 0;
  const int number = digits.toInt();
  return number >= 1 && number <= PresetCount ? number : 0;
}

QString BankSubFolder(int bank, bool singleBank) {
  return singleBank ? QString() : QStringLiteral("Bank ") + QChar('A' + bank) + '/';
}

TBackupScan ScanBackupFolder(const QString& folder, const std::array<bool, BankCount>& banks,
                             int first, int last, bool singleBank) {
  TBackupScan scan;
  const QDir root(folder);
  if (folder.isEmpty() || !root.exists()) {
    scan.Error =
        QStringLiteral("The folder \"%1\" does not exist").arg(QDir::toNativeSeparators(folder));
    return scan;
  }
  first = std::clamp(first, 1, PresetCount);
  last = std::clamp(last, first, PresetCount);
  for (int bank = 0; bank < (singleBank ? 1 : BankCount); ++bank) {
    if (!singleBank && !banks[std::size_t(bank)]) continue;
    const QDir dir(root.filePath(BankSubFolder(bank, singleBank)));
    if (!dir.exists()) continue;
    // The newest file of each slot, by modification time.
    std::map<int, QFileInfo> chosen;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name)) {
      const QString name = info.fileName();
      if (name == TRunJournal::FileName) continue;
      const int number = BackupFileNumber(name);
      if (number == 0 || !name.contains(QStringLiteral(".zqn"), Qt::CaseInsensitive)) {
        scan.Ignored << name + QStringLiteral(": not a preset file name");
        continue;
      }
      if (number < first || number > last) continue;
      if (info.size() != PresetDumpLength) {
        scan.Ignored << name + QStringLiteral(": not a preset (") + QString::number(info.size()) +
                            QStringLiteral(" bytes)");
        continue;
      }
      auto it = chosen.find(number);
      if (it == chosen.end()) {
        chosen.emplace(number, info);
      } else if (info.lastModified() > it->second.lastModified()) {
        scan.Ignored << it->second.fileName() + QStringLiteral(": an older file of the same slot");
        it->second = info;
      } else {
        scan.Ignored << name + QStringLiteral(": an older file of the same slot");
      }
    }
    for (const auto& [number, info] : chosen) {
      QFile file(info.filePath());
      QByteArray bytes;
      if (file.open(QIODevice::ReadOnly)) bytes = file.readAll();
      const TBytes view = AsBytes(bytes);
      if (bytes.size() != PresetDumpLength || !IsPresetDump(view) || view.back() != SysExEnd) {
        scan.Ignored << info.fileName() + (bytes.isEmpty() ? QStringLiteral(": cannot be read")
                                                           : QStringLiteral(": not a preset dump"));
        continue;
      }
      TRunSlot slot;
      slot.Bank = bank;
      slot.Index = number - 1;
      slot.File = info.filePath();
      slot.Dump = bytes;
      slot.Title = QuickTitle(view);
      scan.Slots.push_back(slot);
    }
  }
  return scan;
}

bool SameDump(TBytes a, TBytes b) {
  if (a.size() != std::size_t(PresetDumpLength) || b.size() != a.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (i != 2 && a[i] != b[i]) return false;
  return true;
}

int DifferingParameters(TBytes a, TBytes b) {
  TPreset pa, pb;
  if (!DecodeDump(a, pa) || !DecodeDump(b, pb)) return kParameterCount;
  int n = pa.Title.trimmed() != pb.Title.trimmed() ? 1 : 0;
  for (int k = 0; k < AnalogEffectCount; ++k) n += pa.AnalogInUse[k] != pb.AnalogInUse[k];
  for (int k = 0; k < DigitalPlaceCount; ++k) n += pa.DigitalInUse[k] != pb.DigitalInUse[k];
  n += pa.DigitalGroup != pb.DigitalGroup;
  for (int id = FirstMixParam; id <= LastParam; ++id) n += pa.ParamValue(id) != pb.ParamValue(id);
  for (int box = 1; box <= 9; ++box) n += pa.GetVexaState(box) != pb.GetVexaState(box);
  for (int e = 0; e < PerfMIDICount; ++e) {
    const TPerfMIDI& x = pa.PerfMIDI[std::size_t(e)];
    const TPerfMIDI& y = pb.PerfMIDI[std::size_t(e)];
    n += pa.PerfInUse[std::size_t(e)] != pb.PerfInUse[std::size_t(e)] ||
         x.Controller != y.Controller || x.Low != y.Low || x.High != y.High ||
         x.ParamNo != y.ParamNo || x.Extra != y.Extra;
  }
  return n;
}

QString DatedFolderName(const QString& prefix, const QDateTime& when) {
  return prefix + ' ' + when.toString(QStringLiteral("yyyy-MM-dd hh.mm"));
}

// ---------------------------------------------------------------------------------------------
// Journal

const QString TRunJournal::FileName = QStringLiteral("ZQN-Tarvo journal.txt");

TSlotState TRunJournal::StateOf(int key) const {
  const auto it = States.find(key);
  return it == States.end() ? TSlotState::NotReached : it->second;
}

QByteArray TRunJournal::Text() const {
  QByteArray text = kJournalHead + '\n';
  text += "kind " + Kind.toUtf8() + '\n';
  if (!Source.isEmpty()) text += "source " + Source.toUtf8() + '\n';
  if (!Safety.isEmpty()) text += "safety " + Safety.toUtf8() + '\n';
  if (SafetyDone) text += "safety-done\n";
  for (const auto& [key, state] : States) {
    for (const auto& [s, word] : kJournalWords) {
      if (s != state) continue;
      text += "slot " + QByteArray::number(key / 256) + ' ' + QByteArray::number(key % 256) + ' ' +
              word + '\n';
    }
  }
  if (Finished) text += "finished\n";
  return text;
}

bool TRunJournal::Parse(const QByteArray& text) {
  const QList<QByteArray> lines = text.split('\n');
  if (lines.isEmpty() || lines.front().trimmed() != kJournalHead) return false;
  TRunJournal j;
  for (qsizetype i = 1; i < lines.size(); ++i) {
    const QByteArray line = lines[i].trimmed();
    if (line.isEmpty()) continue;
    const qsizetype blank = line.indexOf(' ');
    const QByteArray word = blank < 0 ? line : line.left(blank);
    const QString rest = blank < 0 ? QString() : QString::fromUtf8(line.mid(blank + 1));
    if (word == "kind") {
      j.Kind = rest;
    } else if (word == "source") {
      j.Source = rest;
    } else if (word == "safety") {
      j.Safety = rest;
    } else if (word == "safety-done") {
      j.SafetyDone = true;
    } else if (word == "finished") {
      j.Finished = true;
    } else if (word == "slot") {
      const QStringList parts = rest.split(' ');
      bool okBank = false, okIndex = false;
      const int bank = parts.value(0).toInt(&okBank);
      const int index = parts.value(1).toInt(&okIndex);
      if (parts.size() != 3 || !okBank || !okIndex || bank < 0 || bank >= BankCount || index < 0 ||
          index >= PresetCount)
        return false;
      bool known = false;
      for (const auto& [s, w] : kJournalWords) {
        if (parts[2] != QLatin1String(w)) continue;
        j.States[bank * 256 + index] = s;
        known = true;
      }
      if (!known) return false;
    }
  }
  *this = j;
  return true;
}

bool TRunJournal::Load(const QString& folder, QString* error) {
  if (error) error->clear();
  QFile file(QDir(folder).filePath(FileName));
  if (!file.exists()) return false;
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  if (!Parse(file.readAll())) {
    if (error) *error = QStringLiteral("The run journal is damaged");
    return false;
  }
  return true;
}

QString TRunJournal::Save(const QString& folder) const {
  return WriteWholeFile(QDir(folder).filePath(FileName), Text());
}

// ---------------------------------------------------------------------------------------------
// Report

QString RunSummary(const std::vector<TRunSlot>& runSlots) {
  QStringList parts;
  for (const auto& entry : kStateNames) {
    const TSlotState state = entry.first;
    const auto count = std::count_if(runSlots.begin(), runSlots.end(),
                                     [state](const TRunSlot& s) { return s.State == state; });
    if (count > 0) parts << QString::number(count) + ' ' + QString::fromLatin1(entry.second);
  }
  return parts.isEmpty() ? QStringLiteral("no presets") : parts.join(QStringLiteral(", "));
}

QString RunReportText(const QString& heading, const std::vector<TRunSlot>& runSlots,
                      bool singleBank) {
  QString text = heading + '\n';
  for (const TRunSlot& s : runSlots) {
    QString line = SlotName(s.Bank, s.Index, singleBank) + QStringLiteral("  ") +
                   s.Title.leftJustified(TitleLength) + QStringLiteral("  ") +
                   SlotStateText(s.State);
    if (!s.Detail.isEmpty()) line += QStringLiteral(" (") + s.Detail + ')';
    text += line + '\n';
  }
  text += RunSummary(runSlots) + '\n';
  return text;
}
