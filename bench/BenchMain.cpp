#include <benchmark/benchmark.h>

#include <QCoreApplication>

// The ports deliver their notifications through the Qt event queue, so benchmarks run inside an
// application object like the program does.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
