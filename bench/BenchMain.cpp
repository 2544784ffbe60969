#include <benchmark/benchmark.h>

#include <QApplication>

// The ports deliver their notifications through the Qt event queue, so benchmarks run inside an
// application object like the program does; a widget one, since some measure windows. Without a
// display they run offscreen.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
