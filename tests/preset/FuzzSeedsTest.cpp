#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "PresetTestUtil.h"

namespace {

// Writes the preset fuzzer's seed dumps into $ZQN_SEED_DIR. Run on demand:
//   ZQN_SEED_DIR=fuzz/seeds/preset zqn-tests-preset --gtest_also_run_disabled_tests
//     --gtest_filter='*WriteFuzzSeeds'
TEST(PresetFuzzSeeds, DISABLED_WriteFuzzSeeds) {
  const QString dir = qEnvironmentVariable("ZQN_SEED_DIR");
  ASSERT_FALSE(dir.isEmpty()) << "set ZQN_SEED_DIR";
  QDir().mkpath(dir);
  auto write = [&dir](const char* name, const QByteArray& bytes) {
    QFile f(dir + QLatin1Char('/') + QLatin1String(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  };

  TPreset fresh;
  fresh.SetDigitalGroup(0);
  write("fresh.zqn", ToBytes(fresh.Encode()));

  std::mt19937 rng(1);
  TPreset busy = RandomPreset(rng);
  busy.PerfInUse.fill(true);
  busy.VexaStates.fill(true);
  busy.AnalogInUse.fill(true);
  write("busy.zqn", ToBytes(busy.Encode()));

  TPresetImage damaged = RandomPreset(rng).Encode();
  damaged[13] = 0x7F;  // group 127 (impossible)
  damaged[14] = 0x01;
  damaged[149 + 6] = 0x50;  // a target past every slot
  write("damaged.zqn", ToBytes(damaged));

  write("short.zqn", ToBytes(fresh.Encode()).left(120));
  QByteArray badFrame = ToBytes(fresh.Encode());
  badFrame[1] = 0x1B;
  write("badframe.zqn", badFrame);
}

}  // namespace
