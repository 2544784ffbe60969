#include "device/UnitSimulator.h"
#include "library/LibraryModel.h"
#include "library/LibraryWindow.h"
#include "library/PresetLibrary.h"
#include "preset/Preset.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A user's backups: 25 snapshots of a four-bank unit, 100 presets a bank, 10,000 files. In the
// usual tree a tenth of the presets change between snapshots, so most presets have many places and
// the library holds 1,360 distinct ones, as a unit backed up over some years would give. In the
// distinct tree every file holds a preset of its own: 10,000 presets, the worst case.
class TBackupTree {
 public:
  static constexpr int Snapshots = 25;
  static constexpr int PerBank = 100;

  static TBackupTree& Get(bool distinct = false) {
    static TBackupTree usual(false);
    static TBackupTree all(true);
    return distinct ? all : usual;
  }
  QString Root() const { return dir_.path() + QStringLiteral("/backups"); }
  QString Database() const { return dir_.path() + QStringLiteral("/library.sqlite"); }
  int Files() const { return Snapshots * BankCount * PerBank; }

 private:
  explicit TBackupTree(bool distinct) {
    for (int snap = 0; snap < Snapshots; ++snap) {
      for (int bank = 0; bank < BankCount; ++bank) {
        const QString folder = QStringLiteral("%1/Snapshot %2/Bank %3")
                                   .arg(Root())
                                   .arg(snap + 1, 2, 10, QChar('0'))
                                   .arg(QChar('A' + bank));
        QDir().mkpath(folder);
        for (int i = 0; i < PerBank; ++i) {
          QByteArray dump = TUnitSimulator::FactoryPreset(bank, i);
          // The preset's version: it changes at a snapshot for one preset in ten.
          const int version = distinct ? snap : (snap + i) / 10;
          TPreset p;
          p.LoadFromImage(AsBytes(dump));
          p.Mix[0] = version % 32;
          p.Mix[2] = (version / 32) % 32;
          const TPresetImage image = p.Encode();
          dump = QByteArray(reinterpret_cast<const char*>(image.data()), PresetDumpLength);
          QFile f(QStringLiteral("%1/%2.zqn%3").arg(folder, p.Title).arg(i + 1, 3, 10, QChar('0')));
          f.open(QIODevice::WriteOnly);
          f.write(dump);
        }
      }
    }
  }
  QTemporaryDir dir_;
};

// Walking the 10,000 files, reading and grouping them, and writing the index, with the files in
// the system's cache (the first iteration warms it).
void BM_LibraryRescan10000Files(benchmark::State& state) {
  TBackupTree& tree = TBackupTree::Get(state.range(0) != 0);
  QFile::remove(tree.Database());
  TPresetLibrary library(tree.Database());
  library.Open({tree.Root()});
  for (auto _ : state) {
    const TScanReport report = library.Rescan();
    if (report.Files != tree.Files()) state.SkipWithError("files missed");
  }
  state.counters["presets"] = double(library.Entries().size());
  state.counters["files/s"] =
      benchmark::Counter(double(tree.Files()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_LibraryRescan10000Files)
    ->ArgName("distinct")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

// Starting the library on an index that exists: its entries come from the database, no file is
// read.
void BM_LibraryOpenIndex10000Files(benchmark::State& state) {
  TBackupTree& tree = TBackupTree::Get(state.range(0) != 0);
  {
    TPresetLibrary library(tree.Database());
    library.Open({tree.Root()});
  }
  for (auto _ : state) {
    TPresetLibrary library(tree.Database());
    library.Open();
    benchmark::DoNotOptimize(library.Entries().size());
  }
}
BENCHMARK(BM_LibraryOpenIndex10000Files)
    ->ArgName("distinct")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3);

// One keystroke in the library window's search field, to the table painted with the new results:
// the text changes, the model filters every entry, the view resets, the first result becomes the
// current one with its details, and the visible rows are painted. The search text grows a letter
// at a time through words a user would type and starts again, so each keystroke is a new search
// over all presets: 10,000 of them, every file of the tree a preset of its own.
void BM_LibrarySearchKeystroke(benchmark::State& state) {
  TBackupTree& tree = TBackupTree::Get(true);
  TfrmLibrary window(std::make_unique<TPresetLibrary>(tree.Database()));
  window.show();
  window.OpenLibrary({tree.Root()});
  const QString words = QStringLiteral("reverb lead bank:c ");
  int at = 0;
  for (auto _ : state) {
    if (at == words.size()) {
      state.PauseTiming();
      window.edtSearch->clear();
      at = 0;
      state.ResumeTiming();
    }
    QTest::keyClick(window.edtSearch, words[at++].toLatin1());
    window.grdPresets->viewport()->repaint();
  }
  state.counters["presets"] = double(window.Library().Entries().size());
}
BENCHMARK(BM_LibrarySearchKeystroke)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
