#include "controls/kxLCDmeter.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QTest>

namespace {

// The editor's equalizer meter: 35 x 136, range 0..12, pitch 3.
struct EqMeter {
  EqMeter() {
    meter.resize(35, 136);
    meter.SetMax(12);
    meter.SetChangeCallback([this] { ++calls; });
  }
  TkxLCDmeter meter;
  int calls = 0;
};

int LitInLane(const TkxLCDmeter& meter, int lane) {
  int lit = 0;
  for (int pip = 0; pip < meter.PipCount(); ++pip) lit += meter.PipLit(lane, pip) ? 1 : 0;
  return lit;
}

TEST(LCDmeter, StartsWithItsDefaults) {
  TkxLCDmeter meter;
  EXPECT_EQ(meter.Min(), 0);
  EXPECT_EQ(meter.Max(), 10);
  EXPECT_EQ(meter.Position(), 0);
  EXPECT_EQ(meter.PipSize(), 3);
  EXPECT_EQ(meter.Orientation(), TLCDOrientation::lcdVertical);
  EXPECT_EQ(meter.BrightColor(), QColor(0, 255, 255));
  EXPECT_EQ(meter.DimColor(), QColor(0, 0, 128));
  EXPECT_EQ(meter.Color(), QColor(Qt::black));
  EXPECT_EQ(meter.BoundField(), nullptr);
}

TEST(LCDmeter, LightsPipsFromTheBottomInProportion) {
  struct Row {
    int position, lit;
  };
  // 136 / 3 = 45 pips; lit = position * 45 div 12.
  const Row rows[] = {{0, 0}, {1, 3}, {6, 22}, {11, 41}, {12, 45}};
  EqMeter eq;
  ASSERT_EQ(eq.meter.PipCount(), 45);
  for (const Row& row : rows) {
    eq.meter.SetPosition(row.position);
    EXPECT_EQ(eq.meter.LitCount(), row.lit) << row.position;
    for (int lane = 0; lane < TkxLCDmeter::LaneCount; ++lane) {
      EXPECT_EQ(LitInLane(eq.meter, lane), row.lit) << row.position << " lane " << lane;
    }
    // The lit pips are the ones nearest the bottom.
    EXPECT_EQ(eq.meter.PipLit(0, 44), row.lit > 0);
    EXPECT_EQ(eq.meter.PipLit(9, 45 - row.lit), row.lit > 0);
    if (row.lit < 45) {
      EXPECT_FALSE(eq.meter.PipLit(0, 44 - row.lit));
    }
  }
}

TEST(LCDmeter, HorizontalMeterFillsFromTheLeftShowingOnePipAtMin) {
  TkxLCDmeter meter;
  meter.SetOrientation(TLCDOrientation::lcdHorizontal);
  meter.resize(60, 30);  // 20 pips along
  meter.SetParams(0, 0, 10);
  EXPECT_EQ(meter.PipCount(), 20);
  EXPECT_EQ(LitInLane(meter, 0), 1);
  EXPECT_TRUE(meter.PipLit(0, 0));
  meter.SetPosition(5);  // k = 10: pips 0..10
  EXPECT_EQ(LitInLane(meter, 3), 11);
  meter.SetPosition(10);
  EXPECT_EQ(LitInLane(meter, 3), 20);
}

TEST(LCDmeter, ClampsThePositionAndWritesTheBoundField) {
  EqMeter eq;
  std::int32_t field = 0;
  eq.meter.Bind(&field);
  EXPECT_EQ(eq.calls, 0);  // already at 0: nothing written, nothing reported
  eq.meter.SetPosition(20);
  EXPECT_EQ(eq.meter.Position(), 12);
  EXPECT_EQ(field, 12);
  EXPECT_EQ(eq.calls, 1);
  eq.meter.SetPosition(-4);
  EXPECT_EQ(field, 0);
  EXPECT_EQ(eq.calls, 2);
}

TEST(LCDmeter, SettingTheCurrentPositionWritesNothing) {
  EqMeter eq;
  std::int32_t field = 7;
  eq.meter.Bind(&field);
  EXPECT_EQ(eq.meter.Position(), 7);
  EXPECT_EQ(eq.calls, 1);
  field = 99;  // changed behind the meter's back: a non-move must not touch it
  eq.meter.SetPosition(7);
  EXPECT_EQ(field, 99);
  EXPECT_EQ(eq.calls, 1);
}

TEST(LCDmeter, BindingMovesToTheFieldAndUnbindingStopsWriting) {
  EqMeter eq;
  std::int32_t field = 9;
  eq.meter.Bind(&field);
  EXPECT_EQ(eq.meter.Position(), 9);
  EXPECT_EQ(eq.meter.BoundField(), &field);
  eq.meter.Bind(nullptr);
  eq.meter.SetPosition(3);
  EXPECT_EQ(field, 9);
  EXPECT_EQ(eq.calls, 2);  // the callback still reports the move
}

TEST(LCDmeter, MinAboveMaxIsRefusedAndTheRangeKept) {
  TkxLCDmeter meter;
  meter.SetParams(2, 0, 3);
  try {
    meter.SetMin(5);
    FAIL() << "no error";
  } catch (const EPropertyError& error) {
    EXPECT_EQ(error.Message().toStdString(), "Property Out Of Range");
  }
  EXPECT_EQ(meter.Min(), 0);
  EXPECT_EQ(meter.Max(), 3);
  EXPECT_EQ(meter.Position(), 2);
  EXPECT_THROW(meter.SetMax(-1), EPropertyError);
  EXPECT_THROW(meter.SetParams(0, 4, 1), EPropertyError);
  EXPECT_EQ(meter.Max(), 3);
}

TEST(LCDmeter, EmptyRangeShowsNoLitPipInEitherOrientation) {
  for (TLCDOrientation orientation :
       {TLCDOrientation::lcdVertical, TLCDOrientation::lcdHorizontal}) {
    TkxLCDmeter meter;
    meter.resize(30, 30);
    meter.SetOrientation(orientation);
    meter.SetParams(5, 5, 5);
    EXPECT_EQ(meter.Position(), 5);
    EXPECT_EQ(meter.LitCount(), 0);
    EXPECT_EQ(LitInLane(meter, 0), 0);
    meter.show();
    QImage image = meter.grab().toImage();  // paints without dividing by zero
    EXPECT_EQ(image.pixelColor(0, 0), meter.DimColor());
  }
}

TEST(LCDmeter, RangeChangeRedrawsTheBarAtOnce) {
  EqMeter eq;
  eq.meter.SetPosition(12);
  EXPECT_EQ(eq.meter.LitCount(), 45);
  eq.meter.SetMax(24);  // position 12 is now half the range
  EXPECT_EQ(eq.meter.LitCount(), 22);
}

TEST(LCDmeter, PipSizeBelowTwoIsRaisedToSinglePixelPips) {
  TkxLCDmeter meter;
  meter.resize(20, 300);
  meter.SetPipSize(1);
  EXPECT_EQ(meter.PipSize(), 2);
  EXPECT_EQ(meter.PipCount(), 150);
  meter.SetPipSize(0);
  EXPECT_EQ(meter.PipSize(), 2);
  meter.SetParams(10, 0, 10);  // all lit
  meter.show();
  const QImage image = meter.grab().toImage();
  // Pip (0,0) is one bright pixel with the background right and below it.
  EXPECT_EQ(image.pixelColor(0, 0), meter.BrightColor());
  EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(0, 1), QColor(Qt::black));
  EXPECT_EQ(image.pixelColor(2, 2), meter.BrightColor());
}

TEST(LCDmeter, PipCountIsCappedAt256) {
  TkxLCDmeter meter;
  meter.resize(30, 2000);
  meter.SetPipSize(2);
  EXPECT_EQ(meter.PipCount(), 256);
}

TEST(LCDmeter, PaintsLitAndDimPipsWithTheGapBetween) {
  EqMeter eq;
  eq.meter.SetPosition(6);
  eq.meter.show();
  const QImage image = eq.meter.grab().toImage();
  // Pitch 3: pip squares of 2 pixels, one background pixel between.
  EXPECT_EQ(image.pixelColor(0, 0), eq.meter.DimColor());  // top pip: unlit
  EXPECT_EQ(image.pixelColor(1, 1), eq.meter.DimColor());
  EXPECT_EQ(image.pixelColor(2, 0), QColor(Qt::black));             // gap
  EXPECT_EQ(image.pixelColor(0, 44 * 3), eq.meter.BrightColor());   // bottom pip: lit
  EXPECT_EQ(image.pixelColor(27, 23 * 3), eq.meter.BrightColor());  // lane 9, first lit pip
  EXPECT_EQ(image.pixelColor(27, 22 * 3), eq.meter.DimColor());     // just above it
  EXPECT_EQ(image.pixelColor(31, 50), QColor(Qt::black));           // right of the lanes
}

TEST(LCDmeter, MovingRedrawsOnlyThePipsThatChange) {
  EqMeter eq;
  eq.meter.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&eq.meter));
  eq.meter.grab();          // first paint: the whole meter
  eq.meter.SetPosition(6);  // 22 pips in each of 10 lanes light up
  EXPECT_EQ(eq.meter.PipsDrawnLastRepaint(), 220);
  eq.meter.SetPosition(7);  // 7 * 45 div 12 = 26: four more per lane
  EXPECT_EQ(eq.meter.PipsDrawnLastRepaint(), 40);
  eq.meter.SetPosition(7);
  EXPECT_EQ(eq.meter.PipsDrawnLastRepaint(), 0);
  // A new bright colour redraws the lit pips only; a new dim colour everything.
  eq.meter.SetBrightColor(Qt::red);
  EXPECT_EQ(eq.meter.PipsDrawnLastRepaint(), 260);
  eq.meter.SetDimColor(Qt::gray);
  EXPECT_EQ(eq.meter.PipsDrawnLastRepaint(), 450);
  const QImage image = eq.meter.grab().toImage();
  EXPECT_EQ(image.pixelColor(0, 44 * 3), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::gray));
}

TEST(LCDmeter, ResizingChangesThePipCount) {
  EqMeter eq;
  eq.meter.SetPosition(6);
  eq.meter.show();          // a hidden widget hears of its new size only when shown
  eq.meter.resize(35, 72);  // 24 pips
  EXPECT_EQ(eq.meter.PipCount(), 24);
  EXPECT_EQ(LitInLane(eq.meter, 0), 12);
}

}  // namespace
