#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QLineEdit>

#include "device/UnitSimulator.h"
#include "editor/PresetEditor.h"

namespace {

// An editor showing a factory preset from the simulated unit with every analog effect on, so
// every page is bound.
struct BenchEditor {
  BenchEditor() {
    TPreset p;
    p.LoadFromImage(AsBytes(TUnitSimulator::FactoryPreset(0, 4)));
    p.AnalogInUse.fill(true);
    const TPresetImage image = p.Encode();
    QByteArray bytes(reinterpret_cast<const char*>(image.data()), int(image.size()));
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    editor.LoadPreset(stream, {});
    editor.show();
    QApplication::processEvents();
  }
  TfrmPresetEditor editor;
};

void BM_EditorFormShow(benchmark::State& state) {
  BenchEditor b;
  for (auto _ : state) {
    b.editor.FormShow();
    benchmark::DoNotOptimize(b.editor.History().UndoList.Count());
  }
  b.editor.hide();
}
BENCHMARK(BM_EditorFormShow)->Unit(benchmark::kMillisecond);

void BM_EditorUndo(benchmark::State& state) {
  BenchEditor b;
  for (auto _ : state) {
    state.PauseTiming();
    b.editor.edtTitle->setText(b.editor.edtTitle->text() == "A" ? "B" : "A");
    state.ResumeTiming();
    b.editor.Undo();
  }
  b.editor.hide();
}
BENCHMARK(BM_EditorUndo)->Unit(benchmark::kMillisecond);

}  // namespace
