#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QByteArray>

#include "device/DeviceMessages.h"
#include "preset/DigitalCatalogue.h"
#include "preset/Preset.h"

namespace {

// A realistic dump: a full digital chain, every analog effect and all eight assignments.
TPresetImage SampleDump() {
  TPreset p;
  p.AnalogInUse.fill(true);
  DetermineDigitalGroup(p, {"Low Pass", "Regen DDL S", "Reverb 2", "Flanger", "Panner"});
  for (int k = 0; k < PerfMIDICount; ++k) {
    p.PerfInUse[k] = true;
    p.PerfMIDI[k].ParamNo = 1 + 6 * k;
  }
  p.Title = QStringLiteral("Bench Lead 01");
  return p.Encode();
}

void BM_PresetDecode(benchmark::State& state) {
  const TPresetImage dump = SampleDump();
  TPreset p;
  for (auto _ : state) {
    p.LoadFromImage(dump);
    benchmark::DoNotOptimize(p.DigitalGroup);
  }
}
BENCHMARK(BM_PresetDecode);

void BM_PresetEncode(benchmark::State& state) {
  TPreset p;
  p.LoadFromImage(SampleDump());
  for (auto _ : state) {
    TPresetImage image = p.Encode();
    benchmark::DoNotOptimize(image);
  }
}
BENCHMARK(BM_PresetEncode);

void BM_PresetDecodeEncode(benchmark::State& state) {
  const TPresetImage dump = SampleDump();
  TPreset p;
  for (auto _ : state) {
    p.LoadFromImage(dump);
    TPresetImage image = p.Encode();
    benchmark::DoNotOptimize(image);
  }
}
BENCHMARK(BM_PresetDecodeEncode);

// The path a file or an undo snapshot takes: through Qt streams.
void BM_PresetStreamRoundTrip(benchmark::State& state) {
  const TPresetImage dump = SampleDump();
  QByteArray in(reinterpret_cast<const char*>(dump.data()), qsizetype(dump.size()));
  QByteArray out;
  out.reserve(PresetDumpLength);
  TPreset p;
  for (auto _ : state) {
    QBuffer reader(&in);
    reader.open(QIODevice::ReadOnly);
    p.LoadFromStream(reader);
    out.clear();
    QBuffer writer(&out);
    writer.open(QIODevice::WriteOnly);
    p.SaveToStream(writer);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PresetStreamRoundTrip);

void BM_PresetIsModified(benchmark::State& state) {
  TPreset p;
  p.LoadFromImage(SampleDump());
  for (auto _ : state) benchmark::DoNotOptimize(p.IsModified());
}
BENCHMARK(BM_PresetIsModified);

}  // namespace
