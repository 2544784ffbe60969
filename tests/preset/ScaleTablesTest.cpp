// Every entry of the display scales' tables, written out from the unit's manual.

#include <gtest/gtest.h>

#include "preset/Scales.h"

namespace {

constexpr int LevelPercent[64] = {0,  3,  4,  6,  7,  9,  10, 12, 14, 15, 17, 18, 20, 21, 23, 25,
                                  26, 28, 29, 31, 32, 34, 35, 37, 39, 40, 42, 43, 45, 46, 48, 50,
                                  51, 53, 54, 56, 57, 59, 60, 62, 64, 65, 67, 68, 70, 71, 73, 75,
                                  76, 78, 79, 81, 82, 84, 85, 87, 89, 90, 92, 93, 95, 96, 98, 100};

constexpr int EnvelopeHz[64] = {
    120,  126,  133,  140,  148,  156,  164,  173,  182,  192,  202,  213,  224,  236,  249,  262,
    276,  291,  307,  323,  340,  359,  378,  398,  419,  442,  465,  490,  516,  544,  573,  604,
    636,  670,  706,  744,  783,  825,  870,  916,  965,  1017, 1071, 1128, 1189, 1252, 1319, 1390,
    1464, 1543, 1625, 1712, 1804, 1900, 2002, 2109, 2222, 2341, 2466, 2598, 2737, 2883, 3037, 3200};

// Raw values 32..84, as printed: the texts carry two decimals.
constexpr const char* LfoTable[53] = {
    "1.36",  "1.44",  "1.52",  "1.60",  "1.72",  "1.80",  "1.92",  "2.04",  "2.16",
    "2.28",  "2.40",  "2.56",  "2.72",  "2.88",  "3.04",  "3.24",  "3.40",  "3.64",
    "3.84",  "4.08",  "4.32",  "4.56",  "4.84",  "5.12",  "5.44",  "5.76",  "6.08",
    "6.44",  "6.84",  "7.24",  "7.68",  "8.12",  "8.60",  "9.12",  "9.68",  "10.20",
    "10.80", "11.40", "12.10", "12.90", "13.60", "14.40", "15.30", "16.20", "17.20",
    "18.20", "19.30", "20.40", "21.60", "23.00", "24.30", "25.80", "27.30"};

constexpr const char* LowPass[31] = {
    "630 Hz",    "708 Hz",    "794 Hz",   "891 Hz",    "1.00 KHz",  "1.12 KHz",  "1.26 KHz",
    "1.41 KHz",  "1.58 KHz",  "1.78 KHz", "2.00 KHz",  "2.24 KHz",  "2.51 KHz",  "2.82 KHz",
    "3.16 KHz",  "3.55 KHz",  "3.98 KHz", "4.47 KHz",  "5.01 KHz",  "5.62 KHz",  "6.31 KHz",
    "7.08 KHz",  "7.94 KHz",  "8.91 KHz", "10.00 KHz", "11.20 KHz", "12.60 KHz", "14.10 KHz",
    "15.80 KHz", "17.80 KHz", "THRU"};

std::string T(const QString& s) {
  return s.toStdString();
}

TEST(ScaleTables, LevelPercentEveryEntry) {
  for (int v = 0; v < 64; ++v)
    EXPECT_EQ(T(LevelPercentText(v)), std::to_string(LevelPercent[v]) + "%") << v;
}

TEST(ScaleTables, EnvelopeTuningEveryEntry) {
  for (int v = 0; v < 64; ++v)
    EXPECT_EQ(T(EnvelopeTuningText(v)), std::to_string(EnvelopeHz[v]) + " Hz") << v;
}

TEST(ScaleTables, LfoSpeedLinearPartThenEveryTableEntry) {
  // Below 32: (v + 1) x 0.04, two decimals.
  const char* linear[32] = {"0.04", "0.08", "0.12", "0.16", "0.20", "0.24", "0.28", "0.32",
                            "0.36", "0.40", "0.44", "0.48", "0.52", "0.56", "0.60", "0.64",
                            "0.68", "0.72", "0.76", "0.80", "0.84", "0.88", "0.92", "0.96",
                            "1.00", "1.04", "1.08", "1.12", "1.16", "1.20", "1.24", "1.28"};
  for (int v = 0; v < 32; ++v) EXPECT_EQ(T(LfoSpeedText(v)), std::string(linear[v]) + "Hz") << v;
  for (int v = 32; v <= 84; ++v)
    EXPECT_EQ(T(LfoSpeedText(v)), std::string(LfoTable[v - 32]) + "Hz") << v;
}

TEST(ScaleTables, LowPassFrequencyEveryEntry) {
  for (int v = 0; v <= 30; ++v) EXPECT_EQ(T(LowPassFrequencyText(v)), LowPass[v]) << v;
}

TEST(ScaleTables, SevenStepEqLevelAndReverbPositionEveryEntry) {
  const char* sevenStep[7] = {"0%", "16%", "33%", "50%", "66%", "83%", "100%"};
  for (int v = 0; v < 7; ++v) EXPECT_EQ(T(SevenStepPercentText(v)), sevenStep[v]) << v;
  const char* eq[13] = {"-15 db", "-12 db", "-9 db", "-6 db", "-4 db",  "-2 db", "0 db",
                        "+2 db",  "+4 db",  "+6 db", "+9 db", "+12 db", "+15 db"};
  for (int v = 0; v < 13; ++v) EXPECT_EQ(T(EqLevelText(v)), eq[v]) << v;
  const char* position[7] = {"Front", "17%", "33%", "50%", "67%", "83%", "Rear"};
  for (int v = 0; v < 7; ++v) EXPECT_EQ(T(ReverbPositionText(v)), position[v]) << v;
}

TEST(ScaleTables, RuleScalesOverTheirWholeDomains) {
  // The rules, worked out by hand for every raw value.
  const char* eighths[32] = {"0%",  "6%",  "9%",  "12%", "15%", "18%", "21%", "25%",
                             "28%", "31%", "34%", "37%", "40%", "43%", "46%", "50%",
                             "53%", "56%", "59%", "62%", "65%", "68%", "71%", "75%",
                             "78%", "81%", "84%", "87%", "90%", "93%", "96%", "100%"};
  for (int v = 0; v < 32; ++v) EXPECT_EQ(T(EighthsPercentText(v)), eighths[v]) << v;
  const int distortion[44] = {0,  2,  4,  6,  9,  11, 13, 16, 18, 20, 23, 25, 27, 30, 32,
                              34, 37, 39, 41, 44, 46, 48, 51, 53, 55, 58, 60, 62, 65, 67,
                              69, 72, 74, 76, 79, 81, 83, 86, 88, 90, 93, 95, 97, 100};
  for (int v = 0; v < 44; ++v)
    EXPECT_EQ(T(DistortionOutputPercentText(v)), std::to_string(distortion[v]) + "%") << v;
  const int master[49] = {0,  2,  4,  6,  8,  10, 12, 14, 16, 18, 20, 22, 25, 27, 29, 31, 33,
                          35, 37, 39, 41, 43, 45, 47, 50, 52, 54, 56, 58, 60, 62, 64, 66, 68,
                          70, 72, 75, 77, 79, 81, 83, 85, 87, 89, 91, 93, 95, 97, 100};
  for (int v = 0; v < 49; ++v)
    EXPECT_EQ(T(MasterLevelText(v)), std::to_string(master[v]) + "%") << v;
  const char* gate[8] = {"0.05s", "0.10s", "0.15s", "0.20s", "0.25s", "0.30s", "0.35s", "0.40s"};
  for (int v = 0; v < 8; ++v) EXPECT_EQ(T(GateDecayText(v)), gate[v]) << v;
  const char* damping[8] = {"0%", "7%", "14%", "21%", "29%", "36%", "43%", "50%"};
  for (int v = 0; v < 8; ++v) EXPECT_EQ(T(DampingText(v)), damping[v]) << v;
  const char* diffusion[4] = {"40%", "60%", "80%", "100%"};
  for (int v = 0; v < 4; ++v) EXPECT_EQ(T(DiffusionText(v)), diffusion[v]) << v;
}

}  // namespace
